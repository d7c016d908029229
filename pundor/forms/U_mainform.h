#pragma once
// The main window: the program's working surface and the owner of the
// calibration session.
#include "platform/form.h"

class TMainForm : public platform::Form {
 public:
  TMainForm();

  void FormCreate();
};

extern TMainForm* MainForm;
