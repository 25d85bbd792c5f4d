#include "folders/folder_tree.h"

#include <cstring>

#include "folders/entry_name.h"
#include "folders/folder_search.h"
#include "folders/kept_entries.h"
#include "folders/system_folders.h"
#include "platform/platform.h"
#include "text/owned_string.h"
#include "text/path_forms.h"

namespace {

const char kSeparator[] = "\\";
const char kThisFolder[] = ".";
const char kParentFolder[] = "..";

// DeleteFileA for a file, RemoveDirectoryA for a folder.
typedef int (*Removal)(const char* path);

int IsDotEntry(const char* name) {
    return std::strcmp(name, kThisFolder) == 0 || std::strcmp(name, kParentFolder) == 0;
}

int IsFolder(std::uint32_t attributes) { return (attributes & platform::kFileAttributeDirectory) != 0; }

// A junction or symbolic link can lead anywhere: entering it, or resetting
// attributes through it, would change what lies outside the tree.
int IsLink(std::uint32_t attributes) { return (attributes & platform::kFileAttributeReparsePoint) != 0; }

// The one attribute that stops a deletion: of a file, and on NTFS of a
// folder too.
int IsReadOnly(std::uint32_t attributes) { return (attributes & platform::kFileAttributeReadOnly) != 0; }

void BuildChildPath(OwnedString& child, const char* folder, const char* name) {
    AssignString(child, folder);
    AppendString(child, kSeparator);
    AppendString(child, name);
}

// Under Wine a reset costs as much as the deletion, so only an entry the
// search reports read-only is reset before its first try, and any other only
// when it refuses to go, before the one retry. Either way an entry that
// stays ends with its attributes reset. A link is never reset: that would
// act on its target.
void RemoveEntry(const char* path, std::uint32_t attributes, Removal remove) {
    if (IsLink(attributes)) {
        remove(path);
        return;
    }
    if (!IsReadOnly(attributes) && remove(path)) return;
    platform::SetFileAttributesA(path, platform::kFileAttributeNormal);
    remove(path);
}

void DeleteKeptEntries(const char* folder, const KeptEntries& kept) {
    OwnedString child = nullptr;
    for (std::size_t at = 0; at < kept.used; at = NextKept(kept, at)) {
        BuildChildPath(child, folder, KeptName(kept, at));
        RemoveEntry(child, KeptAttributes(kept, at), platform::DeleteFileA);
    }
    FreeString(child);
}

// One search: each subfolder is removed completely as the search meets it,
// with the search still open; the other entries go once it has ended.
void RemoveContents(const char* folder) {
    platform::FindData found;
    platform::Handle search = StartFolderSearch(folder, &found);
    if (search == platform::kInvalidHandle) return;
    KeptEntries kept = {nullptr, 0, 0};
    OwnedString child = nullptr;
    do {
        if (IsDotEntry(found.name) || !NamesOnlyThisEntry(found.name)) continue;
        if (IsFolder(found.attributes)) {
            BuildChildPath(child, folder, found.name);
            RemoveFolderTree(child, found.attributes);
        } else {
            KeepEntry(kept, found.name, found.attributes);
        }
    } while (NextFolderEntry(search, &found));
    platform::FindClose(search);
    FreeString(child);
    DeleteKeptEntries(folder, kept);
    ReleaseKept(kept);
}

}  // namespace

int PathExists(const char* path, std::uint32_t* attributes) {
    platform::FindData found;
    platform::Handle search = platform::FindFirstFileA(path, &found);
    if (search == platform::kInvalidHandle) return 0;
    platform::FindClose(search);
    if (attributes) *attributes = found.attributes;
    return found.attributes != 0;
}

// A folder that still holds something refuses to go, so its emptiness needs
// no search of its own. A link goes as a link; RemoveDirectoryA leaves a
// file link.
void RemoveFolderTree(const char* folder, std::uint32_t attributes) {
    if (!IsLink(attributes)) RemoveContents(folder);
    RemoveEntry(folder, attributes, platform::RemoveDirectoryA);
}

void RemoveExistingFolder(const char* folder) {
    // "C:" finds the drive's current folder, but "C:\*.*" searches its root;
    // so do "\\?\C:" and "\\.\C:".
    if (IsBareDrive(AfterDevicePrefix(folder)) || IsOrHoldsSystemFolder(folder)) return;
    std::uint32_t attributes = 0;
    if (!PathExists(folder, &attributes)) return;
    RemoveFolderTree(folder, attributes);
}
