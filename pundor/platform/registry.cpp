#include "platform/registry.h"

namespace platform {

bool RegistryKey::OpenKey(const QString& path, bool /*canCreate*/) {
  path_ = path;
  return !path_.isEmpty();
}

void RegistryKey::CloseKey() { path_.clear(); }

}  // namespace platform
