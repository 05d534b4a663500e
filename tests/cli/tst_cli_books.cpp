// vorbek-cli create and info, run as the real program.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "store/inifile.h"
#include "support/books_fixture.h"
#include "support/cli_run.h"

namespace {

using Run = CliRun;
Run cli(const QStringList& args) { return RunCli(args); }

// "Item  Value" lines of info as a map.
QMap<QString, QString> infoItems(const QString& out) {
  QMap<QString, QString> m;
  for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) {
    const qsizetype gap = line.indexOf("  ");
    if (gap > 0) m.insert(line.left(gap), line.mid(gap).trimmed());
  }
  return m;
}

}  // namespace

class TstCliBooks : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    if (qEnvironmentVariable("VORBEK_CLI").isEmpty()) QSKIP("VORBEK_CLI is set by CTest");
  }

  void createThenInfo() {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/books";
    const Run c = cli({"create", folder, "--base", "chf"});
    QVERIFY2(c.code == 0, qPrintable(c.err));
    QCOMPARE(
        c.out.trimmed(),
        "Created " + folder + "/vorbek.fdb (schema version 34, base currency CHF, default pot #1)");
    const IniFile ini(folder + "/ZADEZEVU.INI");
    QCOMPARE(ini.readString("main", "BaseCurrency", ""), QStringLiteral("CHF"));
    QCOMPARE(ini.readInteger("main", "DefaultPotId", 0), 1);
    QCOMPARE(ini.readInteger("main", "DBvn", 0), -1);

    const QByteArray settings = FileFingerprint(folder + "/ZADEZEVU.INI");
    const Run i = cli({"info", folder});
    QVERIFY2(i.code == 0, qPrintable(i.err));
    const QMap<QString, QString> items = infoItems(i.out);
    QCOMPARE(items.value("Location"), folder + "/vorbek.fdb");
    QCOMPARE(items.value("Schema version"), QStringLiteral("34"));
    QCOMPARE(items.value("Base currency"), QStringLiteral("CHF"));
    QCOMPARE(items.value("Start date"), QStringLiteral("none"));
    QCOMPARE(items.value("End date"), QStringLiteral("none"));
    QCOMPARE(items.value("Accounts"), QStringLiteral("1"));
    QCOMPARE(items.value("Transactions"), QStringLiteral("0"));
    QCOMPARE(items.value("Postings"), QStringLiteral("0"));
    QCOMPARE(FileFingerprint(folder + "/ZADEZEVU.INI"), settings);  // looking changes nothing

    const Run csv = cli({"--csv", "info", folder});
    QVERIFY(csv.out.contains("Schema version,34"));
  }

  void createRefusals_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::addRow("no base") << QStringList{"create", "@"} << 2
                             << "usage: vorbek-cli create DIR --base CCY";
    QTest::addRow("bad base")
        << QStringList{"create", "@", "--base", "GB1"} << 2
        << "vorbek-cli: --base needs a three-letter currency code, not \"GB1\"";
    QTest::addRow("existing books")
        << QStringList{"create", "@existing", "--base", "GBP"} << 1
        << "vorbek-cli: Database already exists \"@existing/vorbek.fdb\"";
  }
  void createRefusals() {
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    TestBooks existing(TestBooks::Closed);
    QTemporaryDir dir;
    const QString target = dir.path() + "/new";
    const QString existingFolder = existing.folder().chopped(1);
    for (QString& a : args) a.replace("@existing", existingFolder).replace("@", target);
    message.replace("@existing", existingFolder);
    const QByteArray before = FileFingerprint(existing.dbPath());
    const Run r = cli(args);
    QCOMPARE(r.code, code);
    QCOMPARE(r.err.trimmed(), message);
    QVERIFY(!QFile::exists(target));
    QCOMPARE(FileFingerprint(existing.dbPath()), before);
  }

  // Older books are upgraded by info under the batch policy, or left alone without one.
  void infoOnOlderBooks() {
    TestBooks books(27, TestBooks::Closed);
    const QString folder = books.folder().chopped(1);
    const Run asked = cli({"info", folder});
    QCOMPARE(asked.code, 3);
    QVERIFY2(asked.err.contains("question needs an answer") &&
                 asked.err.contains("Database conversion to version 28"),
             qPrintable(asked.err));

    const Run refused = cli({"--no", "info", folder});
    QCOMPARE(refused.code, 1);
    QVERIFY(refused.err.contains("vorbek-cli: the books could not be opened"));

    const Run upgraded = cli({"--yes", "info", folder});
    QVERIFY2(upgraded.code == 0, qPrintable(upgraded.err));
    QCOMPARE(infoItems(upgraded.out).value("Schema version"), QStringLiteral("34"));
    QVERIFY(upgraded.err.contains("Conversion will be completed by the Repair function"));
    QCOMPARE(infoItems(cli({"info", folder}).out).value("Schema version"), QStringLiteral("34"));
  }

  void infoOnMissingBooks() {
    QTemporaryDir dir;
    const Run r = cli({"info", dir.path()});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains("Cannot open database \"" + dir.path() + "/vorbek.fdb\""),
             qPrintable(r.err));
    QVERIFY(!QFile::exists(dir.path() + "/ZADEZEVU.INI"));
  }
};

QTEST_GUILESS_MAIN(TstCliBooks)
#include "tst_cli_books.moc"
