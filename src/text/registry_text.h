// String values of the registry, read as Windows keeps them, in UTF-16.
#ifndef UNINSTALL_TEXT_REGISTRY_TEXT_H
#define UNINSTALL_TEXT_REGISTRY_TEXT_H

#include "text/wide_text.h"

// The key under HKEY_LOCAL_MACHINE where Windows keeps its Program Files
// folders.
extern const WideChar kCurrentVersionPath[];

// Reads the value name of key into text, a buffer of kMaxPath units: 1 for
// a string (REG_SZ, or REG_EXPAND_SZ expanded with this process's
// environment) that fits with its terminator, one being added when it was
// stored without. After any other outcome text names nothing.
int ReadRegistryText(platform::RegistryKey key, const WideChar* name, WideChar* text);

// The same for a value of HKEY_LOCAL_MACHINE\keyPath in the registry's
// 64-bit view, where Windows keeps its own (on 32-bit Windows, its only
// view).
int ReadSystemText(const WideChar* keyPath, const WideChar* name, WideChar* text);

#endif
