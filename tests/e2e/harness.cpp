#include "harness.h"

#include <gtest/gtest.h>

#include <vector>

namespace e2e {

namespace {

std::string OwnFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string own(path, length);
    return own.substr(0, own.rfind('\\'));
}

ULONGLONG Milliseconds(const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return value.QuadPart / 10000;
}

}  // namespace

std::string ProgramPath() { return OwnFolder() + "\\uninstall.exe"; }

namespace {

// The program is named apart, so the command line can hold anything. An ANSI
// line goes through the wide call as CreateProcessA would take it.
Started StartWide(const std::wstring& commandLine, const char* desktop) {
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    std::wstring desktopName = desktop ? Wide(desktop) : L"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.lpDesktop = desktop ? &desktopName[0] : nullptr;
    Started started = {};
    BOOL ok = CreateProcessW(Wide(ProgramPath()).c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &started.process);
    EXPECT_TRUE(ok) << "CreateProcessW failed: " << GetLastError();
    return started;
}

}  // namespace

Started Start(const std::string& commandLine, const char* desktop) {
    return StartWide(Wide(commandLine), desktop);
}

bool IsRunning(const Started& started) {
    return started.process.hProcess && WaitForSingleObject(started.process.hProcess, 0) == WAIT_TIMEOUT;
}

Finished Finish(Started& started, DWORD timeoutMs) {
    Finished finished = {0xFFFFFFFF, true, 0};
    HANDLE process = started.process.hProcess;
    if (process == nullptr) return finished;
    if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0) {
        finished.timedOut = false;
        GetExitCodeProcess(process, &finished.exitCode);
        FILETIME created, exited, kernel, user;
        if (GetProcessTimes(process, &created, &exited, &kernel, &user)) {
            finished.lifetimeMs = Milliseconds(exited) - Milliseconds(created);
        }
    } else {
        TerminateProcess(process, 1);
    }
    CloseHandle(started.process.hThread);
    CloseHandle(process);
    started.process = {};
    return finished;
}

Finished Run(const std::string& commandLine) {
    Started started = Start(commandLine);
    return Finish(started);
}

Finished RunWide(const std::wstring& commandLine) {
    Started started = StartWide(commandLine, nullptr);
    return Finish(started);
}

ScratchFolder::ScratchFolder(const char* tag) {
    static int made = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "uninstall-e2e-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++made) + "-" + tag;
    RemoveTree(path_);
    // Where this fails, the test's first file in it fails at its own line.
    CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

namespace {

::testing::AssertionResult Failed(const char* what, const std::string& path) {
    return ::testing::AssertionFailure() << what << " " << path << ": error " << GetLastError();
}

}  // namespace

::testing::AssertionResult MakeFile(const std::string& path, DWORD attributes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Failed("cannot make", path);
    DWORD written = 0;
    WriteFile(file, path.data(), static_cast<DWORD>(path.size()), &written, nullptr);
    CloseHandle(file);
    if (!SetFileAttributesA(path.c_str(), attributes)) return Failed("cannot mark", path);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult MakeFolder(const std::string& path, DWORD attributes) {
    if (!CreateDirectoryA(path.c_str(), nullptr)) return Failed("cannot make", path);
    if (!SetFileAttributesA(path.c_str(), attributes)) return Failed("cannot mark", path);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult MakeFile(const std::wstring& path, DWORD attributes) {
    std::wstring whole = L"\\\\?\\" + path;
    HANDLE file = CreateFileW(whole.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return ::testing::AssertionFailure() << "cannot make " << path << ": error " << GetLastError();
    }
    CloseHandle(file);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult MakeFolder(const std::wstring& path, DWORD attributes) {
    std::wstring whole = L"\\\\?\\" + path;
    if (!CreateDirectoryW(whole.c_str(), nullptr) || !SetFileAttributesW(whole.c_str(), attributes)) {
        return ::testing::AssertionFailure() << "cannot make " << path << ": error " << GetLastError();
    }
    return ::testing::AssertionSuccess();
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ContentOf(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<cannot be read>";
    std::string content;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) content.append(buffer, read);
    CloseHandle(file);
    return content;
}

std::wstring Wide(const std::string& path) {
    int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], length);
    wide.resize(wide.size() - 1);
    return wide;
}

namespace {

void List(const std::string& folder, const std::string& prefix, Listing& listing) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        listing[prefix + name] = found.dwFileAttributes;
        bool descend = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                       !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
        if (descend) List(folder + "\\" + name, prefix + name + "\\", listing);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

}  // namespace

Listing ListOf(const std::string& folder) {
    Listing listing;
    List(folder, "", listing);
    return listing;
}

namespace {

void RemoveLong(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(path.c_str());
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = found.cFileName;
                if (name != L"." && name != L"..") RemoveLong(path + L"\\" + name);
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
    }
    RemoveDirectoryW(path.c_str());
}

}  // namespace

void RemoveTree(const std::string& path) { RemoveLong(L"\\\\?\\" + Wide(path)); }

namespace {

std::string EntryPath(const std::string& name) { return std::string(kUninstallList) + "\\" + name; }

}  // namespace

::testing::AssertionResult InstallEntry(const std::string& name, DWORD type, const std::string& data,
                                        REGSAM view) {
    HKEY key = nullptr;
    LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, EntryPath(name).c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS | view, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return ::testing::AssertionFailure() << "cannot make " << name << ": " << status;
    if (type != 0) {
        status = RegSetValueExA(key, "PathToSCR", 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                static_cast<DWORD>(data.size()));
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return ::testing::AssertionFailure() << "cannot set " << name << ": " << status;
    return ::testing::AssertionSuccess();
}

bool EntryExists(const std::string& name, REGSAM view) { return EntryExists(Wide(name), view); }

void DeleteEntry(const std::string& name, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, EntryPath(name).c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
        return;
    }
    char child[256];
    std::vector<std::string> children;
    for (DWORD i = 0; RegEnumKeyA(key, i, child, sizeof child) == ERROR_SUCCESS; ++i) {
        children.push_back(child);
    }
    RegCloseKey(key);
    for (const std::string& each : children) DeleteEntry(name + "\\" + each, view);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, EntryPath(name).c_str(), view, 0);
}

namespace {

std::wstring EntryPath(const std::wstring& name) { return Wide(kUninstallList) + L"\\" + name; }

}  // namespace

::testing::AssertionResult InstallEntry(const std::wstring& name, DWORD type, const std::wstring& data,
                                        REGSAM view) {
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, EntryPath(name).c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS | view, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        status = RegSetValueExW(key, L"PathToSCR", 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                                static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS) return ::testing::AssertionFailure() << "cannot make the entry: " << status;
    return ::testing::AssertionSuccess();
}

bool EntryExists(const std::wstring& name, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, EntryPath(name).c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

void DeleteEntry(const std::wstring& name, REGSAM view) {
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, EntryPath(name).c_str(), view, 0);
}

bool RunsUnderWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

bool RunsUnderWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

bool Promised(const char* variable) {
    char value[8] = "";
    return GetEnvironmentVariableA(variable, value, sizeof value) > 0;
}

NativeFileSystem::NativeFileSystem() { EXPECT_TRUE(Wow64DisableWow64FsRedirection(&saved_)); }

NativeFileSystem::~NativeFileSystem() { Wow64RevertWow64FsRedirection(saved_); }

TemporaryValue::TemporaryValue(HKEY root, const char* key, const char* name, const std::string& text, DWORD type)
    : name_(name) {
    if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr) !=
        ERROR_SUCCESS) {
        key_ = nullptr;
        return;
    }
    char was[4096];
    DWORD size = sizeof was;
    had_ = RegQueryValueExA(key_, name, nullptr, &type_, reinterpret_cast<BYTE*>(was), &size) == ERROR_SUCCESS;
    if (had_) was_.assign(was, size);
    set_ = RegSetValueExA(key_, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

TemporaryValue::~TemporaryValue() {
    if (key_ == nullptr) return;
    if (had_) {
        RegSetValueExA(key_, name_.c_str(), 0, type_, reinterpret_cast<const BYTE*>(was_.data()),
                       static_cast<DWORD>(was_.size()));
    } else {
        RegDeleteValueA(key_, name_.c_str());
    }
    RegCloseKey(key_);
}

std::string ValueOf(HKEY root, const char* key, const char* name) {
    char value[4096];
    DWORD size = sizeof value;
    if (RegGetValueA(root, key, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, value, &size) !=
        ERROR_SUCCESS) {
        return "<none>";
    }
    return value;
}

int EntryCount() {
    HKEY list = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallList, 0, KEY_READ, &list) != ERROR_SUCCESS) return -1;
    DWORD count = 0;
    RegQueryInfoKeyA(list, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr);
    RegCloseKey(list);
    return static_cast<int>(count);
}

}  // namespace e2e
