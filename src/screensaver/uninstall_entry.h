// The uninstall entry of a screen saver: a key under HKEY_LOCAL_MACHINE, in
// either registry view under WOW64.
#ifndef UNINSTALL_SCREENSAVER_UNINSTALL_ENTRY_H
#define UNINSTALL_SCREENSAVER_UNINSTALL_ENTRY_H

#include "text/wide_text.h"

// The list of installed software; an entry's key path is this + its name.
extern const WideChar kUninstallListPath[];

// Where the entry was found. Under WOW64 this process sees the 32-bit view
// of the registry, and a 64-bit installer writes to the 64-bit one.
struct UninstallEntry {
    platform::RegistryKey key;
    std::uint32_t view;  // 0, or kKeyWow64_64Key for the 64-bit view
};

// Opens keyPath with full access in this process's own view or, under WOW64
// only, when it is not there, in the 64-bit view. An entry that exists but
// cannot be opened with full access is not looked for elsewhere. The caller
// closes entry->key.
int OpenUninstallEntry(const WideChar* keyPath, UninstallEntry* entry);

// Deletes the entry with everything below it; its key stays open.
void DeleteUninstallEntry(const WideChar* keyPath, const UninstallEntry& entry);

#endif
