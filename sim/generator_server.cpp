#include "sim/generator_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "sim/generator.h"

namespace sim {
namespace {

constexpr std::size_t kLongestLine = 4096;
// Answers waiting for a client that does not read them; past this, its
// commands wait in its socket until it reads.
constexpr std::size_t kMostUnsent = 1 << 16;

std::atomic<bool> stopRequested{false};
void RequestStop(int) { stopRequested = true; }

struct Connection {
  int socket;
  int client;           // for the instrument's test faults
  std::string pending;  // received, not yet a whole line
  std::string unsent;   // answers the client has not taken yet
};

int Listen(uint16_t port) {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0) return -1;
  const int yes = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 8) != 0) {
    const int error = errno;
    close(listener);
    errno = error;
    return -1;
  }
  return listener;
}

uint16_t PortOf(int listener) {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
  return ntohs(address.sin_port);
}

class Server {
 public:
  Server(int listener, GeneratorInstrument& instrument) : listener_(listener), instrument_(instrument) {}
  ~Server() {
    DropAll();
    close(listener_);
  }

  // Serves until a stop is requested; the stop signals are let through only
  // while waiting, so that none slips in between the check and the wait.
  // Every socket is non-blocking: a client that does not read its answers
  // holds up only itself.
  void Run(const sigset_t& waitMask) {
    while (!stopRequested) {
      std::vector<pollfd> watched{{listener_, POLLIN, 0}};
      for (const Connection& connection : connections_) {
        const bool full = connection.unsent.size() >= kMostUnsent;
        watched.push_back(
            {connection.socket,
             static_cast<short>((full ? 0 : POLLIN) | (connection.unsent.empty() ? 0 : POLLOUT)), 0});
      }
      if (ppoll(watched.data(), watched.size(), nullptr, &waitMask) < 0) continue;
      if (watched[0].revents & POLLIN) Accept();
      // Back to front, so that closing one leaves the others' places alone.
      for (std::size_t i = watched.size() - 1; i > 0 && !connections_.empty(); --i) {
        if (i - 1 >= connections_.size()) continue;  // dropped meanwhile
        const bool open = !(watched[i].revents & POLLOUT) || Flush(i - 1);
        if (open && (watched[i].revents & ~POLLOUT)) Read(i - 1);
      }
    }
  }

 private:
  void Accept() {
    const int socket = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (socket < 0) return;
    connections_.push_back({socket, ++clients_, {}, {}});
  }

  void Read(std::size_t index) {
    char buffer[1024];
    const ssize_t got = recv(connections_[index].socket, buffer, sizeof buffer, 0);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (got <= 0 || connections_[index].pending.size() + got > kLongestLine) return Close(index);
    Connection& connection = connections_[index];
    connection.pending.append(buffer, got);
    std::size_t newline;
    while ((newline = connection.pending.find('\n')) != std::string::npos) {
      const std::string line = connection.pending.substr(0, newline);
      connection.pending.erase(0, newline + 1);
      const auto outcome = instrument_.Execute(line, connection.client);
      if (outcome.dropConnections) return DropAll();
      if (outcome.reply) connection.unsent += *outcome.reply + "\n";
    }
    Flush(index);
  }

  // False when the client is gone (and its connection closed).
  bool Flush(std::size_t index) {
    Connection& connection = connections_[index];
    while (!connection.unsent.empty()) {
      const ssize_t done =
          send(connection.socket, connection.unsent.data(), connection.unsent.size(), MSG_NOSIGNAL);
      if (done < 0 && errno == EINTR) continue;
      if (done < 0 && errno == EAGAIN) return true;
      if (done <= 0) {
        Close(index);
        return false;
      }
      connection.unsent.erase(0, static_cast<std::size_t>(done));
    }
    return true;
  }

  void Close(std::size_t index) {
    close(connections_[index].socket);
    instrument_.Disconnected(connections_[index].client);
    connections_.erase(connections_.begin() + index);
  }

  void DropAll() {
    while (!connections_.empty()) Close(connections_.size() - 1);
  }

  int listener_;
  GeneratorInstrument& instrument_;
  std::vector<Connection> connections_;
  int clients_ = 0;
};

}  // namespace

int ServeGenerator(uint16_t port, int32_t settleMs, const std::filesystem::path& statePath, std::ostream& out,
                   std::ostream& errors) {
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

  const int listener = Listen(port);
  if (listener < 0) {
    errors << "orvanta-sim: cannot listen on 127.0.0.1:" << port << ": " << std::strerror(errno) << "\n";
    return 1;
  }
  GeneratorInstrument instrument(statePath, settleMs);
  out << "orvanta-sim generator-server: listening on 127.0.0.1:" << PortOf(listener) << std::endl;
  {
    Server server(listener, instrument);
    server.Run(waitMask);
  }
  instrument.SwitchOff();
  return 0;
}

}  // namespace sim
