#pragma once
// The words of a line of a configuration file (a scenario, the simulators'
// state, the radios file, a rigctld command): runs of anything but blanks,
// tabs and a line's carriage return.
#include <string_view>
#include <vector>

namespace vocabulary {

std::vector<std::string_view> Words(std::string_view line);

}  // namespace vocabulary
