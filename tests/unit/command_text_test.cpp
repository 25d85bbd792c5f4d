#include "entry/command_text.h"

#include <gtest/gtest.h>

#include <string>

#include "fake_windows.h"

namespace {

enum CodePage { kWestern, kJapanese };

const char* CommandTextIn(CodePage codePage, const char* line) {
    fake::Reset();
    if (codePage == kJapanese) fake::UseCodePage932();
    return CommandTextOf(line);
}

std::string TextOf(const char* line, CodePage codePage = kWestern) { return CommandTextIn(codePage, line); }

TEST(CommandTextTest, DropsTheProgramNameHoweverItIsWritten) {
    EXPECT_EQ(TextOf("\"C:\\Program Files\\u.exe\" RMDIR C:\\Saver"), "RMDIR C:\\Saver");
    EXPECT_EQ(TextOf("C:\\u.exe   RMDIR C:\\Saver"), "RMDIR C:\\Saver");
    EXPECT_EQ(TextOf("\"C:\\Program Files\\u.exe\"RMDIR C:\\Saver"), "RMDIR C:\\Saver");
    EXPECT_EQ(TextOf("\"C:\\u.exe\"\t\r\n\x01 RMFILE x"), "RMFILE x");
    EXPECT_EQ(TextOf("u.exe"), "");
    EXPECT_EQ(TextOf(""), "");
}

TEST(CommandTextTest, KeepsTrailingWhiteSpaceAndEverythingInside) {
    EXPECT_EQ(TextOf("u.exe RMFILE  \"C:\\a b\"  \r\n"), "RMFILE  \"C:\\a b\"  \r\n");
}

TEST(CommandTextTest, UnquotedNameRunsToTheFirstControlOrBlankByteEvenPastHighBytes) {
    EXPECT_EQ(TextOf("C:\\Pr\xE9gr\xA0mme\\u.exe RMFILE x"), "RMFILE x");
    EXPECT_EQ(TextOf("C:\\\x81\"x.exe RMFILE x", kJapanese), "RMFILE x");
}

TEST(CommandTextTest, LineStartingWithABlankKeepsTheProgramPath) {
    EXPECT_EQ(TextOf(" C:\\u.exe RMDIR C:\\Saver"), "C:\\u.exe RMDIR C:\\Saver");
}

TEST(CommandTextTest, UnclosedQuoteLeavesNothing) {
    EXPECT_EQ(TextOf("\"C:\\u.exe RMDIR C:\\Saver"), "");
}

TEST(CommandTextTest, LeadByteCarriesAQuoteSoItDoesNotCloseTheName) {
    const char* line = "\"C:\\\x81\"\\u.exe\" RMFILE x";
    EXPECT_EQ(TextOf(line, kJapanese), "RMFILE x");
    // Without lead bytes the same quote closes the name early.
    EXPECT_EQ(TextOf(line, kWestern), "\\u.exe\" RMFILE x");
}

TEST(CommandTextTest, LeadByteBeforeTheTerminatorEndsTheScan) {
    const char line[] = "\"C:\\u\x81\0RMFILE x";
    EXPECT_EQ(TextOf(line, kJapanese), "");
    EXPECT_EQ(CommandTextIn(kJapanese, line), line + 6);
}

}  // namespace
