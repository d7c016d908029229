#pragma once
// The dialog that chooses the frequency to copy a table from.
#include "platform/form.h"

class TFSelectForm : public platform::Form {
 public:
  TFSelectForm();
};

extern TFSelectForm* FSelectForm;
