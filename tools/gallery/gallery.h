#pragma once
// The gallery renders the program's widgets and windows to PNG files, so that
// anyone can look at them without a display. Each source file of this folder
// registers its pages with ORVANTA_GALLERY_PAGE; the pages are rendered in
// name order.
#include <QImage>
#include <QString>
#include <functional>

namespace gallery {

using Render = std::function<QImage()>;

// Registers a page; returns true so that it can initialise a static.
bool Register(const QString& name, Render render);

// Grabs a widget as it would be painted on screen (it need not be shown).
QImage Grab(class QWidget* widget);

}  // namespace gallery

#define ORVANTA_GALLERY_CONCAT_(a, b) a##b
#define ORVANTA_GALLERY_CONCAT(a, b) ORVANTA_GALLERY_CONCAT_(a, b)
#define ORVANTA_GALLERY_PAGE(name)                                              \
  static QImage ORVANTA_GALLERY_CONCAT(galleryPage_, __LINE__)();               \
  static const bool ORVANTA_GALLERY_CONCAT(galleryRegistered_, __LINE__) =      \
      gallery::Register(name, ORVANTA_GALLERY_CONCAT(galleryPage_, __LINE__)); \
  static QImage ORVANTA_GALLERY_CONCAT(galleryPage_, __LINE__)()
