#pragma once
// Account kinds and the rules for naming, grouping, opening, closing and
// deleting accounts and groups. Refusals and questions go through the
// user-message seam; a refused operation leaves the data unchanged.
#include <QList>
#include <QPair>
#include <QString>
#include <cstdint>

#include "foundation/daterec.h"
#include "store/records.h"

// ACCOUNT.TYPE2.
enum AccountKind : int {
  kKindExternal = 1,
  kKindCategory = 3,
  kKindCounterparty = 4,
  kKindPot = 6,
  kKindExternalGroup = 8,
  kKindCounterpartyGroup = 9,
  kKindInternalGroup = 10,
  kKindDiary = 11,
};

// One row of the kind table.
struct TAccountKindInfo {
  int kind;
  const char* singular;
  const char* plural;
  int baseKind;   // BTYPE
  bool isGroup;   // ISGRP
  int groupKind;  // the kind of group it may be a member of; 0 = none
};

// The row of kind, or nullptr for a kind outside the table.
const TAccountKindInfo* AccountKindInfo(int kind);
bool IsValidAccountKind(int kind);
bool IsGroupKind(int kind);
int GroupKindFor(int kind);  // 0 when the kind cannot be in a group
// "Invalid account type " + kind + " - run DB Healthcheck!"
QString InvalidAccountKindText(int kind);
// The default account of a kind from the settings (1 cash, 3 category,
// 4 counterparty, 6 pot); 0 for the other kinds.
int DefaultAccountId(int kind);

// The kind's name followed by one blank. letterCase 'U' capitalises every
// word; number 'S' gives the singular, anything else the plural.
QString AccountKindName(int kind, QChar letterCase, QChar number);

// True (after telling the user) when an account of kind already has this
// name, compared without regard to case.
bool NameExists(int kind, const QString& name);

// Results of CheckGroupForMember.
enum GroupCheckResult : int {
  kGroupFine = 0,
  kGroupOpenedTooLate = 1,
  kGroupClosedTooSoon = 2,
  kGroupInvalidKinds = 3,
  kGroupCurrencyMismatch = 4,
};
// May member be in group? text is the reason (empty when fine).
int CheckGroupForMember(const TObj& group, const TObj& member, QString& text);

// The closing questions of an account; true with the chosen close date.
bool CanCloseAccount(const TObj& account, TDateRec& date);
// Reads the account, asks CanCloseAccount, writes the close date and commits.
bool CloseAccount(int32_t id);
// The closing questions of a group; false at once for an account that is not a group.
bool CanCloseGroup(const TObj& group, TDateRec& date);
bool CloseGroup(int32_t id);

// Before a transaction dated date is saved on account (re-read first): the
// closed-account question and the open-date move. account is written when
// its dates change; the caller commits. False when the user declines.
bool CheckAccountForTxnDate(TObj& account, const TDateRec& date);

// Applies the delete rules and, when they pass and the user confirms,
// deletes the account and commits; true when it was deleted.
bool CanDeleteAccount(int32_t id);

// False (after "An Account Group must not contain itself") when newParentId
// is the group itself or lies below it.
bool CheckNotOwnGroup(int32_t groupId, int32_t newParentId);

// True when regrouping account must not go ahead: it reaches behind the
// freeze date and the user did not confirm.
bool CheckRegroupAgainstFreeze(const TObj& account);

// (shown text, id) pairs for a group chooser.
using TChoiceList = QList<QPair<QString, int32_t>>;
// "<none>" (id 0), then the groups of groupKind by name, closed ones prefixed
// "(closed) " (left out when openOnly); external-account groups only in the
// working currency.
void GroupChoices(int groupKind, bool openOnly, TChoiceList& list);
