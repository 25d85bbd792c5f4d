// RMSCR: removal of an installed screen saver named by its uninstall entry.
#ifndef UNINSTALL_SCREENSAVER_SCREENSAVER_H
#define UNINSTALL_SCREENSAVER_SCREENSAVER_H

#include "text/wide_text.h"

// Deletes the file the entry's PathToSCR names and, once that file is known
// to be gone, the entry itself; then says in a message box which of the two
// happened, where a user can see one. name is the entry's name as the
// command line gave it, shown in the box; wideName is the same in UTF-16,
// which the registry is given. A name that picks no single entry, or an
// entry without a usable PathToSCR, ends silently. Under WOW64 the entry is
// looked for in both registry views, and its file where that view puts it.
void RemoveScreenSaver(const char* name, const WideChar* wideName);

#endif
