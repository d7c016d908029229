#pragma once
// Stands between Hamlib programs and a running rigctld: every command and
// answer passes through as it is, except reads of STRENGTH, answered from the
// calibration tables.
#include <atomic>
#include <mutex>
#include <ostream>
#include <set>
#include <string>

#include "line_socket.h"
#include "strength_tables.h"

class StrengthProxy {
 public:
  StrengthProxy(Endpoint upstream, const StrengthTables& tables, std::ostream& log);

  // Accepts clients until the listener fails, each served on a thread of
  // its own over a connection of its own to rigctld.
  void Run(int listener);
  // Serves one client until it leaves or breaks the protocol.
  void Serve(LineSocket client);

  void LogOnce(const std::string& message);
  void NoteUpstream(bool reached);

  const Endpoint& Upstream() const { return upstream_; }
  const StrengthTables& Tables() const { return tables_; }

 private:
  Endpoint upstream_;
  const StrengthTables& tables_;
  std::ostream& log_;
  std::mutex logMutex_;
  std::set<std::string> logged_;
  bool upstreamLost_ = false;
  std::atomic<int> clients_{0};
};
