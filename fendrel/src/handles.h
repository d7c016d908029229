#pragma once
// The process-wide list of open tables. A handle is an index into it; the
// list never shrinks, and a new table takes the first empty slot.
#include <cstdint>
#include <memory>
#include <vector>

#include "model.h"

namespace fendrel {

class CalHandles {
 public:
  // The new table's handle. Throws std::bad_alloc.
  int32_t add(std::unique_ptr<CalTable> table);
  // Null for a handle that is not valid. Inline: every export starts here.
  CalTable* find(int32_t handle) const {
    if (handle < 0 || static_cast<std::size_t>(handle) >= slots_.size()) return nullptr;
    return slots_[static_cast<std::size_t>(handle)].get();
  }
  // False for a handle that is not valid.
  bool remove(int32_t handle);
  // Destroys every table and gives back the list itself; handles start
  // from 0 again.
  void clear() noexcept;

 private:
  std::vector<std::unique_ptr<CalTable>> slots_;
};

}  // namespace fendrel
