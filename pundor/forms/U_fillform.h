#pragma once
// The dialog that asks for a level (Fill) or an offset (Offset) and the range
// of raw values it applies to.
#include "widgets/captioned_form.h"

class TstAlignEdit;
class TmyIntEdit;

class TFillForm : public TCaptionedForm {
 public:
  TFillForm();

  TmyLabel* LV;
  TstAlignEdit* V;
  TmyLabel* L;  // names the operation
  TmyLabel* LFrom;
  TmyIntEdit* From;
  TmyLabel* LTo;
  TmyIntEdit* To;
  TstSpeedButton* BOK;
  TstSpeedButton* BSelect;

  // True for Fill (a level within -140..0), false for Offset (-140..140).
  bool FillMode = true;
  // The number in V, valid after the dialog closed with OK.
  double Value = 0.0;

  void FormShow();
  void BOKClick();

 private:
  TmyIntEdit* MakeRawField(int value, const QRect& geometry);
};

extern TFillForm* FillForm;
