#pragma once
// A failure a command reports: a fixed word for scripts (the "code" of the
// JSON error object), the message and the exit status.
#include <stdexcept>
#include <string>

namespace fendrel_tool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

class Failure : public std::runtime_error {
 public:
  Failure(std::string code, const std::string& message, int status = kExitFailed)
      : std::runtime_error(message), code_(std::move(code)), status_(status) {}

  const std::string& code() const { return code_; }
  int status() const { return status_; }

 private:
  std::string code_;
  int status_;
};

}  // namespace fendrel_tool
