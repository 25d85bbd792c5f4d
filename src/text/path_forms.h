// The forms a Windows path takes, in UTF-16, and the one form the file calls
// are given: full, as GetFullPathNameW forms it, with the "\\?\" prefix that
// takes it past 259 characters and hands it to the file system as it is.
#ifndef UNINSTALL_TEXT_PATH_FORMS_H
#define UNINSTALL_TEXT_PATH_FORMS_H

#include "text/long_path.h"

// 1 for a drive letter and a colon alone ("C:"). That names the drive's
// current folder, while "C:" + "\..." names its root.
int IsBareDrive(const WideChar* path);

// 1 if path names one place whatever the current folders are: a drive
// letter, a colon and a separator, or two separators (UNC and device paths).
int IsFullPath(const WideChar* path);

// What follows a "\\?\", "\\.\" or "\??\" prefix, or path itself without one.
const WideChar* AfterDevicePrefix(const WideChar* path);

// 1 if the last unit of path is a separator.
int EndsInSeparator(const WideChar* path);

// Takes one pair of double quotes from around path, in place, if it has one.
void Unquote(WideChar* path);

// path in the one form every file call is given, into full. One that starts
// with exactly "\\?\" or "\??\" is taken as written. Any other is made full
// by GetFullPathNameW ("." and ".." resolved, '/' read as '\', a trailing dot
// or blank taken off) and then always starts with "\\?\": "\\?\C:\...",
// "\\?\UNC\server\share\...", and "\\.\" made "\\?\". 0 when it cannot be
// formed or would pass Windows' limit.
int FormLongPath(const WideChar* path, LongPath& full);

// 1 if full, in the form above, lies on another machine ("\\?\UNC\...").
int IsUncPath(const WideChar* full);

// 1 if full, in the form above, names a drive's root, a share or a volume
// as a whole: each holds every folder on it.
int IsRoot(const WideChar* full);

// 1 if path lies in folder, or below it, by their spelling: path begins
// with folder's, A-Z and a-z as one, and then a separator.
int LiesWithin(const WideChar* path, const WideChar* folder);

// Cuts full back to the folder that holds it, keeping the separator after a
// root ("\\?\C:\"); 0, with full as it was, when it is a root.
int CutToParent(LongPath& full);

#endif
