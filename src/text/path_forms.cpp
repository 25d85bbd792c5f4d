#include "text/path_forms.h"

#include <cstring>

namespace {

const WideChar kSeparator = u'\\';
const WideChar kQuote = u'"';
const WideChar kColon = u':';
const WideChar kLongPrefix[] = u"\\\\?\\";
const WideChar kNtPrefix[] = u"\\??\\";
const WideChar kDevicePrefix[] = u"\\\\.\\";
const WideChar* const kDevicePrefixes[] = {kLongPrefix, kDevicePrefix, kNtPrefix};
const std::size_t kDevicePrefixLength = 4;
// A UNC path keeps the second of its two leading separators after this.
const WideChar kUncPrefix[] = u"\\\\?\\UNC";
const WideChar kUncRoot[] = u"UNC\\";
// Room before the full path for the longest prefix it may get.
const std::size_t kPrefixRoom = 6;

int IsSeparator(WideChar unit) { return unit == kSeparator || unit == u'/'; }

int IsDriveLetter(WideChar unit) { return (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z'); }

int StartsWithDrive(const WideChar* path) { return IsDriveLetter(path[0]) && path[1] == kColon; }

}  // namespace

int IsBareDrive(const WideChar* path) { return StartsWithDrive(path) && path[2] == 0; }

int IsFullPath(const WideChar* path) {
    return (StartsWithDrive(path) && IsSeparator(path[2])) || (IsSeparator(path[0]) && IsSeparator(path[1]));
}

const WideChar* AfterDevicePrefix(const WideChar* path) {
    for (const WideChar* prefix : kDevicePrefixes) {
        if (StartsWithNoCase(path, prefix)) return path + kDevicePrefixLength;
    }
    return path;
}

int EndsInSeparator(const WideChar* path) {
    std::size_t length = WideLength(path);
    return length > 0 && IsSeparator(path[length - 1]);
}

void Unquote(WideChar* path) {
    std::size_t length = WideLength(path);
    if (length < 2 || path[0] != kQuote || path[length - 1] != kQuote) return;
    std::memmove(path, path + 1, (length - 2) * sizeof(WideChar));
    path[length - 2] = 0;
}

// A path that starts with exactly "\\?\" or "\??\" reaches the file system
// as written: asked to make it full, GetFullPathNameW might read it again.
// Any other is made full and given "\\?\", so that nothing joined to it is
// read again either: after "\\.\" every call would cut a trailing dot from
// each name, and "data." would reach "data".
int FormLongPath(const WideChar* path, LongPath& full) {
    CutPath(full, 0);
    if (StartsWithNoCase(path, kLongPrefix) || StartsWithNoCase(path, kNtPrefix)) return AppendToPath(full, path);
    // GetFullPathNameW writes the full path past room for the prefix, which
    // is then put before it.
    WideChar* formed = full.text + kPrefixRoom;
    const std::uint32_t room = platform::kMaxLongPath - kPrefixRoom;
    std::uint32_t length = platform::GetFullPathNameW(path, room, formed);
    if (length == 0 || length >= room) return 0;
    const WideChar* prefix = u"";
    std::size_t replaced = 0;
    if (StartsWithNoCase(formed, kDevicePrefix)) {
        formed[2] = kLongPrefix[2];
    } else if (AfterDevicePrefix(formed) == formed) {
        int unc = IsSeparator(formed[0]);
        prefix = unc ? kUncPrefix : kLongPrefix;
        replaced = unc ? 1 : 0;
    }
    std::size_t prefixLength = WideLength(prefix);
    std::memcpy(full.text, prefix, prefixLength * sizeof(WideChar));
    std::memmove(full.text + prefixLength, formed + replaced, (length - replaced + 1) * sizeof(WideChar));
    full.length = prefixLength + length - replaced;
    return 1;
}

int IsUncPath(const WideChar* full) { return StartsWithNoCase(AfterDevicePrefix(full), kUncRoot); }

// A root is one component after the prefix ("C:", "Volume{...}"), or three
// for a share ("UNC\server\share"); a separator at the end adds none.
int IsRoot(const WideChar* full) {
    const WideChar* rest = AfterDevicePrefix(full);
    int components = IsUncPath(full) ? 3 : 1;
    for (const WideChar* at = rest; *at != 0; ++at) {
        if (*at == kSeparator && at[1] != 0 && --components == 0) return 0;
    }
    return 1;
}

int LiesWithin(const WideChar* path, const WideChar* folder) {
    return StartsWithNoCase(path, folder) && path[WideLength(folder)] == kSeparator;
}

// A separator at the end ends no folder; the one before it does.
int CutToParent(LongPath& full) {
    if (IsRoot(full.text)) return 0;
    std::size_t at = full.length - 1;
    while (full.text[at - 1] != kSeparator) --at;
    CutPath(full, at);
    if (!IsRoot(full.text)) CutPath(full, at - 1);
    return 1;
}
