#include "widgets/myscrollbar.h"

#include <QMouseEvent>
#include <algorithm>

#include "widgets/stpanel.h"
#include "widgets/stspeedbutton.h"

namespace {

const QColor kThumbColor{0x40, 0x40, 0x40};
const QColor kThumbDisabledColor{0x20, 0x20, 0x20};
constexpr int kThumbShadowOffset = 100;
constexpr int kArrowPercent = 90;

// a * b / c truncated, without overflow for any 64-bit range.
int64_t MulDiv(int64_t a, int64_t b, int64_t c) { return int64_t(__int128(a) * b / c); }

}  // namespace

TmyScrollBar::TmyScrollBar(QWidget* parent)
    : QWidget(parent),
      panel_(new TstPanel(this)),
      first_(new TstSpeedButton(this)),
      second_(new TstSpeedButton(this)),
      thumb_(new TstSpeedButton(this)) {
  panel_->SetColor(QColor(0x40, 0x40, 0x40));
  panel_->SetBevelOuter(TBevelCut::bvLowered);
  panel_->SetGradient(true);
  for (TstSpeedButton* arrow : {first_, second_}) {
    arrow->SetColor(kThumbColor);
    arrow->SetKindPercent(kArrowPercent);
  }
  thumb_->SetColor(kThumbColor);
  thumb_->SetColorDisabled(kThumbDisabledColor);
  thumb_->SetShadowOffset(kThumbShadowOffset);
  thumb_->SetKeepMouse(true);
  ApplyArrowColors();

  first_->OnPress = [this](TstSpeedButton*) { MoveTo(position_ - length_ / 10 - 1); };
  second_->OnPress = [this](TstSpeedButton*) { MoveTo(position_ + length_ / 10 + 1); };
  panel_->OnMouseDown = [this](TstPanel*, QMouseEvent* event) { PanelPressed(event); };
  thumb_->OnMouseDown = [this](TstSpeedButton*, QMouseEvent* event) { ThumbPressed(event); };
  thumb_->OnMouseMove = [this](TstSpeedButton*, QMouseEvent* event) { ThumbMoved(event); };
  thumb_->OnPressEnd = [this](TstSpeedButton*) { thumbHeld_ = false; };

  SetKind(TScrollBarKind::sbHorizontal);
  resize(sizeHint());
  StandUp();
}

void TmyScrollBar::SetKind(TScrollBarKind kind) {
  kind_ = kind;
  first_->SetKind(Vertical() ? TButtonKind::bkArrowUp : TButtonKind::bkArrowLeft);
  second_->SetKind(Vertical() ? TButtonKind::bkArrowDown : TButtonKind::bkArrowRight);
  StandUp();
}

// ---- range ----------------------------------------------------------------

void TmyScrollBar::SetMin(int64_t min) {
  if (min == min_) return;
  min_ = min;
  max_ = std::max(max_, min_);
  position_ = std::max(position_, min_);
  if (position_ + length_ > max_) length_ = max_ - position_;
  PlaceThumb();
}

void TmyScrollBar::SetMax(int64_t max) {
  if (max == max_) return;
  max_ = max;
  min_ = std::min(min_, max_);
  if (position_ + length_ > max_) position_ = max_ - length_;
  if (position_ < min_) {
    length_ = max_ - min_;
    position_ = min_;
  }
  PlaceThumb();
}

void TmyScrollBar::SetLength(int64_t length) {
  length = std::clamp<int64_t>(length, 0, max_ - min_);
  if (length == length_) return;
  length_ = length;
  if (position_ + length_ > max_) position_ = max_ - length_;
  PlaceThumb();
}

bool TmyScrollBar::SetRange(int64_t min, int64_t max) {
  if (max < min) return false;
  min_ = min;
  max_ = max;
  length_ = max - min;
  position_ = min;
  PlaceThumb();
  return true;
}

void TmyScrollBar::SetPosition(int64_t position) {
  if (!thumbHeld_) MoveTo(position);
}

void TmyScrollBar::MoveTo(int64_t position) {
  position = std::clamp(position, min_, max_ - length_);
  if (position == position_) return;
  position_ = position;
  PlaceThumb();
}

void TmyScrollBar::SetBevel(int bevel) {
  bevel = std::max(0, bevel);
  if (bevel == bevel_) return;
  bevel_ = bevel;
  StandUp();
}

// ---- colours --------------------------------------------------------------

QColor TmyScrollBar::Color() const { return panel_->Color(); }
void TmyScrollBar::SetColor(const QColor& color) { panel_->SetColor(color); }

void TmyScrollBar::ApplyArrowColors() {
  for (TstSpeedButton* arrow : {first_, second_}) {
    arrow->SetFontColor(colorArrow_);
    arrow->SetColorDown(downColor_);
    arrow->SetFontColorDown(downColorArrow_);
    arrow->SetColorDisabled(colorDisabled_);
    arrow->SetFontColorDisabled(colorDisabledArrow_);
    arrow->SetShadowOffset(shadowOffset_);
  }
  thumb_->SetColorDown(downColor_);
}

void TmyScrollBar::SetColorArrow(const QColor& color) {
  colorArrow_ = color;
  ApplyArrowColors();
}

void TmyScrollBar::SetDownColor(const QColor& color) {
  downColor_ = color;
  ApplyArrowColors();
}

void TmyScrollBar::SetDownColorArrow(const QColor& color) {
  downColorArrow_ = color;
  ApplyArrowColors();
}

void TmyScrollBar::SetColorDisabled(const QColor& color) {
  colorDisabled_ = color;
  ApplyArrowColors();
}

void TmyScrollBar::SetColorDisabledArrow(const QColor& color) {
  colorDisabledArrow_ = color;
  ApplyArrowColors();
}

void TmyScrollBar::SetShadowOffset(int offset) {
  shadowOffset_ = offset;
  ApplyArrowColors();
}

// ---- geometry -------------------------------------------------------------

void TmyScrollBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  StandUp();
}

void TmyScrollBar::StandUp() {
  panel_->setGeometry(rect());
  panel_->SetBevelWidth(bevel_);
  for (TstSpeedButton* button : {first_, second_, thumb_}) button->SetBevelWidth(bevel_);
  const int a = std::max(0, ArrowSide());
  first_->setGeometry(bevel_, bevel_, a, a);
  if (Vertical())
    second_->setGeometry(bevel_, height() - a - bevel_, a, a);
  else
    second_->setGeometry(width() - a - bevel_, bevel_, a, a);
  PlaceThumb();
}

void TmyScrollBar::PlaceThumb() {
  const bool allShown = min_ == max_ || (position_ == min_ && position_ + length_ == max_);
  thumb_->setVisible(!allShown);
  first_->setEnabled(!allShown);
  second_->setEnabled(!allShown);
  if (!allShown) {
    const int64_t track = TrackLength();
    const int64_t range = max_ - min_;
    const int64_t startOffset = MulDiv(track, position_ - min_, range);
    const int64_t endOffset = MulDiv(track, position_ + length_ - min_, range);
    const int64_t lead = bevel_ + ArrowSide();
    int64_t start = lead + startOffset;
    int64_t size = endOffset - startOffset;
    const int64_t minimum = Vertical() ? 2 * bevel_ + 10 : 2 * bevel_;
    if (size < minimum) {
      size = minimum;
      start = std::min(start, lead + track - size);
    }
    const int a = std::max(0, ArrowSide());
    const int thumbSize = int(std::max<int64_t>(0, size));
    if (Vertical())
      thumb_->setGeometry(bevel_, int(start), a, thumbSize);
    else
      thumb_->setGeometry(int(start), bevel_, thumbSize, a);
  }
  update();
  if (OnPositionChange) OnPositionChange(this);
}

// ---- input ----------------------------------------------------------------

void TmyScrollBar::PanelPressed(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint at = event->position().toPoint();
  const int across = Across(at);
  if (across <= bevel_ || across >= Thickness() - bevel_) return;
  const QRect thumb = thumb_->geometry();
  const int thumbStart = Vertical() ? thumb.top() : thumb.left();
  const int thumbEnd = thumbStart + (Vertical() ? thumb.height() : thumb.width());
  if (Along(at) < thumbStart)
    MoveTo(position_ - (length_ + 1));
  else if (Along(at) >= thumbEnd)
    MoveTo(position_ + (length_ + 1));
}

void TmyScrollBar::ThumbPressed(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  thumbHeld_ = true;
  lastPointer_ = event->position().toPoint();
  grabOffset_ = Along(lastPointer_);
}

// The thumb follows the pointer, so the pointer's offset inside the thumb
// minus the offset where it was grabbed is the distance still to go.
void TmyScrollBar::ThumbMoved(QMouseEvent* event) {
  lastPointer_ = event->position().toPoint();
  if (!thumbHeld_ || !(event->buttons() & Qt::LeftButton)) return;
  const int thumbSize = Vertical() ? thumb_->height() : thumb_->width();
  const int64_t freeTrack = TrackLength() - thumbSize;
  if (freeTrack <= 0) return;
  const int64_t distance = Along(lastPointer_) - grabOffset_;
  MoveTo(position_ + MulDiv(distance, max_ - min_ - length_, freeTrack));
}
