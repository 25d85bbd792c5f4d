// The forms a Windows path takes, read as characters of the ANSI code page.
#ifndef UNINSTALL_TEXT_PATH_FORMS_H
#define UNINSTALL_TEXT_PATH_FORMS_H

#include "platform/platform.h"

// 1 for a drive letter and a colon alone ("C:"). That names the drive's
// current folder, while "C:" + "\..." names its root.
int IsBareDrive(const char* path);

#endif
