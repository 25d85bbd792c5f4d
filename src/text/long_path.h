// A path as the file calls are given it: one heap buffer that holds the
// longest path Windows takes in its "\\?\" form, 32,767 units, and that
// grows and shrinks by names as a tree is walked.
#ifndef UNINSTALL_TEXT_LONG_PATH_H
#define UNINSTALL_TEXT_LONG_PATH_H

#include <cstddef>

#include "text/wide_text.h"

struct LongPath {
    WideChar* text;      // always terminated
    std::size_t length;  // units before the terminator
};

// An empty path in a buffer of its own; the caller releases it.
LongPath NewLongPath();
void FreeLongPath(LongPath& path);

// Appends text; 0, with path as it was, when the result would pass
// Windows' limit.
int AppendToPath(LongPath& path, const WideChar* text);

// Appends a separator and name, likewise.
int AppendName(LongPath& path, const WideChar* name);

// Cuts path back to its first length units.
void CutPath(LongPath& path, std::size_t length);

#endif
