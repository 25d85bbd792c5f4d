#include "folders/folder_tree.h"

#include "folders/entry_name.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "fake_windows_test.h"
#include "platform/platform.h"

namespace {

using ::testing::AnyOf;
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
    // The search meets a.txt before D; nothing refuses to go, so nothing is reset.
    EXPECT_THAT(Changes(), ElementsAre("RemoveDirectoryA(C:\\S\\D\\E)", "DeleteFileA(C:\\S\\D\\b.txt)",
                                       "RemoveDirectoryA(C:\\S\\D)", "DeleteFileA(C:\\S\\a.txt)",
                                       "RemoveDirectoryA(C:\\S)"));
    EXPECT_THAT(fake::Entries(), IsEmpty());
    EXPECT_THAT(fake::CallsTo("FindFirstFileA"), ElementsAre("FindFirstFileA(C:\\S)"));
    EXPECT_EQ(fake::CallsTo("FindFirstFileW").size(), 3u) << "one search per folder";
    EXPECT_THAT(fake::CallsTo("FindFirstFileW"), Not(::testing::Contains(HasSubstr("C:\\S\\\\"))));
}

TEST_F(FolderTreeTest, ReadOnlyHiddenAndSystemEntriesGoToo) {
    MakeSmallTree(kMarked);
    fake::AddFile("C:\\S\\D\\E\\deep.dll", kMarked);
    fake::AddFile("C:\\Sibling.txt", kMarked);
    RemoveExistingFolder("C:\\S");
    EXPECT_THAT(fake::Entries(), ElementsAre("C:\\Sibling.txt"));
    EXPECT_EQ(fake::AttributesOf("C:\\Sibling.txt"), kMarked);
}

// Stale attributes hide the read-only mark from the search.
TEST_F(FolderTreeTest, EntriesThatRefuseToGoAreResetAndTriedOnceMore) {
    fake::AddFolder("C:\\S\\D", platform::kFileAttributeDirectory | fake::kReadOnly);
    fake::AddFile("C:\\S\\D\\a.txt", fake::kReadOnly | fake::kHidden);
    fake::ShowAttributesAs("C:\\S\\D", platform::kFileAttributeDirectory);
    fake::ShowAttributesAs("C:\\S\\D\\a.txt", fake::kHidden);
    RemoveExistingFolder("C:\\S");
    EXPECT_THAT(fake::Entries(), IsEmpty());
}

// Far more names than the kept list first holds, a subfolder among them.
TEST_F(FolderTreeTest, FolderWithManyNamesGoesCompletely) {
    const std::string stem = "C:\\S\\" + std::string(40, 'n');
    for (int i = 0; i < 300; ++i) fake::AddFile(stem + std::to_string(i), i % 3 ? fake::kHidden : kMarked);
    fake::AddFile(stem + "150x\\b.txt", kMarked);
    RemoveExistingFolder("C:\\S");
    EXPECT_THAT(fake::Entries(), IsEmpty());
    EXPECT_EQ(fake::CallsTo("DeleteFileA").size(), 301u);
    EXPECT_EQ(fake::CallsTo("SetFileAttributesA").size(), 101u) << "only the read-only ones";
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
    // "C:" finds the current folder, and would have emptied the drive's root.
    fake::SetCurrentFolder("C:\\S\\D");
    for (const char* argument :
         {"C:\\Nothing", "", "C:\\S\\", "C:\\?", "C:\\S*", "C:\\*.*", "C:", "\\\\?\\C:", "\\\\.\\c:"}) {
        RemoveExistingFolder(argument);
    }
    EXPECT_THAT(fake::Entries(), ElementsAre("C:\\S", "C:\\S\\D", "C:\\S\\D\\E", "C:\\S\\D\\b.txt",
                                             "C:\\S\\a.txt"));
    EXPECT_EQ(fake::AttributesOf("C:\\S\\a.txt"), fake::kReadOnly);
    // Only a wildcard that matches gets as far as a change, and it names
    // nothing that can be changed.
    EXPECT_THAT(Changes(), ::testing::Each(::testing::AnyOf(HasSubstr("*"), HasSubstr("?"))));
}

// An argument built from a variable left empty or expanded wrongly, or with
// a ".." too many: the system's own folders stay, however spelled, and so
// does what holds them. A product's folder below one of them goes.
TEST_F(FolderTreeTest, SystemFoldersAndWhatHoldsThemStay) {
    fake::SetWow64();
    fake::SetValue("Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", "ProfilesDirectory",
                   platform::kRegExpandSz, std::string("%SystemDrive%\\Profiles") + '\0', fake::k64BitView);
    const std::string kept[] = {
        "C:\\Windows", "C:\\Windows\\System32", "C:\\Windows\\SysWOW64", "C:\\Program Files",
        "C:\\Program Files (x86)", "C:\\Program Files\\Common Files", "C:\\Program Files (x86)\\Common Files",
        "C:\\ProgramData", "C:\\Users\\Public", "C:\\Profiles", "C:\\Profiles\\Someone", "C:\\Users",
        fake::kUserProfile, std::string(fake::kUserProfile) + "\\AppData\\Roaming", "D:\\",
    };
    for (const std::string& folder : kept) {
        fake::AddFile(folder + (folder.back() == '\\' ? "" : "\\") + "keep.txt", fake::kReadOnly);
    }
    fake::AddFile("C:\\Program Files\\Some Saver\\s.scr");
    fake::AddFile("C:\\Program\\t.dll");  // compared only at separators
    fake::AddFile("C:\\Profiles Old\\p.txt");
    const std::vector<std::string> before = fake::Entries();
    for (std::string folder : kept) {
        RemoveExistingFolder(("\\\\?\\" + folder + "\\.").c_str());
        for (char& c : folder) c = c == '\\' ? '/' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        RemoveExistingFolder(folder.c_str());
    }
    EXPECT_THAT(Changes(), IsEmpty());
    EXPECT_EQ(fake::Entries(), before);
    RemoveExistingFolder("C:\\Program Files\\Some Saver");
    RemoveExistingFolder("C:\\Program");
    RemoveExistingFolder("C:\\Profiles Old");
    EXPECT_FALSE(fake::Exists("C:\\Program Files\\Some Saver"));
    EXPECT_FALSE(fake::Exists("C:\\Program"));
    EXPECT_FALSE(fake::Exists("C:\\Profiles Old"));
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

// The names a search can report for entries whose real names the code page
// cannot hold, and the names the ANSI calls would read as another entry.
TEST(EntryNameTest, NamesThatCouldReachAnotherEntryAreRefused) {
    const char* const refused[] = {"..\\..\\keep", "..\\sibling.txt", "a\\b", "a/b", "../x", "C:x", "a:stream",
                                   "?", "a?b", "*", "a\"b", "<", ">", "a|b", "...", ". .", " ", "x.", "x ", "",
                                   "\x83\x5C\\x"};
    // In code page 932 a second byte 0x5C belongs to its character: ソ, 表.
    const char* const doubleByte[] = {"\x83\x5C", "\x95\x5C.txt", "\x83\x5C\x83\x74\x83\x67", "a\x83\x5C."};
    fake::Reset();
    for (const char* name : refused) EXPECT_EQ(NamesOnlyThisEntry(name), 0) << name;
    for (const char* name : {"a", ".x", "..x", "...d", "a b", " lead", "a.b.c", "\xC4\xE3"}) {
        EXPECT_EQ(NamesOnlyThisEntry(name), 1) << name;
    }
    for (const char* name : doubleByte) EXPECT_EQ(NamesOnlyThisEntry(name), 0) << name;
    fake::UseCodePage932();
    for (const char* name : refused) EXPECT_EQ(NamesOnlyThisEntry(name), 0) << name;
    for (const char* name : doubleByte) EXPECT_EQ(NamesOnlyThisEntry(name), std::string(name).back() != '.') << name;
}

TEST_F(FolderTreeTest, NamesThatReadAsAnotherPathStayUntouchedAndNothingOutsideChanges) {
    const std::string target = "D:\\a\\b\\target";
    fake::AddFile("D:\\a\\keep\\data.txt", fake::kReadOnly);
    fake::AddFile("D:\\a\\b\\sibling.txt", fake::kHidden);
    // Real names with a fullwidth reverse solidus, solidus and full stops,
    // whose best-fit copies read as paths out of the tree.
    fake::AddFolder(target + "\\FW1");
    fake::AddFile(target + "\\FW1\\inner.txt");
    fake::KeepNameAs(target + "\\FW1", fake::LookAlikeOf("..\\..\\keep"));
    fake::AddFile(target + "\\FW2");
    fake::KeepNameAs(target + "\\FW2", fake::LookAlikeOf("..\\sibling.txt"));
    fake::AddFolder(target + "\\Sub\\FW3");
    fake::KeepNameAs(target + "\\Sub\\FW3", fake::LookAlikeOf("../../../keep"));
    fake::AddFile(target + "\\Sub\\NoCodePage");
    fake::KeepNameAs(target + "\\Sub\\NoCodePage", fake::LookAlikeOf("?"));
    // A look-alike folder beside a link that carries its best-fit copy: read
    // by that copy, the folder's removal would go through the link.
    fake::AddFile(target + "\\HatSave\\inner.txt");
    fake::KeepNameAs(target + "\\HatSave", fake::LookAlikeOf("Save"));
    fake::AddLink(target + "\\Save", "D:\\a\\keep");
    // Made outside Windows: the calls would strip the dot and reach "x".
    fake::AddFile(target + "\\Dots\\x.", fake::kReadOnly);
    fake::AddFile(target + "\\Dots\\x");
    fake::AddFolder(target + "\\...");
    fake::AddFile(target + "\\Plain\\deep.txt", kMarked);
    fake::AddFile(target + "\\plain.txt", kMarked);

    RemoveExistingFolder(target.c_str());

    EXPECT_THAT(fake::Entries(),
                ElementsAre("D:\\a", "D:\\a\\b", "D:\\a\\b\\sibling.txt", target, target + "\\...",
                            target + "\\Dots", target + "\\Dots\\x.", target + "\\FW1",
                            target + "\\FW1\\inner.txt", target + "\\FW2", target + "\\HatSave",
                            target + "\\HatSave\\inner.txt", target + "\\Sub",
                            target + "\\Sub\\FW3", target + "\\Sub\\NoCodePage", "D:\\a\\keep",
                            "D:\\a\\keep\\data.txt"));
    EXPECT_EQ(fake::AttributesOf("D:\\a\\keep\\data.txt"), fake::kReadOnly);
    EXPECT_EQ(fake::AttributesOf("D:\\a\\b\\sibling.txt"), fake::kHidden);
    EXPECT_EQ(fake::AttributesOf(target + "\\Dots\\x."), fake::kReadOnly);
    for (const std::string& call : fake::Calls()) {
        EXPECT_THAT(call, Not(AnyOf(HasSubstr(".."), HasSubstr("/"), HasSubstr("?"), HasSubstr("x.)"),
                                    HasSubstr("HatSave"), HasSubstr("Save\\"))))
            << "a refused name was used";
    }
}

TEST_F(FolderTreeTest, DoubleByteNamesWhoseSecondByteIsABackslashGoLikeAnyOther) {
    fake::UseCodePage932();
    const std::string so = "\x83\x5C";     // ソ
    const std::string table = "\x95\x5C";  // 表
    fake::AddFile("C:\\S\\" + table + ".txt", fake::kReadOnly);
    fake::AddFile("C:\\S\\" + so + "\\" + so + so + "\\" + table, kMarked);
    fake::AddFolder("C:\\S\\" + so + "\\" + table, fake::kHidden);
    fake::AddFile("C:\\Keep\\" + so + ".txt", kMarked);
    RemoveExistingFolder("C:\\S");
    EXPECT_THAT(fake::Entries(), ElementsAre("C:\\Keep", "C:\\Keep\\" + so + ".txt"));
    EXPECT_EQ(fake::AttributesOf("C:\\Keep\\" + so + ".txt"), kMarked);
}

}  // namespace
