// Schema versions and the upgrade steps, on real books built at every version.
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>
#include <algorithm>

#include "foundation/dates.h"
#include "foundation/interruption.h"
#include "foundation/messages.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/records.h"
#include "store/schema.h"
#include "store/session.h"
#include "store/settings.h"
#include "store/upgrade.h"
#include "store/upgrade_guard.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

const QString kFirstTime = QStringLiteral(
    "VORBEK2 first time installation ...\rPlease enter base currency\r(eg GBP, EUR, USD)");
const QString kRepair = QStringLiteral(
    "Conversion will be completed by the Repair function (which may be s-l-o-w, sorry)");
const QString kConvertedOk = QStringLiteral("Database converted OK");
const QString kConverting =
    QStringLiteral("Vorbek2 Converting ... this might take a few minutes, please be patient");

QString question(int n) {
  static const QMap<int, QString> descriptions = {
      {21, "add currency fields/tables"},
      {22, "add PARAM table on which to store dbvn"},
      {23, "convert txn types X & Y to P & R"},
      {24, "add txn.batchnum"},
      {25, "rebuild account postings index for batchnum"},
      {26, "set null pstg.batchnum to zero"},
      {27, "oops no change after all"},
      {28, "big changes to Pots"},
      {29, "add Channel.chtype"},
      {30, "add txn.createdate/time"},
      {32, "add pstg.seq"},
      {33, "transaction templates"},
      {34, "rates in double precision"},
  };
  if (!descriptions.contains(n)) return QString();
  return "Database conversion to version " + QString::number(n) + "\r(" + descriptions[n] +
         ")\rPrior backup advisable - OK to continue ?";
}

// The copy of the books an upgrade from version `from` keeps beside them.
QString upgradeCopy(const QString& folder, int from) {
  return folder + "vorbek-v" + QString::number(from) + "-" + YmdToText(DateRecToYmd(Today())) +
         ".fdb";
}

// The questions and messages of an upgrade from version `from` answered yes throughout.
void expectUpgrade(ScriptedPrompter& p, int from, const QString& folder) {
  for (int n = from + 1; n <= kCurrentSchemaVersion; ++n) {
    if (!question(n).isEmpty()) p.yes(question(n));
    if (n == 28 || n == 30) p.info(kRepair);
  }
  if (from >= 30 && from < kCurrentSchemaVersion) p.info(kConvertedOk);
  if (from < kCurrentSchemaVersion)
    p.info("The books as they were before the conversion are kept in " + upgradeCopy(folder, from));
}

// Every user table's columns (type, length, default, nullability) and every
// index with its segments: what two databases must share to count as one schema.
QStringList schemaOutline() {
  QStringList out;
  QSqlQuery q = RunQuery(QStringLiteral(
      "select trim(rf.rdb$relation_name), trim(rf.rdb$field_name), f.rdb$field_type, "
      "f.rdb$field_length, f.rdb$field_sub_type, coalesce(rf.rdb$null_flag, 0), "
      "cast(coalesce(rf.rdb$default_source, f.rdb$default_source) as varchar(100)) "
      "from rdb$relation_fields rf join rdb$fields f on f.rdb$field_name = rf.rdb$field_source "
      "join rdb$relations r on r.rdb$relation_name = rf.rdb$relation_name "
      "where coalesce(r.rdb$system_flag, 0) = 0 order by 1, 2"));
  while (q.next()) {
    QStringList row;
    for (int i = 0; i < 7; ++i) row << q.value(i).toString().trimmed();
    out << row.join(' ');
  }
  QSqlQuery ix = RunQuery(QStringLiteral(
      "select trim(i.rdb$index_name), trim(i.rdb$relation_name), coalesce(i.rdb$unique_flag, 0), "
      "trim(s.rdb$field_name), s.rdb$field_position from rdb$indices i "
      "join rdb$index_segments s on s.rdb$index_name = i.rdb$index_name "
      "where coalesce(i.rdb$system_flag, 0) = 0 order by 1, 5"));
  while (ix.next()) {
    QStringList row;
    for (int i = 0; i < 5; ++i) row << ix.value(i).toString();
    out << "index " + row.join(' ');
  }
  return out;
}

int paramVersion() {
  return QueryValue(QStringLiteral("select pmint from param where pmid = 1"), {}, -1).toInt();
}

// Opens a folder's database without the opening's logic, for setting up and checking.
bool connectTo(const TestBooks& b) {
  QString error;
  const bool ok = OpenConnection(b.dbPath(), error);
  if (!ok) qWarning("%s", qPrintable(error));
  return ok;
}

}  // namespace

class TstUpgrade : public QObject {
  Q_OBJECT
  QStringList freshSchema_;

 private Q_SLOTS:
  void initTestCase() {
    TestBooks books;
    QVERIFY2(books.ok(), qPrintable(books.error()));
    freshSchema_ = schemaOutline();
    QVERIFY(freshSchema_.size() > 100);
  }

  void init() { ResetSession(); }

  // The current schema holds what the books rely on (the statement index
  // replaces the upgrade's acpstg2 once the books are opened).
  void freshSchemaHasCurrentShape() {
    for (const char* line :
         {"ACCOUNT NOTE 261 8 1 0 ", "CHANNEL CHNOTE 261 8 1 0 ",
          "CHANNEL CHTYPE 14 4 0 0 default 'X'", "PSTG SEQ 8 4 0 0 default 0",
          "PSTG VAL 16 8 0 0 default 0", "TXN CREATEDATE 8 4 0 0 default 0", "MTHLY MORY 14 4 0 1 ",
          "MOVTG AMTVAL 14 4 0 1 ", "TTEMPLATE TTNAME 37 1020 0 0 ", "index PSTG_STMT PSTG 0 CCY 0",
          "index PSTG_STMT PSTG 0 TXNID 4", "index MTHLY_PK MTHLY 1 MORY 2",
          "index MOVTG_PK MOVTG 1 AMTVAL 2"})
      QVERIFY2(freshSchema_.contains(QLatin1String(line)), line);
    // Rates are double precision (type 27).
    for (const char* prefix : {"RATE RATE 27 8 ", "TXN RATE 27 8 "})
      QVERIFY2(std::any_of(freshSchema_.cbegin(), freshSchema_.cend(),
                           [prefix](const QString& l) { return l.startsWith(prefix); }),
               prefix);
    for (const QString& l : freshSchema_) {
      QVERIFY2(!l.startsWith("MOVTA ") && !l.startsWith("MOVTS ") && !l.contains("ACPSTG "),
               qPrintable(l));
      QVERIFY2(!l.startsWith("MTHLY YTOT") && !l.startsWith("MTHLY CCY"), qPrintable(l));
    }
  }

  void upgradeFromEachVersion_data() {
    QTest::addColumn<int>("from");
    for (int v = 19; v <= kCurrentSchemaVersion; ++v) QTest::addRow("from %d", v) << v;
  }
  void upgradeFromEachVersion() {
    QFETCH(int, from);
    TestBooks books(from, TestBooks::Closed);
    QVERIFY2(books.ok(), qPrintable(books.error()));
    ScriptedPrompter p;
    if (from == 19)
      p.text(kFirstTime, "GBP");
    else
      expectUpgrade(p, from, books.folder());
    Session().dataFolder = books.folder();
    QVERIFY(OpenDatabase());
    VERIFY_PROMPTS(p);
    const TSession& s = Session();
    QCOMPARE(s.schemaVersion, kCurrentSchemaVersion);
    QCOMPARE(paramVersion(), kCurrentSchemaVersion);
    QCOMPARE(s.converted, from < kCurrentSchemaVersion);
    QCOMPARE(s.repairPending, from > 19 && from < 30);
    QCOMPARE(s.firstTimeInstall, from == 19);
    QCOMPARE(s.settings.baseCurrency, QStringLiteral("GBP"));
    if (from == 19) QVERIFY(p.flashes().contains("Vorbek2 initialising ..."));
    if (from > 19 && from < kCurrentSchemaVersion) QVERIFY(p.flashes().contains(kConverting));
    QCOMPARE(BusyDepth(), 0);
    // Every road leads to the schema of new books.
    const QStringList outline = schemaOutline();
    for (const QString& l : freshSchema_)
      QVERIFY2(outline.contains(l), qPrintable("missing: " + l));
    for (const QString& l : outline) QVERIFY2(freshSchema_.contains(l), qPrintable("extra: " + l));
    CloseDatabase();
    for (const char* k : {"DBvn", "DBStartDate", "DBEndDate"})
      QCOMPARE(BooksIniValue(books.iniPath(), k), QStringLiteral("-1"));
  }

  void firstTimeInstallation() {
    TestBooks books(19, TestBooks::Closed);
    ScriptedPrompter p;
    p.text(kFirstTime, "eur");
    Session().dataFolder = books.folder();
    QVERIFY(OpenDatabase());
    VERIFY_PROMPTS(p);
    QCOMPARE(Session().settings.baseCurrency, QStringLiteral("EUR"));
    QCOMPARE(Session().workingCurrency, QStringLiteral("EUR"));
    QVERIFY(!Session().initialising);
    TObj pot;
    QVERIFY(ReadAccount(Session().settings.defaultPotId, pot));
    QCOMPARE(pot.name, QStringLiteral("Default pot"));
    QCOMPARE(int(pot.kind), 6);
    QCOMPARE(pot.ccy, QStringLiteral("EUR"));
    QVERIFY(pot.favourite);
    QCOMPARE(CountAll("account"), 1);
    QCOMPARE(CountRows("ccy", "id = 'EUR' and base = 1"), 1);
    QCOMPARE(CountAll("ccy"), 1);
    // Kept at once, not only when the books are closed.
    QCOMPARE(BooksIniValue(books.iniPath(), "DefaultPotId"), QString::number(pot.id));
    QCOMPARE(BooksIniValue(books.iniPath(), "BaseCurrency"), QStringLiteral("EUR"));
    QCOMPARE(BooksIniValue(books.iniPath(), "DBvn"), QStringLiteral("-1"));
  }

  void firstTimeCurrencyNotGiven_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("ok");
    QTest::addRow("cancel") << "GBP" << false;
    QTest::addRow("two letters") << "GB" << true;
    QTest::addRow("four letters") << "GBPX" << true;
    QTest::addRow("empty") << "" << true;
  }
  void firstTimeCurrencyNotGiven() {
    QFETCH(QString, answer);
    QFETCH(bool, ok);
    TestBooks books(19, TestBooks::Closed);
    const QByteArray ini = FileFingerprint(books.iniPath());
    ScriptedPrompter p;
    p.text(kFirstTime, answer, ok);
    Session().dataFolder = books.folder();
    QVERIFY(!OpenDatabase());
    VERIFY_PROMPTS(p);
    QVERIFY(ProgramEndRequested());
    QVERIFY(!IsConnected());
    CloseDatabase();
    QCOMPARE(FileFingerprint(books.iniPath()), ini);
    QVERIFY(connectTo(books));
    QCOMPARE(paramVersion(), -1);  // no PARAM yet: still the empty starting database
    QCOMPARE(CountAll("account"), 0);
  }

  // Rows written the way the older generation wrote them survive every step.
  void existingDataIsConverted() {
    TestBooks books(20, TestBooks::Closed);
    QVERIFY(connectTo(books));
    for (const char* sql :
         {"insert into account (id, name, type2, btype, isgrp, grpid, path, closedate, bfdbal, "
          "pottype) values (1, 'Bank', 1, 1, 0, 0, ' ', 99999999, 1000, 0)",
          "insert into account (id, name, type2, btype, isgrp, grpid, path, pottype) values "
          "(2, 'Old pot group', 7, 6, 1, 0, ' ', 4)",
          "insert into account (id, name, type2, btype, isgrp, grpid, path, pottype) values "
          "(3, 'Ctgy group', 10, 6, 1, 0, ' ', 9)",
          "insert into txn (id, \"type\", txndate, amt, accid1, accid2, accid3, accid4) values "
          "(1, 'X', 20200105, 500, 1, 5, 9, 4)",
          "insert into txn (id, \"type\", txndate, amt, accid1, accid2, accid3, accid4) values "
          "(2, 'F', 20200106, -7, 1, 8, 0, 0)",
          "insert into pstg (txnid, objid, txntype, pstgdate, amt) values (1, 1, 'X', 20200105, "
          "-500)",
          "insert into pstg (txnid, objid, txntype, pstgdate, amt) values (2, 1, 'F', 20200106, "
          "-7)",
          "insert into rptr (id, \"type\", accid3, amt) values (1, 'Y', 6, 300)",
          "insert into channel (chnum, accid, chname) values (1, 1, 'Visa')"})
      QVERIFY2(ExecSqlCommitted(QLatin1String(sql)), sql);
    CloseConnection();

    ScriptedPrompter p;
    expectUpgrade(p, 20, books.folder());
    Session().dataFolder = books.folder();
    QVERIFY(OpenDatabase());
    VERIFY_PROMPTS(p);
    auto row = [](const QString& sql) {
      QSqlQuery q = RunQuery(sql);
      QStringList out;
      if (q.next())
        for (int i = 0; i < q.record().count(); ++i) out << q.value(i).toString().trimmed();
      return out.join(',');
    };
    QCOMPARE(row("select ccy, bfdval, opendate from account where id = 1"),
             QStringLiteral("GBP,1000,0"));
    QCOMPARE(row("select type2, btype, pottype from account where id = 2"),
             QStringLiteral("10,3,4"));
    QCOMPARE(row("select type2, pottype from account where id = 3"), QStringLiteral("10,0"));
    QCOMPARE(row("select \"type\", ccy, val, rate, accid3, batchnum, createdate, createtime from "
                 "txn where id = 1"),
             QStringLiteral("P,GBP,500,1,0,0,0,0"));
    QCOMPARE(row("select accid2 from txn where id = 2"), QStringLiteral("0"));
    QCOMPARE(row("select txntype, ccy, val, seq, batchnum from pstg where txnid = 1"),
             QStringLiteral("P,GBP,-500,1,0"));
    QCOMPARE(row("select seq, val from pstg where txnid = 2"), QStringLiteral("2,-7"));
    QCOMPARE(row("select \"type\", accid3, ccy from rptr where id = 1"), QStringLiteral("R,0,GBP"));
    QCOMPARE(row("select chtype from channel where chnum = 1"), QStringLiteral("X"));
    QCOMPARE(row("select list(id || ':' || base) from ccy"), QStringLiteral("GBP:1"));
    QVERIFY(Session().settings.resetPaths);
    QVERIFY(Session().repairPending);
  }

  // Single-precision rates keep the values the program showed and used for
  // them; a transaction keeps the exact rate its value was worked out from.
  void ratesBecomeDoublePrecision() {
    TestBooks books(33, TestBooks::Closed);
    QVERIFY2(books.ok(), qPrintable(books.error()));
    QVERIFY(connectTo(books));
    for (const char* sql :
         {"insert into ccy (id, base) values ('USD', 0)",
          "insert into rate (ccycode, rdate, rate) values ('USD', 20240101, 1.1)",
          "insert into rate (ccycode, rdate, rate) values ('USD', 20240102, 187.12345)",
          "insert into rate (ccycode, rdate, rate) values ('USD', 20240103, 0.5)",
          "insert into txn (id, \"type\", txndate, amt, val, ccy, rate, accid1) values "
          "(1, 'F', 20240101, 110, 100, 'USD', 1.1, 1)",
          "insert into pstg (txnid, objid, txntype, pstgdate, amt, val, ccy, seq) values "
          "(1, 1, 'F', 20240101, 110, 100, 'USD', 1)"})
      QVERIFY2(ExecSqlCommitted(QLatin1String(sql)), sql);
    CloseConnection();
    ScriptedPrompter p;
    expectUpgrade(p, 33, books.folder());
    Session().dataFolder = books.folder();
    QVERIFY(OpenDatabase());
    VERIFY_PROMPTS(p);
    auto rate = [](int ymd) {
      return QueryValue("select rate from rate where ccycode = 'USD' and rdate = ?", {ymd})
          .toDouble();
    };
    QCOMPARE(rate(20240101), 1.1);
    QCOMPARE(rate(20240102), 187.12344);  // all a single-precision column kept of 187.12345
    QCOMPARE(rate(20240103), 0.5);
    QCOMPARE(QueryValue("select rate from txn where id = 1").toDouble(), double(1.1f));
    // From now on every digit stays.
    QVERIFY(ExecSqlCommitted("update rate set rate = ? where rdate = 20240101", {187.12345}));
    QCOMPARE(rate(20240101), 187.12345);
  }

  void versionFromParamWithoutIniKey() {
    TestBooks books(25, TestBooks::Closed);
    SetBooksIniKey(books.iniPath(), "DBvn", QString());
    ScriptedPrompter p;
    expectUpgrade(p, 25, books.folder());
    Session().dataFolder = books.folder();
    QVERIFY(OpenDatabase());
    VERIFY_PROMPTS(p);
    QCOMPARE(paramVersion(), kCurrentSchemaVersion);
  }

  void step21AsksCurrencyWhenUnknown() {
    TestBooks books(20, TestBooks::Closed);
    SetBooksIniKey(books.iniPath(), "BaseCurrency", QString());
    ScriptedPrompter p;
    p.yes(question(21)).text("Enter currency code of your existing data", "usd");
    for (int n = 22; n <= kCurrentSchemaVersion; ++n) {
      if (!question(n).isEmpty()) p.yes(question(n));
      if (n == 28 || n == 30) p.info(kRepair);
    }
    p.info("The books as they were before the conversion are kept in " +
           upgradeCopy(books.folder(), 20));
    Session().dataFolder = books.folder();
    QVERIFY(OpenDatabase());
    VERIFY_PROMPTS(p);
    QCOMPARE(CountRows("ccy", "id = 'USD' and base = 1"), 1);
    QCOMPARE(BooksIniValue(books.iniPath(), "BaseCurrency"), QStringLiteral("USD"));
  }

  // No stops the program at once; the books stay at the last completed step.
  void decliningAStep_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("declined");
    QTest::addRow("first step") << 25 << 26;
    QTest::addRow("third step") << 25 << 28;
    QTest::addRow("step 21") << 20 << 21;
  }
  void decliningAStep() {
    QFETCH(int, from);
    QFETCH(int, declined);
    TestBooks books(from, TestBooks::Closed);
    ScriptedPrompter p;
    for (int n = from + 1; n < declined; ++n) p.yes(question(n));
    p.no(question(declined));
    Session().dataFolder = books.folder();
    const QByteArray ini = FileFingerprint(books.iniPath());
    QVERIFY(!OpenDatabase());
    VERIFY_PROMPTS(p);
    QVERIFY(ProgramEndRequested());
    QVERIFY(!p.seen().join('|').contains(kConvertedOk));
    QCOMPARE(BusyDepth(), 0);
    CloseDatabase();
    QCOMPARE(FileFingerprint(books.iniPath()), ini);
    QVERIFY(connectTo(books));
    QCOMPARE(paramVersion(), from >= 22 ? declined - 1 : -1);
  }

  // Once PARAM holds the version the settings file says so at once: stopping
  // after step 22 must not send the next opening through step 22 again.
  void stopAfterStep22ResumesFromParam() {
    TestBooks books(20, TestBooks::Closed);
    {
      ScriptedPrompter p;
      p.yes(question(21)).yes(question(22)).no(question(23));
      Session().dataFolder = books.folder();
      QVERIFY(!OpenDatabase());
      VERIFY_PROMPTS(p);
    }
    CloseDatabase();
    QCOMPARE(BooksIniValue(books.iniPath(), "DBvn"), QStringLiteral("-1"));
    ResetSession();
    ScriptedPrompter p;
    expectUpgrade(p, 22, books.folder());
    Session().dataFolder = books.folder();
    QVERIFY(OpenDatabase());
    VERIFY_PROMPTS(p);
    QCOMPARE(paramVersion(), kCurrentSchemaVersion);
  }

  // The process dying inside a step (here stopped through the test hook after the
  // step's n-th statement) leaves the books to be put back as they were at the next
  // opening, which then upgrades them normally.
  void interruptedUpgradeIsUndone_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("step");  // the step the stop falls in
    QTest::addColumn<int>("nth");   // statements of the upgrade run before the stop
    QTest::addColumn<QString>("message");
    QTest::addRow("first-time installation") << 19 << 21 << 1 << QString();
    QTest::addRow("step 21, first statement") << 20 << 21 << 1 << QString();
    QTest::addRow("step 25, second statement") << 24 << 25 << 2 << QString();
    QTest::addRow("step 28, first statement") << 27 << 28 << 1 << "conv28 failed";
    QTest::addRow("step 28, after the tables went") << 27 << 28 << 12 << "conv28 failed";
  }
  void interruptedUpgradeIsUndone() {
    QFETCH(int, from);
    QFETCH(int, step);
    QFETCH(int, nth);
    QFETCH(QString, message);
    TestBooks books(from, TestBooks::Closed);
    QVERIFY2(books.ok(), qPrintable(books.error()));
    const QString note = books.folder() + kUpgradeNoteName;
    {
      int arrivals = 0;
      SetInterruptionHook([&](const char* point) {
        return QByteArray(point) == "upgrade statement" && ++arrivals == nth;
      });
      ScriptedPrompter p;
      if (from == 19) p.text(kFirstTime, "GBP");
      for (int n = from + 1; n <= step && from > 19; ++n)
        if (!question(n).isEmpty()) p.yes(question(n));
      if (!message.isEmpty()) p.info(message);
      Session().dataFolder = books.folder();
      const bool opened = OpenDatabase();
      SetInterruptionHook({});
      QVERIFY(!opened);
      VERIFY_PROMPTS(p);
      CloseDatabase();
    }
    QVERIFY(QFile::exists(note));

    ResetSession();
    ScriptedPrompter p;
    p.info(
        "The last upgrade of these books was interrupted - they were put back as they were "
        "before it, from " +
        upgradeCopy(books.folder(), from));
    if (from == 19)
      p.text(kFirstTime, "GBP");
    else
      expectUpgrade(p, from, books.folder());
    Session().dataFolder = books.folder();
    QVERIFY2(OpenDatabase(), qPrintable(p.seen().join('|') + LastDbError()));
    VERIFY_PROMPTS(p);
    QCOMPARE(paramVersion(), kCurrentSchemaVersion);
    QCOMPARE(schemaOutline(), freshSchema_);
    QVERIFY(!QFile::exists(note));
    // New books need no copy of their empty start; converted ones keep it.
    QCOMPARE(QFile::exists(upgradeCopy(books.folder(), from)), from > 19);
    if (from == 19) QCOMPARE(CountAll("account"), 1);
  }

  // Without the copy the books stay shut rather than be upgraded from a half-done step.
  void interruptedUpgradeWithoutItsCopy() {
    TestBooks books(24, TestBooks::Closed);
    SetInterruptionHook([](const char* point) { return QByteArray(point) == "upgrade statement"; });
    {
      ScriptedPrompter p;
      p.yes(question(25));
      Session().dataFolder = books.folder();
      QVERIFY(!OpenDatabase());
      SetInterruptionHook({});
      VERIFY_PROMPTS(p);
      CloseDatabase();
    }
    QVERIFY(QFile::remove(upgradeCopy(books.folder(), 24)));
    ResetSession();
    ScriptedPrompter p;
    p.info("The last upgrade of the books in " + books.folder() +
           " was interrupted, and the copy taken before it is missing - see " + books.folder() +
           kUpgradeNoteName);
    Session().dataFolder = books.folder();
    QVERIFY(!OpenDatabase());
    VERIFY_PROMPTS(p);
  }

  void iniVersionAboveTwentyOne_data() {
    QTest::addColumn<char>("answer");
    QTest::addRow("no") << 'N';
    QTest::addRow("yes") << 'Y';
  }
  void iniVersionAboveTwentyOne() {
    QFETCH(char, answer);
    TestBooks books(TestBooks::Closed);
    SetBooksIniKey(books.iniPath(), "DBvn", QString::number(kCurrentSchemaVersion));
    ScriptedPrompter p;
    p.ask("dbvn>21 from INI file will overwrite dbvn from db, yikes - are you really sure ? ",
          answer);
    Session().dataFolder = books.folder();
    QCOMPARE(OpenDatabase(), answer == 'Y');
    VERIFY_PROMPTS(p);
    QCOMPARE(ProgramEndRequested(), answer != 'Y');
  }

  // Versions the program cannot open: each message, and no file changed.
  void refusedVersions_data() {
    QTest::addColumn<QString>("iniDbvn");  // null = leave the INI's -1
    QTest::addColumn<int>("param");        // -1 = leave PARAM; 0 = empty it
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("ends");
    QTest::addRow("ini 5") << "5" << -1 << "dbvn 5 invalid" << true;
    QTest::addRow("ini 1") << "1" << -1 << "dbvn 1 invalid" << true;
    QTest::addRow("ini 18") << "18" << -1 << "dbvn 18 invalid" << true;
    QTest::addRow("param 18") << QString() << 18 << "dbvn 18 invalid" << true;
    QTest::addRow("param 35") << QString() << 35
                              << "DB vn = 35; this old version of Vorbek expects max 34" << false;
    QTest::addRow("param 120") << QString() << 120
                               << "DB vn = 120; this old version of Vorbek expects max 34" << false;
    QTest::addRow("param empty") << QString() << 0
                                 << "dbvn not specified - use ZADEZEVU.INI file to set this"
                                 << true;
    QTest::addRow("ini 0, param empty")
        << "0" << 0 << "dbvn not specified - use ZADEZEVU.INI file to set this" << true;
    QTest::addRow("ini garbage, param empty")
        << "x19" << 0 << "dbvn not specified - use ZADEZEVU.INI file to set this" << true;
  }
  void refusedVersions() {
    QFETCH(QString, iniDbvn);
    QFETCH(int, param);
    QFETCH(QString, message);
    QFETCH(bool, ends);
    TestBooks books(TestBooks::Closed);
    if (!iniDbvn.isNull()) SetBooksIniKey(books.iniPath(), "DBvn", iniDbvn);
    if (param >= 0) {
      QVERIFY(connectTo(books));
      QVERIFY(ExecSqlCommitted(param == 0 ? QStringLiteral("delete from param")
                                          : "update param set pmint = " + QString::number(param) +
                                                " where pmid = 1"));
      CloseConnection();
    }
    const QByteArray ini = FileFingerprint(books.iniPath());
    ScriptedPrompter p;
    p.info(message);
    Session().dataFolder = books.folder();
    QVERIFY(!OpenDatabase());
    VERIFY_PROMPTS(p);
    QCOMPARE(ProgramEndRequested(), ends);
    QVERIFY(!IsConnected());
    QVERIFY(!DatabaseIsOpen());
    CloseDatabase();
    QCOMPARE(FileFingerprint(books.iniPath()), ini);
  }

  // A starting database whose settings file is gone has no version anywhere.
  void startingDatabaseWithoutSettings() {
    TestBooks books(19, TestBooks::Closed);
    QVERIFY(QFile::remove(books.iniPath()));
    ScriptedPrompter p;
    p.info("dbvn not specified - use ZADEZEVU.INI file to set this");
    Session().dataFolder = books.folder();
    QVERIFY(!OpenDatabase());
    VERIFY_PROMPTS(p);
    CloseDatabase();
    QVERIFY(!QFile::exists(books.iniPath()));
  }

  void step28Failure() {
    TestBooks books(27, TestBooks::Closed);
    QVERIFY(connectTo(books));
    QVERIFY(ExecSqlCommitted("DROP TABLE movts"));  // makes one of the step's statements fail
    CloseConnection();
    ScriptedPrompter p;
    p.yes(question(28)).info("conv28 failed");
    Session().dataFolder = books.folder();
    QVERIFY(!OpenDatabase());
    VERIFY_PROMPTS(p);
    QVERIFY(ProgramEndRequested());
    QVERIFY(connectTo(books));
    QCOMPARE(paramVersion(), 27);
  }

  // Any other failing step stops the opening with the engine's words.
  void failingStepShowsDatabaseError() {
    TestBooks books(32, TestBooks::Closed);
    QVERIFY(connectTo(books));
    QVERIFY(ExecSqlCommitted("CREATE TABLE ttemplate (txnid integer not null)"));
    CloseConnection();
    RecordingPrompter p('Y');
    Session().dataFolder = books.folder();
    QVERIFY(!OpenDatabase());
    QCOMPARE(p.questions, QStringList{question(33)});
    QCOMPARE(p.infos.size(), 1);
    QVERIFY2(p.infos[0].startsWith("Database error : ") && p.infos[0].contains("TTEMPLATE") &&
                 p.infos[0].contains("CREATE TABLE ttemplate ( txnid"),
             qPrintable(p.infos[0]));
    QVERIFY(!ProgramEndRequested());
    QCOMPARE(BusyDepth(), 0);
    QVERIFY(connectTo(books));
    QCOMPARE(paramVersion(), 32);
  }

  // PARAM dates: the settings file's dates win and are written back; missing ones come from PARAM.
  void paramDates() {
    TestBooks books(TestBooks::Closed);
    QVERIFY(connectTo(books));
    QVERIFY(ExecSqlCommitted("update param set pmint = 20190401 where pmid = 2"));
    QVERIFY(ExecSqlCommitted("update param set pmint = 20211231 where pmid = 3"));
    CloseConnection();
    SetBooksIniKey(books.iniPath(), "DBStartDate", "20200101");
    ScriptedPrompter p;
    // An end date makes the books an archive copy, which every opening freezes.
    p.info("This database is an archive, you must not make changes to it").info("freezing");
    Session().dataFolder = books.folder();
    QVERIFY(OpenDatabase());
    VERIFY_PROMPTS(p);
    QCOMPARE(Session().dbStartDate, 20200101);
    QCOMPARE(Session().dbEndDate, 20211231);
    QCOMPARE(QueryValue("select pmint from param where pmid = 2").toInt(), 20200101);
    QCOMPARE(QueryValue("select pmint from param where pmid = 3").toInt(), 20211231);
  }
};

QTEST_GUILESS_MAIN(TstUpgrade)
#include "tst_upgrade.moc"
