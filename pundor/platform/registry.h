#pragma once
// The program's registry key under the current user. On Linux there is no
// registry: the key is a stand-in that keeps the same open and close points
// and stores nothing.
#include <QString>

namespace platform {

class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey() { CloseKey(); }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Opens `path` (e.g. "Software\\Velkaro\\Orvanta"), creating it when asked.
  bool OpenKey(const QString& path, bool canCreate);
  void CloseKey();
  bool IsOpen() const { return !path_.isEmpty(); }
  QString CurrentPath() const { return path_; }

 private:
  QString path_;
};

}  // namespace platform
