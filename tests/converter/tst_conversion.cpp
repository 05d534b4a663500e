// The conversion of old Paradox tables into new books: the field mapping, the
// settings copy, the countdown, repeated runs, and clean refusals of damaged or
// incomplete sources that leave the target as it was.
#include <sys/stat.h>

#include <QCryptographicHash>
#include <QDirIterator>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>
#include <csignal>
#include <ctime>
#include <memory>

#include "converter/conversion.h"
#include "converter/paradox_reader.h"
#include "old_tables.h"
#include "store/db.h"
#include "store/inifile.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

QDateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

const QString kLongNote = [] {
  QString s;
  for (int i = 0; s.size() < 5000; ++i) s += "Zeile " + QString::number(i) + " – Ärger über Öl; ";
  return s;
}();
const QString kMediumNote = QStringLiteral("Einkäufe für die Woche, bitte Belege aufheben");

// The old books every mapping check reads: one row per table with a distinct
// value in every field, accounts of every old kind, and the three kinds of memo
// (inline, in a shared block, in a block of its own).
void fillFullBooks(OldBooks& old) {
  old.add("obj", {{"Id", 1},
                  {"Name", "Café Müller"},
                  {"Note", kLongNote},
                  {"Type", 1},
                  {"Dormant", true},
                  {"Grpid", 5},
                  {"Reconciled", "2020-12-31"},
                  {"Rprts", at(2021, 1, 2, 3, 4, 5)},
                  {"PotType", 7},
                  {"BfdBal", -123456},
                  {"Bal", 777},
                  {"AllowNegBal", true},
                  {"AllowPosBal", false},
                  {"Sweepto", 999},
                  {"RecTs", at(2020, 6, 7, 8, 9, 10)},
                  {"AccWith", 3},
                  {"CptyPays", true},
                  {"CptyRcvs", false},
                  {"PayerDftPot", 11},
                  {"PayeeDftPot", 12},
                  {"AcSts", 2},
                  {"DmtLock", true},
                  {"CloseDate", 99999999},
                  {"CreateTS", at(2019, 1, 1, 10)},
                  {"EditTS", at(2019, 2, 2, 11, 11, 11, 500)},
                  {"Desig", "Désig"},
                  {"fav", true}});
  old.add("obj", {{"Id", 2},
                  {"Name", "Groceries"},
                  {"Note", kMediumNote},
                  {"Type", 3},
                  {"Dormant", false},
                  {"CptyPays", false},
                  {"fav", false}});
  old.add("obj", {{"Id", 3}, {"Name", "Bäckerei Öz"}, {"Note", "hi"}, {"Type", 4}});
  const int kinds[] = {6, 7, 8, 9, 10, 11};
  for (int i = 0; i < 6; ++i)
    old.add("obj",
            {{"Id", 4 + i}, {"Name", "Kind " + QString::number(kinds[i])}, {"Type", kinds[i]}});

  old.add("txn", {{"Id", 1},
                  {"Instance", 2},
                  {"Txndate", "2021-03-04"},
                  {"Date2", "2021-03-05"},
                  {"Amt", 2147483647},
                  {"Type", "P"},
                  {"Ref", "chq 12"},
                  {"Narrative", "Brötchen & Kaffee"},
                  {"Cancelled", true},
                  {"RprTs", at(2021, 3, 6, 7, 8, 9)},
                  {"Accid1", 1},
                  {"Accid2", 3},
                  {"Accid3", 9},
                  {"Accid4", 2},
                  {"CreateTS", at(2021, 3, 4, 12)},
                  {"EditTS", at(2021, 3, 4, 13)},
                  {"Masterid", 1},
                  {"DpDate", true},
                  {"CHNUM", 4},
                  {"actualtxndate", "2021-03-01"}});
  old.add("txn", {{"Id", 2}, {"Txndate", ""}, {"Date2", "not a date"}, {"Amt", -5}, {"Type", "R"}});

  old.add("pstg", {{"Txnid", 1},
                   {"Objid", 1},
                   {"Amt", -1050},
                   {"Recamt", 100},
                   {"Contra", 3},
                   {"PstgDate", "2021-03-05"},
                   {"Reconcode", 2},
                   {"RngBal", -2000000000},
                   {"Rprts", at(2021, 3, 7)},
                   {"TxnType", "P"},
                   {"DpPstgDate", true},
                   {"DpRngBal", false},
                   {"chnum", 4}});

  old.add("rptr", {{"Id", 1},
                   {"StartDate", 20210101},
                   {"EndDate", 99999999},
                   {"Freq", "M"},
                   {"Amt", 50000},
                   {"Type", "R"},
                   {"Ref", "rent"},
                   {"Narrative", "Miete für März"},
                   {"RptActive", true},
                   {"Gento", 3},
                   {"Rptinc", 1},
                   {"RptCt", 12},
                   {"RprTs", at(2021, 4, 1)},
                   {"Accid1", 1},
                   {"Accid2", 4},
                   {"Accid3", 8},
                   {"CreateTS", at(2020, 12, 1, 9)},
                   {"EditTS", at(2020, 12, 2, 9)},
                   {"Accid4", 2},
                   {"Rmdays", 5},
                   {"chnum", 6},
                   {"Rmtext", "not converted"}});

  old.add("cptypot", {{"Cptyid", 3},
                      {"Potid", 2},
                      {"Purchsale", "S"},
                      {"Hidden", true},
                      {"Rprts", at(2021, 5, 6, 7, 8, 9)}});

  old.add("channel", {{"Chnum", 4},
                      {"AccId", 1},
                      {"ChName", "Visa für Ü"},
                      {"ChNote", "the card in the blue wallet, expires 2024"},
                      {"ChSts", 1}});

  old.add("remdr", {{"Id", 1},
                    {"Txnid", 1},
                    {"Text", "Zahlung prüfen"},
                    {"Rmdate", 20210301},
                    {"Tgdate", 20210304}});
}

// Every row of every table the conversion writes or empties, as text, for
// "the same as before" checks.
QString dumpTarget() {
  QString dump;
  for (const QString& table : EmptiedTables()) {
    QStringList rows;
    QSqlQuery q = RunQuery("select * from " + table);
    while (q.next()) {
      QStringList cells;
      for (int i = 0; i < q.record().count(); ++i)
        cells << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
      rows << cells.join('|');
    }
    rows.sort();
    dump += table + ":\n" + rows.join('\n') + "\n";
  }
  return dump;
}

// Hashes of every regular file of a folder with their modification times (a
// pipe or a device is not read).
QMap<QString, QByteArray> folderFingerprint(const QString& folder) {
  QMap<QString, QByteArray> m;
  QDirIterator it(folder, QDir::Files);
  while (it.hasNext()) {
    const QString f = it.next();
    struct stat st {};
    if (::stat(QFile::encodeName(f).constData(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    m.insert(f, FileFingerprint(f));
  }
  return m;
}

// The local time zone for one test case.
class LocalZone {
 public:
  explicit LocalZone(const QByteArray& zone)
      : had_(qEnvironmentVariableIsSet("TZ")), previous_(qgetenv("TZ")) {
    qputenv("TZ", zone);
    tzset();
  }
  ~LocalZone() {
    if (had_)
      qputenv("TZ", previous_);
    else
      qunsetenv("TZ");
    tzset();
  }

 private:
  bool had_;
  QByteArray previous_;
};

bool convert(const QString& source, const QString& target, QString* message = nullptr,
             const TConvertProgress& progress = {}) {
  QString m;
  const bool ok = ConvertBooks(source, target, progress, m);
  if (message) *message = m;
  return ok;
}

}  // namespace

class TstConversion : public QObject {
  Q_OBJECT

  std::unique_ptr<OldBooks> full_;
  std::unique_ptr<TestBooks> converted_;
  QMap<QString, QByteArray> sourceBefore_;

 private Q_SLOTS:
  void initTestCase() {
    full_ = std::make_unique<OldBooks>();
    fillFullBooks(*full_);
    QVERIFY2(full_->write(), qPrintable(full_->error()));
    sourceBefore_ = folderFingerprint(full_->folder());
    converted_ = std::make_unique<TestBooks>(19, TestBooks::Closed);
    QVERIFY2(converted_->ok(), qPrintable(converted_->error()));
    QString error;
    QVERIFY2(OpenTargetDatabase(converted_->folder(), error), qPrintable(error));
    QString message;
    QVERIFY2(convert(full_->folder(), converted_->folder(), &message), qPrintable(message));
  }

  void cleanupTestCase() { CloseConnection(); }

  void mapping_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("where");
    QTest::addColumn<QVariant>("expected");
    auto row = [](const char* table, const char* column, const char* where, const QVariant& v) {
      QTest::addRow("%s.%s %s", table, column, where) << table << column << where << v;
    };
    const QVariant null;
    // ACCOUNT, from obj.DB
    row("ACCOUNT", "NAME", "ID=1", "Café Müller");
    row("ACCOUNT", "NOTE", "ID=1", kLongNote);
    row("ACCOUNT", "NOTE", "ID=2", kMediumNote);
    row("ACCOUNT", "NOTE", "ID=3", "hi");
    row("ACCOUNT", "NOTE", "ID=4", "");
    row("ACCOUNT", "NAME", "ID=3", "Bäckerei Öz");
    row("ACCOUNT", "TYPE2", "ID=1", 1);
    row("ACCOUNT", "GRPID", "ID=1", 5);
    row("ACCOUNT", "GRPID", "ID=2", 0);
    row("ACCOUNT", "RECONCILED", "ID=1", "2020-12-31");
    row("ACCOUNT", "RPRTS", "ID=1", at(2021, 1, 2, 3, 4, 5));
    row("ACCOUNT", "RPRTS", "ID=2", null);
    row("ACCOUNT", "POTTYPE", "ID=1", 7);
    row("ACCOUNT", "BFDBAL", "ID=1", qlonglong(-123456));
    row("ACCOUNT", "SWEEPTO", "ID=1", 999);
    row("ACCOUNT", "RECTS", "ID=1", at(2020, 6, 7, 8, 9, 10));
    row("ACCOUNT", "ACCWITH", "ID=1", 3);
    row("ACCOUNT", "PAYERDFTPOT", "ID=1", 11);
    row("ACCOUNT", "PAYEEDFTPOT", "ID=1", 12);
    row("ACCOUNT", "ACSTS", "ID=1", 2);
    row("ACCOUNT", "CLOSEDATE", "ID=1", 99999999);
    row("ACCOUNT", "CREATETS", "ID=1", at(2019, 1, 1, 10));
    row("ACCOUNT", "EDITTS", "ID=1", at(2019, 2, 2, 11, 11, 11));  // whole seconds
    row("ACCOUNT", "DESIG", "ID=1", "Désig");
    row("ACCOUNT", "VN", "ID=1", 1);
    row("ACCOUNT", "VN", "ID=9", 1);
    // logical fields: true, false, empty
    for (const char* c : {"DORMANT", "ALLOWNEGBAL", "CPTYPAYS", "DMTLOCK", "FAV"})
      row("ACCOUNT", c, "ID=1", 1);
    row("ACCOUNT", "ALLOWPOSBAL", "ID=1", 0);
    row("ACCOUNT", "CPTYRCVS", "ID=1", 0);
    row("ACCOUNT", "DORMANT", "ID=2", 0);
    row("ACCOUNT", "FAV", "ID=2", 0);
    row("ACCOUNT", "DORMANT", "ID=3", 0);
    row("ACCOUNT", "CPTYPAYS", "ID=3", 0);
    // old kinds: TYPE2 kept, BTYPE and ISGRP derived
    const int oldType[] = {1, 3, 4, 6, 7, 8, 9, 10, 11};
    const int btype[] = {1, 3, 4, 6, 6, 1, 4, 3, 11};
    const int isgrp[] = {0, 0, 0, 0, 1, 1, 1, 1, 0};
    for (int i = 0; i < 9; ++i) {
      const QByteArray where = "ID=" + QByteArray::number(i + 1);
      row("ACCOUNT", "TYPE2", where.constData(), oldType[i]);
      row("ACCOUNT", "BTYPE", where.constData(), btype[i]);
      row("ACCOUNT", "ISGRP", where.constData(), isgrp[i]);
    }
    // TXN
    row("TXN", "INSTANCE", "ID=1", 2);
    row("TXN", "TXNDATE", "ID=1", 20210304);
    row("TXN", "DATE2", "ID=1", 20210305);
    row("TXN", "TXNDATE", "ID=2", 0);
    row("TXN", "DATE2", "ID=2", 0);
    row("TXN", "AMT", "ID=1", qlonglong(2147483647));
    row("TXN", "AMT", "ID=2", qlonglong(-5));
    row("TXN", "\"type\"", "ID=1", "P");
    row("TXN", "REF", "ID=1", "chq 12");
    row("TXN", "NARRATIVE", "ID=1", "Brötchen & Kaffee");
    row("TXN", "CANCELLED", "ID=1", 1);
    row("TXN", "CANCELLED", "ID=2", 0);
    row("TXN", "RPRTS", "ID=1", at(2021, 3, 6, 7, 8, 9));
    row("TXN", "ACCID1", "ID=1", 1);
    row("TXN", "ACCID2", "ID=1", 3);
    row("TXN", "ACCID3", "ID=1", 9);
    row("TXN", "ACCID4", "ID=1", 2);
    row("TXN", "CREATETS", "ID=1", at(2021, 3, 4, 12));
    row("TXN", "EDITTS", "ID=1", at(2021, 3, 4, 13));
    row("TXN", "MASTERID", "ID=1", 1);
    row("TXN", "DPDATE", "ID=1", 1);
    row("TXN", "CHNUM", "ID=1", 4);
    row("TXN", "ACTUALTXNDATE", "ID=1", 0);
    // PSTG
    row("PSTG", "OBJID", "TXNID=1", 1);
    row("PSTG", "AMT", "TXNID=1", qlonglong(-1050));
    row("PSTG", "RECAMT", "TXNID=1", qlonglong(100));
    row("PSTG", "CONTRA", "TXNID=1", 3);
    row("PSTG", "PSTGDATE", "TXNID=1", 20210305);
    row("PSTG", "RECONCODE", "TXNID=1", 2);
    row("PSTG", "RNGBAL", "TXNID=1", qlonglong(-2000000000));
    row("PSTG", "RPRTS", "TXNID=1", at(2021, 3, 7));
    row("PSTG", "TXNTYPE", "TXNID=1", "P");
    row("PSTG", "DPPSTGDATE", "TXNID=1", 1);
    row("PSTG", "DPRNGBAL", "TXNID=1", 0);
    row("PSTG", "CHNUM", "TXNID=1", 4);
    // RPTR
    row("RPTR", "STARTDATE", "ID=1", 20210101);
    row("RPTR", "ENDDATE", "ID=1", 99999999);
    row("RPTR", "FREQ", "ID=1", "M");
    row("RPTR", "AMT", "ID=1", qlonglong(50000));
    row("RPTR", "\"type\"", "ID=1", "R");
    row("RPTR", "REF", "ID=1", "rent");
    row("RPTR", "NARRATIVE", "ID=1", "Miete für März");
    row("RPTR", "RPTACTIVE", "ID=1", 1);
    row("RPTR", "GENTO", "ID=1", 3);
    row("RPTR", "RPTINC", "ID=1", 1);
    row("RPTR", "RPTCT", "ID=1", 12);
    row("RPTR", "RPRTS", "ID=1", at(2021, 4, 1));
    row("RPTR", "ACCID1", "ID=1", 1);
    row("RPTR", "ACCID2", "ID=1", 4);
    row("RPTR", "ACCID3", "ID=1", 8);
    row("RPTR", "ACCID4", "ID=1", 2);
    row("RPTR", "CREATETS", "ID=1", at(2020, 12, 1, 9));
    row("RPTR", "EDITTS", "ID=1", at(2020, 12, 2, 9));
    row("RPTR", "RMDAYS", "ID=1", 5);
    row("RPTR", "CHNUM", "ID=1", 6);
    // CPTYCTGY, from CPTYPOT.DB
    row("CPTYCTGY", "CTGYID", "CPTYID=3", 2);
    row("CPTYCTGY", "PURCHSALE", "CPTYID=3", "S");
    row("CPTYCTGY", "HIDDEN", "CPTYID=3", 1);
    row("CPTYCTGY", "RPRTS", "CPTYID=3", at(2021, 5, 6, 7, 8, 9));
    // CHANNEL
    row("CHANNEL", "ACCID", "CHNUM=4", 1);
    row("CHANNEL", "CHNAME", "CHNUM=4", "Visa für Ü");
    row("CHANNEL", "CHNOTE", "CHNUM=4", "the card in the blue wallet, expires 2024");
    row("CHANNEL", "CHSTS", "CHNUM=4", 1);
    // REMDR
    row("REMDR", "TXNID", "ID=1", 1);
    row("REMDR", "TEXT", "ID=1", "Zahlung prüfen");
    row("REMDR", "RMDATE", "ID=1", 20210301);
    row("REMDR", "TGDATE", "ID=1", 20210304);
  }

  void mapping() {
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(QString, where);
    QFETCH(QVariant, expected);
    bool ok = false;
    QSqlQuery q = RunQuery("select " + column + " from " + table + " where " + where, {}, &ok);
    QVERIFY2(ok, qPrintable(LastDbError()));
    QVERIFY2(q.next(), "no such row");
    const QVariant actual = q.value(0);
    if (!expected.isValid()) {
      QVERIFY2(actual.isNull(), qPrintable(actual.toString()));
      return;
    }
    QVERIFY(!actual.isNull());
    QString text = actual.toString();
    if (!expected.toString().endsWith(' '))
      while (text.endsWith(' ')) text.chop(1);  // CHAR columns read back padded
    QCOMPARE(text, expected.toString());
  }

  // Every row arrives, nothing more, and the derived tables are left empty.
  void rowCounts_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("rows");
    const QList<QPair<const char*, int>> counts = {
        {"ACCOUNT", 9}, {"TXN", 2},   {"PSTG", 1},  {"RPTR", 1},  {"CPTYCTGY", 1},
        {"CHANNEL", 1}, {"REMDR", 1}, {"MOVTA", 0}, {"MOVTE", 0}, {"MTHLY", 0}};
    for (const auto& c : counts) QTest::newRow(c.first) << c.first << c.second;
  }
  void rowCounts() {
    QFETCH(QString, table);
    QFETCH(int, rows);
    QCOMPARE(CountAll(table), rows);
  }

  void sourceIsNotWritten() { QCOMPARE(folderFingerprint(full_->folder()), sourceBefore_); }

  // The old settings come along, saying version 20 and that a rebalance is needed.
  void settingsCopy() {
    const IniFile ini(converted_->iniPath());
    QCOMPARE(ini.readInteger("main", "DBvn", 0), 20);
    QCOMPARE(ini.readString("main", "RebalNeeded", ""), QStringLiteral("1"));
    QCOMPARE(ini.readString("main", "BaseCurrency", ""), QStringLiteral("GBP"));
    QCOMPARE(ini.readString("main", "DatabaseName", ""), QStringLiteral("Old books"));
    // The database was filled with its indexes off and without forced writes:
    // it is handed over with both on again.
    QCOMPARE(QueryValue("select mon$forced_writes from mon$database").toInt(), 1);
    QCOMPARE(CountRows("rdb$indices", "coalesce(rdb$index_inactive, 0) <> 0"), 0);
  }

  void dateTexts_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("ymd");
    QTest::newRow("date") << QByteArray("1999-12-31") << 19991231;
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("blank") << QByteArray("          ") << 0;
    QTest::newRow("short") << QByteArray("2021-3-4") << 0;
    QTest::newRow("letters") << QByteArray("20x1-02-03") << 0;
    QTest::newRow("mask") << QByteArray("yyyy-mm-dd") << 0;
    QTest::newRow("other separators") << QByteArray("2021/02/03") << 20210203;
  }
  void dateTexts() {
    QFETCH(QByteArray, text);
    QFETCH(int, ymd);
    OldBooks old;
    old.add("txn", {{"Id", 1}, {"Txndate", text}, {"Type", "P"}});
    old.add("pstg", {{"Txnid", 1}, {"Objid", 1}, {"PstgDate", text}});
    QVERIFY2(old.write(), qPrintable(old.error()));
    TestBooks target(19, TestBooks::Closed);
    QString message;
    QVERIFY2(OpenTargetDatabase(target.folder(), message), qPrintable(message));
    ScriptedPrompter p;  // silently: no message at all
    QVERIFY2(convert(old.folder(), target.folder(), &message), qPrintable(message));
    QCOMPARE(QueryValue("select TXNDATE from TXN where ID=1").toInt(), ymd);
    QCOMPARE(QueryValue("select PSTGDATE from PSTG where TXNID=1").toInt(), ymd);
    VERIFY_PROMPTS(p);
    CloseConnection();
  }

  // A second run empties the target first and arrives at the same contents.
  void runningTwice() {
    TestBooks target(19, TestBooks::Closed);
    QString message;
    QVERIFY2(OpenTargetDatabase(target.folder(), message), qPrintable(message));
    QVERIFY2(convert(full_->folder(), target.folder(), &message), qPrintable(message));
    const QString first = dumpTarget();
    QVERIFY(first.contains("Café Müller"));
    QVERIFY2(convert(full_->folder(), target.folder(), &message), qPrintable(message));
    QCOMPARE(dumpTarget(), first);
    CloseConnection();
  }

  // The question, then the countdown before every row, then "Converted ok".
  void runWithCountdown() {
    OldBooks old;
    for (int i = 1; i <= 3; ++i) old.add("obj", {{"Id", i}, {"Name", "A" + QString::number(i)}});
    old.add("remdr", {{"Id", 1}, {"Text", "x"}});
    QVERIFY2(old.write(), qPrintable(old.error()));
    TestBooks target(19, TestBooks::Closed);
    QString error;
    QVERIFY2(OpenTargetDatabase(target.folder(), error), qPrintable(error));

    ScriptedPrompter p;
    p.yes("OK to convert from Source to Target ?").info("Converted ok");
    QStringList seen;
    int busyDuringRows = 0;
    TConvertHooks hooks;
    hooks.progress = [&](const QString& table, int remaining) {
      seen << " " + table + " " + QString::number(remaining);
      busyDuringRows = std::max(busyDuringRows, BusyDepth());
    };
    QVERIFY(RunConversion(old.folder(), target.folder(), hooks));
    VERIFY_PROMPTS(p);
    QCOMPARE(seen, QStringList({" OBJ.DB 3", " OBJ.DB 2", " OBJ.DB 1", " REMDR.DB 1"}));
    QCOMPARE(busyDuringRows, 1);
    QCOMPARE(BusyDepth(), 0);
    QCOMPARE(CountAll("ACCOUNT"), 3);
    CloseConnection();
  }

  void declined() {
    TestBooks target(19, TestBooks::Closed);
    const QByteArray before = FileFingerprint(target.iniPath());
    QString error;
    QVERIFY2(OpenTargetDatabase(target.folder(), error), qPrintable(error));
    ScriptedPrompter p;
    p.no("OK to convert from Source to Target ?");
    QVERIFY(!RunConversion(full_->folder(), target.folder()));
    VERIFY_PROMPTS(p);
    QCOMPARE(CountAll("ACCOUNT"), 0);
    QCOMPARE(FileFingerprint(target.iniPath()), before);
    CloseConnection();
  }

  // Damaged or incomplete sources are refused with a message naming the problem;
  // the target keeps its rows and its settings file, the source is not written.
  void refusedSources_data() {
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("message");  // %1 = the source folder
    const QString unchanged = "\rThe target has not been changed.";
    QTest::newRow("truncated table")
        << "truncate pstg"
        << "Conversion failed : Cannot read %1pstg.DB : the file is shorter than its header "
           "says (truncated?)" +
               unchanged;
    QTest::newRow("garbage in the header")
        << "garbage txn"
        << "Conversion failed : Cannot read %1Txn.db : not a Paradox data table" + unchanged;
    QTest::newRow("header cut short")
        << "cut rptr"
        << "Conversion failed : Cannot read %1RPTR.DB : the file is too short to be a table" +
               unchanged;
    QTest::newRow("looping blocks")
        << "loop pstg"
        << "Conversion failed : Cannot read %1pstg.DB : the chain of data blocks is damaged" +
               unchanged;
    QTest::newRow("wrong row count")
        << "count txn"
        << "Conversion failed : Cannot read %1Txn.db : the header counts 7 rows but the data "
           "blocks hold 2" +
               unchanged;
    QTest::newRow("missing field") << "drop txn Txndate"
                                   << "Conversion failed : TXN.DB has no field Txndate" + unchanged;
    QTest::newRow("field of another type")
        << "retype obj Name"
        << "Conversion failed : OBJ.DB field Name has an unexpected type" + unchanged;
    QTest::newRow("missing table")
        << "remove remdr"
        << "Conversion failed : Table REMDR.DB not found in %1" + unchanged;
    QTest::newRow("damaged memo")
        << "truncate memo"
        << "Conversion failed at OBJ.DB row 1 : field Note : damaged memo in OBJ.MB" + unchanged;
    QTest::newRow("missing memo file")
        << "remove memo"
        << "Conversion failed at OBJ.DB row 1 : field Note : the memo file (.MB) is missing" +
               unchanged;
    // Special files are never opened as tables: a pipe would block, a device never end.
    QTest::newRow("named pipe")
        << "pipe pstg"
        << "Conversion failed : Cannot read %1pstg.DB : not a regular file" + unchanged;
    QTest::newRow("link to a device")
        << "device txn"
        << "Conversion failed : Cannot read %1Txn.db : not a regular file" + unchanged;
    // The engine refuses the value; its own words follow the row.
    QTest::newRow("text too long for its column")
        << "widen txn Ref 2"
        << "Conversion failed at TXN.DB row 2 : ..." + unchanged;
    // Rows are written in blocks: the refused row is still the one named.
    QTest::newRow("text too long, in a block of rows")
        << "widen txn Ref 20"
        << "Conversion failed at TXN.DB row 20 : ..." + unchanged;
  }
  void refusedSources() {
    QFETCH(QString, damage);
    QFETCH(QString, message);
    OldBooks old;
    fillFullBooks(old);
    const QStringList words = damage.split(' ');
    if (words[0] == "drop") old.dropField(words[1], words[2]);
    QVERIFY2(old.write(), qPrintable(old.error()));
    const QString file = old.path(words[1]);
    if (words[0] == "retype" || words[0] == "widen") {
      // The table again, with the field as a number / as a longer text.
      const OldTable& t = words[1] == "obj" ? OldTables()[0] : OldTables()[1];
      std::vector<OldField> fields = t.fields;
      for (OldField& f : fields)
        if (QLatin1String(f.name) == words[2])
          f = words[0] == "retype" ? OldField{f.name, pxfLong, 4} : OldField{f.name, pxfAlpha, 30};
      // Rows 1 to bad + 20, all fitting but row bad (the second unless told).
      const int bad = words.size() > 3 ? words[3].toInt() : 2;
      const int count = words[0] == "widen" ? bad + 20 : 2;
      QList<QVariantMap> rows;
      for (int id = 1; id <= count; ++id)
        rows.append({{"Id", id}, {words[2], id == bad ? QString(25, 'r') : QString("12345")}});
      QString error;
      QVERIFY2(WriteOldTable(file, fields, rows, 1252, &error), qPrintable(error));
    } else if (damage == "truncate memo") {
      QFile mb(old.memoPath("obj"));
      QVERIFY(mb.resize(5000));  // into the long note's block
    } else if (damage == "remove memo") {
      QVERIFY(QFile::remove(old.memoPath("obj")));
    } else if (words[0] == "remove") {
      QVERIFY(QFile::remove(file));
    } else if (words[0] == "pipe") {
      QVERIFY(QFile::remove(file));
      QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    } else if (words[0] == "device") {
      QVERIFY(QFile::remove(file));
      QVERIFY(QFile::link("/dev/zero", file));
    } else if (words[0] == "truncate") {
      QFile f(file);
      QVERIFY(f.resize(f.size() - 100));
    } else if (words[0] == "cut") {
      QFile f(file);
      QVERIFY(f.resize(0x60));
    } else if (words[0] != "drop") {
      QFile f(file);
      QVERIFY(f.open(QIODevice::ReadWrite));
      if (words[0] == "garbage") {
        f.seek(4);
        f.write(QByteArray(16, '\x7f'));
      } else if (words[0] == "count") {
        f.seek(6);
        f.write(QByteArray("\x07\x00\x00\x00", 4));
      } else if (words[0] == "loop") {
        // The first data block names itself as the next one.
        f.seek(2);
        const QByteArray h = f.read(2);
        f.seek(uint8_t(h[0]) | (uint8_t(h[1]) << 8));
        f.write(QByteArray("\x01\x00", 2));
      }
    }

    TestBooks target(19, TestBooks::Closed);
    QString error;
    QVERIFY2(OpenTargetDatabase(target.folder(), error), qPrintable(error));
    // Rows already in the target survive the failed conversion.
    QVERIFY(ExecSqlCommitted("insert into ACCOUNT (ID, NAME) values (99, 'kept')"));
    QVERIFY(ExecSqlCommitted("insert into MOVTE (OBJID, FIRSTPSTGDATE) values (99, 1)"));
    const QString rowsBefore = dumpTarget();
    const QByteArray settingsBefore = FileFingerprint(target.iniPath());
    const auto sourceBefore = folderFingerprint(old.folder());

    ScriptedPrompter p;  // the caller shows the message
    QString shown;
    QVERIFY(!convert(old.folder(), target.folder(), &shown));
    VERIFY_PROMPTS(p);
    if (message.contains("%1")) message = message.arg(old.folder());
    if (message.contains("...")) {
      const QStringList parts = message.split("...");
      QVERIFY2(shown.startsWith(parts[0]) && shown.endsWith(parts[1]), qPrintable(shown));
      QVERIFY2(shown.size() > message.size(), qPrintable(shown));
    } else {
      QCOMPARE(shown, message);
    }
    QCOMPARE(dumpTarget(), rowsBefore);
    QCOMPARE(FileFingerprint(target.iniPath()), settingsBefore);
    QCOMPARE(folderFingerprint(old.folder()), sourceBefore);
    CloseConnection();
  }

  // Stored date-times are calendar values: a clock time that the local zone
  // skips in spring arrives unchanged, and so does a date whose midnight is
  // skipped. A value that is no date at all is refused, naming table and row.
  void stamps_data() {
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDateTime>("stamp");  // date and clock time as stored
    QTest::addColumn<QDate>("txnDate");    // Txndate held in a date field
    QTest::addColumn<QString>("stampText");
    QTest::addColumn<int>("ymd");
    QTest::addColumn<QString>("message");  // empty: converted
    auto stored = [](int y, int mo, int d, int h, int mi, int s) {
      return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
    };
    const QString unchanged = "\rThe target has not been changed.";
    QTest::newRow("London spring gap")
        << QByteArray("Europe/London") << stored(2020, 3, 29, 1, 30, 15) << QDate(2020, 3, 29)
        << "2020-03-29 01:30:15.0000" << 20200329 << QString();
    QTest::newRow("New York spring gap")
        << QByteArray("America/New_York") << stored(2020, 3, 8, 2, 30, 0) << QDate(2020, 3, 8)
        << "2020-03-08 02:30:00.0000" << 20200308 << QString();
    QTest::newRow("Sao Paulo gap at midnight")
        << QByteArray("America/Sao_Paulo") << stored(2018, 11, 4, 0, 30, 0) << QDate(2018, 11, 4)
        << "2018-11-04 00:30:00.0000" << 20181104 << QString();
    QTest::newRow("stamp after 9999")
        << QByteArray("UTC") << stored(12000, 1, 1, 0, 0, 0) << QDate(2020, 1, 1) << QString() << 0
        << "Conversion failed at OBJ.DB row 1 : field Rprts holds no valid date-time" + unchanged;
    QTest::newRow("date before year 1")
        << QByteArray("UTC") << stored(2020, 1, 1, 12, 0, 0) << QDate(-1, 12, 31) << QString() << 0
        << "Conversion failed at TXN.DB row 1 : field Txndate holds no valid date-time" + unchanged;
  }
  void stamps() {
    QFETCH(QByteArray, zone);
    QFETCH(QDateTime, stamp);
    QFETCH(QDate, txnDate);
    QFETCH(QString, stampText);
    QFETCH(int, ymd);
    QFETCH(QString, message);
    QVERIFY2(QFile::exists("/usr/share/zoneinfo/" + zone),
             "time zone data missing: scripts/install-deps installs tzdata");
    const LocalZone local(zone);
    if (message.isEmpty()) {
      // The case is only worth its name when the local clock skips this time.
      const QDateTime wall(stamp.date(), stamp.time());
      QVERIFY(!wall.isValid() || wall.time() != stamp.time());
    }
    OldBooks old;
    old.retypeField("txn", "Txndate", pxfDate, 4);
    old.add("obj", {{"Id", 1},
                    {"Name", "A"},
                    {"Rprts", stamp},
                    {"RecTs", stamp},
                    {"CreateTS", stamp},
                    {"EditTS", stamp}});
    old.add("txn", {{"Id", 1},
                    {"Type", "P"},
                    {"Txndate", txnDate},
                    {"RprTs", stamp},
                    {"CreateTS", stamp},
                    {"EditTS", stamp}});
    QVERIFY2(old.write(), qPrintable(old.error()));
    TestBooks target(19, TestBooks::Closed);
    QString shown;
    QVERIFY2(OpenTargetDatabase(target.folder(), shown), qPrintable(shown));
    auto closing = qScopeGuard([] { CloseConnection(); });
    ScriptedPrompter p;
    const bool ok = convert(old.folder(), target.folder(), &shown);
    VERIFY_PROMPTS(p);
    if (!message.isEmpty()) {
      QVERIFY(!ok);
      QCOMPARE(shown, message);
      QCOMPARE(CountAll("ACCOUNT"), 0);
      return;
    }
    QVERIFY2(ok, qPrintable(shown));
    // Read back as text by the engine, away from any time zone.
    for (const char* column : {"RPRTS", "RECTS", "CREATETS", "EDITTS"})
      QCOMPARE(QueryValue("select cast(" + QLatin1String(column) +
                          " as varchar(30)) from ACCOUNT where ID=1")
                   .toString(),
               stampText);
    for (const char* column : {"RPRTS", "CREATETS", "EDITTS"})
      QCOMPARE(QueryValue("select cast(" + QLatin1String(column) +
                          " as varchar(30)) from TXN where ID=1")
                   .toString(),
               stampText);
    QCOMPARE(QueryValue("select TXNDATE from TXN where ID=1").toInt(), ymd);
  }

  // A stop asked for by SIGTERM or SIGINT ends the conversion before the next
  // row; everything is rolled back and the target's settings are put back.
  void stopRequested() {
    OldBooks old;
    for (int i = 1; i <= 3; ++i) old.add("obj", {{"Id", i}, {"Name", "A" + QString::number(i)}});
    QVERIFY2(old.write(), qPrintable(old.error()));
    TestBooks target(19, TestBooks::Closed);
    QString message;
    QVERIFY2(OpenTargetDatabase(target.folder(), message), qPrintable(message));
    auto closing = qScopeGuard([] {
      RequestConversionStop(0);
      CloseConnection();
    });
    QVERIFY(ExecSqlCommitted("insert into ACCOUNT (ID, NAME) values (99, 'kept')"));
    const QString rowsBefore = dumpTarget();
    const QByteArray settingsBefore = FileFingerprint(target.iniPath());
    QStringList seen;
    const auto progress = [&seen](const QString& table, int remaining) {
      seen << table + " " + QString::number(remaining);
      if (remaining == 2) RequestConversionStop(SIGTERM);
    };
    QVERIFY(!convert(old.folder(), target.folder(), &message, progress));
    QCOMPARE(message, QStringLiteral("Conversion stopped\rThe target has not been changed."));
    QCOMPARE(seen, QStringList({"OBJ.DB 3", "OBJ.DB 2"}));
    QCOMPARE(dumpTarget(), rowsBefore);
    QCOMPARE(FileFingerprint(target.iniPath()), settingsBefore);
  }

  // The old program wrote its settings in the Windows code page; the copy is
  // written as the new program reads it. A file that is UTF-8 already stays so.
  void settingsEncoding_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("Windows-1252") << QByteArray(
        "[main]\r\nDatabaseName=M\xfcller \x96 Haushalt \x80\r\nDBvn=12\r\n");
    QTest::newRow("UTF-8")
        << QString("[main]\nDatabaseName=Müller – Haushalt €\nDBvn=12\n").toUtf8();
  }
  void settingsEncoding() {
    QFETCH(QByteArray, bytes);
    OldBooks old;
    old.setSettingsBytes(bytes);
    QVERIFY2(old.write(), qPrintable(old.error()));
    TestBooks target(19, TestBooks::Closed);
    QString message;
    QVERIFY2(OpenTargetDatabase(target.folder(), message), qPrintable(message));
    auto closing = qScopeGuard([] { CloseConnection(); });
    QVERIFY2(convert(old.folder(), target.folder(), &message), qPrintable(message));
    const IniFile ini(target.iniPath());
    QCOMPARE(ini.readString("main", "DatabaseName", ""), QStringLiteral("Müller – Haushalt €"));
    QCOMPARE(ini.readInteger("main", "DBvn", 0), 20);
  }

  // A settings file that is a named pipe is not waited on.
  void settingsFileIsAPipe() {
    OldBooks old;
    old.setSettings(QString());
    QVERIFY2(old.write(), qPrintable(old.error()));
    const QString ini = old.folder() + "ZADEZEVU.INI";
    QCOMPARE(::mkfifo(QFile::encodeName(ini).constData(), 0600), 0);
    TestBooks target(19, TestBooks::Closed);
    const QByteArray before = FileFingerprint(target.iniPath());
    QString message;
    QVERIFY2(OpenTargetDatabase(target.folder(), message), qPrintable(message));
    auto closing = qScopeGuard([] { CloseConnection(); });
    ScriptedPrompter p;
    p.info("Cannot copy " + ini + " - file in use or not found ");
    QVERIFY(!convert(old.folder(), target.folder(), &message));
    VERIFY_PROMPTS(p);
    QCOMPARE(FileFingerprint(target.iniPath()), before);
  }

  // Converting into the old folder itself would overwrite the old settings.
  void targetInTheSourceFolder() {
    OldBooks old;
    QVERIFY2(old.write(), qPrintable(old.error()));
    TestBooks empty(19, TestBooks::Closed);
    QVERIFY(QFile::copy(empty.dbPath(), old.folder() + "vorbek.fdb"));
    const QByteArray before = FileFingerprint(old.folder() + "ZADEZEVU.INI");
    QString message;
    QVERIFY2(OpenTargetDatabase(old.folder(), message), qPrintable(message));
    QVERIFY(!convert(old.folder(), old.folder(), &message));
    QCOMPARE(message, QStringLiteral("Conversion failed : the source folder is the target's data "
                                     "folder\rThe target has not been changed."));
    QCOMPARE(FileFingerprint(old.folder() + "ZADEZEVU.INI"), before);
    CloseConnection();
  }

  // The settings file is part of the source: without it nothing is copied.
  void sourceWithoutSettings() {
    OldBooks old;
    old.setSettings(QString());
    QVERIFY2(old.write(), qPrintable(old.error()));
    {
      ScriptedPrompter p;
      p.info("Folder does not hold Vorbek data ( looking for ZADEZEVU.INI )");
      QVERIFY(!SourceHoldsBooks(old.folder()));
      VERIFY_PROMPTS(p);
    }
    TestBooks target(19, TestBooks::Closed);
    const QByteArray before = FileFingerprint(target.iniPath());
    QString error;
    QVERIFY2(OpenTargetDatabase(target.folder(), error), qPrintable(error));
    ScriptedPrompter p;
    p.info("Cannot copy ZADEZEVU.INI - file in use or not found ");
    QString message;
    QVERIFY(!convert(old.folder(), target.folder(), &message));
    QVERIFY(message.isEmpty());
    VERIFY_PROMPTS(p);
    QCOMPARE(FileFingerprint(target.iniPath()), before);
    QCOMPARE(CountAll("ACCOUNT"), 0);
    CloseConnection();
  }

  void settingsFoundIgnoringCase() {
    OldBooks old;
    old.setSettings(QString());
    QVERIFY2(old.write(), qPrintable(old.error()));
    QFile ini(old.folder() + "zadezevu.ini");
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[main]\nDatabaseName=lower\n");
    ini.close();
    ScriptedPrompter p;
    QVERIFY(SourceHoldsBooks(old.folder()));
    VERIFY_PROMPTS(p);
  }

  // Text comes from the table's own code page.
  void codePages_data() {
    QTest::addColumn<int>("codePage");
    QTest::newRow("Windows ANSI") << 1252;
    QTest::newRow("DOS Latin-1") << 850;
    QTest::newRow("DOS US") << 437;
  }
  void codePages() {
    QFETCH(int, codePage);
    OldBooks old;
    old.setCodePage("obj", codePage);
    const QString name = QStringLiteral("Jürgen Ñoño é");
    old.add("obj", {{"Id", 1}, {"Name", name}, {"Note", "Über " + QString(40, QChar(0xe9))}});
    QVERIFY2(old.write(), qPrintable(old.error()));
    TParadoxTable table;
    QString error;
    QVERIFY2(table.open(old.path("obj"), error), qPrintable(error));
    QCOMPARE(table.codePage(), codePage);
    table.seek(0);
    QString text;
    QVERIFY(table.textValue(table.fieldIndex("name"), text, error));
    QCOMPARE(text, name);
    QVERIFY2(table.textValue(table.fieldIndex("NOTE"), text, error), qPrintable(error));
    QCOMPARE(text, "Über " + QString(40, QChar(0xe9)));
  }

  // A byte the code page leaves undefined is marked, not dropped or guessed.
  void undefinedBytes() {
    TCodePageText cp1252(1252);
    QCOMPARE(cp1252.decode("a\x81z\xe9", 4), QStringLiteral("a\uFFFDzé"));
    TCodePageText unknown(99999);
    QCOMPARE(unknown.encoding(), QStringLiteral("CP1252"));
  }
};

QTEST_GUILESS_MAIN(TstConversion)
#include "tst_conversion.moc"
