#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace velko::gateway {

// A folder of the test's own for a call log at path_, removed after the test.
class LogFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ =
            std::filesystem::temp_directory_path() /
            ("velko-call-log-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
        path_ = (folder_ / "calls.db").string();
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path folder_;
    std::string path_;
};

}  // namespace velko::gateway
