#include "ledger/monthly.h"

#include <QList>
#include <QPair>
#include <QSqlQuery>
#include <QVariantList>

#include "foundation/messages.h"
#include "store/db.h"

namespace {

// Months spread by one statement. Each month brings twelve (month, year) pairs,
// so a chunk of twelve months binds 288 values; between chunks the countdown
// moves and the abort flag is looked at.
constexpr int kMonthsPerChunk = 12;
constexpr int kYearsPerMonth = 12;

void showStage(const TMonthlyProgress& p, const QString& text, const QString& hint = QString()) {
  if (p.stage) p.stage(text, hint);
  ProcessPendingMessages();
}

void showCounter(const TMonthlyProgress& p, int remaining) {
  if (p.counter) p.counter(remaining);
  ProcessPendingMessages();
}

bool abortRequested(const TMonthlyProgress& p) { return p.abort && p.abort->load(); }

// Every 'M' row whose month is in the bound list gets one MINY row per rolling
// year named beside that month. Pairs bound as NULL match nothing, which pads
// the last chunk.
QString spreadSql() {
  QStringList pairs;
  for (int i = 0; i < kMonthsPerChunk * kYearsPerMonth; ++i)
    pairs << QStringLiteral(
        "select cast(? as integer) as mth, cast(? as integer) as yr "
        "from rdb$database");
  return "insert into miny (accid, yr, mth, mtot) "
         "select m.accid, s.yr, m.mth, m.mtot from mthly m inner join (" +
         pairs.join(QStringLiteral(" union all ")) + ") s on s.mth = m.mth where m.mory = 'M'";
}

// The months present, each with its number of 'M' rows, in month order.
bool monthsPresent(QList<QPair<int32_t, int>>& months) {
  bool ok = false;
  QSqlQuery q = RunQuery(
      QStringLiteral("select mth, count(*) from mthly where mory = 'M' group by mth order by mth"),
      {}, &ok);
  if (!ok) return false;
  while (q.next()) months.append({q.value(0).toInt(), q.value(1).toInt()});
  return true;
}

// Spreads the month rows into MINY; false with aborted set when the user
// abandoned it, false alone on a database error.
bool spreadIntoRollingYears(const TMonthlyProgress& p, bool& aborted) {
  aborted = false;
  if (!ExecSql(QStringLiteral("DELETE FROM miny"))) return false;
  int remaining = CountAll(QStringLiteral("mthly"));
  if (remaining < 0) return false;
  showCounter(p, remaining);

  QList<QPair<int32_t, int>> months;
  if (!monthsPresent(months)) return false;
  if (months.isEmpty()) return true;
  PreparedSql spread(spreadSql());
  if (!spread.ok()) return false;
  const QVariant none(QMetaType::fromType<int>());
  for (qsizetype first = 0; first < months.size(); first += kMonthsPerChunk) {
    if (abortRequested(p)) {
      aborted = true;
      return false;
    }
    QVariantList binds;
    int rows = 0;
    for (qsizetype i = first; i < first + kMonthsPerChunk; ++i) {
      if (i >= months.size()) {
        for (int k = 0; k < kYearsPerMonth; ++k) binds << none << none;
        continue;
      }
      const int32_t month = months[i].first;
      int32_t year = month;
      for (int k = 0; k < kYearsPerMonth; ++k) {
        binds << month << year;
        year = NextMonthNumber(year);
      }
      rows += months[i].second;
    }
    if (!spread.exec(binds)) return false;
    remaining -= rows;
    showCounter(p, remaining);
  }
  return true;
}

}  // namespace

int32_t NextMonthNumber(int32_t yyyymm) {
  const int32_t n = yyyymm + 1;
  if (n % 100 > 12) return (n / 100 + 1) * 100 + 1;
  return n;
}

TMonthlyResult RebuildMonthlyTotals(const TMonthlyProgress& p) {
  // Month totals: every posting of a category or pot, whatever its type;
  // brought-forward postings (date 0) make a month 0 row. An inner join (the
  // condition drops unmatched postings anyway) lets the engine start from the
  // internal accounts and reach only their postings through the account index.
  showStage(p, QStringLiteral("Aggregating account-postings by Month ..."));
  if (!ExecSql(QStringLiteral("DELETE FROM mthly")) ||
      !ExecSql(QStringLiteral("DELETE FROM mthlyf")) ||
      !ExecSql(QStringLiteral(
          "insert into mthly (accid, mth, mory, mtot) select p.objid, p.pstgdate / 100 as mth , "
          "'M', sum(p.amt) as ptot from pstg p join account o on o.id = p.objid where "
          "((o.type2 = 3) or (o.type2=6)) group by p.objid, mth")))
    return TMonthlyResult::Failed;

  // Rolling years: each month counts in the year ending with it and the eleven after.
  showStage(p, QStringLiteral("Aggregating account-months by rolling Year ..."),
            QStringLiteral("( each month is in 12 rolling years )"));
  bool aborted = false;
  if (spreadIntoRollingYears(p, aborted)) {
    if (!ExecSql(QStringLiteral("INSERT INTO mthly ( accid , mth , mory, mtot ) "
                                "SELECT m.accid, m.yr, 'Y', sum(m.mtot) from miny m "
                                "GROUP BY m.accid, m.yr")))
      return TMonthlyResult::Failed;
  } else if (!aborted) {
    return TMonthlyResult::Failed;
  }
  showStage(p, QString());
  showCounter(p, -1);

  // Group roll-up, after the account rows are complete so that no group is
  // counted twice; it runs after an abort too, on the month rows.
  showStage(p, QStringLiteral("Aggregating account-months by Group ..."));
  if (!ExecSql(QStringLiteral("INSERT INTO mthlyf ( grpid , mth , mory, mtot ) "
                              "SELECT a.grpid, m.mth, m.mory, m.mtot FROM accingrp a "
                              "INNER JOIN mthly m ON m.accid=a.accid")) ||
      !ExecSql(QStringLiteral("INSERT INTO mthly ( accid, mth, mory, mtot ) "
                              "SELECT f.grpid, f.mth, f.mory, sum(f.mtot) FROM mthlyf f "
                              "GROUP BY f.grpid, f.mth, f.mory ")))
    return TMonthlyResult::Failed;
  showStage(p, QString());
  return aborted ? TMonthlyResult::Aborted : TMonthlyResult::Done;
}
