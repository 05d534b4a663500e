// The postings list of one account: the rows and their grid texts in the
// plain list and the statement view, the B/fd line under each date filter,
// the type and channel filters, chunks, totals and positions.
#include <QtTest>
#include <memory>

#include "foundation/numbers.h"
#include "ledger/accounts.h"
#include "ledger/rebalance.h"
#include "reports/postings_books.h"
#include "reports/postings_list.h"
#include "store/db.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

Q_DECLARE_METATYPE(TPostingsWhen)

class TstPostingsList : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  PostingsBooks b_;

  TPostingsQuery query(int32_t id, bool statement, TPostingsWhen when = TPostingsWhen::PeriodPlus,
                       QChar type = QChar(' '), int32_t channel = -1) {
    TObj a;
    if (!ReadAccount(id, a)) return {};
    return PostingsQueryFor(a, a.ccy.trimmed(), statement, when, type, channel);
  }
  // Every row as its non-empty grid texts joined by "|" (columns 0..10, 11 when asked).
  QStringList texts(const TPostingsQuery& q, int lastColumn = kColReconciled) {
    TObj a;
    ReadAccount(q.accountId, a);
    TBfdLine bfd;
    if (q.statement) {
      if (!PrepareStatement(a) || !ComputeBfd(a, q, Session().dbStartDate, bfd)) return {"failed"};
    }
    QList<TPostingRow> rows;
    if (!FetchPostings(q, 0, -1, rows)) return {"failed"};
    QStringList out;
    for (const TPostingRow& r : rows) {
      const QStringList c = PostingRowTexts(r, q, bfd);
      out << c.mid(0, lastColumn + 1).join('|');
    }
    return out;
  }

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    QVERIFY(b_.build());
  }
  void cleanup() { books_.reset(); }

  void plainAndStatementRows() {
    const QString p = QString::number(b_.payment), r = QString::number(b_.receipt),
                  c = QString::number(b_.cancelled), z1 = QString::number(b_.balanceOk),
                  t = QString::number(b_.transfer), z2 = QString::number(b_.balanceOff);
    // Columns: Date|Txn id|Instance|Type|Channel, Ref|Contra| |+|-|Running bal|Reconciled
    // The statement: the B/fd line first, each date once, the balance once per date.
    QCOMPARE(texts(query(b_.bank, true)),
             QStringList({"2024-01-01|||B/FD||||+950.00||+950.00|",
                          "2024-02-10|" + p + "||Payt/Purch|Visa a'b|shop|||-10.00||",
                          "|" + r + "||Rcpt/Sale||shop||+25.00|||",
                          "|" + c + "||Payt/Purch||shop|||0.00||cancelled",
                          "|" + z1 + "||ReconBal|||||0.00|+965.00|BAL OK",
                          "2024-03-01|" + t + "||Tfr|Cheque tfr|savings|||-200.00||",
                          "|" + z2 + "||ReconBal|||||0.00|+765.00|+700.00?"}));
    // The plain list shows the stored running balances' verdict on a reconciled balance.
    QCOMPARE(texts(query(b_.bank, false)),
             QStringList({"2024-02-10|" + p + "||Payt/Purch|Visa a'b|shop|||-10.00||",
                          "2024-02-10|" + r + "||Rcpt/Sale||shop||+25.00|||",
                          "2024-02-10|" + c + "||Payt/Purch||shop|||0.00||cancelled",
                          "2024-02-10|" + z1 + "||ReconBal|||||0.00||+965.00",
                          "2024-03-01|" + t + "||Tfr|Cheque tfr|savings|||-200.00||",
                          "2024-03-01|" + z2 + "||ReconBal|||||0.00||+700.00?"}));
    // The receiving side of a transfer leaves out the payer's channel.
    QCOMPARE(texts(query(b_.savings, false)),
             QStringList({"2024-03-01|" + t + "||Tfr|tfr|bank||+200.00|||"}));
  }

  void descriptionAndExternalAccount() {
    TPostingsQuery q = query(b_.food, false, TPostingsWhen::All);
    QCOMPARE(PostingsHeader(q.kind).at(kColDescription), QStringLiteral("Description"));
    QCOMPARE(PostingsHeader(kKindExternal).at(kColDescription),
             QStringLiteral("Ctgy : Description"));
    QList<TPostingRow> rows;
    QVERIFY(FetchPostings(q, 0, -1, rows));
    QCOMPARE(rows.size(), 4);  // pre-period, payment, receipt and the USD payment's GBP side
    const QStringList c = PostingRowTexts(rows[1], q, {});
    QCOMPARE(c[kColDescription], PostingsBooks::narrative());  // shown literally
    QCOMPARE(c[kColExternalAccount], QStringLiteral("bank"));
    QCOMPARE(PostingRowTexts(rows[3], q, {})[kColExternalAccount], QStringLiteral("usd bank"));
    // With the "Category" option an account's description leads with the category.
    Session().settings.postingsCtgyNameVisible = true;
    q = query(b_.bank, false);
    rows.clear();
    QVERIFY(FetchPostings(q, 0, 1, rows));
    QCOMPARE(PostingRowTexts(rows[0], q, {})[kColDescription],
             "food : " + PostingsBooks::narrative());
  }

  void bfdLine_data() {
    QTest::addColumn<int>("account");  // 0 bank, 1 food
    QTest::addColumn<TPostingsWhen>("when");
    QTest::addColumn<int>("openDate");
    QTest::addColumn<bool>("wash");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("date");
    QTest::addColumn<qlonglong>("amount");
    QTest::addColumn<qlonglong>("washed");
    using W = TPostingsWhen;
    const QString opened = "Account opened", prior = "B/fd from prior period(s)",
                  records = "B/fd from prior records";
    QTest::newRow("period+, opened before")
        << 0 << W::PeriodPlus << 20230101 << true << prior << 20240101 << 95000LL << 0LL;
    QTest::newRow("period, opened within")
        << 0 << W::Period << 20240105 << true << opened << 20240105 << 95000LL << 0LL;
    QTest::newRow("all, opened") << 0 << W::All << 20230101 << true << opened << 20230101
                                 << 100000LL << 0LL;
    QTest::newRow("all, open date 0")
        << 0 << W::All << 0 << true << records << 20200101 << 100000LL << 0LL;
    QTest::newRow("all, open date 9999-99-99")
        << 0 << W::All << 99999999 << true << records << 20200101 << 100000LL << 0LL;
    QTest::newRow("period+, open date 9999-99-99")
        << 0 << W::PeriodPlus << 99999999 << true << prior << 20240101 << 95000LL << 0LL;
    QTest::newRow("category washed")
        << 1 << W::PeriodPlus << 0 << true << prior << 20240101 << 0LL << -5000LL;
    QTest::newRow("category not washed")
        << 1 << W::PeriodPlus << 0 << false << prior << 20240101 << -5000LL << 0LL;
  }
  void bfdLine() {
    QFETCH(int, account);
    QFETCH(TPostingsWhen, when);
    QFETCH(int, openDate);
    QFETCH(bool, wash);
    const int32_t id = account == 0 ? b_.bank : b_.food;
    Session().settings.washCtgies = wash;
    Session().dbStartDate = 20200101;
    TObj a;
    QVERIFY(ReadAccount(id, a));
    a.openDate = openDate == 0 ? TDateRec() : YmdToDateRec(openDate);
    if (openDate == 99999999) a.openDate = TDateRec{9999, 99, 99};
    QVERIFY(WriteAccount(a) && CommitIfActive());
    QVERIFY(ReadAccount(id, a));
    // Stale summaries must not matter: the line is counted from the postings.
    SetRebalanceNeeded(true);
    const TPostingsQuery q = query(id, true, when);
    TBfdLine bfd;
    QVERIFY(ComputeBfd(a, q, Session().dbStartDate, bfd));
    QTEST(bfd.label, "label");
    QTEST(int(bfd.date), "date");
    QTEST(qlonglong(bfd.amount), "amount");
    QTEST(qlonglong(bfd.washed), "washed");
    // B/fd plus the listed amounts is the last running balance.
    QVERIFY(PrepareStatement(a));
    QList<TPostingRow> rows;
    QVERIFY(FetchPostings(q, 0, -1, rows));
    int64_t sum = bfd.amount;
    for (const TPostingRow& r : rows) sum += r.amount;
    QCOMPARE(rows.last().runningBalance, sum);
  }

  void filtersChunksTotals_data() {
    QTest::addColumn<QChar>("type");
    QTest::addColumn<int>("channel");  // 0 none, 1 visa, 2 default
    QTest::addColumn<int>("when");
    QTest::addColumn<int>("count");
    QTest::addColumn<qlonglong>("plus");
    QTest::addColumn<qlonglong>("minus");
    QTest::addColumn<bool>("pr");
    QTest::newRow("every posting") << QChar(' ') << 0 << 1 << 6 << 2500LL << -21000LL << true;
    QTest::newRow("all dates") << QChar(' ') << 0 << 0 << 7 << 2500LL << -26000LL << true;
    QTest::newRow("transfers") << QChar('C') << 0 << 1 << 1 << 0LL << -20000LL << false;
    QTest::newRow("payments") << QChar('P') << 0 << 1 << 2 << 0LL << -1000LL << true;
    QTest::newRow("visa") << QChar(' ') << 1 << 1 << 1 << 0LL << -1000LL << true;
    QTest::newRow("default channel") << QChar(' ') << 2 << 1 << 4 << 2500LL << 0LL << true;
  }
  void filtersChunksTotals() {
    QFETCH(QChar, type);
    QFETCH(int, channel);
    QFETCH(int, when);
    const int32_t chnum = channel == 0 ? -1 : channel == 1 ? b_.visa : 0;
    const TPostingsQuery q = query(
        b_.bank, false, when == 0 ? TPostingsWhen::All : TPostingsWhen::PeriodPlus, type, chnum);
    TPostingsTotals t;
    QVERIFY(PostingsTotals(q, t));
    QTEST(t.count, "count");
    QTEST(qlonglong(t.plus), "plus");
    QTEST(qlonglong(t.minus), "minus");
    QTEST(t.paymentsOrReceipts, "pr");
    // Chunks of two put together give the whole list.
    QList<TPostingRow> all, chunks;
    QVERIFY(FetchPostings(q, 0, -1, all));
    QCOMPARE(all.size(), t.count);
    for (int offset = 0; offset < t.count; offset += 2)
      QVERIFY(FetchPostings(q, offset, 2, chunks));
    QCOMPARE(chunks.size(), all.size());
    for (int i = 0; i < all.size(); ++i) {
      QCOMPARE(chunks[i].txnId, all[i].txnId);
      QCOMPARE(PostingRowIndex(q, all[i].txnId), i);
    }
  }

  void periodFilterAndPositions() {
    SetPeriodDates(20240101, 20240228);
    TPostingsQuery q = query(b_.bank, false, TPostingsWhen::Period);
    QList<TPostingRow> rows;
    QVERIFY(FetchPostings(q, 0, -1, rows));
    QCOMPARE(rows.size(), 4);  // March is after the period
    QCOMPARE(PostingRowIndex(q, b_.transfer), -1);
    q.when = TPostingsWhen::All;
    rows.clear();
    QVERIFY(FetchPostings(q, 0, -1, rows));
    QCOMPARE(rows.first().txnId, b_.prePeriod);  // the plain list never shows the marker
    QCOMPARE(RowOnOrAfter(rows, 20240215), 5);
    QCOMPARE(RowOnOrAfter(rows, 20250101), rows.size() - 1);
    QCOMPARE(RowOfTxn(rows, b_.receipt), 2);
    QCOMPARE(LastReconciledRow(rows), rows.size() - 1);
    QCOMPARE(rows[LastReconciledRow(rows)].txnId, b_.balanceOff);
  }

  void sameDayOrderIsStable() {
    // Equal SEQ values fall back to the transaction id, so the order never flips.
    QVERIFY(
        ExecSql("update pstg set seq = 5 where objid = ? and pstgdate = 20240210 and "
                "txntype <> 'Z'",
                {b_.bank}));
    QVERIFY(CommitIfActive());
    QList<TPostingRow> rows;
    QVERIFY(FetchPostings(query(b_.bank, false), 0, -1, rows));
    QCOMPARE(rows[0].txnId, b_.payment);
    QCOMPARE(rows[1].txnId, b_.receipt);
    QCOMPARE(rows[2].txnId, b_.cancelled);
    QCOMPARE(rows[3].txnId, b_.balanceOk);
  }
};

QTEST_GUILESS_MAIN(TstPostingsList)
#include "tst_postings_list.moc"
