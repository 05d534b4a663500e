// The table writer behind every --csv/--json output: quoting, plain amounts at
// the 64-bit edges, column keys, and one table through both faces.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>
#include <limits>

#include "foundation/table_export.h"

class TstTableExport : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void csvField_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::newRow("plain") << "Rent"
                           << "Rent";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("comma") << "Smith, J"
                           << "\"Smith, J\"";
    QTest::newRow("quote") << "the \"big\" shop"
                           << "\"the \"\"big\"\" shop\"";
    QTest::newRow("line break") << "two\nlines"
                                << "\"two\nlines\"";
    QTest::newRow("carriage return") << "a\rb"
                                     << "\"a\rb\"";
    QTest::newRow("leading blank") << " x"
                                   << "\" x\"";
    QTest::newRow("trailing blank") << "x "
                                    << "\"x \"";
    QTest::newRow("inner blank") << "a b"
                                 << "a b";
    QTest::newRow("emoji") << QString::fromUtf8("caf\u00e9 \U0001F600")
                           << QString::fromUtf8("caf\u00e9 \U0001F600");
    QTest::newRow("all at once") << QString::fromUtf8("\"A, B\"\n\U0001F600")
                                 << QString::fromUtf8("\"\"\"A, B\"\"\n\U0001F600\"");
  }
  void csvField() {
    QFETCH(QString, text);
    QFETCH(QString, field);
    QCOMPARE(CsvField(text), field);
  }

  void plainAmount_data() {
    QTest::addColumn<qint64>("minor");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("display");
    QTest::newRow("zero") << qint64(0) << "0.00"
                          << "0.00";
    QTest::newRow("one cent") << qint64(1) << "0.01"
                              << "0.01";
    QTest::newRow("minus one cent") << qint64(-1) << "-0.01"
                                    << "-0.01";
    QTest::newRow("grouped") << qint64(-505690) << "-5056.90"
                             << "-5,056.90";
    QTest::newRow("millions") << qint64(123456789) << "1234567.89"
                              << "1,234,567.89";
    QTest::newRow("max") << std::numeric_limits<qint64>::max() << "92233720368547758.07"
                         << "";
    QTest::newRow("min") << std::numeric_limits<qint64>::min() << "-92233720368547758.08"
                         << "";
  }
  void plainAmount() {
    QFETCH(qint64, minor);
    QFETCH(QString, plain);
    QFETCH(QString, display);
    QCOMPARE(PlainAmount(minor), plain);
    QCOMPARE(CellPlain(AmountCell(minor)), plain);
    // The display form groups only the lower digits of huge amounts (the books' own rule).
    if (!display.isEmpty()) QCOMPARE(CellDisplay(AmountCell(minor)), display);
  }

  void columnKeys_data() {
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("key");
    QTest::newRow("word") << "Id"
                          << "id";
    QTest::newRow("dash") << "Pre-period"
                          << "pre_period";
    QTest::newRow("slash") << "A/V"
                           << "a_v";
    QTest::newRow("camel") << "FirstOfDate"
                           << "first_of_date";
    QTest::newRow("blanks") << " Txn date "
                            << "txn_date";
    QTest::newRow("capitals") << "CCY"
                              << "ccy";
  }
  void columnKeys() {
    QFETCH(QString, header);
    QFETCH(QString, key);
    QCOMPARE(ColumnKey(header), key);
  }

  void bothFacesOfOneTable() {
    const QStringList headers{"Id", "Name", "Amount", "Date", "Closed", "Txn"};
    const QList<TCellRow> rows{
        {IntCell(7), TextCell(QString::fromUtf8("O'Brien, \"Bob\"\n\U0001F600")),
         AmountCell(-505690), DateCell(20240229), FlagCell(true), NullIntCell()},
        {IntCell(8), TextCell(" pad "), AmountCell(0), DateCell(0), FlagCell(false), IntCell(12)}};
    QCOMPARE(TableCsv(headers, rows),
             QString::fromUtf8("id,name,amount,date,closed,txn\n"
                               "7,\"O'Brien, \"\"Bob\"\"\n\U0001F600\",-5056.90,2024-02-29,1,\n"
                               "8,\" pad \",0.00,,0,12\n"));
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(TableJson(headers, rows).toUtf8(), &err);
    QCOMPARE(err.error, QJsonParseError::NoError);
    const QJsonArray a = doc.array();
    QCOMPARE(a.size(), 2);
    const QJsonObject first = a[0].toObject();
    QCOMPARE(first.value("id").toInt(), 7);
    QCOMPARE(first.value("name").toString(), QString::fromUtf8("O'Brien, \"Bob\"\n\U0001F600"));
    QVERIFY(first.value("amount").isString());  // money never as a binary float
    QCOMPARE(first.value("amount").toString(), QString("-5056.90"));
    QCOMPARE(first.value("date").toString(), QString("2024-02-29"));
    QCOMPARE(first.value("closed").toInt(), 1);
    QVERIFY(first.value("txn").isNull());
    QCOMPARE(a[1].toObject().value("date").toString(), QString());
    QCOMPARE(CellPlain(DateCell(99999999)), QString());  // open-ended: no date
    QCOMPARE(TableJson(headers, {}), QString("[]\n"));
  }
};

QTEST_APPLESS_MAIN(TstTableExport)
#include "tst_table_export.moc"
