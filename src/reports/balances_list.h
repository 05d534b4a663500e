#pragma once
// The balances list: the accounts and groups of one kind (external, internal,
// counterparties) with their period figures from the movement summaries
// (MOVTG of one currency, MOVTE's posting dates), the filters by activity, the
// totals and the group-totals check. One query per list, every value bound.
// The balances window and vorbek-cli's "balances view" show the same rows.
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

// The "&Filter" radio items, narrowest first.
enum class BalancesFilter { Active, Recent, Available, All };
// The "Sequence" radio items.
enum class BalancesOrder { GroupName, Name, Amount };

struct TBalancesQuery {
  int kind = 1;  // 1 external, 3 or 6 internal (both kinds), 4 counterparties
  int32_t groupId = 0;
  bool grouped = true;             // the direct members of groupId; off: every account, flat
  bool hideUngroupedCpty = false;  // counterparties at the top level: groups only
  bool favorites = false;
  BalancesFilter filter = BalancesFilter::Active;
  BalancesOrder order = BalancesOrder::GroupName;
  QString ccy;                // the figures' currency; external accounts only in it
  bool equivalent = false;    // the base-currency value rows instead of the amounts
  bool amountsShown = false;  // "- Available" also keeps the active rows then
  int32_t dormantCutoff = 0;  // yyyymmdd: posted on or after it counts as recent
  int32_t balFrom = 0;        // the period
  int32_t balTo = 0;
};

struct TBalanceRow {
  int32_t id = 0;
  QString path;
  QString name;
  int kind = 0;  // TYPE2
  int baseKind = 0;
  bool isGroup = false;
  int32_t groupId = 0;
  QString ccy;
  QString reconciled;
  bool allowNegative = true;
  bool allowPositive = true;
  int64_t bfd = 0;  // absent figures read as 0
  int64_t prePeriod = 0;
  int64_t periodBfd = 0;
  int64_t payments = 0;
  int64_t receipts = 0;
  int64_t transfers = 0;
  int32_t lastPstgDate = 0;  // 0: never posted (stored 0, 99999999 or no row)
  int32_t closeDate = 99999999;

  // Counterparties' transfers count as 0.
  int64_t transfersCounted() const { return kind == 4 || kind == 9 ? 0 : transfers; }
  int64_t net() const { return payments + receipts + transfersCounted(); }
  int64_t closing() const { return periodBfd + net(); }
};

// The columns, in their natural order.
enum BalancesColumn : int {
  kBalName = 0,
  kBalGroup,
  kBalType,
  kBalWarning,
  kBalReconciled,
  kBalDbBfd,
  kBalPrePeriod,
  kBalPeriodBfd,
  kBalPayments,
  kBalReceipts,
  kBalTransfers,
  kBalNet,
  kBalBalance,
  kBalStatus,
  kBalLastPosted,
  kBalColumns
};
QStringList BalancesHeader();
bool IsBalanceColumn(int c);   // "Wng", "DB b/fd", "Pre-period", "Period b/fd", "Balance"
bool IsMovementColumn(int c);  // "Payments", "Receipts", "Transfers", "Net"

// What decides the texts of a row beyond the row itself.
struct TBalancesShown {
  bool balances = false;
  bool movements = false;
  bool washCategories = false;  // categories' brought-forward cells stay blank
  int32_t periodTo = 0;
};
QStringList BalanceRowTexts(const TBalanceRow& r, const TBalancesShown& shown);
// The columns the window shows for a list kind (before the sequence moves "Group").
bool BalancesColumnVisible(int c, int listKind, bool grouped, const TBalancesShown& shown);

// False (the list empty) when the query failed. A negative group shows the
// program error "g_grpid<0"; a kind other than 1, 3, 4, 6 "Obj type shd be btype".
bool ListBalances(const TBalancesQuery& q, QList<TBalanceRow>& rows);

struct TBalancesTotals {
  int64_t periodBfd = 0;
  int64_t payments = 0;
  int64_t receipts = 0;
  int64_t transfers = 0;
  int64_t net() const { return payments + receipts + transfers; }
  int64_t balance() const { return periodBfd + net(); }
};
// withTransfers: the "Transfers" column is shown (not for counterparties).
TBalancesTotals SumBalances(const QList<TBalanceRow>& rows, bool withTransfers);
// The members' sums against the group row drilled into; false (after the
// program error "Group totals disagree (use Rebuild Hierarchy to resolve)") on
// any difference.
bool CheckGroupTotals(const TBalanceRow& group, const QList<TBalanceRow>& members);

// The window caption, e.g. "External Account balances/movements in currency GBP".
QString BalancesCaption(int listKind, const QString& ccy);
// The header of a group: its ancestors' names and its own, " : " after each,
// leading blanks removed; empty for group 0 or a group that cannot be read.
QString BalancesGroupHeader(int32_t groupId);
// The first row, from the top, whose name is not before text (case folded
// over the length of text); the last row when every name is before it; -1
// for an empty list.
int BalancesJumpRow(const QList<TBalanceRow>& rows, const QString& text);
int BalancesRowOfId(const QList<TBalanceRow>& rows, int32_t id);
// The closing balance of an account from its own-currency (A) summary row in
// ccy; 0 when it has none.
int64_t NativeClosingBalance(int32_t id, const QString& ccy);
