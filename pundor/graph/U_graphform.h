#pragma once
// The graph window: the table editor's levels as a curve.
#include "platform/form.h"

class TGraphForm : public platform::Form {
 public:
  TGraphForm();
};

extern TGraphForm* GraphForm;
