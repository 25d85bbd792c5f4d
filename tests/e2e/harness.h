// What the end-to-end tests share: starting uninstall.exe with an exact
// command line, scratch folders under the temporary folder, and small file
// helpers. Everything here is plain Win32, so the tests run unchanged on
// Windows and under Wine.
#ifndef UNINSTALL_TESTS_E2E_HARNESS_H
#define UNINSTALL_TESTS_E2E_HARNESS_H

#include <gtest/gtest.h>
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

// Starts uninstall.exe with commandLine passed exactly as given, on the
// desktop named "station\\desktop" when one is given.
Started Start(const std::string& commandLine, const char* desktop = nullptr);
bool IsRunning(const Started& started);
Finished Finish(Started& started, DWORD timeoutMs = 30000);
Finished Run(const std::string& commandLine);
// Runs it with the wide call, as the list of installed software starts an
// uninstall string: the ANSI command line it sees is then Windows' copy.
Finished RunWide(const std::wstring& commandLine);

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

// The helpers that set up state return whether they could, so that a test
// checks it (ASSERT_TRUE) and a failure is reported at the test's own line.
::testing::AssertionResult MakeFile(const std::string& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL);
::testing::AssertionResult MakeFolder(const std::string& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL);
// The same for a full path given in UTF-16, made on its "\\?\" form, which
// takes any name Windows holds and any length. The file is empty.
::testing::AssertionResult MakeFile(const std::wstring& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL);
::testing::AssertionResult MakeFolder(const std::wstring& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL);
bool Exists(const std::string& path);
std::string ContentOf(const std::string& path);
// The wide form of an ANSI path, for names the ANSI calls cannot make.
std::wstring Wide(const std::string& path);
// Relative path -> attributes of everything below folder; links are listed
// but not entered.
typedef std::map<std::string, DWORD> Listing;
Listing ListOf(const std::string& folder);
// Removes path and everything below it, clearing attributes, with the wide
// calls on its "\\?\" form, so any name Windows holds goes; test cleanup only.
void RemoveTree(const std::string& path);

// Uninstall entries under HKEY_LOCAL_MACHINE, named as uninstall.exe names
// them. InstallEntry stores data as the value PathToSCR, with the given type;
// type 0 makes an entry without it. view is 0 for this program's own view
// of the registry, or KEY_WOW64_64KEY for the 64-bit one on 64-bit Windows.
const char kUninstallList[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
::testing::AssertionResult InstallEntry(const std::string& name, DWORD type, const std::string& data,
                                        REGSAM view = 0);
bool EntryExists(const std::string& name, REGSAM view = 0);
void DeleteEntry(const std::string& name, REGSAM view = 0);  // and any subkeys it has
// The same in UTF-16, for names and paths the ANSI code page lacks; data is
// stored with its terminator, and this DeleteEntry takes no subkeys.
::testing::AssertionResult InstallEntry(const std::wstring& name, DWORD type, const std::wstring& data,
                                        REGSAM view = 0);
bool EntryExists(const std::wstring& name, REGSAM view = 0);
void DeleteEntry(const std::wstring& name, REGSAM view = 0);
int EntryCount();

// A string value of root\key set for as long as this lives, the key made if
// need be, and then put back as it was, or deleted where there was none.
class TemporaryValue {
public:
    TemporaryValue(HKEY root, const char* key, const char* name, const std::string& text, DWORD type = REG_SZ);
    ~TemporaryValue();
    TemporaryValue(const TemporaryValue&) = delete;
    TemporaryValue& operator=(const TemporaryValue&) = delete;
    bool Set() const { return set_; }

private:
    HKEY key_ = nullptr;
    std::string name_;
    DWORD type_ = 0;
    std::string was_;
    bool had_ = false;
    bool set_ = false;
};

// The string value name of root\key, or "<none>".
std::string ValueOf(HKEY root, const char* key, const char* name);

// 64-bit Windows, where this 32-bit program runs under WOW64.
bool RunsUnderWow64();
// Wine, whose ntdll says so, rather than Windows.
bool RunsUnderWine();

// Skips the running test when condition does not hold here, unless the
// environment variable promise is set: a run that was promised a 64-bit
// prefix or a code page fails instead of skipping.
#define E2E_REQUIRE(condition, promise, what)                                      \
    do {                                                                           \
        if (!(condition)) {                                                        \
            if (e2e::Promised(promise)) FAIL() << "promised by " << promise << ": " << what; \
            GTEST_SKIP() << "not here: " << what;                                  \
        }                                                                          \
    } while (0)

bool Promised(const char* variable);

// File-system redirection off for as long as it lives, so that System32
// names the native folder and not SysWOW64.
class NativeFileSystem {
public:
    NativeFileSystem();
    ~NativeFileSystem();
    NativeFileSystem(const NativeFileSystem&) = delete;
    NativeFileSystem& operator=(const NativeFileSystem&) = delete;

private:
    PVOID saved_ = nullptr;
};

}  // namespace e2e

#endif
