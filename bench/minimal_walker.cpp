// Removes the folder tree named by its argument with the fewest calls, in
// the form uninstall.exe makes them: UTF-16 paths with the "\\?\" prefix,
// one search per folder, one DeleteFileW per file, one RemoveDirectoryW per
// folder. It clears no attributes and enters links, so it is only fit for
// the plain trees the benchmark makes, named by full paths.
//
// A GUI program, as uninstall.exe is: a console program would have Wine
// start a console for it, and the comparison would time that instead of the
// walk.
#include <windows.h>

namespace {

const wchar_t kLongPrefix[] = L"\\\\?\\";
const size_t kLongPrefixLength = 4;
const wchar_t kAllEntries[] = L"\\*";
const wchar_t kSeparator = L'\\';
const size_t kPathRoom = 32768;

bool IsDotEntry(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

bool Fits(size_t length, const wchar_t* name) {
    return length + 1 + static_cast<size_t>(lstrlenW(name)) + sizeof kAllEntries / sizeof kAllEntries[0] < kPathRoom;
}

// path holds the folder, length characters long; each entry's name is
// written after it in place, and the folder's own path is restored at the end.
void RemoveTree(wchar_t* path, size_t length) {
    WIN32_FIND_DATAW found;
    lstrcpyW(path + length, kAllEntries);
    HANDLE search = FindFirstFileW(path, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (IsDotEntry(found.cFileName) || !Fits(length, found.cFileName)) continue;
            path[length] = kSeparator;
            lstrcpyW(path + length + 1, found.cFileName);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path, length + 1 + static_cast<size_t>(lstrlenW(found.cFileName)));
            } else {
                DeleteFileW(path);
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    path[length] = L'\0';
    RemoveDirectoryW(path);
}

// The folder: what follows the program's name and the blanks after it.
const wchar_t* FolderArgument(const wchar_t* line) {
    if (*line == L'"') {
        do ++line; while (*line != L'\0' && *line != L'"');
        if (*line == L'"') ++line;
    } else {
        while (*line > L' ') ++line;
    }
    while (*line == L' ' || *line == L'\t') ++line;
    return line;
}

}  // namespace

// Like uninstall.exe it has no C runtime, and reads its argument itself.
extern "C" [[noreturn]] void ProgramStart() {
    static wchar_t path[kPathRoom];
    const wchar_t* folder = FolderArgument(GetCommandLineW());
    if (!Fits(kLongPrefixLength, folder)) ExitProcess(1);
    lstrcpyW(path, kLongPrefix);
    lstrcatW(path, folder);
    RemoveTree(path, static_cast<size_t>(lstrlenW(path)));
    ExitProcess(0);
}
