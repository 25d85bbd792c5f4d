#include "screensaver/uninstall_entry.h"

const char kUninstallListPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

namespace {

long DeleteKey(platform::RegistryKey root, const char* subKey, std::uint32_t view) {
    return view == 0 ? platform::RegDeleteKeyA(root, subKey) : platform::RegDeleteKeyExA(root, subKey, view);
}

// Windows before Vista has no RegDeleteTreeA, and RegDeleteKeyA deletes no
// key that has subkeys: there they go one by one, depth first. A subkey that
// cannot be deleted is passed over, so the walk ends.
void DeleteSubkeys(platform::RegistryKey key, std::uint32_t view) {
    char name[kKeyNameSize];
    std::uint32_t index = 0;
    for (;;) {
        std::uint32_t size = kKeyNameSize;
        long status = platform::RegEnumKeyExA(key, index, name, &size);
        if (status == platform::kErrorMoreData) {
            ++index;
            continue;
        }
        if (status != platform::kErrorSuccess) return;
        platform::RegistryKey child = 0;
        if (platform::RegOpenKeyExA(key, name, 0, platform::kKeyAllAccess | view, &child) == platform::kErrorSuccess) {
            DeleteSubkeys(child, view);
            platform::RegCloseKey(child);
        }
        if (DeleteKey(key, name, view) != platform::kErrorSuccess) ++index;
    }
}

}  // namespace

// The name was checked to reach no further than the entry.
void DeleteUninstallEntry(const char* keyPath, const UninstallEntry& entry) {
    if (platform::RegDeleteTreeA(entry.key) == platform::kErrorCallNotImplemented) {
        DeleteSubkeys(entry.key, entry.view);
    }
    DeleteKey(platform::kLocalMachine, keyPath, entry.view);
}

int OpenUninstallEntry(const char* keyPath, UninstallEntry* entry) {
    entry->view = 0;
    long status = platform::RegOpenKeyExA(platform::kLocalMachine, keyPath, 0, platform::kKeyAllAccess,
                                          &entry->key);
    if (status == platform::kErrorSuccess) return 1;
    if (status != platform::kErrorFileNotFound || !platform::RunsUnderWow64()) return 0;
    entry->view = platform::kKeyWow64_64Key;
    return platform::RegOpenKeyExA(platform::kLocalMachine, keyPath, 0,
                                   platform::kKeyAllAccess | entry->view, &entry->key) ==
           platform::kErrorSuccess;
}
