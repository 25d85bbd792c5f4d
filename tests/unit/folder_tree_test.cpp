#include "folders/folder_tree.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
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
const std::string kProfileList = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const std::string kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";

// The calls that change something, in order.
std::vector<std::string> Changes() {
    std::vector<std::string> changes;
    for (const std::string& call : fake::Calls()) {
        if (call.rfind("SetFileAttributesW", 0) == 0 || call.rfind("DeleteFileW", 0) == 0 ||
            call.rfind("RemoveDirectoryW", 0) == 0) {
            changes.push_back(call);
        }
    }
    return changes;
}

// What the calls are given for path: its full form.
std::string Long(const std::string& path) { return "\\\\?\\" + path; }

void Remove(const std::string& folder) { RemoveExistingFolder(fake::WideOf(folder).c_str()); }

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
    Remove("C:\\S");
    // The search meets a.txt before D; nothing refuses to go, so nothing is reset.
    EXPECT_THAT(Changes(), ElementsAre("RemoveDirectoryW(" + Long("C:\\S\\D\\E)"), "DeleteFileW(" + Long("C:\\S\\D\\b.txt)"),
                                       "RemoveDirectoryW(" + Long("C:\\S\\D)"), "DeleteFileW(" + Long("C:\\S\\a.txt)"),
                                       "RemoveDirectoryW(" + Long("C:\\S)")));
    EXPECT_THAT(fake::Entries(), IsEmpty());
    EXPECT_EQ(fake::CallsTo("FindFirstFileW").front(), "FindFirstFileW(" + Long("C:\\S)"));
    EXPECT_EQ(fake::CallsTo("FindFirstFileW").size(), 4u) << "the argument, then one search per folder";
    EXPECT_THAT(fake::CallsTo("FindFirstFileW"), Not(::testing::Contains(HasSubstr("C:\\S\\\\"))));
}

TEST_F(FolderTreeTest, ReadOnlyHiddenAndSystemEntriesGoToo) {
    MakeSmallTree(kMarked);
    fake::AddFile("C:\\S\\D\\E\\deep.dll", kMarked);
    fake::AddFile("C:\\Sibling.txt", kMarked);
    Remove("C:\\S");
    EXPECT_THAT(fake::Entries(), ElementsAre("C:\\Sibling.txt"));
    EXPECT_EQ(fake::AttributesOf("C:\\Sibling.txt"), kMarked);
}

// Stale attributes hide the read-only mark from the search.
TEST_F(FolderTreeTest, EntriesThatRefuseToGoAreResetAndTriedOnceMore) {
    fake::AddFolder("C:\\S\\D", platform::kFileAttributeDirectory | fake::kReadOnly);
    fake::AddFile("C:\\S\\D\\a.txt", fake::kReadOnly | fake::kHidden);
    fake::ShowAttributesAs("C:\\S\\D", platform::kFileAttributeDirectory);
    fake::ShowAttributesAs("C:\\S\\D\\a.txt", fake::kHidden);
    Remove("C:\\S");
    EXPECT_THAT(fake::Entries(), IsEmpty());
}

// Far more names than the kept list first holds, a subfolder among them.
TEST_F(FolderTreeTest, FolderWithManyNamesGoesCompletely) {
    const std::string stem = "C:\\S\\" + std::string(40, 'n');
    for (int i = 0; i < 300; ++i) fake::AddFile(stem + std::to_string(i), i % 3 ? fake::kHidden : kMarked);
    fake::AddFile(stem + "150x\\b.txt", kMarked);
    Remove("C:\\S");
    EXPECT_THAT(fake::Entries(), IsEmpty());
    EXPECT_EQ(fake::CallsTo("DeleteFileW").size(), 301u);
    EXPECT_EQ(fake::CallsTo("SetFileAttributesW").size(), 101u) << "only the read-only ones";
}

TEST_F(FolderTreeTest, PassesOverOnlyTheExactDotNames) {
    fake::AddFile("C:\\S\\.profile");
    fake::AddFile("C:\\S\\..x");
    fake::AddFolder("C:\\S\\...d");
    fake::AddFile("C:\\S\\...d\\f");
    Remove("C:\\S");
    EXPECT_THAT(fake::Entries(), IsEmpty());
}

TEST_F(FolderTreeTest, EntryHeldWithoutDeleteSharingKeepsItselfAndItsAncestors) {
    MakeSmallTree();
    fake::AddFile("C:\\S\\D\\c.txt");
    fake::AddFolder("C:\\S\\F");
    fake::AddFile("C:\\S\\F\\g.txt");
    int hold = fake::HoldOpen("C:\\S\\D\\b.txt", platform::kGenericRead, platform::kFileShareRead);
    Remove("C:\\S");
    fake::Release(hold);
    EXPECT_THAT(fake::Entries(), ElementsAre("C:\\S", "C:\\S\\D", "C:\\S\\D\\b.txt"));
}

TEST_F(FolderTreeTest, FolderThatCannotBeSearchedCountsAsEmpty) {
    MakeSmallTree();
    fake::AddFile("C:\\S\\D\\E\\hidden.txt");
    fake::DenyListing("C:\\S\\D\\E");
    Remove("C:\\S");
    EXPECT_THAT(fake::CallsTo("RemoveDirectoryW"), ::testing::Contains("RemoveDirectoryW(" + Long("C:\\S\\D\\E)")));
    EXPECT_THAT(fake::Entries(), ElementsAre("C:\\S", "C:\\S\\D", "C:\\S\\D\\E", "C:\\S\\D\\E\\hidden.txt"));
}

TEST_F(FolderTreeTest, FileArgumentHasItsAttributesResetAndStays) {
    fake::AddFile("C:\\S\\a.txt", kMarked);
    Remove("C:\\S\\a.txt");
    EXPECT_THAT(Changes(), ElementsAre("SetFileAttributesW(" + Long("C:\\S\\a.txt, 0x80)"),
                                       "RemoveDirectoryW(" + Long("C:\\S\\a.txt)")));
    EXPECT_EQ(fake::AttributesOf("C:\\S\\a.txt"), platform::kFileAttributeNormal);
}

TEST_F(FolderTreeTest, MissingEmptyOrWildcardArgumentRemovesNothing) {
    MakeSmallTree(fake::kReadOnly);
    // "C:" finds the current folder, and would have emptied the drive's root.
    fake::SetCurrentFolder("C:\\S\\D");
    for (const char* argument :
         {"C:\\Nothing", "", "C:\\S\\", "C:\\?", "C:\\S*", "C:\\*.*", "C:", "\\\\?\\C:", "\\\\.\\c:"}) {
        Remove(argument);
    }
    EXPECT_THAT(fake::Entries(), ElementsAre("C:\\S", "C:\\S\\D", "C:\\S\\D\\E", "C:\\S\\D\\b.txt",
                                             "C:\\S\\a.txt"));
    EXPECT_EQ(fake::AttributesOf("C:\\S\\a.txt"), fake::kReadOnly);
    EXPECT_THAT(Changes(), IsEmpty());
}

// An argument built from a variable left empty or expanded wrongly, or with
// a ".." too many: the system's own folders stay, however spelled, and so
// does what holds them, and every folder directly in one that holds the
// profiles, listed or not. A product's folder below one of them goes. The
// environment is trimmed: the native Program Files come from the registry,
// and ProfilesDirectory expands with the Windows folder's drive.
TEST_F(FolderTreeTest, SystemFoldersAndWhatHoldsThemStay) {
    const std::string& profileList = kProfileList;
    const std::string& currentVersion = kCurrentVersion;
    fake::SetWow64();
    for (const char* variable : {"ProgramW6432", "CommonProgramW6432", "SystemDrive"}) fake::SetEnvironment(variable, "");
    fake::SetString(currentVersion, "ProgramFilesDir", fake::kProgramFiles, fake::k64BitView);
    fake::SetString(currentVersion, "CommonFilesDir", fake::kCommonFiles, fake::k64BitView);
    fake::SetValue(profileList, "ProfilesDirectory", platform::kRegExpandSz, std::string("%SystemDrive%\\Profiles") + '\0',
                   fake::k64BitView);
    fake::SetValue(profileList + "\\S-1-5-21-1", "ProfileImagePath", platform::kRegExpandSz,
                   std::string("C:\\Profiles\\Someone") + '\0', fake::k64BitView);
    const std::string kept[] = {
        "C:\\Windows", "C:\\Windows\\System32", "C:\\Windows\\SysWOW64", "C:\\Program Files",
        "C:\\Program Files (x86)", "C:\\Program Files\\Common Files", "C:\\Program Files (x86)\\Common Files",
        "C:\\ProgramData", "C:\\Users\\Public", "C:\\Profiles", "C:\\Profiles\\Someone", "C:\\Profiles\\Unlisted",
        "C:\\Users", "C:\\Users\\Unlisted",
        fake::kUserProfile, std::string(fake::kUserProfile) + "\\AppData\\Roaming", "D:\\",
    };
    for (const std::string& folder : kept) {
        fake::AddFile(folder + (folder.back() == '\\' ? "" : "\\") + "keep.txt", fake::kReadOnly);
    }
    fake::AddFile("C:\\Program Files\\Some Saver\\s.scr");
    fake::AddFile("C:\\Program\\t.dll");
    fake::AddFile("C:\\Profiles Old\\p.txt");
    const std::vector<std::string> before = fake::Entries();
    for (std::string folder : kept) {
        Remove("\\\\.\\" + folder + "\\.");
        for (char& c : folder) c = c == '\\' ? '/' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        Remove(folder);
    }
    EXPECT_THAT(Changes(), IsEmpty());
    EXPECT_EQ(fake::Entries(), before);
    Remove("C:\\Program Files\\Some Saver");
    Remove("C:\\Program");
    Remove("C:\\Profiles Old");
    EXPECT_FALSE(fake::Exists("C:\\Program Files\\Some Saver"));
    EXPECT_FALSE(fake::Exists("C:\\Program"));
    EXPECT_FALSE(fake::Exists("C:\\Profiles Old"));
}

// Neither a folder that cannot be opened, nor one beside a system folder
// that is there but cannot be opened or a profile list that cannot be read,
// can be told apart from a system folder: neither is touched.
TEST_F(FolderTreeTest, WhatCannotBeJudgedStays) {
    fake::AddFile("C:\\ProgramData\\keep.txt");
    fake::AddFile("C:\\S\\a.txt");
    fake::AddFile("C:\\T\\b.txt");
    fake::DenyOpening("C:\\T");
    Remove("C:\\T");
    fake::DenyReading(kProfileList + "\\S-1-5-21-1");
    Remove("C:\\S");
    EXPECT_THAT(Changes(), IsEmpty());
    fake::Reset();
    fake::AddFile("C:\\S\\a.txt");
    fake::AddFile("C:\\ProgramData\\keep.txt");
    fake::DenyOpening("C:\\ProgramData");
    Remove("C:\\S");
    EXPECT_THAT(Changes(), IsEmpty());
}

// A trimmed environment, as a deployment tool may leave it: the profile
// list's folders, written with %SystemDrive%, expand all the same.
TEST_F(FolderTreeTest, WithoutSystemDriveTheProfileListsFoldersStay) {
    for (const char* variable : {"SystemDrive", "ALLUSERSPROFILE", "PUBLIC", "USERPROFILE"}) {
        fake::SetEnvironment(variable, "");
    }
    for (const char* name : {"ProgramData", "Public", "Default"}) {
        std::string folder = std::string("C:\\Users\\") + name;
        fake::SetValue(kProfileList, name, platform::kRegExpandSz, "%SystemDrive%\\Users\\" + std::string(name) + '\0');
        fake::AddFile(folder + "\\keep.txt");
        Remove(folder);
    }
    EXPECT_THAT(Changes(), IsEmpty());
}

// Another person signed in: their own settings name their Documents, moved
// within their profile, with %USERPROFILE%, which is theirs, not this
// process's. A product's folder in it goes.
TEST_F(FolderTreeTest, AnotherPersonsMovedDocumentsStay) {
    const std::string papers = "C:\\Users\\Other\\Work\\Papers";
    const std::string hive = "HKEY_USERS\\S-1-5-21-9";
    fake::SetString(kProfileList + "\\S-1-5-21-9", "ProfileImagePath", "C:\\Users\\Other");
    fake::SetValue(hive + "\\" + kCurrentVersion + "\\Explorer\\User Shell Folders", "Personal",
                   platform::kRegExpandSz, std::string("%USERPROFILE%\\Work\\Papers") + '\0');
    fake::AddKey(hive + "_Classes");
    fake::AddFile(papers + "\\keep.txt");
    fake::AddFile(papers + "\\Saver\\s.scr");
    Remove(papers);
    EXPECT_TRUE(fake::Exists(papers + "\\keep.txt"));
    Remove(papers + "\\Saver");
    EXPECT_FALSE(fake::Exists(papers + "\\Saver"));
}

// A folder that cannot be reached now is not there for this machine: an
// APPDATA that names what no folder can be, and a LOCALAPPDATA on another
// machine, which is not even asked, block nothing.
TEST_F(FolderTreeTest, UnreachableFolderBlocksNothing) {
    fake::SetEnvironment("APPDATA", std::string(fake::kUserProfile) + "\\<Roaming>");
    fake::SetEnvironment("LOCALAPPDATA", "\\\\server\\share\\Local");
    fake::AddFile("C:\\Saver\\s.scr");
    Remove("C:\\Saver");
    EXPECT_FALSE(fake::Exists("C:\\Saver"));
    EXPECT_THAT(fake::CallsTo("CreateFileW"), Not(::testing::Contains(HasSubstr("server"))));
}

// Folders are told by volume and file index together: NTFS gives every
// volume's root the same index, and another volume may hold any other.
// ProgramData moved elsewhere through a link is judged where it really lies.
TEST_F(FolderTreeTest, FoldersAreJudgedByVolumeAndWhereTheyReallyLie) {
    fake::AddFile("C:\\Saver\\s.scr");
    fake::AddFile("D:\\Docs\\keep.txt");
    fake::SetFileIndex("C:\\Saver", 0x777);
    fake::SetFileIndex("D:\\Docs", 0x777);
    fake::SetEnvironment("APPDATA", "D:\\Docs");
    fake::AddFile("C:\\data\\ProgramData\\keep.txt");
    fake::AddLink("C:\\ProgramData", "C:\\data\\ProgramData");
    Remove("C:\\data");
    Remove("C:\\Saver");
    EXPECT_TRUE(fake::Exists("C:\\data\\ProgramData\\keep.txt"));
    EXPECT_FALSE(fake::Exists("C:\\Saver"));
}

// Named after "\\.\", whose every reading cuts a trailing dot, the folder
// "ToFolder." would lead the walk through the link beside it.
TEST_F(FolderTreeTest, LinksInsideTheTreeGoAsLinksAndTheirTargetsStay) {
    fake::AddFolder("C:\\Target", fake::kHidden);
    fake::AddFile("C:\\Target\\keep.txt", fake::kReadOnly);
    fake::AddFolder("C:\\Target\\Sub");
    fake::AddFile("C:\\Other\\keep.dll", fake::kSystem);
    MakeSmallTree();
    fake::AddLink("C:\\S\\D\\ToFolder", "C:\\Target");
    fake::AddFile("C:\\S\\D\\ToFolder.\\inner.txt");
    fake::AddLink("C:\\S\\ToFile", "C:\\Other\\keep.dll");
    Remove("\\\\.\\C:\\S");
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
    Remove("C:\\Saver");
    EXPECT_THAT(Changes(), ElementsAre("RemoveDirectoryW(" + Long("C:\\Saver)")));
    EXPECT_THAT(fake::Entries(), ElementsAre("C:\\Target", "C:\\Target\\keep.txt"));
    EXPECT_EQ(fake::AttributesOf("C:\\Target"), platform::kFileAttributeDirectory | fake::kReadOnly);
}

// Past 259 characters everything goes; only what would pass Windows' own
// limit of 32,767 stays, with the folders that hold it.
TEST_F(FolderTreeTest, EntriesPast259CharactersGoAndOnlyThosePastWindowsLimitStay) {
    const std::string deep = "C:\\S\\" + std::string(240, 'd');
    fake::AddFile(deep + "\\" + std::string(20, 'f'), fake::kReadOnly);  // 266 characters
    fake::AddFolder(deep + "\\" + std::string(30, 'g'));
    // Names this long are the model's only: only the whole length counts here.
    std::string far = "C:\\T";
    for (char level = 'a'; level <= 'k'; ++level) far += "\\" + std::string(3000, level);
    fake::AddFile(far + "\\x");
    Remove("C:\\S");
    Remove("C:\\T");
    EXPECT_FALSE(fake::Exists("C:\\S"));
    EXPECT_TRUE(fake::Exists(far + "\\x"));
    EXPECT_EQ(fake::Entries().size(), 13u) << "the far branch, every folder of it";
}

// As deep as Windows' limit lets a tree be, one unit a name, with a file at
// the bottom. Under AddressSanitizer a walk that spent stack per folder
// would overflow long before.
TEST_F(FolderTreeTest, TreeAsDeepAsThePathLimitAllowsGoes) {
    std::u16string deep = u"C:\\S";
    while (deep.size() + 8 < platform::kMaxLongPath) fake::AddFolder(deep += u"\\d");
    fake::AddFile(deep + u"\\f", fake::kReadOnly);
    Remove("C:\\S");
    EXPECT_THAT(fake::Entries(), IsEmpty());
}

// Names the code page cannot hold, whose best-fit copies read as paths out
// of the tree, one beside a link that carries its copy, and names the calls
// would strip of their dots and blanks without the "\\?\\" form: each is
// reached exactly, and nothing outside the tree changes.
TEST_F(FolderTreeTest, EveryNameWindowsKeepsGoesAndNothingOutsideChanges) {
    const std::string target = "D:\\a\\b\\target";
    const std::u16string wideTarget = fake::WideOf(target) + u"\\";
    fake::AddFile("D:\\a\\keep\\data.txt", fake::kReadOnly);
    fake::AddFile("D:\\a\\b\\sibling.txt", fake::kHidden);
    fake::AddFile(wideTarget + fake::LookAlikeOf("..\\..\\keep") + u"\\inner.txt");
    fake::AddFile(wideTarget + fake::LookAlikeOf("..\\sibling.txt"), fake::kReadOnly);
    fake::AddFile(wideTarget + fake::LookAlikeOf("Save") + u"\\inner.txt", kMarked);
    fake::AddLink(target + "\\Save", "D:\\a\\keep");
    fake::AddFile(target + "\\Dots\\x.", fake::kReadOnly);
    fake::AddFile(target + "\\Dots\\x ");
    fake::AddFolder(target + "\\...");
    fake::AddFile(target + "\\Plain\\deep.txt", kMarked);

    Remove(target);

    EXPECT_THAT(fake::Entries(),
                ElementsAre("D:\\a", "D:\\a\\b", "D:\\a\\b\\sibling.txt", "D:\\a\\keep", "D:\\a\\keep\\data.txt"));
    EXPECT_EQ(fake::AttributesOf("D:\\a\\keep\\data.txt"), fake::kReadOnly);
    EXPECT_EQ(fake::AttributesOf("D:\\a\\b\\sibling.txt"), fake::kHidden);
}

TEST_F(FolderTreeTest, DoubleByteNamesWhoseSecondByteIsABackslashGoLikeAnyOther) {
    fake::UseCodePage932();
    const std::string so = "\x83\x5C";     // ソ
    const std::string table = "\x95\x5C";  // 表
    fake::AddFile("C:\\S\\" + table + ".txt", fake::kReadOnly);
    fake::AddFile("C:\\S\\" + so + "\\" + so + so + "\\" + table, kMarked);
    fake::AddFolder("C:\\S\\" + so + "\\" + table, fake::kHidden);
    fake::AddFile("C:\\Keep\\" + so + ".txt", kMarked);
    Remove("C:\\S");
    EXPECT_THAT(fake::Entries(), ElementsAre("C:\\Keep", "C:\\Keep\\" + so + ".txt"));
    EXPECT_EQ(fake::AttributesOf("C:\\Keep\\" + so + ".txt"), kMarked);
}

}  // namespace
