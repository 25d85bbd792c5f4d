// Base fixture for tests that run code against the fake platform: starts
// from an empty machine and, after each test, checks that every search,
// file handle, key and string the code opened or allocated was given back,
// and that file-system redirection is on again.
#ifndef UNINSTALL_TESTS_SUPPORT_FAKE_WINDOWS_TEST_H
#define UNINSTALL_TESTS_SUPPORT_FAKE_WINDOWS_TEST_H

#include <gtest/gtest.h>

#include "fake_windows.h"
#include "platform/platform.h"

// The lead bytes of a single-byte ANSI code page (1252: none) and of a
// double-byte one (932), as the commands receive them.
inline platform::LeadBytes SingleByteCodePage() { return platform::LeadBytes{}; }

inline platform::LeadBytes DoubleByteCodePage() {
    platform::LeadBytes table{};
    for (int byte = 0x81; byte <= 0xFC; ++byte) table.isLead[byte] = byte <= 0x9F || byte >= 0xE0;
    return table;
}

// The double-byte code page in force: the fake reads paths with it too.
inline platform::LeadBytes UseDoubleByteCodePage() {
    platform::LeadBytes table = DoubleByteCodePage();
    for (int byte = 0; byte < 256; ++byte) {
        auto lead = static_cast<unsigned char>(byte);
        if (table.isLead[lead]) fake::SetLeadByteRange(lead, lead);
    }
    return table;
}

class FakeWindowsTest : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }
    void TearDown() override {
        EXPECT_EQ(fake::HandlesLeftOpen(), 0) << "handles left open";
        EXPECT_EQ(fake::BlocksHeld(), 0) << "strings not released";
        EXPECT_FALSE(fake::RedirectionIsOff()) << "file-system redirection left off";
    }
};

#endif
