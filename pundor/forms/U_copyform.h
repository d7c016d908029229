#pragma once
// The dialog that chooses the receiver and mode to copy points from.
#include "platform/form.h"

class TCopyForm : public platform::Form {
 public:
  TCopyForm();
};

extern TCopyForm* CopyForm;
