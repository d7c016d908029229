#include "line_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <utility>

Endpoint ParseEndpoint(const std::string& text) {
  std::string host;
  std::string rest;
  if (text.starts_with('[')) {
    const std::size_t close = text.find(']');
    if (close == std::string::npos) throw std::invalid_argument("\"" + text + "\" has no closing ]");
    host = text.substr(1, close - 1);
    rest = text.substr(close + 1);
  } else {
    const std::size_t colon = text.rfind(':');
    host = text.substr(0, colon == std::string::npos ? text.size() : colon);
    rest = colon == std::string::npos ? "" : text.substr(colon);
  }
  if (host.empty() || !rest.starts_with(':') || rest.size() < 2 ||
      rest.find_first_not_of("0123456789", 1) != std::string::npos || std::stol(rest.substr(1)) > 65535)
    throw std::invalid_argument("\"" + text + "\" is not HOST:PORT");
  return {host, rest.substr(1)};
}

std::string EndpointText(const Endpoint& endpoint) {
  const bool v6 = endpoint.host.find(':') != std::string::npos;
  return (v6 ? "[" + endpoint.host + "]" : endpoint.host) + ":" + endpoint.port;
}

namespace {

using AddressList = std::unique_ptr<addrinfo, decltype(&freeaddrinfo)>;

AddressList Resolve(const Endpoint& endpoint, bool passive) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = passive ? AI_PASSIVE : 0;
  addrinfo* found = nullptr;
  const int error = getaddrinfo(endpoint.host.c_str(), endpoint.port.c_str(), &hints, &found);
  if (error) throw std::runtime_error(EndpointText(endpoint) + ": " + gai_strerror(error));
  return AddressList(found, freeaddrinfo);
}

bool WaitFor(int fd, short events, int timeoutMs) {
  pollfd poller{fd, events, 0};
  int ready;
  do ready = poll(&poller, 1, timeoutMs);
  while (ready < 0 && errno == EINTR);
  return ready > 0;
}

int ConnectWithin(const addrinfo& address, int timeoutMs) {
  const int fd = socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  int error = 0;
  if (connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
    socklen_t length = sizeof error;
    if (errno != EINPROGRESS || !WaitFor(fd, POLLOUT, timeoutMs) ||
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
      error = -1;
  }
  if (error) {
    close(fd);
    return -1;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return fd;
}

}  // namespace

LineSocket::LineSocket(LineSocket&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), buffer_(std::move(other.buffer_)) {}

LineSocket& LineSocket::operator=(LineSocket&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    buffer_ = std::move(other.buffer_);
  }
  return *this;
}

LineSocket::~LineSocket() { Close(); }

LineSocket LineSocket::Connect(const Endpoint& endpoint, int timeoutMs) {
  try {
    const AddressList addresses = Resolve(endpoint, false);
    for (const addrinfo* address = addresses.get(); address; address = address->ai_next)
      if (const int fd = ConnectWithin(*address, timeoutMs); fd >= 0) return LineSocket(fd);
  } catch (const std::runtime_error&) {
  }
  return LineSocket();
}

void LineSocket::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  buffer_.clear();
}

bool LineSocket::Send(std::string_view bytes) {
  while (fd_ >= 0 && !bytes.empty()) {
    const ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return fd_ >= 0;
}

LineSocket::Read LineSocket::ReadLine(std::string& line, int timeoutMs, std::size_t maxBytes) {
  for (;;) {
    if (const std::size_t end = buffer_.find('\n'); end != std::string::npos && end < maxBytes) {
      line = buffer_.substr(0, end + 1);
      buffer_.erase(0, end + 1);
      return Read::Line;
    }
    if (buffer_.size() >= maxBytes) return Read::TooLong;
    if (fd_ < 0) return Read::Closed;
    if (!WaitFor(fd_, POLLIN, timeoutMs)) return Read::Quiet;
    char chunk[4096];
    const ssize_t got = recv(fd_, chunk, sizeof chunk, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return Read::Closed;
    buffer_.append(chunk, static_cast<std::size_t>(got));
  }
}

int ListenOn(const Endpoint& endpoint) {
  const AddressList addresses = Resolve(endpoint, true);
  std::string reason = "no address";
  for (const addrinfo* address = addresses.get(); address; address = address->ai_next) {
    const int fd = socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, 0);
    const int on = 1;
    if (fd >= 0 && setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
        bind(fd, address->ai_addr, address->ai_addrlen) == 0 && listen(fd, 64) == 0)
      return fd;
    reason = std::strerror(errno);
    if (fd >= 0) close(fd);
  }
  throw std::runtime_error("cannot listen on " + EndpointText(endpoint) + ": " + reason);
}

std::string BoundAddress(int listener) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  char host[INET6_ADDRSTRLEN] = "?";
  int port = 0;
  if (address.ss_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
    inet_ntop(AF_INET6, &v6->sin6_addr, host, sizeof host);
    port = ntohs(v6->sin6_port);
  } else {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
    inet_ntop(AF_INET, &v4->sin_addr, host, sizeof host);
    port = ntohs(v4->sin_port);
  }
  return EndpointText({host, std::to_string(port)});
}
