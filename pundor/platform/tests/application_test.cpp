#include "platform/application.h"

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QPointer>
#include <QTest>

#include "platform/error.h"
#include "tests/test_operator.h"

namespace platform {
namespace {

Application& App() {
  Application* app = Application::Instance();
  EXPECT_NE(app, nullptr);
  return *app;
}

// A widget whose click handler fails, as an entry check of a dialog does.
class FailingWidget : public QWidget {
 protected:
  void mousePressEvent(QMouseEvent*) override { throw Error("Invalid frequency"); }
};

TEST(StandardExceptionBox, ShowsAnExceptionEscapingAnEventHandlerAndTheWindowStays) {
  TestOperator op;
  op.Answer(ModalResult::Ok);
  FailingWidget widget;
  widget.resize(50, 50);
  widget.show();
  QTest::mouseClick(&widget, Qt::LeftButton);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text(), "Invalid frequency");
  EXPECT_EQ(op.Boxes()[0].caption(), "Error");
  EXPECT_EQ(op.Boxes()[0].request.icon, MessageIcon::Error);
  EXPECT_TRUE(widget.isVisible());
}

TEST(StandardExceptionBox, ShowsExceptionsFromPostedCallbacksAndAnyStandardException) {
  TestOperator op;
  op.Answer(ModalResult::Ok);
  QObject receiver;
  Post(&receiver, [] { throw std::out_of_range("index out of range"); });
  ProcessMessages();
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text(), "index out of range");
}

TEST(Guard, RunsTheActionAndShowsWhatEscapes) {
  TestOperator op;
  int runs = 0;
  EXPECT_TRUE(Guard([&] { ++runs; }));
  op.Answer(ModalResult::Ok);
  EXPECT_FALSE(Guard([&] {
    ++runs;
    throw Error("Unknown mode");
  }));
  EXPECT_EQ(runs, 2);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text(), "Unknown mode");
}

TEST(Post, RunsLaterAndNotForAReceiverThatIsGone) {
  auto receiver = std::make_unique<QObject>();
  QObject survivor;
  std::vector<int> ran;
  Post(receiver.get(), [&] { ran.push_back(1); });
  Post(&survivor, [&] { ran.push_back(2); });
  EXPECT_TRUE(ran.empty());
  receiver.reset();
  ProcessMessages();
  EXPECT_EQ(ran, std::vector<int>{2});
}

// Forms of a small program run by the tests below.
class CountingForm : public Form {
 public:
  CountingForm() { order().push_back(this); }
  ~CountingForm() override { destroyed().push_back(this); }
  static std::vector<Form*>& order() {
    static std::vector<Form*> forms;
    return forms;
  }
  static std::vector<Form*>& destroyed() {
    static std::vector<Form*> forms;
    return forms;
  }
};

CountingForm* firstForm = nullptr;
CountingForm* secondForm = nullptr;

class ApplicationRun : public testing::Test {
 protected:
  void SetUp() override {
    CountingForm::order().clear();
    CountingForm::destroyed().clear();
  }
};

// The desktop appends Qt's display name to the caption of every box and
// dialog ("Error \u2014 Orvanta"): the program's title is kept apart from it.
TEST(ApplicationTitle, IsNotTheDisplayNameOfEveryWindow) {
  App().SetTitle(QStringLiteral("Orvanta"));
  EXPECT_EQ(App().Title(), QStringLiteral("Orvanta"));
  EXPECT_NE(QGuiApplication::applicationDisplayName(), QStringLiteral("Orvanta"));
}

TEST_F(ApplicationRun, ShowsTheFirstFormAndEndsWhenItCloses) {
  App().SetShowMainForm(true);
  App().CreateForm(firstForm);
  App().CreateForm(secondForm);
  EXPECT_EQ(App().MainForm(), firstForm);
  bool shownWhenRunning = false;
  Post(firstForm, [&] {
    shownWhenRunning = firstForm->isVisible() && !secondForm->isVisible();
    firstForm->close();
  });
  App().Run();
  EXPECT_TRUE(shownWhenRunning);
  EXPECT_EQ(firstForm, nullptr);
  EXPECT_EQ(secondForm, nullptr);
  // Destroyed in reverse order of creation.
  const auto& created = CountingForm::order();
  ASSERT_EQ(created.size(), 2u);
  EXPECT_EQ(CountingForm::destroyed(), (std::vector<Form*>{created[1], created[0]}));
}

TEST_F(ApplicationRun, EndsAtOnceWithoutShowingAnythingWhenTerminatedBeforehand) {
  App().CreateForm(firstForm);
  App().Terminate();
  EXPECT_TRUE(App().Terminated());
  App().Run();
  EXPECT_EQ(firstForm, nullptr);
  EXPECT_EQ(CountingForm::destroyed().size(), 1u);
  EXPECT_FALSE(App().Terminated());
}

TEST_F(ApplicationRun, KeepsTheMainFormHiddenWhenItSaysSo) {
  App().SetShowMainForm(false);
  App().CreateForm(firstForm);
  bool visible = true;
  Post(firstForm, [&] {
    visible = firstForm->isVisible();
    App().Terminate();
  });
  App().Run();
  EXPECT_FALSE(visible);
}

TEST_F(ApplicationRun, TerminateCancelsOpenModalForms) {
  App().SetShowMainForm(true);
  App().CreateForm(firstForm);
  App().CreateForm(secondForm);
  ModalResult result = ModalResult::None;
  Post(firstForm, [&] {
    Post(secondForm, [] { App().Terminate(); });
    result = secondForm->ShowModal();
  });
  App().Run();
  EXPECT_EQ(result, ModalResult::Cancel);
}

}  // namespace
}  // namespace platform
