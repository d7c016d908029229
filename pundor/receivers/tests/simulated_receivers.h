#pragma once
// Test support: the real drivers against the simulated receiver libraries,
// with a scenario and a shared state of the test's own.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/dynamic_library.h"

// The control exports of one simulated library, loaded from where the driver
// loads it (so both see the same library instance).
class SimControl {
 public:
  explicit SimControl(const char* libraryName);

  void SetGenerator(double levelDbm, int64_t hz);
  void SetPlugged(const std::string& id, bool plugged);
  void SetBusy(const std::string& id, bool busy);
  void SetFailing(const char* function, bool failing);
  // The library's calls since the last look, one per line, and forgets them.
  std::vector<std::string> TakeCalls();

 private:
  std::unique_ptr<platform::DynamicLibrary> library_;
  int32_t (*setGenerator_)(double, int64_t) = nullptr;
  int32_t (*setPlugged_)(const char*, int32_t) = nullptr;
  int32_t (*setBusy_)(const char*, int32_t) = nullptr;
  void (*setFailing_)(const char*, int32_t) = nullptr;
  int32_t (*callLog_)(char*, int32_t) = nullptr;
  void (*clearCallLog_)() = nullptr;
};

class SimulatedReceivers : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Replaces the built-in default scenario.
  void UseScenario(const std::string& text);
  // A folder of the test's own from which alone libraries are loaded.
  std::filesystem::path LoadOnlyFrom(const std::string& name);
  std::filesystem::path Folder() const { return folder_; }

 private:
  std::filesystem::path folder_;
};

// The folder the test program and the simulated libraries live in.
std::filesystem::path BinaryFolder();
