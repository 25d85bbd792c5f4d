// The system's own folders, which RMDIR never removes, whatever an
// installer passes it and however it is spelled: an install folder left
// empty or expanded wrongly, a ".." too many, or a path through a link must
// not take every installed program or every user's files with it.
#ifndef UNINSTALL_FOLDERS_SYSTEM_FOLDERS_H
#define UNINSTALL_FOLDERS_SYSTEM_FOLDERS_H

#include "text/long_path.h"

// 1 if folder, a full path in the form the file calls take, is one of the
// system's own folders or holds one of them, judged by identity (the volume
// and file index Windows gives the folder a path opens), not by spelling:
// a drive's root (by its spelling too); the Windows folder, System32 (with
// its native twin under WOW64) and SysWOW64; the Program Files folders and
// their Common Files, from the environment and from the registry's 64-bit
// view; ProgramData, the public and default profiles, every profile in the
// profile list and the current user's, with APPDATA and LOCALAPPDATA; and
// the folders that hold the profiles (ProfilesDirectory and the one that
// holds USERPROFILE), with every folder directly in them. Also 1 when folder
// or the folder that holds it cannot be opened, or a system folder that is
// there cannot: what cannot be judged is not removed.
int IsOrHoldsSystemFolder(const LongPath& folder);

#endif
