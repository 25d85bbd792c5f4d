// Does nothing: what starting and ending a GUI program costs. Like
// uninstall.exe it has no C runtime; ExitProcess is its one import.
#include <windows.h>

extern "C" [[noreturn]] void ProgramStart() { ExitProcess(0); }
