// The best-fit rule, and the one place that applies it.
//
// Windows keeps the command line in UTF-16; GetCommandLineA hands back a
// copy in the ANSI code page, in which a character the code page cannot hold
// is replaced by its "best fit": U+015C becomes 'S', a fullwidth reverse
// solidus '\', a fullwidth full stop '.', and one without a look-alike '?'.
// Such a copy names another thing: another file, folder or entry, possibly
// outside what was meant. So the program acts on its command line only when
// the ANSI form is an exact copy of what Windows keeps, converted here
// without a best fit. Everything else it reads from Windows it uses in
// UTF-16 as given.
#ifndef UNINSTALL_TEXT_EXACT_COPY_H
#define UNINSTALL_TEXT_EXACT_COPY_H

#include "platform/platform.h"

// 1 if ansi is exactly what wide converts to without a best fit.
int IsExactCopyOf(const char* ansi, const platform::WideChar* wide);

#endif
