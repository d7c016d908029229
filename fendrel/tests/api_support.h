#pragma once
// Shared pieces for the tests of the exports.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "fendrel.h"

namespace fendrel_test {

using Column = std::array<double, 256>;

inline Column columnOf(double level) {
  Column column;
  column.fill(level);
  return column;
}

// Every open table is closed at the end of a test, so that each test starts
// from handle 0.
class ApiTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (int32_t handle = 0; handle < 64; ++handle) Unload(handle);
  }

  static CalibratedStrength strengthFor(uint8_t raw) {
    CalibratedStrength strength{};
    strength.Size = sizeof strength;
    strength.RawValue = raw;
    return strength;
  }

  // The level GetCS gives, or NaN when it fails.
  static double levelOf(int32_t handle, const char* name, int32_t mode, int64_t frequency, uint8_t raw) {
    CalibratedStrength strength = strengthFor(raw);
    return GetCS(handle, name, mode, frequency, &strength) == CAL_OK ? strength.DBm : std::nan("");
  }
};

// A fresh folder for the files of one test.
class FileTest : public ApiTest {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("fendrel-test-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override {
    ApiTest::TearDown();
    std::filesystem::remove_all(folder_);
  }

  std::string path(const std::string& name) const { return (folder_ / name).string(); }

  std::string write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
    return path(name);
  }

  std::string contents(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  std::filesystem::path folder_;
};

}  // namespace fendrel_test
