#pragma once
// The busy window shown while the receivers are searched. Not modal: the
// search disables the main window itself meanwhile.
#include "platform/form.h"

class TmyLabel;
class TstGauge;
class TstPanel;

class TSearchADForm : public platform::Form {
 public:
  TSearchADForm();

  // Progress back to 0, then shown.
  void ShowBusy();

  TstPanel* ClientPanel;
  TmyLabel* Label1;
  // The progress gauge and its panel; the device search keeps it hidden.
  TstPanel* GaugePanel;
  TstGauge* G;

 private:
  void FormHide();
};

extern TSearchADForm* SearchADForm;
