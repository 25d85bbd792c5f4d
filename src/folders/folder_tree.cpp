#include "folders/folder_tree.h"

#include "folders/entry_name.h"
#include "folders/kept_entries.h"
#include "folders/system_folders.h"
#include "platform/platform.h"
#include "text/path_forms.h"

namespace {

const WideChar kAllEntries[] = u"\\*";
const WideChar kDot = u'.';

// DeleteFileW for a file, RemoveDirectoryW for a folder.
typedef int (*Removal)(const WideChar* path);

// "." and "..": the folder itself and the one that holds it.
int IsDotEntry(const WideChar* name) {
    return name[0] == kDot && (name[1] == 0 || (name[1] == kDot && name[2] == 0));
}

int IsFolder(std::uint32_t attributes) { return (attributes & platform::kFileAttributeDirectory) != 0; }

// A junction or symbolic link can lead anywhere: entering it, or resetting
// attributes through it, would change what lies outside the tree.
int IsLink(std::uint32_t attributes) { return (attributes & platform::kFileAttributeReparsePoint) != 0; }

// The one attribute that stops a deletion: of a file, and on NTFS of a
// folder too.
int IsReadOnly(std::uint32_t attributes) { return (attributes & platform::kFileAttributeReadOnly) != 0; }

// Under Wine a reset costs as much as the deletion, so only an entry the
// search reports read-only is reset before its first try, and any other only
// when it refuses to go, before the one retry. Either way an entry that
// stays ends with its attributes reset. A link is never reset: that would
// act on its target.
void RemoveEntry(const WideChar* path, std::uint32_t attributes, Removal remove) {
    if (IsLink(attributes)) {
        remove(path);
        return;
    }
    if (!IsReadOnly(attributes) && remove(path)) return;
    platform::SetFileAttributesW(path, platform::kFileAttributeNormal);
    remove(path);
}

// Deletes the entries kept from offset from on, which one folder's search
// left, and forgets them.
void DeleteKeptEntries(LongPath& folder, KeptEntries& kept, std::size_t from) {
    std::size_t length = folder.length;
    for (std::size_t at = from; at < kept.used; at = NextKept(kept, at)) {
        if (!AppendName(folder, KeptName(kept, at))) continue;
        RemoveEntry(folder.text, KeptAttributes(kept, at), platform::DeleteFileW);
        CutPath(folder, length);
    }
    kept.used = from;
}

// A folder being removed: its search, open while its subfolders go, the
// length of its path, where its kept entries begin, and its attributes as
// the search that found it reported them.
struct Level {
    platform::Handle search;
    std::size_t length;
    std::size_t keptFrom;
    std::uint32_t attributes;
};

// Every name adds a separator and a unit at least, so no walk within
// Windows' limit holds more folders than this.
const std::size_t kMostLevels = platform::kMaxLongPath / 2;

// The walk keeps its state on the heap, one level per folder from the one
// named to the one being searched, and no stack per level: the depth of a
// tree is limited only by the length of its paths. found holds the entry the
// deepest search met last; pending says whether it is still to be taken.
struct Walk {
    LongPath& folder;
    Level* levels;
    std::size_t depth;
    KeptEntries kept;
    platform::FindData found;
    int pending;
};

Level& Deepest(Walk& walk) { return walk.levels[walk.depth - 1]; }

// Starts the search of the folder at walk.folder. A link is never entered:
// it has no search, and goes as a link.
void Enter(Walk& walk, std::uint32_t attributes) {
    std::size_t length = walk.folder.length;
    platform::Handle search = platform::kInvalidHandle;
    if (!IsLink(attributes) && AppendToPath(walk.folder, kAllEntries)) {
        search = platform::FindFirstFileW(walk.folder.text, &walk.found);
    }
    CutPath(walk.folder, length);
    walk.levels[walk.depth++] = Level{search, length, walk.kept.used, attributes};
    walk.pending = search != platform::kInvalidHandle;
}

// Takes the entry the deepest search met: a subfolder is entered at once
// (then 1), any other entry kept until the search ends.
int Take(Walk& walk) {
    const platform::FindData& found = walk.found;
    if (IsDotEntry(found.name) || !NamesOnlyThisEntry(found.name)) return 0;
    if (!IsFolder(found.attributes)) {
        KeepEntry(walk.kept, found.name, found.attributes);
        return 0;
    }
    if (!AppendName(walk.folder, found.name)) return 0;
    Enter(walk, found.attributes);
    return 1;
}

// The deepest search has ended: the folder's other entries go, then the
// folder. One that still holds something refuses to go, so its emptiness
// needs no search.
void Leave(Walk& walk) {
    Level level = walk.levels[--walk.depth];
    if (level.search != platform::kInvalidHandle) platform::FindClose(level.search);
    DeleteKeptEntries(walk.folder, walk.kept, level.keptFrom);
    RemoveEntry(walk.folder.text, level.attributes, platform::RemoveDirectoryW);
    if (walk.depth > 0) CutPath(walk.folder, Deepest(walk).length);
}

}  // namespace

int PathExists(const WideChar* path, std::uint32_t* attributes) {
    platform::FindData found;
    platform::Handle search = platform::FindFirstFileW(path, &found);
    if (search == platform::kInvalidHandle) return 0;
    platform::FindClose(search);
    if (attributes) *attributes = found.attributes;
    return found.attributes != 0;
}

// Each search goes on where it was once the folder it met is gone. A file
// link is left by RemoveDirectoryW.
void RemoveFolderTree(LongPath& folder, std::uint32_t attributes) {
    Walk walk = {folder, static_cast<Level*>(platform::AllocateBlockOrEnd(kMostLevels * sizeof(Level))), 0,
                 {nullptr, 0, 0}, {}, 0};
    Enter(walk, attributes);
    while (walk.depth > 0) {
        if (walk.pending && Take(walk)) continue;
        if (!walk.pending) Leave(walk);
        if (walk.depth > 0) walk.pending = platform::FindNextFileW(Deepest(walk).search, &walk.found);
    }
    ReleaseKept(walk.kept);
    platform::ReleaseBlock(walk.levels);
}

void RemoveExistingFolder(const WideChar* folder) {
    // "C:" finds the drive's current folder, but "C:\*" searches its root;
    // so do "\\?\C:" and "\\.\C:".
    if (IsBareDrive(AfterDevicePrefix(folder))) return;
    LongPath path = NewLongPath();
    std::uint32_t attributes = 0;
    if (FormLongPath(folder, path) && PathExists(path.text, &attributes) && !IsOrHoldsSystemFolder(path)) {
        RemoveFolderTree(path, attributes);
    }
    FreeLongPath(path);
}
