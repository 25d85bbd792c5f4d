// RMSCR: removal of an installed screen saver named by its uninstall entry.
#ifndef UNINSTALL_SCREENSAVER_SCREENSAVER_H
#define UNINSTALL_SCREENSAVER_SCREENSAVER_H

// Deletes the file the entry's PathToSCR names and, once that file can no
// longer be opened, the entry itself; then says in a message box which of
// the two happened. A name that picks no single entry, or an entry without
// a usable PathToSCR, ends silently.
void RemoveScreenSaver(const char* name);

// 1 if path opens for reading with read sharing; the handle is closed again.
int FileCanBeOpened(const char* path);

#endif
