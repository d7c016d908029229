#include "platform/interrupt.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>

namespace platform {
namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<int> received{0};
int pipeEnds[2] = {-1, -1};

void Record(int signal) {
  const int saved = errno;
  int none = 0;
  received.compare_exchange_strong(none, signal);
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(pipeEnds[1], &byte, 1);
  errno = saved;
}

}  // namespace

void CatchInterrupts() {
  static std::once_flag opened;
  std::call_once(opened, [] {
    if (pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) pipeEnds[0] = pipeEnds[1] = -1;
  });
  struct sigaction action {};
  action.sa_handler = Record;
  sigemptyset(&action.sa_mask);
  // Interrupted waits return early (EINTR), so the program notices soon.
  action.sa_flags = 0;
  for (const int signal : kStopSignals) sigaction(signal, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

void ReleaseInterrupts() {
  for (const int signal : kStopSignals) ::signal(signal, SIG_DFL);
}

int InterruptSignal() { return received.load(); }

int InterruptDescriptor() { return pipeEnds[0]; }

int InterruptExitStatus(int signal) { return 128 + signal; }

const char* SignalName(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    default:
      return "a signal";
  }
}

}  // namespace platform
