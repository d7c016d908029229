// fendrel-tool: what a CAL file holds, conversions of raw readings, CSV in
// and out, round-trip checks and lint.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"

int main(int argc, char** argv) {
#ifdef SIGXFSZ
  // A file past the size limit must fail as a write error, not end the tool
  // with SIGXFSZ and leave the temporary file behind.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  return fendrel_tool::runTool(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
