#include "folders/kept_entries.h"

#include <cstring>

#include "platform/platform.h"
#include "text/owned_string.h"

namespace {

// Room for some thirty names of a usual length before the block first grows.
const std::size_t kFirstSize = 1024;
const std::size_t kAttributesSize = sizeof(std::uint32_t);

// The records move to a block twice as large, or larger, until bytes more fit.
void MakeRoom(KeptEntries& kept, std::size_t bytes) {
    if (kept.used + bytes <= kept.size) return;
    std::size_t size = kept.size == 0 ? kFirstSize : kept.size;
    while (size < kept.used + bytes) size *= 2;
    char* grown = AllocateText(size);
    if (kept.block != nullptr) {
        std::memcpy(grown, kept.block, kept.used);
        platform::ReleaseBlock(kept.block);
    }
    kept.block = grown;
    kept.size = size;
}

}  // namespace

void KeepEntry(KeptEntries& kept, const WideChar* name, std::uint32_t attributes) {
    std::size_t nameSize = (WideLength(name) + 1) * sizeof(WideChar);
    MakeRoom(kept, kAttributesSize + nameSize);
    // Records are aligned to names' units only: the attributes are copied in
    // and out.
    std::memcpy(kept.block + kept.used, &attributes, kAttributesSize);
    std::memcpy(kept.block + kept.used + kAttributesSize, name, nameSize);
    kept.used += kAttributesSize + nameSize;
}

const WideChar* KeptName(const KeptEntries& kept, std::size_t offset) {
    return reinterpret_cast<const WideChar*>(kept.block + offset + kAttributesSize);
}

std::uint32_t KeptAttributes(const KeptEntries& kept, std::size_t offset) {
    std::uint32_t attributes = 0;
    std::memcpy(&attributes, kept.block + offset, kAttributesSize);
    return attributes;
}

std::size_t NextKept(const KeptEntries& kept, std::size_t offset) {
    return offset + kAttributesSize + (WideLength(KeptName(kept, offset)) + 1) * sizeof(WideChar);
}

void ReleaseKept(KeptEntries& kept) {
    if (kept.block != nullptr) platform::ReleaseBlock(kept.block);
    kept.block = nullptr;
    kept.used = 0;
    kept.size = 0;
}
