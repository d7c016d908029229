#pragma once
// Drawn scroll bar: a panel with two arrow buttons and a thumb button. The
// range is Min..Max, the page of Length units starts at Position; the setters
// keep Min <= Position, Position + Length <= Max and Length >= 0. The thumb is
// placed in integer arithmetic after every change and OnPositionChange fires
// on every placement, whoever caused it.
#include <QColor>
#include <QPoint>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "platform/guarded.h"
#include "widgets/tagged.h"

class TstPanel;
class TstSpeedButton;
class QMouseEvent;

enum class TScrollBarKind { sbHorizontal, sbVertical };

class TmyScrollBar : public platform::Guarded<QWidget>, public TTagged {
 public:
  explicit TmyScrollBar(QWidget* parent = nullptr);

  TScrollBarKind Kind() const { return kind_; }
  void SetKind(TScrollBarKind kind);
  int64_t Min() const { return min_; }
  void SetMin(int64_t min);
  int64_t Max() const { return max_; }
  void SetMax(int64_t max);
  int64_t Position() const { return position_; }
  // Ignored while the thumb is held, so that a grid answering
  // OnPositionChange by scrolling cannot fight the drag.
  void SetPosition(int64_t position);
  int64_t Length() const { return length_; }
  void SetLength(int64_t length);
  // Sets Min and Max at once with the page over the whole range; refused
  // (false) when max < min.
  bool SetRange(int64_t min, int64_t max);
  int Bevel() const { return bevel_; }
  void SetBevel(int bevel);

  QColor Color() const;
  void SetColor(const QColor& color);
  QColor ColorArrow() const { return colorArrow_; }
  void SetColorArrow(const QColor& color);
  QColor DownColor() const { return downColor_; }
  void SetDownColor(const QColor& color);
  QColor DownColorArrow() const { return downColorArrow_; }
  void SetDownColorArrow(const QColor& color);
  QColor ColorDisabled() const { return colorDisabled_; }
  void SetColorDisabled(const QColor& color);
  QColor ColorDisabledArrow() const { return colorDisabledArrow_; }
  void SetColorDisabledArrow(const QColor& color);
  int ShadowOffset() const { return shadowOffset_; }
  void SetShadowOffset(int offset);

  // The parts, for windows and tests that need their geometry.
  TstSpeedButton* FirstArrow() const { return first_; }
  TstSpeedButton* SecondArrow() const { return second_; }
  TstSpeedButton* Thumb() const { return thumb_; }
  bool ThumbHeld() const { return thumbHeld_; }

  QSize sizeHint() const override { return {200, 20}; }

  std::function<void(TmyScrollBar*)> OnPositionChange;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  bool Vertical() const { return kind_ == TScrollBarKind::sbVertical; }
  int Along(const QPoint& point) const { return Vertical() ? point.y() : point.x(); }
  int Across(const QPoint& point) const { return Vertical() ? point.x() : point.y(); }
  int LengthAlong() const { return Vertical() ? height() : width(); }
  int Thickness() const { return Vertical() ? width() : height(); }
  int ArrowSide() const { return Thickness() - 2 * bevel_; }
  int TrackLength() const { return LengthAlong() - 2 * bevel_ - 2 * ArrowSide(); }

  void StandUp();
  void PlaceThumb();
  void MoveTo(int64_t position);
  void ApplyArrowColors();
  void PanelPressed(QMouseEvent* event);
  void ThumbPressed(QMouseEvent* event);
  void ThumbMoved(QMouseEvent* event);

  TScrollBarKind kind_ = TScrollBarKind::sbHorizontal;
  int64_t min_ = 0;
  int64_t max_ = 100;
  int64_t position_ = 0;
  int64_t length_ = 20;
  int bevel_ = 3;
  QColor colorArrow_{0x00, 0xff, 0x00};
  QColor downColor_{0x30, 0x30, 0x30};
  QColor downColorArrow_{0x00, 0xff, 0x00};
  QColor colorDisabled_{0x40, 0x40, 0x40};
  QColor colorDisabledArrow_{0x80, 0x80, 0x80};
  int shadowOffset_ = 50;

  TstPanel* panel_;
  TstSpeedButton* first_;
  TstSpeedButton* second_;
  TstSpeedButton* thumb_;

  bool thumbHeld_ = false;
  int grabOffset_ = 0;  // pointer offset inside the thumb at the press
  QPoint lastPointer_;  // pointer last seen over the thumb, thumb coordinates
};
