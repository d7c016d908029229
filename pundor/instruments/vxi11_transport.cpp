// VXI-11 through liblxi.
#include <fcntl.h>
#include <lxi.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "instruments/transport.h"

namespace instruments {
namespace {

// liblxi prints its own "Error: ..." lines on stderr; the program reports
// each failure once, in its own words, so stderr points elsewhere while
// liblxi runs. One call at a time, so that the real stderr always comes back.
class LxiQuiet {
 public:
  LxiQuiet() : lock_(mutex_), saved_(dup(STDERR_FILENO)) {
    const int nothing = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nothing >= 0) {
      dup2(nothing, STDERR_FILENO);
      close(nothing);
    }
  }
  ~LxiQuiet() {
    if (saved_ < 0) return;
    dup2(saved_, STDERR_FILENO);
    close(saved_);
  }

 private:
  static inline std::mutex mutex_;
  std::lock_guard<std::mutex> lock_;
  int saved_;
};

// A peer that has closed its end makes a write raise SIGPIPE, which would end
// the program; this thread holds it back for the write and swallows it.
class SigpipeHeld {
 public:
  SigpipeHeld() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_, &previous_);
  }
  ~SigpipeHeld() {
    sigset_t pending;
    sigpending(&pending);
    if (sigismember(&pending, SIGPIPE)) {
      const timespec now{0, 0};
      sigtimedwait(&pipe_, nullptr, &now);
    }
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }

 private:
  sigset_t pipe_, previous_;
};

class LxiTransport final : public Transport {
 public:
  LxiTransport(int device, std::chrono::milliseconds timeout) : Transport(timeout), device_(device) {}
  ~LxiTransport() override {
    LxiQuiet quiet;
    lxi_disconnect(device_);
  }

  void Send(std::string_view line) override {
    const std::string message = std::string(line) + "\n";
    SigpipeHeld held;
    LxiQuiet quiet;
    if (lxi_send(device_, message.data(), static_cast<int>(message.size()),
                 static_cast<int>(timeout_.count())) != static_cast<int>(message.size()))
      throw TransportError("the connection was lost");
  }

 protected:
  std::size_t ReadSome(char* buffer, std::size_t size, Clock::time_point deadline) override {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return 0;
    LxiQuiet quiet;
    const int got = lxi_receive(device_, buffer, static_cast<int>(size), static_cast<int>(left));
    if (got == 0) throw TransportError("the generator closed the connection");
    return got < 0 ? 0 : static_cast<std::size_t>(got);
  }
  bool WholeMessages() const override { return true; }

 private:
  int device_;
};

}  // namespace

std::unique_ptr<Transport> ConnectVxi11(const std::string& host, const std::string& device,
                                        std::chrono::milliseconds timeout) {
  static std::once_flag initialised;
  std::call_once(initialised, [] { lxi_init(); });
  LxiQuiet quiet;
  errno = 0;
  const int handle = lxi_connect(host.c_str(), 0, device.empty() ? nullptr : device.c_str(),
                                 static_cast<int>(timeout.count()), VXI11);
  if (handle == LXI_ERROR) {
    const int error = errno;
    throw TransportError(std::string("cannot connect") + (error ? ": " + SystemReason(error) : ""));
  }
  return std::make_unique<LxiTransport>(handle, timeout);
}

}  // namespace instruments
