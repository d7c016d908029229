#include "rigctl_command.h"

#include <cctype>
#include <utility>

#include "vocabulary/words.h"

namespace rigctl {
namespace {

// The get commands' short letters and how many value lines the default
// protocol answers them with; every set command answers "RPRT n".
struct GetCommand {
  char letter;
  std::string_view name;
  int lines;
};
constexpr GetCommand kGetCommands[] = {
    {'f', "get_freq", 1},       {'m', "get_mode", 2},       {'v', "get_vfo", 1},
    {'t', "get_ptt", 1},        {'s', "get_split_vfo", 2},  {'i', "get_split_freq", 1},
    {'x', "get_split_mode", 2}, {'j', "get_rit", 1},        {'z', "get_xit", 1},
    {'l', "get_level", 1},      {'u', "get_func", 1},       {'p', "get_parm", 1},
    {'n', "get_ts", 1},         {'r', "get_rptr_shift", 1}, {'o', "get_rptr_offs", 1},
    {'c', "get_ctcss_tone", 1}, {'d', "get_dcs_code", 1},   {'e', "get_mem", 1},
    {'a', "get_trn", 1},        {'_', "get_info", 1},       {0, "get_powerstat", 1},
    {0, "chk_vfo", 1},          {0, "get_dcd", 1},
};

const GetCommand* FindGet(std::string_view name) {
  for (const GetCommand& command : kGetCommands)
    if (command.name == name || (name.size() == 1 && name[0] == command.letter && command.letter))
      return &command;
  return nullptr;
}

bool IsSetCommand(std::string_view name) {
  return name.starts_with("set_") || (name.size() == 1 && std::isupper(static_cast<unsigned char>(name[0])));
}

bool IsExtendedPrefix(char c) {
  return std::ispunct(static_cast<unsigned char>(c)) && c != '\\' && c != '?' && c != '_' && c != '#';
}

std::vector<std::string> Words(std::string_view text) {
  const auto words = vocabulary::Words(text);
  return {words.begin(), words.end()};
}

}  // namespace

Command ParseCommand(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  Command command;
  if (!line.empty() && IsExtendedPrefix(line[0])) {
    command.separator = line[0] == '+' ? '\n' : line[0];
    line.remove_prefix(1);
  }
  std::vector<std::string> words;
  if (line.starts_with('\\')) {
    words = Words(line.substr(1));
  } else if (!line.empty()) {
    // A short command is one character, its arguments may follow at once.
    words = Words(line.substr(1));
    words.insert(words.begin(), std::string(1, line[0]));
  }
  if (words.empty()) return command;
  const GetCommand* get = FindGet(words[0]);
  command.name = get ? std::string(get->name) : words[0];
  command.args.assign(words.begin() + 1, words.end());
  return command;
}

bool IsStrengthRead(const Command& command) {
  return command.name == "get_level" && (command.args.size() == 1 || command.args.size() == 2) &&
         command.args.back() == "STRENGTH";
}

std::string VfoOf(const Command& command) { return command.args.size() == 2 ? command.args[0] : ""; }

bool IsQuit(const Command& command) {
  return command.name == "q" || command.name == "Q" || command.name == "quit" || command.name == "exit";
}

std::string LevelAnswer(const Command& command, int value) {
  if (!command.separator) return std::to_string(value) + "\n";
  // rigctld echoes the command with its long name and arguments first.
  std::string echo = command.name + ":";
  for (const std::string& arg : command.args) echo += " " + arg;
  const char separator = command.separator;
  return echo + separator + std::to_string(value) + separator + "RPRT 0\n";
}

AnswerEnd::AnswerEnd(const Command& command) : separator_(command.separator), linesLeft_(-1) {
  if (!command.args.empty() && command.args[0] == "?") return;  // a list of what the radio has
  if (const GetCommand* get = FindGet(command.name)) {
    linesLeft_ = get->lines;
  } else if (command.name == "dump_state") {
    untilDone_ = true;
  } else if (IsSetCommand(command.name)) {
    linesLeft_ = 1;
  }
}

bool AnswerEnd::EndsWith(std::string_view line) {
  while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (separator_ && separator_ != '\n') {
    // One line holds the whole answer, its last record "RPRT n".
    const std::size_t last = line.find_last_of(separator_);
    return line.substr(last == std::string_view::npos ? 0 : last + 1).starts_with("RPRT ");
  }
  if (line.starts_with("RPRT ")) return true;  // an error, a set command's result, or the end of a '+' answer
  if (separator_) return false;
  if (untilDone_) return line == "done";
  return linesLeft_ > 0 && --linesLeft_ == 0;
}

}  // namespace rigctl
