#include "screensaver/uninstall_entry.h"

#include "text/registry_text.h"

const WideChar kUninstallListPath[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

namespace {

long DeleteKey(platform::RegistryKey root, const WideChar* subKey, std::uint32_t view) {
    return view == 0 ? platform::RegDeleteKeyW(root, subKey) : platform::RegDeleteKeyExW(root, subKey, view);
}

// Windows before Vista has no RegDeleteTreeW, and RegDeleteKeyW deletes no
// key that has subkeys: there they go one by one, depth first. A subkey that
// cannot be deleted is passed over, so the walk ends.
void DeleteSubkeys(platform::RegistryKey key, std::uint32_t view) {
    WideChar name[kKeyNameUnits];
    std::uint32_t index = 0;
    for (;;) {
        std::uint32_t size = kKeyNameUnits;
        long status = platform::RegEnumKeyExW(key, index, name, &size);
        if (status == platform::kErrorMoreData) {
            ++index;
            continue;
        }
        if (status != platform::kErrorSuccess) return;
        platform::RegistryKey child = 0;
        if (platform::RegOpenKeyExW(key, name, 0, platform::kKeyAllAccess | view, &child) == platform::kErrorSuccess) {
            DeleteSubkeys(child, view);
            platform::RegCloseKey(child);
        }
        if (DeleteKey(key, name, view) != platform::kErrorSuccess) ++index;
    }
}

}  // namespace

// The name was checked to reach no further than the entry.
void DeleteUninstallEntry(const WideChar* keyPath, const UninstallEntry& entry) {
    if (platform::RegDeleteTreeW(entry.key) == platform::kErrorCallNotImplemented) {
        DeleteSubkeys(entry.key, entry.view);
    }
    DeleteKey(platform::kLocalMachine, keyPath, entry.view);
}

int OpenUninstallEntry(const WideChar* keyPath, UninstallEntry* entry) {
    entry->view = 0;
    long status = platform::RegOpenKeyExW(platform::kLocalMachine, keyPath, 0, platform::kKeyAllAccess,
                                          &entry->key);
    if (status == platform::kErrorSuccess) return 1;
    if (status != platform::kErrorFileNotFound || !platform::RunsUnderWow64()) return 0;
    entry->view = platform::kKeyWow64_64Key;
    return platform::RegOpenKeyExW(platform::kLocalMachine, keyPath, 0,
                                   platform::kKeyAllAccess | entry->view, &entry->key) ==
           platform::kErrorSuccess;
}
