#pragma once
// Entry field for a frequency held in Hz as a 64-bit integer. The value shows
// scaled to Hz, kHz, MHz or GHz (fixed, or chosen from the value), with the
// unit label in a column of its own at the right. While the field has no
// focus it paints the value at the chosen resolution, the trailing digits
// optionally small; with the focus the user edits a number in the current
// unit, switches the unit with G, M, K or H, and commits with Enter or by
// leaving the field.
#include <QColor>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>

#include "widgets/stalignedit.h"

class TmyUpDown;

enum TFrequencyUnit { fuHz, fukHz, fuMHz, fuGHz, fuUndef };
enum TFixedPoint { fpNone, fp1Hz, fp10Hz, fp100Hz, fp1kHz };

// A frequency for labels: Hz below 1500, kHz below 1.5 MHz, MHz below 1.5 GHz,
// GHz above.
QString Freq2str(int64_t hz);

class TstFrequencyEdit : public TstAlignEdit {
 public:
  explicit TstFrequencyEdit(QWidget* parent = nullptr);

  int64_t Value() const { return value_; }
  void SetValue(int64_t value);
  // Both 0 means no limits.
  int64_t Min() const { return min_; }
  void SetMin(int64_t min);
  int64_t Max() const { return max_; }
  void SetMax(int64_t max);
  TFrequencyUnit ShowUnit() const { return showUnit_; }
  void SetShowUnit(TFrequencyUnit unit);
  int64_t HzLimit() const { return hzLimit_; }
  void SetHzLimit(int64_t limit);
  TFixedPoint FixedPoint() const { return fixedPoint_; }
  void SetFixedPoint(TFixedPoint fixedPoint);
  TFixedPoint SmallFixedPoint() const { return smallFixedPoint_; }
  void SetSmallFixedPoint(TFixedPoint fixedPoint);
  QColor SmallColor() const { return smallColor_; }
  void SetSmallColor(const QColor& color);
  int SmallFontSizePercent() const { return smallFontSizePercent_; }
  void SetSmallFontSizePercent(int percent);
  int64_t UndefValue() const { return undefValue_; }
  void SetUndefValue(int64_t value);
  bool DisplayUndefValueText() const { return displayUndefValueText_; }
  void SetDisplayUndefValueText(bool display);
  QString UndefValueText() const { return undefValueText_; }
  void SetUndefValueText(const QString& text);
  bool UpdateOnExit() const { return updateOnExit_; }
  void SetUpdateOnExit(bool update) { updateOnExit_ = update; }
  // Receives the focus after a value is set while this field has it.
  QWidget* ExitControl() const { return exitControl_; }
  void SetExitControl(QWidget* control) { exitControl_ = control; }

  // The unit the typed text is read in (fuUndef: the blank unit).
  TFrequencyUnit Unit() const { return unit_; }
  void SetUnit(TFrequencyUnit unit);
  // Reads the typed text in the current unit; a text that is no number gives
  // the current Value. Value itself does not change.
  int64_t GetValue() const;
  // SetValue(GetValue()).
  void UpdateValue();
  // What the field paints while it has no focus.
  QString PaintedText() const;
  // The label of a unit as the field shows it (four characters).
  static QString UnitLabel(TFrequencyUnit unit);

  std::function<void(TstFrequencyEdit*)> OnValueChange;

 protected:
  void KeyPress(QChar& ch) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  bool ShowsUndefText() const { return displayUndefValueText_ && value_ == undefValue_; }
  TFrequencyUnit ChosenUnit() const;
  void WriteText();
  void TextEdited();
  int UnitColumnWidth() const;
  void UpdateMargins();
  void PaintValue(QPainter& painter, const QRect& area) const;
  void PaintUnit(QPainter& painter) const;

  int64_t value_ = 0;
  int64_t min_ = 0;
  int64_t max_ = 0;
  TFrequencyUnit showUnit_ = fuUndef;
  int64_t hzLimit_ = 2000;
  TFixedPoint fixedPoint_ = fpNone;
  TFixedPoint smallFixedPoint_ = fpNone;
  QColor smallColor_;
  int smallFontSizePercent_ = 70;
  int64_t undefValue_ = 0;
  bool displayUndefValueText_ = false;
  QString undefValueText_;
  bool updateOnExit_ = true;
  QPointer<QWidget> exitControl_;
  TFrequencyUnit unit_ = fuHz;
};

// The frequency field with a linked up-down control, to which it passes the
// mouse wheel.
class TmyFrequencyEdit : public TstFrequencyEdit {
 public:
  explicit TmyFrequencyEdit(QWidget* parent = nullptr);
  ~TmyFrequencyEdit() override;

  // Set by TmyUpDown::SetFrequencyEdit.
  TmyUpDown* UpDown() const;
  void SetUpDown(TmyUpDown* upDown);

 protected:
  void wheelEvent(QWheelEvent* event) override;

 private:
  QPointer<TmyUpDown> upDown_;
};
