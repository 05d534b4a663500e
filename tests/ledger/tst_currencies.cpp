// Currencies and rates against real books (base GBP): the rate on a date with
// its questions, storing rates, the exact half-to-even value of a
// transaction, the base-currency check and deleting a currency.
#include <QtTest>
#include <limits>
#include <memory>

#include "foundation/numbers.h"
#include "ledger/currencies.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

void exec(const QString& sql, const QVariantList& binds = {}) {
  QVERIFY2(ExecSql(sql, binds), qPrintable(sql + " : " + LastDbError()));
}

void addRate(const QString& code, int32_t ymd, double rate) {
  exec("insert into rate (ccycode, rdate, rate) values (?, ?, ?)", {code, ymd, rate});
}

int rateRows(const QString& code, int32_t ymd) {
  return CountRows("rate", "ccycode = ? and rdate = ?", {code, ymd});
}

QStringList sorted(QStringList l) {
  l.sort();
  return l;
}

}  // namespace

class TstCurrencies : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    TCcy usd{"USD", "US dollar", false};
    QVERIFY(InsertCurrency(usd));
    addRate("USD", 20240101, 1.25);
    addRate("USD", 20240201, 1.5);
    addRate("USD", 20240301, 2.0);  // after every date asked below except its own
    QVERIFY(CommitIfActive());
  }
  void cleanup() { books_.reset(); }

  // choice: the answer to the closest-rate question (-1: not asked); typed: the
  // rate typed into the input box (empty: no box; "-": box cancelled).
  void rateOnDate_data() {
    QTest::addColumn<int>("ymd");
    QTest::addColumn<int>("choice");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("info");
    QTest::addColumn<double>("rate");
    QTest::addColumn<int>("stored");  // rows for (USD, ymd) afterwards
    QTest::newRow("exact day") << 20240201 << -1 << ""
                               << "" << 1.5 << 1;
    QTest::newRow("use closest") << 20240115 << 2 << ""
                                 << "" << 1.25 << 0;
    QTest::newRow("enter new") << 20240115 << 1 << "1.3"
                               << "" << 1.3 << 1;
    QTest::newRow("question cancelled") << 20240115 << 0 << ""
                                        << "" << 0.0 << 0;
    QTest::newRow("enter new, cancelled") << 20240115 << 1 << "-"
                                          << "" << 0.0 << 0;
    QTest::newRow("none before, asked at once") << 20231231 << -1 << "1.2"
                                                << "" << 1.2 << 1;
    QTest::newRow("rate 0 refused") << 20231231 << -1 << "0"
                                    << "Rate must be > 0" << 0.0 << 0;
    QTest::newRow("negative rate refused") << 20231231 << -1 << "-1.5"
                                           << "Rate must be > 0" << 0.0 << 0;
    QTest::newRow("not a number, no message") << 20231231 << -1 << "abc"
                                              << "" << 0.0 << 0;
    // A rate keeps every digit typed; one too small to keep its precision is refused.
    QTest::newRow("eight digits kept") << 20231231 << -1 << "187.12345"
                                       << "" << 187.12345 << 1;
    QTest::newRow("large rate") << 20231231 << -1 << "1e39"
                                << "" << 1e39 << 1;
    QTest::newRow("below normal precision") << 20231231 << -1 << "1e-310"
                                            << "Rate 1e-310 is out of range" << 0.0 << 0;
  }
  void rateOnDate() {
    QFETCH(int, ymd);
    QFETCH(int, choice);
    QFETCH(QString, typed);
    QFETCH(QString, info);
    QFETCH(double, rate);
    QFETCH(int, stored);
    const QString day = QString::number(ymd);
    const QString dayText = day.left(4) + "-" + day.mid(4, 2) + "-" + day.right(2);
    ScriptedPrompter p;
    if (choice >= 0)
      p.choice("No USD rate found for " + dayText + ", closest is 2024-01-01", choice);
    const QString prompt = "&Enter mid-market exchange rate (per 1 GBP)\rfor USD on " + dayText;
    if (typed == "-")
      p.text(prompt, "", false);
    else if (!typed.isEmpty())
      p.text(prompt, typed);
    if (!info.isEmpty()) p.info(info);
    QCOMPARE(RateOnDate("USD", ymd), rate);
    VERIFY_PROMPTS(p);
    QCOMPARE(rateRows("USD", ymd), stored);
  }

  void requireRateSaysWhy() {
    ScriptedPrompter p;
    p.choice("No USD rate found for 2024-01-15, closest is 2024-01-01", 0)
        .info("Use main menu option \"Currencies\" to specify a rate for USD on 2024-01-15");
    double rate = -1;
    QVERIFY(!RequireRate("USD", 20240115, rate));
    QCOMPARE(rate, 0.0);
    VERIFY_PROMPTS(p);
  }

  void addRateStoresParsedValue() {
    ScriptedPrompter p;
    QVERIFY(AddRate("USD", 20240110, "187.12345"));
    const double stored =
        QueryValue("select rate from rate where ccycode = 'USD' and rdate = 20240110").toDouble();
    QCOMPARE(stored, 187.12345);
    QCOMPARE(FormatRate(stored), QString("187.12345"));
    // A text that is SQL is not a number: refused without a message, nothing stored.
    QVERIFY(!AddRate("USD", 20240111, "1); delete from rate; --"));
    QCOMPARE(CountAll("rate"), 4);
    VERIFY_PROMPTS(p);
    QCOMPARE(FormatRate(1234.5), QString("1,234.50000"));
  }

  void setTxnValue_data() {
    QTest::addColumn<QString>("ccy");
    QTest::addColumn<QChar>("type");
    QTest::addColumn<qint64>("amount");
    QTest::addColumn<double>("rate");  // stored for 2024-06-01; 0 = none stored
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<double>("txnRate");
    const qint64 max = std::numeric_limits<qint64>::max();
    const qint64 min = std::numeric_limits<qint64>::min();
    QTest::newRow("base currency")
        << "GBP" << QChar('P') << qint64(12345) << 0.0 << true << qint64(12345) << 1.0;
    QTest::newRow("base-currency transfer")
        << "GBP" << QChar('C') << qint64(-7) << 0.0 << true << qint64(-7) << 1.0;
    QTest::newRow("125.00 USD at 1.25")
        << "USD" << QChar('P') << qint64(12500) << 1.25 << true << qint64(10000) << 1.25;
    QTest::newRow("1 at 2.0 -> 0")
        << "USD" << QChar('P') << qint64(1) << 2.0 << true << qint64(0) << 2.0;
    QTest::newRow("3 at 2.0 -> 2")
        << "USD" << QChar('R') << qint64(3) << 2.0 << true << qint64(2) << 2.0;
    QTest::newRow("5 at 2.0 -> 2")
        << "USD" << QChar('P') << qint64(5) << 2.0 << true << qint64(2) << 2.0;
    QTest::newRow("7 at 2.0 -> 4")
        << "USD" << QChar('P') << qint64(7) << 2.0 << true << qint64(4) << 2.0;
    QTest::newRow("-3 at 2.0 -> -2")
        << "USD" << QChar('F') << qint64(-3) << 2.0 << true << qint64(-2) << 2.0;
    QTest::newRow("-5 at 2.0 -> -2")
        << "USD" << QChar('F') << qint64(-5) << 2.0 << true << qint64(-2) << 2.0;
    QTest::newRow("-7 at 2.0 -> -4")
        << "USD" << QChar('F') << qint64(-7) << 2.0 << true << qint64(-4) << 2.0;
    QTest::newRow("1 at 0.3 -> 3")
        << "USD" << QChar('P') << qint64(1) << 0.3 << true << qint64(3) << 0.3;
    // Exact on 64 bits: a double would lose the last units of these.
    QTest::newRow("max-1 at 2.0") << "USD" << QChar('P') << (max - 1) << 2.0 << true
                                  << qint64(4611686018427387903LL) << 2.0;
    QTest::newRow("max at 2.0, half to even")
        << "USD" << QChar('P') << max << 2.0 << true << qint64(4611686018427387904LL) << 2.0;
    QTest::newRow("min at 2.0") << "USD" << QChar('P') << min << 2.0 << true
                                << qint64(-4611686018427387904LL) << 2.0;
    QTest::newRow("max-2 at 1.0") << "USD" << QChar('P') << (max - 2) << 1.0 << true << (max - 2)
                                  << 1.0;
    QTest::newRow("max-1 at 1024.0") << "USD" << QChar('P') << (max - 1) << 1024.0 << true
                                     << qint64(9007199254740992LL) << 1024.0;
    QTest::newRow("foreign transfer refused silently")
        << "USD" << QChar('C') << qint64(100) << 2.0 << false << qint64(-99) << 9.0;
  }
  void setTxnValue() {
    QFETCH(QString, ccy);
    QFETCH(QChar, type);
    QFETCH(qint64, amount);
    QFETCH(double, rate);
    QFETCH(bool, ok);
    QFETCH(qint64, value);
    QFETCH(double, txnRate);
    if (rate > 0) addRate("USD", 20240601, rate);
    ScriptedPrompter p;  // no question: the rate is stored for the day
    TTxn t = NewTxn();
    t.ccy = ccy;
    t.type = type;
    t.txnDate = TDateRec{2024, 6, 1};
    t.amount = amount;
    t.value = -99;
    t.rate = 9.0;
    QCOMPARE(SetTxnValue(t), ok);
    QCOMPARE(qint64(t.value), value);
    QCOMPARE(t.rate, txnRate);
    VERIFY_PROMPTS(p);
  }

  void valueOutOfRangeRefused() {
    addRate("USD", 20240601, 0.5);
    TTxn t = NewTxn();
    t.ccy = "USD";
    t.txnDate = TDateRec{2024, 6, 1};
    t.amount = std::numeric_limits<qint64>::max();
    ScriptedPrompter p;
    p.info("Value of " + FormatAmount(t.amount) + " USD at rate 0.50000 is out of range");
    QVERIFY(!SetTxnValue(t));
    VERIFY_PROMPTS(p);
  }

  void baseCurrencyCheck() {
    ScriptedPrompter p;
    QVERIFY(CheckBaseCurrency());
    QCOMPARE(sorted(CurrencyList()), (QStringList{"GBP", "USD"}));
    Session().settings.baseCurrency = "EUR";
    p.no("Error : Base Currency mismatch GBP EUR - OK to reset?")
        .yes("Error : Base Currency mismatch GBP EUR - OK to reset?");
    QVERIFY(CheckBaseCurrency());
    QCOMPARE(Session().settings.baseCurrency, QString("EUR"));
    QVERIFY(CheckBaseCurrency());
    QCOMPARE(Session().settings.baseCurrency, QString("GBP"));

    exec("update ccy set base = 0");
    p.info("Program error : Currency list does not include a Base Currency");
    QVERIFY(!CheckBaseCurrency());
    exec("delete from ccy");
    p.info("Use main menu \"Currencies\" to enter a Base Currency");
    QVERIFY(!CheckBaseCurrency());
    VERIFY_PROMPTS(p);

    Session().settings.baseCurrency = "";
    p.info("Use main menu option \"Currencies\" to enter base-currency (with rate = 1.0000)");
    QVERIFY(!BaseCurrencyPresent());
    VERIFY_PROMPTS(p);
  }

  void currencyRows() {
    // Names are stored as typed, whatever they contain.
    TCcy c{"chf", "Fr'anc\"; drop--", false};
    c.code = "CHF";
    QVERIFY(InsertCurrency(c));
    TCcy back;
    QVERIFY(ReadCurrency("chf", back));
    QCOMPARE(back.name, c.name);
    QCOMPARE(back.base, false);
    c.name = "Swiss franc";
    QVERIFY(UpdateCurrency(c));
    QVERIFY(ReadCurrency("CHF", back));
    QCOMPARE(back.name, QString("Swiss franc"));
    TCcy gbp;
    QVERIFY(ReadCurrency("GBP", gbp));
    QVERIFY(gbp.base);
    QVERIFY(UpdateCurrency(TCcy{"XYZ", "nowhere", false}));  // no row: nothing
    QVERIFY(!ReadCurrency("XYZ", back));

    TObj a = NewObj();
    a.kind = 1;
    a.name = "Zurich";
    a.ccy = "CHF";
    QVERIFY(WriteAccount(a));
    QVERIFY(CommitIfActive());
    ScriptedPrompter p;
    p.no("OK to delete currency CHF ?")
        .yes("OK to delete currency CHF ?")
        .info("Cannot delete currency CHF - account(s) exist for it")
        .yes("OK to delete currency USD ?");
    QVERIFY(!DeleteCurrency("CHF"));
    QVERIFY(!DeleteCurrency("CHF"));
    QVERIFY(DeleteCurrency("USD"));
    VERIFY_PROMPTS(p);
    QVERIFY(!LocateCurrency("USD"));
    QCOMPARE(CountRows("rate", "ccycode = 'USD'"), 3);  // rates stay
    QCOMPARE(sorted(CurrencyList()), (QStringList{"CHF", "GBP"}));
  }
};

QTEST_GUILESS_MAIN(TstCurrencies)
#include "tst_currencies.moc"
