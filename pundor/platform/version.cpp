#include "platform/version.h"

#include <QString>
#include <QStringList>

namespace platform {
namespace {

struct VersionOverride {
  bool active = false;
  std::optional<FileVersion> version;
};

VersionOverride& Override() {
  static VersionOverride value;
  return value;
}

}  // namespace

std::optional<FileVersion> ParseFileVersion(const char* text) {
  const QStringList parts = QString::fromLatin1(text).split(QLatin1Char('.'));
  if (parts.size() != 4) return std::nullopt;
  uint32_t numbers[4];
  for (int i = 0; i < 4; ++i) {
    bool ok = false;
    const uint number = parts[i].toUInt(&ok);
    if (!ok || number > 0xFFFF) return std::nullopt;
    numbers[i] = number;
  }
  return FileVersion{numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3]};
}

std::optional<FileVersion> ProgramFileVersion() {
  if (Override().active) return Override().version;
  return ParseFileVersion(PUNDOR_VERSION);
}

void SetProgramFileVersion(std::optional<FileVersion> version) { Override() = {true, version}; }

void ResetProgramFileVersion() { Override() = {}; }

}  // namespace platform
