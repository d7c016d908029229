#include "widgets/myintedit.h"

#include <QFocusEvent>
#include <QWheelEvent>

#include "widgets/myupdown.h"

TmyIntEdit::TmyIntEdit(QWidget* parent) : TstAlignEdit(parent) { WriteText(); }
TmyIntEdit::~TmyIntEdit() = default;

TmyUpDown* TmyIntEdit::UpDown() const { return upDown_; }
void TmyIntEdit::SetUpDown(TmyUpDown* upDown) { upDown_ = upDown; }

void TmyIntEdit::SetValue(int64_t value) {
  if ((min_ != 0 || max_ != 0) && !ShowsUndefText(value)) {
    if (value > max_) value = max_;
    if (value < min_) value = min_;
  }
  const bool changed = value != value_;
  value_ = value;
  WriteText();
  if (changed && OnValueChange) OnValueChange(this);
}

void TmyIntEdit::SetMin(int64_t min) {
  min_ = min;
  SetValue(value_);
}

void TmyIntEdit::SetMax(int64_t max) {
  max_ = max;
  SetValue(value_);
}

void TmyIntEdit::SetUndefValue(int64_t value) {
  if (value == undefValue_) return;
  undefValue_ = value;
  WriteText();
}

void TmyIntEdit::SetDisplayUndefValueText(bool display) {
  if (display == displayUndefValueText_) return;
  displayUndefValueText_ = display;
  WriteText();
}

void TmyIntEdit::SetUndefValueText(const QString& text) {
  if (text == undefValueText_) return;
  undefValueText_ = text;
  if (ShowsUndefText(value_)) WriteText();
}

void TmyIntEdit::WriteText() {
  setText(ShowsUndefText(value_) ? undefValueText_ : QString::number(value_));
  end(false);
}

int64_t TmyIntEdit::GetValue() const {
  bool ok = false;
  const qlonglong typed = text().trimmed().toLongLong(&ok);
  return ok ? typed : value_;
}

void TmyIntEdit::UpdateValue() { SetValue(GetValue()); }

void TmyIntEdit::KeyPress(QChar& ch) {
  if (isReadOnly()) return;
  switch (ch.unicode()) {
    case keychar::kEnter:
      UpdateValue();
      ch = QChar();
      return;
    case keychar::kEscape:
      SetValue(value_);
      ch = QChar();
      return;
    default:
      break;
  }
  if (ch.unicode() < 32 || (ch >= u'0' && ch <= u'9')) return;
  if (ch == u'-' && !TextWithoutSelection().contains(u'-')) return;
  ch = QChar();
}

void TmyIntEdit::focusOutEvent(QFocusEvent* event) {
  TstAlignEdit::focusOutEvent(event);
  if (!isReadOnly()) UpdateValue();
}

void TmyIntEdit::wheelEvent(QWheelEvent* event) {
  TstAlignEdit::wheelEvent(event);
  if (!upDown_) return;
  upDown_->WheelStep(event->angleDelta().y());
  event->accept();
}
