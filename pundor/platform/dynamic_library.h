#pragma once
// Run-time loading of libraries by their Windows file name, and of their
// functions by name. A missing library or function is a result, never an
// exception.
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

class DynamicLibrary {
 public:
  // Loads e.g. "fendrel.dll": on Linux "libfendrel.so", searched first in the
  // program's own folder, then along the system's search path. Null when it
  // cannot be loaded.
  static std::unique_ptr<DynamicLibrary> Load(std::string_view fileName);

  ~DynamicLibrary();
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // The address of an exported function, or null.
  void* Resolve(const char* name) const;

  // Resolves into a typed function pointer; false when the name is missing.
  template <typename Fn>
  bool Bind(Fn& target, const char* name) const {
    target = reinterpret_cast<Fn>(Resolve(name));
    return target != nullptr;
  }

  // Keeps the library loaded for the rest of the process, even after this
  // object is gone.
  void KeepLoaded() { owned_ = false; }

 private:
  explicit DynamicLibrary(void* handle) : handle_(handle) {}
  void* handle_;
  bool owned_ = true;
};

// "fendrel.dll" (in any letter case) -> "libfendrel.so" on Linux; other names
// stay as they are.
std::string PlatformLibraryName(std::string_view windowsName);

// The folder searched first: the executable's own folder. A test may replace
// it; while replaced, only that folder is searched (so a test can make sure a
// library is missing). An empty path restores the default.
std::filesystem::path ProgramFolder();
void SetProgramFolder(const std::filesystem::path& folder);

}  // namespace platform
