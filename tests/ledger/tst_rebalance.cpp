// The rebalance against real books (base GBP, period 2024): the summary rows
// of external accounts (base and foreign), pots, categories with the wash on
// and off, counterparties and three levels of groups; the stages announced;
// a repeat giving the same tables; the refusals; a failing stage.
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>
#include <memory>

#include "foundation/dates.h"
#include "ledger/currencies.h"
#include "ledger/posting.h"
#include "ledger/rebalance.h"
#include "ledger/repeaters.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

constexpr int32_t kFrom = 20240101;
constexpr int32_t kTo = 20241231;

void exec(const QString& sql, const QVariantList& binds = {}) {
  QVERIFY2(ExecSql(sql, binds), qPrintable(sql + " : " + LastDbError()));
}

// Every row of a table as text, in a stable order.
QStringList tableRows(const QString& sql) {
  QStringList out;
  QSqlQuery q = RunQuery(sql);
  while (q.next()) {
    QStringList cols;
    for (int i = 0; i < q.record().count(); ++i)
      cols << (q.value(i).isNull() ? QStringLiteral("NULL") : q.value(i).toString().trimmed());
    out << cols.join(' ');
  }
  return out;
}

const QString kMovtgAll = QStringLiteral(
    "select accid, ccy, amtval, bfd, prepdnet, pdbfd, pdpayts, pdrcpts, pdtfrs, pdcfd, "
    "firstpstgdate, lastpstgdate, type2, grpid from movtg order by accid, ccy, amtval");
const QString kMovteAll =
    QStringLiteral("select objid, firstpstgdate, lastpstgdate from movte order by objid");

}  // namespace

class TstRebalance : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  QMap<QString, int32_t> ids_;

  int32_t account(int kind, const QString& name, const QString& ccy = QStringLiteral("GBP"),
                  int64_t opening = 0, int64_t openingValue = 0, int32_t group = 0) {
    TObj o = NewObj();
    o.kind = uint8_t(kind);
    o.name = name;
    o.ccy = ccy;
    o.openingBalance = opening;
    o.openingValue = openingValue;
    o.groupId = group;
    if (!WriteAccount(o)) return 0;
    ids_[name] = o.id;
    return o.id;
  }
  int32_t txn(QChar type, int32_t ymd, int64_t amount, int64_t value, const QString& ccy,
              const QString& a1, const QString& a2, const QString& a4 = QString(),
              int32_t date2 = 0) {
    TTxn t = NewTxn();
    t.type = type;
    t.ccy = ccy;
    t.txnDate = YmdToDateRec(ymd);
    t.postingDate = YmdToDateRec(date2);
    t.amount = amount;
    t.value = value;
    t.accId1 = ids_.value(a1);
    t.accId2 = ids_.value(a2);
    t.accId4 = ids_.value(a4);
    if (!WriteTransaction(t) || !CommitIfActive()) return 0;
    return t.id;
  }
  QString name(int32_t id) const { return ids_.key(id, "#" + QString::number(id)); }

  // MOVTG rows of the named accounts as "name ccy kind bfd prepdnet pdpayts pdrcpts
  // pdtfrs pdbfd pdcfd first last".
  QStringList movtg() const {
    QStringList out;
    QSqlQuery q = RunQuery(QStringLiteral(
        "select accid, ccy, amtval, bfd, prepdnet, pdpayts, pdrcpts, pdtfrs, pdbfd, pdcfd, "
        "firstpstgdate, lastpstgdate from movtg"));
    while (q.next()) {
      QStringList cols{name(q.value(0).toInt())};
      for (int i = 1; i < 12; ++i) cols << q.value(i).toString().trimmed();
      out << cols.join(' ');
    }
    out.sort();
    return out;
  }

  // No summary row may carry a NULL balance or date.
  void verifyNoNulls() {
    QCOMPARE(CountRows(QStringLiteral("movtg"),
                       QStringLiteral("bfd is null or prepdnet is null or pdbfd is null or "
                                      "pdpayts is null or pdrcpts is null or pdtfrs is null or "
                                      "pdcfd is null or firstpstgdate is null or "
                                      "lastpstgdate is null")),
             0);
  }

  // The accounts and transactions of the summary tests. The default pot is in
  // the top group; food is three levels down, income two.
  void buildBooks() {
    QVERIFY(InsertCurrency(TCcy{"EUR", "Euro", false}));
    TObj pot;
    QVERIFY(ReadAccount(1, pot));
    pot.openingBalance = pot.openingValue = 500;
    const int32_t top = account(10, "top");
    const int32_t mid = account(10, "mid", "GBP", 0, 0, top);
    const int32_t low = account(10, "low", "GBP", 0, 0, mid);
    pot.groupId = top;
    QVERIFY(top && mid && low && WriteAccount(pot));
    QVERIFY(account(1, "cur", "GBP", 50000, 50000));
    QVERIFY(account(1, "euro", "EUR", 20000, 17000));
    QVERIFY(account(1, "savings"));
    QVERIFY(account(4, "shop", "GBP", 3000, 3000));  // a counterparty's opening stays out
    QVERIFY(account(4, "employer"));
    QVERIFY(account(3, "food", "GBP", 10000, 10000, low));
    QVERIFY(account(3, "income", "GBP", 0, 0, mid));
    Session().settings.resetPaths = true;  // the rebalance builds ACCINGRP first
    QVERIFY(CommitIfActive());

    QVERIFY(txn('P', 20231115, 4000, 4000, "GBP", "cur", "shop", "food"));
    QVERIFY(txn('P', 20231201, 2000, 1700, "EUR", "euro", "shop", "pot"));
    QVERIFY(txn('P', 20240310, 2500, 2500, "GBP", "cur", "shop", "food"));
    QVERIFY(txn('P', 20240420, 1000, 850, "EUR", "euro", "shop", "food"));
    QVERIFY(txn('R', 20240601, 100000, 100000, "GBP", "cur", "employer", "income"));
    QVERIFY(txn('C', 20240701, 5000, 5000, "GBP", "cur", "savings"));
    QVERIFY(txn('P', 20250105, 500, 500, "GBP", "cur", "shop", "food"));  // after the period
  }

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    ids_.clear();
    SetPeriodDates(kFrom, kTo);
    Session().settings.washCtgies = true;
    QCOMPARE(Session().settings.defaultPotId, 1);
    ids_["pot"] = 1;
  }
  void cleanup() { books_.reset(); }

  void summaries_data() {
    QTest::addColumn<bool>("wash");
    QTest::addColumn<QStringList>("expected");
    // name ccy kind bfd prepdnet pdpayts pdrcpts pdtfrs pdbfd pdcfd first last
    const QStringList common{
        "cur GBP A 50000 -4000 -2500 100000 -5000 46000 138500 20231115 20250105",
        "employer GBP A 0 0 0 -100000 0 0 -100000 20240601 20240601",
        "euro EUR A 20000 -2000 -1000 0 0 18000 17000 20231201 20240420",
        "euro EUR V 17000 -1700 -850 0 0 15300 14450 99999999 0",
        "income GBP A 0 0 0 100000 0 0 100000 20240601 20240601",
        "savings GBP A 0 0 0 0 5000 0 5000 20240701 20240701",
        "shop EUR A 0 0 1000 0 0 0 1000 20231201 20240420",
        "shop EUR V 0 0 850 0 0 0 850 99999999 0",
        "shop GBP A 0 0 2500 0 0 0 2500 20231115 20250105",
        // The wash moves balances inside the top group: its sums do not change.
        "top GBP A 10500 -5700 -3350 100000 0 4800 101450 20231115 20250105",
    };
    QTest::newRow("wash on") << true
                             << (common + QStringList{
                                              "food GBP A 0 0 -3350 0 0 0 -3350 20231115 20250105",
                                              "low GBP A 0 0 -3350 0 0 0 -3350 20231115 20250105",
                                              "mid GBP A 0 0 -3350 100000 0 0 96650 20231115 "
                                              "20250105",
                                              "pot GBP A 10500 -5700 0 0 0 4800 4800 20231201 "
                                              "20231201",
                                          });
    QTest::newRow("wash off")
        << false
        << (common + QStringList{
                         "food GBP A 10000 -4000 -3350 0 0 6000 2650 20231115 20250105",
                         "low GBP A 10000 -4000 -3350 0 0 6000 2650 20231115 20250105",
                         "mid GBP A 10000 -4000 -3350 100000 0 6000 102650 20231115 20250105",
                         "pot GBP A 500 -1700 0 0 0 -1200 -1200 20231201 20231201",
                     });
  }
  void summaries() {
    QFETCH(bool, wash);
    QFETCH(QStringList, expected);
    buildBooks();
    Session().settings.washCtgies = wash;
    QVERIFY(RebalanceNeeded());

    ScriptedPrompter p;
    QVERIFY(Rebalance());
    VERIFY_PROMPTS(p);
    expected.sort();
    QCOMPARE(movtg(), expected);
    verifyNoNulls();
    QVERIFY(!RebalanceNeeded());
    QVERIFY(!Session().settings.resetPaths);
    QCOMPARE(BusyDepth(), 0);
    QVERIFY(!RebalanceRunning());

    // One MOVTE row per account or group with summary rows, over all its currencies.
    QCOMPARE(CountAll("movte"), 11);
    QCOMPARE(QueryValue("select firstpstgdate || ' ' || lastpstgdate from movte where objid = ?",
                        {ids_["euro"]})
                 .toString(),
             QStringLiteral("20231201 20240420"));
    QCOMPARE(QueryValue("select firstpstgdate || ' ' || lastpstgdate from movte where objid = ?",
                        {ids_["shop"]})
                 .toString(),
             QStringLiteral("20231115 20250105"));

    QStringList stages;
    for (const QString& s : p.statuses())
      if (s.startsWith(QLatin1String("Rebalancing "))) stages << s;
    QCOMPARE(
        stages,
        (QStringList{
            "Rebalancing 1 of 13 : Generate latest Repeater instances",
            "Rebalancing 2 of 13 : Initialise", "Rebalancing 3 of 13 : bfd",
            "Rebalancing 4 of 13 : pre-period", "Rebalancing 5 of 13 : payments in period",
            "Rebalancing 6 of 13 : receipts in period", "Rebalancing 7 of 13 : transfers in period",
            "Rebalancing 8 of 13 : first/last posting dates",
            "Rebalancing 9 of 13 : movtg for accs", "Rebalancing 10 of 13 : accumulate for groups",
            "Rebalancing 11 of 13 : movtg for grps", "Rebalancing 12 of 13 : period bfd/cfd",
            "Rebalancing 13 of 13 : first/last posting dates"}));
    QCOMPARE(p.statuses().last(), QString());
    QCOMPARE(p.flashes().last(), QStringLiteral("Rebalanced OK"));
  }

  // The rebalance rebuilds from scratch: a second run, even over stale rows
  // left in the work and summary tables, gives the same tables.
  void secondRunIdentical() {
    buildBooks();
    ScriptedPrompter p;
    QVERIFY(Rebalance());
    const QStringList movtg = tableRows(kMovtgAll);
    const QStringList movte = tableRows(kMovteAll);
    QVERIFY(!movtg.isEmpty());
    exec("insert into movtf (accid, ccy, amtval, bfd) values (?, 'GBP', 'A', 777)", {ids_["cur"]});
    exec("update movtg set bfd = 1 where accid = ?", {ids_["food"]});
    QVERIFY(CommitIfActive());
    SetRebalanceNeeded(true);
    QVERIFY(RebalanceIfNeeded());
    QCOMPARE(tableRows(kMovtgAll), movtg);
    QCOMPARE(tableRows(kMovteAll), movte);
    VERIFY_PROMPTS(p);
  }

  // Postings the entry form never writes, as older or damaged books hold them:
  // one without a currency (summed and dated under the base currency), one of an
  // account that is gone (dated, not summed), one of a type outside the sums
  // (dated only). The pre-period sums and the dates come from one pass.
  void unusualPostings() {
    buildBooks();
    Session().settings.washCtgies = false;
    const QString insert = QStringLiteral(
        "insert into pstg (txnid, objid, txntype, pstgdate, amt, val, ccy) values (?, ?, ?, ?, "
        "?, ?, ?)");
    exec(insert,
         {900, ids_["food"], "P", 20231010, -300, -300, QVariant(QMetaType::fromType<QString>())});
    exec(insert, {901, 999, "P", 20230505, 70, 70, "GBP"});
    exec(insert, {902, ids_["savings"], "D", 20230101, 12, 12, "GBP"});
    QVERIFY(CommitIfActive());
    ScriptedPrompter p;
    QVERIFY(Rebalance());
    VERIFY_PROMPTS(p);
    const QStringList rows = movtg();
    QVERIFY2(rows.contains("food GBP A 10000 -4300 -3350 0 0 5700 2350 20231010 20250105"),
             qPrintable(rows.join('\n')));
    QVERIFY2(rows.contains("#999 GBP A 0 0 0 0 0 0 0 20230505 20230505"),
             qPrintable(rows.join('\n')));
    QVERIFY2(rows.contains("savings GBP A 0 0 0 0 5000 0 5000 20230101 20240701"),
             qPrintable(rows.join('\n')));
    QCOMPARE(QueryValue("select firstpstgdate || ' ' || lastpstgdate from movte where objid = 999")
                 .toString(),
             QStringLiteral("20230505 20230505"));
  }

  // Nothing to wash: no default-pot row is made of an empty sum.
  void emptyWashAddsNothing() {
    QVERIFY(account(1, "cur", "GBP", 1000, 1000));
    QVERIFY(account(4, "shop"));
    QVERIFY(account(3, "food"));
    QVERIFY(txn('P', 20240310, 2500, 2500, "GBP", "cur", "shop", "food"));
    ScriptedPrompter p;
    QVERIFY(Rebalance());
    VERIFY_PROMPTS(p);
    QCOMPARE(CountRows("movtg", "accid = 1"), 0);
    QCOMPARE(CountRows("movte", "objid = 1"), 0);
    QCOMPARE(movtg(), (QStringList{"cur GBP A 1000 0 -2500 0 0 1000 -1500 20240310 20240310",
                                   "food GBP A 0 0 -2500 0 0 0 -2500 20240310 20240310",
                                   "shop GBP A 0 0 2500 0 0 0 2500 20240310 20240310"}));
    verifyNoNulls();
  }

  // A refusal leaves the summaries and the flag as they were.
  void refusals_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("message");
    QTest::newRow("wash without a default pot") << "nopot"
                                                << "Program error : no dftpot";
    QTest::newRow("no base currency row")
        << "nobase"
        << "Program error : Currency list does not include a Base Currency";
    QTest::newRow("no currencies") << "noccy"
                                   << "Use main menu \"Currencies\" to enter a Base Currency";
    QTest::newRow("straddling the period end")
        << "end"
        << "Transaction #%1 (displayed) straddles 2024-12-31 and a later date\r"
           "(use Edit|Unstraddle to resolve this)";
    QTest::newRow("straddling the period start")
        << "start"
        << "Transaction #%1 (displayed) straddles 2024-01-01 and a prior date\r"
           "(use Edit|Unstraddle to resolve this)";
    QTest::newRow("straddling the period end by one day")
        << "endEdge"
        << "Transaction #%1 (displayed) straddles 2024-12-31 and a later date\r"
           "(use Edit|Unstraddle to resolve this)";
    QTest::newRow("straddling the period start, second date first")
        << "startBackwards"
        << "Transaction #%1 (displayed) straddles 2024-01-01 and a prior date\r"
           "(use Edit|Unstraddle to resolve this)";
  }
  void refusals() {
    QFETCH(QString, setup);
    QFETCH(QString, message);
    QVERIFY(account(1, "cur", "GBP", 1000, 1000));
    QVERIFY(account(4, "shop"));
    QVERIFY(account(3, "food"));
    QVERIFY(txn('P', 20240310, 2500, 2500, "GBP", "cur", "shop", "food"));
    {
      ScriptedPrompter quiet;
      QVERIFY(Rebalance());
    }
    const QStringList before = tableRows(kMovtgAll);
    int32_t straddler = 0;
    if (setup == "nopot") Session().settings.defaultPotId = 0;
    if (setup == "nobase") exec("update ccy set base = 0");
    if (setup == "noccy") exec("delete from ccy");
    if (setup == "end")
      straddler = txn('P', 20241220, 100, 100, "GBP", "cur", "shop", "food", 20250103);
    if (setup == "start")
      straddler = txn('P', 20231230, 100, 100, "GBP", "cur", "shop", "food", 20240102);
    if (setup == "endEdge")
      straddler = txn('P', 20241231, 100, 100, "GBP", "cur", "shop", "food", 20250101);
    if (setup == "startBackwards")
      straddler = txn('P', 20240102, 100, 100, "GBP", "cur", "shop", "food", 20231231);
    QVERIFY(CommitIfActive());
    SetRebalanceNeeded(true);

    ScriptedPrompter p;
    p.info(message.contains("%1") ? message.arg(straddler) : message);
    QVERIFY(!Rebalance());
    VERIFY_PROMPTS(p);
    QVERIFY(RebalanceNeeded());
    QCOMPARE(tableRows(kMovtgAll), before);
    QCOMPARE(BusyDepth(), 0);
    QVERIFY(!p.flashes().contains("Rebalanced OK"));
  }

  // The wash off needs no default pot.
  void washOffWithoutPot() {
    QVERIFY(account(1, "cur", "GBP", 1000, 1000));
    Session().settings.washCtgies = false;
    Session().settings.defaultPotId = 0;
    ScriptedPrompter p;
    QVERIFY(Rebalance());
    VERIFY_PROMPTS(p);
    QCOMPARE(movtg(), QStringList{"cur GBP A 1000 0 0 0 0 1000 1000 99999999 0"});
  }

  // The first stage writes the repeater instances due by the balance date, so
  // the summaries include them; a declined generation does not stop the rest.
  void repeaterInstancesFirst_data() {
    QTest::addColumn<int>("lastGenTo");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("expected");
    QTest::newRow("generated") << 0 << QString()
                               << "cur GBP A 1000 0 -30000 0 0 1000 -29000 20240115 20250115";
    QTest::newRow("declined") << 20240601
                              << "Many instances may be generated, 213 days worth - are you sure ?"
                              << "cur GBP A 1000 0 0 0 0 1000 1000 99999999 0";
  }
  void repeaterInstancesFirst() {
    QFETCH(int, lastGenTo);
    QFETCH(QString, question);
    QFETCH(QString, expected);
    QVERIFY(account(1, "cur", "GBP", 1000, 1000));
    QVERIFY(account(4, "shop"));
    QVERIFY(account(3, "food"));
    TRptr r;
    r.ccy = "GBP";
    r.amount = 2500;
    r.type = QChar('P');
    r.accId1 = ids_["cur"];
    r.accId2 = ids_["shop"];
    r.accId4 = ids_["food"];
    r.sched.freq = QChar('M');
    r.sched.rptInc = 1;
    r.sched.startDate = YmdToDateRec(20240115);
    r.sched.active = true;
    {
      ScriptedPrompter quiet;
      QVERIFY(WriteRepeater(r) && CommitIfActive());
    }
    Session().settings.lastGenTo = lastGenTo;
    ScriptedPrompter p;
    if (!question.isEmpty()) p.no(question);
    QVERIFY(Rebalance());
    VERIFY_PROMPTS(p);
    QVERIFY(!RebalanceNeeded());
    QStringList rows = movtg();
    QCOMPARE(rows.filter(QRegularExpression("^cur ")), QStringList{expected});
  }

  // A database error in a stage ends the rebalance: the stages committed
  // before it stay, the flag stays set.
  void failingStageStops() {
    buildBooks();
    Session().settings.resetPaths = false;
    // An account listed as a member of another account makes the group stage
    // collide with that account's own summary row.
    exec("insert into accingrp (accid, grpid) values (?, ?)", {ids_["food"], ids_["cur"]});
    QVERIFY(CommitIfActive());
    ScriptedPrompter p;
    QVERIFY(!Rebalance());
    QCOMPARE(p.seen().size(), 1);
    QVERIFY2(p.seen().first().startsWith("info \"Database error : "), qPrintable(p.seen().first()));
    QVERIFY(p.seen().first().contains("MOVTG", Qt::CaseInsensitive));
    QVERIFY(RebalanceNeeded());
    QVERIFY(!RebalanceRunning());
    QCOMPARE(BusyDepth(), 0);
    QVERIFY(!InTransaction());
    QCOMPARE(p.statuses().last(), QString());
    QVERIFY(p.statuses().contains("Rebalancing 11 of 13 : movtg for grps"));
    QVERIFY(!p.statuses().contains("Rebalancing 12 of 13 : period bfd/cfd"));
    // Stage 9 committed the accounts' rows; stage 12 never computed their balances.
    QCOMPARE(QueryValue("select bfd || ' ' || pdbfd from movtg where accid = ? and amtval = 'A'",
                        {ids_["cur"]})
                 .toString(),
             QStringLiteral("50000 0"));
    QCOMPARE(CountAll("movte"), 0);
  }
};

QTEST_GUILESS_MAIN(TstRebalance)
#include "tst_rebalance.moc"
