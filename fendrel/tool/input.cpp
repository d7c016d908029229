#include "input.h"

#include <cerrno>
#include <cstring>

#include "failure.h"

namespace fendrel_tool {
namespace {

std::string systemReason(const char* what) {
  const int error = errno;
  return error != 0 ? std::string(what) + ": " + std::strerror(error) : std::string(what);
}

}  // namespace

InputFile::InputFile(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "rb")) {
  if (file_ == nullptr)
    throw Failure("cannot-open", path + ": " + systemReason("cannot open the file for reading"));
}

InputFile::~InputFile() { std::fclose(file_); }

std::size_t InputFile::read(char* dest, std::size_t capacity) {
  errno = 0;
  const std::size_t got = std::fread(dest, 1, capacity, file_);
  if (got == 0 && std::ferror(file_))
    throw Failure("read-failed", path_ + ": " + systemReason("cannot read the file"));
  return got;
}

std::string contentsOf(const std::string& path) {
  InputFile file(path);
  std::string text;
  char chunk[1 << 16];
  while (const std::size_t got = file.read(chunk, sizeof chunk)) text.append(chunk, got);
  return text;
}

}  // namespace fendrel_tool
