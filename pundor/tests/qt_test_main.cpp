// Entry point of the calibrator's test programs: one application object for
// the whole run, on the offscreen platform unless the caller chose another,
// and each test kept from leaking timers or shown windows into the next.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "platform/application.h"
#include "tests/test_scope.h"

namespace {

QObject* scope = nullptr;

class TestIsolation : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override { scope = new QObject; }

  // Runs after the fixture is gone.
  void OnTestEnd(const testing::TestInfo&) override {
    delete scope;
    scope = nullptr;
    // Objects the test let go with deleteLater go now, not in a later test.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (!window->isVisible()) continue;
      ADD_FAILURE() << "the test left a window shown: " << window->metaObject()->className() << " \""
                    << window->windowTitle().toStdString() << "\"";
      window->hide();
    }
  }
};

}  // namespace

QObject* TestScope() { return scope; }

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  testing::InitGoogleTest(&argc, argv);
  platform::Application app(argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new TestIsolation);
  return RUN_ALL_TESTS();
}
