#pragma once
// The pieces of JSON the tool writes for scripts.
#include <cstdint>
#include <string>
#include <string_view>

namespace fendrel_tool {

// A JSON string. Names and paths are bytes of no set encoding: valid UTF-8
// passes through, and every byte that is not part of valid UTF-8 is written
// as \u00XX, the character of its Latin-1 reading. Control characters are
// escaped too, so the text stays valid JSON whatever it holds.
std::string jsonString(std::string_view bytes);

// The shortest text that reads back to the same double.
std::string jsonNumber(double value);

}  // namespace fendrel_tool
