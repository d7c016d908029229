#pragma once
// The signal generator's I/O on a thread of its own, so that a slow or silent
// generator never holds up the windows: jobs run one after another in the
// order posted, and each one's outcome comes back on the user-interface
// thread through the event queue of a window.
#include <QThread>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "instruments/signal_generator.h"

class QObject;

struct GeneratorOutcome {
  bool ok = false;
  std::string text;  // the answer, or the message naming generator and command
};

class GeneratorWorker {
 public:
  using Job = std::function<std::string(instruments::SignalGenerator&)>;
  using Done = std::function<void(const GeneratorOutcome&)>;

  GeneratorWorker();
  // Switches the output off if a run is still connected, then ends the thread.
  ~GeneratorWorker();
  GeneratorWorker(const GeneratorWorker&) = delete;
  GeneratorWorker& operator=(const GeneratorWorker&) = delete;

  // Connects (dropping a previous connection); the outcome's text is the
  // generator's answer to *IDN?.
  void Connect(const std::string& address, std::chrono::milliseconds timeout, QObject* context, Done done);
  // Runs `job` on the connected generator.
  void Run(Job job, QObject* context, Done done);
  // Switches the output off, over a new connection when the old one is
  // gone, and disconnects. Not ok when the output may still be on.
  void Finish(QObject* context, Done done);

 private:
  void Post(std::function<GeneratorOutcome()> work, QObject* context, Done done);
  GeneratorOutcome SwitchOffAndDisconnect();

  QThread thread_;
  QObject* receiver_;  // lives in thread_
  // Touched only on thread_.
  std::string address_;
  std::chrono::milliseconds timeout_{0};
  std::unique_ptr<instruments::SignalGenerator> generator_;
  std::optional<instruments::OutputOffGuard> guard_;
};
