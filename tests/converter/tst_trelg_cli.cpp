// trelg's command-line mode run as the real program, and the converted books
// opened by vorbek-cli: upgraded from version 20 and counted.
#include <QProcess>
#include <QtTest>
#include <csignal>

#include "old_tables.h"
#include "store/db.h"
#include "store/inifile.h"
#include "support/books_fixture.h"

namespace {

struct Run {
  int code = -1;
  QString out;
  QString err;
};

// killAt: the point where the program kills itself (VORBEK_KILL_AT); it then
// gets Firebird lock files of its own, as a process killed while it holds the
// engine's shared trace mutex would stall every later one.
Run run(const QString& program, const QStringList& args, const QString& killAt = QString()) {
  Run r;
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("VORBEK_HOME");
  QTemporaryDir locks;
  if (!killAt.isEmpty()) {
    env.insert("VORBEK_KILL_AT", killAt);
    env.insert("FIREBIRD_LOCK", locks.path());
  }
  p.setProcessEnvironment(env);
  p.start(program, args);
  if (!p.waitForFinished(300000)) return r;
  r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
  r.out = QString::fromUtf8(p.readAllStandardOutput());
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

QString trelg() { return QStringLiteral(VORBEK_BINARY_DIR "/src/trelg"); }

// "Item  Value" lines of vorbek-cli info as a map.
QMap<QString, QString> infoItems(const QString& out) {
  QMap<QString, QString> m;
  for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) {
    const qsizetype gap = line.indexOf("  ");
    if (gap > 0) m.insert(line.left(gap), line.mid(gap).trimmed());
  }
  return m;
}

void fillSmallBooks(OldBooks& old) {
  old.add("obj", {{"Id", 1}, {"Name", "Girokonto"}, {"Type", 1}, {"CloseDate", 99999999}});
  old.add("obj", {{"Id", 2}, {"Name", "Bäcker"}, {"Type", 4}, {"CloseDate", 99999999}});
  old.add("obj", {{"Id", 3}, {"Name", "Lebensmittel"}, {"Type", 3}, {"CloseDate", 99999999}});
  old.add("obj", {{"Id", 4}, {"Name", "Konten"}, {"Type", 8}, {"CloseDate", 99999999}});
  for (int t = 1; t <= 2; ++t) {
    old.add("txn", {{"Id", t},
                    {"Txndate", "2020-05-0" + QString::number(t)},
                    {"Amt", 250 * t},
                    {"Type", "P"},
                    {"Accid1", 1},
                    {"Accid2", 2},
                    {"Accid4", 3}});
    const QString date = "2020-05-0" + QString::number(t);
    old.add("pstg",
            {{"Txnid", t}, {"Objid", 1}, {"Amt", -250 * t}, {"PstgDate", date}, {"TxnType", "P"}});
    old.add("pstg",
            {{"Txnid", t}, {"Objid", 2}, {"Amt", 250 * t}, {"PstgDate", date}, {"TxnType", "P"}});
    old.add("pstg",
            {{"Txnid", t}, {"Objid", 3}, {"Amt", 250 * t}, {"PstgDate", date}, {"TxnType", "P"}});
  }
}

}  // namespace

class TstTrelgCli : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    if (!QFile::exists(trelg())) QSKIP("trelg is not built");
  }

  // A new program folder: trelg makes data/ with the empty database, converts
  // into it, and vorbek-cli then upgrades it from 20 to 34 and counts its rows.
  void convertThenOpen() {
    if (qEnvironmentVariable("VORBEK_CLI").isEmpty()) QSKIP("VORBEK_CLI is set by CTest");
    OldBooks old;
    fillSmallBooks(old);
    QVERIFY2(old.write(), qPrintable(old.error()));
    QTemporaryDir home;
    const Run c = run(trelg(), {"--home", home.path(), "--source", old.folder(), "--yes"});
    QVERIFY2(c.code == 0, qPrintable(c.err));
    const QString data = home.path() + "/data/";
    QCOMPARE(c.out, "Target database " + data + "vorbek.fdb\nSource database " + old.folder() +
                        "\n OBJ.DB 4\n TXN.DB 2\n PSTG.DB 6\n");
    QCOMPARE(c.err, "No books found in " + data +
                        " - create a new empty set of books there? - yes\n"
                        "OK to convert from Source to Target ? - yes\nConverted ok\n");
    QCOMPARE(IniFile(data + "ZADEZEVU.INI").readInteger("main", "DBvn", 0), 20);

    const Run info = run(qEnvironmentVariable("VORBEK_CLI"), {"--yes", "info", data});
    QVERIFY2(info.code == 0, qPrintable(info.err + info.out));
    const auto items = infoItems(info.out);
    QCOMPARE(items.value("Schema version"), QStringLiteral("34"));
    QCOMPARE(items.value("Base currency"), QStringLiteral("GBP"));
    QCOMPARE(items.value("Accounts"), QStringLiteral("4"));
    QCOMPARE(items.value("Transactions"), QStringLiteral("2"));
    QCOMPARE(items.value("Postings"), QStringLiteral("6"));
    // The old amounts were in the base currency: rate 1, value = amount.
    const Run txn = run(qEnvironmentVariable("VORBEK_CLI"), {"txn", "show", data, "2"});
    QVERIFY2(txn.out.contains("Amount 5.00 GBP  value 5.00  rate 1.00000"), qPrintable(txn.out));
  }

  // Killed (SIGKILL) while the rows go in, once they are committed, and between
  // the database taking its place and the settings following: the target still
  // says version 19, and the next run clears what was left and converts.
  void killedThenRunAgain_data() {
    QTest::addColumn<QString>("point");
    QTest::addColumn<QString>("left");
    QTest::newRow("writing the rows") << "conversion table#2"
                                      << "vorbek.fdb.converting, ZADEZEVU.INI.converting";
    QTest::newRow("committed") << "conversion written"
                               << "vorbek.fdb.converting, ZADEZEVU.INI.converting";
    QTest::newRow("database in place") << "conversion moved"
                                       << "ZADEZEVU.INI.converting";
  }
  void killedThenRunAgain() {
    QFETCH(QString, point);
    QFETCH(QString, left);
    if (qEnvironmentVariable("VORBEK_CLI").isEmpty()) QSKIP("VORBEK_CLI is set by CTest");
    OldBooks old;
    fillSmallBooks(old);
    QVERIFY2(old.write(), qPrintable(old.error()));
    TestBooks target(19, TestBooks::Closed);
    const QByteArray settingsBefore = FileFingerprint(target.iniPath());
    const QStringList args = {"--source", old.folder(), "--target", target.folder(), "--yes"};
    QCOMPARE(run(trelg(), args, point).code, -2);
    QCOMPARE(FileFingerprint(target.iniPath()), settingsBefore);

    const Run again = run(trelg(), args);
    QVERIFY2(again.code == 0, qPrintable(again.err));
    QCOMPARE(again.err, "An earlier conversion into " + target.folder() +
                            " did not finish - what it left (" + left +
                            ") was removed\nOK to convert from Source to Target ? - yes\n"
                            "Converted ok\n");
    QCOMPARE(QDir(target.folder()).entryList({"*.converting*"}, QDir::Files), QStringList());
    QCOMPARE(IniFile(target.iniPath()).readInteger("main", "DBvn", 0), 20);
    // Converted books are complete: a further run refuses them, and they keep their rows.
    const Run third = run(trelg(), args);
    QCOMPARE(third.code, 1);
    QCOMPARE(third.err, QStringLiteral("Target database version error : expected vn 19, found "
                                       "20\n"));
    const Run info = run(qEnvironmentVariable("VORBEK_CLI"), {"--yes", "info", target.folder()});
    QVERIFY2(info.code == 0, qPrintable(info.err + info.out));
    const auto items = infoItems(info.out);
    QCOMPARE(items.value("Accounts"), QStringLiteral("4"));
    QCOMPARE(items.value("Transactions"), QStringLiteral("2"));
    QCOMPARE(items.value("Postings"), QStringLiteral("6"));
  }

  void refusals_data() {
    QTest::addColumn<QString>("situation");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("err");  // %1 = the source folder
    QTest::newRow("target converted already")
        << "version" << 1 << "Target database version error : expected vn 19, found 20\n";
    QTest::newRow("source without settings")
        << "no settings" << 1 << "Folder does not hold Vorbek data ( looking for ZADEZEVU.INI )\n";
    QTest::newRow("damaged source")
        << "damaged" << 1
        << "OK to convert from Source to Target ? - yes\nConversion failed : Cannot read "
           "%1pstg.DB : the file is shorter than its header says (truncated?)\nThe target has "
           "not been changed.\n";
    QTest::newRow("no --yes") << "no yes" << 2
                              << "trelg: the conversion asks \"OK to convert from Source to "
                                 "Target ?\" - give --yes to answer it\n";
    QTest::newRow("unknown argument")
        << "unknown" << 2
        << "trelg: unknown argument \"--force\"\nusage: trelg --source DIR [--target DIR] "
           "[--home DIR] --yes\n";
  }
  void refusals() {
    QFETCH(QString, situation);
    QFETCH(int, code);
    QFETCH(QString, err);
    OldBooks old;
    if (situation == "no settings") old.setSettings(QString());
    QVERIFY2(old.write(), qPrintable(old.error()));
    if (situation == "damaged") {
      QFile f(old.path("pstg"));
      QVERIFY(f.resize(f.size() - 10));
    }
    TestBooks target(19, TestBooks::Closed);
    if (situation == "version") {
      IniFile ini(target.iniPath());
      ini.writeInteger("main", "DBvn", 20);
      QVERIFY(ini.save());
    }
    const QByteArray settingsBefore = FileFingerprint(target.iniPath());
    QStringList args = {"--source", old.folder(), "--target", target.folder()};
    if (situation != "no yes") args << "--yes";
    if (situation == "unknown") args << "--force";
    const Run r = run(trelg(), args);
    QCOMPARE(r.code, code);
    QCOMPARE(r.err, err.contains("%1") ? err.arg(old.folder()) : err);
    QCOMPARE(FileFingerprint(target.iniPath()), settingsBefore);
  }

  // SIGTERM or SIGINT while the rows are being written: the conversion is rolled
  // back, the target is as it was, and the exit code is the one a shell expects
  // of a program ended by that signal.
  void stoppedBySignal_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
  }
  void stoppedBySignal() {
    QFETCH(int, signal);
    OldBooks old;
    const int rows = 30000;
    for (int i = 1; i <= rows; ++i) old.add("obj", {{"Id", i}, {"Name", "A" + QString::number(i)}});
    QVERIFY2(old.write(), qPrintable(old.error()));
    TestBooks target(19, TestBooks::Closed);
    const QByteArray settingsBefore = FileFingerprint(target.iniPath());

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("VORBEK_HOME");
    p.setProcessEnvironment(env);
    p.start(trelg(), {"--source", old.folder(), "--target", target.folder(), "--yes"});
    // The first table's countdown shows once its rows are being written.
    QString out;
    while (!out.contains(" OBJ.DB ") && p.waitForReadyRead(60000))
      out += QString::fromUtf8(p.readAllStandardOutput());
    QVERIFY2(out.endsWith(" OBJ.DB " + QString::number(rows) + "\n"), qPrintable(out));
    QCOMPARE(::kill(pid_t(p.processId()), signal), 0);
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(QString::fromUtf8(p.readAllStandardError()),
             QStringLiteral("OK to convert from Source to Target ? - yes\n"
                            "Conversion stopped\nThe target has not been changed.\n"));
    QCOMPARE(p.exitCode(), 128 + signal);
    QCOMPARE(FileFingerprint(target.iniPath()), settingsBefore);
    QString error;
    QVERIFY2(OpenConnection(target.dbPath(), error), qPrintable(error));
    QCOMPARE(CountAll("ACCOUNT"), 0);
    CloseConnection();
  }
};

QTEST_GUILESS_MAIN(TstTrelgCli)
#include "tst_trelg_cli.moc"
