// Which names a search returns can be joined to a folder path safely.
//
// The search hands back each name in the ANSI code page, and a character the
// code page cannot hold is replaced by its "best fit": a fullwidth reverse
// solidus becomes '\', a fullwidth full stop '.', and so on. Joined to the
// folder path, such a name reaches another entry, possibly outside the tree.
#ifndef UNINSTALL_FOLDERS_ENTRY_NAME_H
#define UNINSTALL_FOLDERS_ENTRY_NAME_H

#include "platform/platform.h"

// 1 if folder + "\" + name, given to the ANSI calls, can only name the entry
// the search returned: the name holds no separator, drive colon or wildcard
// (nor '?', which stands for a character the code page lacks), is not made of
// dots and blanks alone, and does not end in a dot or a blank, which the
// calls strip. "." and ".." fail too; callers pass over them first.
int NamesOnlyThisEntry(const char* name, const platform::LeadBytes& leadBytes);

#endif
