#include "simulated_receivers.h"

#include <stdlib.h>

#include <fstream>

namespace {
constexpr const char* kScenarioVariable = "ORVANTA_SIM_SCENARIO";
constexpr const char* kStateVariable = "ORVANTA_SIM_STATE";
}  // namespace

SimControl::SimControl(const char* libraryName) : library_(platform::DynamicLibrary::Load(libraryName)) {
  if (!library_) throw std::runtime_error(std::string("cannot load ") + libraryName);
  const bool bound = library_->Bind(setGenerator_, "SimSetGenerator") &&
                     library_->Bind(setPlugged_, "SimSetPlugged") && library_->Bind(setBusy_, "SimSetBusy") &&
                     library_->Bind(setFailing_, "SimSetFailing") && library_->Bind(callLog_, "SimCallLog") &&
                     library_->Bind(clearCallLog_, "SimClearCallLog");
  if (!bound) throw std::runtime_error(std::string("no control exports in ") + libraryName);
  setFailing_(nullptr, 0);
  clearCallLog_();
}

void SimControl::SetGenerator(double levelDbm, int64_t hz) { ASSERT_EQ(setGenerator_(levelDbm, hz), 1); }
void SimControl::SetPlugged(const std::string& id, bool plugged) {
  ASSERT_EQ(setPlugged_(id.c_str(), plugged), 1);
}
void SimControl::SetBusy(const std::string& id, bool busy) { ASSERT_EQ(setBusy_(id.c_str(), busy), 1); }
void SimControl::SetFailing(const char* function, bool failing) { setFailing_(function, failing); }

std::vector<std::string> SimControl::TakeCalls() {
  std::string log(callLog_(nullptr, 0), '\0');
  callLog_(log.data(), static_cast<int32_t>(log.size()));
  clearCallLog_();
  log.pop_back();
  std::vector<std::string> calls;
  for (std::size_t at = 0, end; at < log.size(); at = end + 1) {
    end = log.find('\n', at);
    calls.push_back(log.substr(at, end - at));
  }
  return calls;
}

void SimulatedReceivers::SetUp() {
  std::string pattern = (std::filesystem::temp_directory_path() / "orvanta-receivers-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  folder_ = pattern;
  setenv(kStateVariable, (folder_ / "state").c_str(), 1);
  unsetenv(kScenarioVariable);
}

void SimulatedReceivers::TearDown() {
  platform::SetProgramFolder({});
  unsetenv(kScenarioVariable);
  unsetenv(kStateVariable);
  std::error_code error;
  std::filesystem::remove_all(folder_, error);
}

void SimulatedReceivers::UseScenario(const std::string& text) {
  const auto path = folder_ / "scenario";
  std::ofstream(path) << text;
  setenv(kScenarioVariable, path.c_str(), 1);
}

std::filesystem::path SimulatedReceivers::LoadOnlyFrom(const std::string& name) {
  const auto folder = folder_ / name;
  std::filesystem::create_directories(folder);
  platform::SetProgramFolder(folder);
  return folder;
}

std::filesystem::path BinaryFolder() { return std::filesystem::read_symlink("/proc/self/exe").parent_path(); }
