#pragma once
// The names mode sections carry in CAL files.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fendrel {

// The name written in a mode header: the table name for -1..7, else
// "MODE <code>".
std::string modeHeaderName(int16_t code);

// The code a mode header names, ignoring the case of A to Z; nothing for a
// name the reader does not know.
std::optional<int16_t> modeCodeForName(std::string_view name);

}  // namespace fendrel
