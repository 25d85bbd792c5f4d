#include "screensaver/screensaver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "fake_windows_test.h"
#include "platform/platform.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

const std::string kList = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kEntry = kList + "\\My Saver";
const std::string kSaver = "C:\\Windows\\System32\\My Saver.scr";
const std::string kRemoved = "The My Saver screen saver has been removed";
const std::string kNotRemoved =
    "The My Saver screen saver could not be removed.\r\nThe Display Properties dialog may be open.";

const std::string kOpenForReading = ", 0x80000000, 0x1, 3, 0x2000080";  // folders open too

std::string Call(const std::string& function, const std::string& arguments) {
    return function + "(" + arguments + ")";
}

// What the file calls are given for path: its full form.
std::string Long(const std::string& path) { return "\\\\?\\" + path; }

void Uninstall(const std::string& name) { RemoveScreenSaver(name.c_str(), fake::WideOf(name).c_str()); }

// The calls made on path as seen, or in the native file system, where each
// runs alone with redirection off.
std::vector<std::string> At(std::vector<std::string> calls, bool native) {
    if (!native) return calls;
    std::vector<std::string> wrapped;
    for (const std::string& call : calls) {
        if (call == "GetFileInformationByHandle" || call == "CloseHandle") {
            wrapped.insert(wrapped.end() - 1, call);
        } else {
            wrapped.insert(wrapped.end(), {"Wow64DisableWow64FsRedirection", call, "Wow64RevertWow64FsRedirection"});
        }
    }
    return wrapped;
}

// The calls that read the saver's identity and look for the settings that
// name it, in no hive here.
std::vector<std::string> SettingsLookup(const std::string& path, bool native) {
    std::vector<std::string> calls = At({Call("CreateFileW", Long(path) + ", 0x80, 0x7, 3, 0x2000000"),
                                         "GetFileInformationByHandle", "CloseHandle"}, native);
    calls.push_back("RegEnumKeyExW(0)");
    return calls;
}

// Those, then the calls that delete path and check it.
std::vector<std::string> Removal(const std::string& path, bool native) {
    std::vector<std::string> calls = SettingsLookup(path, native);
    for (const std::string& call : At({Call("DeleteFileW", Long(path)), Call("CreateFileW", Long(path) + kOpenForReading)}, native)) {
        calls.push_back(call);
    }
    return calls;
}

std::vector<std::string> Joined(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> joined;
    for (const std::vector<std::string>& part : parts) joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

class ScreenSaverTest : public FakeWindowsTest {
protected:
    void SetUp() override {
        FakeWindowsTest::SetUp();
        fake::AddFile(kSaver);
        fake::SetString(kEntry, "PathToSCR", kSaver);
        fake::SetString(kList + "\\Other Program", "UninstallString", "C:\\other\\remove.exe");
    }

    // The entry is found and its value refused: nothing deleted, nothing shown.
    static void ExpectRefused() {
        EXPECT_EQ(fake::Calls().front(), Call("RegOpenKeyExW", "HKLM, " + kEntry + ", 0, 0xf003f"));
        EXPECT_THAT(fake::CallsTo("DeleteFileW"), IsEmpty());
        EXPECT_THAT(fake::Boxes(), IsEmpty());
        EXPECT_TRUE(fake::KeyExists(kEntry));
        EXPECT_TRUE(fake::Exists(kSaver));
        EXPECT_EQ(fake::HandlesLeftOpen(), 0);
        EXPECT_EQ(fake::BlocksHeld(), 0);
    }
};

TEST_F(ScreenSaverTest, RemovesFileThenEntryThenSaysSoAndClosesTheKeyLast) {
    Uninstall("My Saver");
    EXPECT_EQ(fake::Calls(),
              Joined({{Call("RegOpenKeyExW", "HKLM, " + kEntry + ", 0, 0xf003f"),
                       Call("RegQueryValueExW", "PathToSCR, 520")},
                      Removal(kSaver, false),
                      {"RegDeleteTreeW", Call("RegDeleteKeyW", "HKLM, " + kEntry),
                       Call("MessageBoxA", kRemoved + ", Uninstall, 0x40"), "RegCloseKey"}}));
    EXPECT_FALSE(fake::Exists(kSaver));
    EXPECT_FALSE(fake::KeyExists(kEntry));
    EXPECT_TRUE(fake::KeyExists(kList + "\\Other Program"));
    ASSERT_EQ(fake::Boxes().size(), 1u);
    EXPECT_EQ(fake::Boxes()[0].text, kRemoved);
    EXPECT_EQ(fake::Boxes()[0].caption, "Uninstall");
    EXPECT_EQ(fake::Boxes()[0].type, 0x40u);
}

TEST_F(ScreenSaverTest, FileStillReadableKeepsTheEntryAndShowsTheErrorBox) {
    int hold = fake::HoldOpen(kSaver, platform::kGenericRead, platform::kFileShareRead);
    Uninstall("My Saver");
    fake::Release(hold);
    EXPECT_EQ(fake::Calls(),
              Joined({{Call("RegOpenKeyExW", "HKLM, " + kEntry + ", 0, 0xf003f"),
                       Call("RegQueryValueExW", "PathToSCR, 520")},
                      SettingsLookup(kSaver, false),
                      {Call("DeleteFileW", Long(kSaver)), Call("GetFileAttributesW", Long(kSaver)),
                       Call("CreateFileW", Long(kSaver) + kOpenForReading), "CloseHandle",
                       Call("MessageBoxA", kNotRemoved + ", Uninstall, 0x10"), "RegCloseKey"}}));
    EXPECT_TRUE(fake::Exists(kSaver));
    EXPECT_TRUE(fake::KeyExists(kEntry));
    ASSERT_EQ(fake::Boxes().size(), 1u);
    EXPECT_EQ(fake::Boxes()[0].text, kNotRemoved);
    EXPECT_EQ(fake::Boxes()[0].type, 0x10u);
}

// Held without read sharing, the saver can neither be deleted nor opened:
// it is there, so it is not gone, and its entry stays for another try.
TEST_F(ScreenSaverTest, FileThatCanNeitherBeDeletedNorOpenedKeepsTheEntry) {
    int hold = fake::HoldOpen(kSaver, platform::kGenericRead | fake::kGenericWrite, 0);
    Uninstall("My Saver");
    fake::Release(hold);
    EXPECT_TRUE(fake::Exists(kSaver));
    EXPECT_TRUE(fake::KeyExists(kEntry));
    ASSERT_EQ(fake::Boxes().size(), 1u);
    EXPECT_EQ(fake::Boxes()[0].text, kNotRemoved);
}

TEST_F(ScreenSaverTest, MissingFileCountsAsRemoved) {
    fake::SetString(kEntry, "PathToSCR", "C:\\Windows\\System32\\Gone.scr");
    Uninstall("My Saver");
    EXPECT_FALSE(fake::KeyExists(kEntry));
    EXPECT_TRUE(fake::Exists(kSaver));
    ASSERT_EQ(fake::Boxes().size(), 1u);
    EXPECT_EQ(fake::Boxes()[0].text, kRemoved);
}

TEST_F(ScreenSaverTest, NameInAnotherCaseFindsTheEntryAndIsShownAsTyped) {
    Uninstall("my SAVER");
    EXPECT_FALSE(fake::KeyExists(kEntry));
    ASSERT_EQ(fake::Boxes().size(), 1u);
    EXPECT_EQ(fake::Boxes()[0].text, "The my SAVER screen saver has been removed");
}

TEST_F(ScreenSaverTest, EntryThatCannotBeOpenedWithFullAccessEndsSilently) {
    fake::DenyFullAccess(kList + "\\Locked Saver");
    Uninstall("No Such Saver");
    Uninstall("Locked Saver");
    EXPECT_THAT(fake::Calls(),
                ElementsAre(Call("RegOpenKeyExW", "HKLM, " + kList + "\\No Such Saver, 0, 0xf003f"),
                            Call("RegOpenKeyExW", "HKLM, " + kList + "\\Locked Saver, 0, 0xf003f")));
    EXPECT_TRUE(fake::KeyExists(kList + "\\Locked Saver"));
}

TEST_F(ScreenSaverTest, NameThatPicksNoSingleEntryOpensNothing) {
    fake::SetString(kEntry + "\\Inner", "PathToSCR", kSaver);
    for (const char* name : {"", "\\", "My Saver\\Inner", "..\\Uninstall\\My Saver"}) {
        Uninstall(name);
    }
    EXPECT_THAT(fake::Calls(), IsEmpty());
    EXPECT_TRUE(fake::KeyExists(kEntry + "\\Inner"));
    EXPECT_TRUE(fake::Exists(kSaver));
}

struct BadValue {
    const char* what;
    std::uint32_t type;
    std::string data;
};

TEST_F(ScreenSaverTest, ValueThatHoldsNoTrustworthyPathIsRefused) {
    const BadValue cases[] = {
        {"absent", 0, ""},
        {"a number", fake::kRegDword, std::string("\x01\0\0\0", 4)},
        {"bytes that spell the path", 3 /*REG_BINARY*/, kSaver + '\0'},
        {"a string list", 7 /*REG_MULTI_SZ*/, kSaver + '\0' + '\0'},
        // The first bytes name the real file: a short read must not be used.
        {"longer than the buffer", platform::kRegSz, kSaver + '\0' + std::string(300, 'x')},
        {"260 bytes and no terminator", platform::kRegSz, "C:\\" + std::string(257, 'a')},
        // Names that reach no file, or another one depending on where the
        // program runs from.
        {"empty", platform::kRegSz, std::string(1, '\0')},
        {"relative", platform::kRegSz, std::string("My Saver.scr\0", 13)},
        {"drive-relative", platform::kRegSz, std::string("C:My Saver.scr\0", 15)},
        {"a leading blank", platform::kRegSz, " " + kSaver + '\0'},
        {"a wildcard", platform::kRegSz, std::string("C:\\Windows\\System32\\*.scr\0", 27)},
        {"a trailing backslash", platform::kRegSz, std::string("C:\\Windows\\System32\\\0", 21)},
        {"unexpanded", platform::kRegSz, std::string("%SystemRoot%\\System32\\My Saver.scr\0", 35)},
        {"an undefined variable", platform::kRegExpandSz, std::string("%Saver%\\My Saver.scr\0", 21)},
    };
    for (const BadValue& value : cases) {
        SCOPED_TRACE(value.what);
        fake::Reset();
        fake::AddFile(kSaver);
        fake::AddKey(kEntry);
        if (value.type != 0) fake::SetValue(kEntry, "PathToSCR", value.type, value.data);
        Uninstall("My Saver");
        ExpectRefused();
    }
}

// A quoted path, as authors write them, and a read-only saver, which is
// reset for a second try.
TEST_F(ScreenSaverTest, QuotedOrReadOnlySaverGoes) {
    const struct {
        std::uint32_t type;
        std::string data;
        std::uint32_t attributes;
    } cases[] = {
        {platform::kRegSz, "\"" + kSaver + "\"" + '\0', fake::kArchive},
        {platform::kRegExpandSz, "\"" + kSaver + "\"" + '\0', fake::kArchive},
        {platform::kRegSz, kSaver + '\0', fake::kReadOnly},
    };
    for (const auto& saver : cases) {
        fake::AddFile(kSaver, saver.attributes);
        fake::SetValue(kEntry, "PathToSCR", saver.type, saver.data);
        Uninstall("My Saver");
        EXPECT_FALSE(fake::Exists(kSaver)) << saver.data;
        EXPECT_FALSE(fake::KeyExists(kEntry)) << saver.data;
    }
    EXPECT_EQ(fake::Boxes().size(), 3u);
}

TEST_F(ScreenSaverTest, FolderIsNoScreenSaverAndStays) {
    fake::SetString(kEntry, "PathToSCR", "C:\\Windows\\System32");
    Uninstall("My Saver");
    EXPECT_TRUE(fake::KeyExists(kEntry));
    ASSERT_EQ(fake::Boxes().size(), 1u);
    EXPECT_EQ(fake::Boxes()[0].text, kNotRemoved);
}

// RegDeleteKeyA deletes no key that has subkeys; Windows XP lacks
// RegDeleteTreeA.
TEST_F(ScreenSaverTest, EntryGoesWithItsSubkeysAndNothingBeside) {
    for (bool xp : {false, true}) {
        fake::Reset();
        if (xp) fake::SetWindowsXp();
        fake::AddFile(kSaver);
        fake::SetString(kEntry + "\\Inner\\Deeper", "Value", "x");
        fake::SetString(kEntry, "PathToSCR", kSaver);
        fake::AddKey(kEntry + "\\Other");
        fake::AddKey(kEntry + " 2");
        Uninstall("My Saver");
        EXPECT_TRUE(fake::KeyExists(kEntry + " 2")) << xp;
        EXPECT_THAT(fake::Keys(), Not(::testing::Contains(::testing::HasSubstr("MY SAVER\\")))) << xp;
        EXPECT_FALSE(fake::KeyExists(kEntry)) << xp;
    }
}

TEST_F(ScreenSaverTest, UnterminatedValueIsTerminatedInsideTheBuffer) {
    fake::SetValue(kEntry, "PathToSCR", platform::kRegSz, kSaver);
    Uninstall("My Saver");
    EXPECT_THAT(fake::CallsTo("DeleteFileW"), ElementsAre(Call("DeleteFileW", Long(kSaver))));
    EXPECT_FALSE(fake::Exists(kSaver));
    EXPECT_FALSE(fake::KeyExists(kEntry));
}

TEST_F(ScreenSaverTest, LongestPathThatFitsIsUsed) {
    std::string longest = "C:\\" + std::string(252, 's') + ".scr";  // 259 characters
    fake::AddFile(longest);
    fake::SetString(kEntry, "PathToSCR", longest);
    Uninstall("My Saver");
    EXPECT_FALSE(fake::Exists(longest));
    EXPECT_FALSE(fake::KeyExists(kEntry));
}

TEST_F(ScreenSaverTest, ExpandableValueIsExpandedWhenTheResultFits) {
    fake::SetValue(kEntry, "PathToSCR", platform::kRegExpandSz, "%SystemRoot%\\System32\\My Saver.scr");
    Uninstall("My Saver");
    EXPECT_THAT(fake::CallsTo("DeleteFileW"), ElementsAre(Call("DeleteFileW", Long(kSaver))));
    EXPECT_FALSE(fake::Exists(kSaver));
    EXPECT_FALSE(fake::KeyExists(kEntry));

    // 259 characters once expanded fit; 260 do not, though the value does.
    for (std::size_t length : {253u, 254u}) {
        fake::Reset();
        fake::AddFile(kSaver);
        std::string folder = "C:\\" + std::string(length - 3, 'f');
        std::string saver = folder + "\\s.scr";
        fake::AddFile(saver);
        fake::SetEnvironment("SaverFolder", folder);
        fake::SetValue(kEntry, "PathToSCR", platform::kRegExpandSz, "%SaverFolder%\\s.scr");
        Uninstall("My Saver");
        if (saver.size() == 259) {
            EXPECT_FALSE(fake::Exists(saver));
        } else {
            ExpectRefused();
            EXPECT_TRUE(fake::Exists(saver));
        }
    }
}

TEST_F(ScreenSaverTest, DoubleByteNameWhoseSecondByteIsABackslashIsOneEntry) {
    const std::string software = "\x83\x5C\x83\x74\x83\x67";  // ソフト in code page 932
    Uninstall(software);
    EXPECT_THAT(fake::Calls(), IsEmpty()) << "read as bytes, the name holds a backslash";
    fake::UseCodePage932();
    fake::SetString(kList + "\\" + software, "PathToSCR", kSaver);
    Uninstall(software);
    EXPECT_FALSE(fake::Exists(kSaver));
    EXPECT_FALSE(fake::KeyExists(kList + "\\" + software));
    ASSERT_EQ(fake::Boxes().size(), 1u);
    EXPECT_EQ(fake::Boxes()[0].text, "The " + software + " screen saver has been removed");
    // A backslash of its own after such a character still reaches past it.
    fake::SetString(kList + "\\" + software + "\\Inner", "PathToSCR", kSaver);
    Uninstall(software + "\\Inner");
    EXPECT_TRUE(fake::KeyExists(kList + "\\" + software + "\\Inner"));
}

// With no user to see it, as for a service in session 0, the box would wait
// for ever: it is left out and everything else happens as before.
TEST_F(ScreenSaverTest, WindowStationNobodySeesGetsNoBoxAndNothingElseChanges) {
    std::vector<std::string> shown;
    for (bool visible : {true, false}) {
        fake::Reset();
        fake::AddFile(kSaver);
        fake::SetString(kEntry, "PathToSCR", kSaver);
        fake::SetWindowStationFlags(visible ? platform::kWsfVisible : 0);
        Uninstall("My Saver");
        EXPECT_FALSE(fake::Exists(kSaver));
        EXPECT_FALSE(fake::KeyExists(kEntry));
        EXPECT_EQ(fake::Boxes().size(), visible ? 1u : 0u);
        std::vector<std::string> calls = fake::Calls();
        if (visible) {
            calls.erase(calls.end() - 2);  // the box, before the key is closed
            shown = calls;
        } else {
            EXPECT_EQ(calls, shown);
        }
    }
    fake::Reset();
    fake::AddFile(kSaver);
    fake::SetString(kEntry, "PathToSCR", kSaver);
    int hold = fake::HoldOpen(kSaver, platform::kGenericRead, platform::kFileShareRead);
    fake::SetWindowStationFlags(0);
    Uninstall("My Saver");
    fake::Release(hold);
    EXPECT_THAT(fake::Boxes(), IsEmpty());
    EXPECT_TRUE(fake::KeyExists(kEntry));
    // Flags that cannot be read leave the box as it always was.
    fake::FailWindowStationQuery();
    Uninstall("My Saver");
    EXPECT_EQ(fake::Boxes().size(), 1u);
}

TEST_F(ScreenSaverTest, WithoutUser32NoBoxIsShownAndFileAndEntryGoAllTheSame) {
    fake::RemoveUser32();
    Uninstall("My Saver");
    EXPECT_THAT(fake::Boxes(), IsEmpty());
    EXPECT_FALSE(fake::Exists(kSaver));
    EXPECT_FALSE(fake::KeyExists(kEntry));
}

// ---- 64-bit Windows: this 32-bit program under WOW64 ----------------------

const std::string kSaver32 = "C:\\Windows\\SysWOW64\\My Saver.scr";  // where kSaver leads

class Wow64ScreenSaverTest : public FakeWindowsTest {
protected:
    void SetUp() override {
        FakeWindowsTest::SetUp();
        fake::SetWow64();
        fake::SetString(kList + "\\Other Program", "UninstallString", "C:\\other\\remove.exe");
    }

    static void ExpectRemovedAndSaid() {
        ASSERT_EQ(fake::Boxes().size(), 1u);
        EXPECT_EQ(fake::Boxes()[0].text, kRemoved);
        EXPECT_EQ(fake::Boxes()[0].type, platform::kMbIconInformation);
        EXPECT_TRUE(fake::KeyExists(kList + "\\Other Program"));
    }
};


TEST_F(Wow64ScreenSaverTest, SaverOfA32BitInstallerGoesFromSysWow64) {
    fake::AddFile(kSaver32);
    fake::SetString(kEntry, "PathToSCR", kSaver);
    Uninstall("My Saver");
    EXPECT_EQ(fake::Calls(),
              Joined({{Call("RegOpenKeyExW", "HKLM, " + kEntry + ", 0, 0xf003f"),
                       Call("RegQueryValueExW", "PathToSCR, 520"),
                       Call("GetFileAttributesW", Long(kSaver))},
                      Removal(kSaver, false),
                      {"RegDeleteTreeW", Call("RegDeleteKeyW", "HKLM, " + kEntry), Call("MessageBoxA", kRemoved + ", Uninstall, 0x40"),
                       "RegCloseKey"}}));
    EXPECT_FALSE(fake::Exists(kSaver32));
    EXPECT_FALSE(fake::KeyExists(kEntry));
    ExpectRemovedAndSaid();
}

// A 32-bit installer that turned redirection off to put its saver into the
// native System32: before, the box said "removed" and the file stayed.
TEST_F(Wow64ScreenSaverTest, SaverPutIntoTheNativeSystemFolderGoesToo) {
    fake::AddFile(kSaver);
    fake::SetString(kEntry, "PathToSCR", kSaver);
    Uninstall("My Saver");
    EXPECT_FALSE(fake::Exists(kSaver));
    EXPECT_FALSE(fake::KeyExists(kEntry));
    ExpectRemovedAndSaid();

    // With a saver in SysWOW64 too, that one is this entry's: a 64-bit
    // entry's saver of the same name in the native folder stays. Before, both
    // went and the other entry pointed at nothing.
    fake::Reset();
    SetUp();
    fake::AddFile(kSaver);
    fake::AddFile(kSaver32);
    fake::SetString(kEntry, "PathToSCR", kSaver);
    fake::SetString(kEntry, "PathToSCR", kSaver, fake::k64BitView);
    Uninstall("My Saver");
    EXPECT_FALSE(fake::Exists(kSaver32));
    EXPECT_TRUE(fake::Exists(kSaver));
    EXPECT_TRUE(fake::KeyExists(kEntry, fake::k64BitView));
    ExpectRemovedAndSaid();

    // With this entry's own saver gone, the native one that a 64-bit entry
    // of another name names, however spelled, is that product's.
    fake::Reset();
    SetUp();
    fake::AddFile(kSaver);
    fake::SetString(kEntry, "PathToSCR", kSaver);
    fake::SetString(kList + "\\Other Saver", "PathToSCR", "c:\\windows\\.\\system32\\MY SAVER.scr", fake::k64BitView);
    Uninstall("My Saver");
    EXPECT_TRUE(fake::Exists(kSaver));
    EXPECT_FALSE(fake::KeyExists(kEntry));
    ExpectRemovedAndSaid();
}

// WOW64 redirects the path Windows forms, however the value spells it.
TEST_F(Wow64ScreenSaverTest, NativeSaverIsFoundHoweverItsPathIsSpelled) {
    for (const char* spelled : {"C:/Windows/System32/My Saver.scr", "\\\\?\\C:\\Windows\\System32\\My Saver.scr",
                                "C:\\Windows\\.\\System32\\My Saver.scr", "C:\\Windows\\Fonts\\..\\System32\\My Saver.scr",
                                "C:\\Windows\\\\System32\\My Saver.scr", "C:\\Windows\\System32/My Saver.scr"}) {
        fake::AddFile(kSaver);
        fake::SetString(kEntry, "PathToSCR", spelled);
        Uninstall("My Saver");
        EXPECT_FALSE(fake::Exists(kSaver)) << spelled;
        EXPECT_FALSE(fake::KeyExists(kEntry)) << spelled;
    }
}

// Outside the system folder nothing is redirected: the calls are as on
// 32-bit Windows.
TEST_F(Wow64ScreenSaverTest, SaverOutsideTheSystemFolderIsOnlyDeletedAsSeen) {
    const std::string saver = "C:\\Program Files\\My Saver\\My Saver.scr";
    fake::AddFile(saver);
    fake::SetString(kEntry, "PathToSCR", saver);
    Uninstall("My Saver");
    EXPECT_THAT(fake::CallsTo("Wow64DisableWow64FsRedirection"), IsEmpty());
    EXPECT_FALSE(fake::Exists(saver));
    ExpectRemovedAndSaid();
}

// A 64-bit installer's entry: before, nothing at all happened.
TEST_F(Wow64ScreenSaverTest, EntryInThe64BitViewIsFoundAndItsNativeFileRemoved) {
    fake::AddFile(kSaver);
    fake::AddFile(kSaver32);  // a 32-bit saver of the same name stays
    fake::SetString(kEntry, "PathToSCR", kSaver, fake::k64BitView);
    Uninstall("My Saver");
    EXPECT_EQ(fake::Calls(),
              Joined({{Call("RegOpenKeyExW", "HKLM, " + kEntry + ", 0, 0xf003f"),
                       Call("RegOpenKeyExW", "HKLM, " + kEntry + ", 0, 0xf013f"),
                       Call("SetEnvironmentVariableW", "ProgramFiles, " + std::string(fake::kProgramFiles)),
                       Call("SetEnvironmentVariableW", "CommonProgramFiles, " + std::string(fake::kCommonFiles)),
                       Call("RegQueryValueExW", "PathToSCR, 520")},
                      Removal(kSaver, true),
                      {"RegDeleteTreeW", Call("RegDeleteKeyExW", "HKLM, " + kEntry + ", 0x100"),
                       Call("MessageBoxA", kRemoved + ", Uninstall, 0x40"), "RegCloseKey"}}));
    EXPECT_FALSE(fake::Exists(kSaver));
    EXPECT_TRUE(fake::Exists(kSaver32));
    EXPECT_FALSE(fake::KeyExists(kEntry, fake::k64BitView));
    ExpectRemovedAndSaid();
}

// Where it cannot be told whether a 64-bit entry names the native twin, the
// twin may be another product's: it stays, with the failure box, and so
// does this entry.
TEST_F(Wow64ScreenSaverTest, NativeTwinThatCannotBeToldStaysWithTheFailureBox) {
    const std::string other = kList + "\\Other Saver";
    const std::string elsewhere = "C:\\Savers\\Other.scr";
    const struct {
        const char* what;
        std::function<void()> setUp;
    } cases[] = {
        {"the twin cannot be opened", [] { fake::DenyOpening(kSaver); }},
        {"a 64-bit entry's saver cannot be opened",
         [&] {
             fake::AddFile(elsewhere);
             fake::DenyOpening(elsewhere);
             fake::SetString(other, "PathToSCR", elsewhere, fake::k64BitView);
         }},
        {"a 64-bit entry's PathToSCR cannot be used",
         [&] { fake::SetString(other, "PathToSCR", "%SystemRoot%\\System32\\My Saver.scr", fake::k64BitView); }},
    };
    for (const auto& saver : cases) {
        SCOPED_TRACE(saver.what);
        fake::Reset();
        SetUp();
        fake::AddFile(kSaver);
        fake::SetString(kEntry, "PathToSCR", kSaver);
        saver.setUp();
        Uninstall("My Saver");
        EXPECT_TRUE(fake::Exists(kSaver));
        EXPECT_TRUE(fake::KeyExists(kEntry));
        ASSERT_EQ(fake::Boxes().size(), 1u);
        EXPECT_EQ(fake::Boxes()[0].text, kNotRemoved);
    }
}

TEST_F(Wow64ScreenSaverTest, NativeFileStillReadableKeepsThe64BitEntry) {
    fake::AddFile(kSaver);
    fake::SetString(kEntry, "PathToSCR", kSaver, fake::k64BitView);
    int hold = fake::HoldOpen(kSaver, platform::kGenericRead, platform::kFileShareRead);
    Uninstall("My Saver");
    fake::Release(hold);
    EXPECT_TRUE(fake::KeyExists(kEntry, fake::k64BitView));
    ASSERT_EQ(fake::Boxes().size(), 1u);
    EXPECT_EQ(fake::Boxes()[0].type, platform::kMbIconHand);
}

TEST_F(Wow64ScreenSaverTest, OwnViewComesFirstAndALockedEntryIsNotLookedForElsewhere) {
    const std::string saver64 = "C:\\Program Files\\My Saver\\My Saver.scr";
    fake::AddFile(kSaver32);
    fake::AddFile(saver64);
    fake::SetString(kEntry, "PathToSCR", kSaver);
    fake::SetString(kEntry, "PathToSCR", saver64, fake::k64BitView);
    Uninstall("My Saver");
    EXPECT_FALSE(fake::KeyExists(kEntry));
    EXPECT_TRUE(fake::KeyExists(kEntry, fake::k64BitView));
    EXPECT_TRUE(fake::Exists(saver64));

    fake::DenyFullAccess(kList + "\\Locked Saver");
    fake::SetString(kList + "\\Locked Saver", "PathToSCR", saver64, fake::k64BitView);
    Uninstall("Locked Saver");
    EXPECT_TRUE(fake::KeyExists(kList + "\\Locked Saver", fake::k64BitView));
    EXPECT_TRUE(fake::Exists(saver64));
}

// A 64-bit entry expands as a 64-bit process would: %ProgramFiles% is the
// native folder, not this process's x86 one. A value that expands past the
// buffer is refused in either view.
TEST_F(Wow64ScreenSaverTest, ExpandableValueIsExpandedInEitherView) {
    const std::string saver64 = std::string(fake::kProgramFiles) + "\\My Saver\\My Saver.scr";
    const std::string saverX86 = std::string(fake::kProgramFilesX86) + "\\My Saver\\My Saver.scr";
    fake::AddFile(saver64);
    fake::AddFile(saverX86);
    fake::SetValue(kEntry, "PathToSCR", platform::kRegExpandSz, "%ProgramFiles%\\My Saver\\My Saver.scr",
                   fake::k64BitView);
    Uninstall("My Saver");
    EXPECT_FALSE(fake::Exists(saver64));
    EXPECT_TRUE(fake::Exists(saverX86));
    EXPECT_FALSE(fake::KeyExists(kEntry, fake::k64BitView));

    fake::AddFile(kSaver);
    fake::SetValue(kEntry, "PathToSCR", platform::kRegExpandSz, "%windir%\\System32\\My Saver.scr\0",
                   fake::k64BitView);
    Uninstall("My Saver");
    EXPECT_FALSE(fake::Exists(kSaver));
    EXPECT_FALSE(fake::KeyExists(kEntry, fake::k64BitView));

    fake::SetEnvironment("Long", std::string(250, 'l'));
    fake::SetValue(kEntry, "PathToSCR", platform::kRegExpandSz, "C:\\%Long%\\My Saver.scr", fake::k64BitView);
    int boxes = static_cast<int>(fake::Boxes().size());
    Uninstall("My Saver");
    EXPECT_TRUE(fake::KeyExists(kEntry, fake::k64BitView));
    EXPECT_EQ(static_cast<int>(fake::Boxes().size()), boxes);

    // 64-bit Vista, or a trimmed environment, lacks ProgramW6432: the native
    // folders come from the registry's 64-bit view; without them too, the
    // value is not used, where it would have named the x86 folder.
    fake::Reset();
    SetUp();
    for (const char* variable : {"ProgramW6432", "CommonProgramW6432"}) fake::SetEnvironment(variable, "");
    fake::AddFile(saver64);
    fake::SetValue(kEntry, "PathToSCR", platform::kRegExpandSz, "%ProgramFiles%\\My Saver\\My Saver.scr",
                   fake::k64BitView);
    Uninstall("My Saver");
    EXPECT_TRUE(fake::Exists(saver64));
    EXPECT_TRUE(fake::KeyExists(kEntry, fake::k64BitView));
    EXPECT_THAT(fake::Boxes(), IsEmpty());
    const std::string currentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
    fake::SetString(currentVersion, "ProgramFilesDir", fake::kProgramFiles, fake::k64BitView);
    fake::SetString(currentVersion, "CommonFilesDir", fake::kCommonFiles, fake::k64BitView);
    Uninstall("My Saver");
    EXPECT_FALSE(fake::Exists(saver64));
    EXPECT_FALSE(fake::KeyExists(kEntry, fake::k64BitView));
}

}  // namespace
