#include "screensaver/saver_settings.h"

#include <cstring>

#include "folders/identity.h"
#include "screensaver/saver_file.h"
#include "text/path_forms.h"
#include "text/registry_text.h"

namespace {

const WideChar kDesktopKey[] = u"\\Control Panel\\Desktop";
const WideChar kSaverValue[] = u"SCRNSAVE.EXE";
const WideChar kSecureValue[] = u"ScreenSaverIsSecure";
const WideChar kBlankSaver[] = u"\\scrnsave.scr";
const WideChar kLocks = u'1';

// Opens the hive's "Control Panel\Desktop" with access.
int OpenDesktop(const WideChar* hive, std::uint32_t access, platform::RegistryKey* desktop) {
    OwnedWide keyPath = JoinedWide(hive, kDesktopKey);
    long status = platform::RegOpenKeyExW(platform::kUsers, keyPath, 0, access, desktop);
    FreeWide(keyPath);
    return status == platform::kErrorSuccess;
}

// 1 if the setting of the open key names saver.
int NamesSaver(platform::RegistryKey desktop, const platform::FileIdentity& saver, LongPath& path) {
    WideChar value[platform::kMaxPath];
    platform::FileIdentity named;
    return ReadExpandedText(desktop, kSaverValue, value) && IsFullPath(value) && FormLongPath(value, path) &&
           NativeIdentityOf(path.text, &named) == kIdentityKnown && IsSameFile(named, saver);
}

// The blank saver's path, as a setting names it, into path: 1 when that
// saver is there.
int FindBlankSaver(WideChar* path) {
    platform::FileIdentity found;
    std::uint32_t length = platform::GetSystemDirectoryW(path, platform::kMaxPath);
    if (length == 0 || length + WideLength(kBlankSaver) >= static_cast<std::uint32_t>(platform::kMaxPath)) return 0;
    std::memcpy(path + length, kBlankSaver, sizeof kBlankSaver);
    return NativeIdentityOf(path, &found) == kIdentityKnown;
}

}  // namespace

void FindSettingsNaming(const platform::FileIdentity& saver, KeptEntries& hives) {
    WideChar hive[kKeyNameUnits];
    LongPath path = NewLongPath();
    for (std::uint32_t index = 0; NextUserHive(&index, hive, 1) == kHiveFound; ++index) {
        platform::RegistryKey desktop = 0;
        if (!OpenDesktop(hive, platform::kKeyRead, &desktop)) continue;
        if (NamesSaver(desktop, saver, path)) KeepEntry(hives, hive, 0);
        platform::RegCloseKey(desktop);
    }
    FreeLongPath(path);
}

void ResetSettings(const KeptEntries& hives) {
    WideChar blank[platform::kMaxPath];
    int blankThere = hives.used > 0 && FindBlankSaver(blank);
    for (std::size_t at = 0; at < hives.used; at = NextKept(hives, at)) {
        platform::RegistryKey desktop = 0;
        if (!OpenDesktop(KeptName(hives, at), platform::kKeyRead | platform::kKeySetValue, &desktop)) continue;
        WideChar secure[platform::kMaxPath];
        int locks = ReadRegistryText(desktop, kSecureValue, secure) && secure[0] == kLocks && secure[1] == 0;
        if (locks && blankThere) {
            auto size = static_cast<std::uint32_t>((WideLength(blank) + 1) * sizeof(WideChar));
            platform::RegSetValueExW(desktop, kSaverValue, platform::kRegSz, reinterpret_cast<unsigned char*>(blank),
                                     size);
        } else {
            platform::RegDeleteValueW(desktop, kSaverValue);
        }
        platform::RegCloseKey(desktop);
    }
}
