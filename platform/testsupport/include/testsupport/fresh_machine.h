// A private, disposable machine for one test: a fresh state root folder
// (registry hives, user folders, named-object namespace) that child processes
// inherit through the environment, removed again when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

namespace testsupport {

class FreshMachine {
public:
    FreshMachine();
    ~FreshMachine();
    FreshMachine(const FreshMachine&) = delete;
    FreshMachine& operator=(const FreshMachine&) = delete;

    const std::filesystem::path& root() const { return root_; }

private:
    std::filesystem::path root_;
    std::string previousRoot_;
    bool hadPreviousRoot_ = false;
};

// Fixture base: every test of a derived fixture runs on its own machine.
class FreshMachineTest : public ::testing::Test {
protected:
    FreshMachine machine_;
};

}  // namespace testsupport
