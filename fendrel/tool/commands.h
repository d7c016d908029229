#pragma once
// fendrel-tool's commands, callable in-process so that tests drive the
// whole program without starting it.
#include <ostream>
#include <string>
#include <vector>

#include "failure.h"

namespace fendrel_tool {

// args without the program name. Returns the exit status. Every failure,
// running out of memory and a failed write of out included, ends as a
// message on err and exit status 1 (2 for wrong arguments); with --json, out
// gets exactly one JSON object, {"error": {"code": ..., "message": ...}} on
// failure. When out is an OutputFile, it is closed and the close checked.
int runTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) noexcept;

}  // namespace fendrel_tool
