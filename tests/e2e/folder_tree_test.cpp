// RMDIR on real folder trees: read-only, hidden and system entries three
// levels deep, a file held open, arguments that name no folder, and a link
// inside the tree whose target must survive.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"

namespace {

const DWORD kMarked = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// Three levels of folders, each level with read-only, hidden and system
// files and folders, names with and without dots.
void MakeMarkedTree(const std::string& root) {
    e2e::MakeFolder(root);
    e2e::MakeFile(root + "\\readme.txt", FILE_ATTRIBUTE_READONLY);
    e2e::MakeFile(root + "\\hidden.ini", FILE_ATTRIBUTE_HIDDEN);
    e2e::MakeFile(root + "\\noext", FILE_ATTRIBUTE_SYSTEM);
    e2e::MakeFolder(root + "\\One", FILE_ATTRIBUTE_READONLY);
    e2e::MakeFile(root + "\\One\\all.dat", kMarked);
    e2e::MakeFolder(root + "\\One\\Two.d", FILE_ATTRIBUTE_HIDDEN);
    e2e::MakeFile(root + "\\One\\Two.d\\system.sys", FILE_ATTRIBUTE_SYSTEM);
    e2e::MakeFolder(root + "\\One\\Two.d\\Three", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
    e2e::MakeFile(root + "\\One\\Two.d\\Three\\deep.scr", kMarked);
    e2e::MakeFile(root + "\\One\\Two.d\\Three\\plain.txt");
    e2e::MakeFolder(root + "\\Empty", kMarked);
}

class FolderTree : public ::testing::Test {
protected:
    void SetUp() override {
        MakeMarkedTree(tree);
        MakeMarkedTree(sentinel);
        sentinelBefore = e2e::ListOf(sentinel);
        // Without the reset a read-only file would stay: make sure it would.
        ASSERT_FALSE(DeleteFileA((tree + "\\readme.txt").c_str()));
    }

    void ExpectSentinelUntouched() { EXPECT_EQ(e2e::ListOf(sentinel), sentinelBefore); }

    void RemoveFolder(const std::string& argument) {
        e2e::Finished finished = e2e::Run("uninstall.exe RMDIR " + argument);
        EXPECT_FALSE(finished.timedOut);
        EXPECT_EQ(finished.exitCode, 0u);
    }

    e2e::ScratchFolder folder{"tree"};
    std::string tree = folder / "Saver Files";
    std::string sentinel = folder / "Saver Files 2";
    e2e::Listing sentinelBefore;
};

TEST_F(FolderTree, RemovesTheWholeTreeWithItsMarkedEntries) {
    RemoveFolder(tree);
    EXPECT_FALSE(e2e::Exists(tree));
    ExpectSentinelUntouched();
}

TEST_F(FolderTree, FileHeldWithoutDeleteSharingKeepsItselfAndItsAncestors) {
    std::string held = tree + "\\One\\Two.d\\system.sys";
    HANDLE file = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    RemoveFolder(tree);
    CloseHandle(file);
    e2e::Listing left = e2e::ListOf(tree);
    ASSERT_EQ(left.size(), 3u);
    EXPECT_EQ(left.count("One"), 1u);
    EXPECT_EQ(left.count("One\\Two.d"), 1u);
    EXPECT_EQ(left.count("One\\Two.d\\system.sys"), 1u);
    ExpectSentinelUntouched();
}

TEST_F(FolderTree, FileArgumentHasItsAttributesResetAndStays) {
    std::string file = tree + "\\One\\all.dat";
    RemoveFolder(file);
    DWORD attributes = GetFileAttributesA(file.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(attributes & kMarked, 0u);
    EXPECT_EQ(e2e::ListOf(tree).size(), e2e::ListOf(sentinel).size());
}

TEST_F(FolderTree, MissingOrWildcardArgumentRemovesNothing) {
    e2e::Listing before = e2e::ListOf(tree);
    RemoveFolder(folder / "Nothing Here");
    RemoveFolder(folder / "Saver*");
    RemoveFolder(tree + "\\One\\*.*");
    EXPECT_EQ(e2e::ListOf(tree), before);
    ExpectSentinelUntouched();
}

// A folder link inside the tree: its target, outside the tree, keeps its
// contents and their attributes. Under Wine only a Linux symbolic link shows
// as a link, so the test run makes one and names it in the environment.
TEST_F(FolderTree, LinkInsideTheTreeIsNeverEntered) {
    char prepared[MAX_PATH] = "";
    char preparedTarget[MAX_PATH] = "";
    GetEnvironmentVariableA("UNINSTALL_E2E_LINK", prepared, MAX_PATH);
    GetEnvironmentVariableA("UNINSTALL_E2E_LINK_TARGET", preparedTarget, MAX_PATH);
    std::string link = prepared[0] ? prepared : tree + "\\One\\Two.d\\Link";
    std::string target = preparedTarget[0] ? preparedTarget : folder / "Target";
    std::string linkedTree = prepared[0] ? link.substr(0, link.rfind('\\', link.rfind('\\') - 1)) : tree;
    if (!prepared[0]) {
        e2e::MakeFolder(target);
        if (!CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY)) {
            GTEST_SKIP() << "cannot make a symbolic link here: " << GetLastError();
        }
    } else {
        MakeMarkedTree(linkedTree + "\\More");
        e2e::MakeFile(linkedTree + "\\plain.txt", FILE_ATTRIBUTE_READONLY);
    }
    ASSERT_TRUE(GetFileAttributesA(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) << link;
    e2e::MakeFile(target + "\\keep.txt", FILE_ATTRIBUTE_READONLY);
    e2e::MakeFile(target + "\\keep.ini", FILE_ATTRIBUTE_HIDDEN);
    e2e::MakeFolder(target + "\\Keep", FILE_ATTRIBUTE_SYSTEM);
    e2e::MakeFile(target + "\\Keep\\keep.dll", kMarked);
    DWORD targetAttributes = GetFileAttributesA(target.c_str());
    e2e::Listing targetBefore = e2e::ListOf(target);

    RemoveFolder(linkedTree);

    EXPECT_EQ(GetFileAttributesA(target.c_str()), targetAttributes);
    EXPECT_EQ(e2e::ListOf(target), targetBefore);
    // The link itself may stay where the platform cannot remove it, and with
    // it the folders that hold it; nothing else in the tree does.
    std::string linkFromTree = link.substr(linkedTree.size() + 1);
    for (const auto& entry : e2e::ListOf(linkedTree)) {
        bool onTheWay = linkFromTree.compare(0, entry.first.size() + 1, entry.first + "\\") == 0;
        EXPECT_TRUE(entry.first == linkFromTree || onTheWay) << entry.first << " was left";
    }
    e2e::RemoveTree(linkedTree);
    e2e::RemoveTree(target);
}

}  // namespace
