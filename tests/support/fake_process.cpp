// The process in the test double: its state and log, start-up (the command
// line and the code page), the heap, the environment, the window station and
// its box, and how it ends.
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <utility>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fake_state.h"

namespace fake_state {

State& The() {
    static State state;
    return state;
}

[[noreturn]] void Misuse(const char* what) {
    std::fprintf(stderr, "fake windows: %s\n", what);
    std::abort();
}

const char* Checked(const char* path) {
    if (path == nullptr) Misuse("a null path was passed");
    return path;
}

const char16_t* Checked(const char16_t* text) {
    if (text == nullptr) Misuse("a null text was passed");
    return text;
}

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%#x", value);
    return text;
}

void Log(const std::string& call) { The().calls.push_back(call); }

void ExpectRedirection(const char* call) {
    if (The().redirectionOff) Misuse((std::string(call) + " while redirection is off").c_str());
}

std::u16string Upper(const std::u16string& text) {
    std::u16string upper = text;
    for (char16_t& unit : upper) {
        if (unit >= u'a' && unit <= u'z') unit = static_cast<char16_t>(unit - u'a' + u'A');
    }
    return upper;
}

bool Encoded(char16_t unit, std::string* bytes) {
    auto high = static_cast<unsigned char>(unit >> 8);
    auto low = static_cast<unsigned char>(unit);
    if (high == 0 && !The().leadBytes[low]) return bytes->append(1, static_cast<char>(low)), true;
    if (!The().leadBytes[high] || low == 0) return false;
    return bytes->append({static_cast<char>(high), static_cast<char>(low)}), true;
}

// Characters no code page of the model holds, with their best-fit copies;
// the last has no look-alike.
const std::pair<char16_t, char> kLookAlikes[] = {
    {u'\u015C', 'S'}, {u'\uFF3C', '\\'}, {u'\uFF0E', '.'}, {u'\uFF0F', '/'}, {u'\u4E00', '?'}};

Handle NewHandle() { return The().nextHandle += 4; }

std::size_t LastComponent(const std::u16string& text) {
    std::size_t separator = text.rfind(u'\\');
    return separator == std::u16string::npos ? 0 : separator + 1;
}

std::uint32_t CopiedWide(const std::u16string& text, platform::WideChar* buffer, std::uint32_t size) {
    auto needed = static_cast<std::uint32_t>(text.size() + 1);
    if (needed > size) return needed;
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
    return needed;
}

std::uint32_t CopiedLength(const std::u16string& text, platform::WideChar* buffer, std::uint32_t size) {
    std::uint32_t stored = CopiedWide(text, buffer, size);
    return stored <= size ? stored - 1 : stored;
}

}  // namespace fake_state

using namespace fake_state;

namespace {

// %NAME% gives NAME's value; a name that is not defined stays as written.
std::u16string Expanded(const std::u16string& source) {
    std::u16string result;
    std::size_t at = 0;
    while (at < source.size()) {
        std::size_t open = source.find(u'%', at);
        std::size_t close = open == std::u16string::npos ? open : source.find(u'%', open + 1);
        if (close == std::u16string::npos) return result + source.substr(at);
        result += source.substr(at, open - at);
        auto value = The().environment.find(Upper(source.substr(open + 1, close - open - 1)));
        if (value == The().environment.end()) {
            result += source.substr(open, close - open);
            at = close;
        } else {
            result += value->second;
            at = close + 1;
        }
    }
    return result;
}

}  // namespace

namespace fake {

void Reset() {
    State& state = The();
    state.calls.clear();
    state.commandLine.reset();
    state.wideCommandLine.clear();
    state.currentFolders.clear();
    state.windowsXp = false;
    std::memset(&state.leadBytes, 0, sizeof state.leadBytes);
    state.allocations = 0;
    state.failingAllocation = 0;
    state.blocksHeld = 0;
    state.made.clear();
    state.roots.clear();
    state.passed = Passed();
    state.lastAdded = nullptr;
    state.nextIndex = 0x100;  // above the records NTFS keeps for itself
    state.holds.clear();
    state.files.clear();
    state.searches.clear();
    state.keys[fake::kOwnView].clear();
    state.keys[fake::k64BitView].clear();
    state.openKeys.clear();
    state.wow64 = false;
    state.redirectionOff = false;
    state.environment.clear();
    fake::SetEnvironment("SystemRoot", fake::kWindowsFolder);
    fake::SetEnvironment("windir", fake::kWindowsFolder);
    fake::SetEnvironment("SystemDrive", "C:");
    fake::SetEnvironment("ProgramFiles", fake::kProgramFiles);
    fake::SetEnvironment("CommonProgramFiles", fake::kCommonFiles);
    fake::SetEnvironment("ALLUSERSPROFILE", "C:\\ProgramData");
    fake::SetEnvironment("PUBLIC", "C:\\Users\\Public");
    fake::SetEnvironment("USERPROFILE", fake::kUserProfile);
    fake::SetEnvironment("APPDATA", std::string(fake::kUserProfile) + "\\AppData\\Roaming");
    state.lastError = 0;
    state.clock = 0;
    state.redirectionTrustEnforcedAfter = -1;
    state.windowStationFlags = platform::kWsfVisible;
    state.windowStationReadable = true;
    state.user32Missing = false;
    state.boxes.clear();
    state.nextHandle = 0x1000;
    state.nextHold = 1;
}

std::u16string LookAlikeOf(const std::string& copy) {
    std::u16string name;
    for (char c : copy) {
        auto found = std::find_if(std::begin(kLookAlikes), std::end(kLookAlikes),
                                  [c](const std::pair<char16_t, char>& each) { return each.second == c; });
        name += found == std::end(kLookAlikes) ? static_cast<char16_t>(static_cast<unsigned char>(c)) : found->first;
    }
    return name != WideOf(copy) ? name : name + u'\u4E00';
}

std::u16string WideOf(const std::string& text) {
    std::u16string wide;
    for (std::size_t at = 0; at < text.size(); ++at) {
        auto byte = static_cast<unsigned char>(text[at]);
        bool pair = The().leadBytes[byte] && at + 1 < text.size();
        wide += static_cast<char16_t>(pair ? byte << 8 | static_cast<unsigned char>(text[++at]) : byte);
    }
    return wide;
}

std::string Shown(const std::u16string& text) {
    std::string shown;
    for (char16_t unit : text) {
        if (Encoded(unit, &shown)) continue;
        char code[16];
        std::snprintf(code, sizeof code, "<U+%04X>", static_cast<unsigned>(unit));
        shown += code;
    }
    return shown;
}

const std::vector<std::string>& Calls() { return The().calls; }

std::vector<std::string> CallsTo(const std::string& function) {
    std::vector<std::string> matching;
    for (const std::string& call : The().calls) {
        if (call.compare(0, function.size(), function) == 0 &&
            (call.size() == function.size() || call[function.size()] == '(')) {
            matching.push_back(call);
        }
    }
    return matching;
}

void SetCommandLine(const std::string& line) {
    std::unique_ptr<char[]> copy(new char[line.size() + 1]);
    std::memcpy(copy.get(), line.data(), line.size());
    copy[line.size()] = '\0';
    The().commandLine = std::move(copy);
    The().wideCommandLine = WideOf(line);
}

void SetLeadByteRange(unsigned char first, unsigned char last) {
    for (int byte = first; byte <= last; ++byte) The().leadBytes[byte] = 1;
}

void UseCodePage932() {
    SetLeadByteRange(0x81, 0x9F);
    SetLeadByteRange(0xE0, 0xFC);
}

void SetWideCommandLine(const std::u16string& line) { The().wideCommandLine = line; }

void SetWindowsXp() { The().windowsXp = true; }

void FailAllocation(int number) { The().failingAllocation = The().allocations + number; }

int AllocationsMade() { return The().allocations; }

int BlocksHeld() { return The().blocksHeld; }

int HandlesLeftOpen() {
    return static_cast<int>(The().files.size() + The().searches.size() + The().openKeys.size());
}

void SetWow64() {
    The().wow64 = true;
    SetEnvironment("ProgramFiles", kProgramFilesX86);
    SetEnvironment("ProgramW6432", kProgramFiles);
    SetEnvironment("CommonProgramFiles", kCommonFilesX86);
    SetEnvironment("CommonProgramW6432", kCommonFiles);
}

bool RedirectionIsOff() { return The().redirectionOff; }

void SetEnvironment(const std::string& name, const std::string& value) { SetWideEnvironment(name, WideOf(value)); }

void SetWideEnvironment(const std::string& name, const std::u16string& value) {
    The().environment[Upper(WideOf(name))] = value;
}

int RedirectionTrustEnforcedAfter() { return The().redirectionTrustEnforcedAfter; }

void SetWindowStationFlags(std::uint32_t flags) { The().windowStationFlags = flags; }

void FailWindowStationQuery() { The().windowStationReadable = false; }

void RemoveUser32() { The().user32Missing = true; }

const std::vector<Box>& Boxes() { return The().boxes; }

}  // namespace fake

namespace platform {

// Time passes only while the program sleeps; holds due by then end.
void Sleep(std::uint32_t milliseconds) {
    Log("Sleep(" + std::to_string(milliseconds) + ")");
    The().clock += milliseconds;
    std::vector<int> due;
    for (const auto& hold : The().holds) {
        if (hold.second.releasedAt != 0 && hold.second.releasedAt <= The().clock) due.push_back(hold.first);
    }
    for (int hold : due) fake::Release(hold);
}

std::uint32_t GetTickCount() { return The().clock; }

int MessageBoxA(const char* text, const char* caption, std::uint32_t type) {
    Log(std::string("MessageBoxA(") + Checked(text) + ", " + Checked(caption) + ", " + Hex(type) + ")");
    ExpectRedirection("MessageBoxA");
    The().boxes.push_back(fake::Box{text, caption, type});
    return 1;  // IDOK
}

int LoadUser32() { return The().user32Missing ? 0 : 1; }

int RunsUnderWow64() { return The().wow64 ? 1 : 0; }

std::uint32_t GetSystemDirectoryW(WideChar* buffer, std::uint32_t size) {
    return CopiedLength(fake::WideOf(fake::kSystemFolder), buffer, size);
}

std::uint32_t GetWindowsDirectoryW(WideChar* buffer, std::uint32_t size) {
    return CopiedLength(fake::WideOf(fake::kWindowsFolder), buffer, size);
}

std::uint32_t GetSystemWow64DirectoryW(WideChar* buffer, std::uint32_t size) {
    return The().wow64 ? CopiedLength(fake::WideOf(fake::kRedirectedSystemFolder), buffer, size) : 0;
}

std::uint32_t ExpandEnvironmentStringsW(const WideChar* source, WideChar* expanded, std::uint32_t size) {
    return CopiedWide(Expanded(Checked(source)), expanded, size);
}

std::uint32_t GetEnvironmentVariableW(const WideChar* name, WideChar* value, std::uint32_t size) {
    auto found = The().environment.find(Upper(Checked(name)));
    return found == The().environment.end() ? 0 : CopiedLength(found->second, value, size);
}

int SetEnvironmentVariableW(const WideChar* name, const WideChar* value) {
    Log("SetEnvironmentVariableW(" + fake::Shown(Checked(name)) + ", " + (value ? fake::Shown(value) : "null") + ")");
    if (value == nullptr) {
        The().environment.erase(Upper(name));
    } else {
        The().environment[Upper(name)] = value;
    }
    return 1;
}

int EnforceRedirectionTrust() {
    if (The().redirectionTrustEnforcedAfter < 0) {
        The().redirectionTrustEnforcedAfter = static_cast<int>(The().calls.size());
    }
    return 1;
}

std::uint32_t GetLastError() { return The().lastError; }

int GetProcessWindowStationFlags(std::uint32_t* flags) {
    if (!The().windowStationReadable) return 0;
    *flags = The().windowStationFlags;
    return 1;
}

const char* GetCommandLineA() { return The().commandLine ? The().commandLine.get() : ""; }

const WideChar* GetCommandLineW() { return The().wideCommandLine.c_str(); }

int ToAnsiWithoutBestFit(const WideChar* wide, int length, char* ansi, int size, int* lossy) {
    std::u16string text = length < 0 ? std::u16string(wide) + u'\0' : std::u16string(wide, wide + length);
    std::string bytes;
    *lossy = 0;
    for (char16_t unit : text) {
        if (!Encoded(unit, &bytes)) *lossy = 1, bytes += '?';
    }
    if (size == 0) return static_cast<int>(bytes.size());
    if (bytes.size() > static_cast<std::size_t>(size)) return 0;
    std::memcpy(ansi, bytes.data(), bytes.size());
    return static_cast<int>(bytes.size());
}

// Refuses a lead byte without the byte after it, as MB_ERR_INVALID_CHARS does.
int ToWideFromAnsi(const char* ansi, WideChar* wide, int size) {
    std::u16string text = fake::WideOf(Checked(ansi)) + u'\0';
    std::string check;
    for (char16_t unit : text) {
        if (unit != 0 && !Encoded(unit, &check)) return 0;
    }
    if (text.size() > static_cast<std::size_t>(size)) return 0;
    std::copy(text.begin(), text.end(), wide);
    return static_cast<int>(text.size());
}

int IsDBCSLeadByte(unsigned char byte) { return The().leadBytes[byte]; }

void* AllocateBlock(std::size_t bytes) {
    if (++The().allocations == The().failingAllocation) return nullptr;
    ++The().blocksHeld;
    return std::malloc(bytes);
}

void ReleaseBlock(void* block) {
    --The().blocksHeld;
    std::free(block);
}

void ExitProcess(std::uint32_t code) {
    std::fprintf(stderr, "ExitProcess(%u) after %zu calls\n", code, The().calls.size());
    std::fflush(stderr);
    _exit(static_cast<int>(code));
}

}  // namespace platform
