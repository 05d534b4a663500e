#pragma once
// Small books for the monthly analysis, written into the open test books (GBP
// base, default pot #1 without postings):
//
//   food    category, top level      -5.00 in 2023-03, 50.00 in 2024-01, -20.00 in 2024-03
//   trips   group (kind 10), top level
//     hotel category in trips        10.00 in 2024-02
//
// Paths and group membership come from the real hierarchy rebuild, so food's
// column 0 reads "  food" and hotel's " trips : hotel".
#include <QString>

#include "ledger/hierarchy.h"
#include "store/db.h"
#include "store/records.h"

struct MonthlyBooks {
  int32_t food = 0, trips = 0, hotel = 0;

  static int32_t account(int kind, const QString& name, int32_t group = 0) {
    TObj o = NewObj();
    o.kind = uint8_t(kind);
    o.isGroup = kind == 10;
    o.name = name;
    o.groupId = group;
    return WriteAccount(o) && CommitIfActive() ? o.id : 0;
  }

  // A posting of amount (minor units) on ymd; the other legs do not matter here.
  static bool post(int32_t accountId, int32_t ymd, int64_t amount) {
    static int32_t txn = 900000;
    ++txn;
    return ExecSql(QStringLiteral("insert into pstg (txnid, objid, contra, txntype, pstgdate, amt, "
                                  "ccy, val, seq) values (?, ?, 0, 'P', ?, ?, 'GBP', ?, ?)"),
                   {txn, accountId, ymd, qint64(amount), qint64(amount), txn}) &&
           CommitIfActive();
  }

  // Paths and ACCINGRP as the program keeps them.
  static bool rebuildHierarchy() { return RebuildHierarchy() && RebuildPaths(); }

  bool build() {
    food = account(3, QStringLiteral("food"));
    trips = account(10, QStringLiteral("trips"));
    hotel = account(3, QStringLiteral("hotel"), trips);
    return food && trips && hotel && post(food, 20230310, -500) && post(food, 20240110, 5000) &&
           post(food, 20240320, -2000) && post(hotel, 20240205, 1000) && rebuildHierarchy();
  }
};
