#include "screensaver/screensaver.h"

#include <cstring>

#include "text/characters.h"
#include "text/owned_string.h"

namespace {

const char kUninstallKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kPathValueName[] = "PathToSCR";
const char kMessageStart[] = "The ";
const char kSuccessEnd[] = " screen saver has been removed";
const char kFailureMiddle[] = " screen saver could not be removed.\r\n";
const char kFailureEnd[] = "The Display Properties dialog may be open.";
const char kCaption[] = "Uninstall";
const char kSeparator[] = "\\";
const std::uint32_t kPathBufferSize = platform::kMaxPath;
// The ANSI expansion asks for a byte more than the result needs; the rest is
// room to see that a result is too long rather than cut short.
const std::uint32_t kExpansionBufferSize = 2 * platform::kMaxPath;

// An empty name would make the key path the list of installed software
// itself, and a backslash reaches past the entry: neither names one entry.
// A byte 0x5C that ends a double-byte character is no backslash.
int NamesOneEntry(const char* name, const platform::LeadBytes& leadBytes) {
    return name != nullptr && name[0] != '\0' && !HoldsCharacterOf(name, kSeparator, leadBytes);
}

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
    if (!IsTerminatedWithin(expanded, kPathBufferSize)) return 0;
    std::memcpy(path, expanded, kPathBufferSize);
    return 1;
}

// Reads PathToSCR into path, a buffer of kPathBufferSize bytes. Only a string
// that fits with its terminator is trusted: after any other outcome the
// buffer holds nothing that names the screen saver. An expandable string is
// expanded, since unexpanded it names no file.
int ReadScreenSaverPath(platform::RegistryKey key, char* path) {
    std::uint32_t type = 0;
    std::uint32_t size = kPathBufferSize;
    long status = platform::RegQueryValueExA(key, kPathValueName, &type,
                                             reinterpret_cast<unsigned char*>(path), &size);
    if (status != platform::kErrorSuccess || size > kPathBufferSize) return 0;
    if (type != platform::kRegSz && type != platform::kRegExpandSz) return 0;
    if (!IsTerminatedWithin(path, size)) {
        // Stored without its terminator: add one if there is room for it.
        if (size == kPathBufferSize) return 0;
        path[size] = '\0';
    }
    return type == platform::kRegExpandSz ? ExpandInPlace(path) : 1;
}

// Where the entry was found. Under WOW64 this process sees the 32-bit view
// of the registry, and a 64-bit installer writes to the 64-bit one.
struct Entry {
    platform::RegistryKey key;
    std::uint32_t view;  // 0, or kKeyWow64_64Key for the 64-bit view
};

// Opens the entry in this process's own view or, under WOW64 only, when it
// is not there, in the 64-bit view. An entry that exists but cannot be opened
// with full access is not looked for elsewhere.
int OpenEntry(const char* keyPath, Entry* entry) {
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

void DeleteEntry(const char* keyPath, const Entry& entry) {
    if (entry.view == 0) {
        platform::RegDeleteKeyA(platform::kLocalMachine, keyPath);
    } else {
        platform::RegDeleteKeyExA(platform::kLocalMachine, keyPath, entry.view);
    }
}

// 1 if path lies in the system folder or below it, which WOW64 redirects.
int InSystemFolder(const char* path, const platform::LeadBytes& leadBytes) {
    char system[kPathBufferSize];
    std::uint32_t length = platform::GetSystemDirectoryA(system, kPathBufferSize);
    if (length == 0 || length >= kPathBufferSize) return 0;
    return StartsWithNoCase(path, system, leadBytes) && path[length] == kSeparator[0];
}

// Deletes the file at path as this process sees it and says whether it is
// gone: it counts as gone once it can no longer be opened for reading,
// whatever the deletion reported.
int RemoveFile(const char* path) {
    platform::DeleteFileA(path);
    return !FileCanBeOpened(path);
}

// The same in the native file system: redirection is off for each call
// alone. Where it cannot be turned off the native file cannot be reached,
// and so does not count as gone.
int RemoveNativeFile(const char* path) {
    platform::RedirectionState old = 0;
    if (!platform::Wow64DisableWow64FsRedirection(&old)) return 0;
    platform::DeleteFileA(path);
    platform::Wow64RevertWow64FsRedirection(old);
    if (!platform::Wow64DisableWow64FsRedirection(&old)) return 0;
    int opens = FileCanBeOpened(path);
    platform::Wow64RevertWow64FsRedirection(old);
    return !opens;
}

// An entry from the 64-bit view names a native path. One from this process's
// own view is used as seen; under WOW64 a path in the system folder may name
// a file a 32-bit installer put into the native one, so that goes too.
int RemoveScreenSaverFile(const char* path, const Entry& entry, const platform::LeadBytes& leadBytes) {
    if (entry.view != 0) return RemoveNativeFile(path);
    int removed = RemoveFile(path);
    if (platform::IsWow64Process() && InSystemFolder(path, leadBytes)) {
        removed = RemoveNativeFile(path) && removed;
    }
    return removed;
}

OwnedString BuildMessage(const char* name, int removed) {
    OwnedString message = nullptr;
    AssignString(message, kMessageStart);
    AppendString(message, name);
    if (removed) {
        AppendString(message, kSuccessEnd);
    } else {
        AppendString(message, kFailureMiddle);
        AppendString(message, kFailureEnd);
    }
    return message;
}

// Nobody can answer a box on a window station no user sees (a service's, in
// session 0): it would wait for ever. Where the flags cannot be read the box
// is shown, as it always was.
int BoxCanBeSeen() {
    std::uint32_t flags = 0;
    return !platform::GetProcessWindowStationFlags(&flags) || (flags & platform::kWsfVisible) != 0;
}

void Report(const char* name, int removed) {
    if (!BoxCanBeSeen()) return;
    OwnedString message = BuildMessage(name, removed);
    std::uint32_t icon = removed ? platform::kMbIconInformation : platform::kMbIconHand;
    platform::MessageBoxA(message, kCaption, platform::kMbOk | icon);
    FreeString(message);
}

// The entry goes only once the file is gone from every place tried. The
// caller's key stays open until the box has been closed.
void RemoveFileAndEntry(const char* keyPath, const char* name, const char* path, const Entry& entry,
                        const platform::LeadBytes& leadBytes) {
    int removed = RemoveScreenSaverFile(path, entry, leadBytes);
    if (removed) DeleteEntry(keyPath, entry);
    Report(name, removed);
}

}  // namespace

int FileCanBeOpened(const char* path) {
    platform::Handle file = platform::CreateFileA(path, platform::kGenericRead, platform::kFileShareRead,
                                                  platform::kOpenExisting, platform::kFileAttributeNormal);
    if (file == platform::kInvalidHandle) return 0;
    platform::CloseHandle(file);
    return 1;
}

void RemoveScreenSaver(const char* name, const platform::LeadBytes& leadBytes) {
    if (!NamesOneEntry(name, leadBytes)) return;
    OwnedString keyPath = nullptr;
    AssignString(keyPath, kUninstallKeyPath);
    AppendString(keyPath, name);
    Entry entry = {0, 0};
    if (OpenEntry(keyPath, &entry)) {
        char path[kPathBufferSize];
        if (ReadScreenSaverPath(entry.key, path)) RemoveFileAndEntry(keyPath, name, path, entry, leadBytes);
        platform::RegCloseKey(entry.key);
    }
    FreeString(keyPath);
}
