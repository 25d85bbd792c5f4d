// The real Windows API behind platform.h: each call is passed on unchanged.
// The seam's functions carry the Win32 names, so each forwarding call names
// the API's with "::": without it, it would call itself. The build makes
// that an error (-Werror=infinite-recursion).
#include "platform/platform.h"

#include <windows.h>

#include <cstring>

static_assert(sizeof(platform::Handle) == sizeof(HANDLE), "handles fit");
static_assert(sizeof(platform::RegistryKey) == sizeof(HKEY), "keys fit");
static_assert(platform::kFileAttributeReadOnly == FILE_ATTRIBUTE_READONLY, "");
static_assert(platform::kFileAttributeDirectory == FILE_ATTRIBUTE_DIRECTORY, "");
static_assert(platform::kFileAttributeNormal == FILE_ATTRIBUTE_NORMAL, "");
static_assert(platform::kFileAttributeReparsePoint == FILE_ATTRIBUTE_REPARSE_POINT, "");
static_assert(platform::kInvalidFileAttributes == INVALID_FILE_ATTRIBUTES, "");
static_assert(platform::kFileFlagBackupSemantics == FILE_FLAG_BACKUP_SEMANTICS, "");
static_assert(platform::kFileReadAttributes == FILE_READ_ATTRIBUTES, "");
static_assert(platform::kFileShareAll == (FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE), "");
static_assert(platform::kErrorNoMoreItems == ERROR_NO_MORE_ITEMS, "");
static_assert(platform::kMaxLongPath == 32768, "the longest path and its terminator");
static_assert(sizeof(platform::WideChar) == sizeof(WCHAR), "UTF-16 code units");
static_assert(platform::kGenericRead == GENERIC_READ, "");
static_assert(platform::kFileShareRead == FILE_SHARE_READ, "");
static_assert(platform::kOpenExisting == OPEN_EXISTING, "");
static_assert(platform::kKeyAllAccess == KEY_ALL_ACCESS, "");
static_assert(platform::kKeyWow64_64Key == KEY_WOW64_64KEY, "");
static_assert(platform::kErrorFileNotFound == ERROR_FILE_NOT_FOUND, "");
static_assert(platform::kErrorPathNotFound == ERROR_PATH_NOT_FOUND, "");
static_assert(platform::kErrorAccessDenied == ERROR_ACCESS_DENIED, "");
static_assert(platform::kErrorNotReady == ERROR_NOT_READY && platform::kErrorBadNetPath == ERROR_BAD_NETPATH, "");
static_assert(platform::kErrorBadNetName == ERROR_BAD_NET_NAME && platform::kErrorInvalidName == ERROR_INVALID_NAME, "");
static_assert(platform::kErrorSharingViolation == ERROR_SHARING_VIOLATION, "");
static_assert(platform::kKeyRead == KEY_READ && platform::kKeySetValue == KEY_SET_VALUE, "");
static_assert(platform::kErrorMoreData == ERROR_MORE_DATA, "");
static_assert(platform::kErrorCallNotImplemented == ERROR_CALL_NOT_IMPLEMENTED, "");
static_assert(platform::kWsfVisible == WSF_VISIBLE, "");
static_assert(sizeof(platform::RedirectionState) == sizeof(PVOID), "saved states fit");
static_assert(platform::kRegSz == REG_SZ && platform::kRegExpandSz == REG_EXPAND_SZ, "");
static_assert(platform::kErrorSuccess == ERROR_SUCCESS, "");
static_assert(platform::kMbOk == MB_OK, "");
static_assert(platform::kMbIconHand == MB_ICONHAND, "");
static_assert(platform::kMbIconInformation == MB_ICONINFORMATION, "");
static_assert(platform::kMaxPath == MAX_PATH, "");

namespace {

HANDLE ToHandle(platform::Handle handle) { return reinterpret_cast<HANDLE>(handle); }
platform::Handle FromHandle(HANDLE handle) { return reinterpret_cast<platform::Handle>(handle); }
HKEY ToKey(platform::RegistryKey key) { return reinterpret_cast<HKEY>(key); }
const WCHAR* ToWide(const platform::WideChar* text) { return reinterpret_cast<const WCHAR*>(text); }
WCHAR* ToWide(platform::WideChar* text) { return reinterpret_cast<WCHAR*>(text); }

// A call that not every Windows this program loads on has; null if missing.
template <typename Function>
Function LookupAs(const char* module, const char* name) {
    HMODULE loaded = ::GetModuleHandleA(module);
    FARPROC found = loaded ? ::GetProcAddress(loaded, name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

const char kKernel32[] = "kernel32.dll";
const char kAdvapi32[] = "advapi32.dll";
// Loading USER32 sets up a GUI process (under Wine, the display driver too),
// which a run without a box has no use for. It is a KnownDLL: loaded by
// name, it always comes from the system folder, never from beside the
// program.
const char kUser32[] = "user32.dll";

typedef decltype(&::MessageBoxA) MessageBoxCall;
typedef decltype(&::GetProcessWindowStation) WindowStationCall;
typedef decltype(&::GetUserObjectInformationA) ObjectInformationCall;
MessageBoxCall messageBoxCall = nullptr;
WindowStationCall windowStationCall = nullptr;
ObjectInformationCall objectInformationCall = nullptr;

// The name is terminated within its MAX_PATH units.
void CopyFindData(const WIN32_FIND_DATAW& data, platform::FindData* found) {
    static_assert(sizeof found->name == sizeof data.cFileName, "names of MAX_PATH units");
    found->attributes = data.dwFileAttributes;
    std::memcpy(found->name, data.cFileName, sizeof found->name);
}

// ProcessRedirectionTrustPolicy and its EnforceRedirectionTrust flag, which
// the headers of older SDKs lack.
const int kProcessRedirectionTrustPolicy = 16;
const DWORD kEnforceRedirectionTrust = 0x1;

}  // namespace

namespace platform {

void Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

std::uint32_t GetTickCount() { return ::GetTickCount(); }

int DeleteFileW(const WideChar* path) { return ::DeleteFileW(ToWide(path)) ? 1 : 0; }

Handle FindFirstFileW(const WideChar* path, FindData* found) {
    WIN32_FIND_DATAW data;
    HANDLE search = ::FindFirstFileW(ToWide(path), &data);
    if (search != INVALID_HANDLE_VALUE) CopyFindData(data, found);
    return FromHandle(search);
}

int FindNextFileW(Handle search, FindData* found) {
    WIN32_FIND_DATAW data;
    if (!::FindNextFileW(ToHandle(search), &data)) return 0;
    CopyFindData(data, found);
    return 1;
}

int FindClose(Handle search) { return ::FindClose(ToHandle(search)) ? 1 : 0; }

int SetFileAttributesW(const WideChar* path, std::uint32_t attributes) {
    return ::SetFileAttributesW(ToWide(path), attributes) ? 1 : 0;
}

std::uint32_t GetFileAttributesW(const WideChar* path) { return ::GetFileAttributesW(ToWide(path)); }

int RemoveDirectoryW(const WideChar* path) { return ::RemoveDirectoryW(ToWide(path)) ? 1 : 0; }

Handle CreateFileW(const WideChar* path, std::uint32_t access, std::uint32_t share,
                   std::uint32_t disposition, std::uint32_t flags) {
    return FromHandle(::CreateFileW(ToWide(path), access, share, nullptr, disposition, flags, nullptr));
}

int GetFileInformationByHandle(Handle file, FileIdentity* identity) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!::GetFileInformationByHandle(ToHandle(file), &information)) return 0;
    identity->volumeSerial = information.dwVolumeSerialNumber;
    identity->indexHigh = information.nFileIndexHigh;
    identity->indexLow = information.nFileIndexLow;
    return 1;
}

std::uint32_t GetFinalPathNameByHandleW(Handle file, WideChar* path, std::uint32_t size) {
    typedef DWORD(WINAPI * FinalPathCall)(HANDLE, LPWSTR, DWORD, DWORD);
    auto call = LookupAs<FinalPathCall>(kKernel32, "GetFinalPathNameByHandleW");
    return call ? call(ToHandle(file), ToWide(path), size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS) : 0;
}

int CloseHandle(Handle handle) { return ::CloseHandle(ToHandle(handle)) ? 1 : 0; }

std::uint32_t GetLastError() { return ::GetLastError(); }

std::uint32_t GetFullPathNameW(const WideChar* path, std::uint32_t size, WideChar* buffer) {
    return ::GetFullPathNameW(ToWide(path), size, ToWide(buffer), nullptr);
}

long RegOpenKeyExW(RegistryKey root, const WideChar* subKey, std::uint32_t options,
                   std::uint32_t access, RegistryKey* key) {
    HKEY opened = nullptr;
    LONG status = ::RegOpenKeyExW(ToKey(root), ToWide(subKey), options, access, &opened);
    *key = reinterpret_cast<RegistryKey>(opened);
    return status;
}

long RegQueryValueExW(RegistryKey key, const WideChar* valueName, std::uint32_t* type,
                      unsigned char* data, std::uint32_t* size) {
    DWORD valueType = 0;
    DWORD valueSize = *size;
    LONG status = ::RegQueryValueExW(ToKey(key), ToWide(valueName), nullptr, &valueType, data, &valueSize);
    *type = valueType;
    *size = valueSize;
    return status;
}

long RegEnumKeyExW(RegistryKey key, std::uint32_t index, WideChar* name, std::uint32_t* size) {
    DWORD length = *size;
    LONG status = ::RegEnumKeyExW(ToKey(key), index, ToWide(name), &length, nullptr, nullptr, nullptr, nullptr);
    *size = length;
    return status;
}

long RegEnumValueW(RegistryKey key, std::uint32_t index, WideChar* name, std::uint32_t* size) {
    DWORD length = *size;
    LONG status = ::RegEnumValueW(ToKey(key), index, ToWide(name), &length, nullptr, nullptr, nullptr, nullptr);
    *size = length;
    return status;
}

long RegSetValueExW(RegistryKey key, const WideChar* valueName, std::uint32_t type, const unsigned char* data,
                    std::uint32_t size) {
    return ::RegSetValueExW(ToKey(key), ToWide(valueName), 0, type, data, size);
}

long RegDeleteValueW(RegistryKey key, const WideChar* valueName) {
    return ::RegDeleteValueW(ToKey(key), ToWide(valueName));
}

long RegDeleteKeyW(RegistryKey root, const WideChar* subKey) { return ::RegDeleteKeyW(ToKey(root), ToWide(subKey)); }

long RegCloseKey(RegistryKey key) { return ::RegCloseKey(ToKey(key)); }

// USER32 stays loaded until the process ends, as an import would.
int LoadUser32() {
    if (::LoadLibraryA(kUser32) == nullptr) return 0;
    messageBoxCall = LookupAs<MessageBoxCall>(kUser32, "MessageBoxA");
    windowStationCall = LookupAs<WindowStationCall>(kUser32, "GetProcessWindowStation");
    objectInformationCall = LookupAs<ObjectInformationCall>(kUser32, "GetUserObjectInformationA");
    return messageBoxCall && windowStationCall && objectInformationCall ? 1 : 0;
}

int MessageBoxA(const char* text, const char* caption, std::uint32_t type) {
    return messageBoxCall ? messageBoxCall(nullptr, text, caption, type) : 0;
}

int RunsUnderWow64() {
    typedef BOOL(WINAPI * IsWow64ProcessCall)(HANDLE, PBOOL);
    auto call = LookupAs<IsWow64ProcessCall>(kKernel32, "IsWow64Process");
    BOOL wow64 = FALSE;
    return call && call(::GetCurrentProcess(), &wow64) && wow64 ? 1 : 0;
}

int Wow64DisableWow64FsRedirection(RedirectionState* old) {
    typedef BOOL(WINAPI * DisableCall)(PVOID*);
    auto call = LookupAs<DisableCall>(kKernel32, "Wow64DisableWow64FsRedirection");
    PVOID saved = nullptr;
    if (!call || !call(&saved)) return 0;
    *old = reinterpret_cast<RedirectionState>(saved);
    return 1;
}

int Wow64RevertWow64FsRedirection(RedirectionState old) {
    typedef BOOL(WINAPI * RevertCall)(PVOID);
    auto call = LookupAs<RevertCall>(kKernel32, "Wow64RevertWow64FsRedirection");
    return call && call(reinterpret_cast<PVOID>(old)) ? 1 : 0;
}

long RegDeleteKeyExW(RegistryKey root, const WideChar* subKey, std::uint32_t access) {
    typedef LONG(WINAPI * DeleteCall)(HKEY, LPCWSTR, REGSAM, DWORD);
    auto call = LookupAs<DeleteCall>(kAdvapi32, "RegDeleteKeyExW");
    return call ? call(ToKey(root), ToWide(subKey), access, 0) : ERROR_CALL_NOT_IMPLEMENTED;
}

long RegDeleteTreeW(RegistryKey key) {
    typedef LONG(WINAPI * DeleteTreeCall)(HKEY, LPCWSTR);
    auto call = LookupAs<DeleteTreeCall>(kAdvapi32, "RegDeleteTreeW");
    return call ? call(ToKey(key), nullptr) : ERROR_CALL_NOT_IMPLEMENTED;
}

std::uint32_t GetSystemDirectoryW(WideChar* buffer, std::uint32_t size) {
    return ::GetSystemDirectoryW(ToWide(buffer), size);
}

std::uint32_t GetWindowsDirectoryW(WideChar* buffer, std::uint32_t size) {
    return ::GetWindowsDirectoryW(ToWide(buffer), size);
}

std::uint32_t GetSystemWow64DirectoryW(WideChar* buffer, std::uint32_t size) {
    return ::GetSystemWow64DirectoryW(ToWide(buffer), size);
}

std::uint32_t ExpandEnvironmentStringsW(const WideChar* source, WideChar* expanded, std::uint32_t size) {
    return ::ExpandEnvironmentStringsW(ToWide(source), ToWide(expanded), size);
}

std::uint32_t GetEnvironmentVariableW(const WideChar* name, WideChar* value, std::uint32_t size) {
    return ::GetEnvironmentVariableW(ToWide(name), ToWide(value), size);
}

int SetEnvironmentVariableW(const WideChar* name, const WideChar* value) {
    return ::SetEnvironmentVariableW(ToWide(name), ToWide(value)) ? 1 : 0;
}

int EnforceRedirectionTrust() {
    typedef BOOL(WINAPI * MitigationCall)(int, PVOID, SIZE_T);
    auto call = LookupAs<MitigationCall>(kKernel32, "SetProcessMitigationPolicy");
    DWORD flags = kEnforceRedirectionTrust;
    return call && call(kProcessRedirectionTrustPolicy, &flags, sizeof flags) ? 1 : 0;
}

int GetProcessWindowStationFlags(std::uint32_t* flags) {
    USEROBJECTFLAGS information = {};
    DWORD needed = 0;
    if (!windowStationCall || !objectInformationCall ||
        !objectInformationCall(windowStationCall(), UOI_FLAGS, &information, sizeof information, &needed)) {
        return 0;
    }
    *flags = information.dwFlags;
    return 1;
}

const char* GetCommandLineA() { return ::GetCommandLineA(); }

const WideChar* GetCommandLineW() { return reinterpret_cast<const WideChar*>(::GetCommandLineW()); }

// UTF-8 holds every character but unpaired surrogates, and the call refuses
// a default character for it; every other ANSI code page takes both flags.
int ToAnsiWithoutBestFit(const WideChar* wide, int length, char* ansi, int size, int* lossy) {
    UINT codePage = ::GetACP();
    BOOL usedDefault = FALSE;
    bool utf8 = codePage == CP_UTF8;
    int stored = ::WideCharToMultiByte(codePage, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS,
                                       ToWide(wide), length, ansi, size, nullptr, utf8 ? nullptr : &usedDefault);
    *lossy = usedDefault ? 1 : 0;
    return stored;
}

int ToWideFromAnsi(const char* ansi, WideChar* wide, int size) {
    return ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi, -1, ToWide(wide), size);
}

int IsDBCSLeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) ? 1 : 0; }

void* AllocateBlock(std::size_t bytes) { return ::HeapAlloc(::GetProcessHeap(), 0, bytes); }

void ReleaseBlock(void* block) { ::HeapFree(::GetProcessHeap(), 0, block); }

void ExitProcess(std::uint32_t code) { ::ExitProcess(code); }

}  // namespace platform
