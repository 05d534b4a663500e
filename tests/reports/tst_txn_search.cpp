// The transaction search report on real books: what each kind lists and in
// which order, the journal's days, the parsers' refusals, the status line, and
// that a search leaves the books as they were.
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>
#include <memory>

#include "foundation/dates.h"
#include "reports/txn_search.h"
#include "store/db.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

struct Row {
  int32_t id;
  int32_t date;
  QString narrative;
  QString ref = QString();
  int64_t amt = 1000;
  int64_t val = 1000;
  QString ccy = QStringLiteral("GBP");
  QString type = QStringLiteral("P");
  int32_t date2 = 0;
  int cancelled = 0;
  int32_t batch = 0;
  int32_t master = 0;
  int32_t instance = 0;
  int32_t created = 0;
};

bool insert(const Row& r) {
  return ExecSql(
      "insert into txn (id, \"type\", txndate, date2, amt, val, ccy, ref, narrative, accid1, "
      "accid2, accid3, accid4, chnum, cancelled, instance, masterid, batchnum, createdate) "
      "values (?, ?, ?, ?, ?, ?, ?, ?, ?, 0, 0, 0, 0, 0, ?, ?, ?, ?, ?)",
      {r.id, r.type, r.date, r.date2, qlonglong(r.amt), qlonglong(r.val), r.ccy, r.ref, r.narrative,
       r.cancelled, r.instance, r.master, r.batch, r.created});
}

QList<int32_t> idsOf(const QList<TSearchRow>& rows) {
  QList<int32_t> out;
  for (const TSearchRow& r : rows) out << r.id;
  return out;
}

// Every column of every TXN row, to show that a search wrote nothing.
QString txnTable() {
  QSqlQuery q = RunQuery(QStringLiteral("select * from txn order by id"));
  QString out;
  while (q.next())
    for (int i = 0; i < q.record().count(); ++i) out += q.value(i).toString() + "|";
  return out;
}

TSearch parsed(int kind, const QString& text) {
  TSearch s;
  ScriptedPrompter none;
  if (!ParseSearch(kind, text, 1, s)) s.kind = 0;
  return s;
}

}  // namespace

class TstTxnSearch : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
  }
  void cleanup() { books_.reset(); }

  void amountMatchesAmountOrValue() {
    QVERIFY(insert({1, 20240301, "gbp", {}, 1250, 1250}));
    QVERIFY(insert({2, 20240302, "usd", {}, 1600, 1250, "USD"}));
    QVERIFY(insert({3, 20240303, "big", {}, 125000, 125000}));
    QVERIFY(CommitIfActive());
    const TSearch s = parsed(kSearchAmount, "12.50");
    QCOMPARE(s.amount, 1250);
    QList<TSearchRow> rows;
    QVERIFY(RunSearch(s, rows));
    QCOMPARE(idsOf(rows), (QList<int32_t>{1, 2}));
    QCOMPARE(SearchStatusLine(rows), QString("2 item(s),  mixed currencies"));
    QCOMPARE(SearchWindowCaption(s), QString("Transaction search results  :  Amount = 12.50"));
  }

  // A search writes nothing: two text searches in one second each list their own rows.
  void textSearchMatchesFoldedAndLiterally() {
    QVERIFY(insert({1, 20240301, "Rent for March"}));
    QVERIFY(insert({2, 20240302, "standing order", "RENT-7"}));
    QVERIFY(insert({3, 20240303, "gift to parent"}));
    QVERIFY(insert({4, 20240304, "Gas bill"}));
    QVERIFY(insert({5, 20240305, "O'Brien 100%_ paid"}));
    QVERIFY(insert({6, 20240306, "O'Brien 1000 paid"}));
    QVERIFY(insert({7, 20240307, "Café Über", "GAS-2"}));
    QVERIFY(CommitIfActive());
    const QString before = txnTable();
    QList<TSearchRow> rows;
    QVERIFY(RunSearch(parsed(kSearchText, "rent"), rows));
    QCOMPARE(idsOf(rows), (QList<int32_t>{1, 2, 3}));
    QVERIFY(RunSearch(parsed(kSearchText, "gas"), rows));
    QCOMPARE(idsOf(rows), (QList<int32_t>{4, 7}));
    // Beyond ASCII the program's own folding decides.
    QVERIFY(RunSearch(parsed(kSearchText, "CAFÉ ÜBER"), rows));
    QCOMPARE(idsOf(rows), (QList<int32_t>{7}));
    QVERIFY(RunSearch(parsed(kSearchText, "O'Brien 100%_"), rows));
    QCOMPARE(idsOf(rows), (QList<int32_t>{5}));
    QVERIFY(RunSearch(parsed(kSearchText, "'; drop table txn;--"), rows));
    QVERIFY(rows.isEmpty());
    QCOMPARE(txnTable(), before);
    QCOMPARE(SearchCaption(parsed(kSearchText, "rent")), QString("\"rent\""));
  }

  void journalListsWholeDaysAroundCentre() {
    QVERIFY(insert({10, 20240514, "before"}));
    QVERIFY(insert({11, 20240515, "first day"}));
    QVERIFY(insert({14, 20240615, "centre b"}));
    QVERIFY(insert({12, 20240615, "centre a"}));
    QVERIFY(insert({13, 20240610, "earlier"}));
    QVERIFY(insert({15, 20240715, "last day"}));
    QVERIFY(insert({16, 20240716, "after"}));
    QVERIFY(CommitIfActive());
    const TSearch s = parsed(kSearchJournal, "2024-06-15");
    QCOMPARE(s.from, 20240515);
    QCOMPARE(s.to, 20240715);
    QList<TSearchRow> rows;
    QVERIFY(RunSearch(s, rows));
    QCOMPARE(idsOf(rows), (QList<int32_t>{11, 13, 12, 14, 15}));
    QStringList dates;
    for (const TSearchRow& r : rows) dates << SearchRowTexts(r)[kSearchColDate];
    QCOMPARE(dates, (QStringList{"2024-05-15  Wed", "2024-06-10  Mon", "2024-06-15  Sat", "",
                                 "2024-07-15  Mon"}));
    QCOMPARE(JournalCursorRow(rows, s.centre, 0), 2);
    // The position id wins when it comes first.
    QCOMPARE(JournalCursorRow(rows, s.centre, 13), 1);
    QCOMPARE(JournalCursorRow(rows, 20250101, 0), rows.size() - 1);

    // The day is kept, even where the month has no such day.
    TSearch end;
    SetJournalCentre(end, 20240331, 1);
    QCOMPARE(end.from, 20240231);
    QCOMPARE(end.to, 20240431);
  }

  void kindsListTheirRows() {
    QVERIFY(insert({1, 20240330, "straddles", {}, 100, 100, "GBP", "P", 20240402}));
    QVERIFY(insert({2, 20240401, "back", {}, 100, 100, "GBP", "P", 20240331}));
    QVERIFY(insert({3, 20240330, "no date2"}));
    QVERIFY(insert({4, 20240101, "cancelled", {}, 1, 1, "GBP", "P", 0, 1}));
    QVERIFY(insert({5, 20240102, "batch", {}, 1, 1, "GBP", "P", 0, 0, 5}));
    QVERIFY(insert({6, 20230101, "batch", {}, 1, 1, "GBP", "P", 0, 0, 5}));
    QVERIFY(insert({7, 20230105, "instance", {}, 1, 1, "GBP", "P", 0, 0, 0, 9, 1, 20240607}));
    QVERIFY(CommitIfActive());
    QList<TSearchRow> rows;
    QVERIFY(RunSearch(parsed(kSearchStraddles, "2024-03-31"), rows));
    QCOMPARE(idsOf(rows), (QList<int32_t>{1, 2}));
    QVERIFY(RunSearch(parsed(kSearchCancelled, ""), rows));
    QCOMPARE(idsOf(rows), (QList<int32_t>{4}));
    QCOMPARE(SearchRowTexts(rows[0])[kSearchColDescription], QString("Cancelled - cancelled"));
    QVERIFY(RunSearch(parsed(kSearchBatch, "5"), rows));
    QCOMPARE(idsOf(rows), (QList<int32_t>{6, 5}));
    QCOMPARE(SearchRowTexts(rows[0])[kSearchColBatch], QString("B"));
    // No batch or master 0: that would list every transaction outside one.
    QVERIFY(RunSearch(parsed(kSearchBatch, "0"), rows));
    QVERIFY(rows.isEmpty());
    QVERIFY(RunSearch(parsed(kSearchInstances, "0"), rows));
    QVERIFY(rows.isEmpty());
    QVERIFY(RunSearch(parsed(kSearchInstances, "9"), rows));
    QCOMPARE(idsOf(rows), (QList<int32_t>{7}));
    QCOMPARE(SearchRowTexts(rows[0])[kSearchColInstance], QString("9-1"));
    // Input date: the calendar's form and the "no date" form.
    QVERIFY(RunSearch(parsed(kSearchInput, "2024-06-07 (Fri)"), rows));
    QCOMPARE(idsOf(rows), (QList<int32_t>{7}));
    QVERIFY(RunSearch(parsed(kSearchInput, "0000-00-00"), rows));
    QCOMPARE(rows.size(), 6);
    // The id range in id order, both ends blank = everything.
    int32_t first = -1, last = -1;
    QVERIFY(ParseRangeEnd("", 0, first));
    QVERIFY(ParseRangeEnd(" ", kSearchMaxId, last));
    QVERIFY(RunSearch(IdRangeSearch(first, last), rows));
    QCOMPARE(idsOf(rows), (QList<int32_t>{1, 2, 3, 4, 5, 6, 7}));
    QCOMPARE(SearchCaption(IdRangeSearch(first, last)),
             QString("Transaction id range 0 - 2147483647"));
  }

  void badInputIsRefused_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("amount") << int(kSearchAmount) << "12.5"
                            << "Invalid amount \"12.5\"";
    QTest::newRow("id") << int(kSearchTxnId) << "abc"
                        << "Invalid integer \"abc\"";
    QTest::newRow("batch too big") << int(kSearchBatch) << "99999999999"
                                   << "Invalid integer \"99999999999\"";
    QTest::newRow("master") << int(kSearchInstances) << "abc"
                            << "Invalid integer \"abc\"";
    QTest::newRow("journal") << int(kSearchJournal) << "tomorrow"
                             << "Invalid date \"tomorrow\"";
    QTest::newRow("straddle") << int(kSearchStraddles) << "tomorrow"
                              << "Invalid date \"tomorrow\"";
    QTest::newRow("input") << int(kSearchInput) << "tomorrow"
                           << "Invalid date \"tomorrow\"";
    QTest::newRow("empty") << int(kSearchText) << ""
                           << "Amount / id / journal date / straddle date / text missing";
  }
  void badInputIsRefused() {
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(QString, message);
    ScriptedPrompter p;
    p.info(message);
    TSearch s;
    s.kind = kSearchCancelled;
    QVERIFY(!ParseSearch(kind, text, 1, s));
    QCOMPARE(s.kind, int(kSearchCancelled));  // left as it was
    VERIFY_PROMPTS(p);
    int32_t n = 0;
    if (kind == kSearchTxnId) {
      p.info(message);
      QVERIFY(!ParseRangeEnd(text, 0, n));
      VERIFY_PROMPTS(p);
    }
  }

  void statusLine_data() {
    QTest::addColumn<QStringList>("ccys");
    QTest::addColumn<QString>("types");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one currency") << QStringList{"GBP", "GBP", "GBP"} << "PPP"
                                  << "3 item(s),  value 1,234.56";
    QTest::newRow("currencies") << QStringList{"GBP", "USD", "GBP"} << "PPP"
                                << "3 item(s),  mixed currencies";
    // The walk's last change stands.
    QTest::newRow("type then ccy") << QStringList{"GBP", "GBP", "USD"} << "PRP"
                                   << "3 item(s),  mixed currencies";
    QTest::newRow("ccy then type") << QStringList{"GBP", "USD", "GBP"} << "PPR"
                                   << "3 item(s),  mixed txn types";
    QTest::newRow("none") << QStringList{} << ""
                          << "0 item(s),  value 0.00";
  }
  void statusLine() {
    QFETCH(QStringList, ccys);
    QFETCH(QString, types);
    QFETCH(QString, expected);
    const int64_t amounts[] = {100000, 20000, 3456};
    QList<TSearchRow> rows;
    for (int i = 0; i < ccys.size(); ++i) {
      TSearchRow r;
      r.ccy = ccys[i];
      r.type = types.at(i);
      r.amount = amounts[i];
      rows << r;
    }
    QCOMPARE(SearchStatusLine(rows), expected);
  }

  void missingInstances_data() {
    QTest::addColumn<QList<int32_t>>("instances");
    QTest::addColumn<bool>("checkable");
    QTest::addColumn<QList<int32_t>>("gaps");
    QTest::newRow("gap") << QList<int32_t>{1, 2, 4} << true << QList<int32_t>{3};
    QTest::newRow("twice") << QList<int32_t>{1, 1, 2} << false << QList<int32_t>{};
    QTest::newRow("first missing") << QList<int32_t>{3} << true << QList<int32_t>{1, 2};
    QTest::newRow("complete") << QList<int32_t>{1, 2, 3, 4} << true << QList<int32_t>{};
  }
  void missingInstances() {
    QFETCH(QList<int32_t>, instances);
    QFETCH(bool, checkable);
    QFETCH(QList<int32_t>, gaps);
    QList<int32_t> found;
    QCOMPARE(MissingInstances(instances, found), checkable);
    if (checkable) QCOMPARE(found, gaps);
  }

  // Instance order, not date order: a re-dated instance is no gap.
  void instanceNumbersInInstanceOrder() {
    QVERIFY(insert({1, 20240101, "i1", {}, 1, 1, "GBP", "P", 0, 0, 0, 4, 1}));
    QVERIFY(insert({2, 20240201, "i2", {}, 1, 1, "GBP", "P", 0, 0, 0, 4, 2}));
    QVERIFY(insert({3, 20240501, "i3 re-dated", {}, 1, 1, "GBP", "P", 0, 0, 0, 4, 3}));
    QVERIFY(insert({4, 20240401, "i4", {}, 1, 1, "GBP", "P", 0, 0, 0, 4, 4}));
    QVERIFY(CommitIfActive());
    QList<int32_t> gaps;
    QVERIFY(MissingInstances(InstanceNumbers(4), gaps));
    QVERIFY(gaps.isEmpty());
  }
};

QTEST_GUILESS_MAIN(TstTxnSearch)
#include "tst_txn_search.moc"
