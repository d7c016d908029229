#pragma once
// Writing a table as CAL text, byte for byte as the format has always been
// written in text mode: every line break is CR LF.
#include <string_view>

#include "model.h"

namespace fendrel {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Throws when the bytes cannot be taken.
  virtual void write(std::string_view bytes) = 0;
};

void writeCalTable(const CalTable& table, ByteSink& sink);

}  // namespace fendrel
