// The forms a Windows path takes, read as characters of the ANSI code page.
#ifndef UNINSTALL_TEXT_PATH_FORMS_H
#define UNINSTALL_TEXT_PATH_FORMS_H

// 1 for a drive letter and a colon alone ("C:"). That names the drive's
// current folder, while "C:" + "\..." names its root.
int IsBareDrive(const char* path);

// 1 if path names one place whatever the current folders are: a drive
// letter, a colon and a separator, or two separators (UNC, "\\?\", "\\.\").
int IsFullPath(const char* path);

// What follows a "\\?\" or "\\.\" prefix, or path itself without one.
const char* AfterDevicePrefix(const char* path);

// The full path Windows forms of path into full, a buffer of kMaxPath bytes:
// '/' read as '\', "." and ".." resolved, a "\\?\" or "\\.\" prefix before
// a full path taken off. 0 when it cannot be formed or does not fit.
int FormFullPath(const char* path, char* full);

// 1 if the last character of path is a separator of its own.
int EndsInSeparator(const char* path);

// Takes one pair of double quotes from around path, in place, if it has one.
void Unquote(char* path);

#endif
