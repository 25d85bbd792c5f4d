// Text in UTF-16, as Windows keeps names, values and paths: lengths, the
// few comparisons the commands make, and heap copies owned by one variable.
#ifndef UNINSTALL_TEXT_WIDE_TEXT_H
#define UNINSTALL_TEXT_WIDE_TEXT_H

#include <cstddef>

#include "platform/platform.h"

typedef platform::WideChar WideChar;

// A heap block holding a NUL-terminated UTF-16 text, or null.
typedef WideChar* OwnedWide;

std::size_t WideLength(const WideChar* text);

// 1 if text begins with prefix, A-Z and a-z taken as one and every other
// unit compared exactly.
int StartsWithNoCase(const WideChar* text, const WideChar* prefix);

// 1 if the two are spelled alike, A-Z and a-z as one.
int IsSpelledAs(const WideChar* text, const WideChar* other);

// 1 if text holds one of the units of set.
int HoldsUnitOf(const WideChar* text, const WideChar* set);

// ansi read in the ANSI code page, as a new text; null when it holds bytes
// the code page cannot read.
OwnedWide WideCopyOf(const char* ansi);

// A new text of first followed by second.
OwnedWide JoinedWide(const WideChar* first, const WideChar* second);

// Releases text, if any, and sets it to null.
void FreeWide(OwnedWide& text);

#endif
