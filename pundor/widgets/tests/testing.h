#pragma once
// Showing widgets offscreen and reading the pixels they paint.
#include <QImage>
#include <QTest>
#include <QWidget>
#include <cstdlib>

// Shows a widget on the offscreen screen, so that it is laid out and gets
// its events as on a desktop.
inline bool ShowForTest(QWidget& widget) {
  widget.show();
  return QTest::qWaitForWindowExposed(&widget);
}

// Sends a click press or release to whatever child lies under a point.
inline void PressAt(QWidget& top, const QPoint& point) {
  QWidget* target = top.childAt(point) ? top.childAt(point) : &top;
  QTest::mousePress(target, Qt::LeftButton, {}, target->mapFrom(&top, point));
  QTest::mouseRelease(target, Qt::LeftButton, {}, target->mapFrom(&top, point));
}

inline QImage Snapshot(QWidget& widget) { return widget.grab().toImage(); }

inline QColor PixelAt(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

// True when a pixel in the area is the colour, each channel within tolerance
// (antialiased text rarely hits its colour exactly).
inline bool ContainsColor(const QImage& image, const QColor& color, const QRect& area, int tolerance = 0) {
  const QRect inside = area.intersected(image.rect());
  for (int y = inside.top(); y <= inside.bottom(); ++y)
    for (int x = inside.left(); x <= inside.right(); ++x) {
      const QColor pixel = image.pixelColor(x, y);
      if (std::abs(pixel.red() - color.red()) <= tolerance &&
          std::abs(pixel.green() - color.green()) <= tolerance &&
          std::abs(pixel.blue() - color.blue()) <= tolerance)
        return true;
    }
  return false;
}
