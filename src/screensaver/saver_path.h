// PathToSCR, the value of an uninstall entry that names its screen saver.
#ifndef UNINSTALL_SCREENSAVER_SAVER_PATH_H
#define UNINSTALL_SCREENSAVER_SAVER_PATH_H

#include "text/long_path.h"
#include "text/registry_text.h"

// Reads PathToSCR of the open key, in UTF-16, and forms its full path into
// path. kValueRead only when the value is a string that fits 259 characters
// and the terminator, before expansion and after, and, taken out of one pair
// of quotes, is a full path to one file; kValueAbsent when the entry has no
// PathToSCR, and kValueUnusable for any other. After any outcome but
// kValueRead path names nothing.
int ReadScreenSaverPath(platform::RegistryKey key, LongPath& path);

// From now on values expand as a 64-bit process would expand them, with the
// native Program Files folders in place of the x86 ones: for the entries of
// the 64-bit view, which 64-bit installers write. 0 when the native folders
// cannot be found; their values must then not be used.
int UseNativeFolders();

#endif
