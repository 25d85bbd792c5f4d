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
// The registry writes its folders with these, which a trimmed environment
// may lack: the Windows folder gives the first, and its drive the second.
const WideChar* const kSystemVariables[] = {u"SystemRoot", u"SystemDrive"};
// The last two are profiles.
const WideChar* const kFolderVariables[] = {
    u"ProgramFiles",       u"ProgramFiles(x86)", u"ProgramW6432", u"CommonProgramFiles", u"CommonProgramFiles(x86)",
    u"CommonProgramW6432", u"ALLUSERSPROFILE",   u"APPDATA",      u"LOCALAPPDATA",       u"PUBLIC",
    kUserProfile,
};
const std::size_t kFolderVariableCount = sizeof kFolderVariables / sizeof *kFolderVariables;
const std::size_t kFirstProfileVariable = kFolderVariableCount - 2;
const WideChar* const kProgramFolderValues[] = {u"ProgramFilesDir", u"ProgramFilesDir (x86)", u"CommonFilesDir",
                                                u"CommonFilesDir (x86)"};
const WideChar kProfileList[] = u"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
// After ProgramData, ProfilesDirectory holds the profiles; Public and
// Default are profiles.
const WideChar* const kProfileListFolders[] = {u"ProgramData", u"ProfilesDirectory", u"Public", u"Default"};
const WideChar kProfileImagePath[] = u"ProfileImagePath";
// Under CurrentVersion, in a user's hive and the machine's: the folders
// Windows gives Desktop, Documents, Downloads, the Start menu and the rest,
// as written ("User Shell Folders") and as Windows expanded them ("Shell
// Folders", the same name from its sixth unit on).
const WideChar kExplorer[] = u"Explorer";
const WideChar kUserShellFolders[] = u"User Shell Folders";
const WideChar* const kShellFolders[] = {kUserShellFolders, kUserShellFolders + 5};
const WideChar kUnexpanded[] = u"%";
const std::uint32_t kRead = platform::kKeyRead | platform::kKeyWow64_64Key;
// What lies directly in such a folder is a person's own: the folder itself
// is a profile, or holds the profiles.
const int kHoldsOwnFolders = 1;

// The argument and what is known of it so far, with its final path where
// Windows gives it. It is judged against each folder in scratch, and real,
// when Windows gives it, is where that folder really lies.
struct Guard {
    platform::FileIdentity argument;
    platform::FileIdentity parent;      // of its spelling
    platform::FileIdentity realParent;  // of its final path
    LongPath argumentReal;
    LongPath scratch;
    LongPath real;
    int local;  // not on another machine
    int refused;
};

int Fits(std::uint32_t length) { return length > 0 && length < static_cast<std::uint32_t>(platform::kMaxPath); }

// A value that did not expand, or names a place only relative to the
// current folders, names no system folder.
int NamesAFolder(const WideChar* text) { return IsFullPath(text) && !HoldsUnitOf(text, kUnexpanded); }

// The argument is path cut back to a folder above it: path is cut back one
// separator at a time, and each folder opened.
void RefuseIfAbove(Guard& guard, LongPath& path) {
    platform::FileIdentity found;
    while (!guard.refused && CutToParent(path)) {
        guard.refused = IdentityOf(path.text, &found) == kIdentityKnown && IsSameFile(found, guard.argument);
    }
}

// The argument is the folder in scratch or a folder above it, by its
// spelling or where it really lies; or, when it holds a person's own
// folders, it is directly in it. A folder that is not there, or cannot be
// reached now, holds nothing; one that is there but cannot be opened cannot
// be judged. A folder on another machine can hold only a path there.
void JudgeScratch(Guard& guard, int holds) {
    if (guard.local && IsUncPath(guard.scratch.text)) return;
    platform::FileIdentity found;
    int known = IdentityOf(guard.scratch.text, &found, &guard.real);
    if (known == kIdentityAbsent || known == kIdentityUnreachable) return;
    guard.refused = known == kIdentityUnknown || IsSameFile(found, guard.argument) ||
                    (holds && (IsSameFile(found, guard.parent) || IsSameFile(found, guard.realParent)));
    // Final paths hold no link and no other spelling: one lies in the other
    // as its path begins with the other's. A spelling that is not the final
    // path may lead through a link, and each folder it names is opened; so
    // is each where Windows gives no final path.
    if (guard.real.length > 0 && guard.argumentReal.length > 0) {
        guard.refused = guard.refused || LiesWithin(guard.real.text, guard.argumentReal.text);
        if (IsSpelledAs(guard.scratch.text, guard.real.text)) return;
    }
    RefuseIfAbove(guard, guard.scratch);
}

// Forms folder, unless the argument is refused already.
int FormInScratch(Guard& guard, const WideChar* folder) {
    return !guard.refused && NamesAFolder(folder) && FormLongPath(folder, guard.scratch);
}

void Judge(Guard& guard, const WideChar* folder, int holds) {
    if (FormInScratch(guard, folder)) JudgeScratch(guard, holds);
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
    for (std::size_t at = 0; at < kFolderVariableCount; ++at) {
        if (Fits(platform::GetEnvironmentVariableW(kFolderVariables[at], value, platform::kMaxPath))) {
            Judge(guard, value, at >= kFirstProfileVariable);
        }
    }
    if (Fits(platform::GetEnvironmentVariableW(kUserProfile, value, platform::kMaxPath)) &&
        FormInScratch(guard, value) && CutToParent(guard.scratch) && !IsRoot(guard.scratch.text)) {
        JudgeScratch(guard, kHoldsOwnFolders);
    }
}

// Opens subKey of key: 1 when it is open. A key that is not there holds
// nothing; one that is there but cannot be opened cannot be judged.
int OpenToJudge(Guard& guard, platform::RegistryKey key, const WideChar* subKey, platform::RegistryKey* opened) {
    long status = platform::RegOpenKeyExW(key, subKey, 0, kRead, opened);
    guard.refused = guard.refused || (status != platform::kErrorSuccess && status != platform::kErrorFileNotFound);
    return status == platform::kErrorSuccess;
}

// The name of the index-th subkey of key, or with values set its index-th
// value: 0 at the end, and when the list cannot be read whole, which
// refuses the argument.
int NextName(Guard& guard, platform::RegistryKey key, std::uint32_t index, WideChar* name, int values) {
    std::uint32_t size = kKeyNameUnits;
    long status = values ? platform::RegEnumValueW(key, index, name, &size)
                         : platform::RegEnumKeyExW(key, index, name, &size);
    guard.refused = guard.refused || (status != platform::kErrorSuccess && status != platform::kErrorNoMoreItems);
    return !guard.refused && status == platform::kErrorSuccess;
}

// Every value of both shell folders keys under root names a folder, but
// for the few that are no path.
void JudgeShellFolders(Guard& guard, platform::RegistryKey root) {
    platform::RegistryKey version = 0;
    if (!OpenToJudge(guard, root, kCurrentVersionPath, &version)) return;
    platform::RegistryKey explorer = 0;
    if (OpenToJudge(guard, version, kExplorer, &explorer)) {
        for (const WideChar* keyName : kShellFolders) {
            platform::RegistryKey folders = 0;
            if (!OpenToJudge(guard, explorer, keyName, &folders)) continue;
            WideChar name[kKeyNameUnits];
            FolderText path;
            for (std::uint32_t index = 0; NextName(guard, folders, index, name, 1); ++index) {
                if (ReadRegistryText(folders, name, path)) Judge(guard, path, 0);
            }
            platform::RegCloseKey(folders);
        }
        platform::RegCloseKey(explorer);
    }
    platform::RegCloseKey(version);
}

// The profile ProfileList gives the user whose SID is sid, into path.
int ReadProfilePath(Guard& guard, platform::RegistryKey list, const WideChar* sid, WideChar* path) {
    platform::RegistryKey profile = 0;
    if (list == 0 || !OpenToJudge(guard, list, sid, &profile)) return 0;
    int read = ReadRegistryText(profile, kProfileImagePath, path);
    platform::RegCloseKey(profile);
    return read;
}

// The shell folders of every person signed in, whose hive is loaded. In a
// person's values %USERPROFILE% names their own profile, or, where the list
// has none, nothing.
void JudgePersonsFolders(Guard& guard, platform::RegistryKey list) {
    WideChar sid[kKeyNameUnits];
    FolderText profile;
    for (std::uint32_t index = 0; !guard.refused; ++index) {
        int found = NextUserHive(&index, sid, 0);
        if (found != kHiveFound) {
            guard.refused = found == kHivesUnreadable;
            return;
        }
        platform::RegistryKey hive = 0;
        if (!OpenToJudge(guard, platform::kUsers, sid, &hive)) continue;
        int known = ReadProfilePath(guard, list, sid, profile);
        platform::SetEnvironmentVariableW(kUserProfile, known ? profile : nullptr);
        JudgeShellFolders(guard, hive);
        platform::RegCloseKey(hive);
    }
}

// Each profile in the list, under a subkey named for its user, and the
// shell folders of those signed in.
void JudgeProfiles(Guard& guard) {
    platform::RegistryKey list = 0;
    OpenToJudge(guard, platform::kLocalMachine, kProfileList, &list);
    WideChar sid[kKeyNameUnits];
    FolderText path;
    for (std::uint32_t index = 0; list != 0 && NextName(guard, list, index, sid, 0); ++index) {
        if (ReadProfilePath(guard, list, sid, path)) Judge(guard, path, kHoldsOwnFolders);
    }
    JudgePersonsFolders(guard, list);
    if (list != 0) platform::RegCloseKey(list);
}

// Where Windows keeps its folders itself, in case the environment lacks or
// misnames them.
void JudgeRegistry(Guard& guard) {
    FolderText value;
    for (const WideChar* name : kProgramFolderValues) {
        if (ReadSystemText(kCurrentVersionPath, name, value)) Judge(guard, value, 0);
    }
    for (std::size_t at = 0; at < sizeof kProfileListFolders / sizeof *kProfileListFolders; ++at) {
        if (ReadSystemText(kProfileList, kProfileListFolders[at], value)) Judge(guard, value, at > 0);
    }
    JudgeShellFolders(guard, platform::kLocalMachine);
    JudgeProfiles(guard);
}

// The identity of the folder that holds path, into *identity: 0 when it
// cannot be read, or path is a root and has none.
int ReadHolder(Guard& guard, const LongPath& path, platform::FileIdentity* identity) {
    CutPath(guard.scratch, 0);
    return AppendToPath(guard.scratch, path.text) && CutToParent(guard.scratch) &&
           IdentityOf(guard.scratch.text, identity) == kIdentityKnown;
}

// The argument, and the folders that hold it by its spelling and where it
// really lies; without a final path, the one its spelling names.
int ReadArgument(Guard& guard, const LongPath& folder) {
    if (IdentityOf(folder.text, &guard.argument, &guard.argumentReal) != kIdentityKnown) return 0;
    if (!ReadHolder(guard, folder, &guard.parent)) return 0;
    guard.realParent = guard.parent;
    return guard.argumentReal.length == 0 || ReadHolder(guard, guard.argumentReal, &guard.realParent);
}

void SetSystemVariables() {
    FolderText windows;
    FolderText value;
    if (!Fits(platform::GetWindowsDirectoryW(windows, platform::kMaxPath))) return;
    for (const WideChar* variable : kSystemVariables) {
        if (!Fits(platform::GetEnvironmentVariableW(variable, value, platform::kMaxPath))) {
            platform::SetEnvironmentVariableW(variable, windows);
        }
        windows[2] = 0;  // the drive, "C:"
    }
}

}  // namespace

int IsOrHoldsSystemFolder(const LongPath& folder) {
    if (IsRoot(folder.text)) return 1;
    Guard guard = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, NewLongPath(), NewLongPath(), NewLongPath(),
                   !IsUncPath(folder.text), 0};
    guard.refused = !ReadArgument(guard, folder);
    SetSystemVariables();
    FolderText ownProfile;
    int profileKept = Fits(platform::GetEnvironmentVariableW(kUserProfile, ownProfile, platform::kMaxPath));
    JudgeSystemDirectories(guard);
    JudgeEnvironment(guard);
    JudgeRegistry(guard);
    // Each person's values were read with their own profile.
    platform::SetEnvironmentVariableW(kUserProfile, profileKept ? ownProfile : nullptr);
    FreeLongPath(guard.real);
    FreeLongPath(guard.scratch);
    FreeLongPath(guard.argumentReal);
    return guard.refused;
}
