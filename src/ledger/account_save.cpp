#include "ledger/account_save.h"

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/texts.h"
#include "ledger/accounts.h"
#include "ledger/freeze.h"
#include "ledger/hierarchy.h"
#include "ledger/posting.h"
#include "store/db.h"
#include "store/session.h"

namespace {

const TDateRec kOpenDate{9999, 99, 99};

bool isRealDate(const TDateRec& d) {
  if (d.year < 1 || d.month < 1 || d.month > 12 || d.day < 1) return false;
  return d.day <= MonthLength(d);
}

// The parts shared by both forms, up to the name check: everything that can
// refuse before anything is written.
struct TPrepared {
  TObj obj;
  bool backDateGroup = false;
  TObj group;
  bool regrouped = false;
};

bool checkName(const TAccountEntry& e, TObj& obj) {
  const QString name = e.nameText.trimmed();
  if (name.isEmpty()) {
    ShowInfo(QStringLiteral("Account name must be specified"));
    return false;
  }
  if (name.size() > kNameWidth) {
    ShowInfo(QStringLiteral("Account name too long - edit to <= 40 characters"));
    return false;
  }
  obj.name = name;
  return true;
}

bool readDates(const TAccountEntry& e, TObj& obj) {
  if (!ParseOpenDateText(e.openDateText.trimmed(), obj.openDate)) {
    ShowInfo(QStringLiteral("Opendate invalid"));
    return false;
  }
  const QString closed = e.closedText.trimmed();
  obj.closeDate = closed.isEmpty() ? kOpenDate : ParseDateTextOrZero(closed);
  return true;
}

// The group steps: membership check (with the back-date question), the
// "not in a group" confirmation, and the freeze check of a regrouping. A
// counterparty needs no group and is regrouped without the freeze check.
bool checkGroup(const TAccountEntry& e, TPrepared& p, bool counterparty = false) {
  TObj& obj = p.obj;
  if (e.groupId > 0) {
    if (!ReadAccount(e.groupId, p.group)) {
      ShowInfo("Account not found : #" + QString::number(e.groupId));
      return false;
    }
    QString text;
    const int result = CheckGroupForMember(p.group, obj, text);
    if (result == kGroupOpenedTooLate) {
      p.backDateGroup = AskYes(text + " - back-date?");
    } else if (result != kGroupFine) {
      ShowInfo(text);
      return false;
    }
  } else if (!counterparty && !ConfirmOk(QStringLiteral("Account is not in a group"))) {
    return false;
  }
  if (e.groupId != e.loaded.groupId) {
    if (!counterparty && CheckRegroupAgainstFreeze(obj)) return false;
    obj.groupId = e.groupId;
    obj.path = e.groupId > 0 ? PathUnderGroup(p.group) : QStringLiteral(" ");
    p.regrouped = true;
  }
  return true;
}

// A new name, or a name changed other than in case, must be free in its kind.
bool nameTaken(const TAccountEntry& e, int kind, const QString& name) {
  if (!e.isNew && e.loaded.kind == kind && name.toLower() == e.loaded.name.toLower()) return false;
  return NameExists(kind, name);
}

// The counterparty links of an external account: the new provider learns its
// account when it has none; a provider replaced by another one forgets this
// account. Both are re-read so that a change made meanwhile is not lost.
bool writeProviderLinks(const TAccountEntry& e, const TObj& account) {
  const int32_t oldProvider = e.isNew ? 0 : e.loaded.heldWith;
  if (oldProvider > 0 && oldProvider != account.heldWith) {
    TObj old;
    if (ReadAccount(oldProvider, old) && old.heldWith == account.id) {
      old.heldWith = 0;
      if (!WriteAccount(old)) return false;
    }
  }
  if (account.heldWith > 0) {
    TObj provider;
    if (!ReadAccount(account.heldWith, provider)) {
      ShowInfo("Account not found : #" + QString::number(account.heldWith));
      return false;
    }
    if (provider.heldWith == 0) {
      provider.heldWith = account.id;
      if (!WriteAccount(provider)) return false;
    }
  }
  return true;
}

// Writes the prepared record (and its companions) in one unit and commits.
bool writeAll(const TAccountEntry& e, TPrepared& p, bool external) {
  WriteUnit unit;
  if (!unit.begin()) return false;
  if (p.backDateGroup) {
    p.group.openDate = p.obj.openDate;
    if (!WriteAccount(p.group)) return false;
  }
  // The notes buffer goes with the next WriteAccount: set it right before.
  SetAccountNotes(e.note);
  if (!WriteAccount(p.obj)) return false;
  if (external && !writeProviderLinks(e, p.obj)) return false;
  if (!unit.done() || !CommitIfActive()) {
    RollbackIfActive();
    return false;
  }
  return true;
}

}  // namespace

QString OpenDateText(const TDateRec& d) {
  if (d.isZero()) return QString();
  if (d == kOpenDate) return kNotYetPosted;
  return DateRecToText(d);
}

bool ParseOpenDateText(const QString& text, TDateRec& d) {
  if (text.isEmpty()) {
    d = TDateRec{};
    return true;
  }
  if (text == kNotYetPosted) {
    d = kOpenDate;
    return true;
  }
  TDateRec r;
  if (!ParseDateText(text, r) || !isRealDate(r)) return false;
  // The calendar's text carries the day after the date ("2024-03-05 (Tue)").
  const QString rest = text.mid(10).trimmed();
  if (!rest.isEmpty() && !rest.startsWith(QLatin1Char('('))) return false;
  d = r;
  return true;
}

bool GenerateAccountName(const QString& current, int32_t providerId, const QString& designation,
                         QString& name) {
  if (!current.isEmpty() && !AskYes(QStringLiteral("Overwrite account name with defaults - OK?")))
    return false;
  TObj provider;
  if (providerId > 0 && ReadAccount(providerId, provider)) {
    const QString desig = designation.trimmed();
    name = desig.isEmpty() ? provider.name + " owes" : provider.name + " " + desig;
    if (name.size() > kNameWidth)
      ShowInfo(QStringLiteral("Account name too long - edit to <= 40 characters"));
  } else {
    name = QStringLiteral("Notes & Coin");
  }
  return true;
}

bool AccountChangesFrozen() { return FrozenRefusal(QStringLiteral("change accounts")); }

bool SaveExternalAccount(const TAccountEntry& e, TObj& saved) {
  if (AccountChangesFrozen()) return false;
  TPrepared p;
  p.obj = e.loaded;
  TObj& obj = p.obj;
  if (!checkName(e, obj)) return false;
  if (e.isNew) obj.ccy = Session().workingCurrency;
  if (obj.ccy.size() != 3) {
    ShowInfo("Invalid currency " + obj.ccy);
    return false;
  }
  obj.designation = e.designationText.trimmed().left(kDesigWidth);
  obj.favourite = e.favourite;
  obj.kind = kKindExternal;
  if (!readDates(e, obj)) return false;
  obj.allowNegative = e.allowNegative;
  obj.allowPositive = e.allowPositive;
  obj.heldWith = e.providerId;
  if (!checkGroup(e, p)) return false;
  if (nameTaken(e, kKindExternal, obj.name)) return false;

  if (!writeAll(e, p, true)) return false;
  if (e.isNew && Session().settings.defaultCashId == -1) Session().settings.defaultCashId = obj.id;
  if (e.isNew || p.regrouped) MarkHierarchyChanged();
  saved = obj;
  return true;
}

bool SaveInternalAccount(const TAccountEntry& e, TObj& saved) {
  if (AccountChangesFrozen()) return false;
  TPrepared p;
  p.obj = e.loaded;
  TObj& obj = p.obj;
  if (!checkName(e, obj)) return false;
  obj.favourite = e.favourite;
  obj.ccy = Session().settings.baseCurrency;
  if (!readDates(e, obj)) return false;
  const int kind = e.kind == kKindPot ? kKindPot : kKindCategory;
  obj.kind = uint8_t(kind);
  if (!checkGroup(e, p)) return false;
  obj.allowNegative = e.allowNegative;
  obj.allowPositive = e.allowPositive;
  if (nameTaken(e, kind, obj.name)) return false;

  const bool sortChanged = !e.isNew && e.loaded.kind != kind;
  if (!writeAll(e, p, false)) return false;
  // Only a category becomes the default category; a new pot never does.
  if (e.isNew && kind == kKindCategory && Session().settings.defaultCtgyId == -1)
    Session().settings.defaultCtgyId = obj.id;
  // Category balances are washed into the default pot: the summaries are stale.
  if (sortChanged) SetRebalanceNeeded(true);
  if (e.isNew || p.regrouped) MarkHierarchyChanged();
  saved = obj;
  return true;
}

bool SaveCounterparty(const TAccountEntry& e, TObj& saved) {
  const QString name = e.nameText.trimmed();
  if (name.isEmpty()) return false;
  if (AccountChangesFrozen()) return false;
  TPrepared p;
  p.obj = e.loaded;
  TObj& obj = p.obj;
  obj.name = CutToWidth(name, kNameWidth);
  obj.favourite = e.favourite;
  obj.kind = kKindCounterparty;
  obj.ccy = Session().settings.baseCurrency;
  if (!e.cptyPays && !e.cptyReceives) {
    ShowPlainInfo(QStringLiteral("Counterparty must be a payer or a payee (or both)"));
    return false;
  }
  obj.cptyPays = e.cptyPays;
  obj.cptyReceives = e.cptyReceives;
  obj.payerDefault = 0;
  obj.payeeDefault = 0;
  if (!readDates(e, obj)) return false;
  obj.heldWith = e.providerId;
  if (!checkGroup(e, p, true)) return false;
  if (nameTaken(e, kKindCounterparty, obj.name)) return false;

  if (!writeAll(e, p, false)) return false;
  if (e.isNew && Session().settings.defaultCptyId == -1) Session().settings.defaultCptyId = obj.id;
  if (e.isNew || p.regrouped) MarkHierarchyChanged();
  saved = obj;
  return true;
}

bool AskCounterpartyCloseDate(const TObj& cpty, TDateRec& date) {
  if (AccountChangesFrozen()) return false;
  if (cpty.id <= 0) return PickDate(date);
  const int32_t rptr = QueryValue(QStringLiteral("select first 1 r.id from rptr r where "
                                                 "(r.accid1 = ? or r.accid2 = ? or r.accid3 = ? or "
                                                 "r.accid4 = ?) and (r.rptactive = 1) "
                                                 "order by r.id"),
                                  {cpty.id, cpty.id, cpty.id, cpty.id}, 0)
                           .toInt();
  if (rptr > 0) {
    ShowInfo("Cannot close - Counterparty is in active Repeater #" + QString::number(rptr));
    return false;
  }
  return CanCloseAccount(cpty, date);
}

bool AskAccountCloseDate(const TObj& account, TDateRec& date) {
  if (AccountChangesFrozen()) return false;
  if (account.id <= 0) return PickDate(date);
  WorkingCurrencyAs ccy(account.ccy);
  return CanCloseAccount(account, date);
}

bool ToggleFavourite(int32_t id, TObj* written) {
  if (AccountChangesFrozen()) return false;
  TObj obj;
  if (!ReadAccount(id, obj)) return false;
  obj.favourite = !obj.favourite;
  WriteUnit unit;
  if (!unit.begin() || !WriteAccount(obj) || !unit.done() || !CommitIfActive()) {
    unit.undo();
    RollbackIfActive();
    return false;
  }
  if (written) *written = obj;
  return true;
}

WorkingCurrencyAs::WorkingCurrencyAs(const QString& ccy) : previous_(Session().workingCurrency) {
  if (!ccy.isEmpty()) Session().workingCurrency = ccy;
}

WorkingCurrencyAs::~WorkingCurrencyAs() { Session().workingCurrency = previous_; }
