// The GUI entry point. The runtime's own command-line argument is not used:
// it loses the verb when a quoted program path is followed directly by it,
// and stops early at bytes 0x80-0xFF, so the command text is formed afresh
// from the whole command line.
#include "entry/dispatch.h"

struct HINSTANCE__;

extern "C" int __stdcall WinMain(HINSTANCE__* /*instance*/, HINSTANCE__* /*previous*/,
                                 char* /*runtimeCommandText*/, int /*showState*/) {
    return RunProcess();
}
