// The program's entry point. No C runtime is linked: it would be most of the
// file and run nothing this program needs. So no static object may need
// constructing (the build refuses objects that hold such work) and the
// process ends through the platform, never by returning.
#include "entry/dispatch.h"
#include "platform/platform.h"

extern "C" [[noreturn]] void ProgramStart() {
    platform::ExitProcess(static_cast<std::uint32_t>(RunProcess()));
}
