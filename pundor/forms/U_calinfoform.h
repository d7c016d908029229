#pragma once
// The window that lists what the open calibration table holds.
#include "platform/form.h"

class TCalInfoForm : public platform::Form {
 public:
  TCalInfoForm();
};

extern TCalInfoForm* CalInfoForm;
