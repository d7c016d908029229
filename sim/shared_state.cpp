#include "sim/shared_state.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "sim/scenario.h"

namespace sim {
namespace {

std::string FormatNumber(double value) {
  char text[32];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value);
  return error == std::errc() ? std::string(text, end) : "0";
}

bool ParseInteger(std::string_view text, int64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

void ParseLine(const std::vector<std::string_view>& words, SharedState& state) {
  if (words.size() == 2 && words[0] == "level") {
    ParseNumber(words[1], state.levelDbm);
  } else if (words.size() == 2 && words[0] == "frequency") {
    if (words[1] == "tracking")
      state.generatorHz = kTrackingGenerator;
    else
      ParseFrequency(words[1], state.generatorHz);
  } else if (words.size() == 2 && words[0] == "output") {
    state.outputOn = words[1] != "off";
  } else if (words.size() == 2 && words[0] == "previous") {
    if (words[1] == "off")
      state.previousDbm = kNoSignal;
    else
      ParseNumber(words[1], state.previousDbm);
  } else if (words.size() == 2 && words[0] == "changed-at") {
    ParseInteger(words[1], state.changedAtNs);
  } else if (words.size() == 2 && words[0] == "settle-ms") {
    int64_t ms = 0;
    if (ParseInteger(words[1], ms) && ms >= 0 && ms <= INT32_MAX) state.settleMs = static_cast<int32_t>(ms);
  } else if (words.size() == 2 && words[0] == "unplugged") {
    state.unplugged.emplace(words[1]);
  } else if (words.size() == 2 && words[0] == "busy") {
    state.busy.emplace(words[1]);
  } else if (words.size() == 3 && words[0] == "unplug-count") {
    double count = 0;
    if (ParseNumber(words[2], count)) state.unplugCounts[std::string(words[1])] = static_cast<int>(count);
  }
}

}  // namespace

void SharedState::SetPlugged(const std::string& id, bool plugged) {
  if (plugged) {
    unplugged.erase(id);
  } else if (unplugged.insert(id).second) {
    ++unplugCounts[id];
  }
}

void SharedState::ChangeSignal(double dbm, bool on, int64_t nowNs) {
  previousDbm = SignalDbm(nowNs);
  changedAtNs = nowNs;
  levelDbm = dbm;
  outputOn = on;
}

double SharedState::SignalDbm(int64_t nowNs) const {
  // A change stamped in the future came from before a restart of the clock.
  const int64_t since = nowNs - changedAtNs;
  const bool settling = since >= 0 && since < int64_t{settleMs} * 1'000'000;
  if (settling) return previousDbm;
  return outputOn ? levelDbm : kNoSignal;
}

int64_t SteadyNowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string FormatState(const SharedState& state) {
  std::string text = "level " + FormatNumber(state.levelDbm) + "\n";
  text += std::string("output ") + (state.outputOn ? "on" : "off") + "\n";
  text += "previous " +
          (std::isinf(state.previousDbm) ? std::string("off") : FormatNumber(state.previousDbm)) + "\n";
  text += "changed-at " + std::to_string(state.changedAtNs) + "\n";
  text += "settle-ms " + std::to_string(state.settleMs) + "\n";
  text += "frequency " +
          (state.generatorHz == kTrackingGenerator ? std::string("tracking")
                                                   : std::to_string(state.generatorHz)) +
          "\n";
  for (const auto& id : state.unplugged) text += "unplugged " + id + "\n";
  for (const auto& id : state.busy) text += "busy " + id + "\n";
  for (const auto& [id, count] : state.unplugCounts)
    text += "unplug-count " + id + " " + std::to_string(count) + "\n";
  return text;
}

SharedState ParseState(std::string_view text) {
  SharedState state;
  while (!text.empty()) {
    const auto newline = text.find('\n');
    ParseLine(Words(text.substr(0, newline)), state);
    text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
  }
  return state;
}

std::filesystem::path StatePath() {
  if (const char* path = std::getenv(kStateVariable); path && *path) return path;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    std::error_code error;
    if (std::filesystem::is_directory(runtime, error))
      return std::filesystem::path(runtime) / "orvanta-sim.state";
  }
  std::error_code error;
  auto temp = std::filesystem::temp_directory_path(error);
  if (error) temp = "/tmp";
  return temp / ("orvanta-sim-" + std::to_string(getuid()) + ".state");
}

SharedState LoadState(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return SharedState();
  std::ostringstream text;
  text << file.rdbuf();
  return ParseState(text.str());
}

bool SaveState(const SharedState& state, const std::filesystem::path& path) {
  std::error_code error;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), error);
  const auto temporary = path.string() + "." + std::to_string(getpid()) + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!(file << FormatState(state)) || !file.flush()) return false;
  }
  std::filesystem::rename(temporary, path, error);
  if (error) std::filesystem::remove(temporary, error);
  return !error;
}

namespace {

// Serialises load-change-save between processes, so that the generator
// server writing a level at the same moment cannot undo an unplug. Without a
// lock file the change still goes ahead, unserialised.
class UpdateLock {
 public:
  explicit UpdateLock(const std::filesystem::path& statePath)
      : descriptor_(open((statePath.string() + ".update.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (descriptor_ >= 0) flock(descriptor_, LOCK_EX);
  }
  UpdateLock(const UpdateLock&) = delete;
  UpdateLock& operator=(const UpdateLock&) = delete;
  ~UpdateLock() {
    if (descriptor_ >= 0) close(descriptor_);
  }

 private:
  int descriptor_;
};

}  // namespace

bool UpdateState(const std::filesystem::path& path, const std::function<void(SharedState&)>& change) {
  const UpdateLock lock(path);
  SharedState state = LoadState(path);
  change(state);
  return SaveState(state, path);
}

bool FileWatch::Signature::operator==(const Signature& other) const {
  return exists == other.exists && device == other.device && inode == other.inode && size == other.size &&
         modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
         changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
}

bool FileWatch::Changed(const std::string& path) {
  Signature now;
  struct stat info {};
  if (!path.empty() && stat(path.c_str(), &info) == 0) {
    now.exists = true;
    now.device = info.st_dev;
    now.inode = info.st_ino;
    now.size = info.st_size;
    now.modified = info.st_mtim;
    now.changed = info.st_ctim;
  }
  const bool changed = !seen_ || path != path_ || !(now == last_);
  seen_ = true;
  path_ = path;
  last_ = now;
  return changed;
}

std::optional<ReceiverLock> ReceiverLock::Take(const std::filesystem::path& statePath,
                                               const std::string& id) {
  const std::string path = statePath.string() + "." + id + ".lock";
  const int descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (descriptor < 0) return ReceiverLock(-1);
  if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    close(descriptor);
    return std::nullopt;
  }
  return ReceiverLock(descriptor);
}

ReceiverLock& ReceiverLock::operator=(ReceiverLock&& other) noexcept {
  std::swap(descriptor_, other.descriptor_);
  return *this;
}

ReceiverLock::~ReceiverLock() {
  if (descriptor_ >= 0) close(descriptor_);
}

}  // namespace sim
