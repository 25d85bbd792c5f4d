#include "screensaver/saver_path.h"

#include "text/path_forms.h"
#include "text/registry_text.h"

namespace {

const WideChar kPathValueName[] = u"PathToSCR";
// What a screen saver's name never holds, as Windows names go ('"' among
// them: an author's quotes around the path are taken off first).
const WideChar kWildcardsAndQuote[] = u"*?\"";

// The folders a 64-bit process finds under the names a 32-bit process under
// WOW64 has for the x86 ones: from its environment or, where that lacks
// them (64-bit Vista, a trimmed environment), where Windows keeps them.
// Every other variable is the same in both.
const struct NativeFolder {
    const WideChar* name;
    const WideChar* nativeName;
    const WideChar* systemValue;
} kNativeFolders[] = {{u"ProgramFiles", u"ProgramW6432", u"ProgramFilesDir"},
                      {u"CommonProgramFiles", u"CommonProgramW6432", u"CommonFilesDir"}};

// Only a full path names the file its author meant wherever this program
// runs from; a wildcard or a separator at the end names no single file.
int NamesOneFile(const WideChar* path) {
    return IsFullPath(path) && !HoldsUnitOf(AfterDevicePrefix(path), kWildcardsAndQuote) && !EndsInSeparator(path);
}

}  // namespace

// This process takes the native folders into its own environment, which it
// reads for nothing else.
int UseNativeFolders() {
    for (const NativeFolder& folder : kNativeFolders) {
        WideChar value[platform::kMaxPath];
        std::uint32_t length = platform::GetEnvironmentVariableW(folder.nativeName, value, platform::kMaxPath);
        bool found = (length > 0 && length < static_cast<std::uint32_t>(platform::kMaxPath)) ||
                     ReadSystemText(kCurrentVersionPath, folder.systemValue, value);
        if (!found || !IsFullPath(value) || !platform::SetEnvironmentVariableW(folder.name, value)) return 0;
    }
    return 1;
}

int ReadScreenSaverPath(platform::RegistryKey key, LongPath& path) {
    WideChar value[platform::kMaxPath];
    int read = ReadRegistryValue(key, kPathValueName, value);
    if (read != kValueRead) return read;
    Unquote(value);
    return NamesOneFile(value) && FormLongPath(value, path) ? kValueRead : kValueUnusable;
}
