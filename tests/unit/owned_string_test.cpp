#include "text/owned_string.h"

#include <gtest/gtest.h>

#include "fake_windows_test.h"

namespace {

class OwnedStringTest : public FakeWindowsTest {};

TEST_F(OwnedStringTest, FindNoCaseStartsAtStartAndFoldsOnlyLatinLetters) {
    EXPECT_EQ(FindNoCase(1, "RMDIR C:\\x", " "), 5);
    EXPECT_EQ(FindNoCase(1, " RMDIR", " "), -1);  // the blank lies before start
    EXPECT_EQ(FindNoCase(0, "xxPathToScr", "pathtoSCR"), 2);
    EXPECT_EQ(FindNoCase(0, "\xE9", "\xC9"), -1);
    EXPECT_EQ(FindNoCase(0, "[@`{", "{`@["), -1);  // neighbours of the letters stay apart
    EXPECT_EQ(FindNoCase(0, "aXbx", "X"), 1);
    EXPECT_EQ(FindNoCase(2, "aXbx", "X"), 3);
}

TEST_F(OwnedStringTest, FindNoCaseFindsNothingInOrForEmptyOrShortTexts) {
    EXPECT_EQ(FindNoCase(0, "abc", ""), -1);
    EXPECT_EQ(FindNoCase(0, "", "a"), -1);
    EXPECT_EQ(FindNoCase(0, "ab", "abc"), -1);
    EXPECT_EQ(FindNoCase(2, "abc", "bc"), -1);  // start at the limit
    EXPECT_EQ(FindNoCase(1, "abc", "bc"), 1);   // start just below it
    EXPECT_EQ(FindNoCase(-1, "abc", "a"), -1);
}

TEST_F(OwnedStringTest, CopyRangeTakesBothEndsAndMayTakeTheTerminator) {
    OwnedString verb = CopyRange("RMFILE C:\\a", 0, 5);
    OwnedString argument = CopyRange("RMFILE C:\\a", 7, 11);
    OwnedString empty = CopyRange("RMFILE ", 7, 7);
    ASSERT_NE(verb, nullptr);
    ASSERT_NE(argument, nullptr);
    ASSERT_NE(empty, nullptr);
    EXPECT_STREQ(verb, "RMFILE");
    EXPECT_STREQ(argument, "C:\\a");
    EXPECT_STREQ(empty, "");
    FreeString(verb);
    FreeString(argument);
    FreeString(empty);
    EXPECT_EQ(verb, nullptr);
}

TEST_F(OwnedStringTest, CopyRangeRefusesRangesOutsideTheText) {
    EXPECT_EQ(CopyRange("abc", 2, 1), nullptr);
    EXPECT_EQ(CopyRange("abc", -1, 1), nullptr);
    EXPECT_EQ(CopyRange("abc", 0, 4), nullptr);
    EXPECT_EQ(CopyRange("", 0, -1), nullptr);
    EXPECT_EQ(fake::AllocationsMade(), 0);
}

TEST_F(OwnedStringTest, TrimRightRemovesTheSixWhiteSpaceBytesOnlyAtTheEnd) {
    char name[] = "name \t\v\f\r\n";
    char blanks[] = "   ";
    char inner[] = " \ta b";
    char high[] = "x\xA0";
    char cedilla[] = "x\xE7 ";
    EXPECT_STREQ(TrimRight(name), "name");
    EXPECT_STREQ(TrimRight(blanks), "");
    EXPECT_STREQ(TrimRight(inner), " \ta b");
    EXPECT_STREQ(TrimRight(high), "x\xA0");
    EXPECT_STREQ(TrimRight(cedilla), "x\xE7");
    EXPECT_EQ(TrimRight(nullptr), nullptr);
}

TEST_F(OwnedStringTest, AppendAndAssignReplaceTheTargetAndReleaseTheOldBlock) {
    OwnedString pattern = nullptr;
    AppendString(pattern, "\\*.*");
    EXPECT_STREQ(pattern, "\\*.*");
    AssignString(pattern, "C:\\dir");
    AppendString(pattern, "\\*.*");
    EXPECT_STREQ(pattern, "C:\\dir\\*.*");
    AppendString(pattern, nullptr);
    EXPECT_STREQ(pattern, "C:\\dir\\*.*");
    EXPECT_EQ(fake::BlocksHeld(), 1);
    FreeString(pattern);
    FreeString(pattern);  // a second release of null does nothing

    OwnedString empty = nullptr;
    AppendString(empty, nullptr);
    ASSERT_NE(empty, nullptr);
    EXPECT_STREQ(empty, "");
    FreeString(empty);
}

}  // namespace
