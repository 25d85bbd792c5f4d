// PathToSCR, the value of an uninstall entry that names its screen saver.
#ifndef UNINSTALL_SCREENSAVER_SAVER_PATH_H
#define UNINSTALL_SCREENSAVER_SAVER_PATH_H

#include "platform/platform.h"

const std::uint32_t kSaverPathSize = platform::kMaxPath;

// Reads PathToSCR of the open key into path, a buffer of kSaverPathSize
// bytes. 1 only when the value is a string that fits with its terminator,
// holds only characters the ANSI code page holds exactly, before expansion
// and after, and, taken out of one pair of quotes, is a full path to one
// file; after any other outcome path names nothing. native is set for an
// entry of the 64-bit view: it expands as a 64-bit process would, with the
// native Program Files folders.
int ReadScreenSaverPath(platform::RegistryKey key, int native, char* path);

#endif
