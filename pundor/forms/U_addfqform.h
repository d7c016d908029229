#pragma once
// The dialog that asks for a new calibration frequency.
#include "platform/form.h"

class TAddFqForm : public platform::Form {
 public:
  TAddFqForm();
};

extern TAddFqForm* AddFqForm;
