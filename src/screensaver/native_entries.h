// The uninstall entries of the 64-bit view, asked whose saver a file in the
// native System32 is. A 32-bit entry whose saver is gone from SysWOW64 may
// share its name with a 64-bit installer's saver there, which is not this
// entry's to delete.
#ifndef UNINSTALL_SCREENSAVER_NATIVE_ENTRIES_H
#define UNINSTALL_SCREENSAVER_NATIVE_ENTRIES_H

#include "platform/platform.h"

// What the entries say of a file.
const int kNotNamed = 0;
const int kNamed = 1;
// The list or an entry could not be read, an entry's PathToSCR cannot be
// used, or its file cannot be opened.
const int kUndetermined = 2;

// Whether the PathToSCR of an entry of the 64-bit view, read and expanded
// as a 64-bit process would and opened with redirection off, reaches the
// native file whose identity is saver.
int NamedByA64BitEntry(const platform::FileIdentity& saver);

#endif
