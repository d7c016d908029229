#pragma once
// Serves the simulated generator's SCPI subset over a raw TCP socket on
// 127.0.0.1, one command per line, as a laboratory generator does on port 5025.
#include <cstdint>
#include <filesystem>
#include <ostream>

namespace sim {

inline constexpr uint16_t kScpiPort = 5025;

// Runs until SIGINT or SIGTERM; port 0 takes a free one. Tells `out` the port
// once it listens, then switches the output off when it stops. Returns the
// exit status.
int ServeGenerator(uint16_t port, int32_t settleMs, const std::filesystem::path& statePath, std::ostream& out,
                   std::ostream& errors);

}  // namespace sim
