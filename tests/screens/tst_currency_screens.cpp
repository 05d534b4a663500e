// The currencies list, the currency form, the rates list and the rate form
// driven offscreen against real books (base GBP): what reached CCY, RATE and
// the settings file, and what the prompter was told.
#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "ledger/currencies.h"
#include "screens/masterdata/currencies.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

void exec(const QString& sql, const QVariantList& binds = {}) {
  QVERIFY2(ExecSql(sql, binds), qPrintable(sql + " : " + LastDbError()));
}

// Runs start, which opens a modal window, and whileOpen once it is up.
void withModal(const std::function<void()>& start, const std::function<void(QWidget*)>& whileOpen) {
  bool ran = false;
  QTimer::singleShot(0, [&] {
    QWidget* w = QApplication::activeModalWidget();
    QVERIFY(w);
    ran = true;
    whileOpen(w);
  });
  start();
  QVERIFY(ran);
}

QStringList column(const QAbstractItemModel* m, int c) {
  QStringList out;
  for (int r = 0; r < m->rowCount(); ++r) out << m->index(r, c).data().toString();
  return out;
}

QString ccyRows() {
  QSqlQuery q = RunQuery("select id, name, base from ccy order by id");
  QStringList out;
  while (q.next())
    out << q.value(0).toString().trimmed() + "|" + q.value(1).toString() + "|" +
               q.value(2).toString();
  return out.join(" ");
}

int rateCount(const QString& code) { return CountRows("rate", "ccycode = ?", {code}); }

void selectCode(TFccies* w, const QString& code) { QVERIFY(w->selectCode(code)); }

}  // namespace

class TstCurrencyScreens : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    Session().workingCurrency = "GBP";
  }
  void cleanup() {
    for (QWidget* w : QList<QWidget*>{CurrenciesWindow(), RatesWindow()}) w->hide();
    books_.reset();
  }

  void firstCurrencyBecomesBase() {
    exec("delete from ccy");
    QVERIFY(CommitIfActive());
    ShowCurrencies();
    TFccies* w = CurrenciesWindow();
    QVERIFY(w->isVisible());
    QVERIFY(!w->isModal());
    QCOMPARE(w->model()->rowCount(), 0);
    for (const QString& typed : {QString("eur"), QString("usd")}) {
      withModal([w] { w->menuAction("New")->trigger(); },
                [&](QWidget* modal) {
                  TFccydets* f = CurrencyForm();
                  QCOMPARE(modal, f);
                  QCOMPARE(f->windowTitle(), QString("Currency details"));
                  QCOMPARE(f->note()->isVisibleTo(f), typed == "eur");
                  QCOMPARE(f->note()->text(), QString("This currency will be the Base Currency"));
                  QTest::keyClicks(f->codeBox(), typed);
                  QTest::mouseClick(f->okButton(), Qt::LeftButton);
                });
    }
    QCOMPARE(ccyRows(), QString("EUR||1 USD||0"));
    QCOMPARE(BooksIniValue(books_->iniPath(), "BaseCurrency"), QString("EUR"));
    QCOMPARE(Session().settings.baseCurrency, QString("EUR"));
    QCOMPARE(Session().workingCurrency, QString("USD"));
    QCOMPARE(CurrencyList(), QStringList({"EUR", "USD"}));
    QCOMPARE(column(w->model(), 2), QStringList({"**", ""}));
    QCOMPARE(w->currentCode(), QString("USD"));
  }

  void newCodes_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("rows");
    QTest::newRow("two letters") << "us"
                                 << ""
                                 << "GBP||1";
    QTest::newRow("four letters") << "usdx"
                                  << ""
                                  << "GBP||1";
    QTest::newRow("not a letter") << "u$d"
                                  << ""
                                  << "GBP||1";
    QTest::newRow("empty") << ""
                           << ""
                           << "GBP||1";
    QTest::newRow("blank before, lower case") << " usd"
                                              << ""
                                              << "GBP||1 USD|Name 'x'; --|0";
    QTest::newRow("exists") << "gbp"
                            << "Currency GBP already exists"
                            << "GBP||1";
  }
  void newCodes() {
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QString, rows);
    TFccydets* f = CurrencyForm();
    f->prepareNew(1);
    QVERIFY(!f->note()->isVisibleTo(f));
    f->codeBox()->setText(typed);
    f->nameBox()->setText("Name 'x'; --");
    QSignalSpy accepted(f, &QDialog::accepted);
    ScriptedPrompter p;
    if (!message.isEmpty()) p.info(message);
    QTest::mouseClick(f->okButton(), Qt::LeftButton);
    VERIFY_PROMPTS(p);
    QCOMPARE(accepted.size(), rows.contains("USD") ? 1 : 0);
    QCOMPARE(ccyRows(), rows);
  }

  void editName() {
    ShowCurrencies();
    TFccies* w = CurrenciesWindow();
    selectCode(w, "GBP");
    const QString name = "O'Brien'; drop table";
    withModal([w] { w->popupMenu()->actions().at(1)->trigger(); },
              [&](QWidget*) {
                TFccydets* f = CurrencyForm();
                QVERIFY(f->codeBox()->isReadOnly());
                QCOMPARE(f->codeBox()->text(), QString("GBP"));
                QVERIFY(f->note()->isVisibleTo(f));
                QCOMPARE(f->note()->text(), QString("This currency is the Base Currency"));
                f->nameBox()->clear();
                QTest::keyClicks(f->nameBox(), name + "xyz");  // 23 typed, 20 kept
                QTest::mouseClick(f->okButton(), Qt::LeftButton);
              });
    RollbackIfActive();
    QCOMPARE(ccyRows(), "GBP|" + name + "|1");
    QCOMPARE(column(w->model(), 1), QStringList({name}));
    // Accessible names are the visible labels.
    QCOMPARE(CurrencyForm()->codeBox()->accessibleName(), QString("Currency code"));
    QCOMPARE(CurrencyForm()->nameBox()->accessibleName(), QString("Name"));
  }

  void deleteCurrency_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<int>("ratesAfter");
    QTest::newRow("used by an account")
        << "USD"
        << "Cannot delete currency USD - account(s) exist for it" << 1;
    QTest::newRow("the base currency")
        << "EUR"
        << "Cannot delete currency EUR - it is the base currency" << 0;
    QTest::newRow("unused, with rates") << "CHF"
                                        << "" << 2;
  }
  void deleteCurrency() {
    QFETCH(QString, code);
    QFETCH(QString, refusal);
    QFETCH(int, ratesAfter);
    for (const QString& c : {QString("CHF"), QString("EUR"), QString("USD")})
      QVERIFY(InsertCurrency(TCcy{c, c, false}));
    AddTestAccount(1, "Dollars", "USD");
    exec("insert into rate (ccycode, rdate, rate) values ('USD', 20240101, 1.25)");
    exec("insert into rate (ccycode, rdate, rate) values ('CHF', 20240101, 1.1)");
    exec("insert into rate (ccycode, rdate, rate) values ('CHF', 20240102, 1.2)");
    if (code == "EUR") {  // a base currency that no account uses
      exec("update ccy set base = case when id = 'EUR' then 1 else 0 end");
      Session().settings.baseCurrency = "EUR";
    }
    QVERIFY(CommitIfActive());
    ShowCurrencies();
    TFccies* w = CurrenciesWindow();
    selectCode(w, code);
    ScriptedPrompter p;
    p.yes("OK to delete currency " + code + " ?");
    if (!refusal.isEmpty()) p.info(refusal);
    w->popupMenu()->actions().at(2)->trigger();
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(CountRows("ccy", "id = ?", {code}), refusal.isEmpty() ? 0 : 1);
    QCOMPARE(rateCount(code), ratesAfter);
    QCOMPARE(column(w->model(), 0).contains(code), !refusal.isEmpty());
  }

  void exchangeRatesOfBase() {
    ShowCurrencies();
    TFccies* w = CurrenciesWindow();
    selectCode(w, "GBP");
    ScriptedPrompter p;
    p.info("Rate for base currency is always 1.00000");
    QTest::keyClick(w->grid(), Qt::Key_Return);  // as a double click
    VERIFY_PROMPTS(p);
    QVERIFY(!RatesWindow()->isVisible());
    QCOMPARE(NewRate("GBP"), 0);
  }

  void rateFormRefusals_data() {
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty date mask") << "yyyy-mm-dd"
                                     << "1.5"
                                     << "Invalid date \"yyyy-mm-dd\"";
    QTest::newRow("no such day") << "2024-02-30"
                                 << "1.5"
                                 << "Invalid date \"2024-02-30\"";
    QTest::newRow("rate empty") << "2024-01-02"
                                << ""
                                << "Rate must be > 0";
    QTest::newRow("rate 0") << "2024-01-02"
                            << "0"
                            << "Rate must be > 0";
    QTest::newRow("rate negative") << "2024-01-02"
                                   << "-1"
                                   << "Rate must be > 0";
    QTest::newRow("letters") << "2024-01-02"
                             << "abc"
                             << "Invalid rate \"abc\"";
    QTest::newRow("decimal comma") << "2024-01-02"
                                   << "1,25"
                                   << "Invalid rate \"1,25\"";
    QTest::newRow("nan") << "2024-01-02"
                         << "nan"
                         << "Invalid rate \"nan\"";
    QTest::newRow("beyond double") << "2024-01-02"
                                   << "1e400"
                                   << "Invalid rate \"1e400\"";
    QTest::newRow("day stored already") << "2024-01-01"
                                        << "1.3"
                                        << "Rate for USD on 2024-01-01 already exists";
  }
  void rateFormRefusals() {
    QFETCH(QString, date);
    QFETCH(QString, rate);
    QFETCH(QString, message);
    QVERIFY(InsertCurrency(TCcy{"USD", "", false}));
    exec("insert into rate (ccycode, rdate, rate) values ('USD', 20240101, 1.25)");
    QVERIFY(CommitIfActive());
    TFratedets* f = RateForm();
    f->prepare("USD");
    f->rateBox()->setText(rate);
    f->dateBox()->setText(date);
    QSignalSpy accepted(f, &QDialog::accepted);
    ScriptedPrompter p;
    p.info(message);
    QTest::mouseClick(f->okButton(), Qt::LeftButton);
    VERIFY_PROMPTS(p);
    QCOMPARE(accepted.size(), 0);
    QCOMPARE(rateCount("USD"), 1);
    QCOMPARE(f->rateBox()->text(), rate);  // the form keeps what was typed
  }

  void rateFormRemembersDate() {
    QVERIFY(InsertCurrency(TCcy{"USD", "", false}));
    QVERIFY(CommitIfActive());
    withModal([] { QCOMPARE(NewRate("USD"), 20240105); },
              [](QWidget*) {
                TFratedets* f = RateForm();
                QCOMPARE(f->windowTitle(), QString("USD Exchange Rate details"));
                QCOMPARE(f->label()->text(), QString("USD per 1 GBP"));
                QCOMPARE(f->rateBox()->accessibleName(), QString("USD per 1 GBP"));
                QCOMPARE(f->dateBox()->accessibleName(), QString("Date"));
                QCOMPARE(f->calendarButton()->accessibleName(), QString("Calendar"));
                QVERIFY(f->rateBox()->text().isEmpty());
                QTest::keyClicks(f->rateBox(), "99.99999");
                f->dateBox()->setText("2024-01-05");
                QTest::mouseClick(f->okButton(), Qt::LeftButton);
              });
    QCOMPARE(Session().workingCurrency, QString("USD"));
    withModal([] { QCOMPARE(NewRate("USD"), 0); },
              [](QWidget*) {
                TFratedets* f = RateForm();
                QCOMPARE(f->dateBox()->text(), QString("2024-01-05"));
                QVERIFY(f->rateBox()->text().isEmpty());
                QTest::mouseClick(f->cancelButton(), Qt::LeftButton);
              });
    QCOMPARE(rateCount("USD"), 1);
  }

  void ratesWindow() {
    QVERIFY(InsertCurrency(TCcy{"USD", "", false}));
    QVERIFY(InsertCurrency(TCcy{"EUR", "", false}));
    QVERIFY(CommitIfActive());
    QVERIFY(AddRate("USD", 20240101, "1.25"));
    QVERIFY(AddRate("USD", 20240301, "187.12345"));
    ShowRates("USD");
    TFRates* w = RatesWindow();
    QVERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), QString("Exchange rates for currency USD"));
    QCOMPARE(w->heading()->text(), QString(" \"Rate\" is the amount of USD per 1 GBP"));
    QCOMPARE(column(w->model(), 0), QStringList({"2024-01-01", "2024-03-01"}));
    QCOMPARE(column(w->model(), 1), QStringList({"1.25000", "187.12345"}));
    QCOMPARE(w->currentDate(), 20240301);

    // Another window moves the working currency; the window keeps its own.
    Session().workingCurrency = "EUR";
    withModal([w] { w->menuAction("New")->trigger(); },
              [](QWidget*) {
                TFratedets* f = RateForm();
                QCOMPARE(f->windowTitle(), QString("USD Exchange Rate details"));
                f->rateBox()->setText("1.3");
                f->dateBox()->setText("2024-02-01");
                QTest::mouseClick(f->okButton(), Qt::LeftButton);
              });
    QCOMPARE(rateCount("USD"), 3);
    QCOMPARE(rateCount("EUR"), 0);
    QCOMPARE(w->currentDate(), 20240201);

    ScriptedPrompter p;
    p.no("Delete rate - OK?").yes("Delete rate - OK?");
    w->popupMenu()->actions().at(0)->trigger();
    QCOMPARE(rateCount("USD"), 3);
    w->popupMenu()->actions().at(0)->trigger();
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(CountRows("rate", "ccycode = 'USD' and rdate = 20240201"), 0);
    QCOMPARE(column(w->model(), 0), QStringList({"2024-01-01", "2024-03-01"}));

    p.info("Exported OK to " + books_->folder() + "rates00.csv");
    w->menuAction("to File ( &CSV )")->trigger();
    VERIFY_PROMPTS(p);
    QFile file(books_->folder() + "rates00.csv");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY(text.startsWith("VORBEK2 Exchange rates for currency USD\nExported at "));
    QVERIFY(text.contains("\"Date\",\"Rate\"\n\"2024-01-01\",\"1.25000\"\n"));
  }

  void pickCurrency_data() {
    QTest::addColumn<bool>("byEnter");
    QTest::newRow("click") << false;
    QTest::newRow("Enter") << true;
  }
  void pickCurrency() {
    QFETCH(bool, byEnter);
    QVERIFY(InsertCurrency(TCcy{"USD", "", false}));
    QVERIFY(CommitIfActive());
    TFccies* w = CurrenciesWindow();
    bool picked = false;
    withModal([&] { picked = PickCurrency(); },
              [&](QWidget* modal) {
                QCOMPARE(modal, w);
                QCOMPARE(w->currentCode(), QString("GBP"));  // the working currency's row
                QTableView* g = w->grid();
                const QRect usd = g->visualRect(w->model()->index(1, 0));
                if (byEnter) {
                  g->setCurrentIndex(w->model()->index(1, 0));
                  QTest::keyClick(g, Qt::Key_Return);
                } else {
                  QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, usd.center());
                }
              });
    QVERIFY(picked);
    QVERIFY(!w->isVisible());
    QCOMPARE(Session().workingCurrency, QString("USD"));
    QCOMPARE(Session().externalWorkingCurrency, QString("USD"));
    QVERIFY(!w->pickMode());
  }
};

QTEST_MAIN(TstCurrencyScreens)
#include "tst_currency_screens.moc"
