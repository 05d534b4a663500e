// Amount texts and parsing, integer and float parsing, padded numbers, time texts.
#include <QtTest>
#include <limits>

#include "foundation/numbers.h"
#include "support/scripted_prompter.h"

class TstNumbers : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void cleanup() { SetPadChar(QLatin1Char('0')); }

  void formatAmount_data() {
    QTest::addColumn<qint64>("value");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("signedText");
    QTest::newRow("zero") << qint64(0) << "0.00"
                          << "0.00";
    QTest::newRow("one digit") << qint64(5) << "0.05"
                               << "+0.05";
    QTest::newRow("two digits") << qint64(45) << "0.45"
                                << "+0.45";
    QTest::newRow("one unit") << qint64(100) << "1.00"
                              << "+1.00";
    QTest::newRow("minus one digit") << qint64(-5) << "-0.05"
                                     << "-0.05";
    QTest::newRow("below a thousand") << qint64(99999) << "999.99"
                                      << "+999.99";
    QTest::newRow("a thousand") << qint64(100000) << "1,000.00"
                                << "+1,000.00";
    QTest::newRow("millions") << qint64(123456789) << "1,234,567.89"
                              << "+1,234,567.89";
    QTest::newRow("minus millions") << qint64(-123456789) << "-1,234,567.89"
                                    << "-1,234,567.89";
    QTest::newRow("just below a million million") << qint64(99999999999999) << "999,999,999,999.99"
                                                  << "+999,999,999,999.99";
    // Beyond a million million the leading group is not split any further.
    QTest::newRow("a million million") << qint64(100000000000000) << "1000,000,000,000.00"
                                       << "+1000,000,000,000.00";
    QTest::newRow("digits 1-5 three times") << qint64(123451234512345) << "1234,512,345,123.45"
                                            << "+1234,512,345,123.45";
    QTest::newRow("largest") << std::numeric_limits<qint64>::max() << "92233720,368,547,758.07"
                             << "+92233720,368,547,758.07";
    QTest::newRow("smallest") << std::numeric_limits<qint64>::min() << "-92233720,368,547,758.08"
                              << "-92233720,368,547,758.08";
  }
  void formatAmount() {
    QFETCH(qint64, value);
    QFETCH(QString, plain);
    QFETCH(QString, signedText);
    QCOMPARE(FormatAmount(value), plain);
    QCOMPARE(FormatAmountSigned(value), signedText);
    // The plus sign belongs to FormatAmountSigned only.
    QCOMPARE(FormatAmount(value), plain);
    int64_t back = 0;
    QVERIFY(ParseAmount(plain, back));
    QCOMPARE(qint64(back), value);
  }

  void parseAmount_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qint64>("value");
    QTest::newRow("empty") << "" << false << qint64(0);
    QTest::newRow("zero") << "0" << true << qint64(0);
    QTest::newRow("minus one") << "-1" << true << qint64(-100);
    QTest::newRow("twelve") << "12" << true << qint64(1200);
    QTest::newRow("two decimals") << "12.30" << true << qint64(1230);
    QTest::newRow("one decimal") << "12.3" << false << qint64(0);
    QTest::newRow("three decimals") << "1.500" << false << qint64(0);
    QTest::newRow("trailing point") << "12." << false << qint64(0);
    QTest::newRow("leading point") << ".50" << true << qint64(50);
    QTest::newRow("negative fraction") << "-0.50" << true << qint64(-50);
    QTest::newRow("grouped") << "1,234.56" << true << qint64(123456);
    QTest::newRow("a thousand") << "1,000" << true << qint64(100000);
    QTest::newRow("commas anywhere") << "1,2,3" << true << qint64(12300);
    QTest::newRow("two points") << "1.2.3" << false << qint64(0);
    QTest::newRow("trailing blank") << "12.34 " << false << qint64(0);
    QTest::newRow("leading blanks") << "  12" << true << qint64(1200);
    QTest::newRow("plus sign") << "+7.00" << true << qint64(700);
    QTest::newRow("two signs") << "--1" << false << qint64(0);
    QTest::newRow("blank after sign") << "- 1" << false << qint64(0);
    QTest::newRow("letters") << "abc" << false << qint64(0);
    QTest::newRow("letter in decimals") << "12.3x" << false << qint64(0);
    QTest::newRow("exponent") << "1e5" << false << qint64(0);
    QTest::newRow("non-ascii digit") << QString::fromUtf8("\u0663") << false << qint64(0);
    QTest::newRow("binary") << QString::fromLatin1("\x01\x7f\xff", 3) << false << qint64(0);
    QTest::newRow("nul inside") << QString::fromLatin1("12\0003", 4) << false << qint64(0);
    QTest::newRow("largest") << "92233720368547758.07" << true
                             << std::numeric_limits<qint64>::max();
    QTest::newRow("just too large") << "92233720368547758.08" << false << qint64(0);
    QTest::newRow("smallest") << "-92233720368547758.08" << true
                              << std::numeric_limits<qint64>::min();
    QTest::newRow("just too small") << "-92233720368547758.09" << false << qint64(0);
    QTest::newRow("forty digits") << QString(40, QLatin1Char('9')) << false << qint64(0);
    QTest::newRow("huge text") << QString(100000, QLatin1Char('1')) + ".00" << false << qint64(0);
  }
  void parseAmount() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(qint64, value);
    int64_t v = 4242;
    QCOMPARE(ParseAmount(text, v), ok);
    QCOMPARE(qint64(v), ok ? value : qint64(4242));  // untouched on failure
  }

  void parseAmountOrWarn() {
    ScriptedPrompter p;
    p.info("Invalid amount \"1.5\"");
    int64_t v = 7;
    QVERIFY(!ParseAmountOrWarn("1.5", v));
    QCOMPARE(qint64(v), qint64(7));
    QVERIFY(ParseAmountOrWarn("2.50", v));
    QCOMPARE(qint64(v), qint64(250));
    VERIFY_PROMPTS(p);
  }

  void parseIntegers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("intOk");  // ParseIntOrWarn / ParseIntOrZero on a non-empty text
    QTest::addColumn<int>("intValue");
    QTest::addColumn<bool>("smallOk");  // ParseSmallInt
    QTest::newRow("plain") << "42" << true << 42 << true;
    QTest::newRow("negative") << "-42" << true << -42 << true;
    QTest::newRow("leading blank") << " 5" << true << 5 << true;
    QTest::newRow("trailing blank") << "5 " << false << 0 << false;
    QTest::newRow("letters") << "abc" << false << 0 << false;
    QTest::newRow("decimal") << "1.5" << false << 0 << false;
    QTest::newRow("small max") << "32767" << true << 32767 << true;
    QTest::newRow("above small") << "32768" << true << 32768 << false;
    QTest::newRow("small min") << "-32768" << true << -32768 << true;
    QTest::newRow("int max") << "2147483647" << true << 2147483647 << false;
    QTest::newRow("above int") << "2147483648" << false << 0 << false;
    QTest::newRow("int min") << "-2147483648" << true << int(-2147483648LL) << false;
    QTest::newRow("forty digits") << QString(40, QLatin1Char('7')) << false << 0 << false;
    QTest::newRow("sign only") << "-" << false << 0 << false;
  }
  void parseIntegers() {
    QFETCH(QString, text);
    QFETCH(bool, intOk);
    QFETCH(int, intValue);
    QFETCH(bool, smallOk);

    ScriptedPrompter p;
    if (!intOk) p.info("Invalid integer \"" + text + "\"");
    int n = -99;
    QCOMPARE(ParseIntOrWarn(text, n), intOk);
    QCOMPARE(n, intOk ? intValue : -99);
    VERIFY_PROMPTS(p);

    int z = -99;
    QCOMPARE(ParseIntOrZero(text, z), intOk);
    QCOMPARE(z, intOk ? intValue : 0);

    int16_t s = -99;
    QCOMPARE(ParseSmallInt(text, s), smallOk);
    if (smallOk) QCOMPARE(int(s), intValue);
  }

  void emptyIntegerTexts() {
    ScriptedPrompter p;  // expects nothing: an empty text is not "invalid"
    int n = 5;
    QVERIFY(!ParseIntOrWarn(QString(), n));
    QCOMPARE(n, 5);
    QVERIFY(ParseIntOrZero(QString(), n));
    QCOMPARE(n, 0);
    int16_t s = 3;
    QVERIFY(!ParseSmallInt(QString(), s));
    VERIFY_PROMPTS(p);
  }

  void parseFloatOrZero_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");
    QTest::newRow("empty") << "" << true << 0.0;
    QTest::newRow("decimal") << "1.5" << true << 1.5;
    QTest::newRow("negative") << "-0.25" << true << -0.25;
    QTest::newRow("comma decimal") << "1,5" << false << 0.0;
    QTest::newRow("letters") << "abc" << false << 0.0;
    QTest::newRow("infinity") << "inf" << false << 0.0;
    QTest::newRow("overflow") << "1e999" << false << 0.0;
  }
  void parseFloatOrZero() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, value);
    double x = 99;
    QCOMPARE(ParseFloatOrZero(text, x), ok);
    QCOMPARE(x, value);  // 0 whenever the text was not a number
  }

  void padAndSign() {
    QCOMPARE(PadInt(5, 2), QString("05"));
    QCOMPARE(PadInt(123, 2), QString("123"));  // never cut
    QCOMPARE(PadInt(0, 0), QString("0"));
    QCOMPARE(PadInt(20240305, 8), QString("20240305"));
    SetPadChar(QLatin1Char(' '));
    QCOMPARE(PadInt(5, 3), QString("  5"));
    QCOMPARE(MinutesToHhmm(125), QString(" 2: 5"));  // the calendar's blank padding shows
    SetPadChar(QLatin1Char('0'));
    QCOMPARE(SignedIntText(0), QString("+0"));
    QCOMPARE(SignedIntText(12), QString("+12"));
    QCOMPARE(SignedIntText(-12), QString("-12"));
  }

  void formatNumber_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");
    QTest::newRow("grouped") << 1234567.891 << 2 << "1,234,567.89";
    QTest::newRow("zero") << 0.0 << 2 << "0.00";
    QTest::newRow("no decimals") << 999.0 << 0 << "999";
    QTest::newRow("half rounds away") << -1234.5 << 0 << "-1,235";
    QTest::newRow("carry into a new group") << 999.995 << 2 << "1,000.00";
    QTest::newRow("rate") << 1.23456789 << 6 << "1.234568";
    QTest::newRow("small") << 0.004 << 2 << "0.00";
    QTest::newRow("tiny negative shows no sign") << -0.004 << 2 << "0.00";
    QTest::newRow("small rounds up") << 0.005 << 2 << "0.01";
    // Only 15 significant digits are carried; further decimals are zeros.
    QTest::newRow("fifteen digits") << 1234567890.123456789 << 10 << "1,234,567,890.1234600000";
    QTest::newRow("millions") << 1e12 << 1 << "1,000,000,000,000.0";
    QTest::newRow("too many digits") << 1e20 << 2 << "1.00000000000000E+20";
  }
  void formatNumber() {
    QFETCH(double, x);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    QCOMPARE(FormatNumber(x, decimals), text);
  }

  void timeTexts() {
    QCOMPARE(MinutesToHhmm(125), QString("02:05"));
    QCOMPARE(MinutesToHhmm(0), QString("00:00"));
    QCOMPARE(MinutesToHhmm(6000), QString("100:00"));
    QCOMPARE(MinutesToHhmm(-1), QString("error"));
    QCOMPARE(TimeNumberToText(93005), QString("09:30:05"));
    QCOMPARE(TimeNumberToText(0), QString("00:00:00"));
    QCOMPARE(LogStampText(QDateTime(QDate(2024, 3, 5), QTime(9, 7, 3, 45))),
             QString("2024-03-05 09:07:03.045"));
  }

  void stampText_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "20240305090703";
    QTest::newRow("1") << 1 << "2024-03-05 09:07:03";
    QTest::newRow("2") << 2 << "2024-03-05 09:07 ";
    QTest::newRow("3") << 3 << "2024-03-05 (Tue) 09:07";
    QTest::newRow("4") << 4 << "2024-03-05 (Tuesday) 09:07";
    QTest::newRow("5") << 5 << "?";
    QTest::newRow("-1") << -1 << "?";
  }
  void stampText() {
    QFETCH(int, style);
    QFETCH(QString, text);
    const TStampRec s{{2024, 3, 5}, {9, 7, 3}};
    QCOMPARE(StampText(s, style), text);
  }
};

QTEST_GUILESS_MAIN(TstNumbers)
#include "tst_numbers.moc"
