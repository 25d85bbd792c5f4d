// What the end-to-end tests share: starting uninstall.exe with an exact
// command line, scratch folders under the temporary folder, and small file
// helpers. Everything here is plain Win32, so the tests run unchanged on
// Windows and under Wine.
#ifndef UNINSTALL_TESTS_E2E_HARNESS_H
#define UNINSTALL_TESTS_E2E_HARNESS_H

#include <windows.h>

#include <map>
#include <string>

namespace e2e {

// uninstall.exe, in the folder this test program runs from.
std::string ProgramPath();

// A started uninstall.exe; Finish waits for it and closes its handles.
struct Started {
    PROCESS_INFORMATION process;
};

struct Finished {
    DWORD exitCode;
    bool timedOut;
    ULONGLONG lifetimeMs;  // from the process's creation to its exit
};

// Starts uninstall.exe with commandLine passed exactly as given.
Started Start(const std::string& commandLine);
bool IsRunning(const Started& started);
Finished Finish(Started& started, DWORD timeoutMs = 30000);
Finished Run(const std::string& commandLine);

// A new empty folder, removed with everything in it when the test ends.
class ScratchFolder {
public:
    explicit ScratchFolder(const char* tag);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

void MakeFile(const std::string& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL);
void MakeFolder(const std::string& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL);
bool Exists(const std::string& path);
// Relative path -> attributes of everything below folder; links are listed
// but not entered.
typedef std::map<std::string, DWORD> Listing;
Listing ListOf(const std::string& folder);
// Removes path and everything below it, clearing attributes; test cleanup only.
void RemoveTree(const std::string& path);

// Uninstall entries under HKEY_LOCAL_MACHINE, named as uninstall.exe names
// them. InstallEntry stores data as the value PathToSCR, with the given type;
// type 0 makes an entry without it.
const char kUninstallList[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
void InstallEntry(const std::string& name, DWORD type, const std::string& data);
bool EntryExists(const std::string& name);
void DeleteEntry(const std::string& name);  // and any subkeys it has
int EntryCount();

}  // namespace e2e

#endif
