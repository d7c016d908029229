// orvanta-autocal: calibrates a receiver against a programmable signal
// generator without the calibrator's windows, for unattended runs and scripts.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "autocal_run.h"
#include "receivers/velkaro_vk.h"
#include "receivers/velkaro_vx.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.empty() || arguments[0] == "--help") {
    std::cout << kAutocalUsage;
    return arguments.empty() ? 2 : 0;
  }
  try {
    const AutocalOptions options = ParseAutocalOptions(arguments);
    const instruments::Dialect* dialect = &instruments::StandardScpi();
    if (!options.dialect.empty() && !(dialect = instruments::FindDialect(options.dialect)))
      throw UsageError("--dialect: no dialect \"" + options.dialect + "\"");
    const auto generator = instruments::ConnectGenerator(options.generator, options.timeout, *dialect);
    TVelkaro_Vk classic;
    TVelkaro_C1 c1;
    TVelkaro_C2 c2;
    TVelkaro_C3 c3;
    TVelkaro_C4 c4;
    TVelkaro_C5 c5;
    TVelkaro_API* const drivers[] = {&classic, &c1, &c2, &c3, &c4, &c5};
    RunAutocal(options, *generator, drivers, std::cout, isatty(STDOUT_FILENO),
               [&] { return instruments::ConnectGenerator(options.generator, options.timeout, *dialect); });
    return 0;
  } catch (const UsageError& error) {
    std::cerr << "orvanta-autocal: " << error.what() << "\n\n" << kAutocalUsage;
    return 2;
  } catch (const std::exception& error) {
    std::cerr << "orvanta-autocal: " << error.what() << "\n";
    return 1;
  }
}
