#pragma once
// The frequency table editor: the 256 levels of one calibration frequency.
#include "platform/form.h"

class TTableForm : public platform::Form {
 public:
  TTableForm();
  // The raw value the receiver reports right now (the measurement loop).
  void SetCurrentRaw(int raw);
  int CurrentRaw = 0;
};

extern TTableForm* TableForm;
