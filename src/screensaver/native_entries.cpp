#include "screensaver/native_entries.h"

#include "platform/platform.h"
#include "screensaver/saver_path.h"
#include "screensaver/uninstall_entry.h"
#include "text/characters.h"
#include "text/exact_copy.h"
#include "text/path_forms.h"

namespace {

const std::uint32_t kReadNativeView = platform::kKeyRead | platform::kKeyWow64_64Key;
// A key's name is at most 255 characters.
const std::uint32_t kWideKeyNameSize = 256;

int EntryNames(platform::RegistryKey list, const char* name, const char* full) {
    platform::RegistryKey entry = 0;
    if (platform::RegOpenKeyExA(list, name, 0, kReadNativeView, &entry) != platform::kErrorSuccess) return 0;
    char path[kSaverPathSize];
    char entryFull[platform::kMaxPath];
    int names = ReadScreenSaverPath(entry, 1, path) && FormFullPath(path, entryFull) && EqualsNoCase(entryFull, full);
    platform::RegCloseKey(entry);
    return names;
}

}  // namespace

int NamedByA64BitEntry(const char* full) {
    platform::RegistryKey list = 0;
    long status = platform::RegOpenKeyExA(platform::kLocalMachine, kUninstallListPath, 0, kReadNativeView, &list);
    if (status != platform::kErrorSuccess) return status != platform::kErrorFileNotFound;
    int named = 0;
    for (std::uint32_t index = 0; !named; ++index) {
        platform::WideChar wideName[kWideKeyNameSize];
        std::uint32_t size = kWideKeyNameSize;
        status = platform::RegEnumKeyExW(list, index, wideName, &size);
        if (status != platform::kErrorSuccess) break;
        char name[kKeyNameSize];
        named = !ToExactAnsi(wideName, name, kKeyNameSize) || EntryNames(list, name, full);
    }
    platform::RegCloseKey(list);
    return named;
}
