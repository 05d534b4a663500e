#pragma once
// Books for the postings list, written into the open test books (GBP base,
// default pot #1) through the real posting operations, period 2024:
//
//   bank (external, opened 2023-01-01 with 1000.00, channels Visa and Cheque)
//     2023-12-20 payment 50.00 to shop, category food      (before the period)
//     2024-02-10 payment 10.00 (Visa, ref a'b, narrative with & " <b> ;)
//     2024-02-10 receipt 25.00 from shop, category food
//     2024-02-10 payment 7.00, pot holiday, cancelled
//     2024-02-10 reconciled balance 965.00                   (agrees)
//     2024-03-01 transfer 200.00 to savings (Cheque)
//     2024-03-01 reconciled balance 700.00                   (disagrees: 765.00)
//   usdBank (external, USD) 2024-04-01 payment 30.00 to usdShop, category food
//
// Running balances of bank: 950.00 before the period, 965.00 after 2024-02-10,
// 765.00 after 2024-03-01.
#include <QString>

#include "foundation/dates.h"
#include "ledger/currencies.h"
#include "ledger/posting.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"

struct PostingsBooks {
  int32_t bank = 0, savings = 0, shop = 0, food = 0, holiday = 0, usdBank = 0, usdShop = 0;
  int32_t visa = 0, cheque = 0;
  int32_t prePeriod = 0, payment = 0, receipt = 0, cancelled = 0, balanceOk = 0, transfer = 0,
          balanceOff = 0, usdPayment = 0;

  static QString narrative() { return QStringLiteral("Tea & \"cakes\" <b>; ok"); }

  int32_t account(int kind, const QString& name, const QString& ccy, int64_t opening = 0,
                  int32_t openDate = 0) {
    TObj o = NewObj();
    o.kind = uint8_t(kind);
    o.name = name;
    o.ccy = ccy;
    o.openingBalance = o.openingValue = opening;
    if (openDate > 0) o.openDate = YmdToDateRec(openDate);
    return WriteAccount(o) && CommitIfActive() ? o.id : 0;
  }
  int32_t channel(int32_t acc, const QString& name) {
    TChannel ch;
    ch.accId = acc;
    ch.name = name;
    return WriteChannelRow(ch) && CommitIfActive() ? ch.chnum : 0;
  }
  int32_t txn(QChar type, int32_t ymd, int64_t amount, int32_t a1, int32_t a2, int32_t a4,
              const QString& ccy = QStringLiteral("GBP"), int32_t chnum = 0,
              const QString& ref = QString(), const QString& narr = QString()) {
    TTxn t = NewTxn();
    t.type = type;
    t.ccy = ccy;
    t.txnDate = YmdToDateRec(ymd);
    t.amount = t.value = amount;
    t.accId1 = a1;
    t.accId2 = a2;
    t.accId4 = a4;
    t.channel = chnum;
    t.reference = ref;
    t.narrative = narr;
    if (!WriteTransaction(t) || !CommitIfActive()) return 0;
    return t.id;
  }

  // False when something could not be written.
  bool build() {
    SetPeriodDates(20240101, 20241231);
    Session().workingCurrency = QStringLiteral("GBP");
    if (!InsertCurrency(TCcy{"USD", "US dollar", false})) return false;
    bank = account(1, "bank", "GBP", 100000, 20230101);
    savings = account(1, "savings", "GBP");
    shop = account(4, "shop", "GBP");
    food = account(3, "food", "GBP");
    holiday = account(6, "holiday", "GBP");
    usdBank = account(1, "usd bank", "USD");
    usdShop = account(4, "usd shop", "USD");
    visa = channel(bank, "Visa");
    cheque = channel(bank, "Cheque");
    prePeriod = txn('P', 20231220, 5000, bank, shop, food, "GBP", 0, "pre");
    payment = txn('P', 20240210, 1000, bank, shop, food, "GBP", visa, "a'b", narrative());
    receipt = txn('R', 20240210, 2500, bank, shop, food);
    cancelled = txn('P', 20240210, 700, bank, shop, holiday);
    if (!cancelled || !CancelTransaction(cancelled, true)) return false;
    balanceOk = WriteReconciledBalance(bank, YmdToDateRec(20240210), 96500);
    transfer = txn('C', 20240301, 20000, bank, savings, 0, "GBP", cheque, "tfr");
    balanceOff = WriteReconciledBalance(bank, YmdToDateRec(20240301), 70000);
    usdPayment = txn('P', 20240401, 3000, usdBank, usdShop, food, "USD");
    return bank && savings && shop && food && holiday && usdBank && usdShop && visa && cheque &&
           prePeriod && payment && receipt && balanceOk && transfer && balanceOff && usdPayment;
  }
};
