#include "text/characters.h"

#include <cstring>

#include "platform/platform.h"

unsigned char FoldCase(char c) {
    auto byte = static_cast<unsigned char>(c);
    return (byte >= 'a' && byte <= 'z') ? static_cast<unsigned char>(byte - 0x20) : byte;
}

int CharacterLength(const char* text) {
    auto byte = static_cast<unsigned char>(text[0]);
    return platform::IsDBCSLeadByte(byte) && text[1] != '\0' ? 2 : 1;
}

int HoldsCharacterOf(const char* text, const char* set) {
    for (const char* at = text; *at != '\0'; at += CharacterLength(at)) {
        if (CharacterLength(at) == 1 && std::strchr(set, *at) != nullptr) return 1;
    }
    return 0;
}

int StartsWithNoCase(const char* text, const char* prefix) {
    while (*prefix != '\0') {
        int length = CharacterLength(prefix);
        if (CharacterLength(text) != length) return 0;
        if (length == 1 && FoldCase(*text) != FoldCase(*prefix)) return 0;
        if (length == 2 && (text[0] != prefix[0] || text[1] != prefix[1])) return 0;
        text += length;
        prefix += length;
    }
    return 1;
}

int EqualsNoCase(const char* text, const char* other) {
    return std::strlen(text) == std::strlen(other) && StartsWithNoCase(text, other);
}
