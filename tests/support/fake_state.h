// The state of the test double and what its parts share: the files, the
// registry and the process (fake_files.cpp, fake_registry.cpp,
// fake_process.cpp) each model their calls on it. Only they include this.
#ifndef UNINSTALL_TESTS_SUPPORT_FAKE_STATE_H
#define UNINSTALL_TESTS_SUPPORT_FAKE_STATE_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fake_windows.h"
#include "platform/platform.h"

namespace fake_state {

using platform::Handle;

const std::uint32_t kDirectory = platform::kFileAttributeDirectory;
const std::uint32_t kReparsePoint = platform::kFileAttributeReparsePoint;

// A file or folder, or a drive's root. Entries form a tree, each knowing
// only its own name, so that a tree 16,000 folders deep takes no more room
// than its names.
struct Entry {
    std::u16string name;            // as created; a root's is its drive ("C:")
    Entry* folder;                  // what holds it; null for a root
    // What it holds, by upper-case name, in that order.
    std::map<std::u16string, Entry*, std::less<>> children;
    std::uint32_t shownAttributes;  // as a search reports them, when not 0
    std::uint32_t attributes;
    Entry* linkTarget;  // what a reparse point leads to
    bool listingDenied;
    bool openingDenied;
    bool deletePending;
    bool removed;         // gone from its folder, still known to handles and searches
    std::uint32_t index;  // the file index, new for every entry made
};

// The folders the last path a call was given passed through, by the
// upper-case text and the end of each name in it: a walk gives one path
// after another that differ in their last names only.
struct Passed {
    std::u16string upper;
    std::vector<std::size_t> ends;
    std::vector<Entry*> folders;
};

struct Hold {
    Entry* entry;
    std::uint32_t access;
    std::uint32_t share;
    std::uint32_t releasedAt;  // on the clock below; 0 for never
    // What the program's handle reports, even once a folder it holds is gone.
    platform::FileIdentity identity;
};

struct Search {
    int dots;  // "." and ".." still to come first
    std::vector<Entry*> entries;
    std::size_t next;
};

struct Key {
    std::u16string path;  // as created, for the names of subkeys
    // By upper-case name: the type and the bytes as Windows stores them.
    std::map<std::u16string, std::pair<std::uint32_t, std::string>> values;
    bool fullAccessDenied;
    bool readingDenied;
};

struct State {
    std::vector<std::string> calls;
    // Exactly as long as the line and its terminator, so that AddressSanitizer
    // catches a read past the end.
    std::unique_ptr<char[]> commandLine;
    std::u16string wideCommandLine;
    std::map<char16_t, std::u16string> currentFolders;  // by upper-case drive letter
    bool windowsXp;
    unsigned char leadBytes[256];  // 1 for a lead byte of the code page
    int allocations;
    int failingAllocation;
    int blocksHeld;
    std::vector<std::unique_ptr<Entry>> made;  // every entry since Reset, removed ones too
    std::map<char16_t, Entry*> roots;          // by upper-case drive letter, once reached
    Passed passed;
    Entry* lastAdded;  // by a test, which often adds into it next
    std::u16string lastAddedPath;  // as the test spelled it
    std::uint32_t nextIndex;
    std::map<int, Hold> holds;             // by hold number; the program's too
    std::map<Handle, int> files;           // the program's file handles
    std::map<Handle, Search> searches;
    std::map<std::u16string, Key> keys[2];  // by view, then by upper-case path
    std::map<platform::RegistryKey, std::pair<fake::View, std::u16string>> openKeys;
    bool wow64;
    bool redirectionOff;
    std::map<std::u16string, std::u16string> environment;  // by upper-case name
    std::uint32_t lastError;
    std::uint32_t clock;  // milliseconds the program has slept
    int redirectionTrustEnforcedAfter;  // calls logged before it, or -1
    std::uint32_t windowStationFlags;
    bool windowStationReadable;
    bool user32Missing;
    std::vector<fake::Box> boxes;
    Handle nextHandle;
    int nextHold;
};

State& The();
[[noreturn]] void Misuse(const char* what);
const char* Checked(const char* path);
const char16_t* Checked(const char16_t* text);
std::string Hex(std::uint32_t value);
void Log(const std::string& call);
// A path as the log shows it: Shown, and cut after 512 units with "...".
std::string ShownPath(const char16_t* path);
// Only file calls may run while redirection is off.
void ExpectRedirection(const char* call);
// Names compare with ASCII letters folded, and only those.
std::u16string Upper(const std::u16string& text);
bool Encoded(char16_t unit, std::string* bytes);
Handle NewHandle();
// Where the last component of text starts: after its last backslash.
std::size_t LastComponent(const std::u16string& text);
// Copies text with its terminator when it fits in size units and returns
// what it stored; else returns the size needed and leaves the buffer as it
// was.
std::uint32_t CopiedWide(const std::u16string& text, platform::WideChar* buffer, std::uint32_t size);
// The same, for the calls that return the length stored without the
// terminator, or else the size needed.
std::uint32_t CopiedLength(const std::u16string& text, platform::WideChar* buffer, std::uint32_t size);

}  // namespace fake_state

#endif
