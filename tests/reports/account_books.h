#pragma once
// A small set of accounts covering every "Status" of the accounts list, the
// finder's three pages and the name/notes search, written into the open books
// (GBP base, default pot #1) and committed. Dates are counted back from
// today, so the books read the same to the program and to vorbek-cli.
#include <QString>
#include <QVariantList>

#include "foundation/dates.h"
#include "store/db.h"
#include "store/records.h"

namespace account_books {

// Ids as written.
enum : int32_t {
  kAlpha = 2,    // favourite and closed        -> "favorite", page Closed
  kBravo = 3,    // closed                      -> "closed",   page Closed
  kCharlie = 4,  // opened long ago, no movement -> "archived", page Dormants
  kDelta = 5,    // opened lately, no postings, dmtlock -> "new", page Dormants
  kEcho = 6,     // last posted long ago        -> "dormant",  page Dormants
  kFoxtrot = 7,  // posted lately -> no status, page Actives; note with ' & " %
  kGolf = 8,     // in USD, never posted: absent from the GBP list, page Actives
  kBanks = 9,    // external group "Bank group"
};

inline int32_t DaysAgo(int n) {
  TDateRec d = Today();
  SubtractDays(d, n);
  return DateRecToYmd(d);
}

inline const QString& FoxtrotNote() {
  static const QString note = QStringLiteral("pays O'Brien & co \"50%\" monthly");
  return note;
}

// False (with the failing statement in error) when something could not be written.
inline bool BuildAccountBooks(QString& error) {
  auto add = [&](int kind, const QString& name, const QString& ccy, int32_t open) -> bool {
    TObj o = NewObj();
    o.kind = uint8_t(kind);
    o.isGroup = kind >= 8;
    o.name = name;
    o.ccy = ccy;
    o.openDate = YmdToDateRec(open);
    if (!WriteAccount(o)) {
      error = "account " + name + ": " + LastDbError();
      return false;
    }
    return true;
  };
  auto exec = [&](const QString& sql, const QVariantList& binds) -> bool {
    if (ExecSql(sql, binds)) return true;
    error = sql + ": " + LastDbError();
    return false;
  };
  const int32_t longAgo = DaysAgo(800);
  const int32_t lately = DaysAgo(10);
  const QString movte =
      QStringLiteral("update movte set firstpstgdate = ?, lastpstgdate = ? where objid = ?");
  return add(1, "Alpha", "GBP", longAgo) && add(1, "bravo", "GBP", longAgo) &&
         add(1, "Charlie", "GBP", longAgo) && add(1, "delta", "GBP", lately) &&
         add(1, "Echo", "GBP", longAgo) && add(1, "foxtrot", "GBP", longAgo) &&
         add(1, "Golf", "USD", lately) && add(8, "Bank group", "GBP", longAgo) &&
         exec("update account set fav = 1, closedate = ? where id = ?", {DaysAgo(400), kAlpha}) &&
         exec("update account set closedate = ? where id = ?", {DaysAgo(500), kBravo}) &&
         exec("delete from movte where objid = ?", {kCharlie}) &&
         exec("update account set dmtlock = 1 where id = ?", {kDelta}) &&
         exec(movte, {0, 0, kDelta}) && exec(movte, {DaysAgo(900), DaysAgo(700), kEcho}) &&
         exec(movte, {DaysAgo(700), DaysAgo(5), kFoxtrot}) &&
         exec("update account set note = ? where id = ?", {FoxtrotNote(), kFoxtrot}) &&
         exec(movte, {DaysAgo(700), DaysAgo(700), kAlpha}) &&
         exec(movte, {DaysAgo(700), DaysAgo(600), kBravo}) && CommitIfActive();
}

}  // namespace account_books
