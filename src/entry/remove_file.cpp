#include "entry/remove_file.h"

#include "platform/platform.h"
#include "text/path_forms.h"

namespace {

// The process that started this one gets time to end and let go of the file.
const std::uint32_t kPauseMs = 2000;
// A file held a little longer, by a slow installer or a scanner, goes once
// it is let go.
const std::uint32_t kRetryIntervalMs = 250;
const std::uint32_t kRetryWindowMs = 10000;

// Why the deletion just failed is in use: a sharing violation, or access
// denied to a file that is not read-only, as for a program still running. A
// read-only file, a folder, a name that is not there or not valid will not
// change by waiting.
int FailedWhileInUse(const WideChar* path) {
    std::uint32_t error = platform::GetLastError();
    if (error == platform::kErrorSharingViolation) return 1;
    if (error != platform::kErrorAccessDenied) return 0;
    std::uint32_t attributes = platform::GetFileAttributesW(path);
    const std::uint32_t kWaitingChangesNothing = platform::kFileAttributeReadOnly | platform::kFileAttributeDirectory;
    return attributes != platform::kInvalidFileAttributes && (attributes & kWaitingChangesNothing) == 0;
}

}  // namespace

void RemoveFileAfterPause(const WideChar* path) {
    LongPath file = NewLongPath();
    int formed = FormLongPath(path, file);
    platform::Sleep(kPauseMs);
    if (formed) {
        std::uint32_t firstTry = platform::GetTickCount();
        while (!platform::DeleteFileW(file.text) && FailedWhileInUse(file.text) &&
               platform::GetTickCount() - firstTry < kRetryWindowMs) {
            platform::Sleep(kRetryIntervalMs);
        }
    }
    FreeLongPath(file);
}
