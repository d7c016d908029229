#include "cal_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <utility>

#include "cal_reader.h"
#include "cal_writer.h"

namespace fendrel {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor& operator=(FileDescriptor&&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // close() can report the last write-back error, so it is checked.
  bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
};

class FileSource : public ByteSource {
 public:
  explicit FileSource(int fd) : fd_(fd) {}

  std::size_t read(char* dest, std::size_t capacity) override {
    for (;;) {
      const ssize_t got = ::read(fd_, dest, capacity);
      if (got >= 0) return static_cast<std::size_t>(got);
      if (errno != EINTR) throw ReadError("CAL file read failed");
    }
  }

 private:
  int fd_;
};

class WriteFailed {};

class FileSink : public ByteSink {
 public:
  explicit FileSink(int fd) : fd_(fd) {}

  void write(std::string_view bytes) override {
    while (!bytes.empty()) {
      const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) throw WriteFailed();
      bytes.remove_prefix(static_cast<std::size_t>(written));
    }
  }

 private:
  int fd_;
};

bool writeAll(const CalTable& table, FileDescriptor& file) {
  try {
    FileSink sink(file.get());
    writeCalTable(table, sink);
  } catch (const WriteFailed&) {
    return false;
  }
  return true;
}

// Devices and pipes have no old contents to keep: they are written directly.
bool saveInPlace(const CalTable& table, const char* path) {
  FileDescriptor file(::open(path, O_WRONLY | O_TRUNC | O_CLOEXEC));
  return file.valid() && writeAll(table, file) && file.close();
}

// The file a path names, through any symbolic links, so that replacing it
// keeps the links.
std::string resolvedTarget(const char* path) {
  char resolved[PATH_MAX];
  return ::realpath(path, resolved) != nullptr ? std::string(resolved) : std::string(path);
}

FileDescriptor createTemporaryBeside(const std::string& target, std::string& temporaryPath) {
  static unsigned serial = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporaryPath = target + ".~" + std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".tmp";
    // 0666 lets the umask decide, as for any new file.
    FileDescriptor file(::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file.valid() || errno != EEXIST) return file;
  }
  return FileDescriptor(-1);
}

void keepOwnershipAndMode(int fd, const struct stat& old) {
  // Only a privileged caller can give a file away; anyone else keeps it.
  [[maybe_unused]] const int ignored = ::fchown(fd, old.st_uid, old.st_gid);
  ::fchmod(fd, old.st_mode & 07777);
}

bool replaceAtomically(const CalTable& table, const char* path, const struct stat* old) {
  const std::string target = old != nullptr ? resolvedTarget(path) : std::string(path);
  std::string temporaryPath;
  FileDescriptor file = createTemporaryBeside(target, temporaryPath);
  if (!file.valid()) return false;
  if (old != nullptr) keepOwnershipAndMode(file.get(), *old);
  const bool complete = writeAll(table, file) && ::fsync(file.get()) == 0 && file.close() &&
                        ::rename(temporaryPath.c_str(), target.c_str()) == 0;
  if (!complete) ::unlink(temporaryPath.c_str());
  return complete;
}

}  // namespace

LoadResult loadCalFile(const char* path, ReadObserver* observer) {
  FileDescriptor file(::open(path, O_RDONLY | O_CLOEXEC));
  struct stat info {};
  if (!file.valid() || ::fstat(file.get(), &info) != 0 || S_ISDIR(info.st_mode)) {
    return {LoadStatus::CannotOpen, nullptr};
  }
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
  struct stat old {};
  if (::stat(path, &old) != 0) return replaceAtomically(table, path, nullptr);
  if (!S_ISREG(old.st_mode)) return saveInPlace(table, path);
  // Replacing goes by the folder's permissions; a file the caller may not
  // write must stay as it is.
  if (::access(path, W_OK) != 0) return false;
  return replaceAtomically(table, path, &old);
}

}  // namespace fendrel
