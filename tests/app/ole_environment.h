// OLE on the test thread for the whole run, as the program has it on its own.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

namespace apptest {

class OleEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ::OleInitialize(nullptr); }
    void TearDown() override { ::OleUninitialize(); }
};

} // namespace apptest
