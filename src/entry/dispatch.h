// Splitting the command text into verb and argument, and running the one
// command the verb names.
#ifndef UNINSTALL_ENTRY_DISPATCH_H
#define UNINSTALL_ENTRY_DISPATCH_H

#include "text/owned_string.h"

// Splits at the first blank from index 1 on; both parts are trimmed on the
// right. Returns 1 with verb and argument set (the caller releases them), or
// 0 with both left null when there is no blank.
int SplitCommand(const char* commandText, OwnedString& verb, OwnedString& argument);

// Runs RMFILE, RMDIR or RMSCR as the verb says; anything else does nothing.
void RunCommand(const char* commandText);

// The whole run: forms the command text from the process's command line,
// runs it and returns the exit code.
int RunProcess();

#endif
