// The command text: the process's command line without the program's name.
#ifndef UNINSTALL_ENTRY_COMMAND_TEXT_H
#define UNINSTALL_ENTRY_COMMAND_TEXT_H

// Returns the part of commandLine that follows the program's name and the
// white space after it. The result points into commandLine.
const char* CommandTextOf(const char* commandLine);

#endif
