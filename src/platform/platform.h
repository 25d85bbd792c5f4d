// The Windows calls the commands make, declared with this program's own
// small types so that no command needs <windows.h>. Every file, folder and
// registry call takes its names in UTF-16, as Windows keeps them: only the
// command line and the box are ANSI text.
//
// A function named as a Win32 call makes that call, with the arguments this
// program never varies left out (security attributes, template files, owner
// windows, reserved words). One that does something else, or more, has a
// name of its own.
//
// The Windows build links windows_platform.cpp, which hands each call to the
// real API unchanged. The host build links an in-memory model of the same
// functions instead, so the commands can be exercised without Windows.
#ifndef UNINSTALL_PLATFORM_PLATFORM_H
#define UNINSTALL_PLATFORM_PLATFORM_H

#include <cstddef>
#include <cstdint>

namespace platform {

typedef std::uintptr_t Handle;       // an open file or an open search
typedef std::uintptr_t RegistryKey;  // an open key, or a predefined root key
typedef std::uintptr_t RedirectionState;  // what turning redirection off saved
typedef char16_t WideChar;                // a UTF-16 code unit, as Windows keeps text

const Handle kInvalidHandle = ~static_cast<Handle>(0);  // INVALID_HANDLE_VALUE
const RegistryKey kLocalMachine = 0x80000002;           // HKEY_LOCAL_MACHINE
const RegistryKey kUsers = 0x80000003;                  // HKEY_USERS

// A name in a search's find data, and the longest PathToSCR taken: 259
// characters and the terminator.
const int kMaxPath = 260;
// The longest path Windows takes in its "\\?\" form: 32,767 units and the
// terminator.
const std::uint32_t kMaxLongPath = 32768;

const std::uint32_t kFileAttributeReadOnly = 0x1;
const std::uint32_t kFileAttributeDirectory = 0x10;
const std::uint32_t kFileAttributeNormal = 0x80;
const std::uint32_t kFileAttributeReparsePoint = 0x400;
const std::uint32_t kInvalidFileAttributes = 0xFFFFFFFF;
// CreateFileW opens a folder only with this flag.
const std::uint32_t kFileFlagBackupSemantics = 0x02000000;

const std::uint32_t kGenericRead = 0x80000000;
const std::uint32_t kFileReadAttributes = 0x80;
const std::uint32_t kFileShareRead = 0x1;
const std::uint32_t kFileShareAll = 0x7;  // read, write and delete
const std::uint32_t kOpenExisting = 3;

const std::uint32_t kKeyAllAccess = 0xF003F;
const std::uint32_t kKeyRead = 0x20019;
const std::uint32_t kKeySetValue = 0x0002;
const std::uint32_t kKeyWow64_64Key = 0x0100;  // the 64-bit view, under WOW64
const std::uint32_t kRegSz = 1;
const std::uint32_t kRegExpandSz = 2;
const long kErrorSuccess = 0;
const long kErrorFileNotFound = 2;
const long kErrorPathNotFound = 3;
const long kErrorAccessDenied = 5;
const long kErrorNotReady = 21;
const long kErrorBadNetPath = 53;
const long kErrorBadNetName = 67;
const long kErrorInvalidName = 123;
const long kErrorSharingViolation = 32;
const long kErrorMoreData = 234;
const long kErrorNoMoreItems = 259;
const long kErrorCallNotImplemented = 120;

const std::uint32_t kMbOk = 0x0;
const std::uint32_t kMbIconHand = 0x10;
const std::uint32_t kMbIconInformation = 0x40;

const std::uint32_t kWsfVisible = 0x1;  // a window station a user can see

// The two fields of WIN32_FIND_DATAW that the commands read: the name as
// Windows keeps it.
struct FindData {
    std::uint32_t attributes;
    WideChar name[kMaxPath];
};

// What Windows says an open file or folder is, whatever path reached it:
// the fields of BY_HANDLE_FILE_INFORMATION that tell one from another.
struct FileIdentity {
    std::uint32_t volumeSerial;
    std::uint32_t indexHigh;
    std::uint32_t indexLow;
};

void Sleep(std::uint32_t milliseconds);
// Milliseconds since Windows started, wrapping after 49.7 days.
std::uint32_t GetTickCount();
int DeleteFileW(const WideChar* path);
Handle FindFirstFileW(const WideChar* path, FindData* found);
int FindNextFileW(Handle search, FindData* found);
int FindClose(Handle search);
int SetFileAttributesW(const WideChar* path, std::uint32_t attributes);
std::uint32_t GetFileAttributesW(const WideChar* path);
int RemoveDirectoryW(const WideChar* path);
// No security attributes and no template file are ever passed.
Handle CreateFileW(const WideChar* path, std::uint32_t access, std::uint32_t share,
                   std::uint32_t disposition, std::uint32_t flags);
int GetFileInformationByHandle(Handle file, FileIdentity* identity);
// The path Windows reaches the open file by, links resolved, as "\\?\C:\..."
// or "\\?\UNC\...": the length stored without the terminator, or the size
// needed; 0 on failure. Windows XP lacks it, so it is looked up at run time:
// there it yields 0.
std::uint32_t GetFinalPathNameByHandleW(Handle file, WideChar* path, std::uint32_t size);
int CloseHandle(Handle handle);
// The calling thread's last error, as the last failed call left it.
std::uint32_t GetLastError();
// The length stored without the terminator, or the size needed; 0 on failure.
std::uint32_t GetFullPathNameW(const WideChar* path, std::uint32_t size, WideChar* buffer);

long RegOpenKeyExW(RegistryKey root, const WideChar* subKey, std::uint32_t options,
                   std::uint32_t access, RegistryKey* key);
long RegQueryValueExW(RegistryKey key, const WideChar* valueName, std::uint32_t* type,
                      unsigned char* data, std::uint32_t* size);
long RegEnumKeyExW(RegistryKey key, std::uint32_t index, WideChar* name, std::uint32_t* size);
// The name of the index-th value of key; its data is read by name.
long RegEnumValueW(RegistryKey key, std::uint32_t index, WideChar* name, std::uint32_t* size);
long RegSetValueExW(RegistryKey key, const WideChar* valueName, std::uint32_t type, const unsigned char* data,
                    std::uint32_t size);
long RegDeleteValueW(RegistryKey key, const WideChar* valueName);
long RegDeleteKeyW(RegistryKey root, const WideChar* subKey);
// Deletes every subkey and value of key. Windows before Vista lacks it:
// there it yields kErrorCallNotImplemented.
long RegDeleteTreeW(RegistryKey key);
long RegCloseKey(RegistryKey key);

// WOW64, on 64-bit Windows, where this 32-bit process sees the 32-bit view
// of HKLM\Software and SysWOW64 in place of System32. 32-bit Windows XP
// lacks some of these calls, so they are looked up at run time: there
// RunsUnderWow64 yields 0 and the others fail.
// IsWow64Process for this process: 1 under WOW64.
int RunsUnderWow64();
// Redirection off for this thread until reverted; 0 when it cannot be.
int Wow64DisableWow64FsRedirection(RedirectionState* old);
int Wow64RevertWow64FsRedirection(RedirectionState old);
// Deletes subKey in the view that access names.
long RegDeleteKeyExW(RegistryKey root, const WideChar* subKey, std::uint32_t access);
// The system folder as this process names it (SysWOW64 is what it reaches
// under WOW64), the Windows folder, and SysWOW64, which only 64-bit Windows
// has (0 on 32-bit Windows): the length stored, or the size needed.
std::uint32_t GetSystemDirectoryW(WideChar* buffer, std::uint32_t size);
std::uint32_t GetWindowsDirectoryW(WideChar* buffer, std::uint32_t size);
std::uint32_t GetSystemWow64DirectoryW(WideChar* buffer, std::uint32_t size);

// Characters stored, terminator included, or the size needed; 0 on failure.
std::uint32_t ExpandEnvironmentStringsW(const WideChar* source, WideChar* expanded, std::uint32_t size);
// The length stored without the terminator, or the size needed; 0 when the
// variable is not set (or is empty).
std::uint32_t GetEnvironmentVariableW(const WideChar* name, WideChar* value, std::uint32_t size);
// A null value removes the variable.
int SetEnvironmentVariableW(const WideChar* name, const WideChar* value);

// Turns on, for the whole process, the mitigation that stops it following
// a junction that someone who is not an administrator made
// (ProcessRedirectionTrustPolicy, enforced). It covers junctions only, not
// symbolic links. Looked up at run time: older Windows lacks the call or
// refuses the policy, and there it yields 0.
int EnforceRedirectionTrust();

// Loads USER32 and looks up the calls the box needs, when a box is about to
// be shown: imported, it would be loaded in every run. 0 when it cannot be;
// the two calls below need it and fail without it.
int LoadUser32();

// The UOI_FLAGS of the process's window station; 0 when they cannot be read.
int GetProcessWindowStationFlags(std::uint32_t* flags);

// Always without an owner window; returns once the user has closed the box.
int MessageBoxA(const char* text, const char* caption, std::uint32_t type);

// The whole command line, as the ANSI calls see it and as Windows keeps it.
const char* GetCommandLineA();
const WideChar* GetCommandLineW();

// 1 when byte starts a double-byte character in the ANSI code page: it and
// the byte after it are one character.
int IsDBCSLeadByte(unsigned char byte);

// WideCharToMultiByte into the ANSI code page with no best fit and no
// default character: the bytes stored (or needed, when size is 0), 0 on
// failure. *lossy is set when a character has no exact form there.
int ToAnsiWithoutBestFit(const WideChar* wide, int length, char* ansi, int size, int* lossy);
// MultiByteToWideChar from the ANSI code page, of ansi with its terminator,
// refusing invalid bytes: the units stored, or 0 when they do not fit size.
int ToWideFromAnsi(const char* ansi, WideChar* wide, int size);

// The exit code of every run, whatever happened: callers such as installers
// read no meaning into it, and the box is the only report.
const int kExitCode = 0;

// Heap blocks for strings; AllocateBlock yields null when the heap is spent.
void* AllocateBlock(std::size_t bytes);
void ReleaseBlock(void* block);

// Ends the process at once, with code as its exit code.
[[noreturn]] void ExitProcess(std::uint32_t code);

// A block that is never null. Every block is about to hold a path, a
// pattern, a key path or a message, and no caller could act soundly on a
// null in its place: so when the heap is spent the process ends at once,
// with its usual exit code, before any further call.
inline void* AllocateBlockOrEnd(std::size_t bytes) {
    void* block = AllocateBlock(bytes);
    if (block == nullptr) ExitProcess(static_cast<std::uint32_t>(kExitCode));
    return block;
}

}  // namespace platform

#endif
