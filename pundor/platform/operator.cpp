#include "platform/operator.h"

#include <QGuiApplication>

namespace platform {
namespace {

Operator*& Installed() {
  static Operator* op = nullptr;
  return op;
}

}  // namespace

Operator* InstalledOperator() { return Installed(); }

void InstallOperator(Operator* op) { Installed() = op; }

bool NobodyAtScreen() { return QGuiApplication::platformName() == QLatin1String("offscreen"); }

}  // namespace platform
