// orvanta-rigctld: gives every Hamlib program the calibrated S-meter reading
// of a radio, standing in front of the rigctld that controls it.
#include <unistd.h>

#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "line_socket.h"
#include "strength_proxy.h"
#include "strength_tables.h"

namespace {

constexpr const char* kUsage = R"(Usage: orvanta-rigctld --upstream HOST:PORT --cal FILE --name NAME
                       [--cal-state ATT=DB,PREAMP=DB:FILE]... [--listen HOST:PORT]

Stands between Hamlib programs and a running rigctld and gives them the
radio's calibrated S-meter reading. Every command and answer passes through
unchanged, except reads of STRENGTH ("l STRENGTH", "\get_level STRENGTH", in
any response form): for those it reads RAWSTR, the frequency and the mode
from rigctld, converts the raw reading through the calibration table, and
answers in Hamlib's unit, whole dB relative to S9 (S9 is -73 dBm below
30 MHz and -93 dBm from 30 MHz up). Where no table covers the radio's
mode, frequency (more than a tenth beyond the calibrated frequencies) or
front-end state, it passes the radio's own STRENGTH on and says so once.

Options:
  --upstream HOST:PORT   the rigctld to stand in front of (e.g. 127.0.0.1:4532)
  --cal FILE             the CAL file for the radio with attenuator and preamp off
  --name NAME            the radio's receiver name in the CAL files (at most
                         7 characters)
  --cal-state ATT=DB,PREAMP=DB:FILE
                         the CAL file for one front-end state (a key left out
                         is 0); with any of these, ATT and PREAMP are read from
                         the radio to choose the table. May be repeated.
  --listen HOST:PORT     where Hamlib programs connect (default 127.0.0.1:4533;
                         only the loopback unless this says otherwise)
  -h, --help             this text

While rigctld cannot be reached every command is answered "RPRT -6" until it
is back; a command line longer than 4096 bytes is answered "RPRT -1" and the
connection closed.

Example, with Hamlib's rigctl as the program:
  rigctld -m 1234 -r /dev/ttyUSB0 &
  orvanta-rigctld --upstream 127.0.0.1:4532 --cal radio.cal --name MyRig &
  rigctl -m 2 -r 127.0.0.1:4533 l STRENGTH

Exit status: 0 never (it runs until stopped), 1 when the tables cannot be
loaded or the address cannot be listened on, 2 for a wrong command line.
)";

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct ProxyOptions {
  Endpoint upstream;
  Endpoint listen{"127.0.0.1", "4533"};
  std::string cal;
  std::string name;
  std::vector<std::pair<FrontEnd, std::string>> states;
};

ProxyOptions ParseOptions(const std::vector<std::string>& arguments) {
  ProxyOptions options;
  bool haveUpstream = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    if (i + 1 == arguments.size())
      throw UsageError(option.starts_with("--") ? option + " needs a value"
                                                : "unexpected \"" + option + "\"");
    const std::string& value = arguments[++i];
    try {
      if (option == "--upstream") {
        options.upstream = ParseEndpoint(value);
        haveUpstream = true;
      } else if (option == "--listen") {
        options.listen = ParseEndpoint(value);
      } else if (option == "--cal") {
        options.cal = value;
      } else if (option == "--name") {
        options.name = value;
      } else if (option == "--cal-state") {
        const std::size_t colon = value.find(':');
        if (colon == std::string::npos || colon + 1 == value.size())
          throw std::invalid_argument("\"" + value + "\" is not ATT=DB,PREAMP=DB:FILE");
        options.states.emplace_back(ParseFrontEnd(value.substr(0, colon)), value.substr(colon + 1));
      } else {
        throw UsageError("unknown option \"" + option + "\"");
      }
    } catch (const std::invalid_argument& error) {
      throw UsageError(option + ": " + error.what());
    }
  }
  if (!haveUpstream) throw UsageError("--upstream is needed");
  if (options.cal.empty()) throw UsageError("--cal is needed");
  if (options.name.empty() || options.name.size() > 7)
    throw UsageError("--name: the receiver name has 1 to 7 characters");
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  for (const std::string& argument : arguments) {
    if (argument == "-h" || argument == "--help") {
      std::cout << kUsage;
      return 0;
    }
  }
  if (arguments.empty()) {
    std::cerr << kUsage;
    return 2;
  }
  try {
    const ProxyOptions options = ParseOptions(arguments);
    const StrengthTables tables(options.name, options.cal, options.states);
    const int listener = ListenOn(options.listen);
    StrengthProxy proxy(options.upstream, tables, std::cerr);
    std::cout << "orvanta-rigctld: listening on " << BoundAddress(listener) << ", rigctld at "
              << EndpointText(options.upstream) << std::endl;
    proxy.Run(listener);
    throw std::runtime_error("the listening socket failed");
  } catch (const UsageError& error) {
    std::cerr << "orvanta-rigctld: " << error.what() << "\n\n" << kUsage;
    return 2;
  } catch (const std::exception& error) {
    std::cerr << "orvanta-rigctld: " << error.what() << "\n";
    return 1;
  }
}
