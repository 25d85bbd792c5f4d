#include "screensaver/saver_path.h"

#include <cstring>

#include "text/characters.h"
#include "text/exact_copy.h"
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
const std::uint32_t kWideValueSize = kSaverPathSize * sizeof(platform::WideChar);

// The folders a 64-bit process finds under the names a 32-bit process under
// WOW64 has for the x86 ones. Every other variable is the same in both.
const struct NativeFolder {
    const platform::WideChar* name;
    const platform::WideChar* nativeValue;
} kNativeFolders[] = {{u"ProgramFiles", u"ProgramW6432"}, {u"CommonProgramFiles", u"CommonProgramW6432"}};

// 1 if the first size bytes of text hold its terminator.
int IsTerminatedWithin(const char* text, std::uint32_t size) {
    return std::memchr(text, '\0', size) != nullptr;
}

// The value as Windows keeps it, in UTF-16, into wide (kSaverPathSize + 1
// units), terminated.
int ReadWideValue(platform::RegistryKey key, platform::WideChar* wide) {
    std::uint32_t type = 0;
    std::uint32_t size = kWideValueSize;
    long status = platform::RegQueryValueExW(key, kPathValueNameW, &type, reinterpret_cast<unsigned char*>(wide),
                                             &size);
    if (status != platform::kErrorSuccess || size > kWideValueSize) return 0;
    wide[size / sizeof wide[0]] = 0;
    return 1;
}

// A 64-bit installer's value names the folders a 64-bit process expands it
// to: this process takes their native values into its own environment,
// which it reads for nothing else. Where a native value is not set, the
// name keeps its own.
int UseNativeFolders() {
    for (const NativeFolder& folder : kNativeFolders) {
        platform::WideChar value[platform::kMaxPath];
        std::uint32_t length = platform::GetEnvironmentVariableW(folder.nativeValue, value, platform::kMaxPath);
        if (length >= static_cast<std::uint32_t>(platform::kMaxPath)) return 0;
        if (length > 0 && !platform::SetEnvironmentVariableW(folder.name, value)) return 0;
    }
    return 1;
}

// Expands the environment references in path, in place. A variable's value
// can hold what the code page lacks, so wide, the value as Windows keeps it,
// is expanded too and must convert into exactly the same. Only a result that
// fits the path buffer with its terminator is used.
int ExpandExactly(char* path, const platform::WideChar* wide) {
    char expanded[kExpansionBufferSize];
    std::uint32_t size = platform::ExpandEnvironmentStringsA(path, expanded, kExpansionBufferSize);
    if (size == 0 || size > kExpansionBufferSize || !IsTerminatedWithin(expanded, size)) return 0;
    if (!IsTerminatedWithin(expanded, kSaverPathSize)) return 0;
    platform::WideChar wideExpanded[kExpansionBufferSize];
    std::uint32_t units = platform::ExpandEnvironmentStringsW(wide, wideExpanded, kExpansionBufferSize);
    if (units == 0 || units > kExpansionBufferSize || !IsExactCopyOf(expanded, wideExpanded)) return 0;
    std::memcpy(path, expanded, kSaverPathSize);
    return 1;
}

// Only a full path names the file its author meant wherever this program
// runs from; a wildcard or a separator at the end names no single file.
int NamesOneFile(const char* path) {
    return IsFullPath(path) && !HoldsCharacterOf(AfterDevicePrefix(path), kWildcardsAndQuote) &&
           !EndsInSeparator(path);
}

}  // namespace

int ReadScreenSaverPath(platform::RegistryKey key, int native, char* path) {
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
    platform::WideChar wide[kSaverPathSize + 1];
    if (!ReadWideValue(key, wide) || !IsExactCopyOf(path, wide)) return 0;
    if (type == platform::kRegExpandSz && ((native && !UseNativeFolders()) || !ExpandExactly(path, wide))) return 0;
    Unquote(path);
    return NamesOneFile(path);
}
