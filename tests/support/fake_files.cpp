// The file system of the test double: paths as the calls read them, entries,
// searches, files held open, links, and WOW64's redirection of System32.
#include <algorithm>
#include <string_view>

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
// Characters no name holds; ':' only after a drive letter.
const char16_t kReserved[] = u"<>|\":";
const char16_t kWildcards[] = u"*?";
// The log shows a longer path by its start alone: a walk 16,000 folders
// deep would otherwise log a gigabyte.
const std::size_t kLoggedUnits = 512;

bool IsSeparator(char16_t unit) { return unit == u'\\' || unit == u'/'; }

bool IsDrive(std::u16string_view part) {
    return part.size() == 2 && part[1] == u':' && ((part[0] | 0x20) >= u'a' && (part[0] | 0x20) <= u'z');
}

// What a path starts with, which decides how Windows reads the rest.
enum Prefix { kPlain, kLiteral /* "\\?\" or "\??\" */, kDevice /* "\\.\" */ };

// A path as read: its names joined by '\', from the drive ("C:") on in a
// drive path, and where each ends.
struct Path {
    Prefix prefix;
    std::u16string text;
    std::u16string upper;  // the same with a-z as A-Z, as names compare
    std::vector<std::size_t> ends;
    bool trailingSeparator;
    bool reserved;  // a name after the first holds a character no name holds
};

std::size_t StartOf(const Path& path, std::size_t part) { return part == 0 ? 0 : path.ends[part - 1] + 1; }

std::u16string_view Part(const Path& path, std::size_t part) {
    std::size_t start = StartOf(path, part);
    return std::u16string_view(path.text).substr(start, path.ends[part] - start);
}

bool IsReserved(char16_t unit) {
    return unit == u'<' || unit == u'>' || unit == u'|' || unit == u'"' || unit == u':';
}

bool IsDot(const char16_t* part, std::size_t count) { return count == 1 && part[0] == u'.'; }

bool IsDotDot(const char16_t* part, std::size_t count) { return count == 2 && part[0] == u'.' && part[1] == u'.'; }

// A path without a prefix as a full drive path: a drive-relative one ("C:",
// "C:x") starts in the drive's current folder, any other relative one in
// C:'s. Empty for what the model lacks: UNC paths, and paths rooted without
// a drive.
std::u16string Absolute(const std::u16string& text) {
    bool drive = text.size() >= 2 && IsDrive(std::u16string_view(text).substr(0, 2));
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
//
// A walk 16,000 folders deep reads one path of as many names after another:
// path keeps its room from one reading to the next, and the names are
// copied into it by pointer, since making that room anew, or growing it name
// by name, would cost more than all their units.
void Read(std::u16string_view given, Path& path) {
    path.prefix = kPlain;
    if (given.substr(0, 4) == u"\\\\?\\" || given.substr(0, 4) == u"\\??\\") path.prefix = kLiteral;
    if (given.substr(0, 4) == u"\\\\.\\") path.prefix = kDevice;
    std::u16string absolute = path.prefix == kPlain ? Absolute(std::u16string(given)) : u"";
    std::u16string_view whole = path.prefix == kPlain ? std::u16string_view(absolute) : given.substr(4);
    path.trailingSeparator = !whole.empty() && IsSeparator(whole.back());
    path.reserved = false;
    path.text.resize(whole.size());
    path.upper.resize(whole.size());
    path.ends.resize(whole.size() / 2 + 1);
    const char16_t* in = whole.data();
    char16_t* out = &path.text[0];
    char16_t* upper = &path.upper[0];
    std::size_t* ends = path.ends.data();
    std::size_t length = 0;
    std::size_t parts = 0;
    std::size_t floor = path.prefix == kDevice ? 0 : 1;
    for (std::size_t start = 0, at = 0; at <= whole.size(); ++at) {
        if (at < whole.size() && !IsSeparator(in[at])) continue;
        const char16_t* part = in + start;
        std::size_t count = at - start;
        start = at + 1;
        if (IsDotDot(part, count)) {
            if (parts > floor) --parts;
            length = parts == 0 ? 0 : ends[parts - 1];
        } else if (!IsDot(part, count)) {
            // A name of dots and blanks alone goes whole.
            while (path.prefix != kLiteral && count > 0 && (part[count - 1] == u'.' || part[count - 1] == u' ')) {
                --count;
            }
            if (count == 0) continue;
            if (parts > 0) upper[length] = out[length] = u'\\', ++length;
            for (std::size_t i = 0; i < count; ++i) {
                char16_t unit = part[i];
                path.reserved = path.reserved || (parts > 0 && IsReserved(unit));
                upper[length] = unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 0x20) : unit;
                out[length++] = unit;
            }
            ends[parts++] = length;
        }
    }
    path.text.resize(length);
    path.upper.resize(length);
    path.ends.resize(parts);
}

// The one path being read, whose room is kept.
Path& Reading() {
    static Path path;
    return path;
}

// The path as GetFullPathNameW gives it; a root keeps its separator.
std::u16string Joined(const Path& path) {
    std::u16string text = (path.prefix == kDevice ? u"\\\\.\\" : u"") + path.text;
    bool root = path.prefix == kPlain && path.ends.size() == 1;
    return root || (path.trailingSeparator && !path.ends.empty()) ? text + u"\\" : text;
}

// Under WOW64, with redirection on, the system folder (C:\Windows\System32)
// is the 32-bit one.
void Redirect(Path& path) {
    if (!The().wow64 || The().redirectionOff || path.ends.size() < 3) return;
    if (path.upper.compare(0, path.ends[2], Upper(fake::WideOf(fake::kSystemFolder))) != 0) return;
    std::u16string redirected = fake::WideOf(fake::kRedirectedSystemFolder);
    std::u16string name = redirected.substr(LastComponent(redirected));
    std::size_t start = StartOf(path, 2);
    std::size_t end = path.ends[2];
    path.text.replace(start, end - start, name);
    path.upper.replace(start, end - start, Upper(name));
    for (std::size_t i = 2; i < path.ends.size(); ++i) path.ends[i] = path.ends[i] - end + start + name.size();
}

// Reads a path given to a file call, and says whether the call takes it: a
// drive path of at most kMaxPath - 1 units, or kMaxLongPath - 1 after a
// prefix, with no name Windows refuses. Redirected unless told otherwise.
bool ReadForCall(const char16_t* given, bool redirect, Path* path) {
    std::u16string_view text(Checked(given));
    Read(text, *path);
    std::size_t limit = path->prefix == kPlain ? platform::kMaxPath - 1 : platform::kMaxLongPath - 1;
    if (text.size() > limit || path->ends.empty() || !IsDrive(Part(*path, 0))) return false;
    if (path->reserved) return false;
    if (redirect) Redirect(*path);
    return true;
}

bool IsRoot(const Entry* entry) { return entry->folder == nullptr; }

bool IsFolder(const Entry* entry) { return entry != nullptr && (entry->attributes & kDirectory); }

Entry* NewEntry(const std::u16string& name, Entry* folder, std::uint32_t attributes, std::uint32_t index) {
    The().made.push_back(std::unique_ptr<Entry>(
        new Entry{name, folder, {}, 0, attributes, nullptr, false, false, false, false, index}));
    return The().made.back().get();
}

// Drives' roots always exist.
Entry* Root(char16_t letter) {
    char16_t drive = Upper(std::u16string(1, letter))[0];
    Entry*& root = The().roots[drive];
    if (root == nullptr) root = NewEntry(std::u16string(1, drive) + u":", nullptr, kDirectory, kRootIndex);
    return root;
}

Entry* ChildOf(const Entry* folder, std::u16string_view upperName) {
    auto found = folder->children.find(upperName);
    return found == folder->children.end() ? nullptr : found->second;
}

// What a link leads to, if that is still there.
Entry* Followed(Entry* link) { return link->linkTarget->removed ? nullptr : link->linkTarget; }

// The entry the first `count` parts name, following links on the way; the
// last one only when followLast is set. Null when there is none. The
// folders the last path passed through are passed through again where this
// one shares them.
Entry* Resolve(const Path& path, std::size_t count, bool followLast) {
    Passed& passed = The().passed;
    std::u16string_view upper = std::u16string_view(path.upper).substr(0, path.ends[count - 1]);
    std::size_t same = static_cast<std::size_t>(
        std::mismatch(upper.begin(), upper.end(), passed.upper.begin(), passed.upper.end()).first - upper.begin());
    std::size_t shared = 0;
    while (shared + 1 < count && shared < passed.folders.size() && path.ends[shared] == passed.ends[shared] &&
           path.ends[shared] <= same) {
        ++shared;
    }
    passed.folders.resize(shared);
    if (shared == 0) passed.folders.push_back(Root(upper[0]));
    Entry* entry = passed.folders.back();
    for (std::size_t i = passed.folders.size(); i < count && entry != nullptr; ++i) {
        std::size_t start = StartOf(path, i);
        std::u16string_view name = upper.substr(start, path.ends[i] - start);
        bool wildcard = name.find_first_of(kWildcards) != std::u16string_view::npos;
        entry = IsFolder(entry) && !wildcard ? ChildOf(entry, name) : nullptr;
        if (entry != nullptr && entry->linkTarget != nullptr && (i + 1 < count || followLast)) entry = Followed(entry);
        if (entry != nullptr && i + 1 < count) passed.folders.push_back(entry);
    }
    passed.upper.assign(upper);
    passed.ends.assign(path.ends.begin(), path.ends.begin() + static_cast<std::ptrdiff_t>(passed.folders.size()));
    return entry;
}

// What a call given text acts on, a drive's root included.
Entry* ResolveWhole(const char16_t* text, bool followLast, bool redirected = true) {
    Path& path = Reading();
    if (!ReadForCall(text, redirected, &path)) return nullptr;
    Entry* entry = Resolve(path, path.ends.size(), followLast);
    return path.trailingSeparator && !IsFolder(entry) ? nullptr : entry;
}

// The entry at path as a test spells it: every name after the drive, none
// of them followed if it is a link. Null when there is none.
Entry* Lookup(const std::u16string& path) {
    std::u16string upper = Upper(path);
    if (upper.size() < 2 || !IsDrive(std::u16string_view(upper).substr(0, 2))) return nullptr;
    if (upper.size() > 2 && upper[2] != u'\\') return nullptr;
    Entry* entry = Root(upper[0]);
    for (std::size_t start = 3; entry != nullptr && start <= upper.size(); ) {
        std::size_t end = std::min(upper.find(u'\\', start), upper.size());
        entry = ChildOf(entry, std::u16string_view(upper).substr(start, end - start));
        start = end + 1;
    }
    return entry;
}

// An entry a test names, which must be there.
Entry& Named(const std::u16string& path) {
    Entry* entry = Lookup(path);
    if (entry == nullptr || IsRoot(entry)) Misuse("no such entry");
    return *entry;
}

// The entry's path as created.
std::u16string PathOf(const Entry* entry) {
    std::vector<const std::u16string*> names;
    for (; entry != nullptr; entry = entry->folder) names.push_back(&entry->name);
    std::u16string path;
    for (auto name = names.rbegin(); name != names.rend(); ++name) path += (path.empty() ? u"" : u"\\") + **name;
    return path;
}

std::u16string UpperName(const Entry* entry) { return Upper(entry->name); }

void Remove(Entry* entry) {
    entry->folder->children.erase(UpperName(entry));
    entry->removed = true;
    Passed& passed = The().passed;
    // A folder that goes holds nothing, so it can only be the last passed
    // through; a link that goes changes where paths through it lead.
    if (entry->linkTarget != nullptr) {
        passed = Passed();
    } else if (!passed.folders.empty() && passed.folders.back() == entry) {
        passed.folders.pop_back();
    }
    if (The().lastAdded == entry) The().lastAdded = nullptr;
}

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

bool AnyHold(const Entry* entry, bool (*matches)(const Hold&)) {
    for (const auto& hold : The().holds) {
        if (hold.second.entry == entry && matches(hold.second)) return true;
    }
    return false;
}

bool IsHeld(const Hold&) { return true; }

bool RefusesDelete(const Hold& hold) { return !(hold.share & fake::kShareDelete); }

void EndHold(int number) {
    Entry* entry = The().holds.at(number).entry;
    The().holds.erase(number);
    if (entry->deletePending && !entry->removed && !AnyHold(entry, IsHeld)) Remove(entry);
}

// What a search reports: a name as kept, and its attributes.
void Fill(const std::u16string& name, std::uint32_t attributes, platform::FindData* found) {
    found->attributes = attributes;
    CopiedWide(name.substr(0, platform::kMaxPath - 1), found->name, platform::kMaxPath);
}

void Fill(const Entry* entry, platform::FindData* found) {
    Fill(entry->name, entry->shownAttributes ? entry->shownAttributes : entry->attributes, found);
}

char16_t DriveOf(const Entry* entry) {
    while (!IsRoot(entry)) entry = entry->folder;
    return entry->name[0];
}

platform::FileIdentity IdentityOf(const Entry* entry) {
    return platform::FileIdentity{kVolumeSerial + static_cast<std::uint32_t>(DriveOf(entry)), 0, entry->index};
}

// Made as other programs can: any names, none empty, in a folder, after a
// drive's root. A new entry, even at a path that had one, has a file index
// of its own and keeps what that one held.
void AddEntry(const std::u16string& path, std::uint32_t attributes, Entry* linkTarget) {
    std::size_t separator = path.rfind(u'\\');
    std::u16string name = separator == std::u16string::npos ? u"" : path.substr(separator + 1);
    if (separator < 2 || !IsDrive(std::u16string_view(path).substr(0, 2)) || name.empty() ||
        name.find_first_of(kReserved) != std::u16string::npos) {
        Misuse("bad path in a test");
    }
    Entry* folder = The().lastAdded;
    if (folder == nullptr || path.compare(0, separator, The().lastAddedPath) != 0) {
        std::u16string folderPath = path.substr(0, separator);
        folder = Lookup(folderPath);
        if (folder == nullptr) {
            fake::AddFolder(folderPath);
            folder = The().lastAdded;
        }
    }
    if (!IsFolder(folder)) Misuse("an entry in what is no folder");
    Entry*& slot = folder->children[Upper(name)];
    std::map<std::u16string, Entry*, std::less<>> held;
    if (slot != nullptr) {
        held.swap(slot->children);
        slot->removed = true;
    }
    slot = NewEntry(name, folder, attributes, The().nextIndex++);
    slot->children.swap(held);
    for (auto& child : slot->children) child.second->folder = slot;
    slot->linkTarget = linkTarget;
    The().passed = Passed();
    The().lastAdded = slot;
    The().lastAddedPath.assign(path);
}

}  // namespace

namespace fake_state {

std::string ShownPath(const char16_t* path) {
    std::size_t length = 0;
    while (length <= kLoggedUnits && Checked(path)[length] != 0) ++length;
    if (length <= kLoggedUnits) return fake::Shown(path);
    return fake::Shown(std::u16string(path, kLoggedUnits)) + "...";
}

}  // namespace fake_state

namespace fake {

void SetCurrentFolder(const std::string& folder) { The().currentFolders[Upper(WideOf(folder))[0]] = WideOf(folder); }

void AddFolder(const std::string& path, std::uint32_t attributes) { AddFolder(WideOf(path), attributes); }

void AddFolder(const std::u16string& path, std::uint32_t attributes) { AddEntry(path, attributes | kDirectory, nullptr); }

void AddFile(const std::string& path, std::uint32_t attributes) { AddFile(WideOf(path), attributes); }

void AddFile(const std::u16string& path, std::uint32_t attributes) { AddEntry(path, attributes & ~kDirectory, nullptr); }

void AddLink(const std::string& path, const std::string& target) { AddLink(WideOf(path), target); }

void AddLink(const std::u16string& path, const std::string& target) {
    Entry& entry = Named(WideOf(target));
    AddEntry(path, (entry.attributes & kDirectory) | kReparsePoint, &entry);
}

void ShowAttributesAs(const std::string& path, std::uint32_t attributes) {
    Named(WideOf(path)).shownAttributes = attributes;
}

void DenyListing(const std::string& path) { Named(WideOf(path)).listingDenied = true; }

void DenyOpening(const std::string& path) { Named(WideOf(path)).openingDenied = true; }

void SetFileIndex(const std::string& path, std::uint32_t index) { Named(WideOf(path)).index = index; }

bool Exists(const std::string& path) { return Exists(WideOf(path)); }

bool Exists(const std::u16string& path) {
    Entry* entry = Lookup(path);
    return entry != nullptr && !IsRoot(entry);
}

std::uint32_t AttributesOf(const std::string& path) { return AttributesOf(WideOf(path)); }

std::uint32_t AttributesOf(const std::u16string& path) { return Named(path).attributes; }

std::vector<std::u16string> WideEntries() {
    std::vector<std::u16string> paths;
    for (const auto& entry : The().made) {
        if (!entry->removed && !IsRoot(entry.get())) paths.push_back(PathOf(entry.get()));
    }
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
    Entry* entry = ResolveWhole(path.c_str(), followLast, redirected);
    return entry != nullptr && !IsRoot(entry) ? Shown(PathOf(entry)) : "";
}

int HoldOpen(const std::string& path, std::uint32_t access, std::uint32_t share) {
    The().holds[The().nextHold] = Hold{&Named(WideOf(path)), access, share, 0, {}};
    return The().nextHold++;
}

void Release(int hold) { EndHold(hold); }

void ReleaseAfter(int hold, std::uint32_t milliseconds) { The().holds.at(hold).releasedAt = milliseconds; }

}  // namespace fake

namespace platform {

int DeleteFileW(const WideChar* path) {
    Log("DeleteFileW(" + ShownPath(path) + ")");
    Entry* entry = ResolveWhole(path, false);
    The().lastError = entry == nullptr ? kErrorFileNotFound : kErrorAccessDenied;
    if (entry == nullptr || (entry->attributes & (kDirectory | fake::kReadOnly)) || entry->deletePending) return 0;
    if (AnyHold(entry, RefusesDelete)) return The().lastError = kErrorSharingViolation, 0;
    // With every holder sharing delete, the name stays until the last closes.
    if (AnyHold(entry, IsHeld)) {
        entry->deletePending = true;
    } else {
        Remove(entry);
    }
    return 1;
}

namespace {

// What a search for path yields, from its first on; nothing on failure.
Search StartSearch(const WideChar* path) {
    Search search{0, {}, 0};
    Path& read = Reading();
    if (!ReadForCall(path, true, &read) || read.ends.size() < 2 || read.trailingSeparator) return search;
    Entry* folder = Resolve(read, read.ends.size() - 1, true);
    if (!IsFolder(folder) || folder->listingDenied) return search;
    // In upper case, as names are kept; "*.*" matches every name, dotted or not.
    std::u16string pattern = Upper(std::u16string(Part(read, read.ends.size() - 1)));
    if (pattern.find_first_of(kWildcards) != std::u16string::npos) {
        if (!IsRoot(folder)) search.dots = 2;
        for (const auto& child : folder->children) {
            if (pattern == u"*.*" || GlobMatches(pattern.c_str(), child.first.c_str())) {
                search.entries.push_back(child.second);
            }
        }
    } else if (Entry* named = ChildOf(folder, pattern)) {
        search.entries.push_back(named);
    }
    return search;
}

// Fills found with what the search yields next; 0 when there is nothing
// more. An entry removed since the search began is no longer yielded.
int Next(Handle handle, FindData* found) {
    auto open = The().searches.find(handle);
    if (open == The().searches.end()) Misuse("a search that is not open");
    Search& search = open->second;
    if (search.dots > 0) {
        Fill(search.dots-- == 2 ? u"." : u"..", kDirectory, found);
        return 1;
    }
    while (search.next < search.entries.size() && search.entries[search.next]->removed) ++search.next;
    if (search.next == search.entries.size()) return 0;
    Fill(search.entries[search.next++], found);
    return 1;
}

}  // namespace

Handle FindFirstFileW(const WideChar* path, FindData* found) {
    Log("FindFirstFileW(" + ShownPath(path) + ")");
    Search search = StartSearch(path);
    if (search.dots == 0 && search.entries.empty()) return kInvalidHandle;
    Handle handle = NewHandle();
    The().searches[handle] = search;
    Next(handle, found);
    return handle;
}

int FindNextFileW(Handle handle, FindData* found) {
    Log("FindNextFileW");
    return Next(handle, found);
}

int FindClose(Handle handle) {
    Log("FindClose");
    if (The().searches.erase(handle) == 0) Misuse("FindClose on an unknown search");
    return 1;
}

int SetFileAttributesW(const WideChar* path, std::uint32_t attributes) {
    Log("SetFileAttributesW(" + ShownPath(path) + ", " + Hex(attributes) + ")");
    // Through a link this acts on the target, the harshest reading.
    Entry* entry = ResolveWhole(path, true);
    if (entry == nullptr || IsRoot(entry)) return 0;
    std::uint32_t kept = entry->attributes & (kDirectory | kReparsePoint);
    std::uint32_t result = kept | (attributes & kSettable);
    entry->attributes = result == 0 ? platform::kFileAttributeNormal : result;
    return 1;
}

std::uint32_t GetFileAttributesW(const WideChar* path) {
    Log("GetFileAttributesW(" + ShownPath(path) + ")");
    // A link at the end reports its own attributes.
    Entry* entry = ResolveWhole(path, false);
    return entry != nullptr && !IsRoot(entry) ? entry->attributes : kInvalidFileAttributes;
}

int RemoveDirectoryW(const WideChar* path) {
    Log("RemoveDirectoryW(" + ShownPath(path) + ")");
    Entry* entry = ResolveWhole(path, false);
    if (!IsFolder(entry) || IsRoot(entry)) return 0;
    if ((entry->attributes & fake::kReadOnly) || AnyHold(entry, RefusesDelete)) return 0;
    // A link goes by itself, whatever its target holds.
    if (entry->linkTarget == nullptr && !entry->children.empty()) return 0;
    Remove(entry);
    return 1;
}

Handle CreateFileW(const WideChar* path, std::uint32_t access, std::uint32_t share,
                   std::uint32_t disposition, std::uint32_t flags) {
    Log("CreateFileW(" + ShownPath(path) + ", " + Hex(access) + ", " + Hex(share) + ", " +
        std::to_string(disposition) + ", " + Hex(flags) + ")");
    if (disposition != kOpenExisting) Misuse("only existing files are opened");
    Entry* entry = ResolveWhole(path, true);
    if (entry == nullptr) return The().lastError = Reading().reserved ? kErrorInvalidName : kErrorFileNotFound, kInvalidHandle;
    bool folderRefused = IsFolder(entry) && !(flags & kFileFlagBackupSemantics);
    if (folderRefused || entry->deletePending || entry->openingDenied) {
        return The().lastError = kErrorAccessDenied, kInvalidHandle;
    }
    for (const auto& hold : The().holds) {
        if (hold.second.entry == entry && !SharingAllows(hold.second, access, share)) {
            return The().lastError = kErrorSharingViolation, kInvalidHandle;
        }
    }
    int number = The().nextHold++;
    The().holds[number] = Hold{entry, access, share, 0, IdentityOf(entry)};
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

std::uint32_t GetFinalPathNameByHandleW(Handle handle, WideChar* path, std::uint32_t size) {
    Log("GetFinalPathNameByHandleW");
    auto file = The().files.find(handle);
    if (file == The().files.end()) Misuse("GetFinalPathNameByHandleW on an unknown handle");
    const Entry* entry = The().holds.at(file->second).entry;
    if (entry->removed) return 0;
    return CopiedLength(u"\\\\?\\" + PathOf(entry) + (IsRoot(entry) ? u"\\" : u""), path, size);
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

// Not a file call: the path is only read, never redirected. What it makes
// of a "\\?\" or "\??\" path is not documented, so it must not be asked. A
// UNC path is given back with backslashes alone; the file calls reach none.
std::uint32_t GetFullPathNameW(const WideChar* path, std::uint32_t size, WideChar* buffer) {
    std::u16string given = Checked(path);
    if (given.size() >= kMaxLongPath) return 0;
    if (given.size() > 2 && IsSeparator(given[0]) && IsSeparator(given[1]) && given[2] != u'?' && given[2] != u'.') {
        std::replace(given.begin(), given.end(), u'/', u'\\');
        return CopiedLength(given, buffer, size);
    }
    Path& read = Reading();
    Read(given, read);
    if (read.prefix == kLiteral) Misuse("GetFullPathNameW asked to make a literal path full");
    if (read.prefix == kPlain && read.ends.empty()) return 0;
    return CopiedLength(Joined(read), buffer, size);
}

}  // namespace platform
