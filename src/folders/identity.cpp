#include "folders/identity.h"

int IdentityOf(const WideChar* path, platform::FileIdentity* identity) {
    platform::Handle file = platform::CreateFileW(path, platform::kFileReadAttributes, platform::kFileShareAll,
                                                  platform::kOpenExisting, platform::kFileFlagBackupSemantics);
    if (file == platform::kInvalidHandle) {
        std::uint32_t error = platform::GetLastError();
        bool absent = error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound;
        return absent ? kIdentityAbsent : kIdentityUnknown;
    }
    int read = platform::GetFileInformationByHandle(file, identity);
    platform::CloseHandle(file);
    return read ? kIdentityKnown : kIdentityUnknown;
}

int IsSameFile(const platform::FileIdentity& one, const platform::FileIdentity& other) {
    return one.volumeSerial == other.volumeSerial && one.indexHigh == other.indexHigh &&
           one.indexLow == other.indexLow;
}
