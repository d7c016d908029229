// fendrel-tool: what a CAL file holds, conversions of raw readings, CSV in
// and out, round-trip checks and lint.
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"
#include "output.h"

int main(int argc, char** argv) {
#ifdef SIGXFSZ
  // A file past the size limit must fail as a write error, not end the tool
  // with SIGXFSZ and leave the temporary file behind.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  try {
    fendrel_tool::OutputFile out(stdout);
    return fendrel_tool::runTool(std::vector<std::string>(argv + 1, argv + argc), out, std::cerr);
  } catch (...) {
    // Only the arguments' copy can fail here, and only for want of memory.
    std::fputs("fendrel-tool: out of memory\n", stderr);
    return fendrel_tool::kExitFailed;
  }
}
