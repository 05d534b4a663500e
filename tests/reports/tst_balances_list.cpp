// The balances list without windows, on real books with summary rows written
// directly: the four filters over accounts of every activity and closing
// state, the figures' texts (wash, native/equivalent, counterparties, "!"),
// the totals, the group-totals check, the group header and the jump.
#include <QtTest>
#include <memory>

#include "foundation/dates.h"
#include "reports/balances_list.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

constexpr int32_t kFrom = 20240101;
constexpr int32_t kTo = 20241231;
constexpr int32_t kCutoff = 20240601;

int32_t account(int kind, const QString& name, int32_t closeDate = 99999999, int32_t group = 0,
                bool allowNegative = true, const QString& ccy = QStringLiteral("GBP")) {
  TObj o = NewObj();
  o.kind = uint8_t(kind);
  o.name = name;
  o.ccy = ccy;
  o.groupId = group;
  o.allowNegative = allowNegative;
  if (closeDate != 99999999) o.closeDate = YmdToDateRec(closeDate);
  return WriteAccount(o) ? o.id : 0;
}

void movtg(int32_t id, QChar amtval, QList<qlonglong> f,
           const QString& ccy = QStringLiteral("GBP")) {
  // bfd, prepdnet, pdbfd, pdpayts, pdrcpts, pdtfrs
  QVERIFY2(ExecSql("insert into movtg (accid, ccy, amtval, bfd, prepdnet, pdbfd, pdpayts, pdrcpts, "
                   "pdtfrs, pdcfd) values (?, ?, ?, ?, ?, ?, ?, ?, ?, 0)",
                   {id, ccy, QString(amtval), f[0], f[1], f[2], f[3], f[4], f[5]}),
           qPrintable(LastDbError()));
}

void movte(int32_t id, int32_t first, int32_t last) {
  QVERIFY(ExecSql("update movte set firstpstgdate = ?, lastpstgdate = ? where objid = ?",
                  {first, last, id}));
}

TBalancesQuery query(int kind, BalancesFilter f) {
  TBalancesQuery q;
  q.kind = kind;
  q.filter = f;
  q.order = BalancesOrder::Name;
  q.ccy = QStringLiteral("GBP");
  q.dormantCutoff = kCutoff;
  q.balFrom = kFrom;
  q.balTo = kTo;
  return q;
}

TBalancesShown shownAll(bool wash = false) {
  TBalancesShown s;
  s.balances = s.movements = true;
  s.washCategories = wash;
  s.periodTo = kTo;
  return s;
}

}  // namespace

class TstBalancesList : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;

  QList<TBalanceRow> list(const TBalancesQuery& q) {
    QList<TBalanceRow> rows;
    [&] { QVERIFY2(ListBalances(q, rows), qPrintable(LastDbError())); }();
    return rows;
  }

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
  }
  void cleanup() { books_.reset(); }

  void filters_data() {
    QTest::addColumn<int>("filter");
    QTest::addColumn<bool>("amounts");
    QTest::addColumn<QStringList>("expected");
    const QStringList all{"Active",
                          "Closed before:closed 2023-12-31",
                          "Closed in:closed 2024-06-01",
                          "Closed later:closed later",
                          "Closed with activity:closed 2024-06-01",
                          "Never",
                          "Old"};
    QTest::newRow("active") << int(BalancesFilter::Active) << true
                            << QStringList{"Active", "Closed with activity:closed 2024-06-01"};
    QTest::newRow("recent") << int(BalancesFilter::Recent) << false
                            << QStringList{"Active", "Closed with activity:closed 2024-06-01",
                                           "Never"};
    QTest::newRow("available, amounts hidden")
        << int(BalancesFilter::Available) << false
        << QStringList{"Active",
                       "Closed in:closed 2024-06-01",
                       "Closed later:closed later",
                       "Closed with activity:closed 2024-06-01",
                       "Never",
                       "Old"};
    QTest::newRow("all") << int(BalancesFilter::All) << false << all;
  }
  // One account of each kind of activity and closing; the last-posted dates
  // of 99999999 and 0 both mean "never posted".
  void filters() {
    QFETCH(int, filter);
    QFETCH(bool, amounts);
    QFETCH(QStringList, expected);
    const int32_t active = account(1, "Active");
    movtg(active, 'A', {0, 0, 0, -100, 0, 0});
    movte(active, 20230101, 20240301);
    const int32_t old = account(1, "Old");
    movtg(old, 'A', {0, 0, 0, 0, 0, 0});
    movte(old, 20220101, 20230501);
    account(1, "Never");  // the new account's 99999999 dates
    const int32_t before = account(1, "Closed before", 20231231);
    movte(before, 20220101, 20231201);
    const int32_t in = account(1, "Closed in", 20240601);
    movte(in, 20220101, 20230101);
    const int32_t later = account(1, "Closed later", 20250301);
    movte(later, 20220101, 20230101);
    const int32_t closedActive = account(1, "Closed with activity", 20240601);
    movtg(closedActive, 'A', {0, 0, 500, 0, 250, 0});
    movte(closedActive, 20230101, 20240501);
    account(1, "Euro", 99999999, 0, true, "EUR");  // another currency: never listed
    // Activity in another currency does not count.
    movtg(old, 'A', {0, 0, 0, -100, 0, 0}, "EUR");

    TBalancesQuery q = query(1, BalancesFilter(filter));
    q.amountsShown = amounts;
    QStringList got;
    for (const TBalanceRow& r : list(q)) {
      if (r.id == 1) continue;
      const QString status = BalanceRowTexts(r, shownAll())[kBalStatus];
      got << r.name + (status.isEmpty() ? QString() : ":" + status);
      if (r.name == "Never") QCOMPARE(BalanceRowTexts(r, shownAll())[kBalLastPosted], QString());
      if (r.name == "Active")
        QCOMPARE(BalanceRowTexts(r, shownAll())[kBalLastPosted], QStringLiteral("2024-03-01"));
    }
    QCOMPARE(got, expected);
  }

  void figures_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("wash");
    QTest::addColumn<bool>("equivalent");
    // DB b/fd, Pre-period, Period b/fd, Payments, Receipts, Transfers, Net, Balance, Wng
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("external native")
        << 1 << true << false
        << QStringList{"1,000.00", "200.00",    "+1,200.00", "-5,000.00", "+300.00",
                       "+100.00",  "-4,600.00", "-3,400.00", "!"};
    QTest::newRow("external equivalent")
        << 1 << true << true << QStringList{"10.00", "0.00",   "+10.00", "-20.00", "0.00",
                                            "0.00",  "-20.00", "-10.00", "!"};
    QTest::newRow("category, wash on")
        << 3 << true << false
        << QStringList{"",        "",          "",          "-5,000.00", "+300.00",
                       "+100.00", "-4,600.00", "-3,400.00", "!"};
    QTest::newRow("category, wash off")
        << 3 << false << false
        << QStringList{"1,000.00", "200.00",    "+1,200.00", "-5,000.00", "+300.00",
                       "+100.00",  "-4,600.00", "-3,400.00", "!"};
    QTest::newRow("counterparty: transfers count as 0")
        << 4 << true << false
        << QStringList{"1,000.00", "200.00",    "+1,200.00", "-5,000.00", "+300.00",
                       "0.00",     "-4,700.00", "-3,500.00", "!"};
  }
  void figures() {
    QFETCH(int, kind);
    QFETCH(bool, wash);
    QFETCH(bool, equivalent);
    QFETCH(QStringList, expected);
    const int32_t id = account(kind, "Figures", 99999999, 0, false);
    movtg(id, 'A', {100000, 20000, 120000, -500000, 30000, 10000});
    movtg(id, 'V', {1000, 0, 1000, -2000, 0, 0});
    const int32_t allowed = account(kind, "Allowed", 99999999, 0, true);
    movtg(allowed, 'A', {0, 0, 0, -100, 0, 0});
    movtg(allowed, 'V', {0, 0, 0, -100, 0, 0});
    TBalancesQuery q = query(kind, BalancesFilter::Active);
    q.equivalent = equivalent;
    const QList<TBalanceRow> rows = list(q);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[1].name, QStringLiteral("Figures"));
    const QStringList t = BalanceRowTexts(rows[1], shownAll(wash));
    QCOMPARE((QStringList{t[kBalDbBfd], t[kBalPrePeriod], t[kBalPeriodBfd], t[kBalPayments],
                          t[kBalReceipts], t[kBalTransfers], t[kBalNet], t[kBalBalance],
                          t[kBalWarning]}),
             expected);
    // A negative balance that is allowed has no warning.
    QCOMPARE(BalanceRowTexts(rows[0], shownAll(wash))[kBalWarning], QString());
    // Amounts hidden: no figure at all.
    const QStringList hidden = BalanceRowTexts(rows[1], TBalancesShown{});
    for (int c = 0; c < kBalColumns; ++c)
      if (IsBalanceColumn(c) || IsMovementColumn(c)) QCOMPARE(hidden[c], QString());

    const TBalancesTotals tot = SumBalances(rows, kind != 4);
    QCOMPARE(tot.payments, rows[0].payments + rows[1].payments);
    QCOMPARE(tot.balance(), rows[0].closing() + rows[1].closing());
  }

  // Grouped lists show the direct members; flat lists every account; the
  // group row's figures must agree with its members' sums.
  void groupsAndTotals() {
    const int32_t top = account(8, "Banks");
    const int32_t sub = account(8, "Savings", 99999999, top);
    const int32_t a = account(1, "Current", 99999999, top);
    const int32_t b = account(1, "Deposit", 99999999, sub);
    QVERIFY(ExecSql("update account set path = ' Banks :' where id in (?, ?)", {sub, a}));
    QVERIFY(ExecSql("update account set path = ' Banks : Savings :' where id = ?", {b}));
    movtg(top, 'A', {0, 0, 1000, -300, 200, 50});
    movtg(sub, 'A', {0, 0, 600, -100, 0, 0});
    movtg(a, 'A', {0, 0, 400, -200, 200, 50});
    movtg(b, 'A', {0, 0, 600, -100, 0, 0});

    TBalancesQuery q = query(1, BalancesFilter::All);
    q.order = BalancesOrder::GroupName;
    q.groupId = top;
    QList<TBalanceRow> members = list(q);
    QCOMPARE(members.size(), 2);
    QCOMPARE(members[0].name, QStringLiteral("Current"));
    QCOMPARE(members[1].name, QStringLiteral("Savings"));
    QCOMPARE(BalanceRowTexts(members[1], shownAll())[kBalType], QStringLiteral("GROUP"));

    TBalancesQuery top0 = q;
    top0.groupId = 0;
    const QList<TBalanceRow> roots = list(top0);
    const TBalanceRow group = roots[BalancesRowOfId(roots, top)];
    {
      ScriptedPrompter p;
      QVERIFY(CheckGroupTotals(group, members));
      VERIFY_PROMPTS(p);
    }
    QVERIFY(ExecSql("update movtg set pdrcpts = 999 where accid = ?", {a}));
    members = list(q);
    {
      ScriptedPrompter p;
      p.info("Program error : Group totals disagree (use Rebuild Hierarchy to resolve)");
      QVERIFY(!CheckGroupTotals(group, members));
      VERIFY_PROMPTS(p);
    }

    q.grouped = false;
    QStringList flat;
    for (const TBalanceRow& r : list(q))
      flat << BalanceRowTexts(r, shownAll())[kBalGroup] + "|" + r.name;
    QCOMPARE(flat, (QStringList{"Banks :|Current", "Banks : Savings :|Deposit"}));

    QCOMPARE(BalancesGroupHeader(sub), QStringLiteral("Banks : Savings : "));
    QCOMPARE(BalancesGroupHeader(0), QString());
  }

  void refusals() {
    QList<TBalanceRow> rows;
    ScriptedPrompter p;
    p.info("Program error : Obj type shd be btype").info("Program error : g_grpid<0");
    QVERIFY(!ListBalances(query(8, BalancesFilter::All), rows));
    TBalancesQuery q = query(1, BalancesFilter::All);
    q.groupId = -1;
    QVERIFY(!ListBalances(q, rows));
    VERIFY_PROMPTS(p);
  }

  // Names with quotes and the like are listed intact; the jump finds the
  // first name not before the typed text, case folded, or the last row.
  void namesAndJump() {
    for (const char* n : {"Zebra", "bank's \"x\"; 50%", "Alpha", "BAT", "Bacon"}) account(4, n);
    const QList<TBalanceRow> rows = list(query(4, BalancesFilter::All));
    QStringList names;
    for (const TBalanceRow& r : rows) names << r.name;
    QCOMPARE(names, (QStringList{"Alpha", "Bacon", "bank's \"x\"; 50%", "BAT", "Zebra"}));
    QCOMPARE(BalancesJumpRow(rows, "ba"), 1);
    QCOMPARE(BalancesJumpRow(rows, "BAN"), 2);
    QCOMPARE(BalancesJumpRow(rows, "bz"), 4);
    QCOMPARE(BalancesJumpRow(rows, "zz"), 4);
    QCOMPARE(BalancesJumpRow({}, "a"), -1);
  }

  void caption() {
    QCOMPARE(BalancesCaption(1, "GBP"),
             QStringLiteral("External Account balances/movements in currency GBP"));
    QCOMPARE(BalancesCaption(4, "EUR"), QStringLiteral("Counterparty movements in currency EUR"));
  }
};

QTEST_GUILESS_MAIN(TstBalancesList)
#include "tst_balances_list.moc"
