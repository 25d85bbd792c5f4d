// RMDIR: depth-first removal of a folder tree, with the probes it relies on.
#ifndef UNINSTALL_FOLDERS_FOLDER_TREE_H
#define UNINSTALL_FOLDERS_FOLDER_TREE_H

#include <cstdint>

#include "platform/platform.h"

// 1 if a search for path finds an entry with attributes other than 0; the
// entry's attributes go to *attributes when it is not null. Wildcards in
// path are matched by the search.
int PathExists(const char* path, std::uint32_t* attributes = nullptr);

// Removes folder with everything below it: in every folder its subfolders
// first, each completely, then its other entries, then the folder itself.
// Attributes are reset so read-only, hidden and system entries go too;
// what cannot be deleted stays, with the folders that hold it. Links are
// removed as links and never entered. An entry whose name, read with the
// lead bytes of the ANSI code page, could reach another entry is not touched
// at all: it stays, with the folders that hold it.
void RemoveFolderTree(const char* folder, const platform::LeadBytes& leadBytes);

// Resets and deletes every entry of folder itself that can be deleted.
void DeleteFilesInFolder(const char* folder, const platform::LeadBytes& leadBytes);

// 1 if folder holds nothing but "." and "..", or cannot be searched.
int FolderIsEmpty(const char* folder);

// The RMDIR command: removes the tree at folder if the path exists, or only
// the link when folder is itself one.
void RemoveExistingFolder(const char* folder, const platform::LeadBytes& leadBytes);

#endif
