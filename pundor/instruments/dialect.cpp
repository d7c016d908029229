// The command texts of the generator families Orvanta knows. A new family is
// one more entry.
#include <array>

#include "instruments/signal_generator.h"

namespace instruments {
namespace {

constexpr std::array kDialects = {
    Dialect{.name = "scpi",
            .identify = "*IDN?",
            .clear = "*CLS",
            .frequency = ":SOUR:FREQ {}",
            .level = ":SOUR:POW {}",
            .output = ":OUTP {}",
            .on = "ON",
            .off = "OFF",
            .complete = "*OPC?",
            .error = ":SYST:ERR?"},
    // Generators that want the subsystem path written out, with units.
    Dialect{.name = "scpi-long",
            .identify = "*IDN?",
            .clear = "*CLS",
            .frequency = ":SOURce:FREQuency:CW {} Hz",
            .level = ":SOURce:POWer:LEVel:IMMediate:AMPLitude {} dBm",
            .output = ":OUTPut:STATe {}",
            .on = "1",
            .off = "0",
            .complete = "*OPC?",
            .error = ":SYSTem:ERRor:NEXT?"},
};

}  // namespace

const Dialect& StandardScpi() { return kDialects[0]; }

std::span<const Dialect> Dialects() { return kDialects; }

const Dialect* FindDialect(std::string_view name) {
  for (const Dialect& dialect : kDialects)
    if (dialect.name == name) return &dialect;
  return nullptr;
}

}  // namespace instruments
