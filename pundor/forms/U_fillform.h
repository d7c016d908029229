#pragma once
// The dialog that fills or offsets a range of raw values.
#include "platform/form.h"

class TFillForm : public platform::Form {
 public:
  TFillForm();
};

extern TFillForm* FillForm;
