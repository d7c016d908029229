#pragma once
// How command lines reach a generator and its answers come back. Failures are
// TransportError with a plain description; the generator adds its name and
// the command.
#include <chrono>
#include <cstddef>
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

// The longest answer taken; a longer one is an error, not a wait.
inline constexpr std::size_t kLongestAnswer = 1 << 16;

class Transport {
 public:
  using Clock = std::chrono::steady_clock;

  virtual ~Transport() = default;
  virtual void Send(std::string_view line) = 0;  // adds the terminator
  // One answer without its terminator, within one time-out.
  std::string ReceiveLine();

 protected:
  explicit Transport(std::chrono::milliseconds timeout) : timeout_(timeout) {}
  // Some bytes of the answer into `buffer`, or 0 when none came by
  // `deadline`. Raises TransportError when the connection fails.
  virtual std::size_t ReadSome(char* buffer, std::size_t size, Clock::time_point deadline) = 0;
  // VXI-11 and USBTMC deliver one whole message per read, terminated or not.
  virtual bool WholeMessages() const { return false; }
  TransportError NoAnswer() const;

  std::chrono::milliseconds timeout_;

 private:
  std::string pending_;
};

// `text` with every byte that is not printable ASCII written as \xNN, so that
// a message shows all of an answer (a NUL included).
std::string Escaped(std::string_view text);
// What the system says about `error`, in lower case: "connection refused".
std::string SystemReason(int error);

// A raw TCP socket (as laboratory generators serve SCPI on port 5025) or
// VXI-11, both through liblxi. `device` is the VXI-11 device name (inst0 when
// empty); `port` is the raw socket's.
enum class LanProtocol { kRawSocket, kVxi11 };
std::unique_ptr<Transport> ConnectLan(const std::string& host, uint16_t port, LanProtocol protocol,
                                      const std::string& device, std::chrono::milliseconds timeout);
// A USBTMC device file, or anything else that reads and writes like one.
std::unique_ptr<Transport> OpenDeviceFile(const std::string& path, std::chrono::milliseconds timeout);

}  // namespace instruments
