#include "screensaver/saver_file.h"

#include "folders/identity.h"
#include "platform/platform.h"
#include "screensaver/native_entries.h"
#include "screensaver/saver_settings.h"
#include "text/path_forms.h"

namespace {

// 1 if full, a full path as the file calls take it, lies in the system
// folder or below it, which WOW64 redirects.
int InSystemFolder(const WideChar* full) {
    WideChar system[platform::kMaxPath];
    std::uint32_t length = platform::GetSystemDirectoryW(system, platform::kMaxPath);
    if (length == 0 || length >= static_cast<std::uint32_t>(platform::kMaxPath)) return 0;
    return LiesWithin(AfterDevicePrefix(full), system);
}

// The file system as this process sees it, or the native one under WOW64,
// where redirection is off for each call alone. Where it cannot be turned
// off, the native file cannot be reached: it keeps its attributes and still
// counts as there.
struct Place {
    int native;
};

int TurnRedirectionOff(const Place& place, platform::RedirectionState* old) {
    return !place.native || platform::Wow64DisableWow64FsRedirection(old);
}

void RestoreRedirection(const Place& place, platform::RedirectionState old) {
    if (place.native) platform::Wow64RevertWow64FsRedirection(old);
}

int DeleteAt(const Place& place, const WideChar* path) {
    platform::RedirectionState old = 0;
    if (!TurnRedirectionOff(place, &old)) return 0;
    int deleted = platform::DeleteFileW(path);
    RestoreRedirection(place, old);
    return deleted;
}

std::uint32_t AttributesAt(const Place& place, const WideChar* path) {
    platform::RedirectionState old = 0;
    if (!TurnRedirectionOff(place, &old)) return platform::kInvalidFileAttributes;
    std::uint32_t attributes = platform::GetFileAttributesW(path);
    RestoreRedirection(place, old);
    return attributes;
}

void ResetAttributesAt(const Place& place, const WideChar* path) {
    platform::RedirectionState old = 0;
    if (!TurnRedirectionOff(place, &old)) return;
    platform::SetFileAttributesW(path, platform::kFileAttributeNormal);
    RestoreRedirection(place, old);
}

int IdentityAt(const Place& place, const WideChar* path, platform::FileIdentity* identity) {
    platform::RedirectionState old = 0;
    if (!TurnRedirectionOff(place, &old)) return kIdentityUnknown;
    int known = IdentityOf(path, identity);
    RestoreRedirection(place, old);
    return known;
}

int OpensAt(const Place& place, const WideChar* path, int* absent) {
    platform::RedirectionState old = 0;
    *absent = 0;
    if (!TurnRedirectionOff(place, &old)) return 1;
    int opens = FileCanBeOpened(path, absent);
    RestoreRedirection(place, old);
    return opens;
}

// Read-only is the one attribute that stops a deletion. A folder or a link
// keeps its attributes: through a link the reset would reach its target.
int IsReadOnlyFile(std::uint32_t attributes) {
    const std::uint32_t kept = platform::kFileAttributeDirectory | platform::kFileAttributeReparsePoint;
    return attributes != platform::kInvalidFileAttributes && (attributes & kept) == 0 &&
           (attributes & platform::kFileAttributeReadOnly) != 0;
}

// Deletes the file at path and says whether it is known to be gone: it can
// no longer be opened for reading, and either this deletion went through or
// the file is not there at all. A file that is there but cannot be opened
// (held without read sharing, or denied) is not known to be gone. The
// settings that name this very file are found while it is there, and reset
// only once it is gone.
int RemoveFileAt(const Place& place, const WideChar* path) {
    KeptEntries settings = {nullptr, 0, 0};
    platform::FileIdentity saver;
    if (IdentityAt(place, path, &saver) == kIdentityKnown) FindSettingsNaming(saver, settings);
    int deleted = DeleteAt(place, path);
    if (!deleted && IsReadOnlyFile(AttributesAt(place, path))) {
        ResetAttributesAt(place, path);
        deleted = DeleteAt(place, path);
    }
    int absent = 0;
    int gone = !OpensAt(place, path, &absent) && (deleted || absent);
    if (gone) ResetSettings(settings);
    ReleaseKept(settings);
    return gone;
}

const Place kAsSeen = {0};
const Place kNativeFiles = {1};

// Under WOW64 a 32-bit entry's path in the system folder reaches SysWOW64;
// where its saver is not there, the path names its native twin.
int NamesNativeTwin(const WideChar* path) {
    return platform::RunsUnderWow64() && InSystemFolder(path) &&
           AttributesAt(kAsSeen, path) == platform::kInvalidFileAttributes;
}

// A native twin that a 64-bit entry names is that product's saver: this
// entry's own is gone. One that is not there is gone too.
int RemoveNativeTwin(const WideChar* path) {
    platform::FileIdentity twin;
    int known = NativeIdentityOf(path, &twin);
    if (known == kIdentityAbsent) return RemoveFileAt(kNativeFiles, path);
    if (known != kIdentityKnown) return 0;
    int named = NamedByA64BitEntry(twin);
    return named == kNamed || (named == kNotNamed && RemoveFileAt(kNativeFiles, path));
}

}  // namespace

// Exactly one file is deleted and checked, so the saver of another entry of
// the same name in the other view is never touched.
int RemoveSaverFile(const WideChar* path, int native) {
    if (native) return RemoveFileAt(kNativeFiles, path);
    return NamesNativeTwin(path) ? RemoveNativeTwin(path) : RemoveFileAt(kAsSeen, path);
}

int FileCanBeOpened(const WideChar* path, int* absent) {
    // Folders open too: a path that names one names no screen saver, which
    // must not count as removed.
    platform::Handle file = platform::CreateFileW(path, platform::kGenericRead, platform::kFileShareRead,
                                                  platform::kOpenExisting,
                                                  platform::kFileAttributeNormal | platform::kFileFlagBackupSemantics);
    if (file == platform::kInvalidHandle) {
        std::uint32_t error = platform::GetLastError();
        *absent = error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound;
        return 0;
    }
    platform::CloseHandle(file);
    *absent = 0;
    return 1;
}

// On 32-bit Windows every file is native.
int NativeIdentityOf(const WideChar* path, platform::FileIdentity* identity) {
    return IdentityAt(platform::RunsUnderWow64() ? kNativeFiles : kAsSeen, path, identity);
}
