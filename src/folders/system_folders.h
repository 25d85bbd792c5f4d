// The system's own folders, which RMDIR never removes, whatever an
// installer passes it: an install folder left empty or expanded wrongly, or
// a ".." too many, must not take every installed program or every user's
// files with it.
#ifndef UNINSTALL_FOLDERS_SYSTEM_FOLDERS_H
#define UNINSTALL_FOLDERS_SYSTEM_FOLDERS_H

// 1 if folder is one of the system's own folders or holds one of them: a
// drive root; the Windows folder, System32 and SysWOW64; both Program Files
// folders and their Common Files; ProgramData and the public profile; the
// folder that holds the user profiles and every folder directly in it; the
// current user's profile, its APPDATA and LOCALAPPDATA. Full paths are
// compared as Windows forms them, long names for short ones, without regard
// to case and only at separators. Also 1 when folder has no full path to
// compare.
int IsOrHoldsSystemFolder(const char* folder);

#endif
