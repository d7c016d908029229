#pragma once
// The pieces of JSON the tool writes for scripts.
#include <cstdint>
#include <string>
#include <string_view>

namespace fendrel_tool {

// A JSON string. Names are bytes of no set encoding, so every byte outside
// printable ASCII is written as \u00XX: the text stays valid JSON whatever
// it holds, and a byte b comes back as the character U+00bb.
std::string jsonString(std::string_view bytes);

// The shortest text that reads back to the same double.
std::string jsonNumber(double value);

}  // namespace fendrel_tool
