#pragma once
// The frame every dialog of the program shares: a borderless window with the
// background #424242 and its own caption strip (TopPanel with the caption
// label LCaption and, on ButtonPanel, the close cross SysBtnClose). Dragging
// the strip moves the window; the strip shows whether the window is active;
// the cross closes the window with the Cancel result.
#include <QString>

#include "platform/form.h"

class TstPanel;
class TstSpeedButton;
class TmyLabel;

class TCaptionedForm : public platform::Form {
 public:
  // clientWidth x clientHeight is the whole window, strip included.
  TCaptionedForm(const QString& caption, int clientWidth, int clientHeight);

  // The strip's text; the window's own caption stays as it was created.
  void SetCaption(const QString& caption);

  TstPanel* TopPanel;
  TmyLabel* LCaption;
  TstPanel* ButtonPanel;
  TstSpeedButton* SysBtnClose;

  void SysBtnCloseClick();

 protected:
  static constexpr int kStripHeight = 18;

  // A text button and a label in the window's colours.
  TstSpeedButton* MakeButton(const QString& caption, const QRect& geometry);
  TmyLabel* MakeLabel(const QString& caption, const QRect& geometry, QWidget* parent = nullptr);

 private:
  void ShowActive(bool active);
};
