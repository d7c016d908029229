// CAL files on disk through the Windows file calls. Files are read and
// written as raw bytes; the writer puts CR LF itself, so the bytes are the
// same as on every other platform.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>

#include "cal_file.h"
#include "cal_reader.h"
#include "cal_writer.h"

namespace fendrel {
namespace {

// Any other process may read, write or delete a file while it is open, as
// with the C library's files.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// ReadFile and WriteFile take 32-bit counts.
constexpr std::size_t kLargestTransfer = DWORD{1} << 30;

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  FileHandle(FileHandle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  ~FileHandle() {
    if (valid()) ::CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  FileHandle& operator=(FileHandle&&) = delete;

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool close() { return ::CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != 0; }

 private:
  HANDLE handle_;
};

class FileSource : public ByteSource {
 public:
  explicit FileSource(HANDLE file) : file_(file) {}

  std::size_t read(char* dest, std::size_t capacity) override {
    DWORD got = 0;
    if (::ReadFile(file_, dest, static_cast<DWORD>(std::min(capacity, kLargestTransfer)), &got, nullptr))
      return got;
    // A pipe whose writer has gone is at its end.
    if (::GetLastError() == ERROR_BROKEN_PIPE) return 0;
    throw ReadError("CAL file read failed");
  }

 private:
  HANDLE file_;
};

class WriteFailed {};

class FileSink : public ByteSink {
 public:
  explicit FileSink(HANDLE file) : file_(file) {}

  void write(std::string_view bytes) override {
    while (!bytes.empty()) {
      DWORD written = 0;
      const auto count = static_cast<DWORD>(std::min(bytes.size(), kLargestTransfer));
      if (!::WriteFile(file_, bytes.data(), count, &written, nullptr) || written == 0) throw WriteFailed();
      bytes.remove_prefix(written);
    }
  }

 private:
  HANDLE file_;
};

bool writeAll(const CalTable& table, FileHandle& file) {
  try {
    FileSink sink(file.get());
    writeCalTable(table, sink);
  } catch (const WriteFailed&) {
    return false;
  }
  return true;
}

// The absolute form of a path, with backslashes: ReplaceFile takes no
// other. Empty when there is none.
std::string fullPath(const char* path) {
  std::string full(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = ::GetFullPathNameA(path, static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return {};
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);
  }
}

FileHandle createTemporaryBeside(const std::string& path, std::string& temporaryPath) {
  static unsigned serial = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporaryPath =
        path + ".~" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(serial++) + ".tmp";
    FileHandle file(::CreateFileA(temporaryPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.valid() || ::GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return FileHandle(INVALID_HANDLE_VALUE);
}

// ReplaceFile keeps the old file's attributes and security; a new file gets
// the folder's defaults.
bool putInPlace(const std::string& temporaryPath, const std::string& path, bool replacing) {
  if (replacing) {
    return ::ReplaceFileA(path.c_str(), temporaryPath.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                          nullptr, nullptr) != 0;
  }
  return ::MoveFileExA(temporaryPath.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

bool replaceAtomically(const CalTable& table, const char* path, bool replacing) {
  const std::string target = fullPath(path);
  if (target.empty()) return false;
  std::string temporaryPath;
  FileHandle file = createTemporaryBeside(target, temporaryPath);
  if (!file.valid()) return false;
  const bool complete = writeAll(table, file) && ::FlushFileBuffers(file.get()) && file.close() &&
                        putInPlace(temporaryPath, target, replacing);
  if (!complete) ::DeleteFileA(temporaryPath.c_str());
  return complete;
}

}  // namespace

LoadResult loadCalFile(const char* path, ReadObserver* observer) {
  // A folder cannot be opened this way, so it reads as missing.
  FileHandle file(
      ::CreateFileA(path, GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return {LoadStatus::CannotOpen, nullptr};
  try {
    FileSource source(file.get());
    auto table = readCalTable(source, kReadChunkSize, observer);
    if (!table) return {LoadStatus::NoReceiver, nullptr};
    return {LoadStatus::Loaded, std::move(table)};
  } catch (const ReadError&) {
    return {LoadStatus::ReadFailed, nullptr};
  }
}

bool saveCalFile(const CalTable& table, const char* path) {
  // Opening the old file for writing asks whether the caller may write it: a
  // read-only file or a folder is refused here and stays as it is.
  FileHandle existing(
      ::CreateFileA(path, GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!existing.valid()) {
    return ::GetLastError() == ERROR_FILE_NOT_FOUND && replaceAtomically(table, path, false);
  }
  // Devices and pipes have no old contents to keep: they are written directly.
  if (::GetFileType(existing.get()) != FILE_TYPE_DISK) return writeAll(table, existing) && existing.close();
  existing.close();
  return replaceAtomically(table, path, true);
}

}  // namespace fendrel
