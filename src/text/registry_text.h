// String values of the registry, read as Windows keeps them, in UTF-16.
#ifndef UNINSTALL_TEXT_REGISTRY_TEXT_H
#define UNINSTALL_TEXT_REGISTRY_TEXT_H

#include "text/wide_text.h"

// The key under HKEY_LOCAL_MACHINE where Windows keeps its Program Files
// folders.
extern const WideChar kCurrentVersionPath[];

// What a value held.
const int kValueAbsent = 0;  // the key has no such value
const int kValueRead = 1;
const int kValueUnusable = 2;  // it is there, but no string that fits

// Reads the value name of key into text, a buffer of kMaxPath units:
// kValueRead for a string (REG_SZ, or REG_EXPAND_SZ expanded with this
// process's environment) that fits with its terminator, one being added when
// it was stored without. After any other outcome text names nothing.
int ReadRegistryValue(platform::RegistryKey key, const WideChar* name, WideChar* text);

// 1 where ReadRegistryValue gives kValueRead.
int ReadRegistryText(platform::RegistryKey key, const WideChar* name, WideChar* text);

// The same, but a REG_SZ value is expanded too, as Windows reads some.
int ReadExpandedText(platform::RegistryKey key, const WideChar* name, WideChar* text);

// The same for a value of HKEY_LOCAL_MACHINE\keyPath in the registry's
// 64-bit view, where Windows keeps its own (on 32-bit Windows, its only
// view).
int ReadSystemText(const WideChar* keyPath, const WideChar* name, WideChar* text);

// A key's name is at most 255 characters.
const std::uint32_t kKeyNameUnits = 256;

// What NextUserHive found.
const int kNoMoreHives = 0;
const int kHiveFound = 1;
const int kHivesUnreadable = 2;  // the list cannot be read whole

// The name, into name (kKeyNameUnits), of the first key under HKEY_USERS at
// *index or after it that holds a person's settings: a hive loaded for a
// signed-in user, named by their SID ("S-..."), not its "..._Classes" twin;
// with withDefault, ".DEFAULT" too, the logon desktop's. *index is left
// where it was found. Users who are not signed in have no hive there.
int NextUserHive(std::uint32_t* index, WideChar* name, int withDefault);

#endif
