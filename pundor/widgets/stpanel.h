#pragma once
// Flat panel with inner and outer bevels. With Enable4All set, enabling or
// disabling the panel enables or disables each direct child whose Tag is not
// negative, so a group panel switches its whole group.
#include <QColor>
#include <functional>

#include "widgets/bevel.h"
#include "widgets/drawnwidget.h"

class QMouseEvent;

class TstPanel : public TstDrawnWidget {
 public:
  explicit TstPanel(QWidget* parent = nullptr);
  // A panel with a gradient bevel of width 3 that fills `window`: the whole
  // client area of the windows without a caption strip.
  static TstPanel* CreateClientPanel(QWidget* window);

  QColor Color() const { return color_; }
  void SetColor(const QColor& color);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut cut);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut cut);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int width);
  bool Gradient() const { return gradient_; }
  void SetGradient(bool gradient);
  bool Enable4All() const { return enable4All_; }
  void SetEnable4All(bool enable);

  // Total width of the bevels on each side.
  int BorderWidth() const;
  // The client rectangle inside the bevels.
  QRect InnerRect() const;

  // Mouse notifications, for windows that drag themselves by a panel.
  std::function<void(TstPanel*, QMouseEvent*)> OnMouseDown;
  std::function<void(TstPanel*, QMouseEvent*)> OnMouseMove;
  std::function<void(TstPanel*, QMouseEvent*)> OnMouseUp;

 protected:
  void Render(QPainter& painter) override;
  // Background and bevels; derived controls draw on top of it.
  void RenderPanel(QPainter& painter);
  void changeEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void PassEnabledToChildren();

  QColor color_{0x42, 0x42, 0x42};
  TBevelCut bevelOuter_ = TBevelCut::bvRaised;
  TBevelCut bevelInner_ = TBevelCut::bvNone;
  int bevelWidth_ = 1;
  bool gradient_ = false;
  bool enable4All_ = false;
};
