// The file system of the test double: paths as the calls read them, entries,
// searches, files held open, links, and WOW64's redirection of System32.
#include <algorithm>

#include "fake_state.h"

using namespace fake_state;

namespace {

// The bits SetFileAttributesW can change; the others belong to the entry.
const std::uint32_t kSettable = fake::kReadOnly | fake::kHidden | fake::kSystem | fake::kArchive |
                                0x100 /*temporary*/ | 0x1000 /*offline*/ | 0x2000 /*not indexed*/;
const platform::RedirectionState kRedirectionSaved = 0x5A5A;
// Each drive a volume of its own; NTFS gives every root the same record.
const std::uint32_t kVolumeSerial = 0x1DE50000;
const std::uint32_t kRootIndex = 5;

bool HasWildcard(const std::u16string& part) { return part.find_first_of(u"*?") != std::u16string::npos; }

// A name Windows never makes: empty, or with a character it reserves. (A
// name may be longer than the 255 units NTFS takes: tests make such.)
bool IsBadName(const std::u16string& part) {
    return part.empty() || part.find_first_of(u"<>|\":") != std::u16string::npos;
}

bool IsSeparator(char16_t unit) { return unit == u'\\' || unit == u'/'; }

bool IsDrive(const std::u16string& part) {
    return part.size() == 2 && part[1] == u':' && Upper(part)[0] >= u'A' && Upper(part)[0] <= u'Z';
}

bool StartsWith(const std::u16string& text, const char16_t* prefix) { return text.rfind(prefix, 0) == 0; }

// What a path starts with, which decides how Windows reads the rest.
enum Prefix { kPlain, kLiteral /* "\\?\" or "\??\" */, kDevice /* "\\.\" */ };

struct Path {
    Prefix prefix;
    std::vector<std::u16string> parts;  // from the drive ("C:") on, in a drive path
    bool trailingSeparator;
};

// The components of text, split at '\\', and at '/' where the calls read it.
std::vector<std::u16string> Split(const std::u16string& text, bool slashToo) {
    std::vector<std::u16string> parts(1);
    for (char16_t unit : text) {
        if (unit == u'\\' || (slashToo && unit == u'/')) {
            parts.emplace_back();
        } else {
            parts.back() += unit;
        }
    }
    return parts;
}

// part without the dots and blanks it ends with (npos + 1 is 0: all go).
std::u16string Trimmed(const std::u16string& part) { return part.substr(0, part.find_last_not_of(u". ") + 1); }

// A path without a prefix as a full drive path: a drive-relative one ("C:",
// "C:x") starts in the drive's current folder, any other relative one in
// C:'s. Empty for what the model lacks: UNC paths, and paths rooted without
// a drive.
std::u16string Absolute(const std::u16string& text) {
    bool drive = text.size() >= 2 && IsDrive(text.substr(0, 2));
    if (drive && text.size() > 2 && IsSeparator(text[2])) return text;
    if (!drive && (text.empty() || IsSeparator(text[0]))) return u"";
    std::u16string letter = drive ? text.substr(0, 1) : u"C";
    std::u16string rest = text.substr(drive ? 2 : 0);
    auto current = The().currentFolders.find(Upper(letter)[0]);
    if (current == The().currentFolders.end()) return letter + u":\\" + rest;
    return rest.empty() ? current->second : current->second + u"\\" + rest;
}

// A path as Windows reads it: '/' separates too, a run of separators is one,
// "." and ".." step in place and up, and dots and blanks at the end of a
// component go. After "\\?\" or "\??\" Windows passes the rest on unread;
// reading it anyway is the harsher model, but its trailing dots and blanks
// stay, as only such a path reaches a name like "notes.". After "\\.\" even
// the drive can be stepped out of.
Path Read(const std::u16string& given) {
    Path path{kPlain, {}, false};
    if (StartsWith(given, u"\\\\?\\") || StartsWith(given, u"\\??\\")) path.prefix = kLiteral;
    if (StartsWith(given, u"\\\\.\\")) path.prefix = kDevice;
    std::vector<std::u16string> parts = Split(path.prefix == kPlain ? Absolute(given) : given.substr(4), true);
    path.trailingSeparator = parts.size() > 1 && parts.back().empty();
    std::size_t floor = path.prefix == kDevice ? 0 : 1;
    for (const std::u16string& part : parts) {
        if (part == u"..") {
            if (path.parts.size() > floor) path.parts.pop_back();
        } else if (part != u".") {
            std::u16string kept = path.prefix == kLiteral ? part : Trimmed(part);
            if (!kept.empty()) path.parts.push_back(kept);
        }
    }
    return path;
}

// The path as GetFullPathNameW gives it; a root keeps its separator.
std::u16string Joined(const Path& path) {
    std::u16string text = path.prefix == kDevice ? u"\\\\.\\" : u"";
    for (std::size_t i = 0; i < path.parts.size(); ++i) text += (i ? u"\\" : u"") + path.parts[i];
    bool root = path.prefix == kPlain && path.parts.size() == 1;
    return root || (path.trailingSeparator && !path.parts.empty()) ? text + u"\\" : text;
}

// Under WOW64, with redirection on, the system folder (C:\Windows\System32)
// is the 32-bit one.
void Redirect(Path& path) {
    if (!The().wow64 || The().redirectionOff || path.parts.size() < 3) return;
    std::u16string folder = path.parts[0] + u"\\" + path.parts[1] + u"\\" + path.parts[2];
    if (Upper(folder) != Upper(fake::WideOf(fake::kSystemFolder))) return;
    std::u16string redirected = fake::WideOf(fake::kRedirectedSystemFolder);
    path.parts[2] = redirected.substr(LastComponent(redirected));
}

// Reads a path given to a file call, and says whether the call takes it: a
// drive path of at most kMaxPath - 1 units, or kMaxLongPath - 1 after a
// prefix, with no name Windows refuses. Redirected unless told otherwise.
bool ReadForCall(const char16_t* given, bool redirect, Path* path) {
    std::u16string text = Checked(given);
    *path = Read(text);
    std::size_t limit = path->prefix == kPlain ? platform::kMaxPath - 1 : platform::kMaxLongPath - 1;
    if (text.size() > limit || path->parts.empty() || !IsDrive(path->parts[0])) return false;
    if (std::any_of(path->parts.begin() + 1, path->parts.end(), IsBadName)) return false;
    if (redirect) Redirect(*path);
    return true;
}

bool IsRoot(const std::u16string& key) { return key.size() == 2; }

Entry* Find(const std::u16string& key) {
    auto found = The().entries.find(key);
    return found == The().entries.end() ? nullptr : &found->second;
}

// An entry a test names, which must be there.
Entry& Named(const std::u16string& path) {
    Entry* entry = Find(Upper(path));
    if (entry == nullptr) Misuse("no such entry");
    return *entry;
}

bool IsFolderKey(const std::u16string& key) {
    return IsRoot(key) || (Find(key) && (Find(key)->attributes & kDirectory));
}

// The key of the entry the first `count` parts name, following links on the
// way; the last one only when followLast is set. Empty when there is none.
std::u16string Resolve(const Path& path, std::size_t count, bool followLast) {
    std::u16string key = Upper(path.parts[0]);
    for (std::size_t i = 1; i < count; ++i) {
        if (HasWildcard(path.parts[i]) || !IsFolderKey(key)) return u"";
        key += u"\\" + Upper(path.parts[i]);
        Entry* entry = Find(key);
        if (entry == nullptr) return u"";
        if (!entry->linkTarget.empty() && (i + 1 < count || followLast)) {
            key = entry->linkTarget;
            if (Find(key) == nullptr) return u"";
        }
    }
    return key;
}

// The key of what a call given text acts on, a drive's root included.
std::u16string ResolveWhole(const char16_t* text, bool followLast, bool redirected = true) {
    Path path;
    if (!ReadForCall(text, redirected, &path)) return u"";
    std::u16string key = Resolve(path, path.parts.size(), followLast);
    return path.trailingSeparator && !IsFolderKey(key) ? u"" : key;
}

std::vector<std::u16string> ChildrenOf(const std::u16string& key) {
    std::vector<std::u16string> children;
    std::u16string prefix = key + u"\\";
    for (auto it = The().entries.lower_bound(prefix);
         it != The().entries.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
        if (LastComponent(it->first) == prefix.size()) children.push_back(it->first);
    }
    return children;
}

bool IsDotKey(const std::u16string& key) { return key == u"." || key == u".."; }

bool GlobMatches(const char16_t* pattern, const char16_t* name) {
    if (*pattern == 0) return *name == 0;
    if (*pattern == u'*') return GlobMatches(pattern + 1, name) || (*name && GlobMatches(pattern, name + 1));
    if (*name == 0) return false;
    return (*pattern == u'?' || *pattern == *name) && GlobMatches(pattern + 1, name + 1);
}

// An open that reads or writes no data, such as one for FILE_READ_ATTRIBUTES,
// is checked against no holder's sharing.
bool SharingAllows(const Hold& held, std::uint32_t access, std::uint32_t share) {
    if (!(access & (platform::kGenericRead | fake::kGenericWrite))) return true;
    if ((access & platform::kGenericRead) && !(held.share & platform::kFileShareRead)) return false;
    if ((access & fake::kGenericWrite) && !(held.share & fake::kShareWrite)) return false;
    if ((held.access & platform::kGenericRead) && !(share & platform::kFileShareRead)) return false;
    if ((held.access & fake::kGenericWrite) && !(share & fake::kShareWrite)) return false;
    return true;
}

bool AnyHold(const std::u16string& key, bool (*matches)(const Hold&)) {
    for (const auto& hold : The().holds) {
        if (hold.second.key == key && matches(hold.second)) return true;
    }
    return false;
}

bool IsHeld(const Hold&) { return true; }

bool RefusesDelete(const Hold& hold) { return !(hold.share & fake::kShareDelete); }

void EndHold(int number) {
    std::u16string key = The().holds.at(number).key;
    The().holds.erase(number);
    Entry* entry = Find(key);
    if (entry && entry->deletePending && !AnyHold(key, IsHeld)) The().entries.erase(key);
}

// What a search reports of key: its name as kept, and its attributes.
void Fill(const std::u16string& key, platform::FindData* found) {
    const Entry* entry = IsDotKey(key) ? nullptr : &The().entries.at(key);
    std::u16string name = entry ? entry->path.substr(LastComponent(entry->path)) : key;
    found->attributes = !entry ? kDirectory : entry->shownAttributes ? entry->shownAttributes : entry->attributes;
    CopiedWide(name.substr(0, platform::kMaxPath - 1), found->name, platform::kMaxPath);
}

platform::FileIdentity IdentityOf(const std::u16string& key) {
    std::uint32_t index = IsRoot(key) ? kRootIndex : The().entries.at(key).index;
    return platform::FileIdentity{kVolumeSerial + static_cast<std::uint32_t>(key[0]), 0, index};
}

// Made as other programs can: any names, none empty, after a drive's root.
// A new entry, even at a path that had one, has a file index of its own.
void AddEntry(const std::u16string& path, std::uint32_t attributes, const std::u16string& linkTarget) {
    std::vector<std::u16string> parts = Split(path, false);
    if (parts.size() < 2 || !IsDrive(parts[0]) || std::any_of(parts.begin() + 1, parts.end(), IsBadName)) {
        Misuse("bad path in a test");
    }
    std::size_t parent = path.rfind(u'\\');
    if (parent > 2 && !Find(Upper(path.substr(0, parent)))) fake::AddFolder(path.substr(0, parent));
    The().entries[Upper(path)] = Entry{path, 0, attributes, linkTarget, false, false, false, The().nextIndex++};
}

}  // namespace

namespace fake {

void SetCurrentFolder(const std::string& folder) { The().currentFolders[Upper(WideOf(folder))[0]] = WideOf(folder); }

void AddFolder(const std::string& path, std::uint32_t attributes) { AddFolder(WideOf(path), attributes); }

void AddFolder(const std::u16string& path, std::uint32_t attributes) { AddEntry(path, attributes | kDirectory, u""); }

void AddFile(const std::string& path, std::uint32_t attributes) { AddFile(WideOf(path), attributes); }

void AddFile(const std::u16string& path, std::uint32_t attributes) { AddEntry(path, attributes & ~kDirectory, u""); }

void AddLink(const std::string& path, const std::string& target) { AddLink(WideOf(path), target); }

void AddLink(const std::u16string& path, const std::string& target) {
    const Entry& entry = Named(WideOf(target));
    AddEntry(path, (entry.attributes & kDirectory) | kReparsePoint, Upper(entry.path));
}

void ShowAttributesAs(const std::string& path, std::uint32_t attributes) {
    Named(WideOf(path)).shownAttributes = attributes;
}

void DenyListing(const std::string& path) { Named(WideOf(path)).listingDenied = true; }

void DenyOpening(const std::string& path) { Named(WideOf(path)).openingDenied = true; }

bool Exists(const std::string& path) { return Exists(WideOf(path)); }

bool Exists(const std::u16string& path) { return Find(Upper(path)) != nullptr; }

std::uint32_t AttributesOf(const std::string& path) { return AttributesOf(WideOf(path)); }

std::uint32_t AttributesOf(const std::u16string& path) { return Named(path).attributes; }

std::vector<std::u16string> WideEntries() {
    std::vector<std::u16string> paths;
    for (const auto& entry : The().entries) paths.push_back(entry.second.path);
    return paths;
}

std::vector<std::string> Entries() {
    std::vector<std::string> paths;
    for (const std::u16string& path : WideEntries()) paths.push_back(Shown(path));
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::string EntryAt(const std::string& path, bool followLast, bool redirected) {
    return EntryAt(WideOf(path), followLast, redirected);
}

std::string EntryAt(const std::u16string& path, bool followLast, bool redirected) {
    Entry* entry = Find(ResolveWhole(path.c_str(), followLast, redirected));
    return entry ? Shown(entry->path) : "";
}

int HoldOpen(const std::string& path, std::uint32_t access, std::uint32_t share) {
    The().holds[The().nextHold] = Hold{Upper(Named(WideOf(path)).path), access, share, 0, {}};
    return The().nextHold++;
}

void Release(int hold) { EndHold(hold); }

void ReleaseAfter(int hold, std::uint32_t milliseconds) { The().holds.at(hold).releasedAt = milliseconds; }

}  // namespace fake

namespace platform {

int DeleteFileW(const WideChar* path) {
    Log("DeleteFileW(" + fake::Shown(Checked(path)) + ")");
    std::u16string key = ResolveWhole(path, false);
    Entry* entry = Find(key);
    The().lastError = entry == nullptr ? kErrorFileNotFound : kErrorAccessDenied;
    if (entry == nullptr || (entry->attributes & (kDirectory | fake::kReadOnly)) || entry->deletePending) return 0;
    if (AnyHold(key, RefusesDelete)) return The().lastError = kErrorSharingViolation, 0;
    // With every holder sharing delete, the name stays until the last closes.
    if (AnyHold(key, IsHeld)) {
        entry->deletePending = true;
    } else {
        The().entries.erase(key);
    }
    return 1;
}

namespace {

// The entries a search for path yields, from its first on; none on failure.
Search StartSearch(const WideChar* path) {
    Search search{{}, 0};
    Path read;
    if (!ReadForCall(path, true, &read) || read.parts.size() < 2 || read.trailingSeparator) return search;
    std::u16string parent = Resolve(read, read.parts.size() - 1, true);
    if (parent.empty() || !IsFolderKey(parent)) return search;
    if (Find(parent) && Find(parent)->listingDenied) return search;
    // In upper case, as keys are; "*.*" matches every name, dotted or not.
    std::u16string pattern = Upper(read.parts.back());
    if (HasWildcard(pattern)) {
        if (!IsRoot(parent)) search.keys = {u".", u".."};
        for (const std::u16string& child : ChildrenOf(parent)) {
            const char16_t* name = child.c_str() + LastComponent(child);
            if (pattern == u"*.*" || GlobMatches(pattern.c_str(), name)) search.keys.push_back(child);
        }
    } else if (Find(parent + u"\\" + pattern)) {
        search.keys.push_back(parent + u"\\" + pattern);
    }
    return search;
}

// The key of the next entry the search yields; empty when there is none. An
// entry deleted since the search began is no longer yielded.
std::u16string NextKey(Handle handle) {
    auto search = The().searches.find(handle);
    if (search == The().searches.end()) Misuse("a search that is not open");
    std::vector<std::u16string>& keys = search->second.keys;
    std::size_t& next = search->second.next;
    while (next < keys.size() && !IsDotKey(keys[next]) && !Find(keys[next])) ++next;
    return next == keys.size() ? u"" : keys[next++];
}

Handle OpenSearch(const Search& search) {
    if (search.keys.empty()) return kInvalidHandle;
    Handle handle = NewHandle();
    The().searches[handle] = search;
    return handle;
}

}  // namespace

Handle FindFirstFileW(const WideChar* path, FindData* found) {
    Log("FindFirstFileW(" + fake::Shown(Checked(path)) + ")");
    Handle handle = OpenSearch(StartSearch(path));
    if (handle != kInvalidHandle) Fill(NextKey(handle), found);
    return handle;
}

int FindNextFileW(Handle handle, FindData* found) {
    Log("FindNextFileW");
    std::u16string key = NextKey(handle);
    if (key.empty()) return 0;
    Fill(key, found);
    return 1;
}

int FindClose(Handle handle) {
    Log("FindClose");
    if (The().searches.erase(handle) == 0) Misuse("FindClose on an unknown search");
    return 1;
}

int SetFileAttributesW(const WideChar* path, std::uint32_t attributes) {
    Log("SetFileAttributesW(" + fake::Shown(Checked(path)) + ", " + Hex(attributes) + ")");
    // Through a link this acts on the target, the harshest reading.
    std::u16string key = ResolveWhole(path, true);
    Entry* entry = Find(key);
    if (entry == nullptr) return 0;
    std::uint32_t kept = entry->attributes & (kDirectory | kReparsePoint);
    std::uint32_t result = kept | (attributes & kSettable);
    entry->attributes = result == 0 ? platform::kFileAttributeNormal : result;
    return 1;
}

std::uint32_t GetFileAttributesW(const WideChar* path) {
    Log("GetFileAttributesW(" + fake::Shown(Checked(path)) + ")");
    // A link at the end reports its own attributes.
    Entry* entry = Find(ResolveWhole(path, false));
    return entry ? entry->attributes : kInvalidFileAttributes;
}

int RemoveDirectoryW(const WideChar* path) {
    Log("RemoveDirectoryW(" + fake::Shown(Checked(path)) + ")");
    std::u16string key = ResolveWhole(path, false);
    Entry* entry = Find(key);
    if (entry == nullptr || !(entry->attributes & kDirectory)) return 0;
    if ((entry->attributes & fake::kReadOnly) || AnyHold(key, RefusesDelete)) return 0;
    // A link goes by itself, whatever its target holds.
    if (entry->linkTarget.empty() && !ChildrenOf(key).empty()) return 0;
    The().entries.erase(key);
    return 1;
}

Handle CreateFileW(const WideChar* path, std::uint32_t access, std::uint32_t share,
                   std::uint32_t disposition, std::uint32_t flags) {
    Log("CreateFileW(" + fake::Shown(Checked(path)) + ", " + Hex(access) + ", " + Hex(share) + ", " +
        std::to_string(disposition) + ", " + Hex(flags) + ")");
    if (disposition != kOpenExisting) Misuse("only existing files are opened");
    std::u16string key = ResolveWhole(path, true);
    Entry* entry = Find(key);
    if (entry == nullptr && !IsRoot(key)) return The().lastError = kErrorFileNotFound, kInvalidHandle;
    bool folderRefused = IsFolderKey(key) && !(flags & kFileFlagBackupSemantics);
    if (folderRefused || (entry && (entry->deletePending || entry->openingDenied))) {
        return The().lastError = kErrorAccessDenied, kInvalidHandle;
    }
    for (const auto& hold : The().holds) {
        if (hold.second.key == key && !SharingAllows(hold.second, access, share)) {
            return The().lastError = kErrorSharingViolation, kInvalidHandle;
        }
    }
    int number = The().nextHold++;
    The().holds[number] = Hold{key, access, share, 0, IdentityOf(key)};
    Handle handle = NewHandle();
    The().files[handle] = number;
    return handle;
}

int GetFileInformationByHandle(Handle handle, FileIdentity* identity) {
    Log("GetFileInformationByHandle");
    auto file = The().files.find(handle);
    if (file == The().files.end()) Misuse("GetFileInformationByHandle on an unknown handle");
    *identity = The().holds.at(file->second).identity;
    return 1;
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

// Not a file call: the path is only read, never redirected. A "\\?\" path
// goes on unchanged; "\??\" and UNC paths are not modelled.
std::uint32_t GetFullPathNameW(const WideChar* path, std::uint32_t size, WideChar* buffer) {
    std::u16string given = Checked(path);
    if (given.size() >= kMaxLongPath) return 0;
    if (StartsWith(given, u"\\\\?\\")) return CopiedLength(given, buffer, size);
    Path read = Read(given);
    if (read.prefix == kLiteral || (read.prefix == kPlain && read.parts.empty())) return 0;
    return CopiedLength(Joined(read), buffer, size);
}

}  // namespace platform
