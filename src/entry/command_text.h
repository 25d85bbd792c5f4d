// The command text: the process's command line without the program's name.
#ifndef UNINSTALL_ENTRY_COMMAND_TEXT_H
#define UNINSTALL_ENTRY_COMMAND_TEXT_H

// Returns the part of commandLine that follows the program's name and the
// white space after it. The result points into commandLine.
const char* CommandTextOf(const char* commandLine);

// 1 if commandLine, the line as the ANSI calls see it, is an exact copy of
// the line Windows keeps in UTF-16, not a best-fit one (the rule is in
// folders/entry_name.h).
int IsExactCopyOfCommandLine(const char* commandLine);

#endif
