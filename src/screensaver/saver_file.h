// The screen saver's file: deleting it where its entry's view puts it, and
// the check that it is gone.
#ifndef UNINSTALL_SCREENSAVER_SAVER_FILE_H
#define UNINSTALL_SCREENSAVER_SAVER_FILE_H

// Deletes the one file path names and says whether it is known to be gone:
// it can no longer be opened for reading, and either the deletion went
// through or the file is not there. A read-only file has its attributes
// reset for a second try. native is set for an entry of the 64-bit view,
// whose path names the native file system; otherwise, under WOW64, a path in
// the system folder that reaches nothing as this process sees it names the
// native System32, unless an entry of the 64-bit view names that file.
int RemoveSaverFile(const char* path, int native);

// 1 if path opens for reading with read sharing, folders included; the
// handle is closed again. Otherwise *absent says whether that is because
// the file or its path is not there.
int FileCanBeOpened(const char* path, int* absent);

#endif
