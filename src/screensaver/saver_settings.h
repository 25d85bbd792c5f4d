// The screen saver settings of the people signed in and of the logon
// desktop: each hive's "Control Panel\Desktop" value SCRNSAVE.EXE, the saver
// Windows starts when the session idles. A setting that names a saver that
// is gone means no screen saver runs at all, and no lock on resume either.
#ifndef UNINSTALL_SCREENSAVER_SAVER_SETTINGS_H
#define UNINSTALL_SCREENSAVER_SAVER_SETTINGS_H

#include "folders/kept_entries.h"

// Keeps the name of each hive under HKEY_USERS (".DEFAULT" and those of the
// people signed in) whose setting names the very file whose identity is
// saver, read as Windows reads it: expanded, and under WOW64 in the native
// file system, where the 64-bit system starts the saver. A setting that
// names another file, or that cannot be told, is not kept.
void FindSettingsNaming(const platform::FileIdentity& saver, KeptEntries& hives);

// For each hive kept: where it locks on resume (ScreenSaverIsSecure is "1")
// and the system's blank saver (scrnsave.scr in the native System32) is
// there, SCRNSAVE.EXE names that one, so the idle timeout and the lock go
// on; otherwise SCRNSAVE.EXE is deleted, and Windows shows "(None)".
// Nothing else in those keys changes.
void ResetSettings(const KeptEntries& hives);

#endif
