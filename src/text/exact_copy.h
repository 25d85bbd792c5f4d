// The best-fit rule, and the one place that applies it.
//
// Windows keeps names, values, the environment and the command line in
// UTF-16; the ANSI calls hand back a copy in the ANSI code page, in which a
// character the code page cannot hold is replaced by its "best fit": U+015C
// becomes 'S', a fullwidth reverse solidus '\', a fullwidth full stop '.',
// and one without a look-alike '?'. Given back to the calls, such a copy
// names another thing: another file, folder or entry, possibly outside what
// was meant. So the program acts on a name only when its ANSI form is an
// exact copy of what Windows keeps, converted here without a best fit.
#ifndef UNINSTALL_TEXT_EXACT_COPY_H
#define UNINSTALL_TEXT_EXACT_COPY_H

#include "platform/platform.h"

// Converts wide, up to and with its terminator, into ansi, a buffer of size
// bytes. 1 when every character has an exact form in the code page and the
// whole fits; otherwise 0, and ansi holds no usable name.
int ToExactAnsi(const platform::WideChar* wide, char* ansi, int size);

// 1 if ansi is exactly what wide converts to without a best fit.
int IsExactCopyOf(const char* ansi, const platform::WideChar* wide);

#endif
