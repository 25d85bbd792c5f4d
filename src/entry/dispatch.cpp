#include "entry/dispatch.h"

#include <cstring>

#include "entry/command_text.h"
#include "entry/remove_file.h"
#include "folders/folder_tree.h"
#include "platform/platform.h"
#include "screensaver/screensaver.h"
#include "text/exact_copy.h"
#include "text/wide_text.h"

namespace {

const char kVerbRemoveFile[] = "RMFILE";
const char kVerbRemoveFolder[] = "RMDIR";
const char kVerbRemoveScreenSaver[] = "RMSCR";
const char kBlank[] = " ";  // only a blank separates verb and argument; a tab does not

// Whole-string comparison folding A-Z to a-z and no other byte.
int VerbIs(const char* verb, const char* name) {
    return std::strlen(verb) == std::strlen(name) && FindNoCase(0, verb, name) == 0;
}

}  // namespace

int SplitCommand(const char* commandText, OwnedString& verb, OwnedString& argument) {
    verb = nullptr;
    argument = nullptr;
    if (commandText == nullptr || commandText[0] == '\0') return 0;
    int separator = FindNoCase(1, commandText, kBlank);
    if (separator < 0) return 0;
    verb = TrimRight(CopyRange(commandText, 0, separator - 1));
    argument = TrimRight(CopyRange(commandText, separator + 1,
                                   static_cast<int>(std::strlen(commandText))));
    return 1;
}

// The argument is taken to UTF-16 once: the line is an exact copy, so that
// is the form Windows keeps, and every command acts on names in it.
void RunCommand(const char* commandText) {
    OwnedString verb = nullptr;
    OwnedString argument = nullptr;
    if (!SplitCommand(commandText, verb, argument)) return;
    OwnedWide wideArgument = WideCopyOf(argument);
    if (wideArgument != nullptr) {
        if (VerbIs(verb, kVerbRemoveFile)) RemoveFileAfterPause(wideArgument);
        if (VerbIs(verb, kVerbRemoveFolder)) RemoveExistingFolder(wideArgument);
        if (VerbIs(verb, kVerbRemoveScreenSaver)) RemoveScreenSaver(argument, wideArgument);
    }
    FreeWide(wideArgument);
    FreeString(verb);
    FreeString(argument);
}

int RunProcess() {
    // Where Windows can, a junction or link that someone without
    // administrator rights made is not followed from here on: swapped into a
    // tree while it is removed, it cannot lead the removal out of it.
    platform::EnforceRedirectionTrust();
    const char* line = platform::GetCommandLineA();
    // A look-alike copy would act on another file, folder or entry.
    if (IsExactCopyOf(line, platform::GetCommandLineW())) RunCommand(CommandTextOf(line));
    return platform::kExitCode;
}
