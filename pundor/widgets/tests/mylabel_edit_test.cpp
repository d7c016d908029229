#include <gtest/gtest.h>

#include <QTest>

#include "widgets/myintedit.h"
#include "widgets/mylabel.h"
#include "widgets/tests/testing.h"

TEST(TmyLabel, DrawsWithItsDisabledColoursWhenDisabled) {
  TmyLabel label;
  label.resize(60, 50);
  QFont font("Arial");
  font.setPixelSize(40);
  font.setBold(true);
  label.setFont(font);
  label.SetCaption("I");
  label.SetTransparent(false);
  label.SetColor(QColor(1, 2, 3));
  label.SetFontColor(QColor(250, 250, 0));
  label.SetColorDisabled(QColor(4, 5, 6));
  label.SetFontColorDisabled(QColor(0, 0, 250));

  QImage image = Snapshot(label);
  EXPECT_EQ(PixelAt(image, 59, 49), QColor(1, 2, 3));
  EXPECT_TRUE(ContainsColor(image, QColor(250, 250, 0), image.rect()));

  label.setEnabled(false);
  image = Snapshot(label);
  EXPECT_EQ(PixelAt(image, 59, 49), QColor(4, 5, 6));
  EXPECT_TRUE(ContainsColor(image, QColor(0, 0, 250), image.rect()));
  EXPECT_FALSE(ContainsColor(image, QColor(250, 250, 0), image.rect()));
}

TEST(TmyLabel, AlignmentPlacesTheText) {
  TmyLabel label;
  label.resize(100, 20);
  label.SetCaption("W");
  label.SetFontColor(QColor(255, 255, 255));
  label.SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
  const QImage image = Snapshot(label);
  EXPECT_TRUE(ContainsColor(image, QColor(255, 255, 255), QRect(80, 0, 20, 20)));
  EXPECT_FALSE(ContainsColor(image, QColor(255, 255, 255), QRect(0, 0, 60, 20)));
}

class IntEditTest : public testing::Test {
 protected:
  void SetUp() override {
    edit.SetMin(0);
    edit.SetMax(255);
    edit.OnValueChange = [this](TmyIntEdit*) { ++changes; };
  }
  void Type(const QString& keys) {
    edit.selectAll();
    QTest::keyClicks(&edit, keys);
  }

  TmyIntEdit edit;
  int changes = 0;
};

TEST_F(IntEditTest, AcceptsOnlyDigitsAndOneMinus) {
  Type("1a-2.-3x");
  EXPECT_EQ(edit.text(), "1-23");
}

TEST_F(IntEditTest, EnterCommitsAndClampsToTheLimits) {
  Type("300");
  EXPECT_EQ(edit.Value(), 0);
  QTest::keyClick(&edit, Qt::Key_Return);
  EXPECT_EQ(edit.Value(), 255);
  EXPECT_EQ(edit.text(), "255");
  EXPECT_EQ(changes, 1);
  Type("-7");
  QTest::keyClick(&edit, Qt::Key_Enter);
  EXPECT_EQ(edit.Value(), 0);
}

TEST_F(IntEditTest, EscapeRestoresTheLastValue) {
  edit.SetValue(42);
  Type("17");
  QTest::keyClick(&edit, Qt::Key_Escape);
  EXPECT_EQ(edit.Value(), 42);
  EXPECT_EQ(edit.text(), "42");
}

TEST_F(IntEditTest, TextThatIsNoNumberKeepsTheValue) {
  edit.SetValue(9);
  Type("-");
  QTest::keyClick(&edit, Qt::Key_Return);
  EXPECT_EQ(edit.Value(), 9);
  EXPECT_EQ(edit.text(), "9");
}

TEST_F(IntEditTest, LeavingTheFieldCommits) {
  QWidget window;
  edit.setParent(&window);
  QLineEdit other(&window);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  window.activateWindow();
  edit.setFocus();
  QTest::keyClicks(&edit, "12");
  other.setFocus();
  EXPECT_EQ(edit.Value(), 12);
  edit.setParent(nullptr);
}

TEST_F(IntEditTest, KeyNotificationsCanDropKeys) {
  int downs = 0;
  edit.OnKeyDown = [&](TstAlignEdit*, int& key, Qt::KeyboardModifiers) {
    ++downs;
    if (key == Qt::Key_5) key = 0;
  };
  QChar seen;
  edit.OnKeyPress = [&](TstAlignEdit*, QChar& ch) { seen = ch; };
  Type("45");
  EXPECT_EQ(edit.text(), "4");
  EXPECT_EQ(downs, 2);
  QTest::keyClick(&edit, Qt::Key_Return);
  EXPECT_TRUE(seen.isNull());  // Enter was taken by the field
}

TEST_F(IntEditTest, UndefinedValueShowsItsTextAndIsNotClamped) {
  edit.SetUndefValue(-1);
  edit.SetUndefValueText("none");
  edit.SetDisplayUndefValueText(true);
  edit.SetValue(-1);
  EXPECT_EQ(edit.Value(), -1);
  EXPECT_EQ(edit.text(), "none");
  QTest::keyClick(&edit, Qt::Key_Return);  // the text is no number: the value stays
  EXPECT_EQ(edit.Value(), -1);
}
