#pragma once
// The version of the program's own file, from the build.
#include <cstdint>
#include <optional>

namespace platform {

// The file version as its two 32-bit halves: major << 16 | minor, and
// release << 16 | build.
struct FileVersion {
  uint32_t mostSignificant = 0;
  uint32_t leastSignificant = 0;
};

// Nothing when the program carries no version.
std::optional<FileVersion> ProgramFileVersion();
// Parses "a.b.c.d"; nothing when it is not four numbers of 0..65535.
std::optional<FileVersion> ParseFileVersion(const char* text);
// Tests replace the program's version (nothing: no version at all), and
// go back to the build's with ResetProgramFileVersion.
void SetProgramFileVersion(std::optional<FileVersion> version);
void ResetProgramFileVersion();

}  // namespace platform
