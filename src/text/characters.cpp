#include "text/characters.h"

#include "platform/platform.h"

unsigned char FoldCase(char c) {
    auto byte = static_cast<unsigned char>(c);
    return (byte >= 'a' && byte <= 'z') ? static_cast<unsigned char>(byte - 0x20) : byte;
}

int CharacterLength(const char* text) {
    auto byte = static_cast<unsigned char>(text[0]);
    return platform::IsDBCSLeadByte(byte) && text[1] != '\0' ? 2 : 1;
}
