#pragma once
// The dialog that edits the level of one raw value.
#include "platform/form.h"

class TEditValForm : public platform::Form {
 public:
  TEditValForm();
};

extern TEditValForm* EditValForm;
