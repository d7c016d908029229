#pragma once
// The tool's own inputs (CSV, the bytes compared by check), read a chunk at
// a time so that memory follows the result, not the size of the file.
#include <cstdio>
#include <string>

#include "cal_reader.h"

namespace fendrel_tool {

class InputFile : public fendrel::ByteSource {
 public:
  // Throws Failure when the file cannot be opened.
  explicit InputFile(const std::string& path);
  ~InputFile() override;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Throws Failure, with the system's reason, when a read fails (a folder).
  std::size_t read(char* dest, std::size_t capacity) override;

 private:
  std::string path_;
  std::FILE* file_;
};

// The whole file; throws Failure.
std::string contentsOf(const std::string& path);

}  // namespace fendrel_tool
