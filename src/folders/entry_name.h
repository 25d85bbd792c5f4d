// Which names a search returns can be joined to a folder path safely.
//
// The best-fit rule. Windows keeps names, values and the command line in
// UTF-16; the ANSI calls hand back a copy in the ANSI code page, in which a
// character the code page cannot hold is replaced by its "best fit": a
// fullwidth reverse solidus becomes '\', a fullwidth full stop '.', U+015C
// 'S', and one without a look-alike '?'. The copy, given back to the calls,
// names another thing: for a search's name another entry, possibly outside
// the tree. So the program acts only on a copy that names what was meant:
// here a name that can only reach its own entry; for the command line and
// PathToSCR one that converts back without a best fit exactly.
#ifndef UNINSTALL_FOLDERS_ENTRY_NAME_H
#define UNINSTALL_FOLDERS_ENTRY_NAME_H

// 1 if folder + "\" + name, given to the ANSI calls, can only name the entry
// the search returned: the name holds no separator, drive colon or wildcard
// (nor '?', which stands for a character the code page lacks), is not made of
// dots and blanks alone, and does not end in a dot or a blank, which the
// calls strip. "." and ".." fail too; callers pass over them first.
int NamesOnlyThisEntry(const char* name);

#endif
