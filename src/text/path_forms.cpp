#include "text/path_forms.h"

#include <cstring>

#include "platform/platform.h"
#include "text/characters.h"

namespace {

const char kQuote = '"';
const char kColon = ':';
const char kDevicePrefixes[][5] = {"\\\\?\\", "\\\\.\\"};
const int kDevicePrefixLength = 4;

int IsSeparator(char c) { return c == '\\' || c == '/'; }

int IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

int StartsWithDrive(const char* path) { return IsDriveLetter(path[0]) && path[1] == kColon; }

// Where the last character of text starts; text itself when it is empty.
const char* LastCharacter(const char* text) {
    const char* last = text;
    for (const char* at = text; *at != '\0'; at += CharacterLength(at)) last = at;
    return last;
}

int IsCharacter(const char* at, char c) {
    return CharacterLength(at) == 1 && *at == c;
}

}  // namespace

int IsBareDrive(const char* path) { return StartsWithDrive(path) && path[2] == '\0'; }

int IsFullPath(const char* path) {
    return (StartsWithDrive(path) && IsSeparator(path[2])) || (IsSeparator(path[0]) && IsSeparator(path[1]));
}

const char* AfterDevicePrefix(const char* path) {
    for (const char* prefix : kDevicePrefixes) {
        if (StartsWithNoCase(path, prefix)) return path + kDevicePrefixLength;
    }
    return path;
}

int FormFullPath(const char* path, char* full) {
    const char* spelled = AfterDevicePrefix(path);
    const auto size = static_cast<std::uint32_t>(platform::kMaxPath);
    std::uint32_t length = platform::GetFullPathNameA(IsFullPath(spelled) ? spelled : path, size, full);
    return length != 0 && length < size;
}

int EndsInSeparator(const char* path) {
    const char* last = LastCharacter(path);
    return CharacterLength(last) == 1 && IsSeparator(*last);
}

void Unquote(char* path) {
    const char* last = LastCharacter(path);
    if (!IsCharacter(path, kQuote) || last == path || !IsCharacter(last, kQuote)) return;
    std::size_t inside = static_cast<std::size_t>(last - path - 1);
    std::memmove(path, path + 1, inside);
    path[inside] = '\0';
}
