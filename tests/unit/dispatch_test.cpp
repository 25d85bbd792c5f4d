#include "entry/dispatch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "fake_windows_test.h"
#include "platform/platform.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class DispatchTest : public FakeWindowsTest {};

struct Split {
    int found;
    std::string verb;
    std::string argument;
};

Split SplitOf(const char* text) {
    OwnedString verb = nullptr;
    OwnedString argument = nullptr;
    Split split{SplitCommand(text, verb, argument), verb ? verb : "<null>",
                argument ? argument : "<null>"};
    FreeString(verb);
    FreeString(argument);
    return split;
}

TEST_F(DispatchTest, SplitsAtTheFirstBlankAndTrimsBothPartsOnTheRight) {
    Split plain = SplitOf("RMFILE C:\\Program Files\\a b.tmp \r\n");
    EXPECT_EQ(plain.found, 1);
    EXPECT_EQ(plain.verb, "RMFILE");
    EXPECT_EQ(plain.argument, "C:\\Program Files\\a b.tmp");
    EXPECT_EQ(SplitOf("RMFILE  C:\\x.tmp").argument, " C:\\x.tmp");
    EXPECT_EQ(SplitOf("RMFILE \"C:\\x.tmp\"").argument, "\"C:\\x.tmp\"");
    EXPECT_EQ(SplitOf("RMFILE\t C:\\x.tmp").verb, "RMFILE");
    EXPECT_EQ(SplitOf("RMFILE ").argument, "");
    EXPECT_EQ(SplitOf(" RMFILE x").verb, " RMFILE");  // index 0 never separates
}

TEST_F(DispatchTest, NoBlankMeansNoSplit) {
    for (const char* text : {"RMFILE\tC:\\x.tmp", "RMFILE", "", " "}) {
        Split split = SplitOf(text);
        EXPECT_EQ(split.found, 0) << text;
        EXPECT_EQ(split.verb, "<null>") << text;
    }
    EXPECT_EQ(SplitOf(nullptr).found, 0);
}

struct RemoveFileCase {
    const char* commandLine;
    const char* deleted;  // what DeleteFileW receives, "" for a pause alone, or null for no call
};

class RemoveFileTest : public FakeWindowsTest,
                       public ::testing::WithParamInterface<RemoveFileCase> {};

TEST_P(RemoveFileTest, PausesThenDeletesExactlyTheArgument) {
    fake::SetCommandLine(GetParam().commandLine);
    EXPECT_EQ(RunProcess(), 0);
    EXPECT_EQ(fake::RedirectionTrustEnforcedAfter(), 0) << "links are trusted only after the first call";
    if (GetParam().deleted && GetParam().deleted[0] == '\0') {
        EXPECT_THAT(fake::Calls(), ElementsAre("Sleep(2000)"));
    } else if (GetParam().deleted) {
        EXPECT_THAT(fake::Calls(), ElementsAre("Sleep(2000)", std::string("DeleteFileW(\\\\?\\") + GetParam().deleted + ")"));
    } else {
        EXPECT_THAT(fake::Calls(), IsEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, RemoveFileTest,
    ::testing::Values(
        RemoveFileCase{"u.exe rmfile C:\\x.tmp", "C:\\x.tmp"},
        RemoveFileCase{"\"C:\\My Tools\\u.exe\" RMFILE C:\\Program Files\\a b.tmp",
                       "C:\\Program Files\\a b.tmp"},
        RemoveFileCase{"\"C:\\u.exe\"RmFile C:\\x.tmp", "C:\\x.tmp"},
        RemoveFileCase{"u.exe RMFILE  C:\\x.tmp", "C:\\ C:\\x.tmp"},  // relative, to C:'s current folder
        RemoveFileCase{"u.exe RMFILE \"C:\\x.tmp\"", "C:\\\"C:\\x.tmp\""},
        RemoveFileCase{"u.exe RMFILE C:\\x.tmp  \r\n", "C:\\x.tmp"},
        RemoveFileCase{"u.exe RMFILE\t C:\\x.tmp", "C:\\x.tmp"},
        RemoveFileCase{"u.exe RMFILE ", ""},
        RemoveFileCase{"u.exe RMFILE C:\\x\\..\\y.tmp.", "C:\\y.tmp"},
        RemoveFileCase{"u.exe RMFILE\tC:\\x.tmp", nullptr},
        RemoveFileCase{"u.exe RMFILE", nullptr},
        RemoveFileCase{"u.exe DELETE C:\\x.tmp", nullptr},
        RemoveFileCase{"u.exe RMFILES C:\\x.tmp", nullptr},
        RemoveFileCase{"\"C:\\u.exe RMFILE C:\\x.tmp", nullptr},
        RemoveFileCase{" C:\\u.exe RMFILE C:\\x.tmp", nullptr},
        RemoveFileCase{"u.exe", nullptr}));

TEST_F(DispatchTest, RemoveFileDeletesTheFileAndLeavesItsNeighbours) {
    fake::AddFile("C:\\Temp\\x.tmp");
    fake::AddFile("C:\\Temp\\y.tmp");
    fake::SetCommandLine("u.exe RMFILE C:\\Temp\\X.TMP");
    RunProcess();
    EXPECT_THAT(fake::Entries(), ElementsAre("C:\\Temp", "C:\\Temp\\y.tmp"));
}

// Windows forms the ANSI line by best fit: U+015C becomes 'S', and the line
// would name another product's folder.
TEST_F(DispatchTest, LookAlikeCopyOfTheCommandLineRunsNothing) {
    fake::AddFile("C:\\bf\\Saver\\a.txt");
    fake::SetCommandLine("u.exe RMDIR C:\\bf\\Saver");
    fake::SetWideCommandLine(u"u.exe RMDIR C:\\bf\\\u015Caver");
    EXPECT_EQ(RunProcess(), 0);
    EXPECT_THAT(fake::Calls(), IsEmpty());
    EXPECT_TRUE(fake::Exists("C:\\bf\\Saver\\a.txt"));
}

// Held a while, the file goes once it is let go. Held for good, it stays,
// and the command gives up ten seconds after its first try; a read-only
// file, which waiting will not change, gets one try.
TEST_F(DispatchTest, RemoveFileTriesAgainWhileTheFileIsInUse) {
    fake::AddFile("C:\\x.tmp");
    fake::ReleaseAfter(fake::HoldOpen("C:\\x.tmp", platform::kGenericRead, platform::kFileShareRead), 2750);
    fake::SetCommandLine("u.exe RMFILE C:\\x.tmp");
    RunProcess();
    EXPECT_FALSE(fake::Exists("C:\\x.tmp"));
    EXPECT_THAT(fake::CallsTo("Sleep"), ElementsAre("Sleep(2000)", "Sleep(250)", "Sleep(250)", "Sleep(250)"));

    fake::Reset();
    fake::AddFile("C:\\x.tmp");
    int hold = fake::HoldOpen("C:\\x.tmp", platform::kGenericRead, platform::kFileShareRead);
    fake::SetCommandLine("u.exe RMFILE C:\\x.tmp");
    EXPECT_EQ(RunProcess(), 0);
    EXPECT_TRUE(fake::Exists("C:\\x.tmp"));
    EXPECT_EQ(fake::CallsTo("DeleteFileW").size(), 41u) << "every 250 ms for ten seconds";
    fake::Release(hold);

    fake::Reset();
    fake::AddFile("C:\\x.tmp", fake::kReadOnly);
    fake::SetCommandLine("u.exe RMFILE C:\\x.tmp");
    RunProcess();
    EXPECT_EQ(fake::CallsTo("DeleteFileW").size(), 1u);
}

// The commands read names with the same lead bytes as the command line: in
// code page 932 the second byte 0x5C of ソ is no backslash.
TEST_F(DispatchTest, CommandsReadNamesWithTheLeadBytesOfTheCodePage) {
    const std::string software = "\x83\x5C\x83\x74\x83\x67";  // ソフト
    fake::UseCodePage932();
    fake::AddFile("C:\\" + software + ".scr");
    fake::SetString("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + software, "PathToSCR",
                    "C:\\" + software + ".scr");
    fake::AddFile("C:\\S\\" + software + "\\" + software + ".txt", fake::kReadOnly);
    fake::SetCommandLine("\"C:\\" + software + "\\u.exe\" RMSCR " + software);
    RunProcess();
    fake::SetCommandLine("u.exe RMDIR C:\\S");
    RunProcess();
    EXPECT_THAT(fake::Entries(), IsEmpty());
    EXPECT_THAT(fake::Keys(), ElementsAre("SOFTWARE", "SOFTWARE\\MICROSOFT", "SOFTWARE\\MICROSOFT\\WINDOWS",
                                          "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION",
                                          "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL"));
    EXPECT_EQ(fake::Boxes().size(), 1u);
}

struct HeapScenario {
    const char* commandLine;
    void (*prepare)();
    const char* ending;  // what the fake prints when the process ends
};

void PrepareNothing() {}

void PrepareScreenSaver() {
    fake::AddFile("C:\\s.scr");
    fake::SetString("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\S", "PathToSCR",
                    "C:\\s.scr");
}

void PrepareTree() {
    fake::AddFile("C:\\S\\a.txt");
    fake::AddFile("C:\\S\\D\\b.txt");
}

// Whichever string allocation fails, the process ends at once with exit code
// 0 and hands no null string to any call: the fake aborts on a null path.
TEST_F(DispatchTest, HeapExhaustionEndsTheProcessWithCodeZero) {
    const HeapScenario scenarios[] = {
        {"u.exe RMFILE C:\\x.tmp", PrepareNothing, "ExitProcess\\(0\\) after 0 calls"},
        {"u.exe RMSCR S", PrepareScreenSaver, "ExitProcess\\(0\\) after [0-9]+ calls"},
        {"u.exe RMDIR C:\\S", PrepareTree, "ExitProcess\\(0\\) after [0-9]+ calls"},
    };
    for (const HeapScenario& scenario : scenarios) {
        fake::Reset();
        scenario.prepare();
        fake::SetCommandLine(scenario.commandLine);
        RunProcess();
        int allocations = fake::AllocationsMade();
        ASSERT_GT(allocations, 0);
        for (int failing = 1; failing <= allocations; ++failing) {
            EXPECT_EXIT(
                {
                    fake::Reset();
                    scenario.prepare();
                    fake::SetCommandLine(scenario.commandLine);
                    fake::FailAllocation(failing);
                    RunProcess();
                    std::exit(1);
                },
                ::testing::ExitedWithCode(0), scenario.ending)
                << scenario.commandLine << ", allocation " << failing;
        }
    }
    fake::Reset();
}

}  // namespace
