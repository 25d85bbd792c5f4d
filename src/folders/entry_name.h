// Which names a search returns are joined to their folder's path. Names are
// used exactly as Windows returned them; only a name that no Windows call
// could make is left alone.
#ifndef UNINSTALL_FOLDERS_ENTRY_NAME_H
#define UNINSTALL_FOLDERS_ENTRY_NAME_H

#include "text/wide_text.h"

// 1 if folder + "\" + name can only name the entry the search returned: the
// name is not empty and holds no separator and no colon, which would name a
// stream. Such names are made outside Windows. "." and ".." pass; callers
// pass over them first.
int NamesOnlyThisEntry(const WideChar* name);

#endif
