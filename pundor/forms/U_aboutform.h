#pragma once
// The about box: the program's title and version.
#include "platform/form.h"

class TAboutForm : public platform::Form {
 public:
  TAboutForm();
};

extern TAboutForm* AboutForm;
