// RMSCR on real registry entries and files, with its message box watched on
// the display: the text, the icon, and what holds while the box is open.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "harness.h"
#include "message_box.h"

namespace {

class ScreenSaver : public ::testing::Test {
protected:
    void SetUp() override {
        e2e::MakeFile(saver);
        e2e::InstallEntry(name, REG_SZ, saver + '\0');
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

TEST_F(ScreenSaver, FileHeldOpenForReadingKeepsTheEntryAndShowsTheError) {
    HANDLE held = CreateFileA(saver.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
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
        e2e::InstallEntry(name, value.type, value.data);
        e2e::BoxSeen seen = Uninstall(name);
        EXPECT_EQ(seen.boxes, 0);
        EXPECT_TRUE(e2e::Exists(saver));
        EXPECT_TRUE(e2e::EntryExists(name));
    }
}

TEST_F(ScreenSaver, NameThatPicksNoSingleEntryChangesNothing) {
    e2e::InstallEntry(name + "\\Inner", REG_SZ, saver + '\0');
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

}  // namespace
