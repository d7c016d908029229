#pragma once
// The window that lists what the open calibration table holds: receiver by
// receiver, mode by mode, frequency by frequency.
#include <cstdint>
#include <string>

#include "widgets/captioned_form.h"

class TStringGrid;
class TmyScrollBar;
class QPainter;

class TCalInfoForm : public TCaptionedForm {
 public:
  TCalInfoForm();

  TstPanel* P;
  TStringGrid* G;
  TmyScrollBar* SB;
  TstSpeedButton* BClose;

  void FormCreate();
  void FormShow();
  void GDrawCell(int col, int row, const QRect& rect, QPainter& painter, bool selected);
  void GTopLeftChanged();
  void SBPositionChange();

 private:
  bool TableHoldsAnything() const { return nextRow_ > 1; }
  // Writes `text` into (col, nextRow_), growing the grid as needed.
  void Put(int col, const QString& text);
  void ListReceiver(const std::string& name, class TModeNamer& modeName);
  void FitScrollBar();

  int nextRow_ = 1;
};

extern TCalInfoForm* CalInfoForm;
