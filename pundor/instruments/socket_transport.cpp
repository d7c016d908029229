// A raw TCP socket. Our own rather than liblxi's: a refused connection, a
// closed one and a silent one each get their own reason, every wait is
// bounded by the one time-out, and nothing is printed on the program's own
// output.
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "instruments/transport.h"

namespace instruments {
namespace {

// Waits for `events` on `socket` until `deadline`; false when it passed.
bool WaitFor(int socket, short events, Transport::Clock::time_point deadline) {
  while (true) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - Transport::Clock::now()).count();
    if (left <= 0) return false;
    pollfd watched{socket, events, 0};
    const int ready = poll(&watched, 1, static_cast<int>(left));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) throw TransportError("cannot wait: " + SystemReason(errno));
  }
}

class SocketTransport final : public Transport {
 public:
  SocketTransport(int socket, std::chrono::milliseconds timeout) : Transport(timeout), socket_(socket) {}
  ~SocketTransport() override { close(socket_); }

  void Send(std::string_view line) override {
    const std::string message = std::string(line) + "\n";
    const auto deadline = Clock::now() + timeout_;
    std::size_t sent = 0;
    while (sent < message.size()) {
      if (!WaitFor(socket_, POLLOUT, deadline))
        throw TransportError("the generator takes no more commands (" + std::to_string(timeout_.count()) +
                             " ms)");
      const ssize_t done =
          send(socket_, message.data() + sent, message.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (done < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (done < 0) throw Lost(errno);
      sent += static_cast<std::size_t>(done);
    }
  }

 protected:
  std::size_t ReadSome(char* buffer, std::size_t size, Clock::time_point deadline) override {
    while (WaitFor(socket_, POLLIN, deadline)) {
      const ssize_t got = recv(socket_, buffer, size, MSG_DONTWAIT);
      if (got > 0) return static_cast<std::size_t>(got);
      if (got == 0) throw TransportError("the generator closed the connection");
      if (errno != EINTR && errno != EAGAIN) throw Lost(errno);
    }
    return 0;
  }

 private:
  static TransportError Lost(int error) {
    if (error == EPIPE || error == ECONNRESET) return TransportError("the generator closed the connection");
    return TransportError("the connection failed: " + SystemReason(error));
  }

  int socket_;
};

// A non-blocking connect, bounded by the time-out; the socket, connected.
int ConnectTo(const addrinfo& address, Transport::Clock::time_point deadline) {
  const int socket =
      ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, address.ai_protocol);
  if (socket < 0) throw TransportError("cannot connect: " + SystemReason(errno));
  int error = 0;
  if (connect(socket, address.ai_addr, address.ai_addrlen) != 0) {
    error = errno;
    if (error == EINPROGRESS) {
      if (WaitFor(socket, POLLOUT, deadline)) {
        socklen_t size = sizeof error;
        getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size);
      } else {
        error = ETIMEDOUT;
      }
    }
  }
  if (error == 0) return socket;
  close(socket);
  throw TransportError("cannot connect: " + SystemReason(error));
}

}  // namespace

std::unique_ptr<Transport> ConnectSocket(const std::string& host, uint16_t port,
                                         std::chrono::milliseconds timeout) {
  const auto deadline = Transport::Clock::now() + timeout;
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (const int failed = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); failed != 0)
    throw TransportError("cannot find the host " + host + ": " + gai_strerror(failed));
  std::string reason;
  for (const addrinfo* address = found; address; address = address->ai_next) {
    try {
      const int socket = ConnectTo(*address, deadline);
      freeaddrinfo(found);
      return std::make_unique<SocketTransport>(socket, timeout);
    } catch (const TransportError& error) {
      if (reason.empty()) reason = error.what();
    }
  }
  freeaddrinfo(found);
  throw TransportError(reason);
}

}  // namespace instruments
