#include "reports/balances_list.h"

#include <QSqlQuery>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "ledger/accounts.h"
#include "ledger/hierarchy.h"
#include "store/db.h"
#include "store/records.h"

namespace {

constexpr int32_t kNoPosting = 99999999;

bool isInternal(int kind) { return kind == 3 || kind == 6; }

int64_t amount(const QVariant& v) { return v.isNull() ? 0 : v.toLongLong(); }

// MOVTE holds 99999999 (or 0) for an account never posted to.
int32_t postedDate(const QVariant& v) {
  if (v.isNull()) return 0;
  const int32_t d = v.toInt();
  return d == kNoPosting ? 0 : d;
}

QString typeText(int kind) {
  switch (kind) {
    case 8:
    case 9:
    case 10:
      return QStringLiteral("GROUP");
    case 3:
      return QStringLiteral("ctgy");
    case 6:
      return QStringLiteral("pot");
    default:
      return QString();
  }
}

}  // namespace

QStringList BalancesHeader() {
  return {QStringLiteral("Account name          "),
          QStringLiteral("Group"),
          QStringLiteral("Type"),
          QStringLiteral("Wng"),
          QStringLiteral("Reconciled"),
          QStringLiteral("DB b/fd"),
          QStringLiteral("Pre-period"),
          QStringLiteral("Period b/fd"),
          QStringLiteral("Payments"),
          QStringLiteral("Receipts"),
          QStringLiteral("Transfers"),
          QStringLiteral("Net"),
          QStringLiteral("Balance"),
          QStringLiteral("Status in period"),
          QStringLiteral("Last posted")};
}

bool IsBalanceColumn(int c) {
  return c == kBalWarning || c == kBalDbBfd || c == kBalPrePeriod || c == kBalPeriodBfd ||
         c == kBalBalance;
}

bool IsMovementColumn(int c) {
  return c == kBalPayments || c == kBalReceipts || c == kBalTransfers || c == kBalNet;
}

QStringList BalanceRowTexts(const TBalanceRow& r, const TBalancesShown& shown) {
  QStringList t;
  t.reserve(kBalColumns);
  for (int c = 0; c < kBalColumns; ++c) t << QString();
  t[kBalName] = r.name;
  t[kBalGroup] = r.path.trimmed();
  t[kBalType] = typeText(r.kind);
  t[kBalReconciled] = r.reconciled;
  if (shown.balances) {
    const int64_t closing = r.closing();
    if ((closing < 0 && !r.allowNegative) || (closing > 0 && !r.allowPositive))
      t[kBalWarning] = QStringLiteral("!");
    // A washed category carries nothing from before the period.
    if (!(r.kind == 3 && shown.washCategories)) {
      t[kBalDbBfd] = FormatAmount(r.bfd);
      t[kBalPrePeriod] = FormatAmount(r.prePeriod);
      t[kBalPeriodBfd] = FormatAmountSigned(r.periodBfd);
    }
    t[kBalBalance] = FormatAmountSigned(closing);
  }
  if (shown.movements) {
    t[kBalPayments] = FormatAmountSigned(r.payments);
    t[kBalReceipts] = FormatAmountSigned(r.receipts);
    t[kBalTransfers] = FormatAmountSigned(r.transfersCounted());
    t[kBalNet] = FormatAmountSigned(r.net());
  }
  if (r.closeDate != kNoPosting)
    t[kBalStatus] = r.closeDate > shown.periodTo ? QStringLiteral("closed later")
                                                 : "closed " + YmdToText(r.closeDate);
  if (r.lastPstgDate != 0) t[kBalLastPosted] = YmdToText(r.lastPstgDate);
  return t;
}

bool BalancesColumnVisible(int c, int listKind, bool grouped, const TBalancesShown& shown) {
  if (c == kBalGroup) return !grouped;
  if (c == kBalReconciled) return listKind == 1 || listKind == 3 || listKind == 6;
  if (c == kBalTransfers && listKind == 4) return false;
  if (IsBalanceColumn(c)) return shown.balances;
  if (IsMovementColumn(c)) return shown.movements;
  return true;
}

bool ListBalances(const TBalancesQuery& q, QList<TBalanceRow>& rows) {
  rows.clear();
  if (q.kind != 1 && q.kind != 3 && q.kind != 4 && q.kind != 6) {
    ShowProgramError(QStringLiteral("Obj type shd be btype"));
    return false;
  }
  if (q.groupId < 0) {
    ShowProgramError(QStringLiteral("g_grpid<0"));
    return false;
  }
  QString sql = QStringLiteral(
      "SELECT o1.id, o1.path, o1.name, o1.type2, o1.btype, o1.isgrp, o1.grpid, o1.reconciled, "
      "o1.allownegbal, o1.allowposbal, mg.bfd, mg.prepdnet, mg.pdbfd, mg.pdpayts, mg.pdrcpts, "
      "mg.pdtfrs, me.lastpstgdate, o1.closedate, o1.ccy "
      "FROM account o1 LEFT JOIN movte me on (me.objid = o1.id) "
      "LEFT JOIN movtg mg on (mg.accid = o1.id) and (mg.ccy = ?) and (mg.amtval = ?) ");
  QVariantList binds;
  binds << q.ccy << (q.equivalent ? QStringLiteral("V") : QStringLiteral("A"));
  if (isInternal(q.kind)) {
    sql += QStringLiteral("WHERE (o1.btype in (3, 6)) ");
  } else {
    sql += QStringLiteral("WHERE (o1.btype = ?) ");
    binds << q.kind;
  }
  if (q.grouped) {
    sql += QStringLiteral("AND (o1.grpid = ?) ");
    binds << q.groupId;
    if (q.kind == 4 && q.groupId == 0 && q.hideUngroupedCpty)
      sql += QStringLiteral("AND (o1.isgrp = 1) ");
  } else {
    sql += QStringLiteral("AND (o1.isgrp = 0) ");
  }
  if (q.favorites) sql += QStringLiteral("AND (o1.fav = 1) ");
  QString active = QStringLiteral("(mg.pdpayts <> 0) OR (mg.pdrcpts <> 0)");
  if (q.kind != 4) active += QStringLiteral(" OR (mg.pdtfrs <> 0) OR (mg.pdbfd <> 0)");
  switch (q.filter) {
    case BalancesFilter::Active:
      sql += "AND (" + active + ") ";
      break;
    case BalancesFilter::Recent:
      sql += QStringLiteral(
                 "AND (((o1.closedate = 99999999) and ((me.lastpstgdate is null) or "
                 "(me.lastpstgdate = 0) or (me.lastpstgdate >= ?))) OR (") +
             active + ")) ";
      binds << q.dormantCutoff;
      break;
    case BalancesFilter::Available: {
      // Never posted to (no row, or the 99999999 of a new account) counts as available.
      const QString available = QStringLiteral(
          "((me.firstpstgdate is null) OR (me.firstpstgdate = 99999999) OR "
          "(me.firstpstgdate <= ?)) AND (o1.closedate >= ?)");
      binds << q.balTo << q.balFrom;
      if (q.amountsShown)
        sql += "AND ((" + available + ") OR (" + active + ")) ";
      else
        sql += "AND (" + available + ") ";
      break;
    }
    case BalancesFilter::All:
      break;
  }
  if (q.kind == 1) {
    sql += QStringLiteral("AND (o1.ccy = ?) ");
    binds << q.ccy;
  }
  switch (q.order) {
    case BalancesOrder::GroupName:
      sql += QStringLiteral("ORDER BY o1.path, lower(o1.name), o1.id");
      break;
    case BalancesOrder::Name:
      sql += QStringLiteral("ORDER BY lower(o1.name), o1.id");
      break;
    case BalancesOrder::Amount:
      sql +=
          QStringLiteral("ORDER BY (mg.pdrcpts + mg.pdpayts + mg.pdtfrs), lower(o1.name), o1.id");
      break;
  }
  bool ok = false;
  QSqlQuery query = RunQuery(sql, binds, &ok);
  if (!ok) return false;
  while (query.next()) {
    TBalanceRow r;
    r.id = query.value(0).toInt();
    r.path = query.value(1).toString();
    r.name = query.value(2).toString();
    r.kind = query.value(3).toInt();
    r.baseKind = query.value(4).toInt();
    r.isGroup = query.value(5).toInt() == 1;
    r.groupId = query.value(6).toInt();
    r.reconciled = query.value(7).toString().trimmed();
    r.allowNegative = query.value(8).toInt() != 0;
    r.allowPositive = query.value(9).toInt() != 0;
    r.bfd = amount(query.value(10));
    r.prePeriod = amount(query.value(11));
    r.periodBfd = amount(query.value(12));
    r.payments = amount(query.value(13));
    r.receipts = amount(query.value(14));
    r.transfers = amount(query.value(15));
    r.lastPstgDate = postedDate(query.value(16));
    r.closeDate = query.value(17).isNull() ? kNoPosting : query.value(17).toInt();
    r.ccy = query.value(18).toString().trimmed();
    rows << r;
  }
  return true;
}

TBalancesTotals SumBalances(const QList<TBalanceRow>& rows, bool withTransfers) {
  TBalancesTotals t;
  for (const TBalanceRow& r : rows) {
    t.periodBfd += r.periodBfd;
    t.payments += r.payments;
    t.receipts += r.receipts;
    if (withTransfers) t.transfers += r.transfersCounted();
  }
  return t;
}

bool CheckGroupTotals(const TBalanceRow& group, const QList<TBalanceRow>& members) {
  const TBalancesTotals t = SumBalances(members, true);
  if (t.periodBfd == group.periodBfd && t.payments == group.payments &&
      t.receipts == group.receipts && t.transfers == group.transfersCounted())
    return true;
  ShowProgramError(QStringLiteral("Group totals disagree (use Rebuild Hierarchy to resolve)"));
  return false;
}

QString BalancesCaption(int listKind, const QString& ccy) {
  QString s = AccountKindName(listKind, 'U', 'S');
  if (listKind == 1 || listKind == 3 || listKind == 6) s += QStringLiteral("balances/");
  s += QStringLiteral("movements ");
  if (listKind == 1 || listKind == 4) s += "in currency " + ccy;
  return s;
}

QString BalancesGroupHeader(int32_t groupId) {
  if (groupId <= 0) return QString();
  TObj g;
  if (!ReadAccount(groupId, g)) return QString();
  QString text = GroupPathText(groupId) + " " + g.name + " : ";
  int i = 0;
  while (i < text.size() && text.at(i) == QLatin1Char(' ')) ++i;
  return text.mid(i);
}

int BalancesJumpRow(const QList<TBalanceRow>& rows, const QString& text) {
  if (rows.isEmpty()) return -1;
  const QString key = text.toLower();
  for (int i = 0; i < rows.size(); ++i)
    if (rows[i].name.left(key.size()).toLower() >= key) return i;
  return rows.size() - 1;
}

int BalancesRowOfId(const QList<TBalanceRow>& rows, int32_t id) {
  for (int i = 0; i < rows.size(); ++i)
    if (rows[i].id == id) return i;
  return -1;
}

int64_t NativeClosingBalance(int32_t id, const QString& ccy) {
  const QVariant v = QueryValue(
      QStringLiteral("select pdbfd + pdpayts + pdrcpts + pdtfrs from movtg where accid = ? and "
                     "ccy = ? and amtval = 'A'"),
      {id, ccy});
  return amount(v);
}
