// The network transports, both through liblxi. liblxi says little about a
// failure: a refused raw connection is only found at the first exchange, and
// what went wrong is whatever errno its last system call left, read where it
// means something.
#include <fcntl.h>
#include <lxi.h>
#include <netdb.h>
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
  LxiTransport(int device, LanProtocol protocol, std::chrono::milliseconds timeout)
      : Transport(timeout), device_(device), protocol_(protocol) {}
  ~LxiTransport() override {
    LxiQuiet quiet;
    lxi_disconnect(device_);
  }

  void Send(std::string_view line) override {
    const std::string message = std::string(line) + "\n";
    SigpipeHeld held;
    LxiQuiet quiet;
    errno = 0;
    if (lxi_send(device_, message.data(), static_cast<int>(message.size()),
                 static_cast<int>(timeout_.count())) != static_cast<int>(message.size()))
      throw Lost(errno);
  }

 protected:
  std::size_t ReadSome(char* buffer, std::size_t size, Clock::time_point deadline) override {
    while (true) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return 0;
      LxiQuiet quiet;
      errno = 0;
      const int got = lxi_receive(device_, buffer, static_cast<int>(size), static_cast<int>(left));
      const int error = errno;
      if (got > 0) {
        answered_ = true;
        return static_cast<std::size_t>(got);
      }
      if (got == 0) throw Lost(error == ECONNREFUSED ? error : EPIPE);  // the end of the stream
      if (error == EINTR) continue;  // a signal; the caller looks at it after the exchange
      // Nothing set errno: the time-out passed. VXI-11's RPC layer leaves
      // errno from its own retries, so there only a lost connection counts.
      if (error == 0 || (protocol_ == LanProtocol::kVxi11 && !IsLoss(error))) return 0;
      throw Lost(error);
    }
  }
  bool WholeMessages() const override { return protocol_ == LanProtocol::kVxi11; }

 private:
  static bool IsLoss(int error) { return error == ECONNREFUSED || error == EPIPE || error == ECONNRESET; }

  TransportError Lost(int error) const {
    if (error == ECONNREFUSED) return TransportError("connection refused");
    // Until an answer came, a closed connection may be one never accepted.
    if (error == EPIPE || error == ECONNRESET)
      return TransportError(answered_ ? "the generator closed the connection"
                                      : "the generator refused or closed the connection");
    if (error == 0) return TransportError("the connection was lost");
    return TransportError("the connection failed: " + SystemReason(error));
  }

  int device_;
  LanProtocol protocol_;
  bool answered_ = false;
};

}  // namespace

std::unique_ptr<Transport> ConnectLan(const std::string& host, uint16_t port, LanProtocol protocol,
                                      const std::string& device, std::chrono::milliseconds timeout) {
  static std::once_flag initialised;
  std::call_once(initialised, [] { lxi_init(); });
  LxiQuiet quiet;
  errno = 0;
  h_errno = 0;
  const int handle =
      lxi_connect(host.c_str(), port, device.empty() ? nullptr : device.c_str(),
                  static_cast<int>(timeout.count()), protocol == LanProtocol::kVxi11 ? VXI11 : RAW);
  if (handle != LXI_ERROR) return std::make_unique<LxiTransport>(handle, protocol, timeout);
  const int error = errno;
  if (error != 0) throw TransportError("cannot connect: " + SystemReason(error));
  // Only the resolver sets h_errno; liblxi finds a raw socket's host with it.
  if (h_errno != 0) throw TransportError("cannot connect: host " + host + " not found");
  throw TransportError("cannot connect");
}

}  // namespace instruments
