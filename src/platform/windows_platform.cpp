// The real Windows API behind platform.h: each call is passed on unchanged.
#include "platform/platform.h"

#include <windows.h>

static_assert(sizeof(platform::Handle) == sizeof(HANDLE), "handles fit");
static_assert(sizeof(platform::RegistryKey) == sizeof(HKEY), "keys fit");
static_assert(platform::kFileAttributeDirectory == FILE_ATTRIBUTE_DIRECTORY, "");
static_assert(platform::kFileAttributeNormal == FILE_ATTRIBUTE_NORMAL, "");
static_assert(platform::kFileAttributeReparsePoint == FILE_ATTRIBUTE_REPARSE_POINT, "");
static_assert(platform::kGenericRead == GENERIC_READ, "");
static_assert(platform::kFileShareRead == FILE_SHARE_READ, "");
static_assert(platform::kOpenExisting == OPEN_EXISTING, "");
static_assert(platform::kKeyAllAccess == KEY_ALL_ACCESS, "");
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

void CopyFindData(const WIN32_FIND_DATAA& data, platform::FindData* found) {
    found->attributes = data.dwFileAttributes;
    lstrcpynA(found->name, data.cFileName, platform::kMaxPath);
}

}  // namespace

namespace platform {

void Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

int DeleteFileA(const char* path) { return ::DeleteFileA(path) ? 1 : 0; }

Handle FindFirstFileA(const char* path, FindData* found) {
    WIN32_FIND_DATAA data;
    HANDLE search = ::FindFirstFileA(path, &data);
    if (search != INVALID_HANDLE_VALUE) CopyFindData(data, found);
    return FromHandle(search);
}

int FindNextFileA(Handle search, FindData* found) {
    WIN32_FIND_DATAA data;
    if (!::FindNextFileA(ToHandle(search), &data)) return 0;
    CopyFindData(data, found);
    return 1;
}

int FindClose(Handle search) { return ::FindClose(ToHandle(search)) ? 1 : 0; }

int SetFileAttributesA(const char* path, std::uint32_t attributes) {
    return ::SetFileAttributesA(path, attributes) ? 1 : 0;
}

int RemoveDirectoryA(const char* path) { return ::RemoveDirectoryA(path) ? 1 : 0; }

Handle CreateFileA(const char* path, std::uint32_t access, std::uint32_t share,
                   std::uint32_t disposition, std::uint32_t flags) {
    return FromHandle(::CreateFileA(path, access, share, nullptr, disposition, flags, nullptr));
}

int CloseHandle(Handle handle) { return ::CloseHandle(ToHandle(handle)) ? 1 : 0; }

long RegOpenKeyExA(RegistryKey root, const char* subKey, std::uint32_t options,
                   std::uint32_t access, RegistryKey* key) {
    HKEY opened = nullptr;
    LONG status = ::RegOpenKeyExA(ToKey(root), subKey, options, access, &opened);
    *key = reinterpret_cast<RegistryKey>(opened);
    return status;
}

long RegQueryValueExA(RegistryKey key, const char* valueName, std::uint32_t* type,
                      unsigned char* data, std::uint32_t* size) {
    DWORD valueType = 0;
    DWORD valueSize = *size;
    LONG status = ::RegQueryValueExA(ToKey(key), valueName, nullptr, &valueType, data, &valueSize);
    *type = valueType;
    *size = valueSize;
    return status;
}

long RegDeleteKeyA(RegistryKey root, const char* subKey) {
    return ::RegDeleteKeyA(ToKey(root), subKey);
}

long RegCloseKey(RegistryKey key) { return ::RegCloseKey(ToKey(key)); }

int MessageBoxA(const char* text, const char* caption, std::uint32_t type) {
    return ::MessageBoxA(nullptr, text, caption, type);
}

const char* GetCommandLineA() { return ::GetCommandLineA(); }

void GetAnsiLeadBytes(LeadBytes* table) {
    for (unsigned char& lead : table->isLead) lead = 0;
    CPINFO info;
    if (!::GetCPInfo(::GetACP(), &info)) return;
    // LeadByte holds pairs of inclusive ranges, ended by a pair of zeros.
    for (int pair = 0; pair + 1 < MAX_LEADBYTES && info.LeadByte[pair] != 0; pair += 2) {
        for (int byte = info.LeadByte[pair]; byte <= info.LeadByte[pair + 1]; ++byte) {
            table->isLead[byte] = 1;
        }
    }
}

void* AllocateBlock(std::size_t bytes) { return ::HeapAlloc(::GetProcessHeap(), 0, bytes); }

void ReleaseBlock(void* block) { ::HeapFree(::GetProcessHeap(), 0, block); }

void EndProcess() { ::ExitProcess(kExitCode); }

}  // namespace platform
