#include "forms/interrupt_watcher.h"

#include <unistd.h>

#include <QSocketNotifier>
#include <iostream>

#include "forms/U_autocalform.h"
#include "platform/interrupt.h"

InterruptWatcher::InterruptWatcher(std::function<void(int status)> end) : end_(std::move(end)) {
  platform::CatchInterrupts();
  if (platform::InterruptDescriptor() < 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(platform::InterruptDescriptor(), QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Signalled(); });
}

InterruptWatcher::~InterruptWatcher() {
  notifier_.reset();
  platform::ReleaseInterrupts();
}

void InterruptWatcher::Signalled() {
  char bytes[16];
  while (read(platform::InterruptDescriptor(), bytes, sizeof bytes) > 0) continue;
  if (ending_) return;  // a second signal while the output goes off changes nothing
  ending_ = true;
  const int signal = platform::InterruptSignal();
  const int status = platform::InterruptExitStatus(signal);
  if (!AutoCalForm || !AutoCalForm->Running()) return end_(status);
  AutoCalForm->Interrupt(signal, [this, status](const std::string& line, bool outputOff) {
    std::cerr << "pundor: " << line << std::endl;
    end_(outputOff ? status : 1);
  });
}
