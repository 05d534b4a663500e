// Repeaters against real books (base GBP): instance dates, generation up to the
// generate-to date with its limits and questions, new master ids, deleting
// instances, the master hand-over of the row writer, and deleting the latest
// instance with regeneration.
#include <QSqlQuery>
#include <QtTest>
#include <memory>

#include "foundation/clock.h"
#include "foundation/dates.h"
#include "ledger/currencies.h"
#include "ledger/posting.h"
#include "ledger/repeaters.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

void exec(const QString& sql, const QVariantList& binds = {}) {
  QVERIFY2(ExecSql(sql, binds), qPrintable(sql + " : " + LastDbError()));
}

QString dateList(const TRptr& r, int count) {
  QStringList out;
  for (int n = 1; n <= count; ++n) out << DateRecToText(InstanceDate(r, n));
  return out.join(' ');
}

// Instance dates of a master as "n:yyyy-mm-dd", in instance order.
// Strict: also flags an instance whose other two dates are not its date (as generated).
QString instanceRows(int32_t masterId, bool strict = true) {
  QStringList out;
  QSqlQuery q = RunQuery(
      "select instance, txndate, date2, actualtxndate from txn where masterid = ? "
      "order by instance",
      {masterId});
  while (q.next()) {
    QString line = q.value(0).toString() + ":" + YmdToText(q.value(1).toInt());
    if (strict &&
        (q.value(2).toInt() != q.value(1).toInt() || q.value(3).toInt() != q.value(1).toInt()))
      line += "!dates";
    out << line;
  }
  return out.join(' ');
}

int gentoOf(int32_t masterId) {
  return QueryValue("select gento from rptr where id = ?", {masterId}, -1).toInt();
}
bool activeOf(int32_t masterId) {
  return QueryValue("select rptactive from rptr where id = ?", {masterId}, 0).toInt() == 1;
}

// Expected prompts from a table cell: "Y:text", "N:text" (questions), "I:text" (information).
void script(ScriptedPrompter& p, const QStringList& steps) {
  for (const QString& step : steps) {
    const QString text = step.mid(2);
    if (step.startsWith("I:"))
      p.info(text);
    else if (step.startsWith("C"))
      p.choice(text, step.at(1).digitValue());
    else
      p.ask(text, step.at(0).toLatin1());
  }
}

// The amounts of a master's instances in instance order, then the master's own.
QString amounts(int32_t masterId) {
  QStringList out;
  QSqlQuery q = RunQuery("select amt from txn where masterid = ? order by instance", {masterId});
  while (q.next()) out << q.value(0).toString();
  return out.join(' ') + " | " +
         QueryValue("select amt from rptr where id = ?", {masterId}).toString();
}

const QString kDiffer = QStringLiteral(
    "Instance amount(s) differ from master, this detail cannot automatically be "
    "recreated!\rcontinue anyway? - are you sure ?");

// Notes how many TXN rows there are whenever a rate is asked for.
class RateWatchingPrompter : public ScriptedPrompter {
 public:
  QList<int> txnRows;
  bool askText(const QString& prompt, const QString& line2, QString& text, int maxLength,
               int emphasis) override {
    txnRows << CountAll("txn");
    return ScriptedPrompter::askText(prompt, line2, text, maxLength, emphasis);
  }
  int askChoice(const QString& text, const QString& option1, const QString& option2) override {
    txnRows << CountAll("txn");
    return ScriptedPrompter::askChoice(text, option1, option2);
  }
};

}  // namespace

class TstRepeaters : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  int32_t cur_ = 0, shop_ = 0, food_ = 0;

  TRptr master(int32_t startYmd, QChar freq = QChar('M'), int32_t inc = 1) {
    TRptr r;
    r.ccy = "GBP";
    r.amount = 2500;
    r.type = QChar('P');
    r.reference = "rent";
    r.narrative = "Monthly rent";
    r.accId1 = cur_;
    r.accId2 = shop_;
    r.accId4 = food_;
    r.sched.freq = freq;
    r.sched.rptInc = inc;
    r.sched.startDate = YmdToDateRec(startYmd);
    r.sched.active = true;
    return r;
  }
  int32_t stored(TRptr r) {
    ScriptedPrompter quiet;
    if (!WriteRepeater(r) || !CommitIfActive()) return 0;
    return r.id;
  }
  // Books whose balance date is ymd and today is today (no generation run yet).
  void at(int32_t today, int32_t balance) {
    SetClock(QDateTime(YmdToDate(today), QTime(9, 0)));
    Session().periodTo = balance;
    SetGenerateToDate(TDateRec());
  }
  static QDate YmdToDate(int32_t ymd) { return QDate(ymd / 10000, ymd / 100 % 100, ymd % 100); }

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    cur_ = AddTestAccount(1, "Current");
    shop_ = AddTestAccount(4, "Landlord");
    food_ = AddTestAccount(3, "Housing");
    QVERIFY(cur_ && shop_ && food_);
    QVERIFY(CommitIfActive());
    Session().settings.lastGenTo = 0;
    Session().settings.dbFrozen = false;
    at(20240315, 20240315);
  }
  void cleanup() {
    books_.reset();
    ResetClock();
  }

  void instanceDates_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<QChar>("freq");
    QTest::addColumn<int>("inc");
    QTest::addColumn<QString>("dates");
    QTest::newRow("31 Jan monthly") << 20230131 << QChar('M') << 1
                                    << "2023-01-31 2023-03-03 2023-03-31 2023-05-01 2023-05-31 "
                                       "2023-07-01 2023-07-31 2023-08-31 2023-10-01 2023-10-31 "
                                       "2023-12-01 2023-12-31";
    QTest::newRow("31 Jan monthly, leap year")
        << 20240131 << QChar('M') << 1 << "2024-01-31 2024-03-02 2024-03-31";
    QTest::newRow("weekly by 2 over the year end")
        << 20241225 << QChar('W') << 2 << "2024-12-25 2025-01-08 2025-01-22";
    QTest::newRow("yearly from 29 Feb")
        << 20240229 << QChar('Y') << 1 << "2024-02-29 2025-03-01 2026-03-01 2027-03-01 2028-02-29";
    QTest::newRow("daily by 3") << 20240227 << QChar('D') << 3 << "2024-02-27 2024-03-01";
  }
  void instanceDates() {
    QFETCH(int, start);
    QFETCH(QChar, freq);
    QFETCH(int, inc);
    QFETCH(QString, dates);
    const TRptr r = master(start, freq, inc);
    QCOMPARE(dateList(r, int(dates.split(' ').size())), dates);
    QVERIFY(InstanceDate(r, 0).isZero());
  }

  // Generate-to 2024-03-15, monthly from 2024-01-01: instances 1-4, then nothing more.
  void generatesUpToTheNextInstance() {
    const int32_t id = stored(master(20240101));
    ScriptedPrompter p;
    QVERIFY(GenerateRepeaterInstances());
    VERIFY_PROMPTS(p);
    QCOMPARE(instanceRows(id), QString("1:2024-01-01 2:2024-02-01 3:2024-03-01 4:2024-04-01"));
    QCOMPARE(gentoOf(id), 4);
    QVERIFY(activeOf(id));
    QCOMPARE(GenerateToDate(), (TDateRec{2024, 3, 15}));
    QCOMPARE(Session().settings.lastGenTo, 20240315);
    QCOMPARE(p.flashes().first(),
             QString("generating instance #" + QString::number(id) + "-1 ..."));
    QCOMPARE(CountRows("pstg", "txnid in (select id from txn where masterid = ?)", {id}), 12);

    // An instance reads as status 2 with its master's schedule and the latest instance date.
    const int32_t fourth =
        QueryValue("select id from txn where masterid = ? and instance = 4", {id}).toInt();
    TTxn t;
    QVERIFY(ReadTxn(fourth, t));
    QCOMPARE(t.status, 2);
    QCOMPARE(t.amount, 2500);
    QCOMPARE(t.value, 2500);
    QCOMPARE(t.narrative, QString("Monthly rent"));
    QCOMPARE(t.rpt.genTo, 4);
    QCOMPARE(t.rpt.genToDate, (TDateRec{2024, 4, 1}));
    QCOMPARE(CountAll("remdr"), 0);  // no lead time, no reminders

    const int txns = CountAll("txn");
    QVERIFY(GenerateRepeaterInstances());
    QCOMPARE(CountAll("txn"), txns);
    QCOMPARE(gentoOf(id), 4);
  }

  void limits_data() {
    QTest::addColumn<int>("balance");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("inc");
    QTest::addColumn<QChar>("freq");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<bool>("active");
    const QString three = "1:2024-01-01 2:2024-02-01 3:2024-03-01";
    QTest::newRow("count 3") << 20241231 << 3 << 0 << 1 << QChar('M') << three << false;
    QTest::newRow("count 3, third after the generate-to date")
        << 20240215 << 3 << 0 << 1 << QChar('M') << three << true;
    QTest::newRow("end date on an instance")
        << 20241231 << 0 << 20240301 << 1 << QChar('M') << three << false;
    QTest::newRow("end date between instances")
        << 20241231 << 0 << 20240315 << 1 << QChar('M') << three << false;
    QTest::newRow("increment 0") << 20241231 << 0 << 0 << 0 << QChar('M') << "" << true;
    QTest::newRow("no frequency") << 20241231 << 0 << 0 << 1 << QChar(' ') << "" << true;
  }
  void limits() {
    QFETCH(int, balance);
    QFETCH(int, count);
    QFETCH(int, end);
    QFETCH(int, inc);
    QFETCH(QChar, freq);
    QFETCH(QString, rows);
    QFETCH(bool, active);
    at(20240101, balance);
    TRptr r = master(20240101, freq, inc);
    r.sched.rptCt = count;
    r.sched.endDate = YmdToDateRec(end);
    const int32_t id = stored(r);
    ScriptedPrompter p;
    QVERIFY(GenerateRepeaterInstances());
    QVERIFY(GenerateRepeaterInstances());  // a second run changes nothing
    VERIFY_PROMPTS(p);
    QCOMPARE(instanceRows(id), rows);
    QCOMPARE(activeOf(id), active);
  }

  void distantBalanceDate_data() {
    QTest::addColumn<int>("choice");
    QTest::addColumn<char>("confirm");  // ' ' = not asked
    QTest::addColumn<int>("genTo");
    QTest::addColumn<int>("gento");  // monthly from 2024-03-01
    QTest::newRow("balance date, confirmed") << 1 << 'Y' << 20260101 << 24;
    QTest::newRow("balance date, not confirmed") << 1 << 'N' << 20250315 << 14;
    QTest::newRow("one year ahead") << 2 << ' ' << 20250315 << 14;
    QTest::newRow("cancel") << 0 << ' ' << 20240315 << 2;
  }
  void distantBalanceDate() {
    QFETCH(int, choice);
    QFETCH(char, confirm);
    QFETCH(int, genTo);
    QFETCH(int, gento);
    at(20240315, 20260101);
    const int32_t id = stored(master(20240301));
    ScriptedPrompter p;
    p.choice("Balance date 2026-01-01 is distant! Generate repeaters to ...", choice);
    if (confirm != ' ')
      p.ask("Generate repeaters all the way to 2026-01-01 - are you sure?", confirm);
    QVERIFY(GenerateRepeaterInstances());
    VERIFY_PROMPTS(p);
    QCOMPARE(DateRecToYmd(GenerateToDate()), genTo);
    QCOMPARE(Session().settings.lastGenTo, genTo);
    QCOMPARE(gentoOf(id), gento);
  }

  void manyDays_data() {
    QTest::addColumn<int>("lastGenTo");
    QTest::addColumn<char>("answer");  // ' ' = not asked
    QTest::addColumn<int>("instances");
    QTest::addColumn<int>("lastAfter");
    QTest::newRow("74 days, declined") << 20240101 << 'N' << 0 << 20240101;
    QTest::newRow("74 days, accepted") << 20240101 << 'Y' << 4 << 20240315;
    QTest::newRow("60 days, not asked") << 20240115 << ' ' << 4 << 20240315;
    QTest::newRow("later than now, kept") << 20240601 << ' ' << 4 << 20240601;
  }
  void manyDays() {
    QFETCH(int, lastGenTo);
    QFETCH(char, answer);
    QFETCH(int, instances);
    QFETCH(int, lastAfter);
    const int32_t id = stored(master(20240101));
    Session().settings.lastGenTo = lastGenTo;
    ScriptedPrompter p;
    if (answer != ' ')
      p.ask("Many instances may be generated, 74 days worth - are you sure ?", answer);
    QCOMPARE(GenerateRepeaterInstances(), answer != 'N');
    VERIFY_PROMPTS(p);
    QCOMPARE(CountRows("txn", "masterid = ?", {id}), instances);
    QCOMPARE(Session().settings.lastGenTo, lastAfter);
  }

  void refusals() {
    ScriptedPrompter p;
    TRptr r = master(20240101);
    r.accId4 = 99;
    const int32_t id = stored(r);
    Session().settings.dbFrozen = true;
    p.info("Cannot generate repeater instances, database is frozen");
    QVERIFY(!GenerateRepeaterInstances());
    QCOMPARE(CountAll("txn"), 0);
    Session().settings.dbFrozen = false;

    p.info("Account not found : #99");  // reading the master names its accounts
    p.info("Account #99 not found, cannot generate Repeater #" + QString::number(id) + " instance");
    QVERIFY(GenerateRepeaterInstances());
    QCOMPARE(CountAll("txn"), 0);
    QCOMPARE(gentoOf(id), 0);
    QVERIFY(activeOf(id));

    // A master moving money from an account to itself generates nothing.
    exec("update rptr set rptactive = 0 where id = ?", {id});
    TRptr same = master(20240101);
    same.type = QChar('C');
    same.accId2 = cur_;
    same.accId4 = 0;
    const int32_t sameId = stored(same);
    // The inactive first master is passed over without being read.
    p.info("Program error : Account #" + QString::number(cur_) +
           " twice in one transaction - transaction not written");
    QVERIFY(GenerateRepeaterInstances());
    QCOMPARE(CountAll("txn"), 0);
    QCOMPARE(gentoOf(sameId), 0);

    p.info("Program error : Trying to gen insts for zero master");
    QVERIFY(!RegenerateInstances(0));
    p.info("Repeater Master #77 not found");
    TRptr missing;
    QVERIFY(!ReadRepeater(77, missing, true));
    QVERIFY(!ReadRepeater(77, missing));
    VERIFY_PROMPTS(p);
  }

  // A foreign-currency payment is valued at the rate of each instance's date and
  // stops at a missing rate; a foreign-currency transfer cannot be valued, never
  // generates and stays active; other masters go on.
  void foreignCurrency() {
    QVERIFY(InsertCurrency(TCcy{"EUR", "Euro", false}));
    for (int32_t ymd : {20240101, 20240201})
      exec("insert into rate (ccycode, rdate, rate) values ('EUR', ?, 1.25)", {ymd});
    TObj euro = NewObj();
    euro.kind = 1;
    euro.name = "Euro acc";
    euro.ccy = "EUR";
    TObj euro2 = euro;
    euro2.name = "Euro savings";
    QVERIFY(WriteAccount(euro) && WriteAccount(euro2));
    TRptr transfer = master(20240101);
    transfer.type = QChar('C');
    transfer.ccy = "EUR";
    transfer.accId1 = euro.id;
    transfer.accId2 = euro2.id;
    transfer.accId4 = 0;
    TRptr payment = master(20240101);
    payment.ccy = "EUR";
    payment.accId1 = euro.id;
    const int32_t t = stored(transfer), pay = stored(payment), gbp = stored(master(20240101));
    // No rate for the third instance: each EUR master stops there, the others go
    // on. A transfer is valued as a payment is.
    ScriptedPrompter p;
    for (int i = 0; i < 2; ++i)
      p.choice("No EUR rate found for 2024-03-01, closest is 2024-02-01", 0)
          .info("Use main menu option \"Currencies\" to specify a rate for EUR on 2024-03-01");
    QVERIFY(GenerateRepeaterInstances());
    VERIFY_PROMPTS(p);
    QCOMPARE(gentoOf(t), 2);
    QVERIFY(activeOf(t));
    QCOMPARE(CountRows("txn", "masterid = ? and val = 2000 and rate = 1.25", {t}), 2);
    QCOMPARE(gentoOf(pay), 2);
    QVERIFY(activeOf(pay));
    QCOMPARE(CountRows("txn", "masterid = ? and val = 2000 and rate = 1.25", {pay}), 2);
    QCOMPARE(gentoOf(gbp), 4);
  }

  // Every rate a master's instances need is asked for before any instance is
  // written, so a rate typed (and stored) on the way commits no half of them.
  void ratesObtainedBeforeWriting() {
    QVERIFY(InsertCurrency(TCcy{"EUR", "Euro", false}));
    TObj euro = NewObj();
    euro.kind = 1;
    euro.name = "Euro acc";
    euro.ccy = "EUR";
    QVERIFY(WriteAccount(euro));
    TRptr payment = master(20240101);
    payment.ccy = "EUR";
    payment.amount = 2500;
    payment.accId1 = euro.id;
    const int32_t id = stored(payment);
    RateWatchingPrompter p;
    p.text("&Enter mid-market exchange rate (per 1 GBP)\rfor EUR on 2024-01-01", "1.25");
    for (const QString day : {"2024-02-01", "2024-03-01", "2024-04-01"})
      p.choice("No EUR rate found for " + day + ", closest is 2024-01-01", 2);
    QVERIFY(GenerateRepeaterInstances());
    VERIFY_PROMPTS(p);
    QCOMPARE(p.txnRows, (QList<int>{0, 0, 0, 0}));
    QCOMPARE(gentoOf(id), 4);
    QCOMPARE(CountRows("txn", "masterid = ? and val = 2000", {id}), 4);
  }

  void newRepeaterId_data() {
    QTest::addColumn<int>("instanceOf");  // 0 = no instances
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("id");
    QTest::newRow("instances of a deleted master 15") << 15 << "" << 16;
    QTest::newRow("no instances") << 0 << "Repeater #12 has no instances" << 13;
  }
  void newRepeaterId() {
    QFETCH(int, instanceOf);
    QFETCH(QString, message);
    QFETCH(int, id);
    TRptr r = master(20240101);
    for (int32_t i : {3, 12}) {
      r.id = i;
      QVERIFY(stored(r));
    }
    if (instanceOf > 0) {
      exec(
          "insert into txn (id, \"type\", txndate, amt, masterid, instance) "
          "values (1, 'D', 20240101, 0, ?, 1)",
          {instanceOf});
    }
    ScriptedPrompter p;
    if (!message.isEmpty()) p.info(message);
    QCOMPARE(NewRepeaterId(), id);
    VERIFY_PROMPTS(p);
  }

  void deleteInstancesFrom() {
    const int32_t id = stored(master(20240101));
    at(20240415, 20240415);
    {
      ScriptedPrompter quiet;
      QVERIFY(GenerateRepeaterInstances());
    }
    QCOMPARE(gentoOf(id), 5);
    exec("update txn set amt = 2600 where masterid = ? and instance in (1, 4)", {id});
    QVERIFY(CommitIfActive());

    ScriptedPrompter p;
    p.no(kDiffer);
    QVERIFY(!DeleteInstancesFrom(id, 3));
    QCOMPARE(CountRows("txn", "masterid = ?", {id}), 5);
    QCOMPARE(gentoOf(id), 5);

    p.yes(kDiffer).yes("... really really sure ?");
    QVERIFY(DeleteInstancesFrom(id, 3));
    VERIFY_PROMPTS(p);
    QCOMPARE(instanceRows(id), QString("1:2024-01-01 2:2024-02-01"));
    QCOMPARE(gentoOf(id), 2);
    QCOMPARE(CountRows("pstg", "txnid not in (select id from txn)"), 0);
    QVERIFY(p.flashes().contains("deleting instance #" + QString::number(id) + "-5 ..."));

    // Only instances from n on are compared: instance 1's amount asks nothing.
    QVERIFY(DeleteInstancesFrom(id, 2));
    VERIFY_PROMPTS(p);
    QCOMPARE(gentoOf(id), 1);
  }

  void rowWriterHandsMastersOver() {
    TTxn t = MasterRecord(master(20240131));
    t.rpt.rptCt = 6;
    t.rpt.rmDays = 3;
    t.rpt.endDate = TDateRec{2024, 12, 31};
    t.reference = "ref";
    {
      ScriptedPrompter p;
      QVERIFY(WriteTransaction(t));
      VERIFY_PROMPTS(p);
    }
    QVERIFY(t.masterId > 0);
    QCOMPARE(CountAll("txn"), 0);
    QCOMPARE(CountAll("pstg"), 0);
    TRptr back;
    QVERIFY(ReadRepeater(t.masterId, back));
    QCOMPARE(back.amount, 2500);
    QCOMPARE(back.type, QChar('P'));
    QCOMPARE(back.reference, QString("ref"));
    QCOMPARE(back.narrative, QString("Monthly rent"));
    QCOMPARE(back.accId1, cur_);
    QCOMPARE(back.accId2, shop_);
    QCOMPARE(back.accId4, food_);
    QCOMPARE(back.sched.startDate, (TDateRec{2024, 1, 31}));
    QCOMPARE(back.sched.endDate, (TDateRec{2024, 12, 31}));
    QCOMPARE(back.sched.rptCt, 6);
    QCOMPARE(back.sched.rmDays, 3);
    QVERIFY(back.sched.active);
    QVERIFY(back.created.isValid());

    // Written again it is the same row, updated, its creation stamp kept.
    const int32_t first = t.masterId;
    t.amount = 2700;
    t.rpt.genTo = 2;
    QVERIFY(WriteTransaction(t));
    QCOMPARE(t.masterId, first);
    QCOMPARE(CountAll("rptr"), 1);
    TRptr again;
    QVERIFY(ReadRepeater(first, again));
    QCOMPARE(again.amount, 2700);
    QCOMPARE(again.created, back.created);
    QVERIFY(again.edited.isValid());
    QCOMPARE(again.sched.genToDate, (TDateRec{2024, 3, 2}));
  }

  void updateRepeaterMaster() {
    const int32_t id = stored(master(20240101));
    {
      ScriptedPrompter quiet;
      QVERIFY(GenerateRepeaterInstances());
    }
    TTxn instance;
    QVERIFY(
        ReadTxn(QueryValue("select id from txn where masterid = ? and instance = 2", {id}).toInt(),
                instance));
    instance.amount = 3000;
    instance.rpt.rptCt = 9;  // an instance's schedule is not the master's to take
    QVERIFY(UpdateRepeaterMaster(instance));
    TRptr back;
    QVERIFY(ReadRepeater(id, back));
    QCOMPARE(back.amount, 3000);
    QCOMPARE(back.sched.rptCt, 0);
    QCOMPARE(back.sched.genTo, 4);
    QCOMPARE(CountRows("txn", "masterid = ? and amt = 2500", {id}), 4);

    TTxn rec = MasterRecord(back);
    rec.rpt.rptCt = 9;
    QVERIFY(UpdateRepeaterMaster(rec));
    QVERIFY(ReadRepeater(id, back));
    QCOMPARE(back.sched.rptCt, 9);
  }

  void deletingTheLatestInstanceRegenerates_data() {
    QTest::addColumn<char>("regenerate");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<int>("gento");
    QTest::newRow("now") << 'Y' << "1:2024-01-01 2:2024-02-01 3:2024-03-01 4:2024-04-01" << 4;
    QTest::newRow("at the next rebalance") << 'N' << "1:2024-01-01 2:2024-02-01 3:2024-03-01" << 3;
  }
  void deletingTheLatestInstanceRegenerates() {
    QFETCH(char, regenerate);
    QFETCH(QString, rows);
    QFETCH(int, gento);
    TRptr r = master(20240101);
    r.sched.rmDays = 5;  // every instance gets its reminder
    const int32_t id = stored(r);
    {
      ScriptedPrompter quiet;
      QVERIFY(GenerateRepeaterInstances());
    }
    const int32_t last =
        QueryValue("select id from txn where masterid = ? and instance = 4", {id}).toInt();
    SetRebalanceNeeded(false);
    ScriptedPrompter p;
    p.yes(
         "Deleted instance(s) will be regenerated at next Rebal : use Cancel instead to avoid "
         "this. Still OK to delete?")
        .ask("Regenerate deleted instances now?", regenerate);
    QVERIFY(DeleteTransaction(last));
    VERIFY_PROMPTS(p);
    QCOMPARE(instanceRows(id), rows);
    QCOMPARE(gentoOf(id), gento);
    QCOMPARE(CountRows("remdr", "txnid in (select id from txn where masterid = ?)", {id}), gento);
    QCOMPARE(QueryValue("select min(rmdate) from remdr").toInt(), 20231227);
    QVERIFY(RebalanceNeeded());
    QVERIFY(!InTransaction());  // committed
  }

  // GENTO behind the instances that exist (as the healthcheck may find it):
  // deleting one above it asks about the later ones, GENTO follows the
  // deletion, and generation never writes an instance number a second time.
  void gentoBehindTheInstances() {
    const int32_t id = stored(master(20240101));
    at(20240415, 20240415);
    {
      ScriptedPrompter quiet;
      QVERIFY(GenerateRepeaterInstances());
    }
    QCOMPARE(gentoOf(id), 5);
    exec("update rptr set gento = 2 where id = ?", {id});
    QVERIFY(CommitIfActive());
    const int32_t fifth =
        QueryValue("select id from txn where masterid = ? and instance = 5", {id}).toInt();
    ScriptedPrompter p;
    p.ask("Txn is an instance of a Active Repeater. Also delete all later instances?", 'Y')
        .yes(
            "Deleted instance(s) will be regenerated at next Rebal : use Cancel instead to avoid "
            "this. Still OK to delete?")
        .no("Regenerate deleted instances now?");
    QVERIFY(DeleteTransaction(fifth));
    VERIFY_PROMPTS(p);
    QCOMPARE(gentoOf(id), 4);
    QCOMPARE(instanceRows(id), QString("1:2024-01-01 2:2024-02-01 3:2024-03-01 4:2024-04-01"));

    // Generation from a GENTO behind existing instances passes over them.
    exec("update rptr set gento = 2 where id = ?", {id});
    QVERIFY(CommitIfActive());
    {
      ScriptedPrompter quiet;
      QVERIFY(RegenerateInstances(id));
    }
    QVERIFY(CommitIfActive());
    QCOMPARE(instanceRows(id),
             QString("1:2024-01-01 2:2024-02-01 3:2024-03-01 4:2024-04-01 5:2024-05-01"));
    QCOMPARE(gentoOf(id), 5);
  }

  void carryEditToLaterInstances_data() {
    QTest::addColumn<int>("instance");
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("inactive");
    QTest::addColumn<QStringList>("prompts");
    QTest::addColumn<QString>("after");  // amounts of instances 1-5 | master
    const QString also = "Also apply these changes to later instances?\rField(s) : ";
    QTest::newRow("amount of 2 of 5")
        << 2 << "amount" << false
        << QStringList{"Y:" + also + "amt",
                       "Y:Update will impact 3 existing instances #3 to #5\ras well as future "
                       "instances - OK ?"}
        << "2500 3000 3000 3000 3000 | 3000";
    QTest::newRow("amount and description of 4 of 5")
        << 4 << "amount+desc" << false
        << QStringList{"Y:" + also + "amt, description",
                       "Y:Update will impact 1 existing instance #5\ras well as future "
                       "instances - OK ?"}
        << "2500 2500 2500 3000 3000 | 3000";
    QTest::newRow("amount of the latest")
        << 5 << "amount" << false << QStringList{"Y:" + also + "amt"}
        << "2500 2500 2500 2500 3000 | 3000";
    QTest::newRow("impact declined")
        << 2 << "amount" << false
        << QStringList{"Y:" + also + "amt",
                       "N:Update will impact 3 existing instances #3 to #5\ras well as future "
                       "instances - OK ?"}
        << "2500 3000 2500 2500 2500 | 2500";
    QTest::newRow("carrying declined") << 2 << "amount" << false << QStringList{"N:" + also + "amt"}
                                       << "2500 3000 2500 2500 2500 | 2500";
    QTest::newRow("only the date")
        << 2 << "date" << false
        << QStringList{"I:These changes cannot be carried forward to later "
                       "instances\rField(s) : txndate"}
        << "2500 2500 2500 2500 2500 | 2500";
    QTest::newRow("inactive master")
        << 2 << "amount" << true
        << QStringList{"I:Cannot apply to later instances since repeater is inactive"}
        << "2500 3000 2500 2500 2500 | 2500";
  }
  void carryEditToLaterInstances() {
    QFETCH(int, instance);
    QFETCH(QString, change);
    QFETCH(bool, inactive);
    QFETCH(QStringList, prompts);
    QFETCH(QString, after);
    const int32_t id = stored(master(20240101));
    at(20240415, 20240415);
    {
      ScriptedPrompter quiet;
      QVERIFY(GenerateRepeaterInstances());
    }
    if (inactive) exec("update rptr set rptactive = 0 where id = ?", {id});
    TTxn old;
    QVERIFY(
        ReadTxn(QueryValue("select id from txn where masterid = ? and instance = ?", {id, instance})
                    .toInt(),
                old));
    TTxn now = old;
    if (change.contains("amount")) now.amount = now.value = 3000;
    if (change.contains("desc")) now.narrative = "Rent, new flat";
    if (change == "date") now.txnDate = now.actualDate = TDateRec{2024, 2, 3};
    ScriptedPrompter p;
    script(p, prompts);
    // As the entry form saves an edit: the row and its postings rewritten, then the offer.
    QVERIFY(DeletePostings(old) && WriteTransaction(now));
    const bool carried = CarryEditToLaterInstances(old, now);
    VERIFY_PROMPTS(p);
    QCOMPARE(carried, after.endsWith("| 3000"));
    QCOMPARE(amounts(id), after);
    QCOMPARE(gentoOf(id), 5);
    QCOMPARE(instanceRows(id, false),
             QString(change == "date" ? "1:2024-01-01 2:2024-02-03 3:2024-03-01 "
                                        "4:2024-04-01 5:2024-05-01"
                                      : "1:2024-01-01 2:2024-02-01 3:2024-03-01 "
                                        "4:2024-04-01 5:2024-05-01"));
    if (change.contains("desc"))
      QCOMPARE(CountRows("txn", "masterid = ? and narrative = 'Rent, new flat'", {id}), 2);
    // Rewritten instances post their new amount.
    QCOMPARE(CountRows("pstg", "objid = ? and amt = -3000", {cur_}),
             int(after.section(" | ", 0, 0).count("3000")));
  }

  // An edit carried to later instances obtains their rates before deleting any.
  void carriedEditObtainsRatesFirst() {
    QVERIFY(InsertCurrency(TCcy{"EUR", "Euro", false}));
    for (int32_t ymd : {20240101, 20240201, 20240401, 20240501})
      exec("insert into rate (ccycode, rdate, rate) values ('EUR', ?, 1.25)", {ymd});
    TObj euro = NewObj();
    euro.kind = 1;
    euro.name = "Euro acc";
    euro.ccy = "EUR";
    QVERIFY(WriteAccount(euro));
    TRptr payment = master(20240101);
    payment.ccy = "EUR";
    payment.accId1 = euro.id;
    const int32_t id = stored(payment);
    at(20240415, 20240415);
    exec("insert into rate (ccycode, rdate, rate) values ('EUR', 20240301, 1.25)");
    {
      ScriptedPrompter quiet;
      QVERIFY(GenerateRepeaterInstances());
    }
    exec("delete from rate where rdate = 20240301");
    QVERIFY(CommitIfActive());
    TTxn old;
    QVERIFY(ReadTxn(
        QueryValue("select id from txn where masterid = ? and instance = 2", {id}).toInt(), old));
    TTxn now = old;
    now.amount = 3000;
    QVERIFY(SetTxnValue(now));
    QVERIFY(DeletePostings(old) && WriteTransaction(now));
    RateWatchingPrompter p;
    p.yes("Also apply these changes to later instances?\rField(s) : amt")
        .yes("Update will impact 3 existing instances #3 to #5\ras well as future instances - OK ?")
        .choice("No EUR rate found for 2024-03-01, closest is 2024-02-01", 2);
    QVERIFY(CarryEditToLaterInstances(old, now));
    VERIFY_PROMPTS(p);
    QCOMPARE(p.txnRows, QList<int>{5});  // asked while all five instances were still there
    QCOMPARE(amounts(id), QString("2500 3000 3000 3000 3000 | 3000"));
  }

  void makeRepeaterFromTxn() {
    TTxn t = MasterRecord(master(20240131));
    t.status = 0;
    t.masterId = 0;
    t.value = t.amount;
    QVERIFY(WriteTransaction(t) && CommitIfActive());
    SetRebalanceNeeded(false);
    ScriptedPrompter p;
    QVERIFY(MakeRepeaterFromTxn(t, QChar('Y')));
    QVERIFY(!InTransaction());
    QVERIFY(RebalanceNeeded());
    QCOMPARE(t.status, 2);
    QCOMPARE(t.instance, 1);
    TRptr r;
    QVERIFY(ReadRepeater(t.masterId, r));
    QCOMPARE(r.sched.startDate, (TDateRec{2024, 1, 31}));
    QCOMPARE(r.sched.freq, QChar('Y'));
    QCOMPARE(r.sched.rptInc, 1);
    QCOMPARE(r.sched.rmDays, 31);
    QCOMPARE(r.sched.genTo, 1);
    QVERIFY(r.sched.active);
    QCOMPARE(r.amount, 2500);
    QCOMPARE(r.accId4, food_);
    QCOMPARE(instanceRows(r.id), QString("1:2024-01-31"));
    QCOMPARE(CountRows("pstg", "txnid = ?", {t.id}), 3);

    // The next run generates instance 2 onwards.
    at(20240315, 20250301);
    QVERIFY(GenerateRepeaterInstances());
    QCOMPARE(instanceRows(r.id), QString("1:2024-01-31 2:2025-01-31 3:2026-01-31"));

    // An instance becomes the first of another master only when confirmed.
    TTxn inst;
    QVERIFY(ReadTxn(t.id, inst));
    const QString detach = "This transaction will become instance #1 of the new Repeater - OK ?";
    p.no(detach).yes(detach);
    QVERIFY(!MakeRepeaterFromTxn(inst, QChar('M')));
    QCOMPARE(inst.masterId, r.id);
    QVERIFY(MakeRepeaterFromTxn(inst, QChar('M')));
    VERIFY_PROMPTS(p);
    QCOMPARE(inst.masterId, r.id + 1);
    TRptr monthly;
    QVERIFY(ReadRepeater(inst.masterId, monthly));
    QCOMPARE(monthly.sched.rmDays, 0);
    QCOMPARE(instanceRows(monthly.id, false), QString("1:2024-01-31"));
    QCOMPARE(instanceRows(r.id), QString("2:2025-01-31 3:2026-01-31"));
  }

  void deactivateRepeater() {
    const int32_t id = stored(master(20240101));
    ScriptedPrompter p;
    const QString q = "Deactivate Repeater #" + QString::number(id) + " - OK ?";
    p.no(q).yes(q).yes("Deactivate Repeater #99 - OK ?");
    QVERIFY(!DeactivateRepeater(id));
    QVERIFY(activeOf(id));
    QVERIFY(DeactivateRepeater(id));
    QVERIFY(!InTransaction());
    QVERIFY(!activeOf(id));
    QVERIFY(!DeactivateRepeater(99));
    VERIFY_PROMPTS(p);
  }

  void deleteRepeater_data() {
    QTest::addColumn<bool>("active");
    QTest::addColumn<bool>("instances");
    QTest::addColumn<QStringList>("prompts");
    QTest::addColumn<bool>("deleted");
    QTest::addColumn<int>("txnsLeft");
    const QString ask = "C%1Delete Repeater #1 : also delete 4 Instance(s)?";
    QTest::newRow("still active")
        << true << true << QStringList{"I:Cannot delete - Repeater Master is still active"} << false
        << 4;
    QTest::newRow("no instances")
        << false << false
        << QStringList{"Y:Delete Repeater #1  Master with no instances - are you sure?"} << true
        << 0;
    QTest::newRow("retain instances")
        << false << true
        << QStringList{ask.arg(1),
                       "Y:Delete Repeater #1 Master, retaining Instances as stand-alone txns - "
                       "are you sure?"}
        << true << 4;
    QTest::newRow("delete instances")
        << false << true
        << QStringList{ask.arg(2), "Y:Delete Repeater #1 Master and all Instances - are you sure?",
                       "Y:Delete 4 instances, are you really sure?"}
        << true << 0;
    QTest::newRow("delete instances, not really")
        << false << true
        << QStringList{ask.arg(2), "Y:Delete Repeater #1 Master and all Instances - are you sure?",
                       "N:Delete 4 instances, are you really sure?"}
        << false << 4;
    QTest::newRow("cancelled") << false << true << QStringList{ask.arg(0)} << false << 4;
  }
  void deleteRepeater() {
    QFETCH(bool, active);
    QFETCH(bool, instances);
    QFETCH(QStringList, prompts);
    QFETCH(bool, deleted);
    QFETCH(int, txnsLeft);
    const int32_t id = stored(master(20240101));
    QCOMPARE(id, 1);
    if (instances) {
      ScriptedPrompter quiet;
      QVERIFY(GenerateRepeaterInstances());
    }
    if (!active) exec("update rptr set rptactive = 0 where id = ?", {id});
    QVERIFY(CommitIfActive());
    ScriptedPrompter p;
    script(p, prompts);
    QCOMPARE(DeleteRepeater(id), deleted);
    VERIFY_PROMPTS(p);
    QCOMPARE(LocateRepeater(id), !deleted);
    QCOMPARE(CountAll("txn"), txnsLeft);
    QCOMPARE(CountRows("pstg", "txnid > 0"), 3 * txnsLeft);
    QVERIFY(!InTransaction());
  }

  // Frozen books: every change of a master is refused first, asking nothing.
  void frozenBooksKeepTheirMasters_data() {
    QTest::addColumn<int>("command");  // 0 deactivate, 1 delete, 2 weed
    QTest::addColumn<QString>("message");
    QTest::newRow("deactivate") << 0 << "Cannot deactivate repeater, database is frozen";
    QTest::newRow("delete") << 1 << "Cannot delete repeater, database is frozen";
    QTest::newRow("weed") << 2 << "Cannot delete repeater, database is frozen";
  }
  void frozenBooksKeepTheirMasters() {
    QFETCH(int, command);
    QFETCH(QString, message);
    const int32_t active = stored(master(20240101));
    TRptr off = master(20240101);
    off.sched.active = false;
    const int32_t inactive = stored(off);
    Session().settings.dbFrozen = true;
    ScriptedPrompter p;
    p.info(message);
    int weeded = -1;
    const bool done = command == 0   ? DeactivateRepeater(active)
                      : command == 1 ? DeleteRepeater(inactive)
                                     : WeedRepeaters(&weeded);
    QVERIFY(!done);
    VERIFY_PROMPTS(p);
    QVERIFY(activeOf(active));
    QVERIFY(LocateRepeater(inactive));
    QCOMPARE(weeded, command == 2 ? 0 : -1);
  }

  // Weed deletes the masters stored inactive and nothing else: their
  // instances stay, and a master made active again is kept.
  void weed() {
    const int32_t keep = stored(master(20240101));
    const int32_t gone = stored(master(20240101));
    const int32_t revived = stored(master(20240101));
    {
      ScriptedPrompter quiet;
      QVERIFY(GenerateRepeaterInstances());
    }
    exec("update rptr set rptactive = 0 where id in (?, ?)", {gone, revived});
    exec("update rptr set rptactive = 1 where id = ?", {revived});  // since the list was read
    QVERIFY(CommitIfActive());
    const QString question =
        "OK to delete all inactive Masters?\r(their Instances will be retained as stand-alone "
        "transactions)";
    ScriptedPrompter p;
    p.no(question);
    QVERIFY(!WeedRepeaters());
    QVERIFY(LocateRepeater(gone));
    p.yes(question).info("Weeded OK");
    int count = 0;
    QVERIFY(WeedRepeaters(&count));
    VERIFY_PROMPTS(p);
    QCOMPARE(count, 1);
    RollbackIfActive();  // committed already
    QVERIFY(!LocateRepeater(gone));
    QVERIFY(LocateRepeater(keep) && LocateRepeater(revived));
    QCOMPARE(instanceRows(gone), QString("1:2024-01-01 2:2024-02-01 3:2024-03-01 4:2024-04-01"));
    QCOMPARE(CountRows("pstg", "txnid in (select id from txn where masterid = ?)", {gone}), 12);
  }

  // "Delete Instances" asks the freeze protection once for all the instances
  // (one question per account, not per instance); No deletes nothing.
  void deleteInstancesBehindTheFreezeDate_data() {
    QTest::addColumn<char>("answer");
    QTest::newRow("No") << 'N';
    QTest::newRow("Yes") << 'Y';
  }
  void deleteInstancesBehindTheFreezeDate() {
    QFETCH(char, answer);
    const int32_t id = stored(master(20240101));
    {
      ScriptedPrompter quiet;
      QVERIFY(GenerateRepeaterInstances());
    }
    exec("update rptr set rptactive = 0 where id = ?", {id});
    QVERIFY(CommitIfActive());
    Session().settings.freezeBefore = 20240215;  // instances 1 and 2 lie behind it
    const QString frozen = QStringLiteral(
        "Posting is on/before account posting freeze date\rAre you sure you want to "
        "add/amend/delete transaction?");
    ScriptedPrompter p;
    p.choice("Delete Repeater #1 : also delete 4 Instance(s)?", 2)
        .yes("Delete Repeater #1 Master and all Instances - are you sure?")
        .yes("Delete 4 instances, are you really sure?")
        .ask(frozen, answer);
    if (answer == 'Y') p.yes(frozen);  // the second account; instance 2 adds no question
    QCOMPARE(DeleteRepeater(id), answer == 'Y');
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(LocateRepeater(id), answer != 'Y');
    QCOMPARE(CountAll("txn"), answer == 'Y' ? 0 : 4);
    QCOMPARE(CountAll("pstg"), answer == 'Y' ? 0 : 12);
  }
};

QTEST_GUILESS_MAIN(TstRepeaters)
#include "tst_repeaters.moc"
