// USBTMC: plain writes and reads on the device file, one message each.
#include <fcntl.h>
#include <linux/usb/tmc.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "instruments/transport.h"

namespace instruments {
namespace {

constexpr std::size_t kLongestAnswer = 1 << 16;

std::string SystemError(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

class DeviceFileTransport final : public Transport {
 public:
  DeviceFileTransport(int file, std::chrono::milliseconds timeout)
      : file_(file), timeoutMs_(static_cast<int>(timeout.count())) {
    // The USBTMC driver waits for an answer itself; anything else that stands
    // in for it (a terminal, a pipe) is waited on with poll.
    unsigned int driverTimeout = static_cast<unsigned int>(timeoutMs_);
    usbtmc_ = ioctl(file_, USBTMC_IOCTL_SET_TIMEOUT, &driverTimeout) == 0;
  }
  ~DeviceFileTransport() override { close(file_); }

  void Send(std::string_view line) override {
    const std::string message = std::string(line) + "\n";
    std::size_t written = 0;
    while (written < message.size()) {
      const ssize_t done = write(file_, message.data() + written, message.size() - written);
      if (done < 0 && errno == EINTR) continue;
      if (done <= 0) throw TransportError(SystemError("cannot write"));
      written += static_cast<std::size_t>(done);
    }
  }

  std::string ReceiveLine() override {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs_);
    std::size_t end;
    while ((end = pending_.find('\n')) == std::string::npos) {
      if (pending_.size() > kLongestAnswer || !WaitReadable(deadline)) throw NoAnswer();
      char buffer[4096];
      const ssize_t got = read(file_, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0 && errno == ETIMEDOUT) throw NoAnswer();
      if (got < 0) throw TransportError(SystemError("cannot read"));
      if (got == 0) throw TransportError("the device was closed");
      pending_.append(buffer, static_cast<std::size_t>(got));
      // A USBTMC read is one whole message, terminated or not.
      if (usbtmc_ && pending_.find('\n') == std::string::npos) pending_ += '\n';
    }
    std::string line = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }

 private:
  bool WaitReadable(std::chrono::steady_clock::time_point deadline) const {
    if (usbtmc_) return true;
    while (true) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd watched{file_, POLLIN, 0};
      const int ready = poll(&watched, 1, static_cast<int>(left.count()));
      if (ready > 0) return true;
      if (ready == 0 || errno != EINTR) return false;
    }
  }

  TransportError NoAnswer() const {
    return TransportError("no answer within " + std::to_string(timeoutMs_) + " ms");
  }

  int file_;
  int timeoutMs_;
  bool usbtmc_ = false;
  std::string pending_;
};

}  // namespace

std::unique_ptr<Transport> OpenDeviceFile(const std::string& path, std::chrono::milliseconds timeout) {
  const int file = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
  if (file < 0) throw TransportError(SystemError("cannot open"));
  return std::make_unique<DeviceFileTransport>(file, timeout);
}

}  // namespace instruments
