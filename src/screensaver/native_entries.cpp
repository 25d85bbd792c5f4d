#include "screensaver/native_entries.h"

#include "folders/identity.h"
#include "screensaver/saver_file.h"
#include "screensaver/saver_path.h"
#include "screensaver/uninstall_entry.h"
#include "text/registry_text.h"

namespace {

const std::uint32_t kReadNativeView = platform::kKeyRead | platform::kKeyWow64_64Key;

// An entry without PathToSCR names no file, and one whose file is not there
// names no other file; one whose PathToSCR cannot be read or used, or whose
// file cannot be opened, might name it.
int WhatEntrySays(platform::RegistryKey list, const WideChar* name, const platform::FileIdentity& saver,
                  LongPath& path) {
    platform::RegistryKey entry = 0;
    long status = platform::RegOpenKeyExW(list, name, 0, kReadNativeView, &entry);
    if (status == platform::kErrorFileNotFound) return kNotNamed;
    if (status != platform::kErrorSuccess) return kUndetermined;
    int read = ReadScreenSaverPath(entry, path);
    int says = read == kValueUnusable ? kUndetermined : kNotNamed;
    platform::FileIdentity found;
    if (read == kValueRead) {
        int known = NativeIdentityOf(path.text, &found);
        if (known != kIdentityAbsent && known != kIdentityKnown) says = kUndetermined;
        if (known == kIdentityKnown && IsSameFile(found, saver)) says = kNamed;
    }
    platform::RegCloseKey(entry);
    return says;
}

}  // namespace

int NamedByA64BitEntry(const platform::FileIdentity& saver) {
    platform::RegistryKey list = 0;
    long status = platform::RegOpenKeyExW(platform::kLocalMachine, kUninstallListPath, 0, kReadNativeView, &list);
    if (status == platform::kErrorFileNotFound) return kNotNamed;
    if (status != platform::kErrorSuccess) return kUndetermined;
    int says = UseNativeFolders() ? kNotNamed : kUndetermined;
    LongPath path = NewLongPath();
    for (std::uint32_t index = 0; says == kNotNamed; ++index) {
        WideChar name[kKeyNameUnits];
        std::uint32_t size = kKeyNameUnits;
        status = platform::RegEnumKeyExW(list, index, name, &size);
        if (status == platform::kErrorNoMoreItems) break;
        says = status == platform::kErrorSuccess ? WhatEntrySays(list, name, saver, path) : kUndetermined;
    }
    FreeLongPath(path);
    platform::RegCloseKey(list);
    return says;
}
