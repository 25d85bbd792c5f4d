// The exit code of every run, whatever happened: callers such as installers
// read no meaning into it, and the box is the only report.
#ifndef UNINSTALL_ENTRY_EXIT_CODE_H
#define UNINSTALL_ENTRY_EXIT_CODE_H

const int kExitCode = 0;

#endif
