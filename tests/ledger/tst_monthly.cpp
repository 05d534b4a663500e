// Monthly movement totals against real books: month rows, rolling years (the
// spreading compared with a plain row-by-row reference), the group roll-up
// through nested groups, the kinds left out, brought-forward month 0, the
// progress shown, abandoning the rolling years, and a repeated rebuild.
#include <QMap>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QtTest>
#include <atomic>
#include <memory>

#include "ledger/monthly.h"
#include "store/db.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

void exec(const QString& sql, const QVariantList& binds = {}) {
  QVERIFY2(ExecSql(sql, binds), qPrintable(sql + " : " + LastDbError()));
}

void put(int32_t id, int kind, int32_t group) {
  exec(
      "insert into account (id, name, type2, btype, isgrp, grpid, path, ccy, opendate, "
      "closedate, bfdbal, bfdval) values (?, ?, ?, ?, ?, ?, ' ', 'GBP', 0, 99999999, 0, 0)",
      {id, "Acc " + QString::number(id), kind, kind >= 8 && kind <= 10 ? kind - 4 : kind,
       kind >= 8 && kind <= 10 ? 1 : 0, group});
}

void inGroup(int32_t account, int32_t group) {
  exec("insert into accingrp (accid, grpid) values (?, ?)", {account, group});
}

void post(int32_t account, int32_t ymd, qint64 amt, const QString& type = "P") {
  static int txn = 0;
  ++txn;
  exec(
      "insert into pstg (txnid, objid, contra, txntype, pstgdate, amt, ccy, val, seq) "
      "values (?, ?, 0, ?, ?, ?, 'GBP', ?, ?)",
      {txn, account, type, ymd, amt, amt, txn});
}

// MTHLY rows of one account as "MORY MTH MTOT", months in order, 'M' first.
QStringList rowsOf(int32_t account) {
  QStringList out;
  QSqlQuery q =
      RunQuery("select mory, mth, mtot from mthly where accid = ? order by mory, mth", {account});
  while (q.next())
    out << q.value(0).toString().trimmed() + " " + q.value(1).toString() + " " +
               q.value(2).toString();
  return out;
}

QStringList allRows() {
  QStringList out;
  QSqlQuery q = RunQuery("select accid, mory, mth, mtot from mthly order by accid, mory, mth");
  while (q.next())
    out << QStringLiteral("%1 %2 %3 %4")
               .arg(q.value(0).toString(), q.value(1).toString().trimmed(), q.value(2).toString(),
                    q.value(3).toString());
  return out;
}

// The rolling years worked out the plain way from the 'M' rows: each month
// row, one at a time, added to the year ending with it and the eleven after.
QStringList referenceYears(const QList<int32_t>& accounts) {
  QStringList out;
  for (int32_t acc : accounts) {
    QMap<int32_t, qint64> years;
    QSqlQuery q = RunQuery("select mth, mtot from mthly where accid = ? and mory = 'M'", {acc});
    while (q.next()) {
      int32_t y = q.value(0).toInt();
      for (int k = 0; k < 12; ++k, y = NextMonthNumber(y)) years[y] += q.value(1).toLongLong();
    }
    for (auto it = years.cbegin(); it != years.cend(); ++it)
      out << QStringLiteral("%1 Y %2 %3").arg(acc).arg(it.key()).arg(it.value());
  }
  return out;
}

QStringList yearRows() {
  QStringList out;
  QSqlQuery q = RunQuery("select accid, mth, mtot from mthly where mory = 'Y' order by accid, mth");
  while (q.next())
    out << QStringLiteral("%1 Y %2 %3")
               .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString());
  return out;
}

constexpr int32_t kGroup = 20, kSubGroup = 21, kFood = 30, kFuel = 31, kPot = 32, kBank = 40,
                  kShop = 41, kBankGroup = 42;

}  // namespace

class TstMonthly : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    // Group > sub-group > Food; Fuel directly in the group; a pot on its own;
    // a bank account in a group of its own and a shop.
    put(kGroup, 10, 0);
    put(kSubGroup, 10, kGroup);
    put(kFood, 3, kSubGroup);
    put(kFuel, 3, kGroup);
    put(kPot, 6, 0);
    put(kBankGroup, 8, 0);
    put(kBank, 1, kBankGroup);
    put(kShop, 4, 0);
    inGroup(kFood, kSubGroup);
    inGroup(kFood, kGroup);
    inGroup(kFuel, kGroup);
    inGroup(kBank, kBankGroup);
    QVERIFY(CommitIfActive());
  }
  void cleanup() {
    RollbackIfActive();
    books_.reset();
  }

  void nextMonthNumber_data() {
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("next");
    QTest::newRow("within the year") << 202401 << 202402;
    QTest::newRow("December") << 202412 << 202501;
    QTest::newRow("November") << 199911 << 199912;
    QTest::newRow("brought forward") << 0 << 1;
  }
  void nextMonthNumber() {
    QFETCH(int, month);
    QFETCH(int, next);
    QCOMPARE(NextMonthNumber(month), next);
  }

  // 50.00 in January and -20.00 in March: two month rows, and twelve rolling
  // years per posted month, summed where they overlap.
  void monthsYearsAndGroups() {
    post(kFood, 20240115, 3000);
    post(kFood, 20240131, 2000, "C");  // every posting type counts
    post(kFood, 20240310, -2000);
    post(kFuel, 20241205, 700, "F");
    post(kPot, 0, 900, "A");  // brought forward: month 0
    post(kBank, 20240115, -5000);
    post(kShop, 20240115, 5000);
    QVERIFY(CommitIfActive());

    QStringList stages;
    QList<int> counts;
    TMonthlyProgress progress;
    progress.stage = [&](const QString& t, const QString& h) { stages << t + "|" + h; };
    progress.counter = [&](int n) { counts << n; };
    ScriptedPrompter p;
    QCOMPARE(RebuildMonthlyTotals(progress), TMonthlyResult::Done);
    VERIFY_PROMPTS(p);
    QCOMPARE(stages, (QStringList{"Aggregating account-postings by Month ...|",
                                  "Aggregating account-months by rolling Year ...|"
                                  "( each month is in 12 rolling years )",
                                  "|", "Aggregating account-months by Group ...|", "|"}));
    QCOMPARE(counts.first(), 4);  // Food 202401, 202403, Fuel 202412, Pot 0
    QCOMPARE(counts.at(counts.size() - 2), 0);
    QCOMPARE(counts.last(), -1);

    QStringList food{"M 202401 5000", "M 202403 -2000", "Y 202401 5000", "Y 202402 5000"};
    for (int m = 202403; m <= 202412; ++m) food << "Y " + QString::number(m) + " 3000";
    food << "Y 202501 -2000"
         << "Y 202502 -2000";
    QCOMPARE(rowsOf(kFood), food);
    QStringList fuel{"M 202412 700", "Y 202412 700"};
    for (int m = 202501; m <= 202511; ++m) fuel << "Y " + QString::number(m) + " 700";
    QCOMPARE(rowsOf(kFuel), fuel);
    QStringList pot{"M 0 900"};
    for (int m = 0; m <= 11; ++m) pot << "Y " + QString::number(m) + " 900";
    QCOMPARE(rowsOf(kPot), pot);
    QCOMPARE(CountRows("miny", "accid = ?", {kFood}), 24);

    // The sub-group holds Food alone; the group adds Fuel, merging 202412.
    QCOMPARE(rowsOf(kSubGroup), food);
    QStringList group{"M 202401 5000", "M 202403 -2000", "M 202412 700", "Y 202401 5000",
                      "Y 202402 5000"};
    for (int m = 202403; m <= 202411; ++m) group << "Y " + QString::number(m) + " 3000";
    group << "Y 202412 3700"
          << "Y 202501 -1300"
          << "Y 202502 -1300";
    for (int m = 202503; m <= 202511; ++m) group << "Y " + QString::number(m) + " 700";
    QCOMPARE(rowsOf(kGroup), group);

    // External accounts, counterparties and their groups never appear.
    QCOMPARE(CountRows("mthly", "accid in (?, ?, ?)", {kBank, kShop, kBankGroup}), 0);
    QCOMPARE(CountRows("mthlyf", "grpid = ?", {kBankGroup}), 0);

    // A second rebuild replaces the first rather than adding to it.
    const QStringList first = allRows();
    QCOMPARE(RebuildMonthlyTotals(), TMonthlyResult::Done);
    QCOMPARE(allRows(), first);
  }

  // Many months, several chunks of spreading: the rolling years equal the
  // row-by-row reference; abandoning mid-way keeps the month rows, their group
  // roll-up and the part of MINY already spread.
  void spreadingAndAbort_data() {
    QTest::addColumn<int>("abortAfterCounts");  // 0 = never
    QTest::newRow("complete") << 0;
    QTest::newRow("abort before the first month") << 1;
    QTest::newRow("abort after the first chunk") << 2;
  }
  void spreadingAndAbort() {
    QFETCH(int, abortAfterCounts);
    // 40 months for Fuel from 2022-11, a brought-forward row, Food every third month.
    int32_t y = 202211;
    for (int i = 0; i < 40; ++i, y = NextMonthNumber(y)) {
      post(kFuel, y * 100 + 3, 100 + i);
      if (i % 3 == 0) post(kFood, y * 100 + 28, -37 * i);
    }
    post(kFuel, 0, 12345, "A");
    QVERIFY(CommitIfActive());
    const int monthRows = 41 + 14;

    std::atomic<bool> abort{false};
    QList<int> counts;
    TMonthlyProgress progress;
    progress.counter = [&](int n) {
      counts << n;
      if (abortAfterCounts > 0 && counts.size() == abortAfterCounts) abort = true;
    };
    progress.abort = &abort;
    const TMonthlyResult r = RebuildMonthlyTotals(progress);

    QCOMPARE(counts.first(), monthRows);
    QCOMPARE(CountRows("mthly", "mory = 'M' and accid in (?, ?)", {kFood, kFuel}), monthRows);
    QCOMPARE(CountRows("mthly", "mory = 'M' and accid = ?", {kGroup}), 41);
    if (abortAfterCounts == 0) {
      QCOMPARE(r, TMonthlyResult::Done);
      QCOMPARE(counts.at(counts.size() - 2), 0);
      QVERIFY(counts.size() > 4);  // counted down in several steps
      QCOMPARE(CountAll("miny"), monthRows * 12);
      QCOMPARE(yearRows().filter(QRegularExpression("^(30|31) ")), referenceYears({kFood, kFuel}));
      return;
    }
    QCOMPARE(r, TMonthlyResult::Aborted);
    QCOMPARE(CountRows("mthly", "mory = 'Y'"), 0);
    QCOMPARE(CountRows("mthly", "mory = 'M' and accid = ?", {kSubGroup}), 14);
    QCOMPARE(counts.last(), -1);
    const int spread = CountAll("miny");
    if (abortAfterCounts == 1) {
      QCOMPARE(spread, 0);
    } else {
      QVERIFY(spread > 0 && spread < monthRows * 12);
      QCOMPARE(spread, (monthRows - counts.at(1)) * 12);
    }
  }
};

QTEST_GUILESS_MAIN(TstMonthly)
#include "tst_monthly.moc"
