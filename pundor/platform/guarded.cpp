#include "platform/guarded.h"

#include "platform/application.h"

namespace platform {

void ShowEscapedException(const std::exception& error) { Application::ShowException(error); }

}  // namespace platform
