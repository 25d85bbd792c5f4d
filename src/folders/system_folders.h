// The system's own folders and a person's own, which RMDIR never removes,
// whatever an installer passes it and however it is spelled: an install
// folder left empty or expanded wrongly, a ".." too many, the Desktop or
// Documents a person chose to install into, or a path through a link must
// not take every installed program or anyone's files with it.
#ifndef UNINSTALL_FOLDERS_SYSTEM_FOLDERS_H
#define UNINSTALL_FOLDERS_SYSTEM_FOLDERS_H

#include "text/long_path.h"

// 1 if folder, a full path in the form the file calls take, is one of these
// folders or holds one of them, judged by identity (the volume and file
// index Windows gives the folder a path opens), not by spelling, and both
// where each is spelled and where it really lies (its final path):
// - a drive's root (by its spelling too); the Windows folder, System32
//   (with its native twin under WOW64) and SysWOW64; the Program Files
//   folders and their Common Files, from the environment and from the
//   registry's 64-bit view; ProgramData, APPDATA and LOCALAPPDATA;
// - every profile (the profile list's, Public, Default and USERPROFILE) and
//   the folders that hold the profiles (ProfilesDirectory and the one that
//   holds USERPROFILE), with every folder directly in any of them;
// - the shell folders of the machine and of each person signed in, whose
//   %USERPROFILE% is their own profile.
// Values written with %SystemRoot% or %SystemDrive% expand even where the
// environment lacks them. Also 1 when folder, a folder that holds it, a
// system folder that is there, or a list of them cannot be opened or read
// whole: what cannot be judged is not removed. A folder that cannot be
// reached now is passed over, and one on another machine is judged only
// for an argument there.
int IsOrHoldsSystemFolder(const LongPath& folder);

#endif
