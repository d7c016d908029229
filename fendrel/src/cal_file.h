#pragma once
// CAL files on disk.
#include <memory>

#include "model.h"

namespace fendrel {

enum class LoadStatus { Loaded, CannotOpen, NoReceiver, ReadFailed };

struct LoadResult {
  LoadStatus status;
  std::unique_ptr<CalTable> table;  // set when Loaded
};

class ReadObserver;

// Throws std::bad_alloc. The observer, if any, sees every read.
LoadResult loadCalFile(const char* path, ReadObserver* observer = nullptr);

// Writes beside the file and then puts the new file in its place, so that a
// failed save leaves the old one untouched. False on any failure.
bool saveCalFile(const CalTable& table, const char* path);

}  // namespace fendrel
