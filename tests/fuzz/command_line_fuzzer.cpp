// Fuzzes whole runs. The input makes a small machine (32-bit Windows or, with
// WOW64, 64-bit; files, folders, links, files another program holds open,
// folders that cannot be listed, names made outside Windows and names the
// code page cannot hold, with links beside them named by their best-fit
// copies, uninstall entries in either registry view whose PathToSCR has any
// type, spelling and contents), a table of lead bytes and a command line,
// then runs the process against them.
//
// Afterwards every string must have been released, every handle closed, and
// nothing may have changed that the command line did not name. What the line
// names is judged here from its text alone, never with the program's own
// parsing: a command can only ever act on the rest of the line after its verb,
// a blank and trailing white space taken off, so every such rest is a
// candidate, wherever the verb stands. A line that is only the best-fit copy
// of the one Windows keeps names nothing at all.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "entry/dispatch.h"
#include "fake_windows.h"
#include "platform/platform.h"

namespace {

const std::string kList = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// Entries of another list, with a PathToSCR too: no command names them.
const std::string kOtherList = "Software\\Other Vendor\\Savers";
const char kPathValue[] = "PathToSCR";
const std::size_t kPathBufferSize = platform::kMaxPath;
const std::uint32_t kRegBinary = 3;
const std::uint32_t kRegMultiSz = 7;

const char kRemoveFile[] = "RMFILE";
const char kRemoveFolder[] = "RMDIR";
const char kRemoveScreenSaver[] = "RMSCR";

const std::size_t kDriveRoots = 2;  // C: and D:, which always exist
const int kMaxEntries = 24;
const int kMaxHolds = 4;
const int kMaxDenied = 3;
const int kMaxKeys = 5;
const std::size_t kMaxRandomText = 64;
const std::uint32_t kAttributeBits = fake::kReadOnly | fake::kHidden | fake::kSystem | fake::kArchive;

// Names that sit close to what the program has to tell apart: dots, blanks,
// case, bytes above 0x7F, and lengths that push paths past 259 characters.
const std::vector<std::string>& EntryNames() {
    static const std::vector<std::string> names = {
        "S", "s", "Saver", "My Saver", "a.txt", "My Saver.scr", "b.SCR", ".x", "..x", "x.", "...",
        "a b", " lead", "trail ", "D", "Sub", "\xC4\xE3", std::string(100, 'L'), std::string(200, 'M'),
    };
    return names;
}

// In code page 932 the second byte 0x5C of ソ and 表 is no separator.
const std::vector<std::string>& DoubleByteNames() {
    static const std::vector<std::string> names = {"\x83\x5C", "\x95\x5C.txt", "\x83\x5C\x83\x5C"};
    return names;
}

// The best-fit copies of names the code page cannot hold: paths out of the
// folder, names the calls strip, wildcards, and plain names that a link
// beside the look-alike can carry.
const std::vector<std::string>& OddNames() {
    static const std::vector<std::string> names = {
        "..", "..\\..", "..\\S", "..\\..\\D", "../..", "..\\..\\..\\..", "S\\..", "..\\Sub",
        "x.", "D.", "S ", "...", ". .", "?", "*", "a?b", "C:", "/", "\\", "a\\b",
        "S", "Sub", "Saver", "My Saver.scr", ".x", "a.txt",
    };
    return names;
}

const std::vector<std::string>& KeyNames() {
    static const std::vector<std::string> names = {
        "S", "My Saver", "my saver", "Saver", "a b", "trail ", "x\\y", "\xC4\xE3", "Other Program",
        "\x83\x5C\x83\x74\x83\x67", "\x83\x5C\\S", std::string(250, 'K'),
    };
    return names;
}

// ---- the machine ----------------------------------------------------------

char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string Upper(std::string text) {
    for (char& c : text) c = Fold(c);
    return text;
}

// A key of either view, as snapshots and the oracle name it.
std::string Tagged(fake::View view, const std::string& key) {
    return (view == fake::k64BitView ? "(64-bit view) " : "") + Upper(key);
}

bool IsLead(char c) { return platform::IsDBCSLeadByte(static_cast<unsigned char>(c)) != 0; }

// The characters of text, each one or two bytes as the lead bytes say.
std::vector<std::string> Characters(const std::string& text) {
    std::vector<std::string> characters;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = IsLead(text[at]) && at + 1 < text.size() ? 2 : 1;
        characters.push_back(text.substr(at, length));
        at += length;
    }
    return characters;
}

// A name the search can report ends in a whole character: the conversion to
// the code page never leaves a lead byte without its second byte.
bool EndsInWholeCharacter(const std::string& name) {
    std::string last = Characters(name).back();
    return last.size() == 2 || !IsLead(last[0]);
}

struct World {
    bool doubleByte;                   // the lead bytes of code page 932
    bool wow64;
    bool boxSeen;                      // the window station is one a user sees
    std::vector<std::string> folders;  // real folders, drive roots first: parents for new entries
    std::vector<std::string> entries;  // every entry made, links too
    std::vector<std::string> links;
    std::vector<std::string> keyNames;
    std::vector<int> holds;
};

template <typename T>
const T& PickFrom(FuzzedDataProvider& data, const std::vector<T>& items) {
    return items[data.ConsumeIntegralInRange<std::size_t>(0, items.size() - 1)];
}

std::string ConsumeEntryName(FuzzedDataProvider& data, const World& world) {
    if (world.doubleByte && data.ConsumeIntegralInRange(0, 3) == 3) return PickFrom(data, DoubleByteNames());
    std::string name = PickFrom(data, EntryNames());
    return EndsInWholeCharacter(name) ? name : name + "x";
}

// Sometimes 64-bit Windows, with both system folders to put savers in (on
// 32-bit Windows System32 is a folder like any other); sometimes Windows XP,
// or a service's window station, which no user sees.
void SetWindows(FuzzedDataProvider& data, World& world) {
    world.wow64 = data.ConsumeBool();
    world.boxSeen = data.ConsumeIntegralInRange(0, 3) != 3;
    if (world.wow64) fake::SetWow64();
    if (data.ConsumeBool()) fake::SetWindowsXp();
    if (!world.boxSeen) fake::SetWindowStationFlags(0);
    if (!world.wow64 && data.ConsumeBool()) return;
    // Namesakes, as a 32-bit and a 64-bit installer of one saver leave them.
    std::string twin = data.ConsumeBool() ? "\\" + ConsumeEntryName(data, world) : "";
    for (const char* folder : {fake::kSystemFolder, fake::kRedirectedSystemFolder}) {
        fake::AddFolder(folder);
        world.folders.push_back(folder);
        world.entries.push_back(folder);
        if (!twin.empty()) fake::AddFile(world.entries.emplace_back(folder + twin));
    }
}

bool IsPlainName(const std::string& name) {
    return name.find_first_of("\\/:*?\"<>|") == std::string::npos && name != "." && name != "..";
}

// 1 if the code page of this world lacks a character of name.
bool LacksCharacterOf(const std::u16string& name) {
    int lossy = 0;
    platform::ToAnsiWithoutBestFit(name.c_str(), -1, nullptr, 0, &lossy);
    return lossy != 0;
}

// An entry in folder whose name the code page cannot hold: a file, or a
// folder with a file in it. Beside it there is sometimes a link that carries
// its best-fit copy, as someone who wants the removal led out of the tree
// would plant. Only its folder's removal reaches it: no line can name it.
void AddLookAlike(FuzzedDataProvider& data, World& world, const std::string& folder, std::uint32_t attributes) {
    const std::string& copy = PickFrom(data, OddNames());
    std::u16string name = fake::LookAlikeOf(copy);
    std::u16string path = fake::WideOf(folder) + u"\\" + name;
    // A lead byte table can hold it; Windows holds no name with these.
    if (!LacksCharacterOf(name) || name.find_first_of(u":*\"<>|") != std::u16string::npos) return;
    if (fake::Exists(path)) return;
    fake::AddFile(data.ConsumeBool() ? path : path + u"\\inner.txt", attributes);
    std::string twin = folder + "\\" + copy;
    if (!data.ConsumeBool() || !IsPlainName(copy) || fake::Exists(twin)) return;
    fake::AddLink(twin, PickFrom(data, world.entries));
    world.links.push_back(twin);
    world.entries.push_back(twin);
}

void MakeEntries(FuzzedDataProvider& data, World& world) {
    int count = data.ConsumeIntegralInRange(0, kMaxEntries);
    for (int i = 0; i < count; ++i) {
        const std::string& folder = PickFrom(data, world.folders);
        std::string path = folder + "\\" + ConsumeEntryName(data, world);
        int kind = data.ConsumeIntegralInRange(0, 5);
        std::uint32_t attributes = data.ConsumeIntegral<std::uint8_t>() & kAttributeBits;
        if (kind == 5 && !world.entries.empty()) AddLookAlike(data, world, folder, attributes);
        if (kind == 5 || fake::Exists(path)) continue;
        if (kind == 0 || kind == 1) {
            fake::AddFile(path, attributes == 0 ? platform::kFileAttributeNormal : attributes);
        } else if (kind == 2 || kind == 3) {
            fake::AddFolder(path, attributes | platform::kFileAttributeDirectory);
            world.folders.push_back(path);
        } else {
            if (world.entries.empty()) continue;
            fake::AddLink(path, PickFrom(data, world.entries));
            world.links.push_back(path);
        }
        world.entries.push_back(path);
    }
}

void HoldSomeOpen(FuzzedDataProvider& data, World& world) {
    int count = data.ConsumeIntegralInRange(0, kMaxHolds);
    for (int i = 0; i < count && !world.entries.empty(); ++i) {
        const std::string& path = PickFrom(data, world.entries);
        std::uint32_t access = data.PickValueInArray(
            {0u, platform::kGenericRead, fake::kGenericWrite, platform::kGenericRead | fake::kGenericWrite});
        std::uint32_t share = data.ConsumeIntegralInRange<std::uint32_t>(0, 7);
        world.holds.push_back(fake::HoldOpen(path, access, share));
    }
}

void DenySomeListings(FuzzedDataProvider& data, const World& world) {
    int count = data.ConsumeIntegralInRange(0, kMaxDenied);
    for (int i = 0; i < count && world.folders.size() > kDriveRoots; ++i) {
        std::size_t pick = data.ConsumeIntegralInRange<std::size_t>(kDriveRoots, world.folders.size() - 1);
        fake::DenyListing(world.folders[pick]);
    }
}

// An entry's path as authors and tools write it: quoted; relative, to a
// folder or to the drive's current one; with a leading blank, a wildcard or
// a separator at its end; or in the forms Windows makes one full path of.
std::string Respelled(FuzzedDataProvider& data, const std::string& path) {
    switch (data.ConsumeIntegralInRange(0, 15)) {
        case 0: return "\"" + path + "\"";
        case 1: return path.substr(3);
        case 2: return path.substr(0, 2) + path.substr(path.rfind('\\') + 1);
        case 3: return " " + path;
        case 4: return path.substr(0, path.size() - 1) + data.PickValueInArray({"*", "?"});
        case 5: return path + data.PickValueInArray({"\\", "/"});
        case 6: return "\\\\?\\" + path;
        case 7: return path.substr(0, 2) + data.PickValueInArray({"/", "\\.\\", "\\\\", "/Windows/SysWOW64/../../"}) +
                       path.substr(3);
        case 8: return data.PickValueInArray({"%SystemRoot%\\..\\", "%windir%\\..\\", "%Undefined%\\"}) +
                       path.substr(3);
        case 9: return path.rfind("C:\\Windows\\", 0) == 0 ? "%SystemRoot%" + path.substr(10) : path;
        default: return path;
    }
}

// text as Windows keeps it in UTF-16 when text is its best-fit copy: one 'S'
// or '\' of it stands for a character the code page lacks. Empty when text
// holds neither.
std::u16string WithLookAlike(FuzzedDataProvider& data, const std::string& text) {
    std::u16string wide = fake::WideOf(text);
    std::vector<std::size_t> lookAlikes;
    for (std::size_t at = 0; at < wide.size(); ++at) {
        if (wide[at] == u'S' || wide[at] == u'\\') lookAlikes.push_back(at);
    }
    if (lookAlikes.empty()) return u"";
    char16_t& unit = wide[PickFrom(data, lookAlikes)];
    unit = unit == u'S' ? u'\u015C' : u'\uFF3C';  // S with a circumflex, a fullwidth reverse solidus
    return wide;
}

// Mostly the path of an entry, as a string or not, terminated or not, short
// enough or not; sometimes anything.
std::string ConsumeValueData(FuzzedDataProvider& data, const World& world) {
    std::string path = world.entries.empty() ? "C:\\none.scr" : Respelled(data, PickFrom(data, world.entries));
    switch (data.ConsumeIntegralInRange(0, 6)) {
        case 0: return path;
        case 1: return path + '\0';
        case 2: return path + '\0' + data.ConsumeRandomLengthString(kMaxRandomText);
        case 3: {
            // Around the size of the buffer, so the edges of "fits" are tried.
            std::size_t size = data.ConsumeIntegralInRange<std::size_t>(kPathBufferSize - 2, kPathBufferSize + 1);
            std::string padded = path + '\0';
            padded.resize(std::max(size, padded.size()), 'p');
            return padded;
        }
        case 4: return path + std::string(kPathBufferSize, 'x');
        case 5: return "";
        default: return data.ConsumeRandomLengthString(kMaxRandomText);
    }
}

void MakeKeys(FuzzedDataProvider& data, World& world) {
    int count = data.ConsumeIntegralInRange(0, kMaxKeys);
    for (int i = 0; i < count; ++i) {
        const std::string& name = PickFrom(data, KeyNames());
        // A 64-bit installer's entries: only under WOW64 may a call reach them.
        fake::View view = data.ConsumeIntegralInRange(0, 2) == 2 ? fake::k64BitView : fake::kOwnView;
        std::string keyPath;
        switch (data.ConsumeIntegralInRange(0, 7)) {
            case 5: keyPath = kOtherList + "\\" + name; break;
            case 6:
            case 7: keyPath = kList; break;  // the list itself, which no name may reach
            default: keyPath = kList + "\\" + name; world.keyNames.push_back(name);
        }
        fake::AddKey(keyPath, view);
        if (data.ConsumeIntegralInRange(0, 7) == 7) fake::DenyFullAccess(keyPath, view);
        if (data.ConsumeIntegralInRange(0, 15) == 15) fake::DenyReading(keyPath, view);
        if (data.ConsumeIntegralInRange(0, 5) == 5) continue;  // an entry without the value
        std::uint32_t type = data.PickValueInArray(
            {platform::kRegSz, platform::kRegSz, platform::kRegExpandSz, fake::kRegDword, kRegBinary, kRegMultiSz,
             data.ConsumeIntegral<std::uint32_t>()});
        bool isPath = data.ConsumeIntegralInRange(0, 7) != 7;
        std::string value = ConsumeValueData(data, world);
        fake::SetValue(keyPath, isPath ? kPathValue : "UninstallString", type, value, view);
        // A path the code page cannot hold, as a Unicode installer writes it.
        std::u16string wide = data.ConsumeIntegralInRange(0, 3) == 3 ? WithLookAlike(data, value.c_str()) : u"";
        if (isPath && !wide.empty()) fake::SetWideString(keyPath, kPathValue, wide, view);
    }
}

// Lead bytes of every ANSI code page lie above ASCII, which paths, verbs
// and separators are written in.
const unsigned char kLowestLeadByte = 0x80;

std::uint8_t ConsumeHighByte(FuzzedDataProvider& data) {
    return static_cast<std::uint8_t>(data.ConsumeIntegral<std::uint8_t>() | kLowestLeadByte);
}

// An arbitrary table, a few ranges, or the table of a double-byte code page.
// Entries are made after it, since the calls read paths with it.
void SetLeadBytes(FuzzedDataProvider& data, World& world) {
    world.doubleByte = false;
    switch (data.ConsumeIntegralInRange(0, 3)) {
        case 0: return;
        case 1:
            for (int range = data.ConsumeIntegralInRange(1, 3); range > 0; --range) {
                fake::SetLeadByteRange(ConsumeHighByte(data), ConsumeHighByte(data));
            }
            return;
        case 2:
            fake::UseCodePage932();
            world.doubleByte = true;
            return;
        default:
            for (int byte = kLowestLeadByte; byte < 256; byte += 8) {
                std::uint8_t bits = data.ConsumeIntegral<std::uint8_t>();
                for (int bit = 0; bit < 8; ++bit) {
                    auto lead = static_cast<unsigned char>(byte + bit);
                    if (bits & (1u << bit)) fake::SetLeadByteRange(lead, lead);
                }
            }
    }
}

// ---- the command line ------------------------------------------------------

// upperWord stands at line[at], in any case of its letters.
bool StandsAt(const std::string& line, std::size_t at, const std::string& upperWord) {
    if (at + upperWord.size() > line.size()) return false;
    for (std::size_t i = 0; i < upperWord.size(); ++i) {
        if (Fold(line[at + i]) != upperWord[i]) return false;
    }
    return true;
}

std::string ConsumeProgramName(FuzzedDataProvider& data) {
    switch (data.ConsumeIntegralInRange(0, 7)) {
        case 0: return "u.exe";
        case 1: return "\"C:\\My Tools\\u.exe\"";
        case 2: return "\"C:\\u.exe\"";
        case 3: return "\"C:\\My Tools\\u.exe";          // never closed
        case 4: return "\"C:\\\x81\"\\u.exe\"";          // the quote after 0x81 is a trail byte there
        case 5: return "\"C:\\\xE3\x81\"";                // ends in a lead byte before the quote
        case 6: return "";
        default: return data.ConsumeRandomLengthString(16);
    }
}

std::string ConsumeGap(FuzzedDataProvider& data) {
    switch (data.ConsumeIntegralInRange(0, 5)) {
        case 0: return " ";
        case 1: return "\t";
        case 2: return "  ";
        case 3: return "\r\n";
        case 4: {
            std::string gap = data.ConsumeRandomLengthString(4);
            for (char& c : gap) c = static_cast<char>(static_cast<unsigned char>(c) % 0x20 + 1);
            return gap;
        }
        default: return "";
    }
}

std::string ConsumeVerb(FuzzedDataProvider& data) {
    int choice = data.ConsumeIntegralInRange(0, 7);
    if (choice == 7) return data.ConsumeRandomLengthString(8);
    std::string verb = data.PickValueInArray({kRemoveFile, kRemoveFolder, kRemoveScreenSaver});
    std::uint8_t lower = data.ConsumeIntegral<std::uint8_t>();
    for (std::size_t i = 0; i < verb.size(); ++i) {
        if (lower & (1u << i)) verb[i] = static_cast<char>(verb[i] - 'A' + 'a');
    }
    if (choice == 5) verb += "\t";
    if (choice == 6) verb += "S";
    return verb;
}

std::string ConsumeSeparator(FuzzedDataProvider& data) {
    return data.PickValueInArray({" ", " ", " ", "  ", "\t ", "\t", ""});
}

std::string MixCase(FuzzedDataProvider& data, std::string text) {
    for (char& c : text) {
        if (!data.ConsumeBool()) continue;
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// What the verb acts on, in the many ways it can be written, or something
// close to it: another kind of name, or a name of nothing at all.
std::string ConsumeArgument(FuzzedDataProvider& data, const World& world, const std::string& verb) {
    std::string entry = world.entries.empty() ? "C:\\S" : PickFrom(data, world.entries);
    std::string keyName = world.keyNames.empty() ? PickFrom(data, KeyNames()) : PickFrom(data, world.keyNames);
    switch (data.ConsumeIntegralInRange(0, 11)) {
        case 0:
        case 1:
            if (StandsAt(verb, 0, kRemoveScreenSaver)) return keyName;
            if (StandsAt(verb, 0, kRemoveFolder) && world.folders.size() > kDriveRoots) {
                return world.folders[data.ConsumeIntegralInRange<std::size_t>(kDriveRoots, world.folders.size() - 1)];
            }
            return entry;
        case 2: return MixCase(data, entry);
        case 3: return entry + data.PickValueInArray({"\\", "*", "\\*.*", "?", "\\.", "\\..", "\"", ":"});
        case 4:
            // Into a folder through a link, which a call follows.
            if (world.links.empty()) return entry;
            return PickFrom(data, world.links) + "\\" + PickFrom(data, EntryNames());
        case 5: return keyName;
        case 6: return MixCase(data, PickFrom(data, KeyNames()));
        case 7: return "\"" + entry + "\"";
        case 8: return data.ConsumeRandomLengthString(kMaxRandomText);
        case 9: return entry;
        default: return data.PickValueInArray({"", " ", "\\", "\t", "C:", "D:"});
    }
}

// The verb is chosen before the machine is made, so that short inputs, which
// run out of bytes while making it, still try every verb.
std::string ConsumeCommandLine(FuzzedDataProvider& data, const World& world, const std::string& verb) {
    std::string line = ConsumeProgramName(data) + ConsumeGap(data) + verb + ConsumeSeparator(data) +
                       ConsumeArgument(data, world, verb);
    line += data.PickValueInArray({"", "", " ", "\r\n", "\t", " \v\f", "\r\n\r\n"});
    if (data.ConsumeIntegralInRange(0, 15) == 15) line += data.ConsumeRandomLengthString(kMaxRandomText);
    return line;
}

// ---- what the line names ---------------------------------------------------

// The white space a command's parts lose at their right end.
bool IsTrailingSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Every text the line can hand to verb: wherever the verb stands (in any
// case of A-Z) followed by white space without a blank and then one blank,
// the rest of the line without its trailing white space.
std::vector<std::string> NamedAfter(const std::string& line, const std::string& verb) {
    std::size_t end = line.size();
    while (end > 0 && IsTrailingSpace(line[end - 1])) --end;
    std::vector<std::string> named;
    for (std::size_t at = 0; at < line.size(); ++at) {
        if (!StandsAt(line, at, verb)) continue;
        std::size_t gap = at + verb.size();
        while (gap < line.size() && line[gap] != ' ' && IsTrailingSpace(line[gap])) ++gap;
        if (gap == line.size() || line[gap] != ' ') continue;
        std::size_t start = gap + 1;
        named.push_back(start < end ? line.substr(start, end - start) : "");
    }
    return named;
}

bool HoldsBackslash(const std::string& text) {
    for (const std::string& character : Characters(text)) {
        if (character == "\\") return true;
    }
    return false;
}

// key lies in tree: its characters begin with tree's and a backslash.
bool IsWithin(const std::string& key, const std::string& tree) {
    if (key == tree) return true;
    std::vector<std::string> keyCharacters = Characters(key);
    std::vector<std::string> treeCharacters = Characters(tree);
    treeCharacters.push_back("\\");
    return keyCharacters.size() > treeCharacters.size() &&
           std::equal(treeCharacters.begin(), treeCharacters.end(), keyCharacters.begin());
}

bool IsSeparator(char16_t unit) { return unit == u'\\' || unit == u'/'; }

// A path names one file wherever the program runs from when it starts with a
// drive letter, a colon and a separator, or with two separators, and holds
// no wildcard or quote after a "\\?\" prefix and no separator at its end.
bool NamesOneFile(const std::u16string& path) {
    if (path.size() < 3 || IsSeparator(path.back())) return false;
    bool drive = path[0] < 0x80 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == u':';
    if (!(drive || IsSeparator(path[0])) || !IsSeparator(path[drive ? 2 : 1])) return false;
    std::size_t named = path.rfind(u"\\\\?\\", 0) == 0 ? 4 : 0;
    return path.find_first_of(u"*?\"", named) == std::u16string::npos;
}

// A PathToSCR the program may act on: a string that fits the buffer with its
// terminator and that, expanded (with the double's environment) and out of
// one pair of quotes, names one file; the path is what comes before the
// first NUL.
bool TrustedPath(const World& world, const std::string& keyPath, fake::View view, std::u16string* path) {
    std::uint32_t type = 0;
    std::string bytes;
    if (!fake::ValueOf(keyPath, kPathValue, &type, &bytes, view)) return false;
    if (type != platform::kRegSz && type != platform::kRegExpandSz) return false;
    if (bytes.size() > kPathBufferSize * 2) return false;
    std::u16string text;
    for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8);
    }
    std::size_t end = text.find(u'\0');
    if (end == std::u16string::npos && text.size() == kPathBufferSize) return false;
    *path = text.substr(0, end);
    if (type == platform::kRegExpandSz) {
        // A 64-bit installer's value names the native Program Files folders.
        bool native = world.wow64 && view == fake::k64BitView;
        if (native) fake::SetEnvironment("ProgramFiles", fake::kProgramFiles);
        if (native) fake::SetEnvironment("CommonProgramFiles", fake::kCommonFiles);
        char16_t expanded[kPathBufferSize];
        std::uint32_t size = platform::ExpandEnvironmentStringsW(path->c_str(), expanded, kPathBufferSize);
        if (native) fake::SetEnvironment("ProgramFiles", fake::kProgramFilesX86);
        if (native) fake::SetEnvironment("CommonProgramFiles", fake::kCommonFilesX86);
        if (size == 0 || size > kPathBufferSize) return false;
        *path = expanded;
    }
    if (path->size() > 1 && path->front() == u'"' && path->back() == u'"') *path = path->substr(1, path->size() - 2);
    return NamesOneFile(*path);
}

// What a correct run may change, by upper-case path, worked out on the
// machine as it was before the run.
struct Allowed {
    std::vector<std::string> trees;  // RMDIR: these and all below, deleted or reset
    std::set<std::string> files;     // RMFILE and RMSCR: these alone, deleted
    std::set<std::string> savers;    // RMSCR: reset too, when read-only
    std::vector<std::string> keys;   // RMSCR: these and all below, in their view
    bool boxMayShow = false;         // RMSCR found an entry with a trusted path
};

// path in the long form Windows documents: as written after exactly "\\?\"
// or "\??\"; else made full as Windows makes it, then with "\\?\" in place
// of "\\.\" or before a drive path, which takes it past 259 characters.
std::u16string LongForm(const std::u16string& path) {
    if (path.rfind(u"\\\\?\\", 0) == 0 || path.rfind(u"\\??\\", 0) == 0) return path;
    std::u16string full(platform::kMaxLongPath, u'\0');
    std::uint32_t length = platform::GetFullPathNameW(path.c_str(), platform::kMaxLongPath, &full[0]);
    if (length == 0 || length >= platform::kMaxLongPath) return path;
    full.resize(length);
    if (full.rfind(u"\\\\.\\", 0) == 0) full[2] = u'?';
    return full.rfind(u"\\\\", 0) == 0 ? full : u"\\\\?\\" + full;
}

// The entry a call given path acts on, in either form: a link at the end is
// the link itself.
void AddEntryAt(const std::u16string& path, std::vector<std::string>& into, bool redirected = true) {
    for (const std::u16string& form : {path, LongForm(path)}) {
        std::string entry = fake::EntryAt(form, false, redirected);
        if (!entry.empty()) into.push_back(Upper(entry));
    }
}

// The one file an entry's path lets the program delete: for the 64-bit view
// the native one; for its own view the one it sees and, only when there is
// none (under WOW64, in System32), its native twin.
void AddSaverAt(const std::u16string& path, fake::View view, std::vector<std::string>& into) {
    std::size_t before = into.size();
    if (view == fake::kOwnView) AddEntryAt(path, into);
    if (into.size() == before) AddEntryAt(path, into, false);
}

Allowed WhatTheLineNames(const std::string& line, const World& world) {
    Allowed allowed;
    for (const std::string& path : NamedAfter(line, kRemoveFolder)) AddEntryAt(fake::WideOf(path), allowed.trees);
    std::vector<std::string> files;
    std::vector<std::string> savers;
    for (const std::string& path : NamedAfter(line, kRemoveFile)) AddEntryAt(fake::WideOf(path), files);
    for (const std::string& name : NamedAfter(line, kRemoveScreenSaver)) {
        // An empty name or one with a backslash names no single entry.
        if (name.empty() || HoldsBackslash(name)) continue;
        std::string keyPath = kList + "\\" + name;
        // The program's own view first; the 64-bit one only under WOW64.
        fake::View view = world.wow64 && !fake::KeyExists(keyPath) ? fake::k64BitView : fake::kOwnView;
        allowed.keys.push_back(Tagged(view, keyPath));
        std::u16string path;
        if (!fake::KeyExists(keyPath, view) || !TrustedPath(world, keyPath, view, &path)) continue;
        allowed.boxMayShow = true;
        AddSaverAt(path, view, savers);
    }
    allowed.files.insert(files.begin(), files.end());
    allowed.files.insert(savers.begin(), savers.end());
    allowed.savers.insert(savers.begin(), savers.end());
    return allowed;
}

// ---- checks ----------------------------------------------------------------

struct EntryState {
    std::string path;  // as created
    std::uint32_t attributes;
};

struct Snapshot {
    std::map<std::string, EntryState> entries;  // by upper-case path
    std::set<std::string> keys;                 // upper-case, tagged with their view
};

Snapshot TakeSnapshot() {
    Snapshot snapshot;
    for (const std::u16string& path : fake::WideEntries()) {
        snapshot.entries[Upper(fake::Shown(path))] = EntryState{fake::Shown(path), fake::AttributesOf(path)};
    }
    for (fake::View view : {fake::kOwnView, fake::k64BitView}) {
        for (const std::string& key : fake::Keys(view)) snapshot.keys.insert(Tagged(view, key));
    }
    return snapshot;
}

std::string Printable(const std::string& text) {
    std::string shown;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            shown += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            shown += escaped;
        }
    }
    return shown;
}

struct Run {
    std::string line;  // as the program sees it: up to the first NUL
    Snapshot before;
    Allowed allowed;
    bool boxSeen;
};

[[noreturn]] void Violation(const Run& run, const std::string& what) {
    std::fprintf(stderr, "command line fuzzer: %s\n  command line: %s\n  calls:\n", what.c_str(),
                 Printable(run.line).c_str());
    for (const std::string& call : fake::Calls()) std::fprintf(stderr, "    %s\n", Printable(call).c_str());
    std::abort();
}

bool InAnyTree(const std::string& key, const std::vector<std::string>& trees) {
    for (const std::string& tree : trees) {
        if (IsWithin(key, tree)) return true;
    }
    return false;
}

void CheckEntries(const Run& run, const Snapshot& after) {
    for (const auto& entry : run.before.entries) {
        const std::string& key = entry.first;
        const EntryState& was = entry.second;
        auto now = after.entries.find(key);
        bool inTree = InAnyTree(key, run.allowed.trees);
        if (now == after.entries.end()) {
            if (!inTree && run.allowed.files.count(key) == 0) Violation(run, "removed what was not named: " + was.path);
        } else if (now->second.attributes != was.attributes && !inTree && run.allowed.savers.count(key) == 0) {
            Violation(run, "changed the attributes of what was not named: " + was.path);
        }
    }
    for (const auto& entry : after.entries) {
        if (run.before.entries.count(entry.first) == 0) Violation(run, "made a new entry: " + entry.second.path);
    }
}

void CheckKeys(const Run& run, const Snapshot& after) {
    bool keyRemoved = false;
    for (const std::string& key : run.before.keys) {
        if (after.keys.count(key) != 0) continue;
        if (!InAnyTree(key, run.allowed.keys)) Violation(run, "removed a key that was not named: " + key);
        keyRemoved = true;
    }
    for (const std::string& key : after.keys) {
        if (run.before.keys.count(key) == 0) Violation(run, "made a new key: " + key);
    }
    const std::vector<fake::Box>& boxes = fake::Boxes();
    if (boxes.size() > 1) Violation(run, "showed more than one message box");
    if (!boxes.empty() && !(run.allowed.boxMayShow && run.boxSeen)) {
        Violation(run, "showed a box without a named entry that holds a trusted path, or nobody sees: " +
                           boxes[0].text);
    }
    if (keyRemoved && run.boxSeen && (boxes.empty() || !(boxes[0].type & platform::kMbIconInformation))) {
        Violation(run, "removed an entry without saying so");
    }
}

void CheckReleased(const Run& run) {
    if (fake::BlocksHeld() != 0) Violation(run, std::to_string(fake::BlocksHeld()) + " strings not released");
    if (fake::HandlesLeftOpen() != 0) Violation(run, std::to_string(fake::HandlesLeftOpen()) + " handles left open");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    fake::Reset();
    FuzzedDataProvider data(bytes, size);
    bool raw = data.ConsumeIntegralInRange(0, 9) == 9;
    bool lookAlikeLine = data.ConsumeIntegralInRange(0, 7) == 7;
    std::string verb = ConsumeVerb(data);
    World world;
    world.folders = {"C:", "D:"};
    SetLeadBytes(data, world);
    SetWindows(data, world);
    MakeEntries(data, world);
    HoldSomeOpen(data, world);
    DenySomeListings(data, world);
    if (data.ConsumeBool()) fake::SetCurrentFolder(PickFrom(data, world.folders));  // for "C:" and "C:x.scr"
    MakeKeys(data, world);
    std::string line = raw ? data.ConsumeRemainingBytesAsString() : ConsumeCommandLine(data, world, verb);
    fake::SetCommandLine(line);

    Run run;
    run.line = line.c_str();
    run.before = TakeSnapshot();
    // A line that is the best-fit copy of the one Windows keeps names nothing.
    std::u16string wide = lookAlikeLine ? WithLookAlike(data, run.line) : u"";
    if (!wide.empty()) fake::SetWideCommandLine(wide);
    run.allowed = wide.empty() ? WhatTheLineNames(run.line, world) : Allowed();
    run.boxSeen = world.boxSeen;
    if (RunProcess() != platform::kExitCode) Violation(run, "ended with another exit code");
    CheckReleased(run);
    // Files deleted while held open go once the last holder lets go.
    for (int hold : world.holds) fake::Release(hold);
    Snapshot after = TakeSnapshot();
    CheckEntries(run, after);
    CheckKeys(run, after);
    return 0;
}
