// The network transports, both through liblxi.
#include <lxi.h>
#include <signal.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "instruments/transport.h"

namespace instruments {
namespace {

constexpr std::size_t kLongestAnswer = 1 << 16;

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
      : device_(device), protocol_(protocol), timeoutMs_(static_cast<int>(timeout.count())) {}
  ~LxiTransport() override { lxi_disconnect(device_); }

  void Send(std::string_view line) override {
    const std::string message = std::string(line) + "\n";
    SigpipeHeld held;
    if (lxi_send(device_, message.data(), static_cast<int>(message.size()), timeoutMs_) !=
        static_cast<int>(message.size()))
      throw TransportError("the connection was lost");
  }

  std::string ReceiveLine() override {
    // VXI-11 delivers whole messages; a raw socket a stream, read up to the
    // end of the line.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs_);
    std::size_t end;
    while ((end = pending_.find('\n')) == std::string::npos) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0 || pending_.size() > kLongestAnswer) throw NoAnswer();
      char buffer[4096];
      const int got = lxi_receive(device_, buffer, sizeof buffer, static_cast<int>(left.count()));
      if (got == 0) throw TransportError("the connection was closed");
      if (got < 0) throw NoAnswer();
      pending_.append(buffer, got);
      if (protocol_ == LanProtocol::kVxi11 && pending_.find('\n') == std::string::npos) pending_ += '\n';
    }
    std::string line = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }

 private:
  TransportError NoAnswer() const {
    return TransportError("no answer within " + std::to_string(timeoutMs_) +
                          " ms, or the connection was lost");
  }

  int device_;
  LanProtocol protocol_;
  int timeoutMs_;
  std::string pending_;
};

}  // namespace

std::unique_ptr<Transport> ConnectLan(const std::string& host, uint16_t port, LanProtocol protocol,
                                      const std::string& device, std::chrono::milliseconds timeout) {
  static std::once_flag initialised;
  std::call_once(initialised, [] { lxi_init(); });
  errno = 0;
  const int handle =
      lxi_connect(host.c_str(), port, device.empty() ? nullptr : device.c_str(),
                  static_cast<int>(timeout.count()), protocol == LanProtocol::kVxi11 ? VXI11 : RAW);
  if (handle == LXI_ERROR) {
    const int error = errno;
    throw TransportError(std::string("cannot connect") +
                         (error ? std::string(": ") + std::strerror(error) : ""));
  }
  return std::make_unique<LxiTransport>(handle, protocol, timeout);
}

}  // namespace instruments
