// Fuzzes the owned-string operations with arbitrary texts, starts and
// ranges, checking each result against a plain reference written here. Every
// text lies in a heap block of exactly its length plus the terminator, so
// AddressSanitizer sees any read or write past either end.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fake_windows.h"
#include "platform/platform.h"
#include "text/owned_string.h"

namespace {

const std::size_t kMaxTextLength = 300;
const int kMaxSteps = 16;
const int kNotFound = -1;

std::string Printable(const char* text) {
    if (text == nullptr) return "(null)";
    std::string shown;
    for (const char* at = text; *at != '\0'; ++at) {
        unsigned char byte = static_cast<unsigned char>(*at);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            shown += static_cast<char>(byte);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            shown += escaped;
        }
    }
    return shown;
}

[[noreturn]] void Violation(const char* operation, const std::string& detail) {
    std::fprintf(stderr, "string fuzzer: %s: %s\n", operation, detail.c_str());
    std::abort();
}

// A text the operations may read and, for TrimRight, write: a block from the
// platform's heap of exactly its length plus the terminator. The bytes after
// an embedded NUL stay in the block, unread by any C-string operation.
OwnedString NewText(const std::string& bytes) {
    char* block = static_cast<char*>(platform::AllocateBlock(bytes.size() + 1));
    if (block == nullptr) Violation("fuzzer", "the heap is spent");
    std::memcpy(block, bytes.data(), bytes.size());
    block[bytes.size()] = '\0';
    return block;
}

std::string ConsumeText(FuzzedDataProvider& data) { return data.ConsumeRandomLengthString(kMaxTextLength); }

// A text, or now and then none at all.
OwnedString ConsumeTextOrNull(FuzzedDataProvider& data) {
    if (data.ConsumeIntegralInRange(0, 7) == 7) return nullptr;
    return NewText(ConsumeText(data));
}

// Mostly near the text, where the edges are; sometimes anything at all.
int ConsumeIndex(FuzzedDataProvider& data, const char* text) {
    int length = text ? static_cast<int>(std::strlen(text)) : 0;
    if (data.ConsumeBool()) return data.ConsumeIntegral<int>();
    return data.ConsumeIntegralInRange(-2, length + 2);
}

unsigned char Fold(char c) {
    unsigned char byte = static_cast<unsigned char>(c);
    return (byte >= 'a' && byte <= 'z') ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

bool IsTrimmedSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int ReferenceFind(int start, const char* text, const char* pattern) {
    if (text == nullptr || pattern == nullptr || start < 0) return kNotFound;
    std::size_t textLength = std::strlen(text);
    std::size_t patternLength = std::strlen(pattern);
    if (textLength == 0 || patternLength == 0 || patternLength > textLength) return kNotFound;
    for (std::size_t at = static_cast<std::size_t>(start); at + patternLength <= textLength; ++at) {
        std::size_t same = 0;
        while (same < patternLength && Fold(text[at + same]) == Fold(pattern[same])) ++same;
        if (same == patternLength) return static_cast<int>(at);
    }
    return kNotFound;
}

void CheckFind(FuzzedDataProvider& data) {
    OwnedString text = ConsumeTextOrNull(data);
    OwnedString pattern = nullptr;
    if (text != nullptr && data.ConsumeBool()) {
        // A pattern cut from the text itself, in another case, is found often.
        std::string piece = text;
        std::size_t first = data.ConsumeIntegralInRange<std::size_t>(0, piece.size());
        piece = piece.substr(first, data.ConsumeIntegralInRange<std::size_t>(0, piece.size() - first));
        for (char& c : piece) {
            if (data.ConsumeBool() && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
        pattern = NewText(piece);
    } else {
        pattern = ConsumeTextOrNull(data);
    }
    int start = ConsumeIndex(data, text);
    int found = FindNoCase(start, text, pattern);
    int expected = ReferenceFind(start, text, pattern);
    if (found != expected) {
        Violation("FindNoCase", "start " + std::to_string(start) + ", text \"" + Printable(text) +
                                    "\", pattern \"" + Printable(pattern) + "\": got " +
                                    std::to_string(found) + ", expected " + std::to_string(expected));
    }
    FreeString(text);
    FreeString(pattern);
}

// Null exactly when the range is refused; otherwise the bytes from first to
// last, or to the terminator when the range takes it in.
void CheckCopyRange(FuzzedDataProvider& data) {
    OwnedString text = NewText(ConsumeText(data));
    int first = ConsumeIndex(data, text);
    int last = ConsumeIndex(data, text);
    OwnedString copy = CopyRange(text, first, last);
    int length = static_cast<int>(std::strlen(text));
    std::string range = "[" + std::to_string(first) + ", " + std::to_string(last) + "] of \"" +
                        Printable(text) + "\"";
    bool refused = first < 0 || first > last || last > length;
    if (refused != (copy == nullptr)) {
        Violation("CopyRange", range + (refused ? ": a copy of a refused range" : ": refused"));
    }
    if (copy != nullptr) {
        std::size_t count = static_cast<std::size_t>(last - first) + 1;
        std::string expected = std::string(text + first).substr(0, count);
        if (expected != copy) {
            Violation("CopyRange", range + ": got \"" + Printable(copy) + "\", expected \"" +
                                       Printable(expected.c_str()) + "\"");
        }
    }
    FreeString(copy);
    FreeString(text);
}

void CheckTrimRight(FuzzedDataProvider& data) {
    std::string bytes = ConsumeText(data);
    // White space at the end is what trimming is about: give it some.
    bytes += data.ConsumeRandomLengthString(8);
    OwnedString text = data.ConsumeIntegralInRange(0, 15) == 15 ? nullptr : NewText(bytes);
    std::string before = text ? text : "";
    char* trimmed = TrimRight(text);
    if (trimmed != text) Violation("TrimRight", "did not return its argument");
    if (text != nullptr) {
        std::string after = text;
        std::string what = "\"" + Printable(before.c_str()) + "\" became \"" + Printable(text) + "\"";
        if (before.compare(0, after.size(), after) != 0) Violation("TrimRight", what + ": not a prefix");
        if (!after.empty() && IsTrimmedSpace(after.back())) {
            Violation("TrimRight", what + ": white space left at the end");
        }
        for (std::size_t at = after.size(); at < before.size(); ++at) {
            if (!IsTrimmedSpace(before[at])) Violation("TrimRight", what + ": cut more than white space");
        }
    }
    FreeString(text);
}

void CheckAppend(FuzzedDataProvider& data) {
    OwnedString target = ConsumeTextOrNull(data);
    bool suffixIsTarget = target != nullptr && data.ConsumeIntegralInRange(0, 7) == 7;
    OwnedString suffix = suffixIsTarget ? nullptr : ConsumeTextOrNull(data);
    const char* appended = suffixIsTarget ? target : suffix;
    std::string expected = std::string(target ? target : "") + (appended ? appended : "");
    std::string what = "\"" + Printable(target) + "\" + \"" + Printable(appended) + "\"";
    AppendString(target, appended);
    if (target == nullptr) Violation("AppendString", what + ": null");
    if (expected != target) {
        Violation("AppendString", what + ": got \"" + Printable(target) + "\"");
    }
    FreeString(target);
    FreeString(suffix);
}

void CheckAssign(FuzzedDataProvider& data) {
    OwnedString target = ConsumeTextOrNull(data);
    OwnedString text = NewText(ConsumeText(data));
    AssignString(target, text);
    if (target == nullptr || target == text || std::strcmp(target, text) != 0) {
        Violation("AssignString", "\"" + Printable(text) + "\" became \"" + Printable(target) + "\"");
    }
    FreeString(target);
    if (target != nullptr) Violation("FreeString", "left the variable set");
    FreeString(text);
}

// The way the commands use them: a trimmed copy of part of a text.
void CheckTrimmedCopy(FuzzedDataProvider& data) {
    OwnedString text = NewText(ConsumeText(data));
    int first = ConsumeIndex(data, text);
    int last = ConsumeIndex(data, text);
    OwnedString copy = TrimRight(CopyRange(text, first, last));
    if (copy != nullptr && std::strlen(copy) > 0 && IsTrimmedSpace(copy[std::strlen(copy) - 1])) {
        Violation("TrimRight(CopyRange)", "white space left at the end of \"" + Printable(copy) + "\"");
    }
    FreeString(copy);
    FreeString(text);
}

void (*const kChecks[])(FuzzedDataProvider&) = {
    CheckFind, CheckCopyRange, CheckTrimRight, CheckAppend, CheckAssign, CheckTrimmedCopy,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    fake::Reset();
    FuzzedDataProvider data(bytes, size);
    for (int step = 0; step < kMaxSteps && data.remaining_bytes() > 0; ++step) {
        data.PickValueInArray(kChecks)(data);
        if (fake::BlocksHeld() != 0) {
            Violation("blocks", std::to_string(fake::BlocksHeld()) + " not released");
        }
    }
    return 0;
}
