#pragma once
// Standard output as the tool writes it: every write checked, the flush and
// the close included, so that a full disk or a file-size limit is an error
// with the system's reason rather than a silent cut.
#include <cstdio>
#include <ostream>
#include <streambuf>
#include <string>

namespace fendrel_tool {

class OutputFile : public std::ostream {
 public:
  // Takes over file; its own buffering is switched off, so that a failed
  // write is seen at once.
  explicit OutputFile(std::FILE* file);
  ~OutputFile() override;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Writes what is buffered and closes the file. False when this or any
  // write before it failed.
  bool close();
  // The system's reason for the first failure.
  std::string error() const;

 private:
  class Buffer : public std::streambuf {
   public:
    explicit Buffer(std::FILE* file);
    bool close();
    int error() const { return error_; }

   protected:
    int_type overflow(int_type c) override;
    int sync() override;

   private:
    bool drain();

    std::FILE* file_;
    int error_ = 0;
    bool failed_ = false;
    char bytes_[1 << 16];
  };

  Buffer buffer_;
};

}  // namespace fendrel_tool
