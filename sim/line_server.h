#pragma once
// A line protocol served over TCP on 127.0.0.1, as instruments and radio
// daemons do: each line a client sends is answered on that connection.
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

namespace sim {

struct LineAnswer {
  std::string text;    // sent back as it stands (with its own line ends)
  bool close = false;  // then the connection is closed
};
using LineHandler = std::function<LineAnswer(std::string_view line)>;

// Serves until SIGINT or SIGTERM; port 0 takes a free one. Once it listens it
// tells `out` "<name>: listening on 127.0.0.1:<port>". A line longer than
// 4 KiB closes its connection. Returns the exit status.
int ServeLines(uint16_t port, std::string_view name, const LineHandler& answer, std::ostream& out,
               std::ostream& errors);

}  // namespace sim
