#include "screensaver/screensaver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "fake_windows_test.h"
#include "platform/platform.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kList = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kEntry = kList + "\\My Saver";
const std::string kSaver = "C:\\Windows\\System32\\My Saver.scr";
const std::string kRemoved = "The My Saver screen saver has been removed";
const std::string kNotRemoved =
    "The My Saver screen saver could not be removed.\r\nThe Display Properties dialog may be open.";

std::string Call(const std::string& function, const std::string& arguments) {
    return function + "(" + arguments + ")";
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
        EXPECT_THAT(fake::Calls(),
                    ElementsAre(Call("RegOpenKeyExA", "HKLM, " + kEntry + ", 0, 0xf003f"),
                                Call("RegQueryValueExA", "PathToSCR, 260"), "RegCloseKey"));
        EXPECT_TRUE(fake::KeyExists(kEntry));
        EXPECT_TRUE(fake::Exists(kSaver));
        EXPECT_EQ(fake::HandlesLeftOpen(), 0);
        EXPECT_EQ(fake::BlocksHeld(), 0);
    }
};

TEST_F(ScreenSaverTest, RemovesFileThenEntryThenSaysSoAndClosesTheKeyLast) {
    RemoveScreenSaver("My Saver");
    EXPECT_THAT(fake::Calls(),
                ElementsAre(Call("RegOpenKeyExA", "HKLM, " + kEntry + ", 0, 0xf003f"),
                            Call("RegQueryValueExA", "PathToSCR, 260"), Call("DeleteFileA", kSaver),
                            Call("CreateFileA", kSaver + ", 0x80000000, 0x1, 3, 0x80"),
                            Call("RegDeleteKeyA", "HKLM, " + kEntry),
                            Call("MessageBoxA", kRemoved + ", Uninstall, 0x40"), "RegCloseKey"));
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
    RemoveScreenSaver("My Saver");
    fake::Release(hold);
    EXPECT_THAT(fake::Calls(),
                ElementsAre(Call("RegOpenKeyExA", "HKLM, " + kEntry + ", 0, 0xf003f"),
                            Call("RegQueryValueExA", "PathToSCR, 260"), Call("DeleteFileA", kSaver),
                            Call("CreateFileA", kSaver + ", 0x80000000, 0x1, 3, 0x80"), "CloseHandle",
                            Call("MessageBoxA", kNotRemoved + ", Uninstall, 0x10"), "RegCloseKey"));
    EXPECT_TRUE(fake::Exists(kSaver));
    EXPECT_TRUE(fake::KeyExists(kEntry));
    ASSERT_EQ(fake::Boxes().size(), 1u);
    EXPECT_EQ(fake::Boxes()[0].text, kNotRemoved);
    EXPECT_EQ(fake::Boxes()[0].type, 0x10u);
}

TEST_F(ScreenSaverTest, FileThatCanNeitherBeDeletedNorOpenedCountsAsRemoved) {
    int hold = fake::HoldOpen(kSaver, platform::kGenericRead | fake::kGenericWrite, 0);
    RemoveScreenSaver("My Saver");
    fake::Release(hold);
    EXPECT_TRUE(fake::Exists(kSaver));
    EXPECT_FALSE(fake::KeyExists(kEntry));
    ASSERT_EQ(fake::Boxes().size(), 1u);
    EXPECT_EQ(fake::Boxes()[0].type, 0x40u);
}

TEST_F(ScreenSaverTest, MissingFileCountsAsRemoved) {
    fake::SetString(kEntry, "PathToSCR", "C:\\Windows\\System32\\Gone.scr");
    RemoveScreenSaver("My Saver");
    EXPECT_FALSE(fake::KeyExists(kEntry));
    EXPECT_TRUE(fake::Exists(kSaver));
    ASSERT_EQ(fake::Boxes().size(), 1u);
    EXPECT_EQ(fake::Boxes()[0].text, kRemoved);
}

TEST_F(ScreenSaverTest, NameInAnotherCaseFindsTheEntryAndIsShownAsTyped) {
    RemoveScreenSaver("my SAVER");
    EXPECT_FALSE(fake::KeyExists(kEntry));
    ASSERT_EQ(fake::Boxes().size(), 1u);
    EXPECT_EQ(fake::Boxes()[0].text, "The my SAVER screen saver has been removed");
}

TEST_F(ScreenSaverTest, EntryThatCannotBeOpenedWithFullAccessEndsSilently) {
    fake::DenyFullAccess(kList + "\\Locked Saver");
    RemoveScreenSaver("No Such Saver");
    RemoveScreenSaver("Locked Saver");
    EXPECT_THAT(fake::Calls(),
                ElementsAre(Call("RegOpenKeyExA", "HKLM, " + kList + "\\No Such Saver, 0, 0xf003f"),
                            Call("RegOpenKeyExA", "HKLM, " + kList + "\\Locked Saver, 0, 0xf003f")));
    EXPECT_TRUE(fake::KeyExists(kList + "\\Locked Saver"));
}

TEST_F(ScreenSaverTest, NameThatPicksNoSingleEntryOpensNothing) {
    fake::SetString(kEntry + "\\Inner", "PathToSCR", kSaver);
    for (const char* name : {"", "\\", "My Saver\\Inner", "..\\Uninstall\\My Saver"}) {
        RemoveScreenSaver(name);
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
    };
    for (const BadValue& value : cases) {
        SCOPED_TRACE(value.what);
        fake::Reset();
        fake::AddFile(kSaver);
        fake::AddKey(kEntry);
        if (value.type != 0) fake::SetValue(kEntry, "PathToSCR", value.type, value.data);
        RemoveScreenSaver("My Saver");
        ExpectRefused();
        EXPECT_THAT(fake::Boxes(), IsEmpty());
    }
}

TEST_F(ScreenSaverTest, UnterminatedValueIsTerminatedInsideTheBuffer) {
    fake::SetValue(kEntry, "PathToSCR", platform::kRegSz, kSaver);
    RemoveScreenSaver("My Saver");
    EXPECT_THAT(fake::CallsTo("DeleteFileA"), ElementsAre(Call("DeleteFileA", kSaver)));
    EXPECT_FALSE(fake::Exists(kSaver));
    EXPECT_FALSE(fake::KeyExists(kEntry));
}

TEST_F(ScreenSaverTest, LongestPathThatFitsIsUsed) {
    std::string longest = "C:\\" + std::string(252, 's') + ".scr";  // 259 characters
    fake::AddFile(longest);
    fake::SetString(kEntry, "PathToSCR", longest);
    RemoveScreenSaver("My Saver");
    EXPECT_FALSE(fake::Exists(longest));
    EXPECT_FALSE(fake::KeyExists(kEntry));
}

TEST_F(ScreenSaverTest, ExpandableValueIsUsedUnexpanded) {
    const std::string stored = "%SystemRoot%\\System32\\My Saver.scr";
    fake::SetValue(kEntry, "PathToSCR", platform::kRegExpandSz, stored + '\0');
    RemoveScreenSaver("My Saver");
    EXPECT_THAT(fake::CallsTo("DeleteFileA"), ElementsAre(Call("DeleteFileA", stored)));
    EXPECT_TRUE(fake::Exists(kSaver));
}

}  // namespace
