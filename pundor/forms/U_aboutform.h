#pragma once
// The about box: the program's title and version.
#include <QString>
#include <cstdint>

#include "widgets/captioned_form.h"

class QLabel;

// The version as the about box shows it: the file version's first number, a
// point, and the second and third numbers run together (3.4.5.6 is "3.45").
QString VersionText(uint32_t mostSignificant, uint32_t leastSignificant);

class TAboutForm : public TCaptionedForm {
 public:
  TAboutForm();

  QLabel* Image1;
  TmyLabel* LTitle;
  TmyLabel* Ver;
  TmyLabel* LNotice1;
  TmyLabel* LNotice2;
  TstSpeedButton* stSpeedButton2;

  void FormCreate();
};

extern TAboutForm* AboutForm;
