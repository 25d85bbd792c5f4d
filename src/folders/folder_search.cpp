#include "folders/folder_search.h"

#include "text/exact_copy.h"
#include "text/owned_string.h"

namespace {

const char kAllEntries[] = "\\*.*";

void TakeEntry(const platform::WideFindData& wide, platform::FindData* found) {
    found->attributes = wide.attributes;
    if (!ToExactAnsi(wide.name, found->name, platform::kMaxPath)) found->name[0] = '\0';
}

}  // namespace

platform::Handle StartFolderSearch(const char* folder, platform::FindData* found) {
    OwnedString pattern = nullptr;
    AssignString(pattern, folder);
    AppendString(pattern, kAllEntries);
    // The folder's own path is exact, so its UTF-16 form is the one Windows keeps.
    platform::WideChar widePattern[platform::kMaxPath];
    platform::WideFindData wide;
    platform::Handle search = platform::kInvalidHandle;
    if (platform::ToWideFromAnsi(pattern, widePattern, platform::kMaxPath)) {
        search = platform::FindFirstFileW(widePattern, &wide);
    }
    FreeString(pattern);
    if (search != platform::kInvalidHandle) TakeEntry(wide, found);
    return search;
}

int NextFolderEntry(platform::Handle search, platform::FindData* found) {
    platform::WideFindData wide;
    if (!platform::FindNextFileW(search, &wide)) return 0;
    TakeEntry(wide, found);
    return 1;
}
