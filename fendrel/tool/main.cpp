// fendrel-tool: what a CAL file holds, conversions of raw readings, and
// round-trip checks, all through the library's public interface.
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "arguments.h"
#include "fendrel.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr std::size_t kFileNameLength = 7;

const char* const kUsage =
    "usage:\n"
    "  fendrel-tool show FILE\n"
    "      list the receivers, modes and frequencies of a CAL file\n"
    "  fendrel-tool convert FILE RECEIVER MODE FREQUENCY RAW\n"
    "      convert a raw reading 0..255; MODE is a code (-1..255) or a name (AM, USB, default, ...);\n"
    "      FREQUENCY in Hz or with a unit (7050kHz, \"14.2 MHz\")\n"
    "  fendrel-tool check FILE\n"
    "      check that FILE saves back byte for byte\n"
    "  fendrel-tool demo FILE\n"
    "      write a small sample table to FILE and show it\n";

const char* loadError(int32_t code) {
  switch (code) {
    case CAL_ERR_FILE_NOT_FOUND:
      return "cannot open the file for reading";
    case CAL_ERR_LOAD:
      return "the file holds no receiver section, or could not be read";
    default:
      return "the file could not be loaded";
  }
}

// A table open for the life of a command.
class OpenTable {
 public:
  explicit OpenTable(const char* path) : handle_(LoadCALFile(path)) {}
  ~OpenTable() {
    if (handle_ >= 0) Unload(handle_);
  }
  OpenTable(const OpenTable&) = delete;
  OpenTable& operator=(const OpenTable&) = delete;

  bool ok(const char* path) const {
    if (handle_ < 0) std::cerr << "fendrel-tool: " << path << ": " << loadError(handle_) << "\n";
    return handle_ >= 0;
  }
  int32_t handle() const { return handle_; }

 private:
  int32_t handle_;
};

// The interface looks receivers up by name only, so their names come from
// the file's receiver headers, in file order, each once.
std::vector<std::string> receiverNames(const char* path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<std::string> names;
  for (std::string line; std::getline(file, line);) {
    if (line.empty() || line[0] != '{') continue;
    if (line.back() == '\r') line.pop_back();
    const std::string name = line.substr(1, line.find('}') - 1).substr(0, kFileNameLength);
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  return names;
}

template <typename Item, typename Lister>
std::vector<Item> listOf(Lister list) {
  const int32_t bytes = list(nullptr, 0u);
  if (bytes <= 0) return {};
  std::vector<Item> items(static_cast<std::size_t>(bytes) / sizeof(Item));
  list(items.data(), static_cast<uint32_t>(bytes));
  return items;
}

void showReceiver(int32_t cal, const std::string& name) {
  const char* receiver = name.c_str();
  std::cout << name << "\n";
  const auto modes = listOf<int32_t>(
      [&](int32_t* buffer, uint32_t bytes) { return GetModes(cal, receiver, buffer, bytes); });
  for (const int32_t mode : modes) {
    const auto frequencies = listOf<int64_t>(
        [&](int64_t* buffer, uint32_t bytes) { return GetFrequencies(cal, receiver, mode, buffer, bytes); });
    std::cout << "  [" << fendrel_tool::modeName(mode) << "] " << frequencies.size() << " frequencies\n";
    for (const int64_t frequency : frequencies)
      std::cout << "    " << fendrel_tool::formatFrequency(frequency) << "\n";
  }
}

int show(const char* path) {
  const OpenTable table(path);
  if (!table.ok(path)) return kExitFailed;
  for (const std::string& name : receiverNames(path)) showReceiver(table.handle(), name);
  return kExitOk;
}

const char* conversionError(int32_t code) {
  switch (code) {
    case CAL_ERR_NO_RECEIVER:
      return "no receiver of that name in the table";
    case CAL_ERR_NO_MODE:
      return "the receiver has neither that mode nor a DEFAULT section";
    case CAL_ERR_NO_POINTS:
      return "the mode's section has no frequencies";
    default:
      return "the conversion failed";
  }
}

int convert(const char* path, const char* receiver, const char* modeText, const char* frequencyText,
            const char* rawText) {
  const auto mode = fendrel_tool::parseMode(modeText);
  const auto frequency = fendrel_tool::parseFrequency(frequencyText);
  const auto raw = fendrel_tool::parseRaw(rawText);
  if (!mode) std::cerr << "fendrel-tool: unknown mode '" << modeText << "'\n";
  if (!frequency) std::cerr << "fendrel-tool: cannot read frequency '" << frequencyText << "'\n";
  if (!raw) std::cerr << "fendrel-tool: raw reading '" << rawText << "' is not 0..255\n";
  if (!mode || !frequency || !raw) return kExitUsage;
  const OpenTable table(path);
  if (!table.ok(path)) return kExitFailed;
  CalibratedStrength strength{};
  strength.Size = sizeof strength;
  strength.RawValue = *raw;
  const int32_t result = GetCS(table.handle(), receiver, *mode, *frequency, &strength);
  if (result != CAL_OK) {
    std::cerr << "fendrel-tool: " << receiver << ": " << conversionError(result) << "\n";
    return kExitFailed;
  }
  std::printf("%.1f dBm  %.3f uV  %.3f uVpp  %s\n", strength.DBm, strength.MicroVolts, strength.MicroVoltsPP,
              SUnitLabels[strength.SUnit]);
  return kExitOk;
}

std::string contentsOf(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string lineAround(const std::string& text, std::size_t offset) {
  const std::size_t start = offset == 0 ? 0 : text.rfind('\n', offset - 1) + 1;
  const std::size_t end = std::min(text.find_first_of("\r\n", start), start + 80);
  return text.substr(start, end - start);
}

void reportFirstDifference(const std::string& original, const std::string& saved) {
  const auto [at, ignored] = std::mismatch(original.begin(), original.end(), saved.begin(), saved.end());
  const auto offset = static_cast<std::size_t>(at - original.begin());
  const auto line = std::count(original.begin(), at, '\n') + 1;
  std::cout << "differs from what the library saves, at byte " << offset << " (line " << line << ")\n"
            << "  file:  " << lineAround(original, offset) << "\n"
            << "  saved: " << lineAround(saved, offset) << "\n"
            << "(receiver names other than seven characters long, unknown mode sections, points before a\n"
            << "mode header, LF line ends and numbers not in the writer's form do not survive a load)\n";
}

int check(const char* path) {
  const OpenTable table(path);
  if (!table.ok(path)) return kExitFailed;
  const auto saved =
      std::filesystem::temp_directory_path() / ("fendrel-tool-" + std::to_string(::getpid()) + ".cal");
  if (SaveCALFile(table.handle(), saved.c_str()) != CAL_OK) {
    std::cerr << "fendrel-tool: cannot write " << saved << "\n";
    return kExitFailed;
  }
  const std::string original = contentsOf(path);
  const std::string again = contentsOf(saved);
  std::filesystem::remove(saved);
  if (original == again) {
    std::cout << path << ": round-trips byte for byte\n";
    return kExitOk;
  }
  std::cout << path << ": ";
  reportFirstDifference(original, again);
  return kExitFailed;
}

int demo(const char* path) {
  const OpenTable table(nullptr);
  double levels[256];
  for (const int64_t frequency : {1000000, 10000000, 30000000}) {
    for (int raw = 0; raw < 256; ++raw)
      levels[raw] = -130.0 + raw * 0.5 - static_cast<double>(frequency) / 1e7;
    for (const int32_t mode : {CAL_MODE_AM, CAL_MODE_USB})
      PutDBMs(table.handle(), "Halv-A1", mode, frequency, levels);
  }
  if (SaveCALFile(table.handle(), path) != CAL_OK) {
    std::cerr << "fendrel-tool: cannot write " << path << "\n";
    return kExitFailed;
  }
  std::cout << "wrote " << path << "\n";
  const int shown = show(path);
  if (shown != kExitOk) return shown;
  std::cout << "raw 120 at 14.2 MHz in AM: ";
  std::cout.flush();
  return convert(path, "Halv-A1", "AM", "14.2MHz", "120");
}

}  // namespace

int main(int argc, char** argv) {
  // A file past the size limit must fail as a write error, not end the tool
  // with SIGXFSZ and leave the temporary file behind.
  std::signal(SIGXFSZ, SIG_IGN);
  const std::vector<std::string> args(argv + 1, argv + argc);
  const std::string command = args.empty() ? "" : args[0];
  if (command == "show" && argc == 3) return show(argv[2]);
  if (command == "convert" && argc == 7) return convert(argv[2], argv[3], argv[4], argv[5], argv[6]);
  if (command == "check" && argc == 3) return check(argv[2]);
  if (command == "demo" && argc == 3) return demo(argv[2]);
  if (command == "help" || command == "--help" || command == "-h") {
    std::cout << kUsage;
    return kExitOk;
  }
  std::cerr << kUsage;
  return kExitUsage;
}
