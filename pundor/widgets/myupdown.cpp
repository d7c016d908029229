#include "widgets/myupdown.h"

#include <QCursor>
#include <QMouseEvent>
#include <QScreen>
#include <QWheelEvent>
#include <algorithm>
#include <limits>

#include "widgets/frequencyedit.h"
#include "widgets/myintedit.h"
#include "widgets/stspeedbutton.h"

namespace {

constexpr int kMiddleBarHeight = 3;

int64_t SaturatingAdd(int64_t a, int64_t b) {
  int64_t sum = 0;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

// Steps a field that may show an undefined-value text: such a field moves
// only onto a value within its limits or onto its undefined value, so that
// stepping past the end leaves it alone. Other fields clamp in their setter.
template <class Field>
void StepField(Field* field, int64_t amount, bool bothLimits) {
  if (field == nullptr || amount == 0) return;
  const int64_t next = SaturatingAdd(field->Value(), amount);
  if (field->DisplayUndefValueText() && next != field->UndefValue()) {
    const bool belowMax = next <= field->Max();
    const bool aboveMin = next >= field->Min();
    const bool allowed = bothLimits ? belowMax && aboveMin : amount > 0 ? belowMax : aboveMin;
    if (!allowed) return;
  }
  field->SetValue(next);
}

}  // namespace

TmyUpDown::TmyUpDown(QWidget* parent)
    : QWidget(parent),
      up_(new TstSpeedButton(this)),
      middle_(new TstSpeedButton(this)),
      down_(new TstSpeedButton(this)) {
  up_->SetKind(TButtonKind::bkArrowUp);
  down_->SetKind(TButtonKind::bkArrowDown);
  for (TstSpeedButton* arrow : {up_, down_}) arrow->SetKindPercent(100);
  up_->OnPress = [this](TstSpeedButton*) { StepUp(); };
  down_->OnPress = [this](TstSpeedButton*) { StepDown(); };
  middle_->setCursor(Qt::SplitVCursor);
  middle_->SetKeepMouse(true);
  middle_->OnMouseDown = [this](TstSpeedButton*, QMouseEvent* event) { MiddlePressed(event); };
  middle_->OnMouseMove = [this](TstSpeedButton*, QMouseEvent* event) { MiddleMoved(event); };
  middle_->OnPressEnd = [this](TstSpeedButton*) { MiddleReleased(); };
  SetSpeed(100);
  ApplyColors();
  resize(17, 25);
}

TmyUpDown::~TmyUpDown() = default;

// ---- properties -----------------------------------------------------------

void TmyUpDown::ApplyColors() {
  for (TstSpeedButton* button : {up_, middle_, down_}) {
    button->SetColor(color_);
    button->SetColorDown(color_);
    button->SetColorDisabled(colorDisabled_);
    button->SetFontColor(fontColor_);
    button->SetFontColorDown(fontColor_);
    button->SetFontColorDisabled(fontColorDisabled_);
    button->SetShadowOffset(shadowOffset_);
    button->SetBevelWidth(bevelWidth_);
  }
}

void TmyUpDown::SetColor(const QColor& color) {
  color_ = color;
  ApplyColors();
}

void TmyUpDown::SetColorDisabled(const QColor& color) {
  colorDisabled_ = color;
  ApplyColors();
}

void TmyUpDown::SetFontColor(const QColor& color) {
  fontColor_ = color;
  ApplyColors();
}

void TmyUpDown::SetFontColorDisabled(const QColor& color) {
  fontColorDisabled_ = color;
  ApplyColors();
}

void TmyUpDown::SetShadowOffset(int offset) {
  shadowOffset_ = offset;
  ApplyColors();
}

void TmyUpDown::SetBevelWidth(int width) {
  bevelWidth_ = std::max(0, width);
  ApplyColors();
}

int TmyUpDown::Speed() const { return up_->Speed(); }
int TmyUpDown::Delay() const { return up_->Delay(); }

void TmyUpDown::SetSpeed(int ms) {
  up_->SetSpeed(ms);
  down_->SetSpeed(ms);
}

void TmyUpDown::SetDelay(int ms) {
  up_->SetDelay(ms);
  down_->SetDelay(ms);
}

TmyFrequencyEdit* TmyUpDown::FrequencyEdit() const { return frequencyEdit_; }
TmyIntEdit* TmyUpDown::IntEdit() const { return intEdit_; }

void TmyUpDown::SetFrequencyEdit(TmyFrequencyEdit* edit) {
  if (frequencyEdit_ && frequencyEdit_->UpDown() == this) frequencyEdit_->SetUpDown(nullptr);
  frequencyEdit_ = edit;
  if (edit) edit->SetUpDown(this);
}

void TmyUpDown::SetIntEdit(TmyIntEdit* edit) {
  if (intEdit_ && intEdit_->UpDown() == this) intEdit_->SetUpDown(nullptr);
  intEdit_ = edit;
  if (edit) edit->SetUpDown(this);
}

// ---- geometry -------------------------------------------------------------

void TmyUpDown::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int arrowHeight = std::max(0, (height() - kMiddleBarHeight) / 2);
  up_->setGeometry(0, 0, width(), arrowHeight);
  middle_->setGeometry(0, arrowHeight, width(), kMiddleBarHeight);
  down_->setGeometry(0, arrowHeight + kMiddleBarHeight, width(), arrowHeight);
}

// ---- stepping -------------------------------------------------------------

void TmyUpDown::StepUp() {
  if (OnDirection) OnDirection(this, 1);
  StepFields(step_, Limits::InStepDirection, false);
}

void TmyUpDown::StepDown() {
  if (OnDirection) OnDirection(this, -1);
  StepFields(-int64_t(step_), Limits::InStepDirection, true);
}

void TmyUpDown::StepFields(int64_t amount, Limits limits, bool intFirst) {
  const bool both = limits == Limits::Both;
  if (intFirst) StepField(intEdit_.data(), amount, both);
  StepField(frequencyEdit_.data(), amount, both);
  if (!intFirst) StepField(intEdit_.data(), amount, both);
}

// The sign of the delta decides, so that the small deltas of a fine-grained
// wheel step the right way too.
void TmyUpDown::WheelStep(int delta) {
  if (!isEnabled() || delta == 0) return;
  delta > 0 ? StepUp() : StepDown();
}

void TmyUpDown::wheelEvent(QWheelEvent* event) {
  WheelStep(event->angleDelta().y());
  event->accept();
}

// ---- middle bar -----------------------------------------------------------

void TmyUpDown::MiddlePressed(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragging_ = true;
  dragStarted_ = false;
  skipNextMove_ = false;
  lastY_ = int(event->globalPosition().y());
}

// Dragging wraps the pointer from the screen's top row to its bottom row and
// back, so a drag is never stopped by the screen edge.
void TmyUpDown::MiddleMoved(QMouseEvent* event) {
  if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return;
  const QPoint global = event->globalPosition().toPoint();
  if (skipNextMove_) {
    skipNextMove_ = false;
    lastY_ = global.y();
    return;
  }
  if (!dragStarted_) {
    dragStarted_ = true;
    if (OnMiddleStart) OnMiddleStart(this);
  }
  const int distance = lastY_ - global.y();
  lastY_ = global.y();
  if (distance == 0) return;
  if (OnDirection) OnDirection(this, distance);
  StepFields(int64_t(distance) * step_, Limits::Both, false);
  const QRect screenArea = screen() ? screen()->geometry() : QRect();
  if (screenArea.isEmpty()) return;
  if (distance > 0 && global.y() <= screenArea.top()) {
    QCursor::setPos(global.x(), screenArea.bottom());
    skipNextMove_ = true;
  } else if (distance < 0 && global.y() >= screenArea.bottom()) {
    QCursor::setPos(global.x(), screenArea.top());
    skipNextMove_ = true;
  }
}

// Every end of a drag, moved or not, and also a drag ended by losing the mouse.
void TmyUpDown::MiddleReleased() {
  if (!dragging_) return;
  dragging_ = false;
  dragStarted_ = false;
  if (OnMiddleEnd) OnMiddleEnd(this);
}
