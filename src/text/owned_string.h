// Heap strings owned by exactly one variable, and the few operations the
// commands build their paths, patterns, key paths and messages with.
#ifndef UNINSTALL_TEXT_OWNED_STRING_H
#define UNINSTALL_TEXT_OWNED_STRING_H

#include <cstddef>

// A heap block holding a NUL-terminated string of ANSI bytes, or null.
typedef char* OwnedString;

// A block of bytes for a text, never null: when the heap is spent the
// process ends at once, before any further call.
char* AllocateText(std::size_t bytes);

// Index of the first occurrence of pattern in text at or after start,
// ignoring the case of a-z only; -1 if there is none.
int FindNoCase(int start, const char* text, const char* pattern);

// A new string of text[first..last], both included; last may be the length
// of text. Null when the range is refused.
OwnedString CopyRange(const char* text, int first, int last);

// Removes trailing blanks, tabs, line feeds, vertical tabs, form feeds and
// carriage returns in place; returns text.
char* TrimRight(char* text);

// Replaces target by target + suffix; either may be null. Never yields null.
void AppendString(OwnedString& target, const char* suffix);

// Replaces target by a copy of text, which must not be target's own block.
void AssignString(OwnedString& target, const char* text);

// Releases target, if any, and sets it to null.
void FreeString(OwnedString& target);

#endif
