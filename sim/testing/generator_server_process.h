#pragma once
// `orvanta-sim generator-server` on a free port of its own, for as long as a
// test holds it.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "sim/testing/sim_server_process.h"

namespace sim::testing {

class GeneratorServerProcess : public SimServerProcess {
 public:
  explicit GeneratorServerProcess(int settleMs = 0)
      : SimServerProcess({"generator-server", "--port", "0", "--settle", std::to_string(settleMs)}) {}

  std::string Address() const { return "tcp://127.0.0.1:" + std::to_string(Port()); }

  // A command on a connection of its own, as a second program would send it.
  void Send(const std::string& command) const {
    const int sock = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(Port()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::string line = command + "\n";
    ASSERT_EQ(write(sock, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    close(sock);
  }
};

}  // namespace sim::testing
