#pragma once
// How command lines reach a generator and its answers come back. Failures are
// TransportError with a plain description; the generator adds its name and
// the command.
#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace instruments {

class TransportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Transport {
 public:
  virtual ~Transport() = default;
  virtual void Send(std::string_view line) = 0;  // adds the terminator
  virtual std::string ReceiveLine() = 0;         // without its terminator
};

enum class LanProtocol { kRawSocket, kVxi11 };
// `device` is the VXI-11 device name (inst0 when empty); unused for a raw socket.
std::unique_ptr<Transport> ConnectLan(const std::string& host, uint16_t port, LanProtocol protocol,
                                      const std::string& device, std::chrono::milliseconds timeout);
// A USBTMC device file, or anything else that reads and writes like one.
std::unique_ptr<Transport> OpenDeviceFile(const std::string& path, std::chrono::milliseconds timeout);

}  // namespace instruments
