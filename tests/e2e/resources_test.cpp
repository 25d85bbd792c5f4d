// The resources of uninstall.exe as Windows reads them: the version record,
// the one icon and the manifest: its execution level, the Windows versions,
// DPI awareness and visual styles it declares, and that Windows accepts it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"

namespace {

const WORD kIconGroup = 110;
const DWORD kVersionHigh = MAKELONG(0, 1);     // 1, 0
const DWORD kVersionLow = MAKELONG(1561, 0);   // 0, 1561

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width;
    BYTE height;
    BYTE colorCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
struct IconGroup {
    WORD reserved;
    WORD type;
    WORD count;
    IconGroupEntry entries[1];
};
#pragma pack(pop)

std::string VersionString(const std::vector<char>& record, const char* name) {
    struct Translation {
        WORD language;
        WORD codePage;
    }* translation = nullptr;
    UINT size = 0;
    if (!VerQueryValueA(record.data(), "\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &size) || size < sizeof *translation) {
        return "<no translation>";
    }
    char query[80];
    wsprintfA(query, "\\StringFileInfo\\%04x%04x\\%s", translation->language, translation->codePage, name);
    char* value = nullptr;
    if (!VerQueryValueA(record.data(), query, reinterpret_cast<void**>(&value), &size)) return "<none>";
    return value;
}

BOOL CALLBACK CountName(HMODULE, LPCSTR, LPSTR, LONG_PTR count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

class Resources : public ::testing::Test {
protected:
    void SetUp() override {
        module = LoadLibraryExA(e2e::ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override { FreeLibrary(module); }

    const void* Resource(LPCSTR type, LPCSTR name, DWORD* size) {
        HRSRC found = FindResourceA(module, name, type);
        if (found == nullptr) return nullptr;
        *size = SizeofResource(module, found);
        return LockResource(LoadResource(module, found));
    }

    std::string Manifest() {
        DWORD size = 0;
        auto manifest = static_cast<const char*>(Resource(RT_MANIFEST, MAKEINTRESOURCEA(1), &size));
        EXPECT_NE(manifest, nullptr);
        return manifest ? std::string(manifest, size) : std::string();
    }

    HMODULE module = nullptr;
};

TEST_F(Resources, VersionRecordGivesVersionAndNames) {
    std::string program = e2e::ProgramPath();
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(program.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> record(size);
    ASSERT_TRUE(GetFileVersionInfoA(program.c_str(), 0, size, record.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(VerQueryValueA(record.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    EXPECT_EQ(fixed->dwFileVersionMS, kVersionHigh);
    EXPECT_EQ(fixed->dwFileVersionLS, kVersionLow);
    EXPECT_EQ(fixed->dwProductVersionMS, kVersionHigh);
    EXPECT_EQ(fixed->dwProductVersionLS, kVersionLow);
    EXPECT_EQ(VersionString(record, "FileVersion"), "1, 0, 0, 1561");
    EXPECT_EQ(VersionString(record, "ProductVersion"), "1, 0, 0, 1561");
    EXPECT_EQ(VersionString(record, "InternalName"), "Uninstall");
    EXPECT_EQ(VersionString(record, "ProductName"), "Uninstall");
}

TEST_F(Resources, OneIconGroupWithOne32By32ImageOf256Colours) {
    int groups = 0;
    EnumResourceNamesA(module, RT_GROUP_ICON, CountName, reinterpret_cast<LONG_PTR>(&groups));
    EXPECT_EQ(groups, 1);

    DWORD size = 0;
    auto group = static_cast<const IconGroup*>(Resource(RT_GROUP_ICON, MAKEINTRESOURCEA(kIconGroup), &size));
    ASSERT_NE(group, nullptr) << "no icon group " << kIconGroup;
    ASSERT_EQ(group->count, 1);
    const IconGroupEntry& entry = group->entries[0];
    EXPECT_EQ(entry.width, 32);
    EXPECT_EQ(entry.height, 32);
    EXPECT_EQ(entry.colorCount, 0);  // 0 stands for 256
    EXPECT_EQ(entry.bitCount, 8);

    auto image = static_cast<const BITMAPINFOHEADER*>(Resource(RT_ICON, MAKEINTRESOURCEA(entry.id), &size));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->biWidth, 32);
    EXPECT_EQ(image->biHeight, 64);  // the colours and the mask below them
    EXPECT_EQ(image->biBitCount, 8);
    EXPECT_TRUE(image->biClrUsed == 0 || image->biClrUsed == 256) << image->biClrUsed;
    EXPECT_NE(LoadIconA(module, MAKEINTRESOURCEA(kIconGroup)), nullptr);
}

TEST_F(Resources, ManifestAsksForAdministratorRights) {
    std::string text = Manifest();
    EXPECT_NE(text.find("level=\"requireAdministrator\""), std::string::npos) << text;
}

TEST_F(Resources, ManifestDeclaresTodaysWindowsDpiAwarenessAndVisualStyles) {
    std::string text = Manifest();
    const char* const declared[] = {
        "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
        "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>",
        "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2",
        "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
    };
    for (const char* part : declared) EXPECT_NE(text.find(part), std::string::npos) << part;
    // Windows XP's parser takes no namespace prefixes.
    EXPECT_EQ(text.find("xmlns:"), std::string::npos);
}

// Windows builds an activation context from the manifest, as it does when
// the program starts, and Common Controls 6.0 is part of it.
TEST_F(Resources, ManifestMakesAnActivationContextWithCommonControls6) {
    std::string program = e2e::ProgramPath();
    ACTCTXA request = {};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = program.c_str();
    request.lpResourceName = MAKEINTRESOURCEA(1);
    HANDLE context = CreateActCtxA(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE) << "the manifest was refused: " << GetLastError();
    ULONG_PTR cookie = 0;
    ASSERT_TRUE(ActivateActCtx(context, &cookie));
    ACTCTX_SECTION_KEYED_DATA found = {};
    found.cbSize = sizeof found;
    EXPECT_TRUE(FindActCtxSectionStringA(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, "comctl32.dll",
                                         &found))
        << "Common Controls 6.0 is not in the context: " << GetLastError();
    DeactivateActCtx(0, cookie);
    ReleaseActCtx(context);
}

}  // namespace
