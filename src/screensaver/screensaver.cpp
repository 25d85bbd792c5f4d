#include "screensaver/screensaver.h"

#include <cstring>

#include "platform/platform.h"
#include "text/owned_string.h"

namespace {

const char kUninstallKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kPathValueName[] = "PathToSCR";
const char kMessageStart[] = "The ";
const char kSuccessEnd[] = " screen saver has been removed";
const char kFailureMiddle[] = " screen saver could not be removed.\r\n";
const char kFailureEnd[] = "The Display Properties dialog may be open.";
const char kCaption[] = "Uninstall";
const std::uint32_t kPathBufferSize = platform::kMaxPath;

// An empty name would make the key path the list of installed software
// itself, and a backslash reaches past the entry: neither names one entry.
int NamesOneEntry(const char* name) {
    return name != nullptr && name[0] != '\0' && std::strchr(name, '\\') == nullptr;
}

// Reads PathToSCR into path, a buffer of kPathBufferSize bytes. Only a string
// that fits with its terminator is trusted: after any other outcome the
// buffer holds nothing that names the screen saver. The value is used as
// stored, without expanding environment references.
int ReadScreenSaverPath(platform::RegistryKey key, char* path) {
    std::uint32_t type = 0;
    std::uint32_t size = kPathBufferSize;
    long status = platform::RegQueryValueExA(key, kPathValueName, &type,
                                             reinterpret_cast<unsigned char*>(path), &size);
    if (status != platform::kErrorSuccess || size > kPathBufferSize) return 0;
    if (type != platform::kRegSz && type != platform::kRegExpandSz) return 0;
    if (std::memchr(path, '\0', size) != nullptr) return 1;
    // Stored without its terminator: add one if there is room for it.
    if (size == kPathBufferSize) return 0;
    path[size] = '\0';
    return 1;
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

// The file counts as removed once it can no longer be opened for reading,
// whatever the deletion reported; only then does the entry go. The caller's
// key stays open until the box has been closed.
void RemoveFileAndEntry(const char* keyPath, const char* name, const char* path) {
    platform::DeleteFileA(path);
    int removed = !FileCanBeOpened(path);
    if (removed) platform::RegDeleteKeyA(platform::kLocalMachine, keyPath);
    OwnedString message = BuildMessage(name, removed);
    std::uint32_t icon = removed ? platform::kMbIconInformation : platform::kMbIconHand;
    platform::MessageBoxA(message, kCaption, platform::kMbOk | icon);
    FreeString(message);
}

}  // namespace

int FileCanBeOpened(const char* path) {
    platform::Handle file = platform::CreateFileA(path, platform::kGenericRead, platform::kFileShareRead,
                                                  platform::kOpenExisting, platform::kFileAttributeNormal);
    if (file == platform::kInvalidHandle) return 0;
    platform::CloseHandle(file);
    return 1;
}

void RemoveScreenSaver(const char* name) {
    if (!NamesOneEntry(name)) return;
    OwnedString keyPath = nullptr;
    AssignString(keyPath, kUninstallKeyPath);
    AppendString(keyPath, name);
    platform::RegistryKey key = 0;
    if (platform::RegOpenKeyExA(platform::kLocalMachine, keyPath, 0, platform::kKeyAllAccess, &key) ==
        platform::kErrorSuccess) {
        char path[kPathBufferSize];
        if (ReadScreenSaverPath(key, path)) RemoveFileAndEntry(keyPath, name, path);
        platform::RegCloseKey(key);
    }
    FreeString(keyPath);
}
