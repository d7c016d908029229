#pragma once
// Flat button drawn by the library, with a caption or a drawn glyph, and the
// press-and-repeat behaviour that every arrow of the composite controls uses:
// OnPress fires at the press, then, once Delay ms have passed, every Speed ms
// while the button stays pressed. OnClick fires on a release over the button.
// A press ends however the button loses the mouse: a release anywhere, or its
// window blocked by a modal window, deactivated or hidden, or the button
// hidden or disabled (a release that then goes elsewhere never reaches it).
#include <QColor>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "widgets/drawnwidget.h"

class QMouseEvent;

enum class TButtonKind { bkCaption, bkArrowLeft, bkArrowRight, bkArrowUp, bkArrowDown, bkMinimize, bkClose };

class TstSpeedButton : public TstDrawnWidget {
 public:
  explicit TstSpeedButton(QWidget* parent = nullptr);

  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  TButtonKind Kind() const { return kind_; }
  void SetKind(TButtonKind kind);
  int KindPercent() const { return kindPercent_; }
  void SetKindPercent(int percent);

  QColor Color() const { return color_; }
  void SetColor(const QColor& color);
  QColor ColorDown() const { return colorDown_; }
  void SetColorDown(const QColor& color);
  QColor ColorDisabled() const { return colorDisabled_; }
  void SetColorDisabled(const QColor& color);
  QColor FontColor() const { return fontColor_; }
  void SetFontColor(const QColor& color);
  QColor FontColorDown() const { return fontColorDown_; }
  void SetFontColorDown(const QColor& color);
  QColor FontColorDisabled() const { return fontColorDisabled_; }
  void SetFontColorDisabled(const QColor& color);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int width);
  // How far, in percent, the lit and shaded sides of the bevel move away from
  // the face colour.
  int ShadowOffset() const { return shadowOffset_; }
  void SetShadowOffset(int offset);

  int Speed() const { return speed_; }
  void SetSpeed(int ms);
  int Delay() const { return delay_; }
  void SetDelay(int ms) { delay_ = std::max(0, ms); }
  // Keeps the button drawn pressed while the pointer is dragged outside it.
  bool KeepMouse() const { return keepMouse_; }
  void SetKeepMouse(bool keep) { keepMouse_ = keep; }

  // True while the button is drawn pressed.
  bool Down() const { return down_; }

  QSize sizeHint() const override { return {22, 23}; }

  std::function<void(TstSpeedButton*)> OnClick;
  std::function<void(TstSpeedButton*)> OnPress;
  std::function<void(TstSpeedButton*, QMouseEvent*)> OnMouseDown;
  std::function<void(TstSpeedButton*, QMouseEvent*)> OnMouseMove;
  // The press ended, released or lost.
  std::function<void(TstSpeedButton*)> OnPressEnd;

 protected:
  void Render(QPainter& painter) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void SetDown(bool down);
  void EndPress();
  void RepeatTick();
  void SetColorField(QColor& field, const QColor& color);
  QColor FaceColor() const;
  QColor GlyphColor() const;
  void RenderGlyph(QPainter& painter, const QRect& area) const;

  QString caption_;
  TButtonKind kind_ = TButtonKind::bkCaption;
  int kindPercent_ = 60;
  QColor color_{0x52, 0x52, 0x52};
  QColor colorDown_{0x40, 0x40, 0x40};
  QColor colorDisabled_{0x4a, 0x4a, 0x4a};
  QColor fontColor_{0xe0, 0xe0, 0xe0};
  QColor fontColorDown_{0xff, 0xff, 0xff};
  QColor fontColorDisabled_{0x80, 0x80, 0x80};
  int bevelWidth_ = 2;
  int shadowOffset_ = 50;
  int speed_ = 100;
  int delay_ = 500;
  bool keepMouse_ = false;

  bool tracking_ = false;  // the left button went down on this button and is still held
  bool down_ = false;
  QTimer repeat_;
  QElapsedTimer sincePress_;
};
