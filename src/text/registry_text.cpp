#include "text/registry_text.h"

#include <cstring>

const WideChar kCurrentVersionPath[] = u"Software\\Microsoft\\Windows\\CurrentVersion";

namespace {

const WideChar kSidStart[] = u"S-";
const WideChar kClassesEnd[] = u"_Classes";
const WideChar kDefaultHive[] = u".DEFAULT";

int EndsWithNoCase(const WideChar* text, const WideChar* end) {
    std::size_t length = WideLength(text);
    std::size_t endLength = WideLength(end);
    return length >= endLength && StartsWithNoCase(text + length - endLength, end);
}

int IsUserHive(const WideChar* name, int withDefault) {
    if (withDefault && IsSpelledAs(name, kDefaultHive)) return 1;
    return StartsWithNoCase(name, kSidStart) && !EndsWithNoCase(name, kClassesEnd);
}

const std::uint32_t kUnits = platform::kMaxPath;
const std::uint32_t kSize = kUnits * sizeof(WideChar);

// 1 if the first units of text hold its terminator.
int IsTerminatedWithin(const WideChar* text, std::uint32_t units) {
    for (std::uint32_t at = 0; at < units; ++at) {
        if (text[at] == 0) return 1;
    }
    return 0;
}

// Expands text in place; only a result that fits is used.
int Expand(WideChar* text) {
    WideChar expanded[kUnits];
    std::uint32_t stored = platform::ExpandEnvironmentStringsW(text, expanded, kUnits);
    if (stored == 0 || stored > kUnits || !IsTerminatedWithin(expanded, stored)) return 0;
    std::memcpy(text, expanded, stored * sizeof(WideChar));
    return 1;
}

int ReadString(platform::RegistryKey key, const WideChar* name, WideChar* text, int expandAlways) {
    std::uint32_t type = 0;
    std::uint32_t size = kSize;
    long status = platform::RegQueryValueExW(key, name, &type, reinterpret_cast<unsigned char*>(text), &size);
    if (status == platform::kErrorFileNotFound) return kValueAbsent;
    if (status != platform::kErrorSuccess || size > kSize) return kValueUnusable;
    if (type != platform::kRegSz && type != platform::kRegExpandSz) return kValueUnusable;
    std::uint32_t stored = size / static_cast<std::uint32_t>(sizeof(WideChar));
    if (!IsTerminatedWithin(text, stored)) {
        // Stored without its terminator: add one if there is room for it.
        if (stored == kUnits) return kValueUnusable;
        text[stored] = 0;
    }
    return (type == platform::kRegSz && !expandAlways) || Expand(text) ? kValueRead : kValueUnusable;
}

}  // namespace

int ReadRegistryValue(platform::RegistryKey key, const WideChar* name, WideChar* text) {
    return ReadString(key, name, text, 0);
}

int ReadRegistryText(platform::RegistryKey key, const WideChar* name, WideChar* text) {
    return ReadString(key, name, text, 0) == kValueRead;
}

int ReadExpandedText(platform::RegistryKey key, const WideChar* name, WideChar* text) {
    return ReadString(key, name, text, 1) == kValueRead;
}

int NextUserHive(std::uint32_t* index, WideChar* name, int withDefault) {
    for (;; ++*index) {
        std::uint32_t size = kKeyNameUnits;
        long status = platform::RegEnumKeyExW(platform::kUsers, *index, name, &size);
        if (status == platform::kErrorNoMoreItems) return kNoMoreHives;
        if (status != platform::kErrorSuccess) return kHivesUnreadable;
        if (IsUserHive(name, withDefault)) return kHiveFound;
    }
}

int ReadSystemText(const WideChar* keyPath, const WideChar* name, WideChar* text) {
    platform::RegistryKey key = 0;
    const std::uint32_t access = platform::kKeyRead | platform::kKeyWow64_64Key;
    if (platform::RegOpenKeyExW(platform::kLocalMachine, keyPath, 0, access, &key) != platform::kErrorSuccess) return 0;
    int read = ReadRegistryText(key, name, text);
    platform::RegCloseKey(key);
    return read;
}
