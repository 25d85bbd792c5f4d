// Removes the folder tree named by its argument with the fewest ANSI calls:
// one search per folder, one DeleteFileA per file, one RemoveDirectoryA per
// folder. It clears no attributes and enters links, so it is only fit for
// the plain trees the benchmark makes.
//
// A GUI program, as uninstall.exe is: a console program would have Wine
// start a console for it, and the comparison would time that instead of the
// walk.
#include <windows.h>

namespace {

const char kAllEntries[] = "\\*.*";
const char kSeparator = '\\';
const size_t kPathRoom = 1024;

bool IsDotEntry(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool Fits(size_t length, const char* name) {
    return length + 1 + static_cast<size_t>(lstrlenA(name)) + sizeof kAllEntries < kPathRoom;
}

// path holds the folder, length characters long; each entry's name is
// written after it in place, and the folder's own path is restored at the end.
void RemoveTree(char* path, size_t length) {
    WIN32_FIND_DATAA found;
    lstrcpyA(path + length, kAllEntries);
    HANDLE search = FindFirstFileA(path, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (IsDotEntry(found.cFileName) || !Fits(length, found.cFileName)) continue;
            path[length] = kSeparator;
            lstrcpyA(path + length + 1, found.cFileName);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path, length + 1 + static_cast<size_t>(lstrlenA(found.cFileName)));
            } else {
                DeleteFileA(path);
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    path[length] = '\0';
    RemoveDirectoryA(path);
}

// The folder: what follows the program's name and the blanks after it.
const char* FolderArgument(const char* line) {
    if (*line == '"') {
        do ++line; while (*line != '\0' && *line != '"');
        if (*line == '"') ++line;
    } else {
        while (*line > ' ') ++line;
    }
    while (*line == ' ' || *line == '\t') ++line;
    return line;
}

}  // namespace

// Like uninstall.exe it has no C runtime, and reads its argument itself.
extern "C" [[noreturn]] void ProgramStart() {
    static char path[kPathRoom];
    const char* folder = FolderArgument(GetCommandLineA());
    if (!Fits(0, folder)) ExitProcess(1);
    lstrcpyA(path, folder);
    RemoveTree(path, static_cast<size_t>(lstrlenA(path)));
    ExitProcess(0);
}
