#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>

#include "foundation/ui/controls.h"

namespace {

// What a change handler saw: one entry per change, true = the program made it.
struct HandlerLog {
  QList<bool> quiet;
  void take() { quiet << TakeQuietFlag(); }
};

QStringList rowTexts(const QTableWidget& grid, int row) {
  QStringList out;
  for (int c = 0; c < grid.columnCount(); ++c)
    out << (grid.item(row, c) ? grid.item(row, c)->text() : QStringLiteral("<none>"));
  return out;
}

}  // namespace

class TstControls : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // A screen reader selects a row without moving the cursor; the list's buttons
  // act on the current row, so it must follow.
  void currentFollowsSelection() {
    QListWidget list;
    list.addItems({"Default pot", "Food", "Rent"});
    CurrentFollowsSelection(&list);
    list.setCurrentRow(0);
    list.selectionModel()->select(list.model()->index(1, 0), QItemSelectionModel::ClearAndSelect);
    QCOMPARE(list.currentRow(), 1);
    QVERIFY(list.item(1)->isSelected());
    list.selectionModel()->clearSelection();  // nothing selected: the cursor stays
    QCOMPARE(list.currentRow(), 1);
  }

  void cleanup() {
    SetScreenUpdating(false);
    TakeQuietFlag();
  }
  void quietChangesAreReportedOnce();
  void screenUpdatingFlagStays();
  void comboIds();
  void listIds();
  void gridRowsAndIds();
  void enableEditColoursRoundTrip();
  void pointerPlacement_data();
  void pointerPlacement();
};

void TstControls::quietChangesAreReportedOnce() {
  QWidget form;
  QCheckBox box(&form);
  QRadioButton r1(&form), r2(&form);
  QLineEdit edit(&form);
  HandlerLog boxLog, radioLog, editLog;
  connect(&box, &QCheckBox::toggled, this, [&] { boxLog.take(); });
  connect(&r2, &QRadioButton::toggled, this, [&](bool on) {
    if (on) radioLog.take();
  });
  connect(&edit, &QLineEdit::textChanged, this, [&] { editLog.take(); });
  r1.setChecked(true);

  SetCheckedQuietly(&box, true);
  QCOMPARE(boxLog.quiet, QList<bool>{true});
  QVERIFY(!TakeQuietFlag());      // the handler took it
  SetCheckedQuietly(&box, true);  // already so: no change, no flag left behind
  QVERIFY(!TakeQuietFlag());
  box.click();  // the user's change is not quiet
  QCOMPARE(boxLog.quiet, (QList<bool>{true, false}));

  CheckRadioQuietly(&r2);
  QCOMPARE(radioLog.quiet, QList<bool>{true});
  QVERIFY(!TakeQuietFlag());
  CheckRadioQuietly(&r2);
  QVERIFY(!TakeQuietFlag());

  edit.setText("typed");
  ClearEditQuietly(&edit);
  QVERIFY(edit.text().isEmpty());
  QCOMPARE(editLog.quiet, (QList<bool>{false, true}));
  // Clearing an empty edit changes nothing, so no flag may wait for the user's next edit.
  ClearEditQuietly(&edit);
  QTest::keyClick(&edit, Qt::Key_A);
  QCOMPARE(editLog.quiet, (QList<bool>{false, true, false}));
}

void TstControls::screenUpdatingFlagStays() {
  QCheckBox box;
  HandlerLog log;
  connect(&box, &QCheckBox::toggled, this, [&] { log.take(); });

  SetScreenUpdating(true);
  box.click();
  SetCheckedQuietly(&box, false);
  QCOMPARE(log.quiet, (QList<bool>{true, true}));
  QVERIFY(TakeQuietFlag());
  QVERIFY(ScreenUpdating());

  // Once it is lowered only quiet changes count.
  SetCheckedQuietly(&box, true);
  SetScreenUpdating(false);
  QVERIFY(!TakeQuietFlag());
  box.click();
  QCOMPARE(log.quiet, (QList<bool>{true, true, true, false}));
}

void TstControls::comboIds() {
  QComboBox combo;
  QCOMPARE(SelectedId(&combo), -1);
  AddItemWithId(&combo, "Alpha", 10, 1);
  AddItemWithId(&combo, "beta", 20, 2);
  AddItemWithId(&combo, "Beta", 30, 3);
  combo.addItem("no id");

  QCOMPARE(ItemId(&combo, 1), 20);
  QCOMPARE(ItemValue(&combo, 2), 3);
  QCOMPARE(ItemId(&combo, -1), -1);
  QCOMPARE(ItemId(&combo, 4), -1);
  QCOMPARE(ItemId(&combo, 3), -1);

  QVERIFY(SelectById(&combo, 30));
  QCOMPARE(combo.currentIndex(), 2);
  QCOMPARE(SelectedId(&combo), 30);
  QVERIFY(!SelectById(&combo, 99));
  QCOMPARE(combo.currentIndex(), 2);

  QVERIFY(SelectByText(&combo, "beta"));  // case counts
  QCOMPARE(SelectedId(&combo), 20);
  QVERIFY(!SelectByText(&combo, "BETA"));
  QVERIFY(!SelectByText(&combo, "bet"));
  QCOMPARE(SelectedId(&combo), 20);

  combo.setCurrentIndex(-1);
  QCOMPARE(SelectedId(&combo), -1);
  ClearItemsWithIds(&combo);
  QCOMPARE(combo.count(), 0);
  QCOMPARE(SelectedId(&combo), -1);
}

void TstControls::listIds() {
  QListWidget list;
  AddItemWithId(&list, "one", 1);
  AddItemWithId(&list, "two", 2, 7);
  QCOMPARE(ItemId(&list, 1), 2);
  QCOMPARE(ItemValue(&list, 1), 7);
  QCOMPARE(ItemId(&list, 2), -1);
  QCOMPARE(SelectedId(&list), -1);

  QVERIFY(SelectByText(&list, "two"));
  QCOMPARE(SelectedId(&list), 2);
  QVERIFY(SelectById(&list, 1));
  QCOMPARE(SelectedId(&list), 1);
  QVERIFY(!SelectById(&list, 5));
  // A current item that is not selected does not count as selected.
  list.clearSelection();
  QVERIFY(list.currentItem());
  QCOMPARE(SelectedId(&list), -1);

  ClearItemsWithIds(&list);
  QCOMPARE(list.count(), 0);
  QCOMPARE(ItemId(&list, 0), -1);
}

void TstControls::gridRowsAndIds() {
  QTableWidget grid(3, 3);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      if (!(r == 2 && c == 1))
        grid.setItem(r, c, new QTableWidgetItem(QString("r%1c%2").arg(r).arg(c)));
  SetRowId(&grid, 0, 100);
  SetRowId(&grid, 2, 300);
  QTableWidget bare(2, 2);
  SetRowId(&bare, 1, 55);  // a row without a first cell gets one to carry the id

  QCOMPARE(RowId(&grid, 0), 100);
  QCOMPARE(RowId(&grid, 1), -1);
  QCOMPARE(RowId(&grid, 3), -1);
  QCOMPARE(RowId(&grid, -1), -1);
  QCOMPARE(RowId(&bare, 1), 55);
  QCOMPARE(RowId(&bare, 0), -1);

  SwapGridRows(&grid, 0, 2);
  QCOMPARE(rowTexts(grid, 0), (QStringList{"r2c0", "<none>", "r2c2"}));
  QCOMPARE(rowTexts(grid, 2), (QStringList{"r0c0", "r0c1", "r0c2"}));
  QCOMPARE(rowTexts(grid, 1), (QStringList{"r1c0", "r1c1", "r1c2"}));
  QCOMPARE(RowId(&grid, 0), 300);
  QCOMPARE(RowId(&grid, 2), 100);
  SwapGridRows(&grid, 0, 3);  // out of range: nothing moves
  QCOMPARE(RowId(&grid, 0), 300);

  ClearStringGrid(&grid);
  QCOMPARE(grid.rowCount(), 3);
  QCOMPARE(rowTexts(grid, 0), (QStringList{"<none>", "<none>", "<none>"}));
  QCOMPARE(RowId(&grid, 0), -1);
}

void TstControls::enableEditColoursRoundTrip() {
  QLineEdit a, b;
  QComboBox combo;
  QPalette p = a.palette();
  p.setColor(QPalette::Base, Qt::yellow);
  a.setPalette(p);
  const QColor buttonFace = a.palette().color(QPalette::Button);

  EnableEdit(&a, false);
  QVERIFY(!a.isEnabled());
  QCOMPARE(a.palette().color(QPalette::Disabled, QPalette::Base), buttonFace);
  QCOMPARE(RememberedEditColour(), QColor(Qt::yellow));
  EnableEdit(&a, false);  // already off: the button face must not become the remembered colour
  QCOMPARE(RememberedEditColour(), QColor(Qt::yellow));

  EnableEdit(&a, true);
  QVERIFY(a.isEnabled());
  QCOMPARE(a.palette().color(QPalette::Active, QPalette::Base), QColor(Qt::yellow));
  EnableEdit(&b, true);  // one remembered colour serves every edit
  QCOMPARE(b.palette().color(QPalette::Active, QPalette::Base), QColor(Qt::yellow));

  EnableCombo(&combo, false);
  QVERIFY(!combo.isEnabled());
  QCOMPARE(combo.palette().color(QPalette::Disabled, QPalette::Base), QColor(192, 192, 192));
  EnableCombo(&combo, true);
  QVERIFY(combo.isEnabled());
  QCOMPARE(combo.palette().color(QPalette::Active, QPalette::Base), QColor(Qt::yellow));
}

void TstControls::pointerPlacement_data() {
  QTest::addColumn<QRect>("screen");
  QTest::addColumn<QPoint>("pointer");
  QTest::addColumn<QSize>("size");
  QTest::addColumn<QPoint>("expected");
  const QRect s(0, 0, 1000, 800);
  QTest::newRow("room enough") << s << QPoint(100, 200) << QSize(300, 100) << QPoint(101, 201);
  QTest::newRow("right edge") << s << QPoint(900, 200) << QSize(300, 100) << QPoint(700, 201);
  QTest::newRow("bottom edge") << s << QPoint(100, 790) << QSize(300, 100) << QPoint(101, 700);
  QTest::newRow("exactly fits") << s << QPoint(699, 699) << QSize(300, 100) << QPoint(700, 700);
  QTest::newRow("larger than screen") << s << QPoint(500, 500) << QSize(1200, 900) << QPoint(0, 0);
  QTest::newRow("second screen") << QRect(1000, 0, 800, 600) << QPoint(1750, 10) << QSize(200, 50)
                                 << QPoint(1600, 11);
}

void TstControls::pointerPlacement() {
  QFETCH(QRect, screen);
  QFETCH(QPoint, pointer);
  QFETCH(QSize, size);
  QFETCH(QPoint, expected);
  QCOMPARE(PointerPlacement(screen, pointer, size), expected);
}

QTEST_MAIN(TstControls)
#include "tst_controls.moc"
