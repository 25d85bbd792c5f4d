#include "folders/identity.h"

namespace {

int WhyNotOpened(std::uint32_t error) {
    if (error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound) return kIdentityAbsent;
    bool unreachable = error == platform::kErrorNotReady || error == platform::kErrorBadNetPath ||
                       error == platform::kErrorBadNetName || error == platform::kErrorInvalidName;
    return unreachable ? kIdentityUnreachable : kIdentityUnknown;
}

}  // namespace

int IdentityOf(const WideChar* path, platform::FileIdentity* identity, LongPath* real) {
    if (real != nullptr) CutPath(*real, 0);
    platform::Handle file = platform::CreateFileW(path, platform::kFileReadAttributes, platform::kFileShareAll,
                                                  platform::kOpenExisting, platform::kFileFlagBackupSemantics);
    if (file == platform::kInvalidHandle) return WhyNotOpened(platform::GetLastError());
    int read = platform::GetFileInformationByHandle(file, identity);
    if (real != nullptr) {
        std::uint32_t length = platform::GetFinalPathNameByHandleW(file, real->text, platform::kMaxLongPath);
        CutPath(*real, length < platform::kMaxLongPath ? length : 0);
    }
    platform::CloseHandle(file);
    return read ? kIdentityKnown : kIdentityUnknown;
}

int IsSameFile(const platform::FileIdentity& one, const platform::FileIdentity& other) {
    return one.volumeSerial == other.volumeSerial && one.indexHigh == other.indexHigh &&
           one.indexLow == other.indexLow;
}
