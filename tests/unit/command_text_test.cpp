#include "entry/command_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

platform::LeadBytes NoLeadBytes() { return platform::LeadBytes{}; }

platform::LeadBytes ShiftJisLeadBytes() {
    platform::LeadBytes table{};
    for (int byte = 0x81; byte <= 0x9F; ++byte) table.isLead[byte] = 1;
    for (int byte = 0xE0; byte <= 0xFC; ++byte) table.isLead[byte] = 1;
    return table;
}

std::string TextOf(const char* line, const platform::LeadBytes& leadBytes = NoLeadBytes()) {
    return CommandTextOf(line, leadBytes);
}

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
    EXPECT_EQ(TextOf("C:\\\x81\"x.exe RMFILE x", ShiftJisLeadBytes()), "RMFILE x");
}

TEST(CommandTextTest, LineStartingWithABlankKeepsTheProgramPath) {
    EXPECT_EQ(TextOf(" C:\\u.exe RMDIR C:\\Saver"), "C:\\u.exe RMDIR C:\\Saver");
}

TEST(CommandTextTest, UnclosedQuoteLeavesNothing) {
    EXPECT_EQ(TextOf("\"C:\\u.exe RMDIR C:\\Saver"), "");
}

TEST(CommandTextTest, LeadByteCarriesAQuoteSoItDoesNotCloseTheName) {
    const char* line = "\"C:\\\x81\"\\u.exe\" RMFILE x";
    EXPECT_EQ(TextOf(line, ShiftJisLeadBytes()), "RMFILE x");
    // Without lead bytes the same quote closes the name early.
    EXPECT_EQ(TextOf(line, NoLeadBytes()), "\\u.exe\" RMFILE x");
}

TEST(CommandTextTest, LeadByteBeforeTheTerminatorEndsTheScan) {
    const char line[] = "\"C:\\u\x81\0RMFILE x";
    EXPECT_EQ(TextOf(line, ShiftJisLeadBytes()), "");
    EXPECT_EQ(CommandTextOf(line, ShiftJisLeadBytes()), line + 6);
}

}  // namespace
