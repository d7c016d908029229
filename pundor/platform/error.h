#pragma once
// The program's general exception: raised for invalid entries and failed
// operations; the standard exception box shows its message and the window
// that raised it stays as it was.
#include <stdexcept>
#include <string>

namespace platform {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace platform
