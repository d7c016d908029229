// orvanta-autocal: calibrates a receiver against a programmable signal
// generator without the calibrator's windows, for unattended runs and scripts.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "autocal_run.h"
#include "platform/interrupt.h"
#include "receivers/device_list.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.empty()) return std::cerr << kAutocalUsage, 2;
  if (AsksForHelp(arguments)) return std::cout << AutocalHelp(), 0;
  platform::CatchInterrupts();
  try {
    AutocalOptions options = ParseAutocalOptions(arguments);
    CheckOutputs(options);
    if (options.refit) {
      RefitFromLog(options, std::cout);
      return 0;
    }
    const auto hamlib = options.hamlib ? HamlibDriverFor(options) : nullptr;
    const instruments::Dialect* dialect =
        options.dialect.empty() ? &instruments::StandardScpi() : instruments::FindDialect(options.dialect);
    const auto generator = instruments::ConnectGenerator(options.generator, options.timeout, *dialect);
    TDriverSet drivers;
    const auto all = drivers.InOrder();
    TVelkaro_API* const radio[] = {hamlib.get()};
    RunAutocal(options, *generator, hamlib ? std::span<TVelkaro_API* const>(radio) : all, std::cout,
               isatty(STDOUT_FILENO),
               [&] { return instruments::ConnectGenerator(options.generator, options.timeout, *dialect); });
    return 0;
  } catch (const RunInterrupted& interrupted) {
    std::cerr << "orvanta-autocal: " << interrupted.what() << "\n";
    return platform::InterruptExitStatus(interrupted.Signal());
  } catch (const UsageError& error) {
    std::cerr << "orvanta-autocal: " << error.what() << "\n\n" << kAutocalUsage;
    return 2;
  } catch (const std::exception& error) {
    std::cerr << "orvanta-autocal: " << error.what() << "\n";
    return 1;
  }
}
