// The file system of the test double: paths as the calls read them, entries,
// searches, files held open, links, and WOW64's redirection of System32.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "fake_state.h"

using namespace fake_state;

namespace {

// The bits SetFileAttributesA can change; the others belong to the entry.
const std::uint32_t kSettable = fake::kReadOnly | fake::kHidden | fake::kSystem | fake::kArchive |
                                0x100 /*temporary*/ | 0x1000 /*offline*/ | 0x2000 /*not indexed*/;
const platform::RedirectionState kRedirectionSaved = 0x5A5A;

bool HasWildcard(const std::string& part) { return part.find_first_of("*?") != std::string::npos; }

struct Path {
    bool valid;
    std::string drive;               // "C:"
    std::vector<std::string> parts;  // components after the drive
    bool trailingSeparator;
};

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

bool IsDotKey(const std::string& key) { return key == "." || key == ".."; }

std::uint32_t ShownAttributes(const std::string& key) {
    if (IsDotKey(key)) return kDirectory;
    const Entry& entry = The().entries.at(key);
    return entry.shownAttributes ? entry.shownAttributes : entry.attributes;
}

// The name as Windows keeps it.
std::u16string WideNameOf(const std::string& key) {
    if (IsDotKey(key) || The().entries.at(key).wideName.empty()) return fake::WideOf(NameOf(key));
    return The().entries.at(key).wideName;
}

void Fill(const std::string& key, platform::FindData* found) {
    found->attributes = ShownAttributes(key);
    std::snprintf(found->name, sizeof found->name, "%s", BestFitOf(WideNameOf(key)).c_str());
}

void FillWide(const std::string& key, platform::WideFindData* found) {
    found->attributes = ShownAttributes(key);
    CopiedWide(WideNameOf(key).substr(0, platform::kMaxPath - 1), found->name, platform::kMaxPath);
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
    The().entries[Upper(path)] = Entry{path, u"", 0, attributes, linkTarget, false, false};
}

}  // namespace

namespace fake {

void SetCurrentFolder(const std::string& folder) { The().currentFolders[Upper(folder)[0]] = folder; }

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

void KeepNameAs(const std::string& path, const std::u16string& name) {
    Entry* entry = Find(Upper(path));
    if (entry == nullptr) Misuse("no such entry");
    std::string exact;
    if (std::all_of(name.begin(), name.end(), [&exact](char16_t unit) { return Encoded(unit, &exact); })) {
        Misuse("a name the code page holds exactly is the entry's own");
    }
    entry->wideName = name;
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
    The().holds[number] = Hold{key, access, share, 0};
    return number;
}

void Release(int hold) { EndHold(hold); }

void ReleaseAfter(int hold, std::uint32_t milliseconds) { The().holds.at(hold).releasedAt = milliseconds; }

}  // namespace fake

namespace platform {

int DeleteFileA(const char* path) {
    Log(std::string("DeleteFileA(") + Checked(path) + ")");
    Path parsed = Parse(path, true);
    std::string key = parsed.valid && !parsed.trailingSeparator ? ResolveWhole(path, false) : "";
    Entry* entry = key.empty() ? nullptr : Find(key);
    The().lastError = entry == nullptr ? kErrorFileNotFound : kErrorAccessDenied;
    if (entry == nullptr || (entry->attributes & (kDirectory | fake::kReadOnly)) || entry->deletePending) return 0;
    if (AnyHold(key, RefusesDelete)) {
        The().lastError = kErrorSharingViolation;
        return 0;
    }
    // With every holder sharing delete, the name stays until the last closes.
    if (AnyHold(key, IsHeld)) {
        entry->deletePending = true;
    } else {
        The().entries.erase(key);
    }
    return 1;
}

namespace {

// The entries a search for path yields, from its first on; none when it
// fails.
Search StartSearch(const char* path) {
    Search search{{}, 0};
    Path parsed = Parse(path, true);
    if (!parsed.valid || parsed.parts.empty() || parsed.trailingSeparator) return search;
    std::string parent = Resolve(parsed, parsed.parts.size() - 1, true);
    if (parent.empty() || !IsFolderKey(parent)) return search;
    Entry* parentEntry = Find(parent);
    if (parentEntry && parentEntry->listingDenied) return search;
    const std::string& pattern = parsed.parts.back();
    if (HasWildcard(pattern)) {
        if (!IsRoot(parent)) search.keys = {".", ".."};
        for (const std::string& child : ChildrenOf(parent)) {
            if (NameMatches(pattern, NameOf(child))) search.keys.push_back(child);
        }
    } else if (Find(parent + "\\" + Upper(pattern))) {
        search.keys.push_back(parent + "\\" + Upper(pattern));
    }
    return search;
}

// The key of the next entry the search yields; empty when there is none. An
// entry deleted since the search began is no longer yielded.
std::string NextKey(Handle handle) {
    auto search = The().searches.find(handle);
    if (search == The().searches.end()) Misuse("a search that is not open");
    std::vector<std::string>& keys = search->second.keys;
    std::size_t& next = search->second.next;
    while (next < keys.size() && !IsDotKey(keys[next]) && !Find(keys[next])) ++next;
    return next == keys.size() ? "" : keys[next++];
}

Handle OpenSearch(const Search& search) {
    if (search.keys.empty()) return kInvalidHandle;
    Handle handle = NewHandle();
    The().searches[handle] = search;
    return handle;
}

}  // namespace

Handle FindFirstFileA(const char* path, FindData* found) {
    Log(std::string("FindFirstFileA(") + Checked(path) + ")");
    Handle handle = OpenSearch(StartSearch(path));
    if (handle != kInvalidHandle) Fill(NextKey(handle), found);
    return handle;
}

// The program searches only folders it reached by exact names: the pattern
// always has an ANSI form.
Handle FindFirstFileW(const WideChar* path, WideFindData* found) {
    std::string ansi;
    for (const WideChar* at = path; *at != 0; ++at) {
        if (!Encoded(*at, &ansi)) Misuse("a search for a name the code page lacks");
    }
    Log("FindFirstFileW(" + ansi + ")");
    Handle handle = OpenSearch(StartSearch(ansi.c_str()));
    if (handle != kInvalidHandle) FillWide(NextKey(handle), found);
    return handle;
}

int FindNextFileW(Handle handle, WideFindData* found) {
    Log("FindNextFileW");
    std::string key = NextKey(handle);
    if (key.empty()) return 0;
    FillWide(key, found);
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
        The().lastError = entry == nullptr ? kErrorFileNotFound : kErrorAccessDenied;
        return kInvalidHandle;
    }
    for (const auto& hold : The().holds) {
        if (hold.second.key == key && !SharingAllows(hold.second, access, share)) {
            The().lastError = kErrorSharingViolation;
            return kInvalidHandle;
        }
    }
    int number = The().nextHold++;
    The().holds[number] = Hold{key, access, share, 0};
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
    return CopiedLength(full, buffer, size);
}

// This model has no short names: an existing path is its own long form.
std::uint32_t GetLongPathNameA(const char* path, char* buffer, std::uint32_t size) {
    return ResolveWhole(path, false).empty() ? 0 : CopiedLength(path, buffer, size);
}

std::uint32_t GetSystemDirectoryA(char* buffer, std::uint32_t size) {
    return CopiedLength(fake::kSystemFolder, buffer, size);
}

std::uint32_t GetWindowsDirectoryA(char* buffer, std::uint32_t size) {
    return CopiedLength(fake::kWindowsFolder, buffer, size);
}

std::uint32_t GetSystemWow64DirectoryA(char* buffer, std::uint32_t size) {
    return The().wow64 ? CopiedLength(fake::kRedirectedSystemFolder, buffer, size) : 0;
}

}  // namespace platform
