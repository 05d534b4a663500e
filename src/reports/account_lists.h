#pragma once
// The account lists: the accounts of one kind by status (with the "Status"
// text of each row), the finder's three pages, and the name/notes search that
// also lists the groups of the family. One query per list, every value bound.
// The accounts list window, the finder, the search results window and
// vorbek-cli show the same rows.
#include <QList>
#include <QString>
#include <cstdint>

#include "foundation/daterec.h"  // kOpenEnded: open, or nothing posted yet

// The status radio buttons of the accounts list, in widening order.
enum class AccountFilter { Favorites, Recent, Dormant, Closed, All };

// The filter one step wider: Favorites → Recent → Dormant → Closed; Closed and
// All stay where they are (the walk of an incremental search stops there).
AccountFilter WiderFilter(AccountFilter f);

struct TAccountListRow {
  int32_t id = 0;
  int kind = 0;
  QString name;
  QString note;
  bool favourite = false;
  int32_t openDate = 0;
  int32_t closeDate = kOpenEnded;
  bool dmtLock = false;
  int32_t lastPstgDate = 0;  // 0 when the account has no movement row
  int32_t groupId = 0;
  QString path;
  QString ccy;
  QString status;  // "favorite", "closed", "archived", "new", "dormant" or empty
};

struct TAccountListQuery {
  int kind = 0;  // 0 every kind; 3 or 6 the internal accounts (both kinds)
  AccountFilter filter = AccountFilter::All;
  int32_t dormancyDate = 0;  // yyyymmdd: before it an account counts as dormant
  QString ccy;               // empty: any currency
};

// The "Status" text of one row.
QString AccountStatusText(bool favourite, int32_t closeDate, int32_t lastPstgDate, int32_t openDate,
                          bool dmtLock, int32_t dormancyDate);

// The rows in name order (case folded). False when the query failed.
bool ListAccounts(const TAccountListQuery& query, QList<TAccountListRow>& rows);

// The first row whose folded name starts with the folded text (rows are in
// name order: the scan stops at the first name sorting after the text); an
// empty text gives the first row. -1 when none.
int RowStartingWith(const QList<TAccountListRow>& rows, const QString& text);
// The row of id, searched from the last row backwards; -1 when absent.
int RowOfId(const QList<TAccountListRow>& rows, int32_t id);

// ---- Finder ---------------------------------------------------------------------

enum FinderPage : int { kPageActives = 0, kPageDormants = 1, kPageClosed = 2 };

struct TFinderHit {
  int32_t id = 0;
  QString text;  // the name, with " (CCY)" when not in the base currency
};

struct TFinderPages {
  QList<TFinderHit> page[3];
  bool empty() const { return page[0].isEmpty() && page[1].isEmpty() && page[2].isEmpty(); }
};

// The accounts of kind (3 or 6: both) whose name starts with (or, with
// contains, holds) text, case folded on both sides, sorted into the three
// pages. An empty text matches every account. False when the query failed.
bool FindAccounts(int kind, const QString& text, bool contains, int32_t dormancyDate,
                  const QString& baseCcy, TFinderPages& pages);
// The page of one hit by its dates.
FinderPage FinderPageOf(int32_t closeDate, int32_t lastPstgDate, int32_t firstPstgDate,
                        int32_t dormancyDate);

// ---- Name/notes search --------------------------------------------------------------

struct TAccountSearchRow {
  int32_t id = 0;
  QString name;
  int kind = 0;
  QString ccy;
  bool cptyPays = false;
  bool cptyReceives = false;
  int32_t groupId = 0;
  int32_t firstPstgDate = 0;
  int32_t lastPstgDate = 0;
  int32_t closeDate = kOpenEnded;
  bool isGroup = false;

  QString groupText() const;  // "GROUP" or empty
  QString payerText() const;  // "payer", "payee", "payer/ee" or empty
  QString firstUsedText() const;
  QString lastUsedText() const;
  QString closedText() const;
};

// The accounts and groups of kind's family (3 or 6: the internal family) whose
// name or note contains text, ignoring case, in name order.
bool SearchAccountRows(int kind, const QString& text, QList<TAccountSearchRow>& rows);
// "First used" / "Last used": 0 empty, 99999999 "notyetposted", else yyyy-mm-dd.
QString UsedDateText(int32_t ymd);
