#pragma once
// The dialog that chooses the receiver and mode to copy points from.
#include <cstdint>
#include <string>

#include "widgets/captioned_form.h"

class TStringGrid;
class TmyScrollBar;
class QPainter;

class TCopyForm : public TCaptionedForm {
 public:
  TCopyForm();

  TmyLabel* LDevices;
  TStringGrid* D;
  TmyScrollBar* DSB;
  TmyLabel* LModes;
  TStringGrid* M;  // the object of each row is its mode code
  TmyScrollBar* MSB;
  TstSpeedButton* BCopy;
  TstSpeedButton* BSelect;

  int ReceiverCount = 0;
  int ModeCount = 0;
  // The choice, valid after the dialog closed with OK.
  std::string SourceReceiver;
  int32_t SourceMode = 0;

  void FormShow();
  void DSelectCell(int col, int row, bool& canSelect);
  void MDrawCell(TStringGrid* grid, int row, const QRect& rect, QPainter& painter, bool selected);
  void DTopLeftChanged();
  void DSBPositionChange();
  void MTopLeftChanged();
  void MSBPositionChange();
  void BCopyClick();

 private:
  TStringGrid* MakeList(const QString& caption, const QRect& area, TmyLabel*& label, TmyScrollBar*& bar);
  void FillModeList(int row);
};

extern TCopyForm* CopyForm;

// Shows the "Unknown mode" error at most once per listing: a CAL file may
// hold codes the program has no name for; those are skipped.
class TModeNamer {
 public:
  // The mode's name, or an empty text (after the error, the first time).
  QString operator()(int32_t code);

 private:
  bool reported_ = false;
};
