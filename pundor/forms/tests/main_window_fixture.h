#pragma once
// Test support for the windows: the real main window with the real drivers,
// the simulated receiver libraries and the real calibration library, and a
// scripted operator answering every box and dialog. Each test has its own
// folder, simulator state and (optionally) scenario.
#include <gtest/gtest.h>

#include <QString>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/U_mainform.h"
#include "forms/U_searchadform.h"
#include "forms/U_tableform.h"
#include "platform/dynamic_library.h"
#include "platform/scripted_operator.h"

// The control exports of one simulated library, reached through the same
// library instance its driver uses.
class SimulatorControl {
 public:
  explicit SimulatorControl(const char* libraryName);
  void SetGenerator(double levelDbm, int64_t hz);
  void SetPlugged(const std::string& id, bool plugged);
  void SetBusy(const std::string& id, bool busy);
  // The library's calls since the last look, and forgets them.
  std::vector<std::string> TakeCalls();

 private:
  std::unique_ptr<platform::DynamicLibrary> library_;
  int32_t (*setGenerator_)(double, int64_t) = nullptr;
  int32_t (*setPlugged_)(const char*, int32_t) = nullptr;
  int32_t (*setBusy_)(const char*, int32_t) = nullptr;
  int32_t (*callLog_)(char*, int32_t) = nullptr;
  void (*clearCallLog_)() = nullptr;
};

class MainWindowTest : public ::testing::Test {
 protected:
  // Rows of the default scenario's device list.
  static constexpr int kClassicA1Row = 0;  // Halv-A1b on PCI, 9 kHz .. 1.8 GHz
  static constexpr int kClassicB3Row = 1;  // Halv-B3 on Serial, 100 kHz .. 4 GHz
  static constexpr int kC1Row = 2;         // Halv-C1 on USB, serial C1004711
  static constexpr int kC4Row = 3;         // Halv-C4WM on PCI, serial C4000815

  void SetUp() override;
  void TearDown() override;

  // Before CreateWindow: replaces the simulators' default scenario.
  void UseScenario(const std::string& text);
  // Before CreateWindow: only these files are found beside the program, in
  // the folder returned.
  std::filesystem::path LoadOnlyFrom(const std::vector<std::string>& libraries);

  // Creates the windows as the program does and runs the first device search.
  void CreateWindow();
  void OpenReceiver(int row);
  void NewTable();
  // Opens `path` through the open-file dialog.
  void OpenTable(const QString& path);
  // A CAL file with these frequencies for the open receiver and `mode`, each
  // with levels -130 + raw / 2 dBm.
  QString WriteTable(const std::string& name, int32_t mode, const std::vector<int64_t>& frequencies);
  QString Path(const std::string& name) const;

  // The rows' column 0 texts of a grid.
  static std::vector<QString> Column(const class TStringGrid* grid, int col);
  // Processes events until `done` or `timeoutMs` has passed.
  static bool WaitUntil(const std::function<bool()>& done, int timeoutMs);
  // Runs `action` once a reconnect window is shown modally.
  static void WhenReconnectShown(std::function<void(class TReconnectForm*)> action);

  platform::ScriptedOperator op{[](const std::string& message) { ADD_FAILURE() << message; }};
  std::unique_ptr<TSearchADForm> search;
  std::unique_ptr<TTableForm> table;
  std::unique_ptr<TMainForm> form;

 private:
  std::filesystem::path folder_;
};
