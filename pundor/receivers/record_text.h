#pragma once
// Filling the fixed-size texts of the driver records.
#include <cstddef>
#include <cstring>
#include <string_view>

// Copies what fits of `text` into `target`, always terminated.
template <std::size_t N>
void CopyText(char (&target)[N], std::string_view text) {
  const std::size_t length = text.size() < N - 1 ? text.size() : N - 1;
  std::memcpy(target, text.data(), length);
  std::memset(target + length, 0, N - length);
}

// A library text field that is terminated only when shorter than its width.
inline std::string_view FixedText(const char* field, std::size_t width) {
  return std::string_view(field, strnlen(field, width));
}
