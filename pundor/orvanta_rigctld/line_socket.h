#pragma once
// A TCP connection read line by line, with time limits, for the proxy's
// clients and its connections to rigctld.
#include <string>

struct Endpoint {
  std::string host;
  std::string port;
};
// "HOST:PORT", "[IPV6]:PORT"; throws std::invalid_argument.
Endpoint ParseEndpoint(const std::string& text);
std::string EndpointText(const Endpoint& endpoint);

class LineSocket {
 public:
  enum class Read { Line, Quiet, Closed, TooLong };

  LineSocket() = default;
  explicit LineSocket(int fd) : fd_(fd) {}
  LineSocket(LineSocket&& other) noexcept;
  LineSocket& operator=(LineSocket&& other) noexcept;
  ~LineSocket();

  // A connection to endpoint, or a closed socket when it cannot be made
  // within timeoutMs.
  static LineSocket Connect(const Endpoint& endpoint, int timeoutMs);

  bool IsOpen() const { return fd_ >= 0; }
  void Close();
  bool Send(std::string_view bytes);
  // The next line with its '\n' (Quiet when none came within timeoutMs;
  // TooLong when maxBytes came without one).
  Read ReadLine(std::string& line, int timeoutMs, std::size_t maxBytes);
  // Whether a whole line has arrived that ReadLine has not handed out yet.
  bool HasLineWaiting() const { return buffer_.find('\n') != std::string::npos; }

 private:
  int fd_ = -1;
  std::string buffer_;
};

// A listening socket; throws std::runtime_error with the system's reason.
int ListenOn(const Endpoint& endpoint);
// The address a listening socket is bound to ("127.0.0.1:4533").
std::string BoundAddress(int listener);
