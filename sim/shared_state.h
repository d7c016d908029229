#pragma once
// What every simulated library and the control tool share: the signal
// generator, and which receivers are unplugged or held by another program.
// It lives in a small text file, so that all libraries of one process and the
// tool in another give the same picture.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "sim/smeter.h"

namespace sim {

struct SharedState {
  double levelDbm = -60.0;
  int64_t generatorHz = kTrackingGenerator;
  bool outputOn = true;
  // A generator takes a while to settle after a change: until `settleMs` after
  // `changedAtNs` (steady clock, the same for every process) the receivers
  // still see the previous signal.
  double previousDbm = -60.0;  // kNoSignal when the output was off
  int64_t changedAtNs = 0;
  int32_t settleMs = 0;
  std::set<std::string> unplugged;  // receiver ids
  std::set<std::string> busy;       // receiver ids held by another program
  // How often each receiver has been unplugged: a device opened before an
  // unplug stays lost even when it is plugged back before the next call.
  std::map<std::string, int> unplugCounts;

  void SetPlugged(const std::string& id, bool plugged);
  // A new level or output state, at `nowNs`; what the receivers saw until now
  // becomes the previous signal.
  void ChangeSignal(double dbm, bool on, int64_t nowNs);
  // The generator level the receivers see at `nowNs`, kNoSignal for none.
  double SignalDbm(int64_t nowNs) const;
  bool operator==(const SharedState&) const = default;
};

// The steady clock in nanoseconds, comparable between processes.
int64_t SteadyNowNs();

std::string FormatState(const SharedState& state);
// Unknown or malformed lines are skipped.
SharedState ParseState(std::string_view text);

inline constexpr const char* kStateVariable = "ORVANTA_SIM_STATE";
// ORVANTA_SIM_STATE, else orvanta-sim.state in the user's runtime folder,
// else orvanta-sim-<uid>.state in the temporary folder.
std::filesystem::path StatePath();

// A missing or unreadable file is the initial state.
SharedState LoadState(const std::filesystem::path& path);
// Written whole and renamed into place, so that readers never see half a file.
bool SaveState(const SharedState& state, const std::filesystem::path& path);
// Load, change, save: one process at a time, so that no change is lost.
bool UpdateState(const std::filesystem::path& path, const std::function<void(SharedState&)>& change);

// Tells cheaply (one stat) whether a file has changed since the last look.
class FileWatch {
 public:
  // True on the first look, and whenever the file appeared, vanished or was
  // rewritten since.
  bool Changed(const std::string& path);

 private:
  struct Signature {
    bool exists = false;
    uint64_t device = 0, inode = 0;
    int64_t size = 0;
    timespec modified{}, changed{};
    bool operator==(const Signature& other) const;
  };
  bool seen_ = false;
  std::string path_;
  Signature last_;
};

// Holds a receiver for this process, as the maker's libraries do: while it is
// held, an open in another process (or through another library instance)
// fails. The lock file lies beside the state file; released on destruction.
class ReceiverLock {
 public:
  // Nothing when the receiver is held elsewhere. A lock file that cannot be
  // made gives a lock that holds nothing rather than a receiver that never
  // opens.
  static std::optional<ReceiverLock> Take(const std::filesystem::path& statePath, const std::string& id);

  ReceiverLock(ReceiverLock&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
  ReceiverLock& operator=(ReceiverLock&& other) noexcept;
  ~ReceiverLock();

 private:
  explicit ReceiverLock(int descriptor) : descriptor_(descriptor) {}
  int descriptor_;
};

}  // namespace sim
