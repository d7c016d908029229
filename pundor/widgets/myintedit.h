#pragma once
// Whole-number entry field. Only digits and one minus sign can be typed; the
// typed number becomes Value on Enter or when the focus leaves, Escape puts
// the last Value back. With Min or Max not 0 the value is kept within them.
// With DisplayUndefValueText, UndefValue shows as UndefValueText and is never
// clamped.
#include <QPointer>
#include <cstdint>
#include <functional>

#include "widgets/stalignedit.h"

class TmyUpDown;

class TmyIntEdit : public TstAlignEdit {
 public:
  explicit TmyIntEdit(QWidget* parent = nullptr);
  ~TmyIntEdit() override;

  int64_t Value() const { return value_; }
  void SetValue(int64_t value);
  int64_t Min() const { return min_; }
  void SetMin(int64_t min);
  int64_t Max() const { return max_; }
  void SetMax(int64_t max);
  int64_t UndefValue() const { return undefValue_; }
  void SetUndefValue(int64_t value);
  bool DisplayUndefValueText() const { return displayUndefValueText_; }
  void SetDisplayUndefValueText(bool display);
  QString UndefValueText() const { return undefValueText_; }
  void SetUndefValueText(const QString& text);

  // Reads the typed text; a text that is no number gives the current Value.
  int64_t GetValue() const;
  // SetValue(GetValue()).
  void UpdateValue();

  // Set by TmyUpDown::SetIntEdit; the field passes its wheel to it.
  TmyUpDown* UpDown() const;
  void SetUpDown(TmyUpDown* upDown);

  std::function<void(TmyIntEdit*)> OnValueChange;

 protected:
  void KeyPress(QChar& ch) override;
  void focusOutEvent(QFocusEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  bool ShowsUndefText(int64_t value) const { return displayUndefValueText_ && value == undefValue_; }
  void WriteText();

  int64_t value_ = 0;
  int64_t min_ = 0;
  int64_t max_ = 0;
  int64_t undefValue_ = 0;
  bool displayUndefValueText_ = false;
  QString undefValueText_;
  QPointer<TmyUpDown> upDown_;
};
