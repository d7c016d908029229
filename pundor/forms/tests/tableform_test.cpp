// The table editor: its grid, the live raw mark, the value dialog and the
// bulk tools, through the real windows and the real library.
#include <QLocale>
#include <QScreen>
#include <QTest>

#include "calibrating_testing.h"
#include "widgets/myintedit.h"
#include "widgets/mylabel.h"
#include "widgets/stalignedit.h"
#include "widgets/stringgrid.h"

namespace {

class TableEditorTest : public CalibratingTest {
 protected:
  void SetUp() override {
    CalibratingTest::SetUp();
    TableForm->LoadTable(Column(0.0), QStringLiteral("7 MHz"));
  }

  void Load(std::initializer_list<std::pair<int, double>> points) {
    TLevelTable levels{};
    for (const auto& [idx, level] : points) levels[idx] = level;
    TableForm->LoadTable(levels, QStringLiteral("7 MHz"));
  }

  // Runs a bulk tool with the fill dialog answered by value and range.
  void RunRangeTool(void (TTableForm::*tool)(), const QString& value, int from, int to) {
    WhenShown(FillForm, [=] {
      FillForm->V->setText(value);
      FillForm->From->SetValue(from);
      FillForm->To->SetValue(to);
      FillForm->BOKClick();
    });
    (TableForm->*tool)();
  }

  // Shows the value dialog on a double click or Enter if it opens at all;
  // true when it did (it is cancelled at once).
  bool ValueDialogOpens(const std::function<void()>& gesture) {
    bool opened = false;
    WhenShown(EditValForm, [&] {
      opened = true;
      EditValForm->SetModalResult(platform::ModalResult::Cancel);
    });
    gesture();
    Settle(30);
    return opened;
  }

  void DoubleClickAt(const QPoint& point) { QTest::mouseDClick(TableForm->T, Qt::LeftButton, {}, point); }
  QPoint CellCentre(int col, int row) { return TableForm->T->CellRect(col, row).center(); }
};

TEST_F(TableEditorTest, GridHasRawAndDBmPairsWithTheLastPairEndingAt255) {
  EXPECT_EQ(TableForm->T->ColCount(), 22);
  EXPECT_EQ(TableForm->T->RowCount(), 25);
  EXPECT_EQ(TableForm->T->ColWidths(0), 24);
  EXPECT_EQ(TableForm->T->ColWidths(1), 33);
  EXPECT_EQ(TTableForm::EntryIndex(20, 16), 255);
  EXPECT_EQ(TableForm->T->Cells(21, 16), QStringLiteral("0.0"));
  EXPECT_TRUE(TableForm->T->Cells(21, 17).isEmpty());
  bool canSelect = true;
  TableForm->TSelectCell(20, 1, canSelect);
  EXPECT_FALSE(canSelect) << "RAW cells are not selectable";
  TableForm->TSelectCell(21, 17, canSelect);
  EXPECT_FALSE(canSelect) << "blank cells of the last pair are not selectable";
  TableForm->TSelectCell(21, 16, canSelect);
  EXPECT_TRUE(canSelect);
}

TEST_F(TableEditorTest, LoadTableWritesEveryLevelWithOneDecimal) {
  Load({{0, -120.24}, {37, -73.5}, {255, -3.0}});
  EXPECT_EQ(TableForm->T->Cells(1, 1), QStringLiteral("-120.2"));
  EXPECT_EQ(TableForm->T->Cells(3, 14), QStringLiteral("-73.5"));
  EXPECT_EQ(TableForm->T->Cells(21, 16), QStringLiteral("-3.0"));
  EXPECT_EQ(TableForm->Levels[0], -120.24) << "Levels keep the exact value";
}

// "%.01f" as C writes it: ties to even, ASCII minus, the user's separator.
TEST_F(TableEditorTest, LevelsAreWrittenAsCWritesThemWithTheUsersSeparator) {
  const QLocale previous;
  QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden));
  Load({{0, -73.25}, {1, -0.75}, {2, -0.04}});
  QLocale::setDefault(previous);
  EXPECT_EQ(TableForm->T->Cells(1, 1), QStringLiteral("-73,2"));
  EXPECT_EQ(TableForm->T->Cells(1, 2), QStringLiteral("-0,8"));
  EXPECT_EQ(TableForm->T->Cells(1, 3), QStringLiteral("-0,0"));
}

// Each cell keeps its full size, its grid lines lie in the room between the
// cells, and the cells reach the grid's right and bottom edges.
TEST_F(TableEditorTest, CellsAndGridLinesFillTheGrid) {
  TStringGrid* grid = TableForm->T;
  const QImage image = grid->grab().toImage();
  const QColor level(0x63, 0x63, 0x63);
  const QColor line(0x42, 0x42, 0x42);
  const QRect first = grid->CellRect(21, 1);  // entry 240, the last column
  EXPECT_EQ(first.right() + 2, grid->width());
  EXPECT_EQ(image.pixelColor(first.bottomRight()), level);
  EXPECT_EQ(image.pixelColor(first.bottomRight() + QPoint(1, 0)), line);
  EXPECT_EQ(image.pixelColor(first.bottomRight() + QPoint(0, 1)), line);
  const QRect last = grid->CellRect(19, 24);  // entry 239, the last row
  EXPECT_EQ(last.bottom() + 2, grid->height());
  EXPECT_EQ(image.pixelColor(last.bottomRight()), level);
  EXPECT_EQ(image.pixelColor(last.bottomRight() + QPoint(0, 1)), line);
}

TEST_F(TableEditorTest, CurrentRawIsMarkedAndOnlyChangedCellsRepaint) {
  TableForm->SetCurrentRaw(0);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(TableForm) ||
              (TableForm->show(), QTest::qWaitForWindowExposed(TableForm)));
  Settle();
  std::vector<std::pair<int, int>> painted;
  auto draw = TableForm->T->OnDrawCell;
  TableForm->T->OnDrawCell = [&](TStringGrid* grid, int col, int row, const QRect& rect, QPainter& painter,
                                 bool selected) {
    painted.emplace_back(col, row);
    draw(grid, col, row, rect, painter, selected);
  };
  TableForm->SetCurrentRaw(37);
  TableForm->T->grab();
  const std::vector<std::pair<int, int>> expected{{0, 1}, {2, 14}};
  std::sort(painted.begin(), painted.end());
  painted.erase(std::unique(painted.begin(), painted.end()), painted.end());
  EXPECT_EQ(painted, expected);
  const QImage image = TableForm->T->grab().toImage();
  EXPECT_EQ(image.pixelColor(TableForm->T->CellRect(2, 14).topLeft() + QPoint(1, 1)), QColor(0x80, 0, 0));
  painted.clear();
  TableForm->SetCurrentRaw(37);
  Settle();
  EXPECT_TRUE(painted.empty()) << "the same raw value repaints nothing";
  TableForm->T->OnDrawCell = draw;
  TableForm->hide();
}

TEST_F(TableEditorTest, ValueDialogEditsOneLevelExactlyAndSetsModified) {
  TableForm->Modified = false;
  WhenShown(EditValForm, [] {
    EXPECT_EQ(EditValForm->L->Caption(), QStringLiteral("30"));
    EXPECT_EQ(EditValForm->V->text(), QStringLiteral("0.0"));
    EditValForm->V->setText(QStringLiteral("-80.24"));
    EditValForm->BOKClick();
  });
  TableForm->EditEntry(30, 3, 7);
  EXPECT_EQ(TableForm->Levels[30], -80.24);
  EXPECT_EQ(TableForm->T->Cells(3, 7), QStringLiteral("-80.2"));
  EXPECT_EQ(GraphForm->Set->GetValue(30), -80.24);
  EXPECT_TRUE(TableForm->Modified);
  EXPECT_EQ(TableForm->Levels[29], 0.0);
}

TEST_F(TableEditorTest, ValueDialogAcceptsTheBoundsOnly) {
  for (const char* accepted : {"-140", "0", "-0.0"}) {
    EditValForm->V->setText(QString::fromLatin1(accepted));
    EXPECT_NO_THROW(EditValForm->BOKClick()) << accepted;
  }
  for (const char* rejected : {"-140.01", "0.01"}) {
    EditValForm->V->setText(QString::fromLatin1(rejected));
    try {
      EditValForm->BOKClick();
      ADD_FAILURE() << rejected << " accepted";
    } catch (const platform::Error& error) {
      EXPECT_STREQ(error.what(), "dBm value is out of range -140 - 0");
    }
  }
  EditValForm->V->setText(QStringLiteral("abc"));
  EXPECT_THROW(EditValForm->BOKClick(), platform::Error);
}

// Not a number compares false with both bounds; it must still be refused, or
// the column would fail in PutDBMs after the editor closed.
TEST_F(TableEditorTest, NonFiniteNumbersAreRefusedAsOutOfRangeByBothDialogs) {
  const auto refused = [](platform::Form* dialog, const std::function<void()>& ok, const char* text,
                          const char* message) {
    dialog->SetModalResult(platform::ModalResult::None);
    try {
      ok();
      ADD_FAILURE() << text << " accepted";
    } catch (const platform::Error& error) {
      EXPECT_STREQ(error.what(), message) << text;
    }
    EXPECT_EQ(dialog->Result(), platform::ModalResult::None) << text;
  };
  for (const char* text : {"nan", "NaN", "inf", "-inf"}) {
    EditValForm->V->setText(QString::fromLatin1(text));
    refused(
        EditValForm, [] { EditValForm->BOKClick(); }, text, "dBm value is out of range -140 - 0");
    FillForm->V->setText(QString::fromLatin1(text));
    FillForm->FillMode = true;
    refused(
        FillForm, [] { FillForm->BOKClick(); }, text, "Value out of range -140 - 0");
    FillForm->FillMode = false;
    refused(
        FillForm, [] { FillForm->BOKClick(); }, text, "Value out of range -140 - 140");
  }
}

TEST_F(TableEditorTest, RejectedValueShowsTheErrorAndKeepsTheDialogOpen) {
  op.Answer(platform::ModalResult::Ok);
  WhenShown(EditValForm, [] {
    EditValForm->V->setText(QStringLiteral("5"));
    QTest::keyClick(EditValForm->V, Qt::Key_Return);
    EXPECT_TRUE(EditValForm->isVisible());
    EditValForm->V->setText(QStringLiteral("-5"));
    QTest::keyClick(EditValForm->V, Qt::Key_Return);
  });
  TableForm->EditEntry(1, 1, 2);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text(), QStringLiteral("dBm value is out of range -140 - 0"));
  EXPECT_EQ(op.Boxes()[0].caption(), QStringLiteral("Error"));
  EXPECT_EQ(TableForm->Levels[1], -5.0);
}

TEST_F(TableEditorTest, DoubleClickOpensTheValueDialogOnlyOnLevelCells) {
  TableForm->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(TableForm));
  EXPECT_FALSE(ValueDialogOpens([&] { DoubleClickAt(CellCentre(0, 3)); })) << "RAW cell";
  EXPECT_FALSE(ValueDialogOpens([&] { DoubleClickAt(CellCentre(1, 0)); })) << "header";
  EXPECT_FALSE(ValueDialogOpens([&] { DoubleClickAt(CellCentre(21, 20)); })) << "blank cell";
  const QRect grid = TableForm->T->rect();
  EXPECT_FALSE(ValueDialogOpens([&] { DoubleClickAt(grid.bottomRight() - QPoint(1, 1)); })) << "margin";
  EXPECT_TRUE(ValueDialogOpens([&] { DoubleClickAt(CellCentre(5, 3)); })) << "dBm cell";
  TableForm->T->SetCurrent(21, 16);
  EXPECT_TRUE(ValueDialogOpens([&] { QTest::keyClick(TableForm->T, Qt::Key_Return); })) << "Enter";
  TableForm->hide();
}

TEST_F(TableEditorTest, FillSetsTheRangeAndAnEmptyRangeChangesNothing) {
  Load({{10, -50.0}});
  RunRangeTool(&TTableForm::stSpeedButton2Click, QStringLiteral("-60"), 10, 5);
  EXPECT_EQ(TableForm->Levels[10], -50.0);
  RunRangeTool(&TTableForm::stSpeedButton2Click, QStringLiteral("-60.5"), 200, 200);
  EXPECT_EQ(TableForm->Levels[200], -60.5);
  EXPECT_EQ(TableForm->Levels[199], 0.0);
  EXPECT_EQ(TableForm->Levels[201], 0.0);
  EXPECT_EQ(TableForm->T->Cells(TTableForm::DBmCol(200), TTableForm::EntryRow(200)), QStringLiteral("-60.5"));
  EXPECT_EQ(FillForm->LCaption->Caption(), QStringLiteral("Fill values"));
  EXPECT_EQ(FillForm->L->Caption(), QStringLiteral("Fill values for RAW"));
}

TEST_F(TableEditorTest, FillAndOffsetRangesAreValidated) {
  FillForm->FillMode = true;
  FillForm->V->setText(QStringLiteral("-140.1"));
  EXPECT_THROW(FillForm->BOKClick(), platform::Error);
  FillForm->FillMode = false;
  FillForm->V->setText(QStringLiteral("140"));
  EXPECT_NO_THROW(FillForm->BOKClick());
  FillForm->V->setText(QStringLiteral("140.5"));
  try {
    FillForm->BOKClick();
    ADD_FAILURE() << "accepted";
  } catch (const platform::Error& error) {
    EXPECT_STREQ(error.what(), "Value out of range -140 - 140");
  }
}

TEST_F(TableEditorTest, OffsetDropsTheFractionAndLimitsToTheLevelRange) {
  Load({{0, -50.7}, {1, -5.5}, {2, -130.4}, {3, -50.7}});
  RunRangeTool(&TTableForm::stSpeedButton1Click, QStringLiteral("0"), 0, 0);
  EXPECT_EQ(TableForm->Levels[0], -50.0) << "even an offset of 0 drops the fraction";
  RunRangeTool(&TTableForm::stSpeedButton1Click, QStringLiteral("10"), 1, 1);
  EXPECT_EQ(TableForm->Levels[1], 0.0);
  RunRangeTool(&TTableForm::stSpeedButton1Click, QStringLiteral("-20"), 2, 2);
  EXPECT_EQ(TableForm->Levels[2], -140.0);
  RunRangeTool(&TTableForm::stSpeedButton1Click, QStringLiteral("-5.2"), 3, 3);
  EXPECT_EQ(TableForm->Levels[3], -55.0);
  EXPECT_EQ(FillForm->L->Caption(), QStringLiteral("Add offset for RAW"));
}

TEST_F(TableEditorTest, InterpolateFillsEmptyEntriesFromThePoints) {
  Load({{10, -100.0}, {20, -80.0}});
  TableForm->stSpeedButton6Click();
  for (int r = 0; r < 10; ++r) EXPECT_EQ(TableForm->Levels[r], -100.0) << r;
  for (int k = 1; k < 10; ++k) EXPECT_NEAR(TableForm->Levels[10 + k], -100.0 + 2 * k, 1e-9) << k;
  for (int r = 20; r < 256; ++r) EXPECT_EQ(TableForm->Levels[r], -80.0) << r;

  Load({{0, -100.0}, {3, -99.0}});
  TableForm->stSpeedButton6Click();
  EXPECT_NEAR(TableForm->Levels[1], -99.7, 1e-9);
  EXPECT_NEAR(TableForm->Levels[2], -99.3, 1e-9);
}

TEST_F(TableEditorTest, InterpolateLeavesAnEmptyTableAndSpreadsASinglePoint) {
  Load({});
  TableForm->stSpeedButton6Click();
  EXPECT_EQ(TableForm->Levels, Column(0.0));
  Load({{128, -42.5}});
  TableForm->stSpeedButton6Click();
  EXPECT_EQ(TableForm->Levels, Column(-42.5));
}

TEST_F(TableEditorTest, CopyTakesTheLevelsOfAnotherFrequency) {
  Put(kReceiver, 0, 7'000'000, -71.3);
  Put(kReceiver, 0, 14'000'000, -91.3);
  MainForm->FillFrequencyList();
  WhenShown(FSelectForm, [] {
    FSelectForm->F->SetRow(1);
    FSelectForm->BCopyClick();
  });
  TableForm->stSpeedButton7Click();
  EXPECT_EQ(FSelectForm->SelectedFrequency, 14'000'000);
  EXPECT_DOUBLE_EQ(TableForm->Levels[0], -91.3);
  EXPECT_EQ(TableForm->T->Cells(21, 16), QStringLiteral("-91.3"));
}

TEST_F(TableEditorTest, CopyFailureLeavesEveryLevel) {
  Load({{5, -50.0}});
  Put(kReceiver, 0, 7'000'000, -71.3);
  MainForm->FillFrequencyList();
  MainForm->ReceiverName = "Halv-B3";
  op.Answer(platform::ModalResult::Ok);
  WhenShown(FSelectForm, [] { FSelectForm->BCopyClick(); });
  TableForm->stSpeedButton7Click();
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text(), QStringLiteral("Specified receiver is not found in calibration table."));
  EXPECT_EQ(TableForm->Levels[5], -50.0);
  EXPECT_EQ(TableForm->Levels[6], 0.0);
}

TEST_F(TableEditorTest, GraphShowsTheTableAndDraggingWritesIntoTheEditor) {
  Load({{100, -60.0}});
  EXPECT_EQ(GraphForm->Set->Name(), QStringLiteral("7 MHz"));
  EXPECT_EQ(GraphForm->Set->GetValue(100), -60.0);
  TableForm->Modified = false;
  GraphForm->Set->SetValue(100, -80.0);
  GraphForm->OnDBMChanged(GraphForm->Graph, GraphForm->Set, 100);
  EXPECT_EQ(TableForm->Levels[100], -80.0);
  EXPECT_EQ(TableForm->T->Cells(TTableForm::DBmCol(100), TTableForm::EntryRow(100)), QStringLiteral("-80.0"));
  EXPECT_TRUE(TableForm->Modified);
  TLevelTable expected{};
  expected[100] = -80.0;
  EXPECT_EQ(TableForm->Levels, expected);
}

// The graph window opens beside the editor (or in the middle of a screen
// too small for both), on the screen; where the operator moves it, it stays.
TEST_F(TableEditorTest, GraphOpensBesideTheEditorOnTheScreen) {
  TableForm->show();
  TableForm->stSpeedButton4Click();
  const QRect area = GraphForm->screen()->availableGeometry();
  const QRect graph = GraphForm->frameGeometry();
  EXPECT_EQ(graph.topLeft(), platform::PlaceBeside(graph.size(), TableForm->frameGeometry(), area));
  EXPECT_TRUE(area.contains(graph));
  EXPECT_NE(graph.topLeft(), area.topLeft());
  GraphForm->move(graph.topLeft() + QPoint(5, 5));
  TableForm->stSpeedButton4Click();
  EXPECT_EQ(GraphForm->frameGeometry().topLeft(), graph.topLeft() + QPoint(5, 5));
  TableForm->hide();
}

TEST_F(TableEditorTest, LoadingRedrawsTheGraphOnceAndHidingTheEditorHidesIt) {
  const int before = GraphForm->Graph->RebuildCount();
  Load({{1, -10.0}, {2, -20.0}});
  EXPECT_EQ(GraphForm->Graph->RebuildCount(), before + 1);
  TableForm->show();
  TableForm->stSpeedButton4Click();
  EXPECT_TRUE(GraphForm->isVisible());
  TableForm->hide();
  EXPECT_FALSE(GraphForm->isVisible());
}

}  // namespace
