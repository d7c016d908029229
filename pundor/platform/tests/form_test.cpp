#include "platform/form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>

#include "platform/application.h"

namespace platform {
namespace {

TEST(FormModal, ReturnsTheResultSetWhileShownAndHidesAgain) {
  Form form;
  Post(&form, [&] {
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.ShownModally());
    EXPECT_EQ(Form::ModalForms(), std::vector<Form*>{&form});
    form.SetModalResult(ModalResult::Ok);
  });
  EXPECT_EQ(form.ShowModal(), ModalResult::Ok);
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(form.ShownModally());
  EXPECT_TRUE(Form::ModalForms().empty());
}

TEST(FormModal, ClosingTheWindowGivesCancel) {
  Form form;
  Post(&form, [&] { form.close(); });
  EXPECT_EQ(form.ShowModal(), ModalResult::Cancel);
}

TEST(FormModal, AResultSetBeforeShowingDoesNotEndTheNextShowing) {
  Form form;
  form.SetModalResult(ModalResult::Ok);
  Post(&form, [&] { form.SetModalResult(ModalResult::No); });
  EXPECT_EQ(form.ShowModal(), ModalResult::No);
}

TEST(FormModal, AResultSetWhileShowingEndsAtOnce) {
  Form form;
  form.OnShow = [](Form* sender) { sender->SetModalResult(ModalResult::Yes); };
  EXPECT_EQ(form.ShowModal(), ModalResult::Yes);
}

TEST(FormModal, CloseQueryCanKeepTheWindowOpen) {
  Form form;
  bool allow = false;
  int asked = 0;
  form.OnCloseQuery = [&](Form*, bool& canClose) {
    ++asked;
    canClose = allow;
  };
  Post(&form, [&] {
    form.SetModalResult(ModalResult::Ok);
    form.close();
    EXPECT_TRUE(form.ShownModally());
    allow = true;
    form.SetModalResult(ModalResult::Ok);
  });
  EXPECT_EQ(form.ShowModal(), ModalResult::Ok);
  EXPECT_EQ(asked, 3);
}

TEST(FormModal, TimersKeepRunningWhileShown) {
  Form form;
  int ticks = 0;
  QTimer timer;
  timer.setInterval(1);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (++ticks == 3) form.SetModalResult(ModalResult::Ok);
  });
  timer.start();
  EXPECT_EQ(form.ShowModal(), ModalResult::Ok);
  EXPECT_EQ(ticks, 3);
}

TEST(FormModal, CancelAllModalClosesEveryNestedModalForm) {
  Form outer, inner;
  ModalResult innerResult = ModalResult::None;
  std::vector<Form*> shownDuringCancel;
  outer.OnShow = [&](Form*) { Post(&outer, [&] { innerResult = inner.ShowModal(); }); };
  inner.OnShow = [&](Form*) {
    Post(&inner, [&] {
      shownDuringCancel = Form::ModalForms();
      Form::CancelAllModal();
    });
  };
  EXPECT_EQ(outer.ShowModal(), ModalResult::Cancel);
  EXPECT_EQ(innerResult, ModalResult::Cancel);
  EXPECT_EQ(shownDuringCancel, (std::vector<Form*>{&outer, &inner}));
  EXPECT_TRUE(Form::ModalForms().empty());
}

TEST(FormModal, DestroyingAModalFormEndsItsShowing) {
  auto* form = new Form;
  Post(form, [form] { form->deleteLater(); });
  EXPECT_EQ(form->ShowModal(), ModalResult::Cancel);
  EXPECT_TRUE(Form::ModalForms().empty());
}

TEST(FormWindow, IsABorderlessTopLevelWindowThatDoesNotEndTheProgram) {
  Form form;
  EXPECT_TRUE(form.isWindow());
  EXPECT_TRUE(form.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_FALSE(form.testAttribute(Qt::WA_QuitOnClose));
}

TEST(FormWindow, ReportsActivationAndDeactivation) {
  Form first, second;
  std::vector<std::pair<Form*, bool>> changes;
  first.OnActivate =
      second.OnActivate = [&](Form* sender, bool active) { changes.emplace_back(sender, active); };
  first.show();
  first.activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return first.isActiveWindow(); }));
  second.show();
  second.activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return second.isActiveWindow(); }));
  ASSERT_EQ(changes.size(), 3u);
  EXPECT_EQ(changes[0], std::make_pair(&first, true));
  const std::vector<std::pair<Form*, bool>> handOver(changes.begin() + 1, changes.end());
  EXPECT_THAT(handOver,
              testing::UnorderedElementsAre(std::make_pair(&first, false), std::make_pair(&second, true)));
}

TEST(FormWindow, CentersOnItsScreen) {
  Form form;
  form.resize(200, 100);
  form.CenterOnScreen();
  const QRect screen = form.screen()->availableGeometry();
  EXPECT_LE(std::abs(form.frameGeometry().center().x() - screen.center().x()), 1);
  EXPECT_LE(std::abs(form.frameGeometry().center().y() - screen.center().y()), 1);
}

}  // namespace
// A window opening beside another: right of it, else left of it, else below or
// above it, else where it hides least of it, and never off the screen.
TEST(FormPlacement, BesideTheAnchorAndOnTheScreen) {
  const QRect screen(0, 0, 1600, 900);
  const QSize graph(557, 406);
  EXPECT_EQ(PlaceBeside(graph, QRect(100, 200, 661, 433), screen), QPoint(761, 200));
  EXPECT_EQ(PlaceBeside(graph, QRect(900, 200, 661, 433), screen), QPoint(343, 200));
  EXPECT_EQ(PlaceBeside(graph, QRect(100, 700, 661, 433), screen), QPoint(761, 494));
  EXPECT_EQ(PlaceBeside(graph, QRect(500, -50, 661, 433), QRect(0, 0, 1000, 700)), QPoint(0, 294));
  // The table editor centred on 1280 x 1024: the graph takes the corner
  // that covers least of it.
  const QRect sxga(0, 0, 1280, 1024);
  EXPECT_EQ(PlaceBeside(graph, QRect(309, 295, 661, 433), sxga), QPoint(723, 618));
  // The main window centred there: the automatic calibration window below it.
  EXPECT_EQ(PlaceBeside(QSize(380, 292), QRect(367, 383, 545, 258), sxga), QPoint(367, 641));
  EXPECT_EQ(PlaceBeside(QSize(1200, 1000), QRect(10, 10, 50, 50), screen), QPoint(60, 0));
}

}  // namespace platform
