// The record layer against a real embedded database: row versions, id
// allocation, the transaction and posting rules, texts kept exactly.
#include <QSqlQuery>
#include <QtTest>
#include <memory>

#include "foundation/clock.h"
#include "foundation/dates.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

QVariant one(const QString& sql, const QVariantList& binds = {}) { return QueryValue(sql, binds); }

void exec(const QString& sql, const QVariantList& binds = {}) {
  QVERIFY2(ExecSql(sql, binds), qPrintable(sql + " : " + LastDbError()));
}

// A TXN row written directly, for the reading rules.
void putTxn(int id, const QString& type, int txnDate, int date2, int actual, int masterId = 0,
            int instance = 0, int chnum = 0) {
  exec(
      "insert into txn (id, \"type\", txndate, date2, actualtxndate, amt, ccy, val, rate, "
      "accid1, accid2, accid3, accid4, ref, narrative, chnum, cancelled, instance, masterid, "
      "batchnum, dpdate) values (?, ?, ?, ?, ?, 100, 'GBP', 100, 1, 0, 0, 0, 0, '', '', ?, 0, "
      "?, ?, 0, 1)",
      {id, type, txnDate, date2, actual, chnum, instance, masterId});
}

void putPstg(int txnId, int objId, int date, qint64 amt, const QString& type = "P") {
  exec(
      "insert into pstg (txnid, objid, contra, txntype, pstgdate, seq, ccy, amt, val, rngbal, "
      "recamt, reconcode, dppstgdate, dprngbal, chnum, batchnum) values (?, ?, 0, ?, ?, ?, "
      "'GBP', ?, ?, 0, 0, 0, 1, 1, 0, 0)",
      {txnId, objId, type, date, txnId, qlonglong(amt), qlonglong(amt)});
}

TObj newAccount(const QString& name, uint8_t kind = 1) {
  TObj o = NewObj();
  o.name = name;
  o.kind = kind;
  return o;
}

}  // namespace

class TstRecords : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;          // a copy of fresh books per case
  std::unique_ptr<ScriptedPrompter> silent_;  // no message may come unannounced

 private Q_SLOTS:
  void init();
  void cleanup();

  void newTxnId_data();
  void newTxnId();
  void accountWriteAndRead();
  void accountWholeSeconds();
  void staleAccountRefused();
  void missingAccount();
  void accountNotes();
  void textsKeptExactly_data();
  void textsKeptExactly();
  void textsCutToWidth();
  void readTxnPostingDate_data();
  void readTxnPostingDate();
  void readTxnRules();
  void txnRowWriting();
  void accid3Refused();
  void counterpartyCategory();
  void editTxnText();
  void postingRebalanceFlag_data();
  void postingRebalanceFlag();
  void postingRoundTripAndInvalidType();
  void bfdMarker();
  void readMovt();
  void otherRows();
};

void TstRecords::init() {
  books_ = std::make_unique<TestBooks>();
  QVERIFY2(books_->ok(), qPrintable(books_->error()));
  Session().workingCurrency = "GBP";
  SetPeriodDates(20240101, 20240630);
  ResetClock();
  ClearAccountNotesChanged();
  silent_ = std::make_unique<ScriptedPrompter>();
}

void TstRecords::cleanup() {
  const QString unexpected = silent_->verify();
  silent_.reset();
  RollbackIfActive();
  books_.reset();
  ResetClock();
  QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected));
}

// ------------------------------------------------------------ NewTxnId

void TstRecords::newTxnId_data() {
  QTest::addColumn<int>("txnMax");   // 0 = no TXN rows
  QTest::addColumn<int>("pstgMax");  // 0 = no PSTG rows with a transaction
  QTest::addColumn<int>("expected");
  QTest::addColumn<QString>("message");

  QTest::newRow("empty books") << 0 << 0 << 1 << "";
  QTest::newRow("in step") << 57 << 57 << 58 << "";
  QTest::newRow("postings missing") << 57 << 56 << 0
                                    << "Txn id mismatch on last rows on TXN / PSTG tables : "
                                       "57 / 56 - run DB check";
  QTest::newRow("orphan postings") << 0 << 5 << 0
                                   << "Txn id mismatch on last rows on TXN / PSTG tables : "
                                      "0 / 5 - run DB check";
}

void TstRecords::newTxnId() {
  QFETCH(int, txnMax);
  QFETCH(int, pstgMax);
  QFETCH(int, expected);
  QFETCH(QString, message);

  if (txnMax > 0) {
    putTxn(txnMax - 1, "P", 20240101, 0, 20240101);
    putTxn(txnMax, "P", 20240102, 0, 20240102);
  }
  if (pstgMax > 0) putPstg(pstgMax, 1, 20240101, 10);
  putPstg(0, 1, 0, 0, "A");  // a brought-forward marker never counts as a transaction

  ScriptedPrompter p;
  if (!message.isEmpty()) p.info(message);
  QCOMPARE(NewTxnId(), expected);
  VERIFY_PROMPTS(p);

  // Inserting a transaction takes the same id or is refused with the same message.
  const int before = CountAll("txn");
  ScriptedPrompter p2;
  if (!message.isEmpty()) p2.info(message);
  TTxn t = NewTxn();
  t.type = 'D';
  t.txnDate = {2024, 3, 1};
  QCOMPARE(InsertTxnRow(t), expected != 0);
  VERIFY_PROMPTS(p2);
  QCOMPARE(t.id, expected);
  QCOMPARE(CountAll("txn"), before + (expected != 0 ? 1 : 0));
}

// ------------------------------------------------------------ accounts

void TstRecords::accountWriteAndRead() {
  SetClock(QDateTime(QDate(2024, 5, 6), QTime(10, 11, 12)));
  ScriptedPrompter p;

  TObj g = newAccount("Savings group", 8);
  QVERIFY(WriteAccount(g));
  QVERIFY(g.id > 0);
  QVERIFY(g.isGroup);
  QCOMPARE(int(g.baseKind), 1);
  QCOMPARE(one("select btype from account where id = ?", {g.id}).toInt(), 1);
  QCOMPARE(one("select isgrp from account where id = ?", {g.id}).toInt(), 1);
  // Every new account gets its first/last posting dates row at once.
  QCOMPARE(one("select firstpstgdate from movte where objid = ?", {g.id}).toInt(), 99999999);
  QCOMPARE(one("select lastpstgdate from movte where objid = ?", {g.id}).toInt(), 99999999);

  TObj a = newAccount("Bank");
  a.groupId = g.id;
  a.openingBalance = 12345;
  a.openingValue = 12000;
  a.openDate = {2024, 1, 1};
  a.reconciledText = "2024-02-03";
  a.path = " Savings group :";
  a.designation = "Current";
  a.sweep = true;
  a.favourite = true;
  a.allowNegative = false;
  a.heldWith = 7;
  a.cptyPays = true;
  a.payeeDefault = 9;
  QVERIFY(WriteAccount(a));
  QCOMPARE(a.id, g.id + 1);
  QCOMPARE(a.displayName, QString("Bank"));
  QCOMPARE(one("select sweepto from account where id = ?", {a.id}).toInt(), 999);

  TObj r;
  QVERIFY(ReadAccount(a.id, r));
  QCOMPARE(r.name, QString("Bank"));
  QCOMPARE(r.displayName, QString("Bank"));
  QCOMPARE(r.ccy, QString("GBP"));
  QCOMPARE(int(r.kind), 1);
  QCOMPARE(int(r.baseKind), 1);
  QVERIFY(!r.isGroup);
  QCOMPARE(r.openingBalance, int64_t(12345));
  QCOMPARE(r.openingValue, int64_t(12000));
  QCOMPARE(r.groupId, g.id);
  QCOMPARE(r.openDate, (TDateRec{2024, 1, 1}));
  QCOMPARE(r.closeDate, (TDateRec{9999, 99, 99}));
  QCOMPARE(r.firstPstgDate, (TDateRec{9999, 99, 99}));
  QCOMPARE(r.reconciledDate, (TDateRec{2024, 2, 3}));
  QCOMPARE(r.path, QString(" Savings group :"));
  QCOMPARE(r.designation, QString("Current"));
  QVERIFY(r.sweep && r.favourite && !r.allowNegative && r.allowPositive && r.cptyPays);
  QVERIFY(!r.cptyReceives);
  QCOMPARE(r.heldWith, 7);
  QCOMPARE(r.payeeDefault, 9);
  QCOMPARE(r.created, QDateTime(QDate(2024, 5, 6), QTime(10, 11, 12)));
  QVERIFY(!r.edited.isValid());

  AdvanceClock(65000);
  r.name = "Bank two";
  r.sweep = false;
  QVERIFY(WriteAccount(r));
  QCOMPARE(r.edited, QDateTime(QDate(2024, 5, 6), QTime(10, 12, 17)));
  TObj back;
  QVERIFY(ReadAccount(a.id, back));
  QCOMPARE(back.name, QString("Bank two"));
  QVERIFY(!back.sweep);
  QCOMPARE(back.edited, r.edited);
  QCOMPARE(back.created, r.created);

  // Internal accounts outside the base currency and bad codes are reported but written.
  p.info(QString("Program error : Writing Pot/Ctgy %1 with ccy USD not base-ccy").arg(a.id + 1));
  TObj pot = newAccount("Dollar pot", 6);
  pot.ccy = "USD";
  QVERIFY(WriteAccount(pot));
  p.info("Program error : Writing account 0 with invalid ccy code EU");
  TObj odd = newAccount("Odd");
  odd.ccy = "EU";
  QVERIFY(WriteAccount(odd));
  QCOMPARE(one("select ccy from account where id = ?", {odd.id}).toString().trimmed(),
           QString("EU"));
  VERIFY_PROMPTS(p);
}

void TstRecords::accountWholeSeconds() {
  SetClock(QDateTime(QDate(2024, 5, 6), QTime(10, 11, 12, 789)));
  ScriptedPrompter p;
  p.info("Program error : Non-zero milliseconds will not be written to the db grrr");
  TObj a = newAccount("Stamped");
  a.edited = QDateTime(QDate(2024, 5, 1), QTime(1, 2, 3, 456));
  QVERIFY(WriteAccount(a));
  VERIFY_PROMPTS(p);
  const QDateTime created = one("select createts from account where id = ?", {a.id}).toDateTime();
  const QDateTime edited = one("select editts from account where id = ?", {a.id}).toDateTime();
  QCOMPARE(created, QDateTime(QDate(2024, 5, 6), QTime(10, 11, 12)));
  QCOMPARE(edited, QDateTime(QDate(2024, 5, 1), QTime(1, 2, 3)));
  QCOMPARE(a.created, created);
  QCOMPARE(a.edited, edited);

  // The record's stamp is the stored one, so the next write is not taken for stale.
  a.name = "Stamped again";
  QVERIFY(WriteAccount(a));
  QCOMPARE(one("select editts from account where id = ?", {a.id}).toDateTime(),
           QDateTime(QDate(2024, 5, 6), QTime(10, 11, 12)));
}

void TstRecords::staleAccountRefused() {
  TObj a = newAccount("Bank");
  QVERIFY(WriteAccount(a));
  QVERIFY(CommitIfActive());

  TObj first, second;
  QVERIFY(ReadAccount(a.id, first));
  second = first;
  AdvanceClock(1000);
  first.name = "Bank renamed";
  QVERIFY(WriteAccount(first));

  ScriptedPrompter p;
  p.info(QString("Program error : Downdating account #%1 \"Bank stale\"").arg(a.id));
  second.name = "Bank stale";
  second.openingBalance = 999;
  SetAccountNotes("should not land");
  QVERIFY(!WriteAccount(second));
  VERIFY_PROMPTS(p);
  QCOMPARE(one("select name from account where id = ?", {a.id}).toString(),
           QString("Bank renamed"));
  QCOMPARE(one("select bfdbal from account where id = ?", {a.id}).toLongLong(), 0LL);
  QVERIFY(one("select note from account where id = ?", {a.id}).isNull());
  QVERIFY(!AccountNotesChanged());

  // The record that was written carries the new version and may be written again.
  first.name = "Bank again";
  QVERIFY(WriteAccount(first));
  QCOMPARE(one("select name from account where id = ?", {a.id}).toString(), QString("Bank again"));
}

void TstRecords::missingAccount() {
  ScriptedPrompter p;
  const int before = CountAll("account");
  TObj o;
  QVERIFY(!ReadAccount(0, o));
  QVERIFY(!ReadAccount(-3, o));
  p.info("Account not found : #999");
  QVERIFY(!ReadAccount(999, o));
  p.info("obj not found 77");
  TObj gone = newAccount("Gone");
  gone.id = 77;
  QVERIFY(!WriteAccount(gone));
  VERIFY_PROMPTS(p);
  QCOMPARE(CountAll("account"), before);
}

void TstRecords::accountNotes() {
  QString longNote;
  while (longNote.size() < 9000) longNote += "It's \"quoted\"; line\r\nÜber € 😀 ";
  TObj a = newAccount("With notes");
  SetAccountNotes(longNote);
  QVERIFY(WriteAccount(a));
  QVERIFY(!AccountNotesChanged());
  TObj other = newAccount("Other");
  SetAccountNotes("other's note");
  QVERIFY(WriteAccount(other));

  TObj r;
  QVERIFY(ReadAccount(a.id, r));
  QCOMPARE(AccountNotes().size(), longNote.size());
  QCOMPARE(AccountNotes(), longNote);

  // Unmarked notes are left as they are.
  r.name = "Renamed";
  QVERIFY(WriteAccount(r));
  QVERIFY(ReadAccount(a.id, r));
  QCOMPARE(AccountNotes(), longNote);

  // A pending note goes to the account written next, whatever was read meanwhile.
  SetAccountNotes("short; new");
  TObj o2;
  QVERIFY(ReadAccount(other.id, o2));
  QCOMPARE(AccountNotes(), QString("other's note"));
  QVERIFY(WriteAccount(r));
  QCOMPARE(one("select note from account where id = ?", {a.id}).toString(), QString("short; new"));
  QCOMPARE(one("select note from account where id = ?", {other.id}).toString(),
           QString("other's note"));
}

void TstRecords::textsKeptExactly_data() {
  QTest::addColumn<QString>("text");
  QTest::newRow("apostrophes") << "O'Brien's ''shop''";
  QTest::newRow("quotes") << "say \"hi\" \"";
  QTest::newRow("statement") << "x'; delete from txn; --";
  QTest::newRow("wildcards") << "50% _of_ \\back\\ ?";
  QTest::newRow("non-ascii") << "Ünïcødé € 日本";
  QTest::newRow("blanks") << "  two  ";
  QTest::newRow("empty") << QString();
}

void TstRecords::textsKeptExactly() {
  QFETCH(QString, text);
  TObj a = newAccount(text);
  a.designation = text;
  a.path = text;
  QVERIFY(WriteAccount(a));
  TObj r;
  QVERIFY(ReadAccount(a.id, r));
  QCOMPARE(r.name, text);
  QCOMPARE(r.designation, text.left(kDesigWidth));
  QCOMPARE(r.path, text);

  TTxn t = NewTxn();
  t.id = 3;
  t.type = 'C';
  t.narrative = text;
  t.reference = text.left(kRefWidth);
  QVERIFY(InsertTxnRow(t));
  TTxn rt;
  QVERIFY(ReadTxn(3, rt));
  QCOMPARE(rt.narrative, text);
  QCOMPARE(rt.reference, text.left(kRefWidth));

  TRemdr rm;
  rm.text = text;
  QVERIFY(WriteRemdrRow(rm));
  TRemdr rr;
  QVERIFY(ReadRemdrRow(rm.id, rr));
  QCOMPARE(rr.text, text);

  TRptr rp;
  rp.id = 1;
  rp.ccy = "GBP";
  rp.reference = text.left(kRefWidth);
  rp.narrative = text;
  QVERIFY(WriteRptrRow(rp));
  TRptr rpr;
  QVERIFY(ReadRptrRow(1, rpr));
  QCOMPARE(rpr.reference, text.left(kRefWidth));
  QCOMPARE(rpr.narrative, text);
  // Every column of a row is written: an empty text is stored as one, not as NULL.
  QCOMPARE(one("select count(*) from txn where id = 3 and ref is not null and narrative is not "
               "null")
               .toInt(),
           1);
  QCOMPARE(one("select count(*) from remdr where id = ? and text is not null", {rm.id}).toInt(), 1);
  QCOMPARE(
      one("select count(*) from rptr where id = 1 and ref is not null and narrative is not null")
          .toInt(),
      1);

  TChannel ch;
  ch.name = text.left(kChannelNameWidth);
  ch.note = text;
  QVERIFY(WriteChannelRow(ch));
  TChannel rc;
  QVERIFY(ReadChannelRow(ch.chnum, rc));
  QCOMPARE(rc.name, text.left(kChannelNameWidth));
  QCOMPARE(rc.note, text);
}

void TstRecords::textsCutToWidth() {
  const QString longText = QString("abcdefghij").repeated(5);  // 50
  TObj a = newAccount(longText);
  a.designation = longText;
  QVERIFY(WriteAccount(a));
  QCOMPARE(a.name, longText.left(40));
  TObj r;
  QVERIFY(ReadAccount(a.id, r));
  QCOMPARE(r.name, longText.left(40));
  QCOMPARE(r.designation, longText.left(20));

  TTxn t = NewTxn();
  t.type = 'D';
  t.narrative = longText;
  t.reference = longText;
  QVERIFY(InsertTxnRow(t));
  TTxn rt;
  QVERIFY(ReadTxn(t.id, rt));
  QCOMPARE(rt.narrative, longText.left(40));
  QCOMPARE(rt.reference, longText.left(20));

  // A character outside the basic plane counts as one, as the column counts
  // it, and is kept whole: 39 letters and two emoji keep one emoji; 41 emoji keep 40.
  const QString smile = QString::fromUtf8("😀");
  TObj e = newAccount(QString(39, QChar('x')) + smile + smile);
  QVERIFY(WriteAccount(e));
  QCOMPARE(e.name, QString(39, QChar('x')) + smile);
  QVERIFY(ReadAccount(e.id, r));
  QCOMPARE(r.name, QString(39, QChar('x')) + smile);
  t.narrative = smile.repeated(41);
  t.reference = smile.repeated(21);
  QVERIFY(UpdateTxnRow(t));
  QVERIFY(ReadTxn(t.id, rt));
  QCOMPARE(rt.narrative, smile.repeated(40));
  QCOMPARE(rt.reference, smile.repeated(20));
}

// ------------------------------------------------------------ transactions

void TstRecords::readTxnPostingDate_data() {
  QTest::addColumn<int>("date2");
  QTest::addColumn<int>("actual");
  QTest::addColumn<int>("posting");  // as stored; 0 = empty

  QTest::newRow("same as actual date") << 20240110 << 20240110 << 0;
  QTest::newRow("no posting date") << 0 << 20240105 << 0;
  QTest::newRow("own posting date") << 20240110 << 20240105 << 20240110;
  QTest::newRow("no actual date") << 20240110 << 0 << 20240110;
}

void TstRecords::readTxnPostingDate() {
  QFETCH(int, date2);
  QFETCH(int, actual);
  QFETCH(int, posting);
  putTxn(1, "P", 20240105, date2, actual);
  TTxn t;
  QVERIFY(ReadTxn(1, t));
  QCOMPARE(StoredDate(t.postingDate), posting);
  QCOMPARE(StoredDate(t.actualDate), actual);
  QCOMPARE(StoredDate(t.txnDate), 20240105);
}

void TstRecords::readTxnRules() {
  QVariantList ids;
  for (const char* name : {"Bank", "Shop", "Food"}) {
    TObj a = newAccount(name);
    QVERIFY(WriteAccount(a));
    ids << a.id;
  }
  TChannel visa;
  visa.chnum = 7;
  visa.name = "Visa";
  QVERIFY(WriteChannelRow(visa));
  exec(
      "insert into rptr (id, \"type\", startdate, enddate, freq, rptinc, rptct, gento, "
      "rptactive, rmdays, amt, ccy, accid1, accid2, accid3, accid4, chnum, ref, narrative) "
      "values (10, 'P', 20240115, 0, 'M', 1, 12, 3, 1, 5, 100, 'GBP', 0, 0, 0, 0, 0, '', '')");

  putTxn(1, "P", 20240105, 0, 20240105, 0, 0, 7);
  exec("update txn set accid1 = ?, accid2 = ?, accid4 = ? where id = 1", ids);
  putTxn(2, "", 20240105, 0, 20240105);
  putTxn(3, "P", 20240105, 0, 20240105);
  exec("update txn set \"type\" = null where id = 3");
  putTxn(4, "P", 20240105, 0, 20240105, 9, 3);
  putTxn(5, "P", 20240215, 0, 20240215, 10, 2);
  putTxn(6, "P", 20240105, 0, 20240105, 0, 0, 99);
  putTxn(7, "C", 20240105, 0, 20240105);
  exec("update txn set accid1 = 9055 where id = 7");
  putTxn(8, "D", 20240105, 0, 20240105);
  exec(
      "update txn set createts = '2024-03-04 05:06:07', createdate = 20240304, "
      "createtime = 50607 where id = 8");
  putTxn(9, "D", 20240105, 0, 20240105);
  exec(
      "update txn set createts = '2024-03-04 05:06:07', createdate = 20240304, "
      "createtime = 50608 where id = 9");

  ScriptedPrompter p;
  TTxn t;
  QVERIFY(ReadTxn(1, t));
  QCOMPARE(t.accName1, QString("Bank"));
  QCOMPARE(t.accName2, QString("Shop"));
  QCOMPARE(t.accName3, QString());
  QCOMPARE(t.accName4, QString("Food"));
  QCOMPARE(t.channelName, QString("Visa "));
  QCOMPARE(t.status, 0);
  QCOMPARE(t.type, QChar('P'));
  QCOMPARE(t.rpt.freq, QChar(' '));

  p.info("Invalid type for txn 2");
  QVERIFY(ReadTxn(2, t));
  QCOMPARE(t.type, QChar(' '));
  p.info("Invalid type for txn 3");
  QVERIFY(ReadTxn(3, t));
  QCOMPARE(t.type, QChar(' '));

  QVERIFY(ReadTxn(4, t));  // its master is gone
  QCOMPARE(t.status, 2);
  QCOMPARE(t.masterId, 9);
  QCOMPARE(t.rpt.freq, QChar('X'));

  QVERIFY(ReadTxn(5, t));
  QCOMPARE(t.status, 2);
  QCOMPARE(t.instance, 2);
  QCOMPARE(t.rpt.freq, QChar('M'));
  QCOMPARE(t.rpt.startDate, (TDateRec{2024, 1, 15}));
  QVERIFY(t.rpt.endDate.isZero());
  QCOMPARE(t.rpt.genTo, 3);
  QVERIFY(t.rpt.active);
  QCOMPARE(t.rpt.rptInc, 1);
  QCOMPARE(t.rpt.rptCt, 12);
  QCOMPARE(t.rpt.rmDays, 5);

  QVERIFY(ReadTxn(6, t));
  QCOMPARE(t.channelName, QString("invalid chnum 99"));

  p.info("Account not found : #9055");
  QVERIFY(ReadTxn(7, t));
  QCOMPARE(t.accName1, QString());

  QVERIFY(ReadTxn(8, t));
  p.info("Program error : Createdate/time mismatch for txn #9");
  QVERIFY(ReadTxn(9, t));
  QCOMPARE(t.createTime, 50608);

  QVERIFY(!ReadTxn(404, t));
  VERIFY_PROMPTS(p);
}

void TstRecords::txnRowWriting() {
  SetClock(QDateTime(QDate(2024, 4, 5), QTime(6, 7, 8, 450)));
  ScriptedPrompter p;  // the accounts named are not in these books
  TTxn t = NewTxn();
  t.type = 'P';
  t.txnDate = {2024, 4, 1};
  t.postingDate = {2024, 4, 3};
  t.actualDate = {2024, 4, 1};
  t.amount = 1234;
  t.value = 1000;
  t.rate = 1.234;
  t.reference = "chq 100";
  t.narrative = "Groceries";
  t.accId1 = 9001;
  t.accId2 = 9002;
  t.accId4 = 9003;
  t.channel = 4;
  t.batch = -1;
  t.firstOfDay = false;
  t.cancelled = true;
  QVERIFY(InsertTxnRow(t));
  QCOMPARE(t.id, 1);
  QCOMPARE(t.batch, 1);  // a new batch is headed by the transaction itself
  QCOMPARE(t.created, QDateTime(QDate(2024, 4, 5), QTime(6, 7, 8)));
  QCOMPARE(t.createDate, 20240405);
  QCOMPARE(t.createTime, 60708);
  QCOMPARE(one("select createts from txn where id = 1").toDateTime(), t.created);
  QVERIFY(one("select editts from txn where id = 1").isNull());

  TTxn r;
  p.info("Account not found : #9001")
      .info("Account not found : #9002")
      .info("Account not found : #9003");
  QVERIFY(ReadTxn(1, r));
  QCOMPARE(r.ccy, QString("GBP"));
  QCOMPARE(r.type, QChar('P'));
  QCOMPARE(r.txnDate, t.txnDate);
  QCOMPARE(r.postingDate, t.postingDate);
  QCOMPARE(r.actualDate, t.actualDate);
  QCOMPARE(r.amount, int64_t(1234));
  QCOMPARE(r.value, int64_t(1000));
  QCOMPARE(float(r.rate), float(1.234));
  QCOMPARE(r.reference, t.reference);
  QCOMPARE(r.narrative, t.narrative);
  QCOMPARE(r.accId1, 9001);
  QCOMPARE(r.accId2, 9002);
  QCOMPARE(r.accId4, 9003);
  QCOMPARE(r.channel, 4);
  QCOMPARE(r.batch, 1);
  QVERIFY(!r.firstOfDay);
  QVERIFY(r.cancelled);
  QCOMPARE(r.createDate, 20240405);
  QCOMPARE(r.createTime, 60708);

  AdvanceClock(2000);
  r.narrative = "Groceries and more";
  r.postingDate = TDateRec();
  QVERIFY(UpdateTxnRow(r));
  QCOMPARE(r.edited, QDateTime(QDate(2024, 4, 5), QTime(6, 7, 10)));
  QCOMPARE(one("select narrative from txn where id = 1").toString(), r.narrative);
  QCOMPARE(one("select date2 from txn where id = 1").toInt(), 0);
  QCOMPARE(one("select createts from txn where id = 1").toDateTime(), t.created);

  p.info("txn not found 42");
  TTxn gone = NewTxn();
  gone.id = 42;
  QVERIFY(!UpdateTxnRow(gone));
  VERIFY_PROMPTS(p);
}

void TstRecords::accid3Refused() {
  ScriptedPrompter p;
  p.info("Program error : set_txn : accid3 <> 0");
  TTxn t = NewTxn();
  t.type = 'P';
  t.accId3 = 5;
  QVERIFY(!InsertTxnRow(t));
  QCOMPARE(t.id, 0);
  QCOMPARE(CountAll("txn"), 0);

  putTxn(1, "P", 20240105, 0, 20240105);
  TTxn r;
  QVERIFY(ReadTxn(1, r));
  r.accId3 = 5;
  r.narrative = "must not land";
  p.info("Program error : set_txn : accid3 <> 0");
  QVERIFY(!UpdateTxnRow(r));
  VERIFY_PROMPTS(p);
  QCOMPARE(one("select accid3 from txn where id = 1").toInt(), 0);
  QCOMPARE(one("select narrative from txn where id = 1").toString(), QString());
}

void TstRecords::counterpartyCategory() {
  auto txn = [](int id, QChar type, int cpty, int ctgy) {
    TTxn t = NewTxn();
    t.id = id;
    t.type = type;
    t.accId1 = 1;
    t.accId2 = cpty;
    t.accId4 = ctgy;
    return t;
  };
  TTxn pay = txn(1, 'P', 2, 3);
  QVERIFY(InsertTxnRow(pay));
  QVERIFY(UpdateTxnRow(pay));
  TTxn rcpt = txn(2, 'R', 2, 3);
  QVERIFY(InsertTxnRow(rcpt));
  TTxn tfr = txn(3, 'C', 2, 0);
  QVERIFY(InsertTxnRow(tfr));
  TTxn noCategory = txn(4, 'P', 2, 0);
  QVERIFY(InsertTxnRow(noCategory));

  QCOMPARE(CountAll("cptyctgy"), 2);
  QCOMPARE(CountRows("cptyctgy", "cptyid = 2 and ctgyid = 3 and purchsale = 'P' and hidden = 0"),
           1);
  QCOMPARE(CountRows("cptyctgy", "cptyid = 2 and ctgyid = 3 and purchsale = 'S' and hidden = 0"),
           1);
  QVERIFY(LocateCptyCtgy(2, 3, "S"));
  QVERIFY(!LocateCptyCtgy(2, 3, "X"));
}

void TstRecords::editTxnText() {
  putTxn(5, "P", 20240105, 0, 20240105);
  exec("update txn set narrative = 'old', ref = 'r1' where id = 5");

  ScriptedPrompter p;
  p.textStartingWith("Edit transaction description", "old", "It's \"new\"; ok");
  QString text = "old";
  QVERIFY(EditTxnText(5, text, 'D'));
  QCOMPARE(text, QString("It's \"new\"; ok"));
  QVERIFY(!InTransaction());  // the change is committed
  QCOMPARE(one("select narrative from txn where id = 5").toString(), text);

  p.text("Edit transaction reference", "R'2", false);
  QString ref = "r1";
  QVERIFY(!EditTxnText(5, ref, 'R'));
  QCOMPARE(one("select ref from txn where id = 5").toString(), QString("r1"));

  p.text("Edit transaction reference", "R'2");
  QVERIFY(EditTxnText(5, ref, 'R'));
  QCOMPARE(one("select ref from txn where id = 5").toString(), QString("R'2"));

  p.info("txn not found 9");
  QVERIFY(!EditTxnText(9, text, 'D'));
  VERIFY_PROMPTS(p);
}

// ------------------------------------------------------------ postings

void TstRecords::postingRebalanceFlag_data() {
  QTest::addColumn<bool>("existing");
  QTest::addColumn<int>("oldDate");
  QTest::addColumn<qlonglong>("oldAmount");
  QTest::addColumn<int>("newDate");
  QTest::addColumn<qlonglong>("newAmount");
  QTest::addColumn<qlonglong>("runningBalance");
  QTest::addColumn<bool>("flagged");
  // The period ends on 2024-06-30.
  QTest::newRow("new, after the period end")
      << false << 0 << 0LL << 20240701 << 500LL << 0LL << false;
  QTest::newRow("new, on the period end") << false << 0 << 0LL << 20240630 << 500LL << 0LL << true;
  QTest::newRow("new, zero amount") << false << 0 << 0LL << 20240301 << 0LL << 0LL << false;
  QTest::newRow("edit after the end, amount")
      << true << 20240705 << 500LL << 20240705 << 700LL << 0LL << false;
  QTest::newRow("edit inside, running balance only")
      << true << 20240301 << 500LL << 20240301 << 500LL << 999LL << false;
  QTest::newRow("edit inside, amount")
      << true << 20240301 << 500LL << 20240301 << 700LL << 0LL << true;
  QTest::newRow("edit moved into the period")
      << true << 20240705 << 500LL << 20240630 << 500LL << 0LL << true;
  QTest::newRow("edit moved out of the period")
      << true << 20240630 << 500LL << 20240701 << 500LL << 0LL << true;
  QTest::newRow("edit moved later, after the end")
      << true << 20240705 << 500LL << 20240710 << 500LL << 0LL << false;
}

void TstRecords::postingRebalanceFlag() {
  QFETCH(bool, existing);
  QFETCH(int, oldDate);
  QFETCH(qlonglong, oldAmount);
  QFETCH(int, newDate);
  QFETCH(qlonglong, newAmount);
  QFETCH(qlonglong, runningBalance);
  QFETCH(bool, flagged);

  TPstg p = NewPstg();
  if (existing) {
    putPstg(1, 2, oldDate, oldAmount);
    QVERIFY(ReadPosting(1, 2, p));
  } else {
    p.txnId = 1;
    p.account = 2;
    p.type = 'P';
  }
  SetRebalanceNeeded(false);
  p.postingDate = YmdToDateRec(newDate);
  p.amount = newAmount;
  p.runningBalance = runningBalance;
  QVERIFY(WritePosting(p));
  QCOMPARE(RebalanceNeeded(), flagged);
  QCOMPARE(CountRows("pstg", "txnid = 1 and objid = 2"), 1);
  QCOMPARE(one("select pstgdate from pstg where txnid = 1 and objid = 2").toInt(), newDate);
  QCOMPARE(one("select amt from pstg where txnid = 1 and objid = 2").toLongLong(), newAmount);
  QCOMPARE(one("select rngbal from pstg where txnid = 1 and objid = 2").toLongLong(),
           runningBalance);
}

void TstRecords::postingRoundTripAndInvalidType() {
  TPstg p = NewPstg();
  p.txnId = 12;
  p.seq = 12;
  p.account = 3;
  p.contra = 4;
  p.ccy = "USD";
  p.amount = -1500;
  p.runningBalance = 8000;
  p.reconciledAmount = 7000;
  p.value = -1200;
  p.postingDate = {2024, 2, 29};
  p.reconcileCode = 1;
  p.reportStamp = QDateTime(QDate(2024, 3, 1), QTime(9, 0, 1));
  p.type = 'C';
  p.firstOfDay = false;
  p.balanceShown = true;
  p.batch = 11;
  p.channel = 6;
  QVERIFY(WritePosting(p));
  TPstg r;
  QVERIFY(ReadPosting(12, 3, r));
  QCOMPARE(r.txnId, 12);
  QCOMPARE(r.seq, 12);
  QCOMPARE(r.account, 3);
  QCOMPARE(r.contra, 4);
  QCOMPARE(r.ccy, QString("USD"));
  QCOMPARE(r.amount, int64_t(-1500));
  QCOMPARE(r.runningBalance, int64_t(8000));
  QCOMPARE(r.reconciledAmount, int64_t(7000));
  QCOMPARE(r.value, int64_t(-1200));
  QCOMPARE(r.postingDate, (TDateRec{2024, 2, 29}));
  QCOMPARE(r.reconcileCode, 1);
  QCOMPARE(r.reportStamp, p.reportStamp);
  QCOMPARE(r.type, QChar('C'));
  QVERIFY(!r.firstOfDay);
  QVERIFY(r.balanceShown);
  QCOMPARE(r.batch, 11);
  QCOMPARE(r.channel, 6);
  QVERIFY(!ReadPosting(12, 99, r));

  // A damaged posting type is replaced in memory by its transaction's type.
  putTxn(5, "R", 20240105, 0, 20240105);
  putPstg(5, 3, 20240105, 100, "Q");
  ScriptedPrompter msgs;
  msgs.info("Posting has invalid txn type 5-3");
  QVERIFY(ReadPosting(5, 3, r));
  VERIFY_PROMPTS(msgs);
  QCOMPARE(r.type, QChar('R'));
  QCOMPARE(one("select txntype from pstg where txnid = 5 and objid = 3").toString().trimmed(),
           QString("Q"));

  QVERIFY(DeletePosting(12, 3));
  QVERIFY(!LocatePosting(12, 3));
  QVERIFY(!DeletePosting(12, 3));
}

void TstRecords::bfdMarker() {
  TObj a = newAccount("Dollars");
  a.ccy = "USD";
  QVERIFY(WriteAccount(a));
  SetRebalanceNeeded(false);
  QVERIFY(EnsureBfdMarker(a));
  QVERIFY(EnsureBfdMarker(a));
  QCOMPARE(CountRows("pstg", "txnid = 0 and objid = ?", {a.id}), 1);
  TPstg p;
  QVERIFY(ReadPosting(0, a.id, p));
  QCOMPARE(p.type, QChar('A'));
  QCOMPARE(p.ccy, QString("USD"));
  QCOMPARE(p.amount, int64_t(0));
  QVERIFY(p.postingDate.isZero());
  QVERIFY(!RebalanceNeeded());
  QVERIFY(DeleteBfdMarker(a.id));
  QCOMPARE(CountAll("pstg"), 0);
}

void TstRecords::readMovt() {
  TObj bank = newAccount("Bank");
  bank.groupId = 5;
  bank.path = " Banks :";
  QVERIFY(WriteAccount(bank));
  TObj shop = newAccount("Shop", 4);
  QVERIFY(WriteAccount(shop));
  exec(
      "insert into movtg (accid, ccy, amtval, bfd, prepdnet, pdpayts, pdrcpts, pdtfrs) "
      "values (?, 'GBP', 'A', 100, 20, -30, 50, 5)",
      {bank.id});
  exec(
      "insert into movtg (accid, ccy, amtval, bfd, prepdnet, pdpayts, pdrcpts, pdtfrs) "
      "values (?, 'GBP', 'V', 9000, 9000, 9000, 9000, 9000)",
      {bank.id});
  exec(
      "insert into movtg (accid, ccy, amtval, bfd, prepdnet, pdpayts, pdrcpts, pdtfrs) "
      "values (?, 'GBP', 'A', 10, 1, 1, 1, 1)",
      {shop.id});

  Tmovt m;
  QVERIFY(ReadMovt(bank.id, "GBP", m));
  QCOMPARE(m.accountId, bank.id);
  QCOMPARE(m.groupId, 5);
  QCOMPARE(m.path, QString(" Banks :"));
  QCOMPARE(m.openingBalance, int64_t(100));
  QCOMPARE(m.prePeriodNet, int64_t(20));
  QCOMPARE(m.periodPayments, int64_t(-30));
  QCOMPARE(m.periodReceipts, int64_t(50));
  QCOMPARE(m.periodTransfers, int64_t(5));
  QCOMPARE(m.closingBalance, int64_t(145));

  QVERIFY(ReadMovt(bank.id, "USD", m));  // no summary in that currency
  QCOMPARE(m.openingBalance, int64_t(0));
  QCOMPARE(m.closingBalance, int64_t(0));

  QVERIFY(ReadMovt(shop.id, "GBP", m));  // a counterparty has no closing balance
  QCOMPARE(m.openingBalance, int64_t(10));
  QCOMPARE(m.closingBalance, int64_t(0));

  QVERIFY(!ReadMovt(9099, "GBP", m));
}

void TstRecords::otherRows() {
  SetClock(QDateTime(QDate(2024, 7, 1), QTime(8, 0, 0)));
  ScriptedPrompter p;
  TObj bank = newAccount("Bank");
  QVERIFY(WriteAccount(bank));

  TRptr r;
  r.ccy = "GBP";
  r.type = 'P';
  r.amount = 2500;
  r.reference = "SO";
  r.narrative = "Rent";
  r.accId1 = bank.id;
  r.channel = 2;
  r.sched.freq = 'M';
  r.sched.startDate = {2024, 1, 31};
  r.sched.rptInc = 1;
  r.sched.active = true;
  r.sched.genTo = 6;
  p.info("Program error : WriteRptrRow : repeater id 0");
  QVERIFY(!WriteRptrRow(r));
  r.id = 4;
  QVERIFY(WriteRptrRow(r));
  QCOMPARE(r.created, QDateTime(QDate(2024, 7, 1), QTime(8, 0, 0)));
  AdvanceClock(60000);
  r.sched.genTo = 7;
  QVERIFY(WriteRptrRow(r));
  QCOMPARE(r.edited, QDateTime(QDate(2024, 7, 1), QTime(8, 1, 0)));
  TRptr rr;
  QVERIFY(ReadRptrRow(4, rr));
  QVERIFY(LocateRepeater(4));
  QCOMPARE(rr.sched.genTo, 7);
  QCOMPARE(rr.sched.freq, QChar('M'));
  QCOMPARE(rr.sched.startDate, (TDateRec{2024, 1, 31}));
  QVERIFY(rr.sched.active);
  QCOMPARE(rr.amount, int64_t(2500));
  QCOMPARE(rr.narrative, QString("Rent"));
  QCOMPARE(rr.accName1, QString("Bank"));
  QCOMPARE(rr.accName2, QString());
  QCOMPARE(rr.created, r.created);
  QCOMPARE(rr.edited, r.edited);
  QCOMPARE(CountAll("rptr"), 1);

  TRemdr rm;
  rm.txnId = 3;
  rm.rmDate = {2024, 7, 2};
  rm.tgDate = {2024, 7, 9};
  rm.text = "Pay rent";
  QVERIFY(WriteRemdrRow(rm));
  QCOMPARE(rm.id, 1);
  rm.text = "Pay rent now";
  QVERIFY(WriteRemdrRow(rm));
  TRemdr rr2;
  QVERIFY(ReadRemdrRow(1, rr2));
  QCOMPARE(rr2.text, QString("Pay rent now"));
  QCOMPARE(rr2.txnId, 3);
  QCOMPARE(rr2.rmDate, (TDateRec{2024, 7, 2}));
  QCOMPARE(rr2.tgDate, (TDateRec{2024, 7, 9}));
  QCOMPARE(CountAll("remdr"), 1);
  QVERIFY(LocateReminder(1));

  QVERIFY(WriteCcyRow(TCcy{"USD", "US dollar", false}));
  QVERIFY(WriteCcyRow(TCcy{"USD", "Dollar", false}));
  TCcy c;
  QVERIFY(ReadCcyRow("usd", c));
  QCOMPARE(c.code, QString("USD"));
  QCOMPARE(c.name, QString("Dollar"));
  QVERIFY(!c.base);
  QVERIFY(LocateCurrency("USD"));
  QVERIFY(!ReadCcyRow("EUR", c));

  QString longNote;
  while (longNote.size() < 8500) longNote += "card's \"PIN\"; ";
  TChannel ch;
  ch.accId = bank.id;
  ch.name = "Debit card";
  ch.note = longNote;
  ch.type = 'P';
  QVERIFY(WriteChannelRow(ch));
  QCOMPARE(ch.chnum, 1);
  TChannel rc;
  QVERIFY(ReadChannelRow(1, rc));
  QCOMPARE(rc.note, longNote);
  QCOMPARE(rc.type, QChar('P'));
  QCOMPARE(rc.accId, bank.id);
  QVERIFY(LocateChannel(1));
  QVERIFY(!LocateChannel(2));
  VERIFY_PROMPTS(p);
}

QTEST_GUILESS_MAIN(TstRecords)
#include "tst_records.moc"
