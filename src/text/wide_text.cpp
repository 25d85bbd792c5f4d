#include "text/wide_text.h"

#include <cstring>

namespace {

WideChar FoldCase(WideChar unit) { return unit >= u'a' && unit <= u'z' ? static_cast<WideChar>(unit - 0x20) : unit; }

OwnedWide AllocateWide(std::size_t units) {
    return static_cast<OwnedWide>(platform::AllocateBlockOrEnd(units * sizeof(WideChar)));
}

}  // namespace

std::size_t WideLength(const WideChar* text) {
    const WideChar* end = text;
    while (*end != 0) ++end;
    return static_cast<std::size_t>(end - text);
}

int StartsWithNoCase(const WideChar* text, const WideChar* prefix) {
    for (; *prefix != 0; ++text, ++prefix) {
        if (FoldCase(*text) != FoldCase(*prefix)) return 0;
    }
    return 1;
}

int IsSpelledAs(const WideChar* text, const WideChar* other) {
    return StartsWithNoCase(text, other) && text[WideLength(other)] == 0;
}

int HoldsUnitOf(const WideChar* text, const WideChar* set) {
    for (; *text != 0; ++text) {
        for (const WideChar* unit = set; *unit != 0; ++unit) {
            if (*text == *unit) return 1;
        }
    }
    return 0;
}

// No ANSI character becomes more than one UTF-16 unit.
OwnedWide WideCopyOf(const char* ansi) {
    int units = static_cast<int>(std::strlen(ansi)) + 1;
    OwnedWide wide = AllocateWide(static_cast<std::size_t>(units));
    if (!platform::ToWideFromAnsi(ansi, wide, units)) FreeWide(wide);
    return wide;
}

OwnedWide JoinedWide(const WideChar* first, const WideChar* second) {
    std::size_t firstLength = WideLength(first);
    std::size_t secondLength = WideLength(second);
    OwnedWide joined = AllocateWide(firstLength + secondLength + 1);
    std::memcpy(joined, first, firstLength * sizeof(WideChar));
    std::memcpy(joined + firstLength, second, (secondLength + 1) * sizeof(WideChar));
    return joined;
}

void FreeWide(OwnedWide& text) {
    if (text == nullptr) return;
    platform::ReleaseBlock(text);
    text = nullptr;
}
