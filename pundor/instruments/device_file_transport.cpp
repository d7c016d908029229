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

std::string SystemError(const char* what) { return std::string(what) + ": " + SystemReason(errno); }

class DeviceFileTransport final : public Transport {
 public:
  DeviceFileTransport(int file, std::chrono::milliseconds timeout) : Transport(timeout), file_(file) {
    // The USBTMC driver waits for an answer itself; anything else that stands
    // in for it (a terminal, a pipe) is waited on with poll.
    unsigned int driverTimeout = static_cast<unsigned int>(timeout.count());
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

 protected:
  std::size_t ReadSome(char* buffer, std::size_t size, Clock::time_point deadline) override {
    while (WaitReadable(deadline)) {
      const ssize_t got = read(file_, buffer, size);
      if (got > 0) return static_cast<std::size_t>(got);
      if (got == 0) throw TransportError("the device was closed");
      if (errno == ETIMEDOUT) return 0;
      if (errno != EINTR) throw TransportError(SystemError("cannot read"));
    }
    return 0;
  }
  bool WholeMessages() const override { return usbtmc_; }

 private:
  bool WaitReadable(Clock::time_point deadline) const {
    if (usbtmc_) return true;
    while (true) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return false;
      pollfd watched{file_, POLLIN, 0};
      const int ready = poll(&watched, 1, static_cast<int>(left.count()));
      if (ready > 0) return true;
      if (ready == 0 || errno != EINTR) return false;
    }
  }

  int file_;
  bool usbtmc_ = false;
};

}  // namespace

std::unique_ptr<Transport> OpenDeviceFile(const std::string& path, std::chrono::milliseconds timeout) {
  const int file = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
  if (file < 0) throw TransportError(SystemError("cannot open"));
  return std::make_unique<DeviceFileTransport>(file, timeout);
}

}  // namespace instruments
