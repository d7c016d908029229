#pragma once
// One command line of Hamlib's rigctld protocol, as far as a proxy in front of
// rigctld needs to understand it: which command, in which response form, and
// where its answer ends.
#include <string>
#include <string_view>
#include <vector>

namespace rigctl {

struct Command {
  // 0 for the default protocol; the record separator of an extended response
  // otherwise ('\n' for a '+' prefix, else the prefix itself: ';', '|', ',').
  char separator = 0;
  // The long name ("get_level") for the commands this proxy knows, the text
  // as sent otherwise.
  std::string name;
  std::vector<std::string> args;
};

Command ParseCommand(std::string_view line);

// "l STRENGTH", "\get_level STRENGTH", with a VFO before the level in VFO
// mode, in any response form.
bool IsStrengthRead(const Command& command);
// The VFO a command names first in VFO mode ("l VFOA STRENGTH"), or "".
std::string VfoOf(const Command& command);
bool IsQuit(const Command& command);

// A STRENGTH answer in the form the command asked for.
std::string LevelAnswer(const Command& command, int value);

// Tells, line by line, when rigctld's answer to a command is complete.
class AnswerEnd {
 public:
  explicit AnswerEnd(const Command& command);
  // Takes one line of the answer (without its '\n'); true when it ends it.
  bool EndsWith(std::string_view line);
  // The answer's length is not known: it ends when rigctld falls quiet.
  bool EndsWhenQuiet() const { return linesLeft_ < 0 && !untilDone_ && separator_ == 0; }

 private:
  char separator_;
  int linesLeft_;  // -1: unknown
  bool untilDone_ = false;
};

}  // namespace rigctl
