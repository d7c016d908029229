#include "json.h"

#include <charconv>
#include <cstdio>

namespace fendrel_tool {
namespace {

// The length of the well-formed UTF-8 sequence of two or more bytes at the
// start of bytes (no overlong forms, no surrogates, nothing past U+10FFFF),
// or 0.
std::size_t utf8SequenceAt(std::string_view bytes) {
  const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
  const auto continuation = [&](std::size_t at, unsigned char low = 0x80, unsigned char high = 0xBF) {
    return at < bytes.size() && byte(at) >= low && byte(at) <= high;
  };
  const unsigned char lead = byte(0);
  if (lead >= 0xC2 && lead <= 0xDF) return continuation(1) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
    return continuation(1, low, high) && continuation(2) ? 3 : 0;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
    return continuation(1, low, high) && continuation(2) && continuation(3) ? 4 : 0;
  }
  return 0;
}

}  // namespace

std::string jsonString(std::string_view bytes) {
  std::string text = "\"";
  while (!bytes.empty()) {
    const char c = bytes.front();
    const auto byte = static_cast<unsigned char>(c);
    std::size_t taken = 1;
    if (c == '"' || c == '\\') {
      text += '\\';
      text += c;
    } else if (byte >= 0x20 && byte < 0x7F) {
      text += c;
    } else if (const std::size_t sequence = byte >= 0x80 ? utf8SequenceAt(bytes) : 0) {
      text.append(bytes.substr(0, sequence));
      taken = sequence;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      text += escaped;
    }
    bytes.remove_prefix(taken);
  }
  return text + '"';
}

std::string jsonNumber(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

}  // namespace fendrel_tool
