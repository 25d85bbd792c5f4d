// An in-memory model of the Windows behaviour the commands rely on, linked in
// place of the real platform on the host. It keeps a log of every call so
// tests can check order and arguments, and it checks its callers: a null
// path or an unknown handle aborts the test.
//
// Tests make entries with absolute paths ("C:\dir\file") and any name, as
// other programs can; drive roots always exist. Its parts model the files
// (fake_files.cpp), the registry (fake_registry.cpp) and the process
// (fake_process.cpp).
//
// What it assumes of Windows, each with the end-to-end test that checks it
// under Wine (and on Windows, in CI's second job), or marked unchecked:
// - Windows keeps names in UTF-16, and they compare without regard to ASCII
//   case: ScreenSaver.NameInAnotherCase for keys; unchecked for files.
// - "*" and "*.*" match every name, with a dot or without, hidden and system
//   ones too: FolderTree.RemovesTheWholeTree. A search reports names as kept.
// - A search goes on yielding while entries of its folder go: Stress.Rmdir*.
// - DeleteFileW refuses a read-only file (FolderTree's set-up), with
//   ERROR_ACCESS_DENIED, and one held without delete sharing, with
//   ERROR_SHARING_VIOLATION: CommandLine.FileHeldForAWhileGoesOnceLetGo for
//   the second; RemoveDirectoryW refuses a folder that holds
//   something: FolderTree.FileHeldWithoutDeleteSharing. A read-only folder
//   refuses RemoveDirectoryW, as on NTFS: unchecked.
// - Opening for reading fails for a file held without read sharing:
//   ScreenSaver.FileHeldOpenKeepsTheEntry. An open for FILE_READ_ATTRIBUTES
//   alone needs no sharing from what holds the file; CreateFileW opens a
//   folder only with FILE_FLAG_BACKUP_SEMANTICS: unchecked.
// - The calls read a path as Windows does: '/' as a separator too and a run
//   of separators as one, "." and ".." resolved, dots and blanks at the end
//   of a component stripped: CodePage932 and FolderTreeNames for ".."; the
//   rest unchecked. A path of 260 units or more fails, unless it starts with
//   "\\?\", "\??\" or "\\.\", which take up to 32,767. After "\\?\" and
//   "\??\" Windows passes the rest on literally: reading it anyway is the
//   harsher model, but trailing dots and blanks stay, so that "notes." and
//   "draft " are reached exactly. UNC paths are not modelled: unchecked.
// - "C:" names the drive's current folder, and a relative path C:'s:
//   unchecked; Wine 8 reads "C:" as the root, where it finds nothing.
// - GetFullPathNameW forms a path as the calls read it, keeping a trailing
//   separator, and after "\\.\" resolves ".." even past the drive:
//   unchecked. Asked about a "\\?\" or "\??\" path, which Windows leaves
//   undocumented and Wine reads again, it aborts the test.
// - A handle tells its file by volume serial and file index, which a link
//   does not change and a file made anew does, and by its final path, links
//   resolved: unchecked.
// - GetCommandLineA is a best-fit copy of GetCommandLineW: FolderTreeNames.
// - CreateFileW fails with ERROR_FILE_NOT_FOUND for what is not there (never
//   ERROR_PATH_NOT_FOUND), ERROR_INVALID_NAME for a name with a character no
//   name holds, ERROR_SHARING_VIOLATION for a file held without the
//   sharing asked for: ScreenSaver.FileHeldOpenKeepsTheEntry; and
//   ERROR_ACCESS_DENIED for a folder without FILE_FLAG_BACKUP_SEMANTICS or a
//   file whose deletion is pending: unchecked.
// - The code page is a model, not a real one: a byte is the UTF-16 unit of
//   its value (1252 differs at 0x80-0x9F), a lead byte and the byte after
//   it the unit (lead << 8) | trail, and nothing else converts exactly.
//   RegSetValueExA stores a string value in UTF-16 converted so: unchecked.
// - Through a link SetFileAttributesW and CreateFileW act on its target;
//   RemoveDirectoryW removes the link alone; GetFileAttributesW reports the
//   link's own attributes: FolderTree.LinkInsideTheTreeGoesAsALink on
//   Windows; under Wine RemoveDirectoryW acts on the target
//   (PreparedLinkKeepsItsTarget).
// - Under WOW64 System32 leads to SysWOW64 unless redirection is off, and
//   KEY_WOW64_64KEY opens the 64-bit view: Wow64ScreenSaver.
// - ExpandEnvironmentStringsW leaves an undefined variable as written:
//   unchecked.
// - RegDeleteKeyW refuses a key with subkeys, RegDeleteTreeW deletes them:
//   ScreenSaver.EntryWithSubkeysGoesWhole.
// - A window station of the program's own making is not visible: Unattended.
#ifndef UNINSTALL_TESTS_SUPPORT_FAKE_WINDOWS_H
#define UNINSTALL_TESTS_SUPPORT_FAKE_WINDOWS_H

#include <cstdint>
#include <string>
#include <vector>

namespace fake {

const std::uint32_t kReadOnly = 0x1;
const std::uint32_t kHidden = 0x2;
const std::uint32_t kSystem = 0x4;
const std::uint32_t kArchive = 0x20;
const std::uint32_t kGenericWrite = 0x40000000;
const std::uint32_t kShareWrite = 0x2;
const std::uint32_t kShareDelete = 0x4;

// Forgets every file, key, handle, box and logged call.
void Reset();

// One line per platform call, e.g. "DeleteFileW(C:\x.tmp)" or "Sleep(2000)";
// a path past 512 units is cut there, with "...".
const std::vector<std::string>& Calls();
// Only the logged calls to the named function, in order.
std::vector<std::string> CallsTo(const std::string& function);

// Start-up.
// SetCommandLine gives both forms of the line; SetWideCommandLine then
// makes the UTF-16 one differ, as when the ANSI line is a best-fit copy.
void SetCommandLine(const std::string& line);
// text as Windows keeps it in UTF-16, in the code page modelled above.
std::u16string WideOf(const std::string& text);
// A name the code page cannot hold whose best-fit copy is copy: each 'S',
// '\\', '.', '/' and '?' of copy stands for a character the code page lacks
// (and one is added at the end where copy has none).
std::u16string LookAlikeOf(const std::string& copy);
void SetWideCommandLine(const std::u16string& line);
// text as the log shows it: each unit the code page holds as its bytes, any
// other as "<U+XXXX>".
std::string Shown(const std::u16string& text);
void SetLeadByteRange(unsigned char first, unsigned char last);
// The lead bytes of code page 932 (Japanese), where the second byte 0x5C of
// a character such as "\x83\x5C" is no backslash.
void UseCodePage932();
// Windows before Vista: RegDeleteTreeW is missing.
void SetWindowsXp();

// Heap: the allocation with this number (1 for the next one) yields null.
void FailAllocation(int number);
int AllocationsMade();
int BlocksHeld();  // allocated and not yet released

// File system. Attributes are as FindFirstFileW reports them. A path given
// as std::string is in the code page, and kept as WideOf makes it; one in
// UTF-16 can name what the code page lacks.
void AddFolder(const std::string& path, std::uint32_t attributes = 0x10);
void AddFolder(const std::u16string& path, std::uint32_t attributes = 0x10);
void AddFile(const std::string& path, std::uint32_t attributes = kArchive);
void AddFile(const std::u16string& path, std::uint32_t attributes = kArchive);
// A reparse point at path that leads to target, an existing folder or file.
void AddLink(const std::string& path, const std::string& target);
void AddLink(const std::u16string& path, const std::string& target);
// A search reports the entry with these attributes, as it can for a hard
// link whose attributes were changed through another of its names.
void ShowAttributesAs(const std::string& path, std::uint32_t attributes);
// A folder whose contents cannot be listed.
void DenyListing(const std::string& path);
// An entry CreateFileW cannot open, whatever it asks.
void DenyOpening(const std::string& path);
// The entry's file index from now on, as another volume's may be the same.
void SetFileIndex(const std::string& path, std::uint32_t index);
bool Exists(const std::string& path);
bool Exists(const std::u16string& path);
std::uint32_t AttributesOf(const std::string& path);
std::uint32_t AttributesOf(const std::u16string& path);
// Every file and folder, as created and Shown, in sorted order; and as
// created.
std::vector<std::string> Entries();
std::vector<std::u16string> WideEntries();
// The entry a call given path acts on, by its path as created and Shown:
// links on the way are followed, a link at the end only when followLast is
// set. Empty when path leads to no entry. Under WOW64, redirected unset is as
// with redirection off: the native file system.
std::string EntryAt(const std::string& path, bool followLast, bool redirected = true);
std::string EntryAt(const std::u16string& path, bool followLast, bool redirected = true);

// The current folder of its drive, for drive-relative paths ("C:", "C:x").
void SetCurrentFolder(const std::string& folder);

// Another process opens path with this access and sharing.
int HoldOpen(const std::string& path, std::uint32_t access, std::uint32_t share);
void Release(int hold);
// The other process lets go once the program has slept this long in all:
// time passes only in Sleep, which GetTickCount counts.
void ReleaseAfter(int hold, std::uint32_t milliseconds);
// Searches, file handles and keys the program opened and has not closed.
int HandlesLeftOpen();

// 64-bit Windows, with this 32-bit program under WOW64: RunsUnderWow64 says
// so, the registry has a second, 64-bit view (KEY_WOW64_64KEY), and every
// path in C:\Windows\System32 leads to C:\Windows\SysWOW64 unless the
// program has turned redirection off. Without it, KEY_WOW64_64KEY is ignored
// and redirection cannot be turned off, as on 32-bit Windows.
const char kWindowsFolder[] = "C:\\Windows";
const char kSystemFolder[] = "C:\\Windows\\System32";
const char kRedirectedSystemFolder[] = "C:\\Windows\\SysWOW64";
void SetWow64();
// Redirection is off now; calls other than file calls abort while it is.
bool RedirectionIsOff();

// Environment variables, kept in UTF-16 as Windows keeps them. SystemRoot and
// windir are C:\Windows, SystemDrive C:, ALLUSERSPROFILE C:\ProgramData,
// PUBLIC C:\Users\Public, USERPROFILE the one below, with its APPDATA, and
// ProgramFiles and CommonProgramFiles the folders below;
// SetWow64 makes those the x86 ones, and sets ProgramW6432 and
// CommonProgramW6432 to the native ones, as for a 32-bit process there.
const char kUserProfile[] = "C:\\Users\\User";
const char kProgramFiles[] = "C:\\Program Files";
const char kCommonFiles[] = "C:\\Program Files\\Common Files";
const char kProgramFilesX86[] = "C:\\Program Files (x86)";
const char kCommonFilesX86[] = "C:\\Program Files (x86)\\Common Files";
void SetEnvironment(const std::string& name, const std::string& value);
void SetWideEnvironment(const std::string& name, const std::u16string& value);

// The calls logged before the process turned on the mitigation against
// links that non-administrators made; -1 when it never did.
int RedirectionTrustEnforcedAfter();

// The window station's UOI_FLAGS, or none when they cannot be read. A
// visible one (WSF_VISIBLE) is the start.
void SetWindowStationFlags(std::uint32_t flags);
void FailWindowStationQuery();
void RemoveUser32();  // LoadUser32 fails

// Registry keys under HKEY_LOCAL_MACHINE, by path ("Software\\..."), in the
// view the program sees by default or, under WOW64, in the 64-bit one; and
// the users' hives under HKEY_USERS, by "HKEY_USERS\\" and the path, which
// have the one view.
enum View { kOwnView, k64BitView };
const std::uint32_t kRegDword = 4;
void AddKey(const std::string& path, View view = kOwnView);
void AddKey(const std::u16string& path, View view = kOwnView);
// data as RegSetValueExA takes it: a string type (REG_SZ, REG_EXPAND_SZ,
// REG_MULTI_SZ) is stored in UTF-16, as WideOf makes it; any other as given.
void SetValue(const std::string& keyPath, const std::string& name, std::uint32_t type,
              const std::string& data, View view = kOwnView);
// A REG_SZ value stored with its terminator.
void SetString(const std::string& keyPath, const std::string& name, const std::string& text,
               View view = kOwnView);
void SetWideString(const std::string& keyPath, const std::string& name, const std::u16string& text,
                   View view = kOwnView);
// A value of a string type stored as text is, with no terminator added.
void SetWideValue(const std::string& keyPath, const std::string& name, std::uint32_t type,
                  const std::u16string& text, View view = kOwnView);
// The key opens for reading but not with full access.
void DenyFullAccess(const std::string& path, View view = kOwnView);
// The key does not open at all.
void DenyReading(const std::string& path, View view = kOwnView);
bool KeyExists(const std::string& path, View view = kOwnView);
bool KeyExists(const std::u16string& path, View view = kOwnView);
// Every key, by upper-case path, Shown, in sorted order.
std::vector<std::string> Keys(View view = kOwnView);
// A value's type and its bytes as stored (UTF-16 for a string type); false
// when the key or the value is missing.
bool ValueOf(const std::string& keyPath, const std::string& name, std::uint32_t* type,
             std::string* data, View view = kOwnView);

// Message boxes shown, in order; each one returns as if OK was pressed.
struct Box {
    std::string text;
    std::string caption;
    std::uint32_t type;
};
const std::vector<Box>& Boxes();

}  // namespace fake

#endif
