#include "screensaver/screensaver.h"

#include "platform/platform.h"
#include "screensaver/saver_file.h"
#include "screensaver/saver_path.h"
#include "screensaver/uninstall_entry.h"
#include "text/long_path.h"
#include "text/owned_string.h"

namespace {

const char kMessageStart[] = "The ";
const char kSuccessEnd[] = " screen saver has been removed";
const char kFailureMiddle[] = " screen saver could not be removed.\r\n";
const char kFailureEnd[] = "The Display Properties dialog may be open.";
const char kCaption[] = "Uninstall";
const WideChar kSeparator[] = u"\\";

// An empty name would make the key path the list of installed software
// itself, and a backslash reaches past the entry: neither names one entry.
int NamesOneEntry(const WideChar* name) { return name[0] != 0 && !HoldsUnitOf(name, kSeparator); }

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

// Without USER32 no box can be shown; everything else has been done.
void Report(const char* name, int removed) {
    if (!platform::LoadUser32() || !BoxCanBeSeen()) return;
    OwnedString message = BuildMessage(name, removed);
    std::uint32_t icon = removed ? platform::kMbIconInformation : platform::kMbIconHand;
    platform::MessageBoxA(message, kCaption, platform::kMbOk | icon);
    FreeString(message);
}

// The entry goes only once the file is gone from every place tried. The
// caller's key stays open until the box has been closed.
void RemoveFileAndEntry(const WideChar* keyPath, const char* name, const WideChar* path, const UninstallEntry& entry) {
    int removed = RemoveSaverFile(path, entry.view != 0);
    if (removed) DeleteUninstallEntry(keyPath, entry);
    Report(name, removed);
}

}  // namespace

void RemoveScreenSaver(const char* name, const WideChar* wideName) {
    if (!NamesOneEntry(wideName)) return;
    OwnedWide keyPath = JoinedWide(kUninstallListPath, wideName);
    UninstallEntry entry = {0, 0};
    if (OpenUninstallEntry(keyPath, &entry)) {
        // A 64-bit installer's value names the folders a 64-bit process has.
        LongPath path = NewLongPath();
        if ((entry.view == 0 || UseNativeFolders()) && ReadScreenSaverPath(entry.key, path) == kValueRead) {
            RemoveFileAndEntry(keyPath, name, path.text, entry);
        }
        FreeLongPath(path);
        platform::RegCloseKey(entry.key);
    }
    FreeWide(keyPath);
}
