// RMSCR on real registry entries and files, with its message box watched on
// the display: the text, the icon, and what holds while the box is open, and
// a saver whose name the code page lacks. On 64-bit Windows also entries and
// files where WOW64 hides them, in code page 932 a name whose second byte is
// 0x5C, and a run where nobody could see a box.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "harness.h"
#include "message_box.h"

namespace {

class ScreenSaver : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(e2e::MakeFile(saver));
        ASSERT_TRUE(e2e::InstallEntry(name, REG_SZ, saver + '\0'));
    }
    void TearDown() override { e2e::DeleteEntry(name); }

    // Runs RMSCR with typedName and presses OK on every box it shows.
    e2e::BoxSeen Uninstall(const std::string& typedName) {
        e2e::Started started = e2e::Start("uninstall.exe RMSCR " + typedName);
        e2e::BoxSeen seen = e2e::WatchBoxes(started, [this] { return e2e::EntryExists(name); });
        e2e::Finished finished = e2e::Finish(started);
        EXPECT_FALSE(finished.timedOut);
        EXPECT_EQ(finished.exitCode, 0u);
        return seen;
    }

    std::string Removed(const std::string& shownName) {
        return "The " + shownName + " screen saver has been removed";
    }

    e2e::ScratchFolder folder{"saver"};
    std::string name = "E2E Saver " + std::to_string(GetCurrentProcessId());
    std::string saver = folder / "E2E Saver.scr";
};

TEST_F(ScreenSaver, RemovesFileAndEntryThenSaysSoInOneBox) {
    e2e::BoxSeen seen = Uninstall(name);
    EXPECT_EQ(seen.boxes, 1);
    EXPECT_EQ(seen.text, Removed(name));
    EXPECT_EQ(seen.icon, "information");
    EXPECT_TRUE(seen.processRunning);
    EXPECT_FALSE(seen.conditionHeld) << "the entry was still there while the box was open";
    EXPECT_FALSE(e2e::Exists(saver));
    EXPECT_FALSE(e2e::EntryExists(name));
}

// Held with read sharing the saver still opens; held without it, it opens
// no more, but it is there all the same.
TEST_F(ScreenSaver, FileHeldOpenKeepsTheEntryAndShowsTheError) {
    for (DWORD sharing : {DWORD{FILE_SHARE_READ}, DWORD{0}}) {
        SCOPED_TRACE(sharing);
        HANDLE held = CreateFileA(saver.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        e2e::BoxSeen seen = Uninstall(name);
        CloseHandle(held);
        EXPECT_EQ(seen.boxes, 1);
        EXPECT_EQ(seen.text, "The " + name +
                                 " screen saver could not be removed.\r\n"
                                 "The Display Properties dialog may be open.");
        EXPECT_EQ(seen.icon, "error");
        EXPECT_TRUE(seen.processRunning);
        EXPECT_TRUE(seen.conditionHeld);
        EXPECT_TRUE(e2e::Exists(saver));
        EXPECT_TRUE(e2e::EntryExists(name));
    }
}

TEST_F(ScreenSaver, MissingFileCountsAsRemoved) {
    ASSERT_TRUE(DeleteFileA(saver.c_str()));
    e2e::BoxSeen seen = Uninstall(name);
    EXPECT_EQ(seen.boxes, 1);
    EXPECT_EQ(seen.text, Removed(name));
    EXPECT_EQ(seen.icon, "information");
    EXPECT_FALSE(e2e::EntryExists(name));
}

TEST_F(ScreenSaver, NameInAnotherCaseIsFoundAndShownAsTyped) {
    std::string typed = name;
    for (char& c : typed) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    e2e::BoxSeen seen = Uninstall(typed);
    EXPECT_EQ(seen.boxes, 1);
    EXPECT_EQ(seen.text, Removed(typed));
    EXPECT_FALSE(e2e::Exists(saver));
    EXPECT_FALSE(e2e::EntryExists(name));
}

// RegDeleteKeyA deletes no key that has subkeys: the entry would stay in the
// list for ever after the success box.
TEST_F(ScreenSaver, EntryWithSubkeysGoesWhole) {
    ASSERT_TRUE(e2e::InstallEntry(name + "\\Inner\\Deeper", 0, ""));
    e2e::BoxSeen seen = Uninstall(name);
    EXPECT_EQ(seen.text, Removed(name));
    EXPECT_FALSE(e2e::EntryExists(name));
}

// What act does in the native file system: with redirection off under WOW64.
template <typename Act>
bool Natively(Act act) {
    if (!e2e::RunsUnderWow64()) return act();
    e2e::NativeFileSystem native;
    return act();
}

// A person's and the logon desktop's screen saver settings, which name the
// saver by its short name as Windows often stores it, or in another case.
// Once it is gone a setting without the lock on resume is deleted, and one
// with it names the system's blank saver, so that the lock goes on; a
// setting that names another saver stays. Under Wine the blank saver is
// made for the test.
TEST_F(ScreenSaver, SettingsThatNameTheSaverAreResetOnceItIsGoneAndOthersStay) {
    const char kDesktop[] = "Control Panel\\Desktop";
    const char kLogonDesktop[] = ".DEFAULT\\Control Panel\\Desktop";
    char shortName[MAX_PATH] = "";
    char system[MAX_PATH] = "";
    ASSERT_NE(GetShortPathNameA(saver.c_str(), shortName, MAX_PATH), 0u);
    ASSERT_NE(GetSystemDirectoryA(system, MAX_PATH), 0u);
    std::string blank = std::string(system) + "\\scrnsave.scr";
    std::string other = folder / "Other Saver.scr";
    ASSERT_TRUE(e2e::MakeFile(other));
    {
        e2e::TemporaryValue own(HKEY_CURRENT_USER, kDesktop, "SCRNSAVE.EXE", shortName);
        e2e::TemporaryValue logon(HKEY_USERS, kLogonDesktop, "SCRNSAVE.EXE", other);
        ASSERT_TRUE(own.Set() && logon.Set());
        EXPECT_EQ(Uninstall(name).text, Removed(name));
        EXPECT_EQ(e2e::ValueOf(HKEY_CURRENT_USER, kDesktop, "SCRNSAVE.EXE"), "<none>");
        EXPECT_EQ(e2e::ValueOf(HKEY_USERS, kLogonDesktop, "SCRNSAVE.EXE"), other);
    }
    bool madeBlank = Natively([&] { return !e2e::Exists(blank) && e2e::MakeFile(blank); });
    ASSERT_TRUE(e2e::MakeFile(saver));
    ASSERT_TRUE(e2e::InstallEntry(name, REG_SZ, saver + '\0'));
    std::string upper = saver;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    {
        e2e::TemporaryValue logon(HKEY_USERS, kLogonDesktop, "SCRNSAVE.EXE", upper);
        e2e::TemporaryValue locks(HKEY_USERS, kLogonDesktop, "ScreenSaverIsSecure", "1");
        ASSERT_TRUE(logon.Set() && locks.Set());
        EXPECT_EQ(Uninstall(name).text, Removed(name));
        EXPECT_EQ(lstrcmpiA(e2e::ValueOf(HKEY_USERS, kLogonDesktop, "SCRNSAVE.EXE").c_str(), blank.c_str()), 0)
            << e2e::ValueOf(HKEY_USERS, kLogonDesktop, "SCRNSAVE.EXE");
        EXPECT_EQ(e2e::ValueOf(HKEY_USERS, kLogonDesktop, "ScreenSaverIsSecure"), "1");
    }
    if (madeBlank) Natively([&] { return DeleteFileA(blank.c_str()) != 0; });
}

TEST_F(ScreenSaver, NoSuchEntryShowsNothing) {
    e2e::BoxSeen seen = Uninstall(name + " Missing");
    EXPECT_EQ(seen.boxes, 0);
    EXPECT_TRUE(e2e::Exists(saver));
    EXPECT_TRUE(e2e::EntryExists(name));
}

TEST_F(ScreenSaver, ValueThatHoldsNoTrustworthyPathChangesNothing) {
    struct BadValue {
        const char* what;
        DWORD type;
        std::string data;
    } const cases[] = {
        {"absent", 0, ""},
        {"a number", REG_DWORD, std::string("\x01\0\0\0", 4)},
        {"longer than 260 bytes, starting with the path", REG_SZ, saver + '\0' + std::string(300, 'x')},
    };
    for (const BadValue& value : cases) {
        SCOPED_TRACE(value.what);
        e2e::DeleteEntry(name);
        ASSERT_TRUE(e2e::InstallEntry(name, value.type, value.data));
        e2e::BoxSeen seen = Uninstall(name);
        EXPECT_EQ(seen.boxes, 0);
        EXPECT_TRUE(e2e::Exists(saver));
        EXPECT_TRUE(e2e::EntryExists(name));
    }
}

TEST_F(ScreenSaver, NameThatPicksNoSingleEntryChangesNothing) {
    ASSERT_TRUE(e2e::InstallEntry(name + "\\Inner", REG_SZ, saver + '\0'));
    int entries = e2e::EntryCount();
    for (const std::string& typed : {std::string(""), name + "\\Inner", "..\\Uninstall\\" + name}) {
        SCOPED_TRACE(typed);
        e2e::BoxSeen seen = Uninstall(typed);
        EXPECT_EQ(seen.boxes, 0);
        EXPECT_TRUE(e2e::Exists(saver));
        EXPECT_TRUE(e2e::EntryExists(name + "\\Inner"));
        EXPECT_EQ(e2e::EntryCount(), entries);
    }
}

// Authors often quote paths; Windows names never hold a quote.
TEST_F(ScreenSaver, QuotedPathIsRemoved) {
    e2e::DeleteEntry(name);
    ASSERT_TRUE(e2e::InstallEntry(name, REG_SZ, "\"" + saver + "\"" + '\0'));
    e2e::BoxSeen seen = Uninstall(name);
    EXPECT_EQ(seen.text, Removed(name));
    EXPECT_FALSE(e2e::Exists(saver));
    EXPECT_FALSE(e2e::EntryExists(name));
}

// Unexpanded, the value names no file and the saver would count as removed
// while it stays.
TEST_F(ScreenSaver, ExpandableValueIsExpanded) {
    ASSERT_TRUE(SetEnvironmentVariableA("UNINSTALL_E2E_SAVER_FOLDER", folder.Path().c_str()));
    e2e::DeleteEntry(name);
    ASSERT_TRUE(e2e::InstallEntry(name, REG_EXPAND_SZ, std::string("%UNINSTALL_E2E_SAVER_FOLDER%\\E2E Saver.scr") + '\0'));
    e2e::BoxSeen seen = Uninstall(name);
    SetEnvironmentVariableA("UNINSTALL_E2E_SAVER_FOLDER", nullptr);
    EXPECT_EQ(seen.text, Removed(name));
    EXPECT_FALSE(e2e::Exists(saver));
    EXPECT_FALSE(e2e::EntryExists(name));
}

// Фото.scr, a name code page 1252 lacks: the path is read and the file
// deleted in UTF-16.
TEST_F(ScreenSaver, SaverWhoseNameTheCodePageLacksIsRemoved) {
    std::wstring photo = e2e::Wide(folder.Path()) + L"\\\u0424\u043E\u0442\u043E.scr";
    ASSERT_TRUE(e2e::MakeFile(photo));
    e2e::DeleteEntry(name);
    ASSERT_TRUE(e2e::InstallEntry(e2e::Wide(name), REG_SZ, photo));
    e2e::BoxSeen seen = Uninstall(name);
    EXPECT_EQ(seen.boxes, 1);
    EXPECT_EQ(seen.text, Removed(name));
    EXPECT_EQ(seen.icon, "information");
    EXPECT_EQ(GetFileAttributesW(photo.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(e2e::EntryExists(name));
}

// ---- 64-bit Windows -------------------------------------------------------

// A saver in the system folder, as a 32-bit program sees it (SysWOW64) or,
// with redirection off, in the native System32.
class Wow64ScreenSaver : public ScreenSaver {
protected:
    void SetUp() override {
        E2E_REQUIRE(e2e::RunsUnderWow64(), "UNINSTALL_E2E_EXPECT_WOW64", "64-bit Windows");
        ScreenSaver::SetUp();
        e2e::DeleteEntry(name);
        char system[MAX_PATH];
        GetSystemDirectoryA(system, MAX_PATH);
        systemSaver = std::string(system) + "\\uninstall-e2e-" + std::to_string(GetCurrentProcessId()) + ".scr";
    }
    void TearDown() override {
        if (systemSaver.empty()) return;  // skipped
        ScreenSaver::TearDown();
        e2e::DeleteEntry(name, KEY_WOW64_64KEY);
        e2e::DeleteEntry(other64, KEY_WOW64_64KEY);
        DeleteFileA(systemSaver.c_str());
        e2e::NativeFileSystem native;
        DeleteFileA(systemSaver.c_str());
    }

    bool NativeExists() {
        e2e::NativeFileSystem native;
        return e2e::Exists(systemSaver);
    }

    ::testing::AssertionResult MakeNative() {
        e2e::NativeFileSystem native;
        return e2e::MakeFile(systemSaver);
    }

    std::string systemSaver;
    // An entry of the 64-bit view that code page 1252 cannot name: 日本語.
    std::wstring other64 = L"\u65E5\u672C\u8A9E " + std::to_wstring(GetCurrentProcessId());
};

// A 32-bit installer that put its saver into the native System32: before,
// the box said "removed" while the file stayed.
TEST_F(Wow64ScreenSaver, EntryOf32BitViewWithItsFileInTheNativeSystemFolder) {
    ASSERT_TRUE(MakeNative());
    ASSERT_TRUE(e2e::InstallEntry(name, REG_SZ, systemSaver + '\0'));
    e2e::BoxSeen seen = Uninstall(name);
    EXPECT_EQ(seen.text, Removed(name));
    EXPECT_EQ(seen.icon, "information");
    EXPECT_FALSE(NativeExists());
    EXPECT_FALSE(e2e::EntryExists(name));
}

TEST_F(Wow64ScreenSaver, NativeFileHeldOpenKeepsTheEntryAndShowsTheError) {
    ASSERT_TRUE(MakeNative());
    ASSERT_TRUE(e2e::InstallEntry(name, REG_SZ, systemSaver + '\0'));
    HANDLE held = INVALID_HANDLE_VALUE;
    {
        e2e::NativeFileSystem native;
        held = CreateFileA(systemSaver.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    e2e::BoxSeen seen = Uninstall(name);
    CloseHandle(held);
    EXPECT_EQ(seen.icon, "error");
    EXPECT_TRUE(NativeExists());
    EXPECT_TRUE(e2e::EntryExists(name));
}

// A 64-bit installer's entry: before, nothing happened at all. Its file is
// native; a 32-bit saver of the same name in SysWOW64 is not its file.
TEST_F(Wow64ScreenSaver, EntryOf64BitViewWithItsNativeFile) {
    ASSERT_TRUE(MakeNative());
    ASSERT_TRUE(e2e::MakeFile(systemSaver));
    ASSERT_TRUE(e2e::InstallEntry(name, REG_SZ, systemSaver + '\0', KEY_WOW64_64KEY));
    e2e::BoxSeen seen = Uninstall(name);
    EXPECT_EQ(seen.text, Removed(name));
    EXPECT_FALSE(NativeExists());
    EXPECT_TRUE(e2e::Exists(systemSaver)) << "the 32-bit twin was removed";
    EXPECT_FALSE(e2e::EntryExists(name, KEY_WOW64_64KEY));
}

TEST_F(Wow64ScreenSaver, ExpandableValueOf64BitViewNamesTheNativeSystemFolder) {
    ASSERT_TRUE(MakeNative());
    std::string leaf = systemSaver.substr(systemSaver.rfind('\\'));
    ASSERT_TRUE(e2e::InstallEntry(name, REG_EXPAND_SZ, "%SystemRoot%\\System32" + leaf + '\0', KEY_WOW64_64KEY));
    e2e::BoxSeen seen = Uninstall(name);
    EXPECT_EQ(seen.text, Removed(name));
    EXPECT_FALSE(NativeExists());
    EXPECT_FALSE(e2e::EntryExists(name, KEY_WOW64_64KEY));
}

// Every entry of the 64-bit view is read in UTF-16, whatever its name: only
// one whose PathToSCR names the native saver makes it another product's,
// which stays while this entry's own counts as gone.
TEST_F(Wow64ScreenSaver, EntryOf64BitViewWithAnyNameKeepsTheNativeSaverOnlyWhenItNamesIt) {
    std::wstring leaf = e2e::Wide(systemSaver.substr(systemSaver.rfind('\\')));
    for (bool named : {false, true}) {
        SCOPED_TRACE(named ? "the 64-bit entry names the native saver" : "the 64-bit entry names another file");
        std::wstring path = named ? L"%SystemRoot%\\System32" + leaf : e2e::Wide(saver);
        ASSERT_TRUE(e2e::InstallEntry(other64, named ? REG_EXPAND_SZ : REG_SZ, path, KEY_WOW64_64KEY));
        ASSERT_TRUE(MakeNative());
        ASSERT_TRUE(e2e::InstallEntry(name, REG_SZ, systemSaver + '\0'));
        e2e::BoxSeen seen = Uninstall(name);
        EXPECT_EQ(seen.text, Removed(name));
        EXPECT_EQ(seen.icon, "information");
        EXPECT_EQ(NativeExists(), named);
        EXPECT_FALSE(e2e::EntryExists(name));
        EXPECT_TRUE(e2e::EntryExists(other64, KEY_WOW64_64KEY));
    }
}

// ---- code page 932 ----------------------------------------------------------

// ソフト: its first character is 0x83 0x5C, whose second byte is a
// backslash when read byte by byte.
const char kSoftware[] = "\x83\x5C\x83\x74\x83\x67";

TEST(CodePage932, RemovesTheSaverOfANameWhoseSecondByteIsABackslash) {
    E2E_REQUIRE(GetACP() == 932, "UNINSTALL_E2E_EXPECT_ACP", "ANSI code page 932");
    e2e::ScratchFolder folder("932");
    std::string name = std::string(kSoftware) + " " + std::to_string(GetCurrentProcessId());
    std::string saver = folder / (std::string(kSoftware) + ".scr");
    ASSERT_TRUE(e2e::MakeFile(saver));
    ASSERT_TRUE(e2e::InstallEntry(name, REG_SZ, saver + '\0'));
    e2e::Started started = e2e::Start("uninstall.exe RMSCR " + name);
    e2e::BoxSeen seen = e2e::WatchBoxes(started, [] { return true; });
    e2e::Finished finished = e2e::Finish(started);
    e2e::DeleteEntry(name);
    EXPECT_FALSE(finished.timedOut);
    EXPECT_EQ(seen.boxes, 1);
    EXPECT_EQ(seen.text, "The " + name + " screen saver has been removed");
    EXPECT_FALSE(e2e::Exists(saver));
}

// ---- nobody to see the box --------------------------------------------------

// A window station of its own, not the visible one: as a service in session
// 0 has. A box there would wait for ever.
TEST(Unattended, RunWhereNobodyCanSeeABoxRemovesTheSaverAndEnds) {
    std::string station = "uninstall-e2e-" + std::to_string(GetCurrentProcessId());
    HWINSTA hidden = CreateWindowStationA(station.c_str(), 0, WINSTA_ALL_ACCESS, nullptr);
    ASSERT_NE(hidden, nullptr) << GetLastError();
    USEROBJECTFLAGS flags = {};
    GetUserObjectInformationA(hidden, UOI_FLAGS, &flags, sizeof flags, nullptr);
    if (flags.dwFlags & WSF_VISIBLE) {
        CloseWindowStation(hidden);
        GTEST_SKIP() << "this system shows a new window station as visible";
    }
    HWINSTA own = GetProcessWindowStation();
    ASSERT_TRUE(SetProcessWindowStation(hidden));
    HDESK desktop = CreateDesktopA("Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    SetProcessWindowStation(own);
    ASSERT_NE(desktop, nullptr) << GetLastError();

    e2e::ScratchFolder folder("unattended");
    std::string name = "E2E Unattended " + std::to_string(GetCurrentProcessId());
    std::string saver = folder / "unattended.scr";
    ASSERT_TRUE(e2e::MakeFile(saver));
    ASSERT_TRUE(e2e::InstallEntry(name, REG_SZ, saver + '\0'));
    e2e::Started started = e2e::Start("uninstall.exe RMSCR " + name, (station + "\\Default").c_str());
    e2e::Finished finished = e2e::Finish(started, 20000);
    bool entryLeft = e2e::EntryExists(name);
    e2e::DeleteEntry(name);
    CloseDesktop(desktop);
    CloseWindowStation(hidden);
    EXPECT_FALSE(finished.timedOut) << "waited for a box nobody can see";
    EXPECT_EQ(finished.exitCode, 0u);
    EXPECT_FALSE(e2e::Exists(saver));
    EXPECT_FALSE(entryLeft);
    EXPECT_EQ(e2e::BoxesOpen(), 0);
}

}  // namespace
