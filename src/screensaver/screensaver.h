// RMSCR: removal of an installed screen saver named by its uninstall entry.
#ifndef UNINSTALL_SCREENSAVER_SCREENSAVER_H
#define UNINSTALL_SCREENSAVER_SCREENSAVER_H

// Deletes the file the entry's PathToSCR names and, once that file can no
// longer be opened, the entry itself; then says in a message box which of
// the two happened, where a user can see one. A name that picks no single
// entry (read as characters of the ANSI code page), or an entry
// without a usable PathToSCR, ends silently. Under WOW64 the entry is looked
// for in both registry views, and its file where that view puts it.
void RemoveScreenSaver(const char* name);

#endif
