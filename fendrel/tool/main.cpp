// fendrel-tool: what a CAL file holds, conversions of raw readings, CSV in
// and out, round-trip checks and lint.
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"

int main(int argc, char** argv) {
  return fendrel_tool::runTool(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
