#include "screensaver/saver_file.h"

#include "platform/platform.h"
#include "screensaver/saver_path.h"
#include "text/characters.h"
#include "text/path_forms.h"

namespace {

const char kSeparator = '\\';

// 1 if path lies in the system folder or below it, which WOW64 redirects.
// WOW64 redirects the path Windows forms, so it is compared in that form:
// "/" for "\", "." and ".." resolved, a "\\?\" prefix taken off.
int InSystemFolder(const char* path) {
    char system[kSaverPathSize];
    char full[kSaverPathSize];
    std::uint32_t length = platform::GetSystemDirectoryA(system, kSaverPathSize);
    if (length == 0 || length >= kSaverPathSize) return 0;
    const char* spelled = AfterDevicePrefix(path);
    std::uint32_t fullLength = platform::GetFullPathNameA(IsFullPath(spelled) ? spelled : path, kSaverPathSize, full);
    if (fullLength == 0 || fullLength >= kSaverPathSize) return 0;
    return StartsWithNoCase(full, system) && full[length] == kSeparator;
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

int DeleteAt(const Place& place, const char* path) {
    platform::RedirectionState old = 0;
    if (!TurnRedirectionOff(place, &old)) return 0;
    int deleted = platform::DeleteFileA(path);
    RestoreRedirection(place, old);
    return deleted;
}

std::uint32_t AttributesAt(const Place& place, const char* path) {
    platform::RedirectionState old = 0;
    if (!TurnRedirectionOff(place, &old)) return platform::kInvalidFileAttributes;
    std::uint32_t attributes = platform::GetFileAttributesA(path);
    RestoreRedirection(place, old);
    return attributes;
}

void ResetAttributesAt(const Place& place, const char* path) {
    platform::RedirectionState old = 0;
    if (!TurnRedirectionOff(place, &old)) return;
    platform::SetFileAttributesA(path, platform::kFileAttributeNormal);
    RestoreRedirection(place, old);
}

int OpensAt(const Place& place, const char* path) {
    platform::RedirectionState old = 0;
    if (!TurnRedirectionOff(place, &old)) return 1;
    int opens = FileCanBeOpened(path);
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

// Deletes the file at path and says whether it is gone: it counts as gone
// once it can no longer be opened for reading, whatever the deletion
// reported.
int RemoveFileAt(const Place& place, const char* path) {
    if (!DeleteAt(place, path) && IsReadOnlyFile(AttributesAt(place, path))) {
        ResetAttributesAt(place, path);
        DeleteAt(place, path);
    }
    return !OpensAt(place, path);
}

}  // namespace

// Exactly one file is deleted and checked, so the saver of another entry of
// the same name in the other view is never touched.
int RemoveSaverFile(const char* path, int native) {
    const Place asSeen = {0};
    const Place nativeFiles = {1};
    if (native) return RemoveFileAt(nativeFiles, path);
    if (platform::RunsUnderWow64() && InSystemFolder(path) &&
        AttributesAt(asSeen, path) == platform::kInvalidFileAttributes) {
        return RemoveFileAt(nativeFiles, path);
    }
    return RemoveFileAt(asSeen, path);
}

int FileCanBeOpened(const char* path) {
    // Folders open too: a path that names one names no screen saver, which
    // must not count as removed.
    platform::Handle file = platform::CreateFileA(path, platform::kGenericRead, platform::kFileShareRead,
                                                  platform::kOpenExisting,
                                                  platform::kFileAttributeNormal | platform::kFileFlagBackupSemantics);
    if (file == platform::kInvalidHandle) return 0;
    platform::CloseHandle(file);
    return 1;
}
