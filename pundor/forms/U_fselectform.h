#pragma once
// The dialog that chooses the frequency the table editor copies from. Its
// list mirrors the main window's frequency list (FillFrequencyList fills both).
#include <cstdint>

#include "widgets/captioned_form.h"

class TStringGrid;
class TmyScrollBar;
class QPainter;

class TFSelectForm : public TCaptionedForm {
 public:
  TFSelectForm();

  TmyLabel* Label1;
  TStringGrid* F;
  TmyScrollBar* FSB;
  TstSpeedButton* BCopy;
  TstSpeedButton* BSelect;

  // The chosen frequency in Hz, valid after the dialog closed with OK.
  int64_t SelectedFrequency = 0;

  void FDrawCell(int col, int row, const QRect& rect, QPainter& painter, bool selected);
  void FKeyPress(QChar& key);
  void FTopLeftChanged();
  void FSBPositionChange();
  void BCopyClick();
};

extern TFSelectForm* FSelectForm;
