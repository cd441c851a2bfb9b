// Several processes writing and reading one hive at once.
#include "registry_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace {

using namespace registrytest;
using RegistryProcessTest = RegistryTest;

TEST_F(RegistryProcessTest, ConcurrentWritersLoseNoValueAndAReaderNeverSeesATornHive) {
    constexpr int kWriters = 4;
    constexpr int kValuesEach = 100;
    const std::string goFile = (machine_.root() / "go").string();
    const auto program = testsupport::SiblingProgram("registry_child");

    std::vector<std::unique_ptr<testsupport::ChildProcess>> writers;
    for (int i = 0; i < kWriters; ++i)
        writers.push_back(std::make_unique<testsupport::ChildProcess>(
            program,
            std::vector<std::string>{"write", "writer" + std::to_string(i), std::to_string(kValuesEach), goFile}));
    testsupport::ChildProcess reader(program, {"read", std::to_string(kWriters * kValuesEach), goFile});
    WriteFile(goFile, "go");  // all start together

    for (auto& writer : writers) EXPECT_EQ(writer->Wait(std::chrono::minutes(3)), 0);
    EXPECT_EQ(reader.Wait(std::chrono::minutes(3)), 0);

    HKEY key = nullptr;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, u"Software\\Stress", KEY_READ, key), ERROR_SUCCESS);
    DWORD subKeys = 0, values = 0;
    ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, static_cast<DWORD>(kWriters));
    EXPECT_EQ(values, static_cast<DWORD>(kWriters * kValuesEach));
    for (int w = 0; w < kWriters; ++w) {
        for (int i = 0; i < kValuesEach; ++i) {
            std::u16string name = winapi::ToUtf16("writer" + std::to_string(w) + "-" + std::to_string(i));
            EXPECT_EQ(Get(key, name.c_str()), std::make_pair(DWORD{REG_DWORD}, DwordBytes(static_cast<DWORD>(i))))
                << winapi::ToUtf8(name);
        }
    }
}

TEST_F(RegistryProcessTest, AWriterKilledAtAnyMomentLeavesAWholeHiveAndNoLock) {
    const auto program = testsupport::SiblingProgram("registry_child");
    constexpr int kRounds = 6;
    for (int round = 0; round < kRounds; ++round) {
        std::string prefix = "round" + std::to_string(round);
        testsupport::ChildProcess writer(program, {"endless", prefix});
        // Let it run a little past the value waited for, a different distance each round.
        ASSERT_TRUE(writer.WaitForLine("wrote " + std::to_string(10 + round)));
        writer.Kill();
        writer.Wait();

        HKEY key = nullptr;
        ASSERT_EQ(Open(HKEY_CURRENT_USER, u"Software\\Stress", KEY_READ | KEY_SET_VALUE, key), ERROR_SUCCESS) << prefix;
        for (int i = 0; i <= 10 + round; ++i) {
            std::u16string name = winapi::ToUtf16(prefix + "-" + std::to_string(i));
            EXPECT_EQ(Get(key, name.c_str()).second, DwordBytes(static_cast<DWORD>(i))) << winapi::ToUtf8(name);
        }
        // The dead writer's lock went with it.
        Set(key, u"After", REG_DWORD, DwordBytes(static_cast<DWORD>(round)));
    }
}

TEST_F(RegistryProcessTest, ThreadsOfOneProcessLoseNoValueEither) {
    constexpr int kThreads = 4;
    constexpr int kValuesEach = 40;
    HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Threads");
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([key, t] {
            for (int i = 0; i < kValuesEach; ++i) {
                std::u16string name = winapi::ToUtf16("t" + std::to_string(t) + "-" + std::to_string(i));
                Bytes data = DwordBytes(static_cast<DWORD>(i));
                EXPECT_EQ(RegSetValueExW(key, name.c_str(), 0, REG_DWORD, data.data(), 4), ERROR_SUCCESS);
                EXPECT_EQ(RegQueryValueExW(key, name.c_str(), nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, static_cast<DWORD>(kThreads * kValuesEach));
}

}  // namespace
