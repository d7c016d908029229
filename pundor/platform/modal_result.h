#pragma once
// The answer a modal window or a message box closes with. The numbers are the
// classic ones (OK 1, Cancel 2, ...), which some windows' texts refer to.

namespace platform {

enum class ModalResult { None = 0, Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

}  // namespace platform
