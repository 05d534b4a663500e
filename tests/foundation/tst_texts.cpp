// The shared text utilities.
#include <QtTest>

#include "foundation/texts.h"

class TstTexts : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void join_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("joined");
    QTest::newRow("both") << "x"
                          << "y"
                          << "x, y";
    QTest::newRow("first empty") << ""
                                 << "y"
                                 << "y";
    QTest::newRow("second empty") << "x"
                                  << ""
                                  << "x";
    QTest::newRow("both empty") << ""
                                << ""
                                << "";
  }
  void join() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QString, joined);
    QCOMPARE(JoinNonEmpty(a, ", ", b), joined);
    AppendJoin(a, ", ", b);
    QCOMPARE(a, joined);
  }

  void quoting() {
    QCOMPARE(InQuotes("a b"), QString("\"a b\""));
    QCOMPARE(InQuotes(""), QString("\"\""));
    QCOMPARE(InApostrophes("O'Neil"), QString("'O'Neil'"));
  }

  void escapes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("hadApostrophe");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("hadAmpersand");
    QTest::newRow("none") << "plain"
                          << "plain" << false << "plain" << false;
    QTest::newRow("apostrophes") << "O'Neil's"
                                 << "O''Neil''s" << true << "O'Neil's" << false;
    QTest::newRow("ampersands") << "A&B && C"
                                << "A&B && C" << false << "A&&B &&&& C" << true;
    QTest::newRow("both") << "'&'"
                          << "''&''" << true << "'&&'" << true;
    QTest::newRow("empty") << ""
                           << "" << false << "" << false;
  }
  void escapes() {
    QFETCH(QString, text);
    QFETCH(QString, sql);
    QFETCH(bool, hadApostrophe);
    QFETCH(QString, caption);
    QFETCH(bool, hadAmpersand);
    QString s = text;
    QCOMPARE(EscapeSqlQuotes(s), hadApostrophe);
    QCOMPARE(s, sql);
    s = text;
    QCOMPARE(EscapeAmpersands(s), hadAmpersand);
    QCOMPARE(s, caption);
  }

  void folded_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("contains");   // ContainsFolded(lower(b), a)
    QTest::addColumn<int>("startsWith");  // StartsWithFolded(a, b)
    QTest::addColumn<int>("compare");     // CompareFolded(a, b)
    QTest::newRow("prefix in other case") << "Barclays Bank"
                                          << "BARC" << true << 0 << 1;
    QTest::newRow("inside") << "Barclays Bank"
                            << "bank" << true << 1 << 1;
    QTest::newRow("sorts after") << "Zebra"
                                 << "apple" << false << 1 << 1;
    QTest::newRow("equal ignoring case") << "Cash"
                                         << "CASH" << true << 0 << 0;
    QTest::newRow("shorter than prefix") << "ab"
                                         << "abc" << false << -1 << -1;
    QTest::newRow("shorter and after") << "b"
                                       << "abc" << false << 1 << 1;
    QTest::newRow("empty needle") << "Cash"
                                  << "" << false << 0 << 1;
    QTest::newRow("empty haystack") << ""
                                    << "c" << false << -1 << -1;
    QTest::newRow("non-ascii") << QString::fromUtf8("Ärzte") << QString::fromUtf8("äRZ") << true
                               << 0 << 1;
  }
  void folded() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, contains);
    QFETCH(int, startsWith);
    QFETCH(int, compare);
    QCOMPARE(ContainsFolded(b.toLower(), a), contains);
    QCOMPARE(StartsWithFolded(a, b), startsWith);
    QCOMPARE(CompareFolded(a, b), compare);
    QCOMPARE(CompareFolded(b, a), -compare);
  }

  void cutting_data() {
    QTest::addColumn<QString>("s");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("dropFirst");
    QTest::addColumn<QString>("dropLast");
    QTest::addColumn<QString>("truncated");
    QTest::addColumn<QString>("kept");
    QTest::newRow("within") << "abcdef" << 2 << "cdef"
                            << "abcd"
                            << "ab"
                            << "ef";
    QTest::newRow("exact length") << "abc" << 3 << ""
                                  << ""
                                  << "abc"
                                  << "abc";
    QTest::newRow("longer than text") << "abc" << 5 << "abc"
                                      << ""
                                      << "abc"
                                      << "abc";
    QTest::newRow("zero") << "abc" << 0 << "abc"
                          << "abc"
                          << ""
                          << "";
    QTest::newRow("negative") << "abc" << -1 << "abc"
                              << "abc"
                              << ""
                              << "";
    QTest::newRow("empty") << "" << 1 << ""
                           << ""
                           << ""
                           << "";
  }
  void cutting() {
    QFETCH(QString, s);
    QFETCH(int, n);
    QFETCH(QString, dropFirst);
    QFETCH(QString, dropLast);
    QFETCH(QString, truncated);
    QFETCH(QString, kept);
    QCOMPARE(DropFirst(s, n), dropFirst);
    QCOMPARE(DropLast(s, n), dropLast);
    QCOMPARE(TruncateTo(s, n), truncated);
    QCOMPARE(KeepLast(s, n), kept);
  }

  // A column's width counts characters: an emoji is one and is never split.
  void cutToWidth_data() {
    QTest::addColumn<QString>("s");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("expected");
    const QString e = QString::fromUtf8("😀");
    QTest::newRow("plain") << "abcdef" << 4 << "abcd";
    QTest::newRow("fits") << "abc" << 3 << "abc";
    QTest::newRow("emoji last in the width") << "abc" + e + "d" << 4 << "abc" + e;
    QTest::newRow("emoji just past the width") << "abcd" + e << 4 << "abcd";
    QTest::newRow("emoji only") << e.repeated(41) << 40 << e.repeated(40);
    QTest::newRow("a lone high surrogate counts as one")
        << QString(QChar(0xD83D)) + "xy" << 2 << QString(QChar(0xD83D)) + "x";
    QTest::newRow("zero width") << "abc" << 0 << "";
  }
  void cutToWidth() {
    QFETCH(QString, s);
    QFETCH(int, width);
    QFETCH(QString, expected);
    QCOMPARE(CutToWidth(s, width), expected);
  }

  void smallOnes() {
    QCOMPARE(CapitalizeFirst("cash"), QString("Cash"));
    QCOMPARE(CapitalizeFirst("1st"), QString("1st"));
    QCOMPARE(CapitalizeFirst(""), QString());
    QCOMPARE(RemoveChar("1,234,567", QLatin1Char(',')), QString("1234567"));
    QString s = " \t \tx y ";
    QCOMPARE(TrimLeadingBlanks(s), 4);
    QCOMPARE(s, QString("x y "));
    QCOMPARE(TrimLeadingBlanks(s), 0);
    QCOMPARE(LastChar("abc"), QChar('c'));
    QCOMPARE(LastChar(""), QChar(0));
  }

  void folders() {
    QCOMPARE(WithTrailingSeparator("/data"), QString("/data/"));
    QCOMPARE(WithTrailingSeparator("/data/"), QString("/data/"));
    QCOMPARE(WithTrailingSeparator(""), QString());
    // Before start-up sets it, the program folder is the executable's folder.
    QCOMPARE(ProgramFolder(), QCoreApplication::applicationDirPath() + "/");
    SetProgramFolder("/opt/vorbek");
    QCOMPARE(ProgramFolder(), QString("/opt/vorbek/"));
  }
};

QTEST_GUILESS_MAIN(TstTexts)
#include "tst_texts.moc"
