#include "folders/folder_tree.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_windows_test.h"
#include "platform/platform.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

const std::uint32_t kMarked = fake::kReadOnly | fake::kHidden | fake::kSystem;

// The calls that change something, in order.
std::vector<std::string> Changes() {
    std::vector<std::string> changes;
    for (const std::string& call : fake::Calls()) {
        if (call.rfind("SetFileAttributesA", 0) == 0 || call.rfind("DeleteFileA", 0) == 0 ||
            call.rfind("RemoveDirectoryA", 0) == 0) {
            changes.push_back(call);
        }
    }
    return changes;
}

class FolderTreeTest : public FakeWindowsTest {
protected:
    // C:\S holds a.txt and D; D holds b.txt and the empty folder E.
    static void MakeSmallTree(std::uint32_t attributes = 0) {
        fake::AddFolder("C:\\S", attributes);
        fake::AddFile("C:\\S\\a.txt", attributes);
        fake::AddFolder("C:\\S\\D", attributes);
        fake::AddFile("C:\\S\\D\\b.txt", attributes);
        fake::AddFolder("C:\\S\\D\\E", attributes);
    }
};

TEST_F(FolderTreeTest, RemovesSubfoldersFirstThenFilesThenTheFolderItself) {
    MakeSmallTree();
    RemoveExistingFolder("C:\\S");
    EXPECT_THAT(Changes(), ElementsAre("SetFileAttributesA(C:\\S, 0x80)",
                                       "SetFileAttributesA(C:\\S\\D, 0x80)",
                                       "SetFileAttributesA(C:\\S\\D\\E, 0x80)",
                                       "RemoveDirectoryA(C:\\S\\D\\E)",
                                       "SetFileAttributesA(C:\\S\\D\\b.txt, 0x80)",
                                       "DeleteFileA(C:\\S\\D\\b.txt)",
                                       "RemoveDirectoryA(C:\\S\\D)",
                                       "SetFileAttributesA(C:\\S\\a.txt, 0x80)",
                                       "DeleteFileA(C:\\S\\a.txt)",
                                       "RemoveDirectoryA(C:\\S)"));
    EXPECT_THAT(fake::Entries(), IsEmpty());
    EXPECT_EQ(fake::CallsTo("FindFirstFileA").front(), "FindFirstFileA(C:\\S)");
    EXPECT_THAT(fake::CallsTo("FindFirstFileA"), Not(::testing::Contains(HasSubstr("C:\\S\\\\"))));
}

TEST_F(FolderTreeTest, ReadOnlyHiddenAndSystemEntriesGoToo) {
    MakeSmallTree(kMarked);
    fake::AddFile("C:\\S\\D\\E\\deep.dll", kMarked);
    fake::AddFile("C:\\Sibling.txt", kMarked);
    RemoveExistingFolder("C:\\S");
    EXPECT_THAT(fake::Entries(), ElementsAre("C:\\Sibling.txt"));
    EXPECT_EQ(fake::AttributesOf("C:\\Sibling.txt"), kMarked);
}

TEST_F(FolderTreeTest, PassesOverOnlyTheExactDotNames) {
    fake::AddFile("C:\\S\\.profile");
    fake::AddFile("C:\\S\\..x");
    fake::AddFolder("C:\\S\\...d");
    fake::AddFile("C:\\S\\...d\\f");
    RemoveExistingFolder("C:\\S");
    EXPECT_THAT(fake::Entries(), IsEmpty());
}

TEST_F(FolderTreeTest, EntryHeldWithoutDeleteSharingKeepsItselfAndItsAncestors) {
    MakeSmallTree();
    fake::AddFile("C:\\S\\D\\c.txt");
    fake::AddFolder("C:\\S\\F");
    fake::AddFile("C:\\S\\F\\g.txt");
    int hold = fake::HoldOpen("C:\\S\\D\\b.txt", platform::kGenericRead, platform::kFileShareRead);
    RemoveExistingFolder("C:\\S");
    fake::Release(hold);
    EXPECT_THAT(fake::Entries(), ElementsAre("C:\\S", "C:\\S\\D", "C:\\S\\D\\b.txt"));
}

TEST_F(FolderTreeTest, FolderThatCannotBeSearchedCountsAsEmpty) {
    MakeSmallTree();
    fake::AddFile("C:\\S\\D\\E\\hidden.txt");
    fake::DenyListing("C:\\S\\D\\E");
    RemoveExistingFolder("C:\\S");
    EXPECT_THAT(fake::CallsTo("RemoveDirectoryA"), ::testing::Contains("RemoveDirectoryA(C:\\S\\D\\E)"));
    EXPECT_THAT(fake::Entries(), ElementsAre("C:\\S", "C:\\S\\D", "C:\\S\\D\\E", "C:\\S\\D\\E\\hidden.txt"));
}

TEST_F(FolderTreeTest, FileArgumentHasItsAttributesResetAndStays) {
    fake::AddFile("C:\\S\\a.txt", kMarked);
    RemoveExistingFolder("C:\\S\\a.txt");
    EXPECT_THAT(Changes(), ElementsAre("SetFileAttributesA(C:\\S\\a.txt, 0x80)",
                                       "RemoveDirectoryA(C:\\S\\a.txt)"));
    EXPECT_EQ(fake::AttributesOf("C:\\S\\a.txt"), platform::kFileAttributeNormal);
}

TEST_F(FolderTreeTest, MissingEmptyOrWildcardArgumentRemovesNothing) {
    MakeSmallTree(fake::kReadOnly);
    for (const char* argument : {"C:\\Nothing", "", "C:\\S\\", "C:\\?", "C:\\S*", "C:\\*.*"}) {
        RemoveExistingFolder(argument);
    }
    EXPECT_THAT(fake::Entries(), ElementsAre("C:\\S", "C:\\S\\D", "C:\\S\\D\\E", "C:\\S\\D\\b.txt",
                                             "C:\\S\\a.txt"));
    EXPECT_EQ(fake::AttributesOf("C:\\S\\a.txt"), fake::kReadOnly);
    // Only a wildcard that matches gets as far as a change, and it names
    // nothing that can be changed.
    EXPECT_THAT(Changes(), ::testing::Each(::testing::AnyOf(HasSubstr("*"), HasSubstr("?"))));
}

TEST_F(FolderTreeTest, LinksInsideTheTreeGoAsLinksAndTheirTargetsStay) {
    fake::AddFolder("C:\\Target", fake::kHidden);
    fake::AddFile("C:\\Target\\keep.txt", fake::kReadOnly);
    fake::AddFolder("C:\\Target\\Sub");
    fake::AddFile("C:\\Other\\keep.dll", fake::kSystem);
    MakeSmallTree();
    fake::AddLink("C:\\S\\D\\ToFolder", "C:\\Target");
    fake::AddLink("C:\\S\\ToFile", "C:\\Other\\keep.dll");
    RemoveExistingFolder("C:\\S");
    EXPECT_THAT(fake::Entries(), ElementsAre("C:\\Other", "C:\\Other\\keep.dll", "C:\\Target",
                                             "C:\\Target\\Sub", "C:\\Target\\keep.txt"));
    EXPECT_EQ(fake::AttributesOf("C:\\Target"), platform::kFileAttributeDirectory | fake::kHidden);
    EXPECT_EQ(fake::AttributesOf("C:\\Target\\keep.txt"), fake::kReadOnly);
    EXPECT_EQ(fake::AttributesOf("C:\\Other\\keep.dll"), fake::kSystem);
    for (const std::string& call : fake::Calls()) {
        EXPECT_THAT(call, Not(HasSubstr("ToFolder\\"))) << "entered the link";
    }
}

TEST_F(FolderTreeTest, LinkNamedAsTheFolderGoesAloneAndUntouched) {
    fake::AddFolder("C:\\Target", fake::kReadOnly);
    fake::AddFile("C:\\Target\\keep.txt", fake::kHidden);
    fake::AddLink("C:\\Saver", "C:\\Target");
    RemoveExistingFolder("C:\\Saver");
    EXPECT_THAT(Changes(), ElementsAre("RemoveDirectoryA(C:\\Saver)"));
    EXPECT_THAT(fake::Entries(), ElementsAre("C:\\Target", "C:\\Target\\keep.txt"));
    EXPECT_EQ(fake::AttributesOf("C:\\Target"), platform::kFileAttributeDirectory | fake::kReadOnly);
}

TEST_F(FolderTreeTest, EntriesBeyondThePathLimitStayAndTheRestGoes) {
    const std::string deep = "C:\\S\\" + std::string(240, 'd');  // 245 characters
    fake::AddFile("C:\\S\\a.txt");
    fake::AddFolder(deep);
    fake::AddFile(deep + "\\" + std::string(20, 'f'));  // 266 characters
    fake::AddFile(deep + "\\short");                     // 251 characters
    fake::AddFolder(deep + "\\" + std::string(30, 'g')); // a folder it cannot search
    RemoveExistingFolder("C:\\S");
    EXPECT_THAT(fake::Entries(), ElementsAre("C:\\S", deep, deep + "\\" + std::string(20, 'f'),
                                             deep + "\\" + std::string(30, 'g')));
}

}  // namespace
