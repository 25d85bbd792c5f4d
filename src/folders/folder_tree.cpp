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

void DeleteKeptEntries(LongPath& folder, const KeptEntries& kept) {
    std::size_t length = folder.length;
    for (std::size_t at = 0; at < kept.used; at = NextKept(kept, at)) {
        if (!AppendName(folder, KeptName(kept, at))) continue;
        RemoveEntry(folder.text, KeptAttributes(kept, at), platform::DeleteFileW);
        CutPath(folder, length);
    }
}

platform::Handle StartSearch(LongPath& folder, platform::FindData* found) {
    std::size_t length = folder.length;
    platform::Handle search = platform::kInvalidHandle;
    if (AppendToPath(folder, kAllEntries)) search = platform::FindFirstFileW(folder.text, found);
    CutPath(folder, length);
    return search;
}

// One search: each subfolder is removed completely as the search meets it,
// with the search still open; the other entries go once it has ended.
void RemoveContents(LongPath& folder) {
    platform::FindData found;
    platform::Handle search = StartSearch(folder, &found);
    if (search == platform::kInvalidHandle) return;
    std::size_t length = folder.length;
    KeptEntries kept = {nullptr, 0, 0};
    do {
        if (IsDotEntry(found.name) || !NamesOnlyThisEntry(found.name)) continue;
        if (!IsFolder(found.attributes)) {
            KeepEntry(kept, found.name, found.attributes);
        } else if (AppendName(folder, found.name)) {
            RemoveFolderTree(folder, found.attributes);
            CutPath(folder, length);
        }
    } while (platform::FindNextFileW(search, &found));
    platform::FindClose(search);
    DeleteKeptEntries(folder, kept);
    ReleaseKept(kept);
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

// A folder that still holds something refuses to go, so its emptiness needs
// no search of its own. A link goes as a link; RemoveDirectoryW leaves a
// file link.
void RemoveFolderTree(LongPath& folder, std::uint32_t attributes) {
    if (!IsLink(attributes)) RemoveContents(folder);
    RemoveEntry(folder.text, attributes, platform::RemoveDirectoryW);
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
