#pragma once
// The generator interface of pundor/instruments/, until that module is part
// of the tree; the build uses this copy only while the real header is
// missing. Delete it then.
#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace instruments {

class GeneratorError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Dialect;
const Dialect& StandardScpi();
const Dialect* FindDialect(std::string_view name);

class SignalGenerator {
 public:
  virtual ~SignalGenerator() = default;
  virtual const std::string& Address() const = 0;
  virtual std::string Identify() = 0;
  virtual void SetFrequency(int64_t hz) = 0;
  virtual void SetLevel(double dbm) = 0;
  virtual void SetOutput(bool on) = 0;
  virtual void WaitComplete() = 0;
  virtual std::string ReadError() = 0;
};

std::unique_ptr<SignalGenerator> ConnectGenerator(const std::string& address,
                                                  std::chrono::milliseconds timeout,
                                                  const Dialect& dialect = StandardScpi());

}  // namespace instruments
