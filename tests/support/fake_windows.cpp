#include "fake_windows.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "platform/platform.h"

namespace {

using platform::Handle;

const std::uint32_t kDirectory = platform::kFileAttributeDirectory;
const std::uint32_t kReparsePoint = platform::kFileAttributeReparsePoint;
// The bits SetFileAttributesA can change; the others belong to the entry.
const std::uint32_t kSettable = fake::kReadOnly | fake::kHidden | fake::kSystem | fake::kArchive |
                                0x100 /*temporary*/ | 0x1000 /*offline*/ | 0x2000 /*not indexed*/;

struct Entry {
    std::string path;        // as created, for names and listings
    std::string shownName;   // what a search reports, when it differs
    std::uint32_t shownAttributes;  // the same, when not 0
    std::uint32_t attributes;
    std::string linkTarget;  // key of the target, for reparse points
    bool listingDenied;
    bool deletePending;
};

struct Hold {
    std::string key;
    std::uint32_t access;
    std::uint32_t share;
};

struct Search {
    std::vector<std::string> keys;  // "." and ".." stand for themselves
    std::size_t next;
};

struct Key {
    std::map<std::string, std::pair<std::uint32_t, std::string>> values;  // by upper-case name
    std::map<std::string, std::u16string> wideValues;  // as kept, where the ANSI form is a best fit
    bool fullAccessDenied;
};

struct State {
    std::vector<std::string> calls;
    // Exactly as long as the line and its terminator, so that AddressSanitizer
    // catches a read past the end.
    std::unique_ptr<char[]> commandLine;
    std::u16string wideCommandLine;
    std::map<char, std::string> currentFolders;  // by upper-case drive letter
    bool windowsXp;
    unsigned char leadBytes[256];  // 1 for a lead byte of the code page
    int allocations;
    int failingAllocation;
    int blocksHeld;
    std::map<std::string, Entry> entries;  // by upper-case path
    std::map<int, Hold> holds;             // by hold number; the program's too
    std::map<Handle, int> files;           // the program's file handles
    std::map<Handle, Search> searches;
    std::map<std::string, Key> keys[2];  // by view, then by upper-case path
    std::map<platform::RegistryKey, std::pair<fake::View, std::string>> openKeys;
    bool wow64;
    bool redirectionOff;
    std::map<std::string, std::string> environment;  // by upper-case name
    std::uint32_t windowStationFlags;
    bool windowStationReadable;
    bool user32Missing;
    std::vector<fake::Box> boxes;
    Handle nextHandle;
    int nextHold;
};

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

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%#x", value);
    return text;
}

void Log(const std::string& call) { The().calls.push_back(call); }

// Only file calls may run while redirection is off.
void ExpectRedirection(const char* call) {
    if (The().redirectionOff) Misuse((std::string(call) + " while redirection is off").c_str());
}

std::string Upper(const std::string& text) {
    std::string upper = text;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

bool HasWildcard(const std::string& part) { return part.find_first_of("*?") != std::string::npos; }

// The code page: a byte is the UTF-16 unit of its value, a lead byte and the
// byte after it the unit (lead << 8) | trail. Every other unit has no exact
// form, as U+015C has none in code page 1252.
std::u16string Decoded(const std::string& text) {
    std::u16string wide;
    for (std::size_t at = 0; at < text.size(); ++at) {
        auto byte = static_cast<unsigned char>(text[at]);
        bool pair = The().leadBytes[byte] && at + 1 < text.size();
        wide += static_cast<char16_t>(pair ? byte << 8 | static_cast<unsigned char>(text[++at]) : byte);
    }
    return wide;
}

bool Encoded(char16_t unit, std::string* bytes) {
    auto high = static_cast<unsigned char>(unit >> 8);
    auto low = static_cast<unsigned char>(unit);
    if (high == 0 && !The().leadBytes[low]) return bytes->append(1, static_cast<char>(low)), true;
    if (!The().leadBytes[high] || low == 0) return false;
    return bytes->append({static_cast<char>(high), static_cast<char>(low)}), true;
}

// ---- paths ---------------------------------------------------------------

struct Path {
    bool valid;
    std::string drive;               // "C:"
    std::vector<std::string> parts;  // components after the drive
    bool trailingSeparator;
};

// Paths are read as characters of the ANSI code page: a byte after a lead
// byte is never a separator.
std::size_t CharacterAt(const std::string& text, std::size_t at) {
    bool lead = The().leadBytes[static_cast<unsigned char>(text[at])] && at + 1 < text.size();
    return lead ? 2 : 1;
}

bool IsSeparatorAt(const std::string& text, std::size_t at, bool slashToo) {
    return text[at] == '\\' || (slashToo && text[at] == '/');
}

// The components of text, split at separators.
std::vector<std::string> Split(const std::string& text, bool slashToo) {
    std::vector<std::string> parts(1);
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = CharacterAt(text, at);
        if (length == 1 && IsSeparatorAt(text, at, slashToo)) {
            parts.emplace_back();
        } else {
            parts.back() += text.substr(at, length);
        }
        at += length;
    }
    return parts;
}

std::string StripTrailingDotsAndBlanks(std::string part) {
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    return part;
}

// Where the last component of text starts: after its last separator.
std::size_t LastComponent(const std::string& text) {
    std::size_t start = 0;
    for (std::size_t at = 0; at < text.size(); at += CharacterAt(text, at)) {
        if (CharacterAt(text, at) == 1 && text[at] == '\\') start = at + 1;
    }
    return start;
}

// As Windows reads a path given to a call: '/' separates too, "." and ".."
// step in place and up, and dots and blanks at the end of a component go.
void Normalize(std::vector<std::string>& parts) {
    std::vector<std::string> normal;
    for (const std::string& part : parts) {
        if (part == "..") {
            if (!normal.empty()) normal.pop_back();
        } else if (part != ".") {
            std::string stripped = StripTrailingDotsAndBlanks(part);
            if (!stripped.empty()) normal.push_back(stripped);
        }
    }
    parts = normal;
}

bool IsSystemFolder(const Path& path) {
    std::vector<std::string> system = Split(fake::kSystemFolder, false);
    if (path.drive != Upper(system[0]) || path.parts.size() < system.size() - 1) return false;
    for (std::size_t i = 1; i < system.size(); ++i) {
        if (Upper(path.parts[i - 1]) != Upper(system[i])) return false;
    }
    return true;
}

// Under WOW64, with redirection on, the system folder is the 32-bit one.
void Redirect(Path& path) {
    if (!The().wow64 || The().redirectionOff || !IsSystemFolder(path)) return;
    std::vector<std::string> redirected = Split(fake::kRedirectedSystemFolder, false);
    path.parts[redirected.size() - 2] = redirected.back();
}

// A drive-relative path ("C:", "C:x") starts in the drive's current folder.
std::string Absolute(const std::string& text) {
    if (text.size() > 2 && IsSeparatorAt(text, 2, true)) return text;
    auto current = The().currentFolders.find(Upper(text.substr(0, 1))[0]);
    std::string folder = current == The().currentFolders.end() ? text.substr(0, 2) : current->second;
    return folder + (text.size() > 2 || folder.size() == 2 ? "\\" : "") + text.substr(2);
}

// A path as a call reads it (forCall: at most kMaxPath - 1 characters,
// normalized, redirected unless told otherwise) or as a test makes an entry,
// as other programs can: of any length and with any name.
Path Parse(const std::string& given, bool forCall, bool redirect = true) {
    Path path{false, "", {}, false};
    if (forCall && given.size() >= static_cast<std::size_t>(platform::kMaxPath)) return path;
    // "\\?\" passes the rest on unparsed; parsing it is the harsher reading.
    if (forCall && given.rfind("\\\\?\\", 0) == 0) return Parse(given.substr(4), true, redirect);
    if (given.size() < 2) return path;
    if (!std::isalpha(static_cast<unsigned char>(given[0])) || given[1] != ':') return path;
    std::string text = forCall ? Absolute(given) : given;
    path.drive = Upper(text.substr(0, 2));
    if (text.size() == 2 || !IsSeparatorAt(text, 2, forCall)) return path;
    std::vector<std::string> parts = Split(text.substr(3), forCall);
    path.trailingSeparator = parts.size() > 1 && parts.back().empty();
    if (forCall) {
        // The calls read a run of separators as one.
        parts.erase(std::remove(parts.begin(), parts.end(), std::string()), parts.end());
    } else if (path.trailingSeparator || (parts.size() == 1 && parts[0].empty())) {
        parts.pop_back();
    }
    for (const std::string& part : parts) {
        if (part.empty() || part.find_first_of("<>|\":") != std::string::npos) return path;
    }
    path.parts = parts;
    if (forCall) Normalize(path.parts);
    if (forCall && redirect) Redirect(path);
    path.valid = true;
    return path;
}

bool IsRoot(const std::string& key) { return key.size() == 2; }

Entry* Find(const std::string& key) {
    auto found = The().entries.find(key);
    return found == The().entries.end() ? nullptr : &found->second;
}

bool IsFolderKey(const std::string& key) {
    if (IsRoot(key)) return true;
    Entry* entry = Find(key);
    return entry && (entry->attributes & kDirectory);
}

// The key of the entry the first `count` parts name, following links on the
// way; the last one only when followLast is set. Empty when there is none.
std::string Resolve(const Path& path, std::size_t count, bool followLast) {
    std::string key = path.drive;
    for (std::size_t i = 0; i < count; ++i) {
        if (HasWildcard(path.parts[i]) || !IsFolderKey(key)) return "";
        key += "\\" + Upper(path.parts[i]);
        Entry* entry = Find(key);
        if (entry == nullptr) return "";
        if (!entry->linkTarget.empty() && (i + 1 < count || followLast)) {
            key = entry->linkTarget;
            if (Find(key) == nullptr) return "";
        }
    }
    return key;
}

std::string ResolveWhole(const char* text, bool followLast, bool redirected = true) {
    Path path = Parse(Checked(text), true, redirected);
    if (!path.valid || path.parts.empty()) return "";
    std::string key = Resolve(path, path.parts.size(), followLast);
    if (path.trailingSeparator && !IsFolderKey(key)) return "";
    return key;
}

std::vector<std::string> ChildrenOf(const std::string& key) {
    std::vector<std::string> children;
    std::string prefix = key + "\\";
    for (auto it = The().entries.lower_bound(prefix);
         it != The().entries.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
        if (LastComponent(it->first) == prefix.size()) children.push_back(it->first);
    }
    return children;
}

std::string NameOf(const std::string& key) {
    if (key == "." || key == "..") return key;
    const std::string& path = The().entries.at(key).path;
    return path.substr(LastComponent(path));
}

bool GlobMatches(const char* pattern, const char* name) {
    if (*pattern == '\0') return *name == '\0';
    if (*pattern == '*') return GlobMatches(pattern + 1, name) || (*name && GlobMatches(pattern, name + 1));
    if (*name == '\0') return false;
    return (*pattern == '?' || *pattern == *name) && GlobMatches(pattern + 1, name + 1);
}

// "*.*" matches every name, with a dot or without, as it does on Windows.
bool NameMatches(const std::string& pattern, const std::string& name) {
    std::string upperPattern = Upper(pattern);
    return upperPattern == "*.*" || GlobMatches(upperPattern.c_str(), Upper(name).c_str());
}

// ---- sharing -------------------------------------------------------------

bool SharingAllows(const Hold& held, std::uint32_t access, std::uint32_t share) {
    if ((access & platform::kGenericRead) && !(held.share & platform::kFileShareRead)) return false;
    if ((access & fake::kGenericWrite) && !(held.share & fake::kShareWrite)) return false;
    if ((held.access & platform::kGenericRead) && !(share & platform::kFileShareRead)) return false;
    if ((held.access & fake::kGenericWrite) && !(share & fake::kShareWrite)) return false;
    return true;
}

bool AnyHold(const std::string& key, bool (*matches)(const Hold&)) {
    for (const auto& hold : The().holds) {
        if (hold.second.key == key && matches(hold.second)) return true;
    }
    return false;
}

bool IsHeld(const Hold&) { return true; }
bool RefusesDelete(const Hold& hold) { return !(hold.share & fake::kShareDelete); }

void EndHold(int number) {
    std::string key = The().holds.at(number).key;
    The().holds.erase(number);
    Entry* entry = Find(key);
    if (entry && entry->deletePending && !AnyHold(key, IsHeld)) The().entries.erase(key);
}

Handle NewHandle() { return The().nextHandle += 4; }

void Fill(const std::string& key, platform::FindData* found) {
    found->attributes = (key == "." || key == "..") ? kDirectory : The().entries.at(key).attributes;
    if (key != "." && key != ".." && The().entries.at(key).shownAttributes) {
        found->attributes = The().entries.at(key).shownAttributes;
    }
    bool shownOtherwise = key != "." && key != ".." && !The().entries.at(key).shownName.empty();
    std::string name = shownOtherwise ? The().entries.at(key).shownName : NameOf(key);
    std::snprintf(found->name, sizeof found->name, "%s", name.c_str());
}

// Creates the folders above key that are missing.
void AddParents(const std::string& path) {
    std::size_t start = LastComponent(path);
    if (start <= 3) return;
    std::string parent = path.substr(0, start - 1);
    if (!Find(Upper(parent))) fake::AddFolder(parent);
}

void AddEntry(const std::string& path, std::uint32_t attributes, const std::string& linkTarget) {
    Path parsed = Parse(path, false);
    if (!parsed.valid || parsed.parts.empty() || parsed.trailingSeparator) Misuse("bad path in a test");
    AddParents(path);
    The().entries[Upper(path)] = Entry{path, "", 0, attributes, linkTarget, false, false};
}

}  // namespace

// ---- what tests see ------------------------------------------------------

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
    state.entries.clear();
    state.holds.clear();
    state.files.clear();
    state.searches.clear();
    state.keys[fake::kOwnView].clear();
    state.keys[fake::k64BitView].clear();
    state.openKeys.clear();
    state.wow64 = false;
    state.redirectionOff = false;
    state.environment = {{"SYSTEMROOT", "C:\\Windows"}, {"WINDIR", "C:\\Windows"}};
    state.windowStationFlags = platform::kWsfVisible;
    state.windowStationReadable = true;
    state.user32Missing = false;
    state.boxes.clear();
    state.nextHandle = 0x1000;
    state.nextHold = 1;
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
    The().wideCommandLine = Decoded(line);
}

void SetLeadByteRange(unsigned char first, unsigned char last) {
    for (int byte = first; byte <= last; ++byte) The().leadBytes[byte] = 1;
}

void UseCodePage932() {
    SetLeadByteRange(0x81, 0x9F);
    SetLeadByteRange(0xE0, 0xFC);
}

void SetWideCommandLine(const std::u16string& line) { The().wideCommandLine = line; }

void SetCurrentFolder(const std::string& folder) { The().currentFolders[Upper(folder)[0]] = folder; }

void SetWindowsXp() { The().windowsXp = true; }

void FailAllocation(int number) { The().failingAllocation = The().allocations + number; }
int AllocationsMade() { return The().allocations; }
int BlocksHeld() { return The().blocksHeld; }

void AddFolder(const std::string& path, std::uint32_t attributes) {
    AddEntry(path, attributes | kDirectory, "");
}

void AddFile(const std::string& path, std::uint32_t attributes) {
    AddEntry(path, attributes & ~kDirectory, "");
}

void AddLink(const std::string& path, const std::string& target) {
    Entry* entry = Find(Upper(target));
    if (entry == nullptr) Misuse("a link to nothing");
    AddEntry(path, (entry->attributes & kDirectory) | kReparsePoint, Upper(target));
}

void ShowNameAs(const std::string& path, const std::string& name) {
    Entry* entry = Find(Upper(path));
    if (entry == nullptr) Misuse("no such entry");
    entry->shownName = name;
}

void ShowAttributesAs(const std::string& path, std::uint32_t attributes) {
    Entry* entry = Find(Upper(path));
    if (entry == nullptr) Misuse("no such entry");
    entry->shownAttributes = attributes;
}

void DenyListing(const std::string& path) {
    Entry* entry = Find(Upper(path));
    if (entry == nullptr) Misuse("no such folder");
    entry->listingDenied = true;
}

bool Exists(const std::string& path) { return Find(Upper(path)) != nullptr; }

std::uint32_t AttributesOf(const std::string& path) {
    Entry* entry = Find(Upper(path));
    if (entry == nullptr) Misuse("no such entry");
    return entry->attributes;
}

std::vector<std::string> Entries() {
    std::vector<std::string> paths;
    for (const auto& entry : The().entries) paths.push_back(entry.second.path);
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::string EntryAt(const std::string& path, bool followLast, bool redirected) {
    std::string key = ResolveWhole(path.c_str(), followLast, redirected);
    Entry* entry = key.empty() ? nullptr : Find(key);
    return entry ? entry->path : "";
}

int HoldOpen(const std::string& path, std::uint32_t access, std::uint32_t share) {
    std::string key = Upper(path);
    if (Find(key) == nullptr) Misuse("holding nothing open");
    int number = The().nextHold++;
    The().holds[number] = Hold{key, access, share};
    return number;
}

void Release(int hold) { EndHold(hold); }

int HandlesLeftOpen() {
    return static_cast<int>(The().files.size() + The().searches.size() + The().openKeys.size());
}

void SetWow64() { The().wow64 = true; }

bool RedirectionIsOff() { return The().redirectionOff; }

void SetEnvironment(const std::string& name, const std::string& value) {
    The().environment[Upper(name)] = value;
}

void SetWindowStationFlags(std::uint32_t flags) { The().windowStationFlags = flags; }

void FailWindowStationQuery() { The().windowStationReadable = false; }
void RemoveUser32() { The().user32Missing = true; }

void AddKey(const std::string& path, View view) {
    std::size_t start = LastComponent(path);
    if (start > 0 && !KeyExists(path.substr(0, start - 1), view)) AddKey(path.substr(0, start - 1), view);
    The().keys[view].emplace(Upper(path), Key{{}, {}, false});
}

void SetValue(const std::string& keyPath, const std::string& name, std::uint32_t type,
              const std::string& data, View view) {
    AddKey(keyPath, view);
    The().keys[view].at(Upper(keyPath)).values[Upper(name)] = {type, data};
}

void SetString(const std::string& keyPath, const std::string& name, const std::string& text, View view) {
    SetValue(keyPath, name, platform::kRegSz, text + '\0', view);
}

void SetWideString(const std::string& keyPath, const std::string& name, const std::u16string& text, View view) {
    AddKey(keyPath, view);
    The().keys[view].at(Upper(keyPath)).wideValues[Upper(name)] = text + u'\0';
}

void DenyFullAccess(const std::string& path, View view) {
    AddKey(path, view);
    The().keys[view].at(Upper(path)).fullAccessDenied = true;
}

bool KeyExists(const std::string& path, View view) { return The().keys[view].count(Upper(path)) != 0; }

std::vector<std::string> Keys(View view) {
    std::vector<std::string> paths;
    for (const auto& key : The().keys[view]) paths.push_back(key.first);
    return paths;
}

bool ValueOf(const std::string& keyPath, const std::string& name, std::uint32_t* type,
             std::string* data, View view) {
    auto key = The().keys[view].find(Upper(keyPath));
    if (key == The().keys[view].end()) return false;
    auto value = key->second.values.find(Upper(name));
    if (value == key->second.values.end()) return false;
    *type = value->second.first;
    *data = value->second.second;
    return true;
}

const std::vector<Box>& Boxes() { return The().boxes; }

}  // namespace fake

// ---- the platform, as the commands see it --------------------------------

namespace platform {

void Sleep(std::uint32_t milliseconds) { Log("Sleep(" + std::to_string(milliseconds) + ")"); }

int DeleteFileA(const char* path) {
    Log(std::string("DeleteFileA(") + Checked(path) + ")");
    Path parsed = Parse(path, true);
    if (!parsed.valid || parsed.trailingSeparator) return 0;
    std::string key = ResolveWhole(path, false);
    Entry* entry = key.empty() ? nullptr : Find(key);
    if (entry == nullptr || (entry->attributes & (kDirectory | fake::kReadOnly))) return 0;
    if (entry->deletePending || AnyHold(key, RefusesDelete)) return 0;
    // With every holder sharing delete, the name stays until the last closes.
    if (AnyHold(key, IsHeld)) {
        entry->deletePending = true;
    } else {
        The().entries.erase(key);
    }
    return 1;
}

Handle FindFirstFileA(const char* path, FindData* found) {
    Log(std::string("FindFirstFileA(") + Checked(path) + ")");
    Path parsed = Parse(path, true);
    if (!parsed.valid || parsed.parts.empty() || parsed.trailingSeparator) return kInvalidHandle;
    std::string parent = Resolve(parsed, parsed.parts.size() - 1, true);
    if (parent.empty() || !IsFolderKey(parent)) return kInvalidHandle;
    Entry* parentEntry = Find(parent);
    if (parentEntry && parentEntry->listingDenied) return kInvalidHandle;
    const std::string& pattern = parsed.parts.back();
    Search search{{}, 0};
    if (HasWildcard(pattern)) {
        if (!IsRoot(parent)) search.keys = {".", ".."};
        for (const std::string& child : ChildrenOf(parent)) {
            if (NameMatches(pattern, NameOf(child))) search.keys.push_back(child);
        }
    } else if (Find(parent + "\\" + Upper(pattern))) {
        search.keys.push_back(parent + "\\" + Upper(pattern));
    }
    if (search.keys.empty()) return kInvalidHandle;
    Handle handle = NewHandle();
    The().searches[handle] = search;
    return FindNextFileA(handle, found) ? handle : kInvalidHandle;
}

int FindNextFileA(Handle handle, FindData* found) {
    auto search = The().searches.find(handle);
    if (search == The().searches.end()) Misuse("FindNextFileA on an unknown search");
    // The first record is fetched by FindFirstFileA, and logged there.
    if (search->second.next > 0) Log("FindNextFileA");
    // An entry deleted since the search began is no longer yielded.
    std::vector<std::string>& keys = search->second.keys;
    std::size_t& next = search->second.next;
    while (next < keys.size() && keys[next] != "." && keys[next] != ".." && !Find(keys[next])) ++next;
    if (next == keys.size()) return 0;
    Fill(keys[next++], found);
    return 1;
}

int FindClose(Handle handle) {
    Log("FindClose");
    if (The().searches.erase(handle) == 0) Misuse("FindClose on an unknown search");
    return 1;
}

int SetFileAttributesA(const char* path, std::uint32_t attributes) {
    Log(std::string("SetFileAttributesA(") + Checked(path) + ", " + Hex(attributes) + ")");
    // Through a link this acts on the target, the harshest reading.
    std::string key = ResolveWhole(path, true);
    if (key.empty() || IsRoot(key)) return 0;
    Entry& entry = The().entries.at(key);
    std::uint32_t kept = entry.attributes & (kDirectory | kReparsePoint);
    std::uint32_t result = kept | (attributes & kSettable);
    entry.attributes = result == 0 ? platform::kFileAttributeNormal : result;
    return 1;
}

std::uint32_t GetFileAttributesA(const char* path) {
    Log(std::string("GetFileAttributesA(") + Checked(path) + ")");
    // A link at the end reports its own attributes.
    std::string key = ResolveWhole(path, false);
    Entry* entry = key.empty() ? nullptr : Find(key);
    return entry ? entry->attributes : kInvalidFileAttributes;
}

int RemoveDirectoryA(const char* path) {
    Log(std::string("RemoveDirectoryA(") + Checked(path) + ")");
    std::string key = ResolveWhole(path, false);
    Entry* entry = key.empty() ? nullptr : Find(key);
    if (entry == nullptr || !(entry->attributes & kDirectory)) return 0;
    if ((entry->attributes & fake::kReadOnly) || AnyHold(key, RefusesDelete)) return 0;
    // A link goes by itself, whatever its target holds.
    if (entry->linkTarget.empty() && !ChildrenOf(key).empty()) return 0;
    The().entries.erase(key);
    return 1;
}

Handle CreateFileA(const char* path, std::uint32_t access, std::uint32_t share,
                   std::uint32_t disposition, std::uint32_t flags) {
    Log(std::string("CreateFileA(") + Checked(path) + ", " + Hex(access) + ", " + Hex(share) +
        ", " + std::to_string(disposition) + ", " + Hex(flags) + ")");
    if (disposition != kOpenExisting) Misuse("only existing files are opened");
    std::string key = ResolveWhole(path, true);
    Entry* entry = key.empty() ? nullptr : Find(key);
    bool folder = entry && (entry->attributes & kDirectory);
    if (entry == nullptr || (folder && !(flags & kFileFlagBackupSemantics)) || entry->deletePending) {
        return kInvalidHandle;
    }
    for (const auto& hold : The().holds) {
        if (hold.second.key == key && !SharingAllows(hold.second, access, share)) return kInvalidHandle;
    }
    int number = The().nextHold++;
    The().holds[number] = Hold{key, access, share};
    Handle handle = NewHandle();
    The().files[handle] = number;
    return handle;
}

int CloseHandle(Handle handle) {
    Log("CloseHandle");
    auto file = The().files.find(handle);
    if (file == The().files.end()) Misuse("CloseHandle on an unknown handle");
    int number = file->second;
    The().files.erase(file);
    EndHold(number);
    return 1;
}

// ---- registry ------------------------------------------------------------

namespace {

const long kErrorAccessDenied = 5;
const long kErrorKeyDeleted = 1018;
const std::uint32_t kKeyRead = 0x20019;
const RedirectionState kRedirectionSaved = 0x5A5A;

// Copies text with its terminator when it fits in size characters and
// returns what it stored; else returns the size needed and leaves the buffer
// as undefined as Windows does.
std::uint32_t Copied(const std::string& text, char* buffer, std::uint32_t size) {
    auto needed = static_cast<std::uint32_t>(text.size() + 1);
    if (needed > size) {
        std::memset(buffer, 'X', size);
        return needed;
    }
    std::memcpy(buffer, text.c_str(), needed);
    return needed;
}

// %NAME% gives NAME's value; a name that is not defined stays as written.
std::string Expanded(const std::string& source) {
    std::string result;
    std::size_t at = 0;
    while (at < source.size()) {
        std::size_t open = source.find('%', at);
        std::size_t close = open == std::string::npos ? open : source.find('%', open + 1);
        if (close == std::string::npos) return result + source.substr(at);
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

// Windows accepts one trailing backslash after a subkey path. The root is
// HKEY_LOCAL_MACHINE or a key the program opened.
std::string KeyName(RegistryKey root, const char* subKey) {
    ExpectRedirection("a registry call");
    auto open = The().openKeys.find(root);
    if (root != kLocalMachine && open == The().openKeys.end()) Misuse("only HKEY_LOCAL_MACHINE is modelled");
    std::string name = (root == kLocalMachine ? "" : open->second.second + "\\") + Upper(Checked(subKey));
    if (!name.empty() && name.back() == '\\') name.pop_back();
    return name;
}

std::string RootName(RegistryKey root) { return root == kLocalMachine ? "HKLM" : "key"; }

// KEY_WOW64_64KEY picks the 64-bit view under WOW64 and is ignored elsewhere.
fake::View ViewOf(std::uint32_t access) {
    return The().wow64 && (access & kKeyWow64_64Key) ? fake::k64BitView : fake::kOwnView;
}

bool HasSubkeys(const std::map<std::string, Key>& keys, const std::string& name) {
    auto first = keys.lower_bound(name + "\\");
    return first != keys.end() && first->first.compare(0, name.size() + 1, name + "\\") == 0;
}

long DeleteKey(const std::string& name, fake::View view) {
    std::map<std::string, Key>& keys = The().keys[view];
    if (keys.count(name) == 0) return kErrorFileNotFound;
    if (HasSubkeys(keys, name)) return kErrorAccessDenied;
    keys.erase(name);
    return kErrorSuccess;
}

}  // namespace

long RegOpenKeyExA(RegistryKey root, const char* subKey, std::uint32_t options, std::uint32_t access,
                   RegistryKey* key) {
    Log("RegOpenKeyExA(" + RootName(root) + ", " + std::string(Checked(subKey)) + ", " + std::to_string(options) + ", " +
        Hex(access) + ")");
    std::string name = KeyName(root, subKey);
    fake::View view = ViewOf(access);
    auto found = The().keys[view].find(name);
    if (found == The().keys[view].end()) return kErrorFileNotFound;
    if (found->second.fullAccessDenied && (access & ~(kKeyRead | kKeyWow64_64Key))) return kErrorAccessDenied;
    *key = NewHandle();
    The().openKeys[*key] = {view, name};
    return kErrorSuccess;
}

long RegQueryValueExA(RegistryKey key, const char* valueName, std::uint32_t* type, unsigned char* data,
                      std::uint32_t* size) {
    Log("RegQueryValueExA(" + std::string(Checked(valueName)) + ", " + std::to_string(*size) + ")");
    ExpectRedirection("RegQueryValueExA");
    auto open = The().openKeys.find(key);
    if (open == The().openKeys.end()) Misuse("RegQueryValueExA on a key that is not open");
    std::map<std::string, Key>& keys = The().keys[open->second.first];
    auto found = keys.find(open->second.second);
    if (found == keys.end()) return kErrorKeyDeleted;
    auto value = found->second.values.find(Upper(valueName));
    if (value == found->second.values.end()) return kErrorFileNotFound;
    const std::string& bytes = value->second.second;
    *type = value->second.first;
    std::uint32_t room = *size;
    *size = static_cast<std::uint32_t>(bytes.size());
    if (bytes.size() > room) {
        // Windows leaves the buffer's contents undefined; make them misleading.
        std::memset(data, 'X', room);
        return kErrorMoreData;
    }
    std::memcpy(data, bytes.data(), bytes.size());
    return kErrorSuccess;
}

long RegDeleteKeyA(RegistryKey root, const char* subKey) {
    Log("RegDeleteKeyA(" + RootName(root) + ", " + std::string(Checked(subKey)) + ")");
    return DeleteKey(KeyName(root, subKey), fake::kOwnView);
}

long RegDeleteKeyExA(RegistryKey root, const char* subKey, std::uint32_t access) {
    Log("RegDeleteKeyExA(" + RootName(root) + ", " + std::string(Checked(subKey)) + ", " + Hex(access) + ")");
    return DeleteKey(KeyName(root, subKey), ViewOf(access));
}

// The wide form kept for the value, or the code page's bytes read as UTF-16.
long RegQueryValueExW(RegistryKey key, const WideChar* valueName, std::uint32_t* type, unsigned char* data,
                      std::uint32_t* size) {
    std::string name(valueName, valueName + std::char_traits<char16_t>::length(valueName));
    Log("RegQueryValueExW(" + name + ", " + std::to_string(*size) + ")");
    std::string bytes(*size, '\0');
    std::uint32_t ansiSize = *size;
    long status = RegQueryValueExA(key, name.c_str(), type, reinterpret_cast<unsigned char*>(&bytes[0]), &ansiSize);
    The().calls.pop_back();
    const Key& found = The().keys[The().openKeys.at(key).first].at(The().openKeys.at(key).second);
    auto kept = found.wideValues.find(Upper(name));
    std::u16string wide = kept != found.wideValues.end() ? kept->second : Decoded(bytes.substr(0, ansiSize));
    if (status != kErrorSuccess && status != kErrorMoreData) return status;
    std::uint32_t room = *size;
    *size = static_cast<std::uint32_t>(wide.size() * sizeof(char16_t));
    if (*size > room) return kErrorMoreData;
    std::memcpy(data, wide.data(), *size);
    return kErrorSuccess;
}

long RegEnumKeyExA(RegistryKey key, std::uint32_t index, char* name, std::uint32_t* size) {
    Log("RegEnumKeyExA(" + std::to_string(index) + ")");
    std::string parent = KeyName(key, "") + "\\";
    std::vector<std::string> children;
    for (const auto& each : The().keys[The().openKeys.at(key).first]) {
        const std::string& path = each.first;
        if (path.compare(0, parent.size(), parent) == 0 && LastComponent(path) == parent.size()) {
            children.push_back(path.substr(parent.size()));
        }
    }
    if (index >= children.size()) return 259;  // ERROR_NO_MORE_ITEMS
    std::uint32_t stored = Copied(children[index], name, *size);
    if (stored > *size) return kErrorMoreData;
    *size = stored - 1;
    return kErrorSuccess;
}

long RegDeleteTreeA(RegistryKey key) {
    Log("RegDeleteTreeA");
    if (The().windowsXp) return kErrorCallNotImplemented;
    std::map<std::string, Key>& keys = The().keys[The().openKeys.at(key).first];
    std::string name = KeyName(key, "");
    for (auto it = keys.lower_bound(name + "\\"); it != keys.end() && it->first.rfind(name + "\\", 0) == 0;) {
        it = keys.erase(it);
    }
    keys.at(name).values.clear();
    return kErrorSuccess;
}

long RegCloseKey(RegistryKey key) {
    Log("RegCloseKey");
    ExpectRedirection("RegCloseKey");
    if (The().openKeys.erase(key) == 0) Misuse("RegCloseKey on a key that is not open");
    return kErrorSuccess;
}

int MessageBoxA(const char* text, const char* caption, std::uint32_t type) {
    Log(std::string("MessageBoxA(") + Checked(text) + ", " + Checked(caption) + ", " + Hex(type) + ")");
    ExpectRedirection("MessageBoxA");
    The().boxes.push_back(fake::Box{text, caption, type});
    return 1;  // IDOK
}

int RunsUnderWow64() { return The().wow64 ? 1 : 0; }

int Wow64DisableWow64FsRedirection(RedirectionState* old) {
    Log("Wow64DisableWow64FsRedirection");
    if (!The().wow64) return 0;
    if (The().redirectionOff) Misuse("redirection turned off twice");
    The().redirectionOff = true;
    *old = kRedirectionSaved;
    return 1;
}

int Wow64RevertWow64FsRedirection(RedirectionState old) {
    Log("Wow64RevertWow64FsRedirection");
    if (!The().redirectionOff || old != kRedirectionSaved) Misuse("reverting what was not turned off");
    The().redirectionOff = false;
    return 1;
}

// Not a file call: the path is only read, never redirected.
std::uint32_t GetFullPathNameA(const char* path, std::uint32_t size, char* buffer) {
    Path parsed = Parse(Checked(path), true, false);
    if (!parsed.valid) return 0;
    std::string full = parsed.drive + "\\";
    for (std::size_t i = 0; i < parsed.parts.size(); ++i) full += (i ? "\\" : "") + parsed.parts[i];
    std::uint32_t stored = Copied(full, buffer, size);
    return stored <= size ? stored - 1 : stored;
}

// The length without the terminator once stored, else the size needed.
std::uint32_t GetSystemDirectoryA(char* buffer, std::uint32_t size) {
    std::uint32_t stored = Copied(fake::kSystemFolder, buffer, size);
    return stored <= size ? stored - 1 : stored;
}

std::uint32_t ExpandEnvironmentStringsA(const char* source, char* expanded, std::uint32_t size) {
    return Copied(Expanded(Checked(source)), expanded, size);
}

int LoadUser32() { return The().user32Missing ? 0 : 1; }

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
