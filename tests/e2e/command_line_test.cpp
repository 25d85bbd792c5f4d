// RMFILE started with exact command lines: how the program's name is
// dropped, how the verb and argument are split, and the pause before the
// deletion.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"

namespace {

const char kQuotedName[] = "\"C:\\Program Files\\Saver Tools\\uninstall.exe\"";
const char kUnclosedName[] = "\"C:\\Program Files\\Saver Tools\\uninstall.exe";
const char kHighByteName[] = "C:\\Caf\xE9\\Outils\xA0Saver\\uninstall.exe";
const ULONGLONG kPauseMs = 2000;

struct LineCase {
    std::string before;  // text before the file's path
    std::string after;   // text after it
    bool pauses;
    bool deletes;
};

struct Running {
    LineCase line;
    std::string file;
    e2e::Started started;
};

// Starts every case at once, each on its own file, and checks each one.
void Check(const std::vector<LineCase>& cases) {
    e2e::ScratchFolder folder("lines");
    std::vector<Running> runs;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        std::string file = folder / ("file " + std::to_string(i) + ".tmp");
        ASSERT_TRUE(e2e::MakeFile(file));
        runs.push_back(Running{cases[i], file, {}});
    }
    for (Running& run : runs) run.started = e2e::Start(run.line.before + run.file + run.line.after);
    Sleep(1000);
    for (Running& run : runs) {
        SCOPED_TRACE(run.line.before + "<file>" + run.line.after);
        EXPECT_TRUE(e2e::Exists(run.file)) << "deleted before the pause ended";
        if (run.line.pauses) {
            EXPECT_TRUE(e2e::IsRunning(run.started));
        }
    }
    for (Running& run : runs) {
        SCOPED_TRACE(run.line.before + "<file>" + run.line.after);
        e2e::Finished finished = e2e::Finish(run.started);
        ASSERT_FALSE(finished.timedOut);
        EXPECT_EQ(finished.exitCode, 0u);
        EXPECT_EQ(e2e::Exists(run.file), !run.line.deletes);
        if (run.line.pauses) {
            EXPECT_GE(finished.lifetimeMs, kPauseMs);
        } else {
            EXPECT_LT(finished.lifetimeMs, kPauseMs);
        }
    }
}

TEST(CommandLine, DeletesTheFileAfterThePauseHoweverTheProgramIsNamed) {
    ASSERT_NO_FATAL_FAILURE(Check({
        {std::string(kQuotedName) + " RMFILE ", "", true, true},
        {std::string(kQuotedName) + "RMFILE ", "", true, true},
        {"uninstall.exe   RMFILE ", "", true, true},
        {std::string(kHighByteName) + " RMFILE ", "", true, true},
        {"uninstall.exe\t \tRMFILE ", "", true, true},
    }));
}

TEST(CommandLine, MatchesTheVerbInAnyCaseAndTrimsBothParts) {
    ASSERT_NO_FATAL_FAILURE(Check({
        {"uninstall.exe rmfile ", "", true, true},
        {"uninstall.exe RmFiLe ", "", true, true},
        {"uninstall.exe RMFILE\t ", "", true, true},
        {"uninstall.exe RMFILE ", "  \r\n", true, true},
    }));
}

TEST(CommandLine, KeepsBlanksAndQuotesInTheArgument) {
    // A leading blank or quotes make a path that names no file: nothing goes.
    ASSERT_NO_FATAL_FAILURE(Check({
        {"uninstall.exe RMFILE  ", "", true, false},
        {"uninstall.exe RMFILE \"", "\"", true, false},
    }));
}

TEST(CommandLine, DoesNothingWithoutAVerbItKnows) {
    ASSERT_NO_FATAL_FAILURE(Check({
        {std::string(kUnclosedName) + " RMFILE ", "", false, false},
        {" uninstall.exe RMFILE ", "", false, false},
        {"uninstall.exe RMFILE\t", "", false, false},
        {"uninstall.exe DELETE ", "", false, false},
        {"uninstall.exe RMFILES ", "", false, false},
        {"uninstall.exe ", " RMFILE", false, false},
    }));
}

TEST(CommandLine, EndsWithCodeZeroWithNoCommandAtAll) {
    for (const char* line : {"uninstall.exe", "", "uninstall.exe RMFILE", "uninstall.exe RMDIR"}) {
        e2e::Finished finished = e2e::Run(line);
        EXPECT_FALSE(finished.timedOut) << line;
        EXPECT_EQ(finished.exitCode, 0u) << line;
    }
}

// Held without delete sharing for about four seconds, as by an installer
// that is slow to end: the file goes once it is let go, and the program
// ends soon after.
TEST(CommandLine, FileHeldForAWhileGoesOnceLetGo) {
    const DWORD kHeldMs = 4000;
    const ULONGLONG kRetryMs = 250;
    e2e::ScratchFolder folder("held");
    std::string file = folder / "held.tmp";
    ASSERT_TRUE(e2e::MakeFile(file));
    HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    e2e::Started started = e2e::Start("uninstall.exe RMFILE " + file);
    Sleep(kHeldMs);
    EXPECT_TRUE(e2e::IsRunning(started));
    CloseHandle(held);
    e2e::Finished finished = e2e::Finish(started);
    EXPECT_EQ(finished.exitCode, 0u);
    EXPECT_FALSE(e2e::Exists(file));
    EXPECT_GE(finished.lifetimeMs, kHeldMs);
    EXPECT_LT(finished.lifetimeMs, kHeldMs + kRetryMs + 1000) << "ended long after the file was let go";
}

}  // namespace
