// The entries that wait for their folder's search to end. Each folder is
// searched once: each subfolder is removed as the search meets it, the other
// entries are kept here and deleted after, so subfolders still go first. A
// folder's entries follow those of the folders that hold it, so one list
// serves a whole walk.
#ifndef UNINSTALL_FOLDERS_KEPT_ENTRIES_H
#define UNINSTALL_FOLDERS_KEPT_ENTRIES_H

#include <cstddef>
#include <cstdint>

#include "text/wide_text.h"

// One heap block of records, each an entry's attributes and its UTF-16 name
// with the terminator; block is null until the first entry is kept. Records are
// found by their offset: the first is at 0, and used lies past the last.
struct KeptEntries {
    char* block;
    std::size_t used;
    std::size_t size;
};

// Adds name with its attributes, growing the block as needed. When the heap
// is spent the process ends at once, as it does for every string.
void KeepEntry(KeptEntries& kept, const WideChar* name, std::uint32_t attributes);

const WideChar* KeptName(const KeptEntries& kept, std::size_t offset);
std::uint32_t KeptAttributes(const KeptEntries& kept, std::size_t offset);
// The offset of the record after the one at offset.
std::size_t NextKept(const KeptEntries& kept, std::size_t offset);

// Releases the block, if any, and empties the list.
void ReleaseKept(KeptEntries& kept);

#endif
