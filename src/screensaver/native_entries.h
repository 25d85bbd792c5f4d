// The uninstall entries of the 64-bit view, asked whose saver a file in the
// native System32 is. A 32-bit entry whose saver is gone from SysWOW64 may
// share its name with a 64-bit installer's saver there, which is not this
// entry's to delete.
#ifndef UNINSTALL_SCREENSAVER_NATIVE_ENTRIES_H
#define UNINSTALL_SCREENSAVER_NATIVE_ENTRIES_H

// 1 if the PathToSCR of an entry of the 64-bit view names the file whose
// full path is full (compared without regard to case), or might: an entry
// whose name has no exact ANSI form, or a list that cannot be read, counts as
// naming it.
int NamedByA64BitEntry(const char* full);

#endif
