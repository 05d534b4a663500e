// Saving the entry form's contents against real books (base GBP, USD at 1.25):
// the validation order and its messages, the companions of one batch, repeater
// masters, edits, the all-or-nothing rule, reconciled balances and sweeps.
#include <QSqlQuery>
#include <QtTest>
#include <memory>

#include "foundation/dates.h"
#include "ledger/currencies.h"
#include "ledger/entry.h"
#include "ledger/posting.h"
#include "ledger/repeaters.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

// One transaction row as "type amt ccy val acc1/acc2/acc4 txndate/date2/actual ref batch".
QString row(int32_t id) {
  TTxn t;
  if (!ReadTxn(id, t)) return QStringLiteral("missing");
  return QStringLiteral("%1 %2 %3 %4 %5/%6/%7 %8/%9/%10 %11 b%12")
      .arg(t.type)
      .arg(t.amount)
      .arg(t.ccy.trimmed())
      .arg(t.value)
      .arg(t.accId1)
      .arg(t.accId2)
      .arg(t.accId4)
      .arg(StoredDate(t.txnDate))
      .arg(StoredDate(t.postingDate))
      .arg(StoredDate(t.actualDate))
      .arg(t.reference)
      .arg(t.batch);
}

// What the books hold, for "nothing changed" checks.
QString booksState() {
  QStringList parts;
  for (const char* sql :
       {"select count(*) from txn", "select count(*) from pstg", "select count(*) from account",
        "select count(*) from rptr", "select count(*) from cptyctgy",
        "select coalesce(sum(opendate), 0) from account", "select count(*) from rate"})
    parts << QueryValue(QString::fromLatin1(sql)).toString();
  return parts.join(' ');
}

const QString kSure = QStringLiteral("\rAre you sure you want to add/amend/delete transaction?");

}  // namespace

class TstEntry : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  int32_t cur_ = 0, cash_ = 0, usd_ = 0, usd2_ = 0, shop_ = 0, bank_ = 0, food_ = 0, fuel_ = 0,
          pot_ = 0;

  // A cash payment of 10.00 on 2024-05-10 from Current to Shop for Food.
  TEntry payment(const QString& amount = QStringLiteral("10.00")) {
    TEntry e;
    e.actualTicked = true;
    e.actualText = QStringLiteral("2024-05-10");
    e.amountText = amount;
    e.ccy = QStringLiteral("GBP");
    e.externalAccount = cur_;
    e.counterparty = shop_;
    e.internalAccount = food_;
    return e;
  }

  TEntry master(QChar freq, const QString& reminder = QString()) {
    TEntry e = payment();
    e.repeat.ticked = true;
    e.repeat.freq = freq;
    e.repeat.reminderDaysText = reminder;
    return e;
  }

  // Saves and commits the state the test starts from.
  TEntrySaved saved(const TEntry& e) {
    TEntrySaved s;
    if (!SaveEntry(e, s)) qWarning("the save was refused");
    return s;
  }

  void writeReconciled(int32_t account, int32_t ymd) {
    QVERIFY(WriteReconciledBalance(account, YmdToDateRec(ymd), 0) > 0);
  }

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    SetPeriodDates(20240101, 20241231);
    QVERIFY(InsertCurrency(TCcy{"USD", "Dollar", false}));
    cur_ = AddTestAccount(1, "Current");
    cash_ = AddTestAccount(1, "Cash");
    usd_ = AddTestAccount(1, "Dollars", "USD");
    shop_ = AddTestAccount(4, "Shop");
    bank_ = AddTestAccount(4, "Bank");
    usd2_ = AddTestAccount(1, "Dollars 2", "USD");
    food_ = AddTestAccount(3, "Food");
    fuel_ = AddTestAccount(3, "Fuel");
    pot_ = AddTestAccount(6, "Savings pot");
    QVERIFY(cur_ && cash_ && usd_ && usd2_ && shop_ && bank_ && food_ && fuel_ && pot_);
    QVERIFY(CommitIfActive());
    QVERIFY(AddRate("USD", 20240510, "1.25"));
  }
  void cleanup() { books_.reset(); }

  // ---------------------------------------------------------------- dates and amounts

  void firstTransaction_data() {
    QTest::addColumn<QString>("actual");   // empty = unticked
    QTest::addColumn<QString>("posting");  // empty = unticked
    QTest::addColumn<QString>("amount");
    QTest::addColumn<bool>("internalTransfer");
    QTest::addColumn<QString>("message");   // the one refusal; empty = saved
    QTest::addColumn<QString>("expected");  // row() of the saved transaction
    const QString same = "\"Actual txn date\" and \"posting date\" must not be the same";
    QTest::newRow("both dates the same day") << "2024-05-10"
                                             << "2024-05-10"
                                             << "10.00" << false << same << "";
    QTest::newRow("neither date")
        << ""
        << ""
        << "10.00" << false << "One or both of Actual Transaction/Posting Dates must be completed"
        << "";
    QTest::newRow("only posting") << ""
                                  << "2024-05-12"
                                  << "10.00" << false << ""
                                  << "P 1000 GBP 1000 2/5/8 20240512/20240512/0  b0";
    QTest::newRow("only actual") << "2024-05-10"
                                 << ""
                                 << "10.00" << false << ""
                                 << "P 1000 GBP 1000 2/5/8 20240510/0/20240510  b0";
    QTest::newRow("both dates") << "2024-05-10"
                                << "2024-05-13"
                                << "10.00" << false << ""
                                << "P 1000 GBP 1000 2/5/8 20240510/20240513/20240510  b0";
    QTest::newRow("internal transfer: actual forced, posting ignored")
        << "2024-05-10"
        << "2024-05-13"
        << "10.00" << true << ""
        << "C 1000 GBP 1000 8/10/0 20240510/0/20240510  b0";
    QTest::newRow("impossible day") << "2024-02-30"
                                    << ""
                                    << "10.00" << false << "Invalid date \"2024-02-30\""
                                    << "";
    QTest::newRow("day first") << "31/12/2024"
                               << ""
                               << "10.00" << false << "Invalid date \"31/12/2024\""
                               << "";
    QTest::newRow("the edit mask") << ""
                                   << "yyyy-mm-dd"
                                   << "10.00" << false << "Invalid date \"yyyy-mm-dd\""
                                   << "";
    QTest::newRow("zero amount") << "2024-05-10"
                                 << ""
                                 << "0.00" << false << ""
                                 << "P 0 GBP 0 2/5/8 20240510/0/20240510  b0";
    QTest::newRow("no amount") << "2024-05-10"
                               << ""
                               << "" << false << "Amount not specified"
                               << "";
    QTest::newRow("negative amount") << "2024-05-10"
                                     << ""
                                     << "-5" << false << "Amount must be >= 0"
                                     << "";
    QTest::newRow("one decimal") << "2024-05-10"
                                 << ""
                                 << "12.3" << false << "Invalid amount \"12.3\""
                                 << "";
    QTest::newRow("exponent") << "2024-05-10"
                              << ""
                              << "1e5" << false << "Invalid amount \"1e5\""
                              << "";
    QTest::newRow("beyond 64 bits")
        << "2024-05-10"
        << ""
        << "92233720368547758.08" << false << "Invalid amount \"92233720368547758.08\""
        << "";
  }
  void firstTransaction() {
    QFETCH(QString, actual);
    QFETCH(QString, posting);
    QFETCH(QString, amount);
    QFETCH(bool, internalTransfer);
    QFETCH(QString, message);
    QFETCH(QString, expected);
    TEntry e = payment(amount);
    e.actualTicked = !actual.isEmpty();
    e.actualText = actual;
    e.postingTicked = !posting.isEmpty();
    e.postingText = posting;
    if (internalTransfer) {
      e.type = EntryType::Transfer;
      e.transfer = EntryTransfer::Internal;
      e.internalAccount = food_;
      e.secondInternal = pot_;
    }
    const QString before = booksState();
    ScriptedPrompter p;
    if (!message.isEmpty()) p.info(message);
    if (internalTransfer)
      p.yes(
          "Internal Transfers are usually only needed between Pots, not Categories - continue "
          "anyway? ?");
    TEntrySaved s;
    QCOMPARE(SaveEntry(e, s), message.isEmpty());
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    if (!message.isEmpty()) {
      QCOMPARE(booksState(), before);
      return;
    }
    QCOMPARE(s.ids, QList<int32_t>{s.lastInputId});
    QCOMPARE(row(s.lastInputId), expected);
  }

  void outsidePeriodAsks() {
    TEntry e = payment();
    e.actualText = "2025-03-01";
    const QString before = booksState();
    {
      ScriptedPrompter p;
      p.no("Txn date 2025-03-01 is outside period - OK ?");
      TEntrySaved s;
      QVERIFY(!SaveEntry(e, s));
      VERIFY_PROMPTS(p);
    }
    QCOMPARE(booksState(), before);
    ScriptedPrompter p;
    p.yes("Txn date 2025-03-01 is outside period - OK ?");
    TEntrySaved s;
    QVERIFY(SaveEntry(e, s));
    VERIFY_PROMPTS(p);
  }

  void slotRefusals_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("message");
    QTest::newRow("no external") << "ext=0"
                                 << "External account not specified";
    QTest::newRow("no counterparty") << "cpty=0"
                                     << "Counterparty not specified";
    QTest::newRow("no category") << "int=0"
                                 << "Category not specified";
    QTest::newRow("external in dollars") << "ext=usd"
                                         << "Account/currency mismatch";
    QTest::newRow("a counterparty as category") << "int=bank"
                                                << "Category \"Bank\" is the wrong kind of account";
    QTest::newRow("transfer to itself") << "transfer to=cur"
                                        << "From & To accounts must be different";
    QTest::newRow("transfer into dollars") << "transfer to=usd"
                                           << "Account/currency mismatch";
    QTest::newRow("transfer with no to") << "transfer to=0"
                                         << "External account not specified";
    QTest::newRow("unknown currency") << "ccy=XYZ"
                                      << "Currency \"XYZ\" not found";
  }
  void slotRefusals() {
    QFETCH(QString, change);
    QFETCH(QString, message);
    TEntry e = payment();
    const QMap<QString, int32_t> ids{{"0", 0}, {"usd", usd_}, {"bank", bank_}, {"cur", cur_}};
    const QString value = change.section('=', 1);
    if (change == "ext=0" || change == "ext=usd") e.externalAccount = ids[value];
    if (change == "cpty=0") e.counterparty = 0;
    if (change.startsWith("int=")) e.internalAccount = ids[value];
    if (change.startsWith("ccy=")) e.ccy = value;
    if (change.startsWith("transfer")) {
      e.type = EntryType::Transfer;
      e.secondExternal = ids[value];
    }
    const QString before = booksState();
    ScriptedPrompter p;
    p.info(message);
    TEntrySaved s;
    QVERIFY(!SaveEntry(e, s));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(booksState(), before);
  }

  void textsStoredOnOneLineInWholeCharacters() {
    TEntry e = payment();
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    e.description = "O'Brien \"Q\"; delete from txn; --\r\nnext";
    e.reference = QString(19, 'r') + emoji + "tail";
    TEntrySaved s;
    {
      ScriptedPrompter p;
      QVERIFY(SaveEntry(e, s));
      VERIFY_PROMPTS(p);
    }
    TTxn t;
    QVERIFY(ReadTxn(s.lastInputId, t));
    QCOMPARE(t.narrative, QString("O'Brien \"Q\"; delete from txn; -- next"));
    // Cut at the emoji, never through it: the column keeps it whole or not at all.
    QVERIFY2(t.reference == QString(19, 'r') || t.reference == QString(19, 'r') + emoji,
             qPrintable(t.reference));
    QCOMPARE(CountAll("txn"), 1);
  }

  // ---------------------------------------------------------------- companions

  void cashback_data() {
    QTest::addColumn<QString>("amount");
    QTest::addColumn<bool>("dollarCash");
    QTest::addColumn<QString>("expected");  // row() of the cash-back transaction; %1 = batch
    QTest::newRow("cash received")
        << "10.00" << false << "R 1000 GBP 1000 3/5/8 20240510/20240510/0 Cashback b%1";
    QTest::newRow("cash paid") << "-10.00" << false
                               << "P 1000 GBP 1000 3/5/8 20240510/20240510/0 Cashback b%1";
    QTest::newRow("in the cash account's currency")
        << "10.00" << true << "R 1000 USD 800 4/5/8 20240510/20240510/0 Cashback b%1";
  }
  void cashback() {
    QFETCH(QString, amount);
    QFETCH(bool, dollarCash);
    QFETCH(QString, expected);
    TEntry e = payment();
    e.cashback.ticked = true;
    e.cashback.cashAccount = dollarCash ? usd_ : cash_;
    e.cashback.amountText = amount;
    ScriptedPrompter p;
    TEntrySaved s;
    QVERIFY(SaveEntry(e, s));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(s.ids.size(), 2);
    QCOMPARE(s.cashbackId, s.ids[1]);
    QCOMPARE(row(s.lastInputId),
             QString("P 1000 GBP 1000 2/5/8 20240510/0/20240510  b%1").arg(s.lastInputId));
    QCOMPARE(row(s.cashbackId), expected.arg(s.lastInputId));
  }

  void cashbackRefusals_data() {
    QTest::addColumn<bool>("account");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("message");
    QTest::newRow("no cash account") << false << "1.00"
                                     << "No cashback account selected";
    QTest::newRow("unreadable") << true << "abc"
                                << "Invalid amount \"abc\"";
    QTest::newRow("64-bit edge") << true << "-92233720368547758.08"
                                 << "Invalid amount \"-92233720368547758.08\"";
    QTest::newRow("beyond 64 bits") << true << "92233720368547758.08"
                                    << "Invalid amount \"92233720368547758.08\"";
  }
  void cashbackRefusals() {
    QFETCH(bool, account);
    QFETCH(QString, amount);
    QFETCH(QString, message);
    TEntry e = payment();
    e.cashback = TEntryCashback{true, account ? cash_ : 0, amount};
    const QString before = booksState();
    ScriptedPrompter p;
    p.info(message);
    TEntrySaved s;
    QVERIFY(!SaveEntry(e, s));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(booksState(), before);
  }

  // Pages the form does not offer for the type or mode count for nothing.
  void hiddenPagesIgnored() {
    TEntry e = payment();
    e.type = EntryType::Receipt;
    e.cashback = TEntryCashback{true, cash_, "5.00"};
    TEntrySaved first = saved(e);
    QCOMPARE(first.ids.size(), 1);
    TTxn loaded;
    QVERIFY(ReadTxn(first.lastInputId, loaded));
    e.mode = 'E';
    e.loaded = loaded;
    e.split = TEntrySplit{true, "10.00", "", "", 0};  // would fail if it were checked
    ScriptedPrompter p;
    p.yes("Update existing transaction - OK ?");
    TEntrySaved s;
    QVERIFY(SaveEntry(e, s));
    VERIFY_PROMPTS(p);
    QCOMPARE(CountAll("txn"), 1);
    QCOMPARE(row(s.lastInputId), QString("R 1000 GBP 1000 2/5/8 20240510/0/20240510  b0"));
  }

  void cancelledEntryCancelsItsCashback() {
    TEntry e = payment();
    e.cancelled = true;
    e.cashback.ticked = true;
    e.cashback.cashAccount = cash_;
    e.cashback.amountText = "10.00";
    ScriptedPrompter p;
    TEntrySaved s;
    QVERIFY(SaveEntry(e, s));
    TTxn t;
    QVERIFY(ReadTxn(s.cashbackId, t));
    QVERIFY(t.cancelled);
    QCOMPARE(QueryValue("select sum(abs(amt)) from pstg where txnid = ?", {s.cashbackId}).toInt(),
             0);
  }

  void checkSplit_data() {
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("a1");
    QTest::addColumn<QString>("a2");
    QTest::addColumn<bool>("category2");
    QTest::addColumn<QString>("result");  // "total a1 a2", or the messages
    const QString bad = "Invalid / incomplete Split details";
    QTest::newRow("second computed") << "100"
                                     << "30.00"
                                     << "" << true << "100.00 30.00 70.00";
    QTest::newRow("first computed") << "100.00"
                                    << ""
                                    << "70" << true << "100.00 30.00 70.00";
    QTest::newRow("total computed") << ""
                                    << "30"
                                    << "70" << true << "100.00 30.00 70.00";
    QTest::newRow("both parts empty") << "100"
                                      << ""
                                      << "" << true << bad;
    QTest::newRow("part below 0") << "100"
                                  << "130"
                                  << "" << true << bad;
    QTest::newRow("parts do not add up") << "100"
                                         << "30"
                                         << "60" << true << bad;
    QTest::newRow("negative text") << "100"
                                   << "-5"
                                   << "" << true << bad;
    QTest::newRow("unreadable") << "100"
                                << "x"
                                << "" << true << "Invalid amount \"x\"|" + bad;
    QTest::newRow("sum beyond 64 bits") << ""
                                        << "92233720368547758.07"
                                        << "1.00" << true << bad;
    QTest::newRow("no second category") << "100"
                                        << "30"
                                        << "" << false << bad;
  }
  void checkSplit() {
    QFETCH(QString, total);
    QFETCH(QString, a1);
    QFETCH(QString, a2);
    QFETCH(bool, category2);
    QFETCH(QString, result);
    TEntrySplit split{true, total, a1, a2, category2 ? fuel_ : 0};
    QString amount = "unchanged";
    ScriptedPrompter p;
    const bool passes = !result.startsWith("Invalid");
    if (!passes)
      for (const QString& m : result.split('|')) p.info(m);
    QCOMPARE(CheckSplit(split, food_, amount), passes);
    VERIFY_PROMPTS(p);
    if (passes) {
      QCOMPARE(split.totalText + " " + split.amount1Text + " " + split.amount2Text, result);
      QCOMPARE(amount, split.totalText);
    }
  }

  void splitSavesTwoInOneBatch() {
    TEntry e = payment();
    e.split = TEntrySplit{true, "100.00", "30.00", "", fuel_};
    ScriptedPrompter p;
    TEntrySaved s;
    QVERIFY(SaveEntry(e, s));
    VERIFY_PROMPTS(p);
    QCOMPARE(s.ids.size(), 2);
    const int32_t b = s.lastInputId;
    QCOMPARE(row(b), QString("P 3000 GBP 3000 2/5/8 20240510/0/20240510  b%1").arg(b));
    QCOMPARE(row(s.splitId), QString("P 7000 GBP 7000 2/5/9 20240510/0/20240510  b%1").arg(b));
  }

  void fxBuyWithCommission() {
    TEntry e = payment("80.00");
    e.type = EntryType::Fx;
    e.fx.foreignCcy = "USD";
    e.fx.foreignAmountText = "100.00";
    e.fx.foreignAccount = usd_;
    e.fx.commissionText = "2.50";
    e.fx.rateText = "1.25";
    e.reference = "ignored for FX";
    ScriptedPrompter p;
    TEntrySaved s;
    QVERIFY(SaveEntry(e, s));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(s.ids, (QList<int32_t>{1, 2, 3}));
    QCOMPARE(s.commissionId, 2);
    QCOMPARE(s.secondLegId, 3);
    QCOMPARE(row(1), QString("P 8000 GBP 8000 2/5/8 20240510/0/20240510 FX, rate = 1.25 b1"));
    QCOMPARE(row(2), QString("P 250 GBP 250 2/5/8 20240510/0/20240510 FX commission b1"));
    QCOMPARE(row(3), QString("R 10000 USD 8000 4/5/8 20240510/0/20240510 FX, rate = 1.25 b1"));
  }

  void fxRefusals_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("message");
    QTest::newRow("no foreign account") << "account=0"
                                        << "Foreign ccy external account not specified";
    QTest::newRow("foreign account in pounds") << "account=cur"
                                               << "Account/currency mismatch";
    QTest::newRow("no foreign amount") << "amount="
                                       << "Invalid foreign currency amount";
    QTest::newRow("negative foreign amount") << "amount=-1"
                                             << "Invalid foreign currency amount";
    QTest::newRow("negative commission") << "commission=-1"
                                         << "Invalid commission amount";
    QTest::newRow("same currency") << "ccy=GBP"
                                   << "Fgn ccy = home ccy";
  }
  void fxRefusals() {
    QFETCH(QString, change);
    QFETCH(QString, message);
    TEntry e = payment("80.00");
    e.type = EntryType::Fx;
    e.fx.foreignCcy = "USD";
    e.fx.foreignAmountText = "100.00";
    e.fx.foreignAccount = usd_;
    const QString value = change.section('=', 1);
    if (change.startsWith("account=")) e.fx.foreignAccount = value == "cur" ? cur_ : 0;
    if (change.startsWith("amount=")) e.fx.foreignAmountText = value;
    if (change.startsWith("commission=")) e.fx.commissionText = value;
    if (change.startsWith("ccy=")) e.fx.foreignCcy = value;
    const QString before = booksState();
    ScriptedPrompter p;
    p.info(message);
    TEntrySaved s;
    QVERIFY(!SaveEntry(e, s));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(booksState(), before);
  }

  void fxLegRateCancelledLeavesBooksUnchanged() {
    TEntry e = payment("80.00");
    e.actualText = "2024-04-10";  // before the only USD rate
    e.type = EntryType::Fx;
    e.fx.foreignCcy = "USD";
    e.fx.foreignAmountText = "100.00";
    e.fx.foreignAccount = usd_;
    // Current's open date would move to the entry's date if anything were written.
    const QString before = booksState();
    ScriptedPrompter p;
    p.text("&Enter mid-market exchange rate (per 1 GBP)\rfor USD on 2024-04-10", "", false);
    TEntrySaved s;
    QVERIFY(!SaveEntry(e, s));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(booksState(), before);
  }

  // ---------------------------------------------------------------- batches

  void batchNewThenNext() {
    TEntry e = payment();
    e.batch.choice = EntryBatch::New;
    TEntrySaved first;
    {
      ScriptedPrompter p;
      QVERIFY(SaveEntry(e, first));
      VERIFY_PROMPTS(p);
    }
    QCOMPARE(first.batchAfter.choice, EntryBatch::AddToExisting);
    QCOMPARE(first.batchAfter.numberText, QString::number(first.lastInputId));
    e.batch = first.batchAfter;
    TEntrySaved next;
    ScriptedPrompter p;
    p.yes("Transaction will be included in Batch #1 - OK?")
        .yes("Keep batch open for next txn input? (you can always add to it later)");
    QVERIFY(SaveEntry(e, next));
    VERIFY_PROMPTS(p);
    QCOMPARE(row(next.lastInputId), QString("P 1000 GBP 1000 2/5/8 20240510/0/20240510  b1"));
    QCOMPARE(next.batchAfter.choice, EntryBatch::AddToExisting);
  }

  void batchRadioUnchangedByARefusedSave() {
    TEntrySaved first = saved(payment());
    // Shop has an open account of its own, which a payment from Current bypasses.
    TObj own = NewObj();
    own.kind = 1;
    own.name = "Shop card";
    own.heldWith = shop_;
    QVERIFY(WriteAccount(own));
    QVERIFY(CommitIfActive());
    TEntry e = payment();
    e.batch = TEntryBatchPage{EntryBatch::AddToExisting, "1"};
    TEntrySaved s;
    s.batchAfter = e.batch;
    const QString before = booksState();
    ScriptedPrompter p;
    p.yes("Transaction will be included in Batch #1 - OK?")
        .no("Keep batch open for next txn input? (you can always add to it later)")
        .no("This transaction will bypass your external account with this counterparty - "
            "continue anyway? ?");
    QVERIFY(!SaveEntry(e, s));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(s.batchAfter.choice, EntryBatch::AddToExisting);
    QCOMPARE(booksState(), before);
    QCOMPARE(row(first.lastInputId), QString("P 1000 GBP 1000 2/5/8 20240510/0/20240510  b0"));
  }

  void badBatchNumbers_data() {
    QTest::addColumn<QString>("number");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("x") << "x" << QStringList{"Invalid integer \"x\"", "Batchnum invalid"};
    QTest::newRow("empty") << "" << QStringList{"Batchnum invalid"};
    QTest::newRow("0") << "0" << QStringList{"Batchnum invalid"};
    QTest::newRow("-3") << "-3" << QStringList{"Batchnum invalid"};
    QTest::newRow("missing id") << "99" << QStringList{"txn not found 99"};
    QTest::newRow("in another batch")
        << "2" << QStringList{"Transaction #2 is already in a batch (#1)"};
  }
  void badBatchNumbers() {
    QFETCH(QString, number);
    QFETCH(QStringList, messages);
    TEntry head = payment();
    head.batch.choice = EntryBatch::New;
    saved(head);  // #1, batch 1
    head.batch = TEntryBatchPage{EntryBatch::AddToExisting, "1"};
    {
      ScriptedPrompter p;
      p.yes("Transaction will be included in Batch #1 - OK?")
          .yes("Keep batch open for next txn input? (you can always add to it later)");
      saved(head);  // #2, batch 1
    }
    TEntry e = payment();
    e.batch = TEntryBatchPage{EntryBatch::AddToExisting, number};
    const QString before = booksState();
    ScriptedPrompter p;
    for (const QString& m : messages) p.info(m);
    TEntrySaved s;
    QVERIFY(!SaveEntry(e, s));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(booksState(), before);
  }

  // ---------------------------------------------------------------- repeaters

  void newMasterWritesInstancesOnly() {
    SetGenerateToDate(YmdToDateRec(20240531));
    TEntry e = master('W');
    e.actualText = "2024-05-01";
    ScriptedPrompter p;
    TEntrySaved s;
    QVERIFY(SaveEntry(e, s));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(s.lastInputId, 0);
    QVERIFY(s.masterId > 0);
    // Instances 1-5 up to the generate-to date and the first one after it.
    QCOMPARE(s.ids.size(), 6);
    QCOMPARE(CountAll("txn"), 6);
    QCOMPARE(CountRows("txn", "masterid = ?", {s.masterId}), 6);
    QCOMPARE(s.txn.id, s.ids.last());
    QCOMPARE(CountAll("rptr"), 1);
  }

  void repeatQuestionsAndRefusals_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QStringList>("prompts");  // "?text" answered No, "!text" Yes, else info
    QTest::addColumn<bool>("savesMaster");
    QTest::newRow("yearly without reminder, No")
        << "Y" << QStringList{"? No reminder, are you sure?"} << false;
    QTest::newRow("yearly without reminder, Yes")
        << "Y" << QStringList{"! No reminder, are you sure?"} << true;
    QTest::newRow("monthly every 2 without reminder")
        << "M inc=2" << QStringList{"? No reminder, are you sure?"} << false;
    QTest::newRow("monthly with no reminder asks nothing") << "M" << QStringList{} << true;
    QTest::newRow("yearly with a reminder") << "Y remind=7" << QStringList{} << true;
    QTest::newRow("with posting date")
        << "M posting" << QStringList{"Posting dates not supported on Repeaters (sorry)"} << false;
    QTest::newRow("no frequency") << " " << QStringList{"Repeat frequency omitted"} << false;
    QTest::newRow("increment 0") << "M inc=0" << QStringList{"Increment must be from 1 to 100"}
                                 << false;
    QTest::newRow("until impossible")
        << "M until=2024-02-30" << QStringList{"Invalid date \"2024-02-30\""} << false;
    QTest::newRow("count invalid")
        << "M count=abc" << QStringList{"Invalid integer \"abc\""} << false;
    QTest::newRow("reminder invalid")
        << "M remind=x1" << QStringList{"Invalid integer \"x1\""} << false;
    const QString combined = "Repeat cannot be combined with Cashback, Split, FX or a Batch";
    QTest::newRow("with cashback") << "M cashback" << QStringList{combined} << false;
    QTest::newRow("with split") << "M split" << QStringList{combined} << false;
    QTest::newRow("with a batch") << "M batch" << QStringList{combined} << false;
  }
  void repeatQuestionsAndRefusals() {
    QFETCH(QString, setup);
    QFETCH(QStringList, prompts);
    QFETCH(bool, savesMaster);
    SetGenerateToDate(YmdToDateRec(20240601));
    TEntry e = master(setup.at(0));
    for (const QString& part : setup.split(' ').mid(1)) {
      const QString value = part.section('=', 1);
      if (part.startsWith("inc=")) e.repeat.incrementText = value;
      if (part.startsWith("until=")) e.repeat.untilText = value;
      if (part.startsWith("count=")) e.repeat.countText = value;
      if (part.startsWith("remind=")) e.repeat.reminderDaysText = value;
      if (part == "posting") {
        e.postingTicked = true;
        e.postingText = "2024-05-12";
      }
      if (part == "cashback") e.cashback = TEntryCashback{true, cash_, "1.00"};
      if (part == "split") e.split = TEntrySplit{true, "10.00", "4.00", "", fuel_};
      if (part == "batch") e.batch.choice = EntryBatch::New;
    }
    const QString before = booksState();
    ScriptedPrompter p;
    for (const QString& m : prompts) {
      if (m.startsWith('?'))
        p.no(m.mid(1));
      else if (m.startsWith('!'))
        p.yes(m.mid(1));
      else
        p.info(m);
    }
    TEntrySaved s;
    QCOMPARE(SaveEntry(e, s), savesMaster);
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    if (!savesMaster) {
      QCOMPARE(booksState(), before);
      return;
    }
    QCOMPARE(CountAll("rptr"), 1);
    QVERIFY(CountAll("txn") >= 1);
  }

  void foreignTransferMasterGeneratesInstances() {
    SetGenerateToDate(YmdToDateRec(20240520));
    QVERIFY(AddRate("USD", 20240517, "1.25") && AddRate("USD", 20240524, "1.25"));
    TEntry e = master('W');
    e.type = EntryType::Transfer;
    e.ccy = "USD";
    e.amountText = "25.00";
    e.externalAccount = usd_;
    e.secondExternal = usd2_;
    ScriptedPrompter p;
    TEntrySaved s;
    QVERIFY(SaveEntry(e, s));
    VERIFY_PROMPTS(p);
    QCOMPARE(s.ids.size(), 3);  // 05-10, 05-17 and the first after the generate-to date
    for (int32_t id : s.ids)
      QVERIFY2(row(id).startsWith("C 2500 USD 2000 4/7/0"), qPrintable(row(id)));
  }

  // A new foreign master's instance rates are asked before anything is written
  // (a typed rate commits): here before the save's last question, whose No
  // leaves no master behind.
  void foreignMasterRatesAskedBeforeWriting() {
    SetGenerateToDate(YmdToDateRec(20240801));
    TEntry e = master('M');
    e.repeat.incrementText = "2";
    e.ccy = "USD";
    e.amountText = "25.00";
    e.externalAccount = usd_;
    ScriptedPrompter p;
    p.choice("No USD rate found for 2024-07-10, closest is 2024-05-10", 1)
        .text("&Enter mid-market exchange rate (per 1 GBP)\rfor USD on 2024-07-10", "1.30")
        .choice("No USD rate found for 2024-09-10, closest is 2024-07-10", 2)
        .no(" No reminder, are you sure?");
    TEntrySaved s;
    QVERIFY(!SaveEntry(e, s));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(CountAll("rptr"), 0);
    QCOMPARE(CountAll("txn"), 0);

    // Again with Yes: the typed rate was stored; the closest one taken is asked
    // for once, not again by the generation.
    ScriptedPrompter again;
    again.choice("No USD rate found for 2024-09-10, closest is 2024-07-10", 2)
        .yes(" No reminder, are you sure?");
    QVERIFY(SaveEntry(e, s));
    VERIFY_PROMPTS(again);
    QCOMPARE(s.ids.size(), 3);  // 05-10, 07-10 and the first after the generate-to date
    QVERIFY2(row(s.ids[1]).startsWith("P 2500 USD 1923 "), qPrintable(row(s.ids[1])));
    QVERIFY2(row(s.ids[2]).startsWith("P 2500 USD 1923 "), qPrintable(row(s.ids[2])));
  }

  void editedInstanceComparesEffectiveDates() {
    SetGenerateToDate(YmdToDateRec(20240531));
    TEntrySaved m = saved(master('W', "0"));
    QCOMPARE(m.ids.size(), 5);  // 05-10 … 05-31 and 06-07
    TTxn instance;
    QVERIFY(ReadTxn(m.ids[1], instance));
    // The form loads an instance with the actual date ticked and no posting date.
    TEntry e = payment("12.00");
    e.mode = 'E';
    e.loaded = instance;
    e.actualText = "2024-05-17";
    ScriptedPrompter p;
    p.yes("Update existing transaction - OK ?")
        .no("Also apply these changes to later instances?\rField(s) : amt");
    TEntrySaved s;
    QVERIFY(SaveEntry(e, s));
    VERIFY_PROMPTS(p);
    TTxn now;
    QVERIFY(ReadTxn(m.ids[1], now));
    QCOMPARE(now.status, 2);
    QCOMPARE(now.instance, 2);
    QCOMPARE(now.amount, int64_t(1200));
    QCOMPARE(row(m.ids[2]), QString("P 1000 GBP 1000 2/5/8 20240524/0/20240524  b0"));
  }

  void editedMasterAsksNoPeriodQuestion() {
    SetGenerateToDate(YmdToDateRec(20240520));
    TEntrySaved m = saved(master('W', "0"));
    const int instances = CountAll("txn");
    SetPeriodDates(20240601, 20241231);  // the master's start is now outside the period
    TRptr r;
    QVERIFY(ReadRepeater(m.masterId, r));
    TEntry e = master('W', "0");
    e.mode = 'E';
    e.loaded = MasterRecord(r);
    e.postingPanelShown = false;
    e.amountText = "15.00";
    ScriptedPrompter p;
    p.yes("Update  Repeater Master - OK ?");
    TEntrySaved s;
    QVERIFY(SaveEntry(e, s));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QVERIFY(ReadRepeater(m.masterId, r));
    QCOMPARE(r.amount, int64_t(1500));
    QCOMPARE(r.sched.genTo, instances);
    QCOMPARE(CountAll("txn"), instances);
    QCOMPARE(QueryValue("select max(amt) from txn").toInt(), 1000);
  }

  // ---------------------------------------------------------------- edits

  void editOfTwoReconciledPostings() {
    TEntrySaved first = saved(payment());
    writeReconciled(cur_, 20240531);
    writeReconciled(food_, 20240531);
    TTxn loaded;
    QVERIFY(ReadTxn(first.lastInputId, loaded));
    TEntry e = payment("12.00");
    e.mode = 'E';
    e.loaded = loaded;
    ScriptedPrompter p;
    p.yes("Reconciled balance for account \"Current\"will be altered!" + kSure)
        .yes("Reconciled balance for account \"Food\"will be altered!" + kSure)
        .yes("Update existing transaction - OK ?");
    TEntrySaved s;
    QVERIFY(SaveEntry(e, s));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(s.lastInputId, first.lastInputId);
    QCOMPARE(CountRows("txn", "\"type\" = 'P'"), 1);
    QCOMPARE(row(s.lastInputId), QString("P 1200 GBP 1200 2/5/8 20240510/0/20240510  b0"));
    QCOMPARE(QueryValue("select amt from pstg where txnid = ? and objid = ?", {s.lastInputId, cur_})
                 .toInt(),
             -1200);
  }

  void editDeclinedKeepsTheTransaction() {
    TEntrySaved first = saved(payment());
    TTxn loaded;
    QVERIFY(ReadTxn(first.lastInputId, loaded));
    TEntry e = payment("12.00");
    e.mode = 'E';
    e.loaded = loaded;
    const QString before = booksState();
    ScriptedPrompter p;
    p.no("Update existing transaction - OK ?");
    TEntrySaved s;
    QVERIFY(!SaveEntry(e, s));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(booksState(), before);
    QCOMPARE(row(first.lastInputId), QString("P 1000 GBP 1000 2/5/8 20240510/0/20240510  b0"));
  }

  // ---------------------------------------------------------------- credit

  void creditMakesTheOwnAccountInTheEntrysCurrency() {
    TEntry e = payment("50.00");
    e.payment = EntryPayment::Credit;
    e.externalAccount = 0;
    e.ccy = "USD";
    ScriptedPrompter p;
    p.info("External Account \"Shop owes\" created");
    TEntrySaved s;
    QVERIFY(SaveEntry(e, s));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    TTxn t;
    QVERIFY(ReadTxn(s.lastInputId, t));
    TObj own, shop;
    QVERIFY(ReadAccount(t.accId1, own));
    QVERIFY(ReadAccount(shop_, shop));
    QCOMPARE(own.name, QString("Shop owes"));
    QCOMPARE(own.ccy.trimmed(), QString("USD"));
    QCOMPARE(shop.heldWith, own.id);
    QCOMPARE(row(t.id), QString("P 5000 USD 4000 %1/5/8 20240510/0/20240510  b0").arg(own.id));
  }

  void refusedAfterTheOwesAccountWasMade() {
    TEntry e = payment();
    e.payment = EntryPayment::Credit;
    e.internalAccount = 0;
    const QString before = booksState();
    ScriptedPrompter p;
    p.info("External Account \"Shop owes\" created").info("Category not specified");
    TEntrySaved s;
    QVERIFY(!SaveEntry(e, s));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(booksState(), before);
    TObj shop;
    QVERIFY(ReadAccount(shop_, shop));
    QCOMPARE(shop.heldWith, 0);
  }

  void companionRefusalUndoesEverything() {
    // The cash account is closed before the entry's date: declining the
    // question about it must leave the open dates moved for the payment unmoved.
    TObj cash;
    QVERIFY(ReadAccount(cash_, cash));
    cash.closeDate = YmdToDateRec(20240101);
    QVERIFY(WriteAccount(cash));
    QVERIFY(CommitIfActive());
    TEntry e = payment();
    e.cashback = TEntryCashback{true, cash_, "5.00"};
    const QString before = booksState();
    ScriptedPrompter p;
    p.no("External Account \"Cash\"is closed - continue anyway? ?");
    TEntrySaved s;
    QVERIFY(!SaveEntry(e, s));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(booksState(), before);
  }

  // ---------------------------------------------------------------- reconciled balances, sweeps

  void redatedReconciledBalanceKeepsTheLatestDate() {
    writeReconciled(cur_, 20240430);
    writeReconciled(cur_, 20240531);
    TTxn z;
    QVERIFY(ReadTxn(2, z));
    QCOMPARE(z.type, QChar('Z'));
    QVERIFY(RedateReconciledBalance(z, YmdToDateRec(20240415)));
    RollbackIfActive();  // committed already
    QVERIFY(ReadTxn(2, z));
    QCOMPARE(StoredDate(z.txnDate), 20240415);
    QCOMPARE(QueryValue("select pstgdate from pstg where txnid = 2").toInt(), 20240415);
    TObj a;
    QVERIFY(ReadAccount(cur_, a));
    QCOMPARE(a.reconciledText, QString("2024-04-30"));
    QVERIFY(!RedateReconciledBalance(z = TTxn(), YmdToDateRec(20240415)));
  }

  void sweepRecordedOnlyWhenItStillSweeps_data() {
    QTest::addColumn<QString>("amount");
    QTest::addColumn<bool>("recorded");
    QTest::newRow("brings it to zero") << "25.00" << true;
    QTest::newRow("amount changed in the form") << "20.00" << false;
  }
  void sweepRecordedOnlyWhenItStillSweeps() {
    QFETCH(QString, amount);
    QFETCH(bool, recorded);
    // Current stands at 25.00: a payment of that amount sweeps it.
    TEntrySaved s = saved(payment(amount));
    const int32_t id = RecordSweep(s.txn, cur_, 2500);
    QCOMPARE(id > 0, recorded);
    TObj a;
    QVERIFY(ReadAccount(cur_, a));
    QCOMPARE(a.reconciledText, recorded ? QString("2024-05-10") : QString());
    QCOMPARE(RecordSweep(s.txn, food_ + 1000, 2500), -1);
  }
};

QTEST_GUILESS_MAIN(TstEntry)
#include "tst_entry.moc"
