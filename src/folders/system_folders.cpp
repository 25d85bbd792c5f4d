#include "folders/system_folders.h"

#include <cstring>

#include "platform/platform.h"
#include "text/characters.h"
#include "text/path_forms.h"

namespace {

typedef char PathBuffer[platform::kMaxPath];

const char kSeparator = '\\';
const char kUserProfile[] = "USERPROFILE";
// The folders the environment names; any that is unset or empty is skipped.
const char* const kFolderVariables[] = {
    "ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "CommonProgramFiles", "CommonProgramFiles(x86)",
    "CommonProgramW6432", "ALLUSERSPROFILE", "PUBLIC", kUserProfile, "APPDATA", "LOCALAPPDATA",
};
const char kProfileList[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const char kProfilesDirectory[] = "ProfilesDirectory";

int Fits(std::uint32_t length) { return length > 0 && length < static_cast<std::uint32_t>(platform::kMaxPath); }

// Where the last separator of path is, or null.
char* LastSeparator(char* path) {
    char* last = nullptr;
    for (char* at = path; *at != '\0'; at += CharacterLength(at)) {
        if (*at == kSeparator) last = at;
    }
    return last;
}

// 1 for a drive's root ("C:\") and for what names a share or a volume as a
// whole ("\\server\share", "\\?\Volume{...}\"): each holds every folder on it.
int IsRoot(const char* full) {
    if (full[0] != kSeparator) return std::strlen(full) <= 3;
    int inner = 0;
    for (const char* at = full + 2; *at != '\0'; at += CharacterLength(at)) {
        if (*at == kSeparator && at[1] != '\0') ++inner;
    }
    return inner <= 1;
}

// Cuts path, normalized, to the folder that holds it; 0 when that is none
// or a root.
int CutToParent(char* path) {
    char* last = LastSeparator(path);
    if (last == nullptr) return 0;
    *last = '\0';
    return !IsRoot(path);
}

// The form every path is compared in: full, with long names where the path
// exists, and without a separator at its end but for a root's.
int Normalize(const char* path, char* normal) {
    if (!FormFullPath(path, normal)) return 0;
    PathBuffer longer;
    std::uint32_t length = platform::GetLongPathNameA(normal, longer, platform::kMaxPath);
    if (Fits(length)) std::memcpy(normal, longer, length + 1);
    char* last = LastSeparator(normal);
    if (last != nullptr && last[1] == '\0' && !IsRoot(normal)) *last = '\0';
    return 1;
}

// 1 if inner is outer or lies below it, both normalized.
int Contains(const char* outer, const char* inner) {
    std::size_t length = std::strlen(outer);
    return StartsWithNoCase(inner, outer) && (inner[length] == '\0' || inner[length] == kSeparator);
}

// 1 if argument is or holds the folder found, length characters long.
int HoldsFound(const char* argument, std::uint32_t length, const char* found) {
    PathBuffer normal;
    return Fits(length) && Normalize(found, normal) && Contains(argument, normal);
}

// ProfilesDirectory, expanded, into path.
int ReadProfilesDirectory(char* path) {
    PathBuffer stored;
    platform::RegistryKey key = 0;
    std::uint32_t access = platform::kKeyRead | platform::kKeyWow64_64Key;
    if (platform::RegOpenKeyExA(platform::kLocalMachine, kProfileList, 0, access, &key) != platform::kErrorSuccess) {
        return 0;
    }
    std::uint32_t type = 0;
    std::uint32_t size = platform::kMaxPath;
    long status = platform::RegQueryValueExA(key, kProfilesDirectory, &type, reinterpret_cast<unsigned char*>(stored),
                                             &size);
    platform::RegCloseKey(key);
    return status == platform::kErrorSuccess && (type == platform::kRegSz || type == platform::kRegExpandSz) &&
           std::memchr(stored, '\0', size) != nullptr &&
           Fits(platform::ExpandEnvironmentStringsA(stored, path, platform::kMaxPath));
}

// The folder that holds the user profiles: ProfilesDirectory or, failing
// that, the folder that holds USERPROFILE, unless that is a root.
int FindProfilesFolder(char* profiles) {
    PathBuffer found;
    if (ReadProfilesDirectory(found) && Normalize(found, profiles)) return 1;
    return Fits(platform::GetEnvironmentVariableA(kUserProfile, found, platform::kMaxPath)) &&
           Normalize(found, profiles) && CutToParent(profiles);
}

// 1 if argument is or holds the profiles folder, or is a folder directly in
// it: any user's profile.
int IsOrHoldsAProfile(const char* argument) {
    PathBuffer profiles;
    PathBuffer parent;
    if (!FindProfilesFolder(profiles)) return 0;
    std::memcpy(parent, argument, std::strlen(argument) + 1);
    return Contains(argument, profiles) || (CutToParent(parent) && EqualsNoCase(parent, profiles));
}

}  // namespace

int IsOrHoldsSystemFolder(const char* folder) {
    PathBuffer argument;
    PathBuffer found;
    if (!Normalize(folder, argument) || IsRoot(argument)) return 1;
    if (HoldsFound(argument, platform::GetWindowsDirectoryA(found, platform::kMaxPath), found) ||
        HoldsFound(argument, platform::GetSystemDirectoryA(found, platform::kMaxPath), found) ||
        HoldsFound(argument, platform::GetSystemWow64DirectoryA(found, platform::kMaxPath), found)) {
        return 1;
    }
    for (const char* variable : kFolderVariables) {
        if (HoldsFound(argument, platform::GetEnvironmentVariableA(variable, found, platform::kMaxPath), found)) {
            return 1;
        }
    }
    return IsOrHoldsAProfile(argument);
}
