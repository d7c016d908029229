#include "handles.h"

#include <algorithm>
#include <limits>
#include <new>

namespace fendrel {

int32_t CalHandles::add(std::unique_ptr<CalTable> table) {
  const auto empty = std::find(slots_.begin(), slots_.end(), nullptr);
  if (empty != slots_.end()) {
    *empty = std::move(table);
    return static_cast<int32_t>(empty - slots_.begin());
  }
  if (slots_.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) throw std::bad_alloc();
  slots_.push_back(std::move(table));
  return static_cast<int32_t>(slots_.size() - 1);
}

bool CalHandles::remove(int32_t handle) {
  if (find(handle) == nullptr) return false;
  slots_[static_cast<std::size_t>(handle)].reset();
  return true;
}

void CalHandles::clear() noexcept { std::vector<std::unique_ptr<CalTable>>().swap(slots_); }

}  // namespace fendrel
