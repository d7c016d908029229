#pragma once
// The calibrator's answer to SIGINT, SIGTERM and SIGHUP: a run of the
// automatic calibration is stopped as Cancel stops it (the generator's output
// off first), one line on stderr says where, and the program then ends with
// the status a shell expects (1 when the output may still be on).
#include <functional>
#include <memory>

class QSocketNotifier;

class InterruptWatcher {
 public:
  // `end` is called once, with the exit status, when the program is to end.
  explicit InterruptWatcher(std::function<void(int status)> end);
  ~InterruptWatcher();
  InterruptWatcher(const InterruptWatcher&) = delete;
  InterruptWatcher& operator=(const InterruptWatcher&) = delete;

 private:
  void Signalled();

  std::function<void(int)> end_;
  std::unique_ptr<QSocketNotifier> notifier_;
  bool ending_ = false;
};
