// Base fixture for tests that run code against the fake platform: starts
// from an empty machine and, after each test, checks that every search,
// file handle, key and string the code opened or allocated was given back,
// and that file-system redirection is on again.
#ifndef UNINSTALL_TESTS_SUPPORT_FAKE_WINDOWS_TEST_H
#define UNINSTALL_TESTS_SUPPORT_FAKE_WINDOWS_TEST_H

#include <gtest/gtest.h>

#include "fake_windows.h"

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
