#include "platform/dynamic_library.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <system_error>

namespace platform {
namespace {

std::filesystem::path& ProgramFolderOverride() {
  static std::filesystem::path folder;
  return folder;
}

std::filesystem::path ExecutableFolder() {
  std::error_code error;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : exe.parent_path();
}

std::string Lowercase(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return result;
}

bool EndsWithDll(std::string_view name) {
  return name.size() >= 4 && Lowercase(name.substr(name.size() - 4)) == ".dll";
}

void* Open(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }

}  // namespace

std::string PlatformLibraryName(std::string_view windowsName) {
  if (!EndsWithDll(windowsName)) return std::string(windowsName);
  // Windows file names ignore case; the shared objects are named in lower case.
  return "lib" + Lowercase(windowsName.substr(0, windowsName.size() - 4)) + ".so";
}

std::filesystem::path ProgramFolder() {
  const auto& folder = ProgramFolderOverride();
  return folder.empty() ? ExecutableFolder() : folder;
}

void SetProgramFolder(const std::filesystem::path& folder) { ProgramFolderOverride() = folder; }

std::unique_ptr<DynamicLibrary> DynamicLibrary::Load(std::string_view fileName) {
  const std::string name = PlatformLibraryName(fileName);
  void* handle = nullptr;
  if (const auto folder = ProgramFolder(); !folder.empty()) handle = Open((folder / name).string());
  if (!handle && ProgramFolderOverride().empty()) handle = Open(name);
  if (!handle) return nullptr;
  return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle));
}

DynamicLibrary::~DynamicLibrary() {
  if (owned_) dlclose(handle_);
}

void* DynamicLibrary::Resolve(const char* name) const { return dlsym(handle_, name); }

}  // namespace platform
