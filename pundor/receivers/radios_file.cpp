#include "receivers/radios_file.h"

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "vocabulary/words.h"

namespace {

bool ParsePositive(std::string_view text, int32_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value > 0;
}

// A word in quotes, appended piece by piece: the Release build sees a false
// overlap in "\"" + word.
std::string Quoted(std::string_view word) {
  std::string quoted = "\"";
  quoted.append(word).append("\"");
  return quoted;
}

// What is wrong with a line, or "" when `radio` holds it.
std::string ParseLine(const std::vector<std::string_view>& words, THamlibRadio& radio) {
  if (words.size() < 3 || words.size() > 4) return "expected NAME MODEL ADDRESS [speed=BAUD]";
  if (!IsRadioName(words[0])) return "the name " + Quoted(words[0]) + " is longer than 7 characters";
  if (!ParsePositive(words[1], radio.Model)) return Quoted(words[1]) + " is not a Hamlib model number";
  radio.Name = words[0];
  radio.Address = words[2];
  if (words.size() == 4 &&
      (!words[3].starts_with("speed=") || !ParsePositive(words[3].substr(6), radio.SerialSpeed)))
    return Quoted(words[3]) + " is not speed=BAUD";
  return "";
}

}  // namespace

TRadiosFile ParseRadiosFile(std::string_view text) {
  TRadiosFile file;
  std::set<std::string, std::less<>> names;
  for (int number = 1; !text.empty(); ++number) {
    const auto newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
    if (const auto comment = line.find('#'); comment != std::string_view::npos)
      line = line.substr(0, comment);
    const auto words = vocabulary::Words(line);
    if (words.empty()) continue;
    THamlibRadio radio;
    std::string problem = ParseLine(words, radio);
    if (problem.empty() && !names.insert(radio.Name).second)
      problem = Quoted(radio.Name) + " is listed twice";
    if (problem.empty())
      file.radios.push_back(std::move(radio));
    else
      file.problems.append(file.problems.empty() ? "" : "\n")
          .append("line ")
          .append(std::to_string(number))
          .append(": ")
          .append(problem);
  }
  return file;
}

std::filesystem::path RadiosFilePath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && *config) return std::filesystem::path(config) / "orvanta" / "radios";
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home ? home : "") / ".config" / "orvanta" / "radios";
}

TRadiosFile LoadRadiosFile(const std::filesystem::path& path) {
  std::ifstream stream(path, std::ios::binary);
  if (!stream) return {};
  std::ostringstream text;
  text << stream.rdbuf();
  TRadiosFile file = ParseRadiosFile(text.str());
  if (!file.problems.empty()) file.problems = path.string() + ":\n" + file.problems;
  return file;
}
