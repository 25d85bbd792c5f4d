#include "folders/folder_tree.h"

#include <cstring>

#include "folders/entry_name.h"
#include "platform/platform.h"
#include "text/owned_string.h"
#include "text/path_forms.h"

namespace {

const char kAllEntries[] = "\\*.*";
const char kSeparator[] = "\\";
const char kThisFolder[] = ".";
const char kParentFolder[] = "..";

int IsDotEntry(const char* name) {
    return std::strcmp(name, kThisFolder) == 0 || std::strcmp(name, kParentFolder) == 0;
}

int IsFolder(std::uint32_t attributes) { return (attributes & platform::kFileAttributeDirectory) != 0; }

// A junction or symbolic link can lead anywhere: entering it, or resetting
// attributes through it, would change what lies outside the tree.
int IsLink(std::uint32_t attributes) { return (attributes & platform::kFileAttributeReparsePoint) != 0; }

// Starts a search for every entry of folder; the pattern only starts it.
platform::Handle SearchFolder(const char* folder, platform::FindData* found) {
    OwnedString pattern = nullptr;
    AssignString(pattern, folder);
    AppendString(pattern, kAllEntries);
    platform::Handle search = platform::FindFirstFileA(pattern, found);
    FreeString(pattern);
    return search;
}

void BuildChildPath(OwnedString& child, const char* folder, const char* name) {
    AssignString(child, folder);
    AppendString(child, kSeparator);
    AppendString(child, name);
}

// The parent's search stays open while each subfolder is removed.
void RemoveSubfolders(const char* folder, const platform::LeadBytes& leadBytes) {
    platform::FindData found;
    platform::Handle search = SearchFolder(folder, &found);
    if (search == platform::kInvalidHandle) return;
    OwnedString child = nullptr;
    do {
        if (!IsFolder(found.attributes) || IsDotEntry(found.name)) continue;
        if (!NamesOnlyThisEntry(found.name, leadBytes)) continue;
        BuildChildPath(child, folder, found.name);
        if (IsLink(found.attributes)) {
            platform::RemoveDirectoryA(child);
        } else {
            RemoveFolderTree(child, leadBytes);
        }
    } while (platform::FindNextFileA(search, &found));
    platform::FindClose(search);
    FreeString(child);
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

void RemoveFolderTree(const char* folder, const platform::LeadBytes& leadBytes) {
    platform::SetFileAttributesA(folder, platform::kFileAttributeNormal);
    RemoveSubfolders(folder, leadBytes);
    DeleteFilesInFolder(folder, leadBytes);
    if (FolderIsEmpty(folder)) platform::RemoveDirectoryA(folder);
}

// Subfolders are not told apart here: one that could not be removed has its
// attributes reset too, and its deletion fails.
void DeleteFilesInFolder(const char* folder, const platform::LeadBytes& leadBytes) {
    platform::FindData found;
    platform::Handle search = SearchFolder(folder, &found);
    if (search == platform::kInvalidHandle) return;
    OwnedString child = nullptr;
    do {
        if (IsDotEntry(found.name) || !NamesOnlyThisEntry(found.name, leadBytes)) continue;
        BuildChildPath(child, folder, found.name);
        if (!IsLink(found.attributes)) {
            platform::SetFileAttributesA(child, platform::kFileAttributeNormal);
        }
        platform::DeleteFileA(child);
    } while (platform::FindNextFileA(search, &found));
    platform::FindClose(search);
    FreeString(child);
}

int FolderIsEmpty(const char* folder) {
    platform::FindData found;
    platform::Handle search = SearchFolder(folder, &found);
    if (search == platform::kInvalidHandle) return 1;
    int empty = 1;
    do {
        if (!IsDotEntry(found.name)) empty = 0;
    } while (empty && platform::FindNextFileA(search, &found));
    platform::FindClose(search);
    return empty;
}

void RemoveExistingFolder(const char* folder, const platform::LeadBytes& leadBytes) {
    // "C:" finds the drive's current folder, but "C:\*.*" searches its root.
    if (IsBareDrive(folder)) return;
    std::uint32_t attributes = 0;
    if (!PathExists(folder, &attributes)) return;
    // A link named here goes as a link; RemoveDirectoryA leaves a file link.
    if (IsLink(attributes)) {
        platform::RemoveDirectoryA(folder);
        return;
    }
    RemoveFolderTree(folder, leadBytes);
}
