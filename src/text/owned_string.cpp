#include "text/owned_string.h"

#include <cstring>

#include "platform/platform.h"
#include "text/characters.h"

namespace {

// Strings never get near 2 GiB: the longest input is a command line.
int LengthOf(const char* text) { return static_cast<int>(std::strlen(text)); }

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool MatchesAt(const char* text, int position, const char* pattern, int patternLength) {
    for (int j = 0; j < patternLength; ++j) {
        if (FoldCase(text[position + j]) != FoldCase(pattern[j])) return false;
    }
    return true;
}

}  // namespace

char* AllocateText(std::size_t bytes) { return static_cast<char*>(platform::AllocateBlockOrEnd(bytes)); }

int FindNoCase(int start, const char* text, const char* pattern) {
    if (text == nullptr || pattern == nullptr || start < 0) return -1;
    int textLength = LengthOf(text);
    int patternLength = LengthOf(pattern);
    if (patternLength > textLength || patternLength == 0 || textLength == 0) return -1;
    int limit = textLength - patternLength + 1;
    for (int position = start; position < limit; ++position) {
        if (MatchesAt(text, position, pattern, patternLength)) return position;
    }
    return -1;
}

OwnedString CopyRange(const char* text, int first, int last) {
    if (first < 0 || first > last || last > LengthOf(text)) return nullptr;
    int count = last - first + 1;
    char* copy = AllocateText(static_cast<std::size_t>(count) + 1);
    // The range may take in the terminator; strncpy pads the rest with NULs.
    std::strncpy(copy, text + first, static_cast<std::size_t>(count));
    copy[count] = '\0';
    return copy;
}

char* TrimRight(char* text) {
    if (text == nullptr) return nullptr;
    int end = LengthOf(text);
    while (end > 0 && IsWhiteSpace(text[end - 1])) --end;
    text[end] = '\0';
    return text;
}

void AppendString(OwnedString& target, const char* suffix) {
    std::size_t targetLength = target ? std::strlen(target) : 0;
    std::size_t suffixLength = suffix ? std::strlen(suffix) : 0;
    char* joined = AllocateText(targetLength + suffixLength + 1);
    if (target) std::memcpy(joined, target, targetLength);
    if (suffix) std::memcpy(joined + targetLength, suffix, suffixLength);
    joined[targetLength + suffixLength] = '\0';
    FreeString(target);
    target = joined;
}

void AssignString(OwnedString& target, const char* text) {
    FreeString(target);
    std::size_t bytes = std::strlen(text) + 1;
    char* copy = AllocateText(bytes);
    std::memcpy(copy, text, bytes);
    target = copy;
}

void FreeString(OwnedString& target) {
    if (target == nullptr) return;
    platform::ReleaseBlock(target);
    target = nullptr;
}
