#include "text/long_path.h"

#include <cstring>

namespace {

const WideChar kSeparator[] = u"\\";
const std::size_t kMaxUnits = platform::kMaxLongPath - 1;

}  // namespace

LongPath NewLongPath() {
    LongPath path = {static_cast<WideChar*>(platform::AllocateBlockOrEnd(platform::kMaxLongPath * sizeof(WideChar))), 0};
    path.text[0] = 0;
    return path;
}

void FreeLongPath(LongPath& path) {
    platform::ReleaseBlock(path.text);
    path.text = nullptr;
    path.length = 0;
}

int AppendToPath(LongPath& path, const WideChar* text) {
    std::size_t length = WideLength(text);
    if (length > kMaxUnits - path.length) return 0;
    std::memcpy(path.text + path.length, text, (length + 1) * sizeof(WideChar));
    path.length += length;
    return 1;
}

int AppendName(LongPath& path, const WideChar* name) {
    std::size_t length = path.length;
    if (AppendToPath(path, kSeparator) && AppendToPath(path, name)) return 1;
    CutPath(path, length);
    return 0;
}

void CutPath(LongPath& path, std::size_t length) {
    path.length = length;
    path.text[length] = 0;
}
