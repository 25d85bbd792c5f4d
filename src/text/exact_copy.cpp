#include "text/exact_copy.h"

#include <cstring>

#include "text/owned_string.h"

namespace {

// Converts wide, with its terminator, into ansi, a buffer of size bytes: 1
// when every character has an exact form in the code page and the whole fits.
int ToExactAnsi(const platform::WideChar* wide, char* ansi, int size) {
    int lossy = 0;
    int stored = platform::ToAnsiWithoutBestFit(wide, -1, ansi, size, &lossy);
    return stored > 0 && !lossy;
}

}  // namespace

int IsExactCopyOf(const char* ansi, const platform::WideChar* wide) {
    int lossy = 0;
    int size = platform::ToAnsiWithoutBestFit(wide, -1, nullptr, 0, &lossy);
    if (size <= 0) return 0;
    OwnedString exact = AllocateText(static_cast<std::size_t>(size));
    int same = ToExactAnsi(wide, exact, size) && std::strcmp(exact, ansi) == 0;
    FreeString(exact);
    return same;
}
