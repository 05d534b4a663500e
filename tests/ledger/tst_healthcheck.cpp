// The healthcheck against real books damaged through SQL: the lines each kind
// of damage gives in check and repair mode, the rows a repair leaves, and that
// a repaired set of books checks without anything left to repair.
#include <QtTest>
#include <memory>

#include "foundation/clock.h"
#include "foundation/dates.h"
#include "ledger/freeze.h"
#include "ledger/healthcheck.h"
#include "ledger/posting.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

class LinesSink : public HealthcheckSink {
 public:
  QStringList lines;
  int starts = 0, finishes = 0;
  void started(bool) override { ++starts, lines.clear(); }
  void line(const QString& text) override { lines << text; }
  void finished() override { ++finishes; }
};

int32_t txnOf(TTxn t) {
  if (!WriteTransaction(t) || !CommitIfActive()) return 0;
  return t.id;
}

}  // namespace

class TstHealthcheck : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  QHash<QString, int32_t> ids_;

  // {name} → the id of that account or transaction.
  QString fill(QString s) const {
    for (auto it = ids_.cbegin(); it != ids_.cend(); ++it)
      s.replace("{" + it.key() + "}", QString::number(it.value()));
    return s;
  }

  bool damage(const QStringList& sqls) {
    for (const QString& sql : sqls)
      if (!ExecSql(fill(sql))) return false;
    return CommitIfActive();
  }

  THcResult run(HcMode mode, LinesSink& sink) {
    RecordingPrompter quiet('N');
    return RunHealthcheck(mode, sink, HcBackup::No);
  }

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    ids_.clear();
    ids_["pot"] = 1;
    ids_["cur"] = AddTestAccount(1, "Current");
    ids_["sav"] = AddTestAccount(1, "Savings");
    ids_["cash"] = AddTestAccount(1, "Cash");
    ids_["card"] = AddTestAccount(1, "Card");
    ids_["shop"] = AddTestAccount(4, "Shop");
    ids_["food"] = AddTestAccount(3, "Food");
    ids_["pot2"] = AddTestAccount(6, "Holiday pot");
    QVERIFY(CommitIfActive());
    auto txn = [&](QChar type, int32_t a1, int32_t a2, int32_t a4, int64_t amt) {
      TTxn t = NewTxn();
      t.ccy = "GBP";
      t.type = type;
      t.txnDate = TDateRec{2024, 3, 15};
      t.amount = t.value = amt;
      t.accId1 = a1;
      t.accId2 = a2;
      t.accId4 = a4;
      if (type == QChar('D')) t.narrative = "Dentist";
      return txnOf(t);
    };
    ids_["P"] = txn('P', ids_["cur"], ids_["shop"], ids_["food"], 500);
    ids_["R"] = txn('R', ids_["cur"], ids_["shop"], ids_["food"], 200);
    ids_["C"] = txn('C', ids_["cur"], ids_["sav"], 0, 300);
    ids_["T"] = txn('C', ids_["pot"], ids_["pot2"], 0, 100);
    ids_["D"] = txn('D', 0, 0, 0, 0);
    for (const char* k : {"P", "R", "C", "T", "D"}) QVERIFY(ids_[k] > 0);
  }
  void cleanup() {
    books_.reset();
    SetHealthcheckLineCap(0);
  }

  void cleanBooksCheckClean() {
    LinesSink sink;
    const THcResult r = run(HcMode::Check, sink);
    QVERIFY(r.ran && !r.aborted);
    QCOMPARE(r.autoErrors + r.manualErrors + r.housekeeping, 0);
    QVERIFY(sink.lines.value(1).startsWith("Healthcheck (no repair) at "));
    QCOMPARE(sink.lines.value(2), QStringLiteral("This log (HCHK.TXT)  saved to"));
    QVERIFY(sink.lines.contains("ACCOUNT : 8 record(s)"));
    QVERIFY(sink.lines.contains("1 Payment(s) 5.00"));
    QVERIFY(sink.lines.contains("1 Receipt(s) 2.00"));
    QVERIFY(sink.lines.contains("2 Transfer(s) 4.00"));
    QVERIFY(sink.lines.contains("1 Diary item(s)"));
    QVERIFY(sink.lines.contains("PSTG scan complete"));
    QVERIFY(sink.lines.last().startsWith("Scan completed at "));
    // The log file holds what the sink was given.
    QFile f(r.logFile);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(f.readAll()).split('\n').mid(0, sink.lines.size()), sink.lines);
    QVERIFY(r.logFolder.startsWith(books_->folder() + "Healthchecks/HCHK"));
  }

  void damaged_data() {
    QTest::addColumn<QStringList>("sqls");
    QTest::addColumn<QStringList>("checkLines");   // each one in the check log
    QTest::addColumn<QStringList>("repairLines");  // each one in the repair log
    QTest::addColumn<QStringList>("absent");       // in neither
    QTest::addColumn<QStringList>("after");        // "query|value" after the repair

    const QString fa = "Error (for auto-repair) : ", rp = "Error (repaired) : ",
                  man = "Error (for manual repair) : ";
    auto both = [&](const QString& t) { return QStringList{fa + t}; };

    QTest::newRow("category posting missing")
        << QStringList{"delete from pstg where txnid = {P} and objid = {food}"}
        << both("Txn {P} posting not found accid4")
        << QStringList{rp + "Txn {P} posting not found accid4"} << QStringList{}
        << QStringList{"select count(*) from pstg where txnid = {P}|3"};
    QTest::newRow("transaction without postings")
        << QStringList{"delete from pstg where txnid = {R}"}
        << QStringList{fa + "Txn {R} posting not found accid1",
                       fa + "Txn {R} posting not found accid2",
                       fa + "Txn {R} posting not found accid4"}
        << QStringList{rp + "Txn {R} posting not found accid4"} << QStringList{}
        << QStringList{"select sum(val) from pstg where txnid = {R}|200"};
    QTest::newRow("diary posting missing")
        << QStringList{"delete from pstg where txnid = {D}"}
        << both("Txn {D} posting not found diary")
        << QStringList{rp + "Txn {D} posting not found diary"} << QStringList{}
        << QStringList{"select count(*) from pstg where txnid = {D} and objid = 0|1"};
    QTest::newRow("duplicate posting")
        << QStringList{"insert into pstg select * from pstg where txnid = {P} and objid = {cur}"}
        << both("Txn {P} duplicate posting") << QStringList{rp + "Txn {P} duplicate posting"}
        << QStringList{} << QStringList{"select count(*) from pstg where txnid = {P}|3"};
    QTest::newRow("orphan and transaction-less postings")
        << QStringList{"insert into pstg (txnid, objid, contra, txntype, pstgdate, amt, val, ccy, "
                       "batchnum) values ({P}, {sav}, {shop}, 'P', 20240315, 1, 1, 'GBP', 0)",
                       "insert into pstg (txnid, objid, contra, txntype, pstgdate, amt, val, ccy, "
                       "batchnum) values (9999, {cur}, 0, 'D', 20240315, 1, 1, 'GBP', 0)"}
        << QStringList{fa + "Posting {P}-{sav} - orphaned", fa + "Posting 9999-{cur} - txn not found"}
        << QStringList{rp + "Posting {P}-{sav} - orphaned", rp + "Posting 9999-{cur} - txn not found"}
        << QStringList{}
        << QStringList{"select count(*) from pstg where txnid = 9999 or objid = {sav} and txnid = {P}|0"};
    QTest::newRow("wrong value, wrong amount")
        << QStringList{"update pstg set val = 123 where txnid = {P} and objid = {cur}",
                       "update pstg set amt = 7 where txnid = {P} and objid = {shop}"}
        << QStringList{fa + "Posting {P}-{cur} - wrong pstg val 1.23, expected -5.00",
                       man + "Posting {P}-{shop} - wrong pstg amt 0.07, expected 5.00"}
        << QStringList{rp + "Posting {P}-{cur} - wrong pstg val 1.23, expected -5.00"}
        << QStringList{}
        << QStringList{"select val from pstg where txnid = {P} and objid = {cur}|-500",
                       "select amt from pstg where txnid = {P} and objid = {shop}|7"};
    QTest::newRow("transfer sign flip")
        << QStringList{"update pstg set val = -val where txnid = {C}"}
        << QStringList{fa + "Posting {C}-{cur} - wrong pstg val 3.00, expected -3.00",
                       fa + "Posting {C}-{sav} - wrong pstg val -3.00, expected 3.00"}
        << QStringList{rp + "Posting {C}-{cur} - wrong pstg val 3.00, expected -3.00"}
        << QStringList{}
        << QStringList{"select val from pstg where txnid = {C} and objid = {cur}|-300",
                       "select val from pstg where txnid = {C} and objid = {sav}|300"};
    QTest::newRow("transfer's paying side value lost")
        << QStringList{"update pstg set val = 0 where txnid = {C} and objid = {cur}"}
        << both("Posting {C}-{cur} - wrong pstg val 0.00, expected -3.00") << QStringList{}
        << QStringList{}
        << QStringList{"select val from pstg where txnid = {C} and objid = {cur}|-300"};
    QTest::newRow("broken transaction value leaves its postings alone")
        << QStringList{"update txn set val = 0 where id = {P}",
                       "update pstg set batchnum = 5 where txnid = {P} and objid = {cur}"}
        << QStringList{man + "Txn P {P} txn value not set",
                       man + "Posting {P}-{cur} - txn/pstg batch num mismatch 0/5"}
        << QStringList{man + "Posting {P}-{cur} - txn/pstg batch num mismatch 0/5"}
        // The link its payment uses stays in use.
        << QStringList{"Housekeeping (for auto-repair) : Cpty-Ctgy has no txns {shop}-{food}-P"}
        << QStringList{"select sum(abs(val)) from pstg where txnid = {P}|1500",
                       "select count(*) from cptyctgy where cptyid = {shop} and purchsale = 'P'|1"};
    QTest::newRow("unused link with no stamp, missing link")
        << QStringList{"insert into cptyctgy (cptyid, ctgyid, purchsale, hidden) "
                       "values ({shop}, {pot2}, 'P', 0)",
                       "delete from cptyctgy where purchsale = 'S'"}
        << QStringList{"Housekeeping (for auto-repair) : Cpty-Ctgy has no txns {shop}-{pot2}-P",
                       fa + "Missing Cpty-Ctgy {shop}-{food}-S"}
        << QStringList{"Housekeeping (repaired) : Cpty-Ctgy has no txns {shop}-{pot2}-P"}
        << QStringList{}
        << QStringList{"select count(*) from cptyctgy where ctgyid = {pot2}|0",
                       "select count(*) from cptyctgy where purchsale = 'S' and rprts is not null|1"};
    QTest::newRow("unknown channels")
        << QStringList{"update txn set chnum = 77 where id = {P}",
                       "insert into rptr (id, \"type\", rptactive, gento, chnum, accid1, accid2, "
                       "accid3, accid4) values (5, 'C', 1, 0, 78, {cur}, {sav}, 0, 0)"}
        << QStringList{fa + "Txn P {P} channel not found 77",
                       fa + "Repeater 5 invalid channel number 78"}
        << QStringList{rp + "Txn P {P} channel not found 77"} << QStringList{}
        << QStringList{"select chnum from txn where id = {P}|0",
                       "select chnum from rptr where id = 5|0"};
    QTest::newRow("internal transfer with its own posting date")
        << QStringList{"update txn set date2 = txndate where id = {T}"}
        << both("Txn {T} Pstg Date present on Int Tfr") << QStringList{} << QStringList{}
        << QStringList{"select date2 from txn where id = {T}|0"};
    QTest::newRow("internal transfer dated apart is manual")
        << QStringList{"update txn set date2 = 20240401 where id = {T}"}
        << QStringList{man + "Txn {T} Pstg Date present on Int Tfr"}
        << QStringList{man + "Txn {T} Pstg Date present on Int Tfr"} << QStringList{}
        << QStringList{"select date2 from txn where id = {T}|20240401"};
    QTest::newRow("combined transfer split")
        << QStringList{"update txn set accid3 = {cash}, accid4 = {card}, date2 = 20240320 "
                       "where id = {C}"}
        << QStringList{"Housekeeping (for auto-repair) : Txn {C} dbvn28 : combi tfr to split"}
        << QStringList{"Housekeeping (repaired) : Txn {C} dbvn28 : combi tfr to split"}
        << QStringList{}
        << QStringList{"select accid3 + accid4 from txn where id = {C}|0",
                       "select count(*) from txn where accid1 = {cash} and accid2 = {card} and "
                       "\"type\" = 'C' and actualtxndate = 20240320 and date2 = 0|1",
                       "select count(*) from pstg where objid = {cash}|1"};
    QTest::newRow("group inside itself, missing group")
        << QStringList{"insert into account (id, name, type2, btype, isgrp, grpid, ccy, closedate, "
                       "opendate) values (50, 'G50', 8, 1, 1, 51, 'GBP', 99999999, 0)",
                       "insert into account (id, name, type2, btype, isgrp, grpid, ccy, closedate, "
                       "opendate) values (51, 'G51', 8, 1, 1, 50, 'GBP', 99999999, 0)",
                       "update account set grpid = 999 where id = {cash}"}
        << QStringList{fa + "Acc 50 type 8 Group contains itself", fa + "Acc {cash} type 1 group 999 not found"}
        << QStringList{rp + "Acc 50 type 8 Group contains itself"}
        << QStringList{fa + "Acc 51 type 8 Group contains itself"}
        << QStringList{"select grpid from account where id = 50|0",
                       "select grpid from account where id = 51|50",
                       "select grpid from account where id = {cash}|0"};
    QTest::newRow("account rules")
        << QStringList{"update account set type2 = 7 where id = {pot2}",
                       "update account set closedate = 0, name = '' where id = {sav}",
                       "update account set ccy = 'EUR' where id = {food}"}
        << QStringList{fa + "Acc {pot2} type 7 invalid account type ",
                       fa + "Acc {sav} type 1 setting close date to 9999999 ...",
                       man + "Acc {sav} type 1 account name blank",
                       fa + "Acc {food} type 3 account currency EUR not base ccy"}
        << QStringList{rp + "Acc {pot2} type 7 invalid account type "} << QStringList{}
        << QStringList{"select type2 from account where id = {pot2}|10",
                       "select closedate from account where id = {sav}|99999999",
                       "select ccy from account where id = {food}|GBP"};
    QTest::newRow("repeater gaps")
        << QStringList{"insert into rptr (id, \"type\", rptactive, gento, chnum, accid1, accid2, "
                       "accid3, accid4) values (6, 'P', 1, 3, 0, {cur}, {shop}, 0, {food})",
                       "insert into rptr (id, \"type\", rptactive, gento, chnum, accid1, accid2, "
                       "accid3, accid4) values (7, 'P', 0, 0, 0, {cur}, {cur}, 0, {food})",
                       "update txn set masterid = 6, instance = 1 where id = {P}",
                       "update txn set masterid = 6, instance = 2 where id = {R}",
                       "update txn set masterid = 6, instance = 4 where id = {C}",
                       "update txn set masterid = 6, instance = 4 where id = {T}"}
        << QStringList{man + "Repeater master #6 - Missing instance 3",
                       man + "Repeater master #6 - Duplicate instance 4",
                       fa + "Repeater master #6 - Gento 3 should be 4",
                       man + "Repeater 7 accid2 {cur} wrong acctype (1 should be 4)",
                       "Housekeeping (for auto-repair) : Repeater 7 inactive, for deletion"}
        << QStringList{rp + "Repeater master #6 - Gento 3 should be 4"} << QStringList{}
        << QStringList{"select gento from rptr where id = 6|4", "select count(*) from rptr where id = 7|0"};
    QTest::newRow("payment's accounts of the wrong kinds")
        << QStringList{"update txn set accid4 = {sav} where id = {P}",
                       "delete from pstg where txnid = {P} and objid = {food}"}
        << QStringList{"Error (for manual repair) : Txn {P} account #4 account type expected \"3\" found \"1\"",
                       man + "Txn {P} posting not found accid4"}
        << QStringList{man + "Txn {P} posting not found accid4"}
        << QStringList{rp + "Txn {P} posting not found accid4"}
        << QStringList{"select count(*) from pstg where txnid = {P}|2"};
  }

  void damaged() {
    QFETCH(QStringList, sqls);
    QFETCH(QStringList, checkLines);
    QFETCH(QStringList, repairLines);
    QFETCH(QStringList, absent);
    QFETCH(QStringList, after);
    QVERIFY(damage(sqls));

    LinesSink check, repair, again;
    run(HcMode::Check, check);
    for (const QString& l : checkLines)
      QVERIFY2(check.lines.contains(fill(l)), qPrintable(fill(l) + "\n" + check.lines.join('\n')));
    const THcResult r = run(HcMode::Repair, repair);
    QVERIFY(r.ran && !r.aborted);
    QCOMPARE(r.failedFixes, 0);
    for (const QString& l : repairLines)
      QVERIFY2(repair.lines.contains(fill(l)),
               qPrintable(fill(l) + "\n" + repair.lines.join('\n')));
    for (const QString& l : absent) {
      QVERIFY(!check.lines.contains(fill(l)));
      QVERIFY(!repair.lines.contains(fill(l)));
    }
    for (const QString& a : after) {
      const QStringList parts = fill(a).split('|');
      QCOMPARE(QueryValue(parts[0]).toString().trimmed(), parts[1]);
    }
    // Whatever a repair can do, it did the first time.
    const THcResult second = run(HcMode::Check, again);
    QVERIFY2(second.autoErrors == 0 && second.housekeeping == 0,
             qPrintable(again.lines.join('\n')));
    // And the books open again without a word about their ids.
    RollbackIfActive();
    QCOMPARE(NewTxnId() > 0, true);
  }

  void textCheck() {
    QVERIFY(ExecSql("update account set name = ? where id = ?",
                    {QString::fromUtf8("Caf\xC3\xA9"), ids_["food"]}));
    QVERIFY(ExecSql("update txn set narrative = ? where id = ?",
                    {QString::fromUtf8("Tea \xF0\x9F\x8D\xB5"), ids_["P"]}));
    QVERIFY(ExecSql("update account set name = ? where id = ?", {"O'Brien; plain", ids_["shop"]}));
    QVERIFY(ExecSql("insert into channel (chnum, accid, chname, chsts) values (3, ?, ?, 0)",
                    {ids_["cur"], "Card " + QString(QChar(0xFFFD))}));
    // Only a link scan reads the links' stamps, and the text check has none.
    QVERIFY(ExecSql("update cptyctgy set rprts = null"));
    QVERIFY(CommitIfActive());
    const int links = CountAll("cptyctgy");
    QVERIFY(links > 0);
    LinesSink sink;
    ScriptedPrompter p;
    p.info("Checks for UTF-8 compatibility before migration to Linux");
    const THcResult r = RunTextCheck(sink);
    VERIFY_PROMPTS(p);
    const QString man = "Error (for manual repair) : ";
    QVERIFY2(
        sink.lines.contains(fill(man + "Acc {food} type 3 name contains non-ASCII (>127) ch ") +
                            QString::fromUtf8("\xC3\xA9")),
        qPrintable(sink.lines.join('\n')));
    QVERIFY(sink.lines.contains(fill(man + "Txn {P} description contains non-ASCII (>127) ch ") +
                                QString::fromUtf8("\xF0\x9F\x8D\xB5")));
    QVERIFY(sink.lines.contains(man + "Channel #3 - name contains non-ASCII (>127) ch " +
                                QString(QChar(0xFFFD))));
    QCOMPARE(r.manualErrors, 3);
    QVERIFY(sink.lines.contains("Healthcheck (no repair) at " + sink.lines[1].mid(27)));
    QVERIFY(!sink.lines.contains("PSTG scan complete"));
    QVERIFY(sink.lines.contains("CHANNEL scan complete"));
    QCOMPARE(CountRows("cptyctgy", "rprts is null"), links);
    QFile f(r.logFile);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(f.readAll()).contains(QString::fromUtf8("\xF0\x9F\x8D\xB5")));
  }

  void lineCapStopsTheScan() {
    SetHealthcheckLineCap(12);
    QVERIFY(damage({"delete from pstg where txnid in ({P}, {R}, {C})"}));
    LinesSink sink;
    ScriptedPrompter p;
    p.info("Scan abandoned - error limit reached ");
    const THcResult r = RunHealthcheck(HcMode::Check, sink, HcBackup::No);
    VERIFY_PROMPTS(p);
    QVERIFY(r.aborted && r.capReached);
    QVERIFY(sink.lines.last().startsWith("Scan aborted at "));
  }

  void repairQuestionsAndRefusals() {
    LinesSink sink;
    {
      ScriptedPrompter p;
      p.no("OK to Repair now?");
      QVERIFY(!RunRepair(sink).ran);
      VERIFY_PROMPTS(p);
    }
    {
      // Cancel at the backup question: nothing scanned.
      ScriptedPrompter p;
      p.yes("OK to Repair now?").ask("OK to make a backup copy of your Vorbek data?", 'C');
      p.info("Healthcheck abandoned");
      QVERIFY(!RunRepair(sink).ran);
      VERIFY_PROMPTS(p);
      QCOMPARE(sink.starts, 0);
    }
    Session().settings.dbFrozen = true;
    {
      ScriptedPrompter p;
      p.info("Cannot repair database, database is frozen");
      QVERIFY(!RunRepair(sink).ran);
      VERIFY_PROMPTS(p);
    }
  }

  void backupHoldsTheDamage() {
    QVERIFY(damage({"delete from pstg where txnid = {P} and objid = {food}"}));
    LinesSink sink;
    ScriptedPrompter p;
    p.yes("OK to Repair now?").yes("OK to make a backup copy of your Vorbek data?");
    const THcResult r = RunRepair(sink);
    VERIFY_PROMPTS(p);
    QVERIFY(r.ran && r.backupMade);
    QVERIFY(p.flashes().contains("Backing-up datafile VORBEK.FDB"));
    QVERIFY(sink.lines.contains("This log (HCHK.TXT) and database backup  saved to"));
    QCOMPARE(QFileInfo(r.logFolder + "vorbek.fdb").size(), QFileInfo(books_->dbPath()).size());
    QCOMPARE(CountRows("pstg", "txnid = ?", {ids_["P"]}), 3);
    // The copy still has the posting missing.
    const QString copy = r.logFolder;
    CloseDatabase(false);
    Session().dataFolder = copy;
    QFile::copy(books_->iniPath(), copy + "ZADEZEVU.INI");
    QVERIFY(OpenDatabase());
    QCOMPARE(CountRows("pstg", "txnid = ?", {ids_["P"]}), 2);
  }

  void pendingConversionRoute() {
    QVERIFY(damage({"update txn set createdate = 0, createtime = 0",
                    "update txn set createts = null where id = {D}",
                    "delete from pstg where txnid = {C} and objid = {cur}"}));
    TSession& s = Session();
    s.repairPending = true;
    s.converted = true;
    LinesSink sink;
    {
      ScriptedPrompter p;  // no question at all
      QVERIFY(!RunRepair(sink).ran);
      VERIFY_PROMPTS(p);
    }
    QVERIFY(!s.repairPending);
    QCOMPARE(CountRows("txn", "createdate = 0"), 1);
    TTxn t;
    int32_t d = 0, tm = 0;
    QVERIFY(ReadTxn(ids_["P"], t));
    StampToNumbers(t.created, d, tm);
    QCOMPARE(t.createDate, d);
    QCOMPARE(t.createTime, tm);
    // Until a repair has run: no backup question, orphans left out of the log but counted.
    QVERIFY(
        damage({"insert into pstg (txnid, objid, contra, txntype, pstgdate, amt, val, ccy, "
                "batchnum) values ({P}, {sav}, {shop}, 'P', 20240315, 1, 1, 'GBP', 0)"}));
    {
      ScriptedPrompter p;
      p.yes("OK to Repair now?");
      const THcResult r = RunRepair(sink);
      VERIFY_PROMPTS(p);
      QVERIFY(!sink.lines.join('\n').contains("orphaned"));
      QCOMPARE(r.autoErrors, 2);  // the orphan and the missing posting
    }
    QVERIFY(!s.converted);
    {
      ScriptedPrompter p;
      p.ask("OK to make a backup copy of your Vorbek data?", 'N');
      QVERIFY(RunCheck(sink).ran);
      VERIFY_PROMPTS(p);
    }
  }

  void frozenBooksCheckWithoutStamps() {
    Session().settings.dbFrozen = true;
    QVERIFY(damage({"update cptyctgy set rprts = null"}));
    LinesSink sink;
    QVERIFY(run(HcMode::Check, sink).ran);
    QCOMPARE(CountRows("cptyctgy", "rprts is null"), 2);
  }
};

QTEST_GUILESS_MAIN(TstHealthcheck)
#include "tst_healthcheck.moc"
