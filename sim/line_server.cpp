#include "sim/line_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

namespace sim {
namespace {

constexpr std::size_t kLongestLine = 4096;

std::atomic<bool> stopRequested{false};
void RequestStop(int) { stopRequested = true; }

// Blocks SIGINT and SIGTERM except while waiting (in `waitMask`), so that none
// slips in between the check and the wait.
sigset_t CatchStopSignals() {
  sigset_t stopSignals, waitMask;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
  sigdelset(&waitMask, SIGINT);
  sigdelset(&waitMask, SIGTERM);
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  return waitMask;
}

int ListenOnLoopback(uint16_t port) {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0) return -1;
  const int yes = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 16) != 0) {
    const int error = errno;
    close(listener);
    errno = error;
    return -1;
  }
  return listener;
}

uint16_t BoundPort(int listener) {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
  return ntohs(address.sin_port);
}

void SendAll(int socket, const std::string& text) {
  std::size_t sent = 0;
  while (sent < text.size()) {
    const ssize_t done = send(socket, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
    if (done <= 0) return;  // the peer is gone; its close shows on the next read
    sent += static_cast<std::size_t>(done);
  }
}

class Connections {
 public:
  Connections(int listener, const LineHandler& answer) : listener_(listener), answer_(answer) {}
  ~Connections() {
    for (const Client& client : clients_) close(client.socket);
    close(listener_);
  }

  void Run(const sigset_t& waitMask) {
    while (!stopRequested) {
      std::vector<pollfd> watched{{listener_, POLLIN, 0}};
      for (const Client& client : clients_) watched.push_back({client.socket, POLLIN, 0});
      if (ppoll(watched.data(), watched.size(), nullptr, &waitMask) < 0) continue;
      if (watched[0].revents & POLLIN) Accept();
      // Back to front, so that closing one leaves the others' places alone.
      for (std::size_t i = watched.size() - 1; i > 0; --i)
        if (watched[i].revents && !Read(clients_[i - 1])) Close(i - 1);
    }
  }

 private:
  struct Client {
    int socket;
    std::string pending;
  };

  void Accept() {
    const int socket = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket >= 0) clients_.push_back({socket, {}});
  }

  // False when the connection is to be closed.
  bool Read(Client& client) {
    char buffer[1024];
    const ssize_t got = recv(client.socket, buffer, sizeof buffer, 0);
    if (got <= 0) return false;
    client.pending.append(buffer, static_cast<std::size_t>(got));
    std::size_t newline;
    while ((newline = client.pending.find('\n')) != std::string::npos) {
      const LineAnswer reply = answer_(std::string_view(client.pending).substr(0, newline));
      client.pending.erase(0, newline + 1);
      SendAll(client.socket, reply.text);
      if (reply.close) return false;
    }
    return client.pending.size() <= kLongestLine;
  }

  void Close(std::size_t index) {
    close(clients_[index].socket);
    clients_.erase(clients_.begin() + static_cast<std::ptrdiff_t>(index));
  }

  int listener_;
  const LineHandler& answer_;
  std::vector<Client> clients_;
};

}  // namespace

int ServeLines(uint16_t port, std::string_view name, const LineHandler& answer, std::ostream& out,
               std::ostream& errors) {
  const sigset_t waitMask = CatchStopSignals();
  const int listener = ListenOnLoopback(port);
  if (listener < 0) {
    errors << name << ": cannot listen on 127.0.0.1:" << port << ": " << std::strerror(errno) << "\n";
    return 1;
  }
  out << name << ": listening on 127.0.0.1:" << BoundPort(listener) << std::endl;
  Connections(listener, answer).Run(waitMask);
  return 0;
}

}  // namespace sim
