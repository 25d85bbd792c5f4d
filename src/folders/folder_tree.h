// RMDIR: depth-first removal of a folder tree, with the probes it relies on.
#ifndef UNINSTALL_FOLDERS_FOLDER_TREE_H
#define UNINSTALL_FOLDERS_FOLDER_TREE_H

#include <cstdint>

#include "text/long_path.h"

// 1 if a search for path finds an entry with attributes other than 0; the
// entry's attributes go to *attributes when it is not null. Wildcards in
// path are matched by the search.
int PathExists(const WideChar* path, std::uint32_t* attributes);

// Removes folder, whose attributes a search reported, with everything below
// it: in every folder its subfolders first, each completely, then its other
// entries, then the folder itself, from one search of each folder. Names are
// joined exactly as the search returned them. Every entry is deleted first
// and has its attributes reset only when the search reports it read-only
// (before the try) or when it refuses to go (before one more try), so
// read-only, hidden and system entries go too; what still cannot be deleted
// stays, reset, with the folders that hold it. Links are removed as links,
// never entered and never reset; if folder is one, only the link goes. A
// name that no Windows call makes, or one that would take a path past
// Windows' limit, is not touched: it stays, with the folders that hold it.
// No stack is spent per folder, so a tree goes however deep that limit lets
// it be. folder grows and shrinks on the way and ends as it began.
void RemoveFolderTree(LongPath& folder, std::uint32_t attributes);

// The RMDIR command: removes the tree at folder, made full, if the path
// exists, or only the link when folder is itself one. One of the system's
// own folders, or one that holds any, is left as if it did not exist.
void RemoveExistingFolder(const WideChar* folder);

#endif
