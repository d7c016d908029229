#pragma once
// The dialog that edits the level of one raw value.
#include <QString>

#include "widgets/captioned_form.h"

class TstAlignEdit;

// Reads a number typed with the user's decimal separator; raises
// platform::Error with the conversion message when the text is no number.
double TextToFloat(const QString& text);
// True when value lies within low..high, bounds included. Not a number
// ("nan" reads as one) lies nowhere, so it is refused like any other value
// outside the range.
bool WithinRange(double value, double low, double high);

class TEditValForm : public TCaptionedForm {
 public:
  TEditValForm();

  TmyLabel* LR;
  TmyLabel* L;  // the raw value being edited
  TmyLabel* myLabel1;
  TstAlignEdit* V;
  TstSpeedButton* BOK;
  TstSpeedButton* BSelect;

  // The accepted level, valid after the dialog closed with OK.
  double Value = 0.0;

  void FormShow();
  void BOKClick();
};

extern TEditValForm* EditValForm;
