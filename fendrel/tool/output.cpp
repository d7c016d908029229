#include "output.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace fendrel_tool {

OutputFile::Buffer::Buffer(std::FILE* file) : file_(file) {
  std::setvbuf(file_, nullptr, _IONBF, 0);
  setp(bytes_, bytes_ + sizeof bytes_);
}

bool OutputFile::Buffer::drain() {
  const auto pending = static_cast<std::size_t>(pptr() - pbase());
  setp(bytes_, bytes_ + sizeof bytes_);
  if (failed_) return false;
  errno = 0;
  if (pending > 0 && std::fwrite(bytes_, 1, pending, file_) != pending) {
    failed_ = true;
    error_ = errno;
  }
  return !failed_;
}

OutputFile::Buffer::int_type OutputFile::Buffer::overflow(int_type c) {
  if (!drain()) return traits_type::eof();
  if (!traits_type::eq_int_type(c, traits_type::eof())) sputc(traits_type::to_char_type(c));
  return traits_type::not_eof(c);
}

int OutputFile::Buffer::sync() { return drain() ? 0 : -1; }

bool OutputFile::Buffer::close() {
  if (file_ == nullptr) return !failed_;
  drain();
  errno = 0;
  // fclose reports what the system could only tell at the close, as NFS does.
  if (std::fclose(std::exchange(file_, nullptr)) != 0 && !failed_) {
    failed_ = true;
    error_ = errno;
  }
  return !failed_;
}

OutputFile::OutputFile(std::FILE* file) : std::ostream(nullptr), buffer_(file) { rdbuf(&buffer_); }

OutputFile::~OutputFile() { buffer_.close(); }

bool OutputFile::close() { return buffer_.close() && !bad(); }

std::string OutputFile::error() const {
  return buffer_.error() != 0 ? std::strerror(buffer_.error()) : "the write failed";
}

}  // namespace fendrel_tool
