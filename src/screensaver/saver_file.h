// The screen saver's file: deleting it where its entry's view puts it, and
// the check that it is gone.
#ifndef UNINSTALL_SCREENSAVER_SAVER_FILE_H
#define UNINSTALL_SCREENSAVER_SAVER_FILE_H

#include "text/wide_text.h"

// Deletes the one file path (full, in the form the file calls take) names
// and says whether it is known to be gone: it can no longer be opened for
// reading, and either the deletion went through or the file is not there. A
// read-only file has its attributes reset for a second try. native is set
// for an entry of the 64-bit view, whose path names the native file system;
// otherwise, under WOW64, a path in the system folder that reaches nothing
// as this process sees it names the native System32, unless an entry of the
// 64-bit view names that same file: then it is that entry's, it stays, and
// this entry's own counts as gone. Where that cannot be told, the file stays
// and is not gone.
int RemoveSaverFile(const WideChar* path, int native);

// 1 if path opens for reading with read sharing, folders included; the
// handle is closed again. Otherwise *absent says whether that is because
// the file or its path is not there.
int FileCanBeOpened(const WideChar* path, int* absent);

// The identity of the file at path in the native file system, with
// redirection off under WOW64 (on 32-bit Windows every file is native): as
// IdentityOf.
int NativeIdentityOf(const WideChar* path, platform::FileIdentity* identity);

#endif
