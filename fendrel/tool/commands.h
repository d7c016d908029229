#pragma once
// fendrel-tool's commands, callable in-process so that tests drive the
// whole program without starting it.
#include <ostream>
#include <string>
#include <vector>

namespace fendrel_tool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// args without the program name. Returns the exit status.
int runTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace fendrel_tool
