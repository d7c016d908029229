#pragma once
// `orvanta-sim generator-server` on a free port of its own, for as long as a
// test holds it. The tool is the one built beside the test program.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

extern char** environ;

namespace sim::testing {

class GeneratorServerProcess {
 public:
  explicit GeneratorServerProcess(int settleMs = 0) {
    int pipeEnds[2];
    EXPECT_EQ(pipe(pipeEnds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    const std::string tool =
        (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "orvanta-sim").string();
    const std::string settle = std::to_string(settleMs);
    const char* argv[] = {tool.c_str(), "generator-server", "--port", "0",
                          "--settle",   settle.c_str(),     nullptr};
    EXPECT_EQ(posix_spawn(&pid_, tool.c_str(), &actions, nullptr, const_cast<char**>(argv), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    // "... listening on 127.0.0.1:<port>"
    std::string line;
    char c;
    while (read(pipeEnds[0], &c, 1) == 1 && c != '\n') line += c;
    close(pipeEnds[0]);
    port_ = std::atoi(line.substr(line.rfind(':') + 1).c_str());
    EXPECT_GT(port_, 0) << line;
  }
  GeneratorServerProcess(const GeneratorServerProcess&) = delete;
  GeneratorServerProcess& operator=(const GeneratorServerProcess&) = delete;
  ~GeneratorServerProcess() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }

  // Gone at once, as a generator whose power fails: nothing is switched off
  // and its port refuses connections from now on.
  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }

  int Port() const { return port_; }
  std::string Address() const { return "tcp://127.0.0.1:" + std::to_string(port_); }

  // A command on a connection of its own, as a second program would send it.
  void Send(const std::string& command) const {
    const int sock = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port_));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::string line = command + "\n";
    ASSERT_EQ(write(sock, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    close(sock);
  }

 private:
  pid_t pid_ = 0;
  int port_ = 0;
};

}  // namespace sim::testing
