#pragma once
// A program of the build run as a shell runs it, for tests that send it
// signals: its output read line by line, its error output and exit status
// kept for the end. The program is the one built beside the test program.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace sim::testing {

class ChildProcess {
 public:
  // `program` beside the test program ("" for the test program itself).
  ChildProcess(const std::string& program, const std::vector<std::string>& arguments) {
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    const std::string path = program.empty() ? self.string() : (self.parent_path() / program).string();
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int out[2], errors[2];
    EXPECT_EQ(pipe(out), 0);
    EXPECT_EQ(pipe(errors), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, errors[0]);
    EXPECT_EQ(posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(errors[1]);
    out_ = out[0];
    errors_ = errors[0];
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess() {
    if (pid_ > 0) kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
    close(out_);
    close(errors_);
  }

  // The next line of its output; "" at its end.
  std::string Line() {
    std::string line;
    char c;
    while (read(out_, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }
  // The next line of its output that starts with `prefix`; "" at its end.
  std::string LineStarting(const std::string& prefix) {
    for (std::string line = Line();; line = Line())
      if (line.empty() || line.starts_with(prefix)) return line;
  }
  void Signal(int signal) const { kill(pid_, signal); }
  // Its error output, once it has ended, and its exit status (-1: it did
  // not exit, a signal ended it).
  std::string Errors(int& status) {
    std::string text;
    char buffer[512];
    for (ssize_t got; (got = read(errors_, buffer, sizeof buffer)) > 0;) text.append(buffer, got);
    int raw = 0;
    waitpid(pid_, &raw, 0);
    pid_ = 0;
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return text;
  }

 private:
  pid_t pid_ = 0;
  int out_ = -1, errors_ = -1;
};

}  // namespace sim::testing
