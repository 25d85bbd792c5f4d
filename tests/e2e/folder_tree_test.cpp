// RMDIR on real folder trees: read-only, hidden and system entries three
// levels deep, a file held open, arguments that name no folder, a link
// inside the tree that goes as a link while its target survives, names the
// code page lacks or reads as paths out of the tree, device names and paths
// deeper than 259 characters, which all go with the tree, system folders
// however spelled, which stay, and in code page 932 names whose second byte
// is 0x5C.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "harness.h"

namespace {

const DWORD kMarked = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// Three levels of folders, each level with read-only, hidden and system
// files and folders, names with and without dots.
::testing::AssertionResult MakeMarkedTree(const std::string& root) {
    const struct {
        const char* name;  // below root; empty for root itself
        DWORD attributes;
        bool folder;
    } entries[] = {
        {"", FILE_ATTRIBUTE_NORMAL, true},
        {"readme.txt", FILE_ATTRIBUTE_READONLY, false},
        {"hidden.ini", FILE_ATTRIBUTE_HIDDEN, false},
        {"noext", FILE_ATTRIBUTE_SYSTEM, false},
        {"One", FILE_ATTRIBUTE_READONLY, true},
        {"One\\all.dat", kMarked, false},
        {"One\\Two.d", FILE_ATTRIBUTE_HIDDEN, true},
        {"One\\Two.d\\system.sys", FILE_ATTRIBUTE_SYSTEM, false},
        {"One\\Two.d\\Three", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY, true},
        {"One\\Two.d\\Three\\deep.scr", kMarked, false},
        {"One\\Two.d\\Three\\plain.txt", FILE_ATTRIBUTE_NORMAL, false},
        {"Empty", kMarked, true},
    };
    for (const auto& entry : entries) {
        std::string path = entry.name[0] ? root + "\\" + entry.name : root;
        ::testing::AssertionResult made =
            entry.folder ? e2e::MakeFolder(path, entry.attributes) : e2e::MakeFile(path, entry.attributes);
        if (!made) return made;
    }
    return ::testing::AssertionSuccess();
}

class FolderTree : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(MakeMarkedTree(tree));
        ASSERT_TRUE(MakeMarkedTree(sentinel));
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

// What a folder link inside the tree leads to, outside it: it must keep its
// contents and their attributes.
::testing::AssertionResult FillTarget(const std::string& target) {
    ::testing::AssertionResult made = e2e::MakeFile(target + "\\keep.txt", FILE_ATTRIBUTE_READONLY);
    if (made) made = e2e::MakeFile(target + "\\keep.ini", FILE_ATTRIBUTE_HIDDEN);
    if (made) made = e2e::MakeFolder(target + "\\Keep", FILE_ATTRIBUTE_SYSTEM);
    if (made) made = e2e::MakeFile(target + "\\Keep\\keep.dll", kMarked);
    return made;
}

// On Windows the test makes its own link: RMDIR removes it as a link, so the
// whole tree goes and the target stays as it was.
TEST_F(FolderTree, LinkInsideTheTreeGoesAsALinkAndItsTargetStays) {
    if (e2e::RunsUnderWine()) GTEST_SKIP() << "Wine makes no folder link from Windows code; see PreparedLinkKeepsItsTarget";
    std::string target = folder / "Target";
    std::string link = tree + "\\One\\Two.d\\Link";
    ASSERT_TRUE(e2e::MakeFolder(target));
    ASSERT_TRUE(FillTarget(target));
    if (!CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY)) {
        GTEST_SKIP() << "no right to make a symbolic link here: error " << GetLastError();
    }
    DWORD targetAttributes = GetFileAttributesA(target.c_str());
    e2e::Listing targetBefore = e2e::ListOf(target);

    RemoveFolder(tree);

    EXPECT_FALSE(e2e::Exists(tree)) << e2e::ListOf(tree).size() << " entries left, the link among them";
    EXPECT_EQ(GetFileAttributesA(target.c_str()), targetAttributes);
    EXPECT_EQ(e2e::ListOf(target), targetBefore);
}

// Under Wine only a Linux symbolic link shows as a folder link, so the run
// prepares one, in a tree of its own. There removing the link acts
// on its target, which refuses to go while it holds something, and the link
// stays: the test is narrowed to what holds everywhere, the target survives.
TEST_F(FolderTree, PreparedLinkKeepsItsTarget) {
    char link[MAX_PATH] = "";
    char target[MAX_PATH] = "";
    if (!GetEnvironmentVariableA("UNINSTALL_E2E_LINK", link, MAX_PATH) ||
        !GetEnvironmentVariableA("UNINSTALL_E2E_LINK_TARGET", target, MAX_PATH)) {
        GTEST_SKIP() << "no link prepared for this run; runs under Wine prepare one";
    }
    std::string linkPath = link;
    std::string linkedTree = linkPath.substr(0, linkPath.rfind('\\', linkPath.rfind('\\') - 1));
    ASSERT_TRUE(GetFileAttributesA(link) & FILE_ATTRIBUTE_REPARSE_POINT) << link;
    ASSERT_TRUE(FillTarget(target));
    ASSERT_TRUE(MakeMarkedTree(linkedTree + "\\More"));
    DWORD targetAttributes = GetFileAttributesA(target);
    e2e::Listing targetBefore = e2e::ListOf(target);

    RemoveFolder(linkedTree);

    EXPECT_EQ(GetFileAttributesA(target), targetAttributes);
    EXPECT_EQ(e2e::ListOf(target), targetBefore);
    e2e::RemoveTree(linkedTree);
    e2e::RemoveTree(target);
}

// Relative path -> attributes and content of every file and folder below.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> snapshot;
    for (const auto& entry : e2e::ListOf(folder)) {
        bool isFolder = entry.second & FILE_ATTRIBUTE_DIRECTORY;
        snapshot[entry.first] = std::to_string(entry.second) + ":" +
                                (isFolder ? std::string() : e2e::ContentOf(folder + "\\" + entry.first));
    }
    return snapshot;
}

// The names in a folder, read with the wide calls.
std::set<std::wstring> WideNames(const std::wstring& folder) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.insert(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// Fullwidth full stops and reverse solidi: valid Windows names that code
// page 1252 gives back, by best fit, as "..\..\keep" and "..\sibling.txt".
const wchar_t kOutToKeep[] = L"\uFF0E\uFF0E\uFF3C\uFF0E\uFF0E\uFF3Ckeep";
const wchar_t kOutToSibling[] = L"\uFF0E\uFF0E\uFF3Csibling.txt";

TEST(FolderTreeNames, NamesThatReadAsPathsOutOfTheTreeGoWithItAndAllOutsideSurvives) {
    e2e::ScratchFolder folder("names");
    std::string outer = folder / "a";
    std::string target = outer + "\\b\\target";
    ASSERT_TRUE(e2e::MakeFolder(outer));
    ASSERT_TRUE(e2e::MakeFolder(outer + "\\keep", FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(e2e::MakeFile(outer + "\\keep\\data.txt", FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(e2e::MakeFolder(outer + "\\b"));
    ASSERT_TRUE(e2e::MakeFile(outer + "\\b\\sibling.txt", FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(MakeMarkedTree(target));
    std::wstring wideTarget = e2e::Wide(target);
    std::wstring oddFolder = wideTarget + L"\\" + kOutToKeep;
    std::wstring oddFile = wideTarget + L"\\" + kOutToSibling;
    ASSERT_TRUE(CreateDirectoryW(oddFolder.c_str(), nullptr));
    HANDLE file = CreateFileW((oddFolder + L"\\inner.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    file = CreateFileW(oddFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_READONLY, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    std::map<std::string, std::string> outsideBefore = Snapshot(outer + "\\keep");
    std::string siblingBefore = e2e::ContentOf(outer + "\\b\\sibling.txt");
    DWORD siblingAttributes = GetFileAttributesA((outer + "\\b\\sibling.txt").c_str());

    e2e::Finished finished = e2e::Run("uninstall.exe RMDIR " + target);

    EXPECT_FALSE(finished.timedOut);
    EXPECT_EQ(Snapshot(outer + "\\keep"), outsideBefore);
    EXPECT_EQ(e2e::ContentOf(outer + "\\b\\sibling.txt"), siblingBefore);
    EXPECT_EQ(GetFileAttributesA((outer + "\\b\\sibling.txt").c_str()), siblingAttributes);
    EXPECT_FALSE(e2e::Exists(target)) << ::testing::PrintToString(WideNames(wideTarget)) << " left";
}

// Started by the wide call, the ANSI command line is a best-fit copy: U+015C
// becomes 'S', and the copy names another product's folder.
TEST(FolderTreeNames, LookAlikeOfTheFolderNamedSurvives) {
    e2e::ScratchFolder folder("bestfit");
    std::string namesake = folder / "Saver";
    ASSERT_TRUE(e2e::MakeFolder(namesake));
    ASSERT_TRUE(e2e::MakeFile(namesake + "\\keep.txt"));
    std::wstring named = e2e::Wide(folder.Path()) + L"\\\u015Caver";
    ASSERT_TRUE(CreateDirectoryW(named.c_str(), nullptr));
    e2e::Finished finished = e2e::RunWide(L"uninstall.exe RMDIR " + named);
    EXPECT_FALSE(finished.timedOut);
    EXPECT_TRUE(e2e::Exists(namesake + "\\keep.txt"));
    EXPECT_TRUE(RemoveDirectoryW(named.c_str())) << "the folder named was removed through its copy";
}

// A folder link named name in a tree, to a folder outside it: the one the
// run prepared, named by the variables prefix + "_LINK" and "_TARGET" (under
// Wine, where a Windows program cannot make one), or else one made in
// folder. Empty where none can be made.
struct Link {
    std::string path;
    std::string target;
};

Link LinkInATree(const e2e::ScratchFolder& folder, const std::string& prefix, const char* name) {
    char link[MAX_PATH] = "";
    char target[MAX_PATH] = "";
    if (GetEnvironmentVariableA((prefix + "_LINK").c_str(), link, MAX_PATH) &&
        GetEnvironmentVariableA((prefix + "_TARGET").c_str(), target, MAX_PATH)) {
        return {link, target};
    }
    Link made = {folder / "tree\\" + name, folder / "outside"};
    bool linked = e2e::MakeFolder(folder / "tree") && e2e::MakeFolder(made.target) &&
                  CreateSymbolicLinkA(made.path.c_str(), made.target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
    return linked ? made : Link();
}

std::string TreeOf(const Link& link) { return link.path.substr(0, link.path.rfind('\\')); }

// A folder named \u015Cave beside a folder link named Save, its best-fit
// copy. Read by that copy, the folder's removal would go through the link
// and empty what it leads to, outside the tree. Under Wine removing the link
// acts on its target, which refuses to go while it holds something, so the
// link may stay.
TEST(FolderTreeNames, LookAlikeBesideALinkGoesAndWhatTheLinkLeadsToStays) {
    e2e::ScratchFolder folder("lookalike");
    Link link = LinkInATree(folder, "UNINSTALL_E2E_LOOKALIKE", "Save");
    if (link.path.empty()) GTEST_SKIP() << "no right to make a symbolic link here: error " << GetLastError();
    std::string tree = TreeOf(link);
    std::wstring lookAlike = e2e::Wide(tree) + L"\\\u015Cave";
    ASSERT_TRUE(FillTarget(link.target));
    ASSERT_TRUE(CreateDirectoryW(lookAlike.c_str(), nullptr));
    ASSERT_TRUE(e2e::MakeFile(tree + "\\plain.txt", FILE_ATTRIBUTE_READONLY));
    std::map<std::string, std::string> targetBefore = Snapshot(link.target);

    e2e::Finished finished = e2e::Run("uninstall.exe RMDIR " + tree);

    EXPECT_FALSE(finished.timedOut);
    EXPECT_EQ(Snapshot(link.target), targetBefore);
    EXPECT_FALSE(e2e::Exists(tree + "\\plain.txt"));
    EXPECT_EQ(GetFileAttributesW(lookAlike.c_str()), INVALID_FILE_ATTRIBUTES) << "the look-alike stays";
    e2e::RemoveTree(tree);
    e2e::RemoveTree(link.target);
}

// After "\\.\", which Windows reads again at every call, cutting a trailing
// dot from each name, the folder "data." would reach the link "data" beside
// it, and the walk would empty what that leads to. The tree goes but for
// the link, which under Wine stays as above.
TEST(FolderTreeNames, TreeNamedAfterADevicePrefixGoesAndWhatItsLinkLeadsToStays) {
    e2e::ScratchFolder folder("device");
    Link link = LinkInATree(folder, "UNINSTALL_E2E_DEVICE", "data");
    if (link.path.empty()) GTEST_SKIP() << "no right to make a symbolic link here: error " << GetLastError();
    std::string tree = TreeOf(link);
    ASSERT_TRUE(FillTarget(link.target));
    ASSERT_TRUE(e2e::MakeFolder(e2e::Wide(tree) + L"\\data.", FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(e2e::MakeFile(e2e::Wide(tree) + L"\\data.\\inner.txt", FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(e2e::MakeFile(tree + "\\plain.txt", FILE_ATTRIBUTE_READONLY));
    std::map<std::string, std::string> targetBefore = Snapshot(link.target);

    e2e::Finished finished = e2e::Run("uninstall.exe RMDIR \\\\.\\" + tree);

    EXPECT_FALSE(finished.timedOut);
    EXPECT_EQ(Snapshot(link.target), targetBefore);
    e2e::Listing left = e2e::ListOf(tree);
    if (e2e::RunsUnderWine()) {
        EXPECT_EQ(left.size(), 1u) << ::testing::PrintToString(WideNames(e2e::Wide(tree))) << " left";
        EXPECT_EQ(left.count("data"), 1u);
    } else {
        EXPECT_FALSE(e2e::Exists(tree)) << left.size() << " entries left";
    }
    e2e::RemoveTree(tree);
    e2e::RemoveTree(link.target);
}

// An installer's variable left empty, or a ".." too many: Program Files,
// however spelled, stays as it was, and a product's folder in it goes.
TEST(FolderTreeNames, ProgramFilesHoweverSpelledStaysAndAProductFolderInItGoes) {
    char programFiles[MAX_PATH] = "";
    char shortName[MAX_PATH] = "";
    ASSERT_NE(GetEnvironmentVariableA("ProgramFiles", programFiles, MAX_PATH), 0u);
    ASSERT_NE(GetShortPathNameA(programFiles, shortName, MAX_PATH), 0u);
    std::string product = std::string(programFiles) + "\\E2E Saver " + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(e2e::MakeFolder(product));
    ASSERT_TRUE(e2e::MakeFile(product + "\\saver.scr", FILE_ATTRIBUTE_READONLY));
    std::set<std::wstring> before = WideNames(e2e::Wide(programFiles));

    for (const std::string& spelled : {std::string(shortName), product + "\\.."}) {
        EXPECT_FALSE(e2e::Run("uninstall.exe RMDIR " + spelled).timedOut) << spelled;
    }
    EXPECT_EQ(WideNames(e2e::Wide(programFiles)), before);
    EXPECT_TRUE(e2e::Exists(product + "\\saver.scr"));
    EXPECT_FALSE(e2e::Run("uninstall.exe RMDIR " + product).timedOut);
    EXPECT_FALSE(e2e::Exists(product));
    e2e::RemoveTree(product);
}

// Names the ANSI calls cannot reach or read as others: outside code page
// 1252, ending in a dot or a blank, device names, and a file more than 259
// characters deep. All go with the tree; a file beside it stays.
TEST(FolderTreeNames, EveryNameWindowsHoldsGoesWithTheTree) {
    e2e::ScratchFolder folder("wide");
    std::wstring tree = e2e::Wide(folder / "tree");
    const wchar_t kPhotos[] = L"\\\u5199\u771F";           // 写真
    const wchar_t kEmoji[] = L"\\emoji\U0001F600";         // emoji😀
    const wchar_t kPhoto[] = L"\\\u0424\u043E\u0442\u043E";  // Фото
    ASSERT_TRUE(e2e::MakeFolder(tree));
    for (const wchar_t* name : {kPhotos, kEmoji, kPhoto}) {
        ASSERT_TRUE(e2e::MakeFolder(tree + name, FILE_ATTRIBUTE_HIDDEN));
    }
    const struct {
        std::wstring path;
        DWORD attributes;
    } files[] = {
        {tree + kPhotos + L"\\\u5BB6\u65CF.jpg", FILE_ATTRIBUTE_READONLY},  // 家族.jpg
        {tree + L"\\\u03A9mega.txt", FILE_ATTRIBUTE_HIDDEN},               // Ωmega.txt
        {tree + kEmoji + L"\\x.txt", FILE_ATTRIBUTE_NORMAL},
        {tree + kPhoto + L"\\a.jpg", kMarked},
        {tree + L"\\notes.", FILE_ATTRIBUTE_READONLY},
        {tree + L"\\draft ", FILE_ATTRIBUTE_HIDDEN},
        {tree + L"\\nul.txt", FILE_ATTRIBUTE_NORMAL},
        {tree + L"\\CON", FILE_ATTRIBUTE_READONLY},
        {tree + L"\\aux.log", FILE_ATTRIBUTE_NORMAL},
    };
    for (const auto& file : files) ASSERT_TRUE(e2e::MakeFile(file.path, file.attributes));
    std::wstring deep = tree;
    for (wchar_t level = L'a'; level <= L'h'; ++level) {
        ASSERT_TRUE(e2e::MakeFolder(deep += L"\\" + std::wstring(32, level)));
    }
    ASSERT_TRUE(e2e::MakeFile(deep + L"\\deep.txt", FILE_ATTRIBUTE_READONLY));
    std::string beside = folder / "beside.txt";
    ASSERT_TRUE(e2e::MakeFile(beside, FILE_ATTRIBUTE_READONLY));
    DWORD besideAttributes = GetFileAttributesA(beside.c_str());

    e2e::Finished finished = e2e::Run("uninstall.exe RMDIR " + folder / "tree");

    EXPECT_FALSE(finished.timedOut);
    EXPECT_FALSE(e2e::Exists(folder / "tree")) << ::testing::PrintToString(WideNames(tree)) << " left";
    EXPECT_EQ(e2e::ContentOf(beside), beside);
    EXPECT_EQ(GetFileAttributesA(beside.c_str()), besideAttributes);
}

// A full path as Windows also resolves it: after "\??\", after "//./" or
// "//?/" with slashes, and after "\\.\" with a ".." back past its drive.
std::vector<std::string> DeviceSpellings(const std::string& path) {
    std::string slashed = path;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    return {"\\??\\" + path, "//./" + slashed, "//?/" + slashed,
            "\\\\.\\" + path.substr(0, 2) + "\\..\\" + path};
}

// ProgramData and a profile, spelled as above or through a folder link to
// the profiles folder (on Windows its own "Documents and Settings"; under
// Wine the run prepares one): they stay as they were, and a product folder
// in ProgramData, so spelled, goes.
TEST(FolderTreeNames, ProgramDataAndAProfileHoweverSpelledStayAndAProductFolderInItGoes) {
    char data[MAX_PATH] = "";
    char profile[MAX_PATH] = "";
    char alias[MAX_PATH] = "";
    ASSERT_NE(GetEnvironmentVariableA("ALLUSERSPROFILE", data, MAX_PATH), 0u);
    ASSERT_NE(GetEnvironmentVariableA("PUBLIC", profile, MAX_PATH), 0u);
    if (!GetEnvironmentVariableA("UNINSTALL_E2E_PROFILES_ALIAS", alias, MAX_PATH)) {
        lstrcpynA(alias, (std::string(data, 2) + "\\Documents and Settings").c_str(), MAX_PATH);
    }
    std::string canary = "\\e2e-canary-" + std::to_string(GetCurrentProcessId()) + ".txt";
    ASSERT_TRUE(e2e::MakeFile(data + canary, FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(e2e::MakeFile(profile + canary, FILE_ATTRIBUTE_READONLY));
    auto canaries = [&] {
        return e2e::ContentOf(data + canary) + std::to_string(GetFileAttributesA((data + canary).c_str())) +
               e2e::ContentOf(profile + canary) + std::to_string(GetFileAttributesA((profile + canary).c_str()));
    };
    std::string canariesBefore = canaries();
    std::set<std::wstring> dataBefore = WideNames(e2e::Wide(data));
    std::set<std::wstring> profileBefore = WideNames(e2e::Wide(profile));
    std::vector<std::string> spellings = DeviceSpellings(data);
    DWORD link = GetFileAttributesA(alias);
    if (link != INVALID_FILE_ATTRIBUTES && (link & FILE_ATTRIBUTE_REPARSE_POINT)) {
        spellings.push_back(alias + std::string(profile).substr(std::string(profile).rfind('\\')));
    } else {
        std::printf("no folder link at %s: the profile is not tried through one\n", alias);
    }

    for (const std::string& spelled : spellings) {
        EXPECT_FALSE(e2e::Run("uninstall.exe RMDIR " + spelled).timedOut) << spelled;
    }

    EXPECT_EQ(canaries(), canariesBefore);
    EXPECT_EQ(WideNames(e2e::Wide(data)), dataBefore);
    EXPECT_EQ(WideNames(e2e::Wide(profile)), profileBefore);
    std::string product = data + ("\\E2E Saver " + std::to_string(GetCurrentProcessId()));
    ASSERT_TRUE(e2e::MakeFolder(product));
    ASSERT_TRUE(e2e::MakeFile(product + "\\saver.scr", FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(e2e::Run("uninstall.exe RMDIR " + DeviceSpellings(product).back()).timedOut);
    EXPECT_FALSE(e2e::Exists(product));
    for (const std::string& made : {data + canary, profile + canary, product}) e2e::RemoveTree(made);
}

// A person's own folders, which an installer is handed when a person
// chooses one to install into: the Desktop, directly in their profile, and
// Documents moved out of it. Both keep every file; a product's folder in
// Documents goes.
TEST(FolderTreeNames, APersonsDesktopAndMovedDocumentsStayAndAProductFolderInThemGoes) {
    char profile[MAX_PATH] = "";
    ASSERT_NE(GetEnvironmentVariableA("USERPROFILE", profile, MAX_PATH), 0u);
    std::string pid = std::to_string(GetCurrentProcessId());
    std::string desktopFile = std::string(profile) + "\\Desktop\\e2e-notes-" + pid + ".txt";
    std::string documents = std::string(profile, 2) + "\\e2e-Documents-" + pid;
    std::string product = documents + "\\E2E Saver";
    ASSERT_TRUE(e2e::MakeFile(desktopFile));
    ASSERT_TRUE(e2e::MakeFolder(documents));
    ASSERT_TRUE(e2e::MakeFile(documents + "\\letter.txt", FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(e2e::MakeFolder(product));
    ASSERT_TRUE(e2e::MakeFile(product + "\\saver.scr"));
    {
        // Moved, as Windows records it when someone moves the folder.
        e2e::TemporaryValue moved(HKEY_CURRENT_USER,
                                  "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                                  "Personal", documents, REG_EXPAND_SZ);
        ASSERT_TRUE(moved.Set());
        for (const std::string& chosen : {std::string(profile) + "\\Desktop", documents}) {
            EXPECT_FALSE(e2e::Run("uninstall.exe RMDIR " + chosen).timedOut) << chosen;
        }
        EXPECT_EQ(e2e::ContentOf(desktopFile), desktopFile);
        EXPECT_EQ(e2e::ContentOf(documents + "\\letter.txt"), documents + "\\letter.txt");
        EXPECT_FALSE(e2e::Run("uninstall.exe RMDIR " + product).timedOut);
        EXPECT_FALSE(e2e::Exists(product));
    }
    e2e::RemoveTree(documents);
    e2e::RemoveTree(desktopFile);
}

// ソ and 表 end in the byte 0x5C, which is no separator in code page 932.
TEST(CodePage932, TreeWhoseNamesHoldSecondBytes5CIsRemovedCompletely) {
    E2E_REQUIRE(GetACP() == 932, "UNINSTALL_E2E_EXPECT_ACP", "ANSI code page 932");
    const std::string so = "\x83\x5C";
    const std::string table = "\x95\x5C";
    e2e::ScratchFolder folder("932");
    std::string tree = folder / (so + table);
    std::string sentinel = folder / (so + table + "2");
    for (const std::string& root : {tree, sentinel}) {
        ASSERT_TRUE(e2e::MakeFolder(root));
        ASSERT_TRUE(e2e::MakeFile(root + "\\" + table + ".txt", FILE_ATTRIBUTE_READONLY));
        ASSERT_TRUE(e2e::MakeFolder(root + "\\" + so, FILE_ATTRIBUTE_HIDDEN));
        ASSERT_TRUE(e2e::MakeFolder(root + "\\" + so + "\\" + so + so, FILE_ATTRIBUTE_SYSTEM));
        ASSERT_TRUE(e2e::MakeFile(root + "\\" + so + "\\" + so + so + "\\" + table, kMarked));
    }
    std::map<std::string, std::string> sentinelBefore = Snapshot(sentinel);
    e2e::Finished finished = e2e::Run("uninstall.exe RMDIR " + tree);
    EXPECT_FALSE(finished.timedOut);
    EXPECT_FALSE(e2e::Exists(tree)) << e2e::ListOf(tree).size() << " entries left";
    EXPECT_EQ(Snapshot(sentinel), sentinelBefore);
}

}  // namespace
