// Load and faults: RMDIR on a generated tree of 20,000 files in 2,000
// folders, and RMSCR fifty times in a row.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "harness.h"
#include "message_box.h"

#include <tlhelp32.h>

namespace {

const int kFolders = 2000;
const int kFiles = 20000;
const int kBigFolderFiles = 5000;
const int kMaxPath = MAX_PATH - 1;  // 259 characters
const int kMaxSearchableFolder = kMaxPath - 4;  // room for "\*.*"
const DWORD kRunLimitMs = 20 * 60 * 1000;
const DWORD kMarks[] = {0,
                        FILE_ATTRIBUTE_READONLY,
                        FILE_ATTRIBUTE_HIDDEN,
                        FILE_ATTRIBUTE_SYSTEM,
                        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN,
                        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM,
                        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM,
                        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM};
const int kMarkCount = sizeof kMarks / sizeof kMarks[0];

// Long paths are made through the wide calls, which take "\\?\" paths of
// any length; the program under test is given only the tree's root.
std::wstring Long(const std::string& path) { return L"\\\\?\\" + e2e::Wide(path); }

struct Tree {
    std::vector<std::string> folders;  // the root first, parents before children
    std::vector<std::string> files;
};

class TreeMaker {
public:
    explicit TreeMaker(unsigned seed) : state_(seed) {}

    Tree Make(const std::string& root, int folders, int files, int bigFolderFiles) {
        Tree tree;
        AddFolder(tree, root);
        AddLongBranch(tree, root);
        std::string big = root + "\\Big folder";
        AddFolder(tree, big);
        for (int i = 0; i < bigFolderFiles; ++i) AddFile(tree, big + "\\" + FileName(i));
        while (static_cast<int>(tree.folders.size()) < folders) {
            const std::string& parent = tree.folders[Next() % tree.folders.size()];
            if (parent == big || parent.size() > 150) continue;
            AddFolder(tree, parent + "\\" + FolderName(static_cast<int>(tree.folders.size())));
        }
        while (static_cast<int>(tree.files.size()) < files) {
            const std::string& folder = tree.folders[Next() % tree.folders.size()];
            if (static_cast<int>(folder.size()) > kMaxSearchableFolder - 20) continue;
            AddFile(tree, folder + "\\" + FileName(static_cast<int>(tree.files.size())));
        }
        // Marked last: a read-only folder must not stop its own filling.
        for (std::size_t i = 0; i < tree.folders.size(); ++i) {
            DWORD marks = kMarks[i % kMarkCount];
            SetFileAttributesW(Long(tree.folders[i]).c_str(), marks ? marks : FILE_ATTRIBUTE_NORMAL);
        }
        return tree;
    }

private:
    unsigned Next() {
        state_ = state_ * 1103515245u + 12345u;
        return state_ >> 8;
    }

    static std::string FolderName(int i) {
        static const char* const forms[] = {"d%d", "Folder %d", "dir.%d.x", ".cache%d", "D%d~1"};
        char name[32];
        std::snprintf(name, sizeof name, forms[i % 5], i);
        return name;
    }

    static std::string FileName(int i) {
        static const char* const forms[] = {"f%d", "file %d.txt", "f%d.tar.gz", ".f%d", "F%dNOEXT", "s%d.scr"};
        char name[32];
        std::snprintf(name, sizeof name, forms[i % 6], i);
        return name;
    }

    void AddFolder(Tree& tree, const std::string& path) {
        ASSERT_TRUE(CreateDirectoryW(Long(path).c_str(), nullptr)) << path << ": " << GetLastError();
        tree.folders.push_back(path);
    }

    void AddFile(Tree& tree, const std::string& path) {
        DWORD marks = kMarks[tree.files.size() % kMarkCount];
        HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  marks ? marks : FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << path << ": " << GetLastError();
        CloseHandle(file);
        tree.files.push_back(path);
    }

    // Folders down to the longest that can still be searched, and in them
    // files and an empty folder of exactly 259 characters.
    void AddLongBranch(Tree& tree, const std::string& root) {
        std::string folder = root;
        for (char level = 'a'; folder.size() + 41 <= kMaxSearchableFolder; ++level) {
            AddFolder(tree, folder + "\\" + std::string(40, level));
            folder = tree.folders.back();
        }
        std::size_t room = kMaxPath - folder.size() - 1;  // a name that makes 259 characters
        AddFile(tree, folder + "\\" + std::string(room - 4, 'x') + ".scr");
        AddFolder(tree, folder + "\\" + std::string(room, 'e'));
        AddFolder(tree, folder + "\\" + std::string(kMaxSearchableFolder - folder.size() - 1, 'z'));
        AddFile(tree, tree.folders.back() + "\\abc");
    }

    unsigned state_;
};

std::set<std::string> AncestorsAndSelf(const std::string& root, const std::string& path) {
    std::set<std::string> names;
    std::string relative = path.substr(root.size() + 1);
    for (std::size_t cut = relative.find('\\'); cut != std::string::npos; cut = relative.find('\\', cut + 1)) {
        names.insert(relative.substr(0, cut));
    }
    names.insert(relative);
    return names;
}

e2e::Finished RemoveFolder(const std::string& folder) {
    e2e::Started started = e2e::Start("uninstall.exe RMDIR " + folder);
    return e2e::Finish(started, kRunLimitMs);
}

class Stress : public ::testing::Test {
protected:
    e2e::ScratchFolder scratch{"stress"};
    std::string target = scratch / "Saver";
    std::string sentinel = scratch / "Saver Beside";
};

TEST_F(Stress, RmdirRemovesTwentyThousandMarkedFilesAndLeavesTheTreeBeside) {
    Tree tree = TreeMaker(1).Make(target, kFolders, kFiles, kBigFolderFiles);
    TreeMaker(2).Make(sentinel, kFolders / 10, kFiles / 10, kBigFolderFiles / 10);
    ASSERT_FALSE(HasFatalFailure());
    e2e::Listing sentinelBefore = e2e::ListOf(sentinel);
    ASSERT_EQ(e2e::ListOf(target).size(), tree.folders.size() - 1 + tree.files.size());
    ASSERT_EQ(tree.files.front().size(), static_cast<std::size_t>(kMaxPath));

    e2e::Finished finished = RemoveFolder(target);

    ASSERT_FALSE(finished.timedOut);
    EXPECT_EQ(finished.exitCode, 0u);
    std::size_t left = e2e::ListOf(target).size() + (e2e::Exists(target) ? 1 : 0);
    std::printf("RMDIR on %zu files in %zu folders: %zu entries left, %llu ms\n", tree.files.size(),
                tree.folders.size(), left, finished.lifetimeMs);
    EXPECT_EQ(left, 0u);
    EXPECT_EQ(e2e::ListOf(sentinel), sentinelBefore);
}

TEST_F(Stress, RmdirKeepsExactlyTheHeldFilesAndTheirFolders) {
    Tree tree = TreeMaker(3).Make(target, kFolders, kFiles, kBigFolderFiles);
    ASSERT_FALSE(HasFatalFailure());
    std::set<std::string> expected;
    std::vector<HANDLE> held;
    for (std::size_t i = 0; i < tree.files.size(); i += tree.files.size() / 6) {
        const std::string& file = tree.files[i];
        HANDLE handle = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE) << file;
        held.push_back(handle);
        std::set<std::string> kept = AncestorsAndSelf(target, file);
        expected.insert(kept.begin(), kept.end());
    }

    e2e::Finished finished = RemoveFolder(target);
    for (HANDLE handle : held) CloseHandle(handle);

    ASSERT_FALSE(finished.timedOut);
    EXPECT_EQ(finished.exitCode, 0u);
    std::set<std::string> left;
    for (const auto& entry : e2e::ListOf(target)) left.insert(entry.first);
    std::printf("RMDIR with %zu files held open: %zu of %zu entries left, %llu ms\n", held.size(), left.size(),
                tree.files.size() + tree.folders.size(), finished.lifetimeMs);
    EXPECT_EQ(left, expected);
}

int RunningCopies(const char* exeName) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 process = {};
    process.dwSize = sizeof process;
    int copies = 0;
    for (BOOL more = Process32First(snapshot, &process); more; more = Process32Next(snapshot, &process)) {
        copies += lstrcmpiA(process.szExeFile, exeName) == 0;
    }
    CloseHandle(snapshot);
    return copies;
}

// What each round of the RMSCR series sets up, and so expects.
enum Round { kRemovable, kHeldForReading, kFileMissing, kValueNotAString };

Round RoundOf(int i) {
    if (i % 5 == 1) return kHeldForReading;
    if (i % 7 == 2) return kFileMissing;
    if (i % 10 == 3) return kValueNotAString;
    return kRemovable;
}

TEST_F(Stress, RmscrFiftyTimesInARow) {
    const int rounds = 50;
    int boxes = 0;
    int entriesLeft = 0;
    for (int i = 0; i < rounds; ++i) {
        Round round = RoundOf(i);
        std::string name = "Stress Saver " + std::to_string(GetCurrentProcessId()) + " " + std::to_string(i);
        std::string saver = scratch / (std::to_string(i) + ".scr");
        ASSERT_TRUE(e2e::MakeFile(saver));
        if (round == kFileMissing) DeleteFileA(saver.c_str());
        if (round == kValueNotAString) {
            ASSERT_TRUE(e2e::InstallEntry(name, REG_BINARY, saver + '\0'));
        } else {
            ASSERT_TRUE(e2e::InstallEntry(name, REG_SZ, saver + '\0'));
        }
        HANDLE held = INVALID_HANDLE_VALUE;
        if (round == kHeldForReading) {
            held = CreateFileA(saver.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        }

        e2e::Started started = e2e::Start("uninstall.exe RMSCR " + name);
        e2e::BoxSeen seen = e2e::WatchBoxes(started, [] { return true; });
        e2e::Finished finished = e2e::Finish(started);
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);

        SCOPED_TRACE("round " + std::to_string(i));
        EXPECT_FALSE(finished.timedOut);
        EXPECT_EQ(finished.exitCode, 0u);
        boxes += seen.boxes;
        bool keepsEntry = round == kHeldForReading || round == kValueNotAString;
        EXPECT_EQ(e2e::EntryExists(name), keepsEntry);
        EXPECT_EQ(e2e::Exists(saver), round == kHeldForReading || round == kValueNotAString);
        EXPECT_EQ(seen.boxes, round == kValueNotAString ? 0 : 1);
        if (round == kHeldForReading) {
            EXPECT_EQ(seen.icon, "error");
        } else if (round != kValueNotAString) {
            EXPECT_EQ(seen.icon, "information");
            EXPECT_EQ(seen.text, "The " + name + " screen saver has been removed");
        }
        entriesLeft += e2e::EntryExists(name);
        e2e::DeleteEntry(name);
    }
    std::printf("RMSCR %d times: %d boxes, %d entries kept\n", rounds, boxes, entriesLeft);
    EXPECT_EQ(RunningCopies("uninstall.exe"), 0);
    EXPECT_EQ(e2e::BoxesOpen(), 0);
}

}  // namespace
