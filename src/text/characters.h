// ANSI text read as characters of the code page rather than as bytes: a lead
// byte and the byte after it make one character, so a second byte that
// happens to equal '\' or '?' is part of its character and never one itself.
#ifndef UNINSTALL_TEXT_CHARACTERS_H
#define UNINSTALL_TEXT_CHARACTERS_H

// The byte compared in place of c when case is ignored: A-Z for a-z, every
// other byte as it is.
unsigned char FoldCase(char c);

// Bytes in the character that starts at text: 2 for a lead byte with a byte
// after it, else 1. A lead byte just before the terminator stands alone.
int CharacterLength(const char* text);

#endif
