#pragma once
// An `orvanta-sim` server (generator-server, rigctld) on a free port of its
// own, for as long as a test holds it. The tool is the one built beside the
// test program; it is stopped with SIGTERM, as an operator's Ctrl+C would.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace sim::testing {

class SimServerProcess {
 public:
  // `arguments` after the tool's name; they must include "--port 0".
  explicit SimServerProcess(std::vector<std::string> arguments) {
    int pipeEnds[2];
    EXPECT_EQ(pipe(pipeEnds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    arguments.insert(
        arguments.begin(),
        (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "orvanta-sim").string());
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    EXPECT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
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
  SimServerProcess(const SimServerProcess&) = delete;
  SimServerProcess& operator=(const SimServerProcess&) = delete;
  ~SimServerProcess() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }

  // Gone at once, as an instrument whose power fails: nothing is switched
  // off and its port refuses connections from now on.
  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }

  int Port() const { return port_; }

 private:
  pid_t pid_ = 0;
  int port_ = 0;
};

// `orvanta-sim rigctld` serving one radio of the scenario.
class RigctldProcess : public SimServerProcess {
 public:
  explicit RigctldProcess(const std::string& radio)
      : SimServerProcess({"rigctld", "--radio", radio, "--port", "0"}) {}
  // Hamlib's address of it, for rig model 2.
  std::string Address() const { return "127.0.0.1:" + std::to_string(Port()); }
};

}  // namespace sim::testing
