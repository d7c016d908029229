#pragma once
// The dialog that asks for a new calibration frequency.
#include "widgets/captioned_form.h"

class TmyFrequencyEdit;

class TAddFqForm : public TCaptionedForm {
 public:
  TAddFqForm();

  TstPanel* ClientPanel;
  TmyLabel* Label1;
  TmyFrequencyEdit* Fq;  // the result; its limits are the open receiver's
  TstSpeedButton* BOK;
  TstSpeedButton* BSelect;

  void FormShow();
  void BOKClick();
  void FqKeyDown(int key);
  void FqKeyPress(QChar key);

 private:
  bool FrequencyListed() const;

  bool enterPressed_ = false;
};

extern TAddFqForm* AddFqForm;
