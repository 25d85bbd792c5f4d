#include "screensaver/uninstall_entry.h"

namespace {

long DeleteKey(platform::RegistryKey root, const char* subKey, std::uint32_t view) {
    return view == 0 ? platform::RegDeleteKeyA(root, subKey) : platform::RegDeleteKeyExA(root, subKey, view);
}

}  // namespace

// The name was checked to reach no further than the entry.
void DeleteUninstallEntry(const char* keyPath, const UninstallEntry& entry) {
    DeleteKey(platform::kLocalMachine, keyPath, entry.view);
}

int OpenUninstallEntry(const char* keyPath, UninstallEntry* entry) {
    entry->view = 0;
    long status = platform::RegOpenKeyExA(platform::kLocalMachine, keyPath, 0, platform::kKeyAllAccess,
                                          &entry->key);
    if (status == platform::kErrorSuccess) return 1;
    if (status != platform::kErrorFileNotFound || !platform::IsWow64Process()) return 0;
    entry->view = platform::kKeyWow64_64Key;
    return platform::RegOpenKeyExA(platform::kLocalMachine, keyPath, 0,
                                   platform::kKeyAllAccess | entry->view, &entry->key) ==
           platform::kErrorSuccess;
}
