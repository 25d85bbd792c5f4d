// RMFILE: deleting a file that may still be in use when the command starts,
// typically the program that started this one.
#ifndef UNINSTALL_ENTRY_REMOVE_FILE_H
#define UNINSTALL_ENTRY_REMOVE_FILE_H

#include "text/wide_text.h"

// Waits two seconds, then deletes the file at path, made full. While the
// deletion fails because the file is in use, it is tried again every 250 ms,
// for up to ten seconds from the first try; any other failure ends the
// command at once. Nothing is reported.
void RemoveFileAfterPause(const WideChar* path);

#endif
