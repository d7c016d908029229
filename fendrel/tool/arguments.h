#pragma once
// The tool's argument syntax: modes and raw readings (frequencies are read
// as every Orvanta program reads them, vocabulary/frequency_text.h).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fendrel_tool {

// A mode code -1..255, the short name of a mode ("AM", "default") or its full
// CAL name, ignoring case.
std::optional<int32_t> parseMode(std::string_view text);

// A raw reading 0..255.
std::optional<uint8_t> parseRaw(std::string_view text);

// "14.200000 MHz".
std::string formatFrequency(int64_t hertz);

// The CAL name of a mode code, "MODE <code>" beyond the named ones.
std::string modeName(int32_t code);

// "DEFAULT", "CW", "AM", ... for -1..7, the code itself beyond them.
std::string modeShortName(int32_t code);

}  // namespace fendrel_tool
