#include "forms/autocal_files.h"

#include <QDateTime>
#include <QStandardPaths>
#include <cstring>
#include <fstream>
#include <system_error>

#include "autocal/step_log.h"
#include "forms/calibration_library.h"
#include "platform/error.h"

namespace fs = std::filesystem;

namespace {

fs::path WithSuffix(fs::path stem, const char* suffix) { return stem += suffix; }

[[noreturn]] void Fail(const fs::path& file, const std::string& reason) {
  throw platform::Error("Cannot write " + file.string() + ": " + reason);
}

std::string LibraryReason(int32_t code) {
  const char* text = LibraryErrorText(code);
  return text ? text : "error " + std::to_string(code);
}

}  // namespace

fs::path SpareAutoCalFolder() {
  return fs::path(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation).toStdString()) /
         "unsaved";
}

AutoCalFiles::AutoCalFiles(fs::path spareFolder) : spareFolder_(std::move(spareFolder)) {}

void AutoCalFiles::UseTable(const std::string& calFile) {
  if (bound_) return;
  bound_ = true;
  const fs::path path(calFile);
  cal_ = path.is_absolute() ? path : fs::path();
  stem_ = Named() ? fs::path() : SpareStem();
  log_ = Named() ? autocal::StepLogPath(cal_) : WithSuffix(stem_, ".steps.csv");
  recovery_.clear();
}

fs::path AutoCalFiles::SpareStem() const {
  const std::string stamp =
      QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")).toStdString();
  for (int n = 1;; ++n) {
    std::string name = "New-" + stamp;
    if (n > 1) name.append("-").append(std::to_string(n));
    const fs::path stem = spareFolder_ / name;
    if (!fs::exists(WithSuffix(stem, ".steps.csv")) && !fs::exists(WithSuffix(stem, ".recovery.cal")))
      return stem;
  }
}

fs::path AutoCalFiles::LogPath() {
  if (!Named()) {
    std::error_code error;
    fs::create_directories(spareFolder_, error);
    if (error) Fail(spareFolder_, error.message());
  }
  return log_;
}

fs::path AutoCalFiles::FreshRecoveryPath() const {
  if (!Named()) return WithSuffix(stem_, ".recovery.cal");
  // One left from an earlier table is the operator's to keep.
  const fs::path stem = cal_.parent_path() / cal_.stem();
  for (int n = 1;; ++n) {
    const fs::path path = WithSuffix(stem, n > 1 ? (".recovery-" + std::to_string(n) + ".cal").c_str()
                                                 : ".recovery.cal");
    if (!fs::exists(path)) return path;
  }
}

void AutoCalFiles::KeepColumn(const std::string& receiver, int32_t mode, int64_t hz, const double* levels) {
  const fs::path path = recovery_.empty() ? FreshRecoveryPath() : recovery_;
  if (!Named()) LogPath();  // makes the spare folder
  const int32_t handle = calibration::LoadCALFile(recovery_.empty() ? nullptr : path.c_str());
  if (handle < 0) Fail(path, LibraryReason(handle));
  int32_t result = calibration::PutDBMs(handle, receiver.c_str(), mode, hz, levels);
  if (result == CAL_OK) result = calibration::SaveCALFile(handle, path.c_str());
  calibration::Unload(handle);
  if (result != CAL_OK) Fail(path, LibraryReason(result));
  recovery_ = path;
}

void AutoCalFiles::Saved(const std::string& calFile) {
  std::error_code ignored;
  if (!recovery_.empty()) fs::remove(recovery_, ignored);
  recovery_.clear();
  const fs::path spareLog = Named() ? fs::path() : log_;
  cal_ = fs::path(calFile);
  bound_ = true;
  log_ = autocal::StepLogPath(cal_);
  if (spareLog.empty() || !fs::exists(spareLog)) return;
  std::ifstream from(spareLog, std::ios::binary);
  std::ofstream to(log_, std::ios::binary | std::ios::app);
  to << from.rdbuf();
  to.close();
  // Left where it was when it could not join the table's log.
  if (to) fs::remove(spareLog, ignored);
}

fs::path AutoCalFiles::Released() {
  fs::path kept = recovery_;
  bound_ = false;
  cal_.clear();
  stem_.clear();
  log_.clear();
  recovery_.clear();
  return kept;
}
