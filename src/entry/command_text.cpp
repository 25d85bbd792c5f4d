#include "entry/command_text.h"

#include "text/characters.h"

namespace {

const unsigned char kQuote = '"';
const unsigned char kLastWhiteSpace = 0x20;  // 0x01-0x20 all separate

// Skips a quoted program name: up to and including the closing quote, or to
// the end when it is never closed. A lead byte carries the next byte with it,
// so the second byte of a double-byte character never closes the quote; the
// terminator always ends the scan.
const unsigned char* SkipQuotedName(const unsigned char* at) {
    ++at;
    while (*at != '\0' && *at != kQuote) {
        at += CharacterLength(reinterpret_cast<const char*>(at));
    }
    return *at == kQuote ? at + 1 : at;
}

const unsigned char* SkipPlainName(const unsigned char* at) {
    while (*at > kLastWhiteSpace) ++at;
    return at;
}

}  // namespace

const char* CommandTextOf(const char* commandLine) {
    // Bytes are compared unsigned so that 0x80-0xFF belong to the name.
    const unsigned char* at = reinterpret_cast<const unsigned char*>(commandLine);
    at = (*at == kQuote) ? SkipQuotedName(at) : SkipPlainName(at);
    while (*at != '\0' && *at <= kLastWhiteSpace) ++at;
    return reinterpret_cast<const char*>(at);
}
