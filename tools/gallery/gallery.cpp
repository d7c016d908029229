// gallery [output folder]: renders every registered page to <name>.png.
#include "gallery.h"

#include <QApplication>
#include <QDir>
#include <QWidget>
#include <cstdio>
#include <map>

namespace gallery {
namespace {

std::map<QString, Render>& Pages() {
  static std::map<QString, Render> pages;
  return pages;
}

}  // namespace

bool Register(const QString& name, Render render) {
  Pages()[name] = std::move(render);
  return true;
}

QImage Grab(QWidget* widget) {
  widget->ensurePolished();
  return widget->grab().toImage();
}

}  // namespace gallery

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("gallery");
  QDir().mkpath(folder);
  int failures = 0;
  for (const auto& [name, render] : gallery::Pages()) {
    const QString path = QDir(folder).filePath(name + ".png");
    const QImage image = render();
    if (image.isNull() || !image.save(path)) {
      std::fprintf(stderr, "gallery: could not render %s\n", qPrintable(name));
      ++failures;
      continue;
    }
    std::printf("%s\n", qPrintable(path));
  }
  return failures == 0 ? 0 : 1;
}
