#include "folders/system_folders.h"

#include "folders/identity.h"
#include "text/path_forms.h"
#include "text/registry_text.h"

namespace {

typedef WideChar FolderText[platform::kMaxPath];
typedef std::uint32_t (*DirectoryCall)(WideChar* buffer, std::uint32_t size);

const DirectoryCall kDirectoryCalls[] = {platform::GetWindowsDirectoryW, platform::GetSystemDirectoryW,
                                         platform::GetSystemWow64DirectoryW};
// Under WOW64 the system folder reaches SysWOW64; this alias reaches the
// native one. Elsewhere it is not there.
const WideChar kNativeSystemFolder[] = u"\\Sysnative";
const WideChar kUserProfile[] = u"USERPROFILE";
const WideChar* const kFolderVariables[] = {
    u"ProgramFiles",    u"ProgramFiles(x86)", u"ProgramW6432", u"CommonProgramFiles", u"CommonProgramFiles(x86)",
    u"CommonProgramW6432", u"ALLUSERSPROFILE", u"PUBLIC",      kUserProfile,          u"APPDATA",
    u"LOCALAPPDATA",
};
const WideChar* const kProgramFolderValues[] = {u"ProgramFilesDir", u"ProgramFilesDir (x86)", u"CommonFilesDir",
                                                u"CommonFilesDir (x86)"};
const WideChar kProfileList[] = u"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const WideChar kProfilesDirectory[] = u"ProfilesDirectory";
const WideChar* const kProfileListValues[] = {u"ProgramData", u"Public", u"Default"};
const WideChar kProfileImagePath[] = u"ProfileImagePath";
const WideChar kUnexpanded[] = u"%";
// A key's name is at most 255 characters.
const std::uint32_t kKeyNameUnits = 256;

// The argument and what is known of it so far; scratch holds each folder
// judged.
struct Guard {
    platform::FileIdentity argument;
    platform::FileIdentity parent;
    LongPath scratch;
    int refused;
};

int Fits(std::uint32_t length) { return length > 0 && length < static_cast<std::uint32_t>(platform::kMaxPath); }

// A value that did not expand, or names a place only relative to the
// current folders, names no system folder.
int NamesAFolder(const WideChar* text) { return IsFullPath(text) && !HoldsUnitOf(text, kUnexpanded); }

// The argument is the folder in scratch or a folder above it; or, when that
// holds the profiles, a folder directly in it. A folder that is not there
// holds nothing; one that is there but cannot be opened cannot be judged.
void JudgeScratch(Guard& guard, int holdsProfiles) {
    platform::FileIdentity found;
    int known = IdentityOf(guard.scratch.text, &found);
    if (known == kIdentityAbsent) return;
    guard.refused = known == kIdentityUnknown || IsSameFile(found, guard.argument) ||
                    (holdsProfiles && IsSameFile(found, guard.parent));
    while (!guard.refused && CutToParent(guard.scratch)) {
        guard.refused = IdentityOf(guard.scratch.text, &found) == kIdentityKnown && IsSameFile(found, guard.argument);
    }
}

// Forms folder, unless the argument is refused already.
int FormInScratch(Guard& guard, const WideChar* folder) {
    return !guard.refused && NamesAFolder(folder) && FormLongPath(folder, guard.scratch);
}

void Judge(Guard& guard, const WideChar* folder, int holdsProfiles) {
    if (FormInScratch(guard, folder)) JudgeScratch(guard, holdsProfiles);
}

void JudgeSystemDirectories(Guard& guard) {
    FolderText found;
    for (DirectoryCall call : kDirectoryCalls) {
        if (Fits(call(found, platform::kMaxPath))) Judge(guard, found, 0);
    }
    if (Fits(platform::GetWindowsDirectoryW(found, platform::kMaxPath)) && FormInScratch(guard, found) &&
        AppendToPath(guard.scratch, kNativeSystemFolder)) {
        JudgeScratch(guard, 0);
    }
}

// The folder that holds USERPROFILE holds the profiles, unless it is a root.
void JudgeEnvironment(Guard& guard) {
    FolderText value;
    for (const WideChar* variable : kFolderVariables) {
        if (Fits(platform::GetEnvironmentVariableW(variable, value, platform::kMaxPath))) Judge(guard, value, 0);
    }
    if (Fits(platform::GetEnvironmentVariableW(kUserProfile, value, platform::kMaxPath)) &&
        FormInScratch(guard, value) && CutToParent(guard.scratch) && !IsRoot(guard.scratch.text)) {
        JudgeScratch(guard, 1);
    }
}

// Each profile of the list, under a subkey named for its user.
void JudgeProfiles(Guard& guard) {
    platform::RegistryKey list = 0;
    const std::uint32_t access = platform::kKeyRead | platform::kKeyWow64_64Key;
    if (platform::RegOpenKeyExW(platform::kLocalMachine, kProfileList, 0, access, &list) != platform::kErrorSuccess) {
        return;
    }
    for (std::uint32_t index = 0; !guard.refused; ++index) {
        WideChar name[kKeyNameUnits];
        std::uint32_t size = kKeyNameUnits;
        if (platform::RegEnumKeyExW(list, index, name, &size) != platform::kErrorSuccess) break;
        platform::RegistryKey profile = 0;
        if (platform::RegOpenKeyExW(list, name, 0, access, &profile) != platform::kErrorSuccess) continue;
        FolderText path;
        if (ReadRegistryText(profile, kProfileImagePath, path)) Judge(guard, path, 0);
        platform::RegCloseKey(profile);
    }
    platform::RegCloseKey(list);
}

// Where Windows keeps its folders itself, in case the environment lacks or
// misnames them.
void JudgeRegistry(Guard& guard) {
    FolderText value;
    for (const WideChar* name : kProgramFolderValues) {
        if (ReadSystemText(kCurrentVersionPath, name, value)) Judge(guard, value, 0);
    }
    if (ReadSystemText(kProfileList, kProfilesDirectory, value)) Judge(guard, value, 1);
    for (const WideChar* name : kProfileListValues) {
        if (ReadSystemText(kProfileList, name, value)) Judge(guard, value, 0);
    }
    JudgeProfiles(guard);
}

// The folder that holds the argument, for the profiles folders.
int ReadParent(Guard& guard, const LongPath& folder) {
    CutPath(guard.scratch, 0);
    return AppendToPath(guard.scratch, folder.text) && CutToParent(guard.scratch) &&
           IdentityOf(guard.scratch.text, &guard.parent) == kIdentityKnown;
}

}  // namespace

int IsOrHoldsSystemFolder(const LongPath& folder) {
    if (IsRoot(folder.text)) return 1;
    Guard guard = {{0, 0, 0}, {0, 0, 0}, NewLongPath(), 0};
    guard.refused = IdentityOf(folder.text, &guard.argument) != kIdentityKnown || !ReadParent(guard, folder);
    JudgeSystemDirectories(guard);
    JudgeEnvironment(guard);
    JudgeRegistry(guard);
    FreeLongPath(guard.scratch);
    return guard.refused;
}
