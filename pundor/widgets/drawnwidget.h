#pragma once
// Base of the library's self-drawn controls. A control's look lives in one
// cached layer: a change marks the part of the layer that is stale, the next
// paint re-renders only that part, and paintEvent itself only copies pixels.
#include <QPixmap>
#include <QRegion>
#include <QWidget>

#include "platform/guarded.h"
#include "widgets/tagged.h"

class TstDrawnWidget : public platform::Guarded<QWidget>, public TTagged {
 public:
  explicit TstDrawnWidget(QWidget* parent = nullptr);

 protected:
  // Draws the control into its layer. The painter is clipped to the stale
  // part and that part has been cleared to transparent.
  virtual void Render(QPainter& painter) = 0;

  // Marks the whole layer, or one rectangle of it, stale and schedules a paint.
  void Invalidate();
  void Invalidate(const QRect& rect);

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void RefreshLayer();

  QPixmap layer_;
  QRegion stale_;
};
