#include "main_window_fixture.h"

#include <stdlib.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <fstream>

#include "forms/U_reconnectform.h"
#include "forms/calibration_library.h"
#include "tests/test_scope.h"
#include "widgets/stringgrid.h"

namespace {
constexpr const char* kScenarioVariable = "ORVANTA_SIM_SCENARIO";
constexpr const char* kStateVariable = "ORVANTA_SIM_STATE";

std::filesystem::path BinaryFolder() { return std::filesystem::read_symlink("/proc/self/exe").parent_path(); }
}  // namespace

SimulatorControl::SimulatorControl(const char* libraryName)
    : library_(platform::DynamicLibrary::Load(libraryName)) {
  if (!library_) throw std::runtime_error(std::string("cannot load ") + libraryName);
  const bool bound = library_->Bind(setGenerator_, "SimSetGenerator") &&
                     library_->Bind(setPlugged_, "SimSetPlugged") && library_->Bind(setBusy_, "SimSetBusy") &&
                     library_->Bind(callLog_, "SimCallLog") &&
                     library_->Bind(clearCallLog_, "SimClearCallLog");
  if (!bound) throw std::runtime_error(std::string("no control exports in ") + libraryName);
  clearCallLog_();
}

void SimulatorControl::SetGenerator(double levelDbm, int64_t hz) {
  ASSERT_EQ(setGenerator_(levelDbm, hz), 1);
}

void SimulatorControl::SetPlugged(const std::string& id, bool plugged) {
  ASSERT_EQ(setPlugged_(id.c_str(), plugged), 1);
}

void SimulatorControl::SetBusy(const std::string& id, bool busy) { ASSERT_EQ(setBusy_(id.c_str(), busy), 1); }

std::vector<std::string> SimulatorControl::TakeCalls() {
  std::string log(callLog_(nullptr, 0), '\0');
  callLog_(log.data(), static_cast<int32_t>(log.size()));
  clearCallLog_();
  if (!log.empty()) log.pop_back();
  std::vector<std::string> calls;
  for (std::size_t at = 0, end; at < log.size(); at = end + 1) {
    end = log.find('\n', at);
    if (end == std::string::npos) end = log.size();
    calls.push_back(log.substr(at, end - at));
  }
  return calls;
}

void MainWindowTest::SetUp() {
  std::string pattern = (std::filesystem::temp_directory_path() / "orvanta-forms-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  folder_ = pattern;
  setenv(kStateVariable, (folder_ / "state").c_str(), 1);
  // The program's own files stay in the test's folder.
  setenv("XDG_DATA_HOME", (folder_ / "data").c_str(), 1);
  unsetenv(kScenarioVariable);
}

void MainWindowTest::TearDown() {
  form.reset();
  table.reset();
  search.reset();
  MainForm = nullptr;
  TableForm = nullptr;
  SearchADForm = nullptr;
  platform::SetProgramFolder({});
  unsetenv(kScenarioVariable);
  unsetenv(kStateVariable);
  unsetenv("XDG_DATA_HOME");
  std::error_code error;
  std::filesystem::remove_all(folder_, error);
}

void MainWindowTest::UseScenario(const std::string& text) {
  const auto path = folder_ / "scenario";
  std::ofstream(path) << text;
  setenv(kScenarioVariable, path.c_str(), 1);
}

std::filesystem::path MainWindowTest::LoadOnlyFrom(const std::vector<std::string>& libraries) {
  const auto only = folder_ / "program";
  std::filesystem::create_directories(only);
  for (const std::string& library : libraries)
    std::filesystem::create_symlink(BinaryFolder() / library, only / library);
  platform::SetProgramFolder(only);
  return only;
}

void MainWindowTest::CreateWindow() {
  search = std::make_unique<TSearchADForm>();
  SearchADForm = search.get();
  table = std::make_unique<TTableForm>();
  TableForm = table.get();
  form = std::make_unique<TMainForm>();
  MainForm = form.get();
  form->FormShow();
}

void MainWindowTest::OpenReceiver(int row) {
  form->D->SetCurrent(0, row);
  form->BSelectClick();
  ASSERT_NE(form->OpenDriver, nullptr) << "row " << row;
}

void MainWindowTest::NewTable() {
  form->stSpeedButton3Click();
  ASSERT_TRUE(form->TableLoaded);
}

void MainWindowTest::OpenTable(const QString& path) {
  op.ChooseFile(path);
  form->stSpeedButton4Click();
}

QString MainWindowTest::WriteTable(const std::string& name, int32_t mode,
                                   const std::vector<int64_t>& frequencies) {
  const int32_t handle = calibration::LoadCALFile(nullptr);
  double levels[256];
  for (int raw = 0; raw < 256; ++raw) levels[raw] = -130.0 + raw * 0.5;
  for (const int64_t hz : frequencies)
    EXPECT_EQ(calibration::PutDBMs(handle, form->ReceiverName.c_str(), mode, hz, levels), CAL_OK);
  const QString path = Path(name);
  EXPECT_EQ(calibration::SaveCALFile(handle, path.toLocal8Bit().constData()), CAL_OK);
  calibration::Unload(handle);
  return path;
}

QString MainWindowTest::Path(const std::string& name) const {
  return QString::fromStdString((folder_ / name).string());
}

std::vector<QString> MainWindowTest::Column(const TStringGrid* grid, int col) {
  std::vector<QString> texts;
  for (int row = 0; row < grid->RowCount(); ++row) texts.push_back(grid->Cells(col, row));
  return texts;
}

bool MainWindowTest::WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
  return true;
}

void MainWindowTest::WhenReconnectShown(std::function<void(TReconnectForm*)> action) {
  auto* poll = new QTimer(TestScope());
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, action] {
    for (platform::Form* shown : platform::Form::ModalForms()) {
      if (auto* wait = dynamic_cast<TReconnectForm*>(shown)) {
        poll->stop();
        poll->deleteLater();
        action(wait);
        return;
      }
    }
  });
  poll->start();
}
