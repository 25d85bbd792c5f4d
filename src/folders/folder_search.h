// The search of one folder for every entry it holds. Names are read as
// Windows keeps them, in UTF-16, and handed on only as exact ANSI copies
// (text/exact_copy.h): the best-fit copy an ANSI search returns can name
// another entry beside it, such as a link that leads out of the tree.
#ifndef UNINSTALL_FOLDERS_FOLDER_SEARCH_H
#define UNINSTALL_FOLDERS_FOLDER_SEARCH_H

#include "platform/platform.h"

// Starts the search of folder + "\*.*" and yields its first entry: the
// attributes, and the name as the ANSI calls must be given it, or an empty
// name when it has no exact ANSI form. kInvalidHandle when folder cannot be
// searched; otherwise the caller closes the search with FindClose.
platform::Handle StartFolderSearch(const char* folder, platform::FindData* found);

// The next entry, in the same form; 0 when there is none.
int NextFolderEntry(platform::Handle search, platform::FindData* found);

#endif
