// Which names a search returns can be joined to a folder path safely. The
// search hands on exact ANSI copies only (folders/folder_search.h); this
// catches what such a name can still do once given to the ANSI calls.
#ifndef UNINSTALL_FOLDERS_ENTRY_NAME_H
#define UNINSTALL_FOLDERS_ENTRY_NAME_H

// 1 if folder + "\" + name, given to the ANSI calls, can only name the entry
// the search returned: the name is not empty (as the search leaves one with
// no exact ANSI form), holds no separator, drive colon or wildcard, is not
// made of dots and blanks alone, and does not end in a dot or a blank, which
// the calls strip. "." and ".." fail too; callers pass over them first.
int NamesOnlyThisEntry(const char* name);

#endif
