#include "screensaver/saver_path.h"

#include <cstring>

#include "text/characters.h"
#include "text/path_forms.h"

namespace {

const char kPathValueName[] = "PathToSCR";
const platform::WideChar kPathValueNameW[] = u"PathToSCR";
// What a screen saver's name never holds, as Windows names go ('"' among
// them: an author's quotes around the path are taken off first).
const char kWildcardsAndQuote[] = "*?\"";
// The ANSI expansion asks for a byte more than the result needs; the rest is
// room to see that a result is too long rather than cut short.
const std::uint32_t kExpansionBufferSize = 2 * platform::kMaxPath;
// A double-byte code page takes up to two bytes for each UTF-16 unit.
const int kAnsiCopySize = 2 * platform::kMaxPath + 1;

// 1 if the first size bytes of text hold its terminator.
int IsTerminatedWithin(const char* text, std::uint32_t size) {
    return std::memchr(text, '\0', size) != nullptr;
}

// Expands the environment references in path, in place. Only a result that
// fits the path buffer with its terminator is used.
int ExpandInPlace(char* path) {
    char expanded[kExpansionBufferSize];
    std::uint32_t size = platform::ExpandEnvironmentStringsA(path, expanded, kExpansionBufferSize);
    if (size == 0 || size > kExpansionBufferSize || !IsTerminatedWithin(expanded, size)) return 0;
    if (!IsTerminatedWithin(expanded, kSaverPathSize)) return 0;
    std::memcpy(path, expanded, kSaverPathSize);
    return 1;
}

// 1 if the value as Windows keeps it, in UTF-16, converts to the code page
// without a best fit into exactly stored: a best-fit copy names another file
// (the rule is in folders/entry_name.h).
int StoredExactly(platform::RegistryKey key, const char* stored) {
    platform::WideChar wide[kSaverPathSize];
    std::uint32_t type = 0;
    std::uint32_t size = sizeof wide;
    long status = platform::RegQueryValueExW(key, kPathValueNameW, &type, reinterpret_cast<unsigned char*>(wide),
                                             &size);
    if (status != platform::kErrorSuccess || size > sizeof wide) return 0;
    int length = 0;
    while (length < static_cast<int>(size / sizeof wide[0]) && wide[length] != 0) ++length;
    char copy[kAnsiCopySize];
    int lossy = 0;
    int bytes = length == 0 ? 0 : platform::ToAnsiWithoutBestFit(wide, length, copy, kAnsiCopySize - 1, &lossy);
    if (lossy || (bytes == 0 && length > 0)) return 0;
    copy[bytes] = '\0';
    return std::strcmp(copy, stored) == 0;
}

// Only a full path names the file its author meant wherever this program
// runs from; a wildcard or a separator at the end names no single file.
int NamesOneFile(const char* path) {
    return IsFullPath(path) && !HoldsCharacterOf(AfterDevicePrefix(path), kWildcardsAndQuote) &&
           !EndsInSeparator(path);
}

}  // namespace

int ReadScreenSaverPath(platform::RegistryKey key, char* path) {
    std::uint32_t type = 0;
    std::uint32_t size = kSaverPathSize;
    long status = platform::RegQueryValueExA(key, kPathValueName, &type,
                                             reinterpret_cast<unsigned char*>(path), &size);
    if (status != platform::kErrorSuccess || size > kSaverPathSize) return 0;
    if (type != platform::kRegSz && type != platform::kRegExpandSz) return 0;
    if (!IsTerminatedWithin(path, size)) {
        // Stored without its terminator: add one if there is room for it.
        if (size == kSaverPathSize) return 0;
        path[size] = '\0';
    }
    if (!StoredExactly(key, path)) return 0;
    if (type == platform::kRegExpandSz && !ExpandInPlace(path)) return 0;
    Unquote(path);
    return NamesOneFile(path);
}
