#pragma once
// What a hand-edited or foreign CAL file gets wrong, line by line, as the
// library's own reader sees it.
#include <cstddef>
#include <string>
#include <vector>

namespace fendrel_tool {

struct LintFinding {
  std::size_t line;
  std::string kind;  // a fixed word, for scripts: "falling-levels", "split-line", ...
  std::string message;
};

struct LintReport {
  enum class Status { Clean, Warnings, Unreadable };
  Status status = Status::Clean;
  std::vector<LintFinding> findings;  // in line order
  std::string error;                  // why the file is unreadable
};

LintReport lintCalFile(const char* path);

}  // namespace fendrel_tool
