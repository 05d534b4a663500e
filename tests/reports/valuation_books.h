#pragma once
// Books for the valuation, written into the open test books (GBP base) and
// rebalanced for 2024: receipts of 50.00 GBP into Bank and 125.00 USD into
// Dollars (rate 1.25 on the day, so valued 100.00) from Boss into Salary, USD
// at 1.00 on the To date; FX is a spare category. Valued at the To date the
// difference is 25.00.
#include <QtTest>
#include <tuple>

#include "ledger/currencies.h"
#include "ledger/posting.h"
#include "ledger/rebalance.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"

namespace valuation_books {

constexpr int32_t kFrom = 20240101;
constexpr int32_t kTo = 20241231;

struct Ids {
  int32_t bank = 0, dollars = 0, boss = 0, salary = 0, fx = 0;
};

inline void exec(const QString& sql, const QVariantList& binds = {}) {
  QVERIFY2(ExecSql(sql, binds), qPrintable(sql + " : " + LastDbError()));
}

// Check QTest::currentTestFailed() after it.
inline Ids Make() {
  Ids ids;
  [&] {
    QVERIFY(InsertCurrency(TCcy{"USD", "US dollar", false}));
    ids.bank = AddTestAccount(1, "Bank");
    ids.dollars = AddTestAccount(1, "Dollars", "USD");
    ids.boss = AddTestAccount(4, "Boss");
    ids.salary = AddTestAccount(3, "Salary");
    ids.fx = AddTestAccount(3, "FX");
    exec("insert into rate (ccycode, rdate, rate) values ('USD', 20240301, 1.25)");
    exec("insert into rate (ccycode, rdate, rate) values ('USD', 20241231, 1.0)");
    for (const auto& [ccy, ext, amount] :
         {std::tuple{QString("GBP"), ids.bank, 5000}, {QString("USD"), ids.dollars, 12500}}) {
      TTxn t = NewTxn();
      t.type = QChar('R');
      t.ccy = ccy;
      t.txnDate = TDateRec{2024, 3, 1};
      t.amount = amount;
      t.accId1 = ext;
      t.accId2 = ids.boss;
      t.accId4 = ids.salary;
      QVERIFY(SetTxnValue(t));
      QVERIFY(WriteTransaction(t));
    }
    QVERIFY(CommitIfActive());
    SetPeriodDates(kFrom, kTo);
    SetRebalanceNeeded(true);
    QVERIFY(Rebalance());
  }();
  return ids;
}

}  // namespace valuation_books
