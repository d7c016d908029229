#include "widgets/frequencyedit.h"

#include <QFocusEvent>
#include <QLocale>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "widgets/myupdown.h"

namespace {

// Decimal digits between Hz and each unit.
int UnitDigits(TFrequencyUnit unit) {
  switch (unit) {
    case fukHz:
      return 3;
    case fuMHz:
      return 6;
    case fuGHz:
      return 9;
    default:
      return 0;
  }
}

uint64_t PowerOfTen(int digits) {
  uint64_t power = 1;
  for (int i = 0; i < digits; ++i) power *= 10;
  return power;
}

QChar DecimalSeparator() { return QLocale().decimalPoint().at(0); }

// The general text of a number: shortest form with up to 15 significant digits.
QString GeneralText(double value) {
  return QString::number(value, 'g', 15).replace(u'.', DecimalSeparator());
}

// hz shown in a unit of 10^unitDigits Hz with `decimals` decimals, rounded
// half away from zero to the last shown position, with up to `optional`
// trailing zeros dropped. Integer arithmetic keeps every Hz exact.
QString FixedText(int64_t hz, int unitDigits, int decimals, int optional) {
  const uint64_t magnitude = hz < 0 ? 0 - uint64_t(hz) : uint64_t(hz);
  const uint64_t step = PowerOfTen(unitDigits - decimals);
  const uint64_t rounded = (magnitude + step / 2) / step * step;
  const uint64_t unit = PowerOfTen(unitDigits);
  QString text = QString::number(rounded / unit);
  // Whole units (kHz at 1 kHz resolution) have no fraction at all.
  QString fraction;
  if (decimals > 0) fraction = QString::number((rounded % unit) / step).rightJustified(decimals, u'0');
  for (int i = 0; i < optional && fraction.endsWith(u'0'); ++i) fraction.chop(1);
  if (!fraction.isEmpty()) text += DecimalSeparator() + fraction;
  if (hz < 0 && rounded != 0) text.prepend(u'-');
  return text;
}

// Number of trailing Hz digits a resolution drops (fp1Hz 0 .. fp1kHz 3).
int DroppedDigits(TFixedPoint fixedPoint) { return std::max(0, int(fixedPoint) - 1); }

TFrequencyUnit SmallerUnit(TFrequencyUnit unit) {
  switch (unit) {
    case fuGHz:
      return fuMHz;
    case fuMHz:
      return fukHz;
    case fukHz:
      return fuHz;
    default:
      return unit;
  }
}

// The typed text read as a number in a unit, or nothing when it is no number.
std::optional<int64_t> ParseFrequency(QString text, TFrequencyUnit unit) {
  text = text.trimmed().replace(DecimalSeparator(), u'.');
  bool ok = false;
  const double number = QLocale::c().toDouble(text, &ok);
  if (!ok || !std::isfinite(number)) return std::nullopt;
  const double hz = std::nearbyint(number * double(PowerOfTen(UnitDigits(unit))));
  constexpr double kLimit = 9223372036854775807.0;
  if (hz >= kLimit) return std::numeric_limits<int64_t>::max();
  if (hz <= -kLimit) return std::numeric_limits<int64_t>::min();
  return int64_t(hz);
}

const QString kUnitLabels[] = {QStringLiteral(" Hz "), QStringLiteral(" kHz"), QStringLiteral(" MHz"),
                               QStringLiteral(" GHz"), QStringLiteral("    ")};

}  // namespace

QString Freq2str(int64_t hz) {
  const double v = double(hz);
  const double magnitude = std::fabs(v);
  if (magnitude < 1500) return GeneralText(v) + QStringLiteral(" Hz");
  if (magnitude < 1500000) return GeneralText(v / 1e3) + QStringLiteral(" kHz");
  if (magnitude < 1500000000) return GeneralText(v / 1e6) + QStringLiteral(" MHz");
  return GeneralText(v / 1e9) + QStringLiteral(" GHz");
}

QString TstFrequencyEdit::UnitLabel(TFrequencyUnit unit) { return kUnitLabels[std::clamp(int(unit), 0, 4)]; }

TstFrequencyEdit::TstFrequencyEdit(QWidget* parent)
    : TstAlignEdit(parent), smallColor_(palette().color(QPalette::WindowText)) {
  setMaxLength(12);
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  connect(this, &QLineEdit::textEdited, this, [this] { TextEdited(); });
  UpdateMargins();
  WriteText();
}

// ---- value ----------------------------------------------------------------

void TstFrequencyEdit::SetValue(int64_t value) {
  const bool undefShown = displayUndefValueText_ && value == undefValue_;
  if ((min_ != 0 || max_ != 0) && !undefShown) {
    if (value > max_) value = max_;
    if (value < min_) value = min_;
  }
  const bool changed = value != value_;
  value_ = value;
  WriteText();
  if (changed && OnValueChange) OnValueChange(this);
  if (hasFocus() && exitControl_) exitControl_->setFocus(Qt::OtherFocusReason);
}

void TstFrequencyEdit::SetMin(int64_t min) {
  min_ = min;
  SetValue(value_);
}

void TstFrequencyEdit::SetMax(int64_t max) {
  max_ = max;
  SetValue(value_);
}

void TstFrequencyEdit::SetShowUnit(TFrequencyUnit unit) {
  if (unit == showUnit_) return;
  showUnit_ = unit;
  WriteText();
}

void TstFrequencyEdit::SetHzLimit(int64_t limit) {
  limit = std::max<int64_t>(1, limit);
  if (limit == hzLimit_) return;
  hzLimit_ = limit;
  WriteText();
}

void TstFrequencyEdit::SetFixedPoint(TFixedPoint fixedPoint) {
  if (fixedPoint == fixedPoint_) return;
  fixedPoint_ = fixedPoint;
  WriteText();
}

void TstFrequencyEdit::SetUndefValue(int64_t value) {
  if (value == undefValue_) return;
  undefValue_ = value;
  WriteText();
}

void TstFrequencyEdit::SetDisplayUndefValueText(bool display) {
  if (display == displayUndefValueText_) return;
  displayUndefValueText_ = display;
  WriteText();
}

void TstFrequencyEdit::SetUndefValueText(const QString& text) {
  if (text == undefValueText_) return;
  undefValueText_ = text;
  if (ShowsUndefText()) WriteText();
}

void TstFrequencyEdit::SetSmallFixedPoint(TFixedPoint fixedPoint) {
  smallFixedPoint_ = fixedPoint;
  if (!hasFocus()) update();
}

void TstFrequencyEdit::SetSmallColor(const QColor& color) {
  smallColor_ = color;
  if (!hasFocus()) update();
}

void TstFrequencyEdit::SetSmallFontSizePercent(int percent) {
  smallFontSizePercent_ = std::clamp(percent, 0, 100);
  if (!hasFocus()) update();
}

void TstFrequencyEdit::SetUnit(TFrequencyUnit unit) {
  if (unit == unit_) return;
  unit_ = unit;
  update();
}

TFrequencyUnit TstFrequencyEdit::ChosenUnit() const {
  if (ShowsUndefText()) return fuUndef;
  if (showUnit_ != fuUndef) return showUnit_;
  const double magnitude = std::fabs(double(value_));
  const double limit = double(hzLimit_);
  if (magnitude < limit) return fuHz;
  if (magnitude < limit * 1e3) return fukHz;
  if (magnitude < limit * 1e6) return fuMHz;
  return fuGHz;
}

void TstFrequencyEdit::WriteText() {
  const TFrequencyUnit unit = ChosenUnit();
  QString text;
  if (unit == fuUndef)
    text = undefValueText_;
  else if (unit == fuHz)
    text = QString::number(value_);
  else if (fixedPoint_ == fpNone)
    text = GeneralText(double(value_) / double(PowerOfTen(UnitDigits(unit))));
  else
    text = FixedText(value_, UnitDigits(unit), UnitDigits(unit), DroppedDigits(fixedPoint_));
  SetUnit(unit);
  setText(text);
  end(false);
  update();
}

QString TstFrequencyEdit::PaintedText() const {
  const TFrequencyUnit unit = ChosenUnit();
  if (unit == fuUndef) return undefValueText_;
  const int dropped = DroppedDigits(fixedPoint_);
  if (unit == fuHz) {
    const int64_t step = int64_t(PowerOfTen(dropped));
    return QString::number(value_ / step * step);
  }
  if (fixedPoint_ == fpNone) return GeneralText(double(value_) / double(PowerOfTen(UnitDigits(unit))));
  return FixedText(value_, UnitDigits(unit), UnitDigits(unit) - dropped, 0);
}

int64_t TstFrequencyEdit::GetValue() const { return ParseFrequency(text(), unit_).value_or(value_); }

void TstFrequencyEdit::UpdateValue() { SetValue(GetValue()); }

// ---- typing ---------------------------------------------------------------

void TstFrequencyEdit::KeyPress(QChar& ch) {
  if (isReadOnly()) return;
  const QChar separator = DecimalSeparator();
  switch (ch.unicode()) {
    case keychar::kEnter:
      UpdateValue();
      ch = QChar();
      return;
    case keychar::kEscape:
      SetValue(value_);
      ch = QChar();
      return;
    case u'G':
    case u'g':
      SetUnit(fuGHz);
      ch = QChar();
      return;
    case u'M':
    case u'm':
      SetUnit(fuMHz);
      ch = QChar();
      return;
    case u'K':
    case u'k':
      SetUnit(fukHz);
      ch = QChar();
      return;
    case u'H':
    case u'h':
      SetUnit(fuHz);
      ch = QChar();
      return;
    case u',':
    case u'.':
      ch = separator;
      break;
    default:
      break;
  }
  if (ch.unicode() < 32 || (ch >= u'0' && ch <= u'9')) return;
  const QString rest = TextWithoutSelection();
  if ((ch == u'-' || ch == separator) && !rest.contains(ch)) return;
  ch = QChar();
}

// Digits typed beyond Max in the current unit are meant in the next smaller one.
void TstFrequencyEdit::TextEdited() {
  if (min_ == 0 && max_ == 0) return;
  const std::optional<int64_t> typed = ParseFrequency(text(), unit_);
  if (typed && *typed > max_) SetUnit(SmallerUnit(unit_));
}

// ---- focus ----------------------------------------------------------------

void TstFrequencyEdit::focusInEvent(QFocusEvent* event) {
  TstAlignEdit::focusInEvent(event);
  update();
}

void TstFrequencyEdit::focusOutEvent(QFocusEvent* event) {
  TstAlignEdit::focusOutEvent(event);
  if (!isReadOnly()) {
    if (updateOnExit_)
      UpdateValue();
    else
      SetValue(value_);
  }
  update();
}

// ---- painting -------------------------------------------------------------

int TstFrequencyEdit::UnitColumnWidth() const {
  int widest = 0;
  for (const QString& label : kUnitLabels) widest = std::max(widest, fontMetrics().horizontalAdvance(label));
  return widest;
}

void TstFrequencyEdit::UpdateMargins() { setTextMargins(0, 0, UnitColumnWidth(), 0); }

void TstFrequencyEdit::changeEvent(QEvent* event) {
  TstAlignEdit::changeEvent(event);
  if (event->type() == QEvent::FontChange) UpdateMargins();
}

void TstFrequencyEdit::paintEvent(QPaintEvent* event) {
  if (hasFocus()) {
    TstAlignEdit::paintEvent(event);
    QPainter painter(this);
    PaintUnit(painter);
    return;
  }
  QPainter painter(this);
  painter.fillRect(rect(), Color());
  PaintValue(painter, QRect(0, 0, width() - UnitColumnWidth(), height()));
  PaintUnit(painter);
}

void TstFrequencyEdit::PaintUnit(QPainter& painter) const {
  const int column = UnitColumnWidth();
  painter.setPen(CurrentFontColor());
  painter.drawText(QRect(width() - column, 0, column, height()),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, UnitLabel(unit_));
}

void TstFrequencyEdit::PaintValue(QPainter& painter, const QRect& area) const {
  const QString text = PaintedText();
  const QFontMetrics metrics = fontMetrics();
  const int baseline = area.top() + (area.height() - metrics.height()) / 2 + metrics.ascent();
  const bool smallDigits = fixedPoint_ != fpNone && smallFixedPoint_ >= fp10Hz &&
                           fixedPoint_ < smallFixedPoint_ && smallFontSizePercent_ > 0;
  int right = area.right() + 1;
  QString large = text;
  if (smallDigits) {
    const int count = int(smallFixedPoint_) - int(fixedPoint_);
    const QString small = text.right(count);
    large = text.size() > count ? text.left(text.size() - count) : QString();
    QFont smallFont = font();
    if (smallFont.pixelSize() > 0)
      smallFont.setPixelSize(std::max(1, smallFont.pixelSize() * smallFontSizePercent_ / 100));
    else
      smallFont.setPointSizeF(std::max(1.0, smallFont.pointSizeF() * smallFontSizePercent_ / 100));
    painter.setFont(smallFont);
    painter.setPen(smallColor_);
    right -= QFontMetrics(smallFont).horizontalAdvance(small);
    painter.drawText(QPoint(right, baseline), small);
    painter.setFont(font());
  }
  painter.setPen(CurrentFontColor());
  painter.drawText(QPoint(right - metrics.horizontalAdvance(large), baseline), large);
}

// ---- TmyFrequencyEdit -----------------------------------------------------

TmyFrequencyEdit::TmyFrequencyEdit(QWidget* parent) : TstFrequencyEdit(parent) {}
TmyFrequencyEdit::~TmyFrequencyEdit() = default;

TmyUpDown* TmyFrequencyEdit::UpDown() const { return upDown_; }
void TmyFrequencyEdit::SetUpDown(TmyUpDown* upDown) { upDown_ = upDown; }

// The up-down sets the value while this field keeps the focus; ExitControl
// must not take the focus away meanwhile.
void TmyFrequencyEdit::wheelEvent(QWheelEvent* event) {
  TstFrequencyEdit::wheelEvent(event);
  if (!upDown_) return;
  QWidget* exitControl = ExitControl();
  SetExitControl(nullptr);
  upDown_->WheelStep(event->angleDelta().y());
  SetExitControl(exitControl);
  event->accept();
}
