#include "instruments/signal_generator.h"

#include <charconv>
#include <cmath>
#include <string>
#include <utility>

#include "instruments/transport.h"

namespace instruments {
namespace {

constexpr uint16_t kRawSocketPort = 5025;

[[noreturn]] void FailToConnect(const std::string& address, const std::string& what) {
  throw GeneratorError("Signal generator " + address + ": " + what);
}

std::string Fill(std::string_view pattern, std::string_view value) {
  std::string text(pattern);
  if (const auto at = text.find("{}"); at != std::string::npos) text.replace(at, 2, value);
  return text;
}

std::string Decimal(double value) {
  char text[64];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
  return error == std::errc() ? std::string(text, end) : std::string("0");
}

std::string Trim(std::string text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// An entry of the error queue; "" for "0,"No error"" or "+0,...".
std::string NoErrorAsEmpty(const std::string& reply) {
  const std::string entry = Trim(reply);
  int code = -1;
  const char* begin = entry.data() + (entry.starts_with('+') ? 1 : 0);
  const auto [end, error] = std::from_chars(begin, entry.data() + entry.size(), code);
  const bool none = error == std::errc() && code == 0 && (end == entry.data() + entry.size() || *end == ',');
  return none ? "" : entry;
}

class ScpiGenerator final : public SignalGenerator {
 public:
  ScpiGenerator(std::string address, std::unique_ptr<Transport> transport, const Dialect& dialect)
      : address_(std::move(address)), transport_(std::move(transport)), dialect_(dialect) {
    // A refused connection shows only when the first command goes out.
    if (dialect_.clear.empty()) return;
    try {
      transport_->Send(dialect_.clear);
    } catch (const TransportError& error) {
      FailToConnect(address_, std::string("cannot connect: ") + error.what());
    }
  }

  const std::string& Address() const override { return address_; }

  std::string Identify() override {
    identity_ = Escaped(Trim(Query(std::string(dialect_.identify), std::string(dialect_.identify))));
    return identity_;
  }

  void SetFrequency(int64_t hz) override {
    const std::string command = Fill(dialect_.frequency, std::to_string(hz));
    if (hz <= 0) Fail(command, "a frequency must be above 0 Hz");
    Set(command);
  }

  void SetLevel(double dbm) override {
    const std::string command = Fill(dialect_.level, Decimal(dbm));
    if (!std::isfinite(dbm)) Fail(command, "not a level");
    Set(command);
  }

  void SetOutput(bool on) override { Set(Fill(dialect_.output, on ? dialect_.on : dialect_.off)); }

  void WaitComplete() override {
    const std::string command(dialect_.complete);
    Query(command, command);
  }

  std::string ReadError() override {
    const std::string command(dialect_.error);
    return Escaped(NoErrorAsEmpty(Query(command, command)));
  }

 private:
  // A setting and a look at the error queue in one message, so that a
  // refused value fails here, naming its command, at the cost of one
  // exchange. After a refusal the queue may hold more entries; rather than
  // reading them one by one (each answer may take up to a time-out), the next
  // setting goes out first (an output-off above all), then the queue is
  // emptied at once and the setting repeated to learn its own outcome.
  void Set(const std::string& command) {
    std::string message = command;
    if (queueMayHoldErrors_ && !dialect_.clear.empty())
      message.append(";").append(dialect_.clear).append(";").append(command);
    const std::string error = NoErrorAsEmpty(Query(message + ";" + std::string(dialect_.error), command));
    queueMayHoldErrors_ = !error.empty();
    if (!error.empty()) Fail(command, "the generator reports " + Escaped(error));
  }

  std::string Query(const std::string& query, const std::string& command) {
    Send(query, command);
    try {
      return transport_->ReceiveLine();
    } catch (const TransportError& error) {
      Fail(command, error.what());
    }
  }

  void Send(const std::string& text, const std::string& command) {
    try {
      transport_->Send(text);
    } catch (const TransportError& error) {
      Fail(command, error.what());
    }
  }

  [[noreturn]] void Fail(const std::string& command, const std::string& what) const {
    const std::string name = identity_.empty() ? address_ : address_ + " (" + identity_ + ")";
    throw GeneratorError("Signal generator " + name + ", command \"" + command + "\": " + what);
  }

  std::string address_;
  std::string identity_;
  std::unique_ptr<Transport> transport_;
  const Dialect& dialect_;
  bool queueMayHoldErrors_ = false;
};

// HOST[:PORT], the host possibly in brackets.
std::pair<std::string, uint16_t> HostAndPort(const std::string& address, std::string_view rest) {
  std::string_view host = rest;
  std::string_view port;
  if (rest.starts_with('[')) {
    const auto close = rest.find(']');
    if (close == std::string_view::npos) FailToConnect(address, "unbalanced [ in the host");
    host = rest.substr(1, close - 1);
    if (rest.size() > close + 1) {
      if (rest[close + 1] != ':') FailToConnect(address, "unreadable port");
      port = rest.substr(close + 2);
    }
  } else if (const auto colon = rest.rfind(':'); colon != std::string_view::npos) {
    host = rest.substr(0, colon);
    port = rest.substr(colon + 1);
  }
  if (host.empty()) FailToConnect(address, "no host");
  unsigned number = kRawSocketPort;
  if (!port.empty()) {
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
    if (error != std::errc() || end != port.data() + port.size() || number == 0 || number > 65535)
      FailToConnect(address, "the port must be a number from 1 to 65535");
  }
  return {std::string(host), static_cast<uint16_t>(number)};
}

std::unique_ptr<Transport> OpenTransport(const std::string& address, std::chrono::milliseconds timeout) {
  constexpr std::string_view kTcp = "tcp://", kVxi11 = "vxi11://";
  if (address.starts_with(kTcp)) {
    const auto [host, port] = HostAndPort(address, std::string_view(address).substr(kTcp.size()));
    return ConnectLan(host, port, LanProtocol::kRawSocket, "", timeout);
  }
  if (address.starts_with(kVxi11)) {
    // vxi11://HOST or vxi11://HOST/DEVICE (inst0 by default).
    const std::string rest = address.substr(kVxi11.size());
    const auto slash = rest.find('/');
    const std::string host = rest.substr(0, slash);
    if (host.empty()) FailToConnect(address, "no host");
    return ConnectLan(host, 0, LanProtocol::kVxi11, slash == std::string::npos ? "" : rest.substr(slash + 1),
                      timeout);
  }
  if (address.starts_with('/')) return OpenDeviceFile(address, timeout);
  FailToConnect(
      address,
      "unknown address; write tcp://HOST[:PORT], vxi11://HOST or a device path such as /dev/usbtmc0");
}

}  // namespace

std::unique_ptr<SignalGenerator> ConnectGenerator(const std::string& address,
                                                  std::chrono::milliseconds timeout, const Dialect& dialect) {
  if (timeout.count() <= 0) FailToConnect(address, "the time-out must be positive");
  try {
    return std::make_unique<ScpiGenerator>(address, OpenTransport(address, timeout), dialect);
  } catch (const TransportError& error) {
    FailToConnect(address, error.what());
  }
}

OutputOffGuard::~OutputOffGuard() {
  try {
    generator_.SetOutput(false);
  } catch (...) {
    // The run's own error, if any, is the one to report.
  }
}

}  // namespace instruments
