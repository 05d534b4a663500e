#include "ledger/accounts.h"

#include <QSqlQuery>
#include <QStringList>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/texts.h"
#include "ledger/hierarchy.h"
#include "store/db.h"
#include "store/session.h"

namespace {

constexpr TAccountKindInfo kKinds[] = {
    {kKindExternal, "external account", "external accounts", 1, false, kKindExternalGroup},
    {kKindCategory, "internal account", "internal accounts", 3, false, kKindInternalGroup},
    {kKindCounterparty, "counterparty", "counterparties", 4, false, kKindCounterpartyGroup},
    {kKindPot, "internal account", "internal accounts", 6, false, kKindInternalGroup},
    {kKindExternalGroup, "external group", "external groups", 1, true, kKindExternalGroup},
    {kKindCounterpartyGroup, "counterparty group", "counterparty groups", 4, true,
     kKindCounterpartyGroup},
    {kKindInternalGroup, "internal group", "internal groups", 6, true, kKindInternalGroup},
    {kKindDiary, "diary", "diarys", 11, false, 0},
};

constexpr int32_t kOpen = 99999999;
const QString kCannotDelete = QStringLiteral("Cannot delete ");

QString num(int64_t n) { return QString::number(n); }
QString quoted(const QString& s) { return "\"" + s + "\""; }
bool isOpenEnded(const TDateRec& d) { return d.year == 9999; }
// No date at all, or the not-yet-posted / open-ended date.
bool hasNoRealDate(const TDateRec& d) { return d.isZero() || isOpenEnded(d); }

// The first repeater using id as any of its four accounts; activeOnly limits
// the search to active ones. 0 when there is none.
int32_t repeaterUsing(int32_t id, bool activeOnly) {
  const QString sql =
      QStringLiteral(
          "select first 1 r.id from rptr r where (r.accid1 = ? or r.accid2 = ? or r.accid3 = ? "
          "or r.accid4 = ?)%1 order by r.id")
          .arg(activeOnly ? QStringLiteral(" and r.rptactive = 1") : QString());
  return QueryValue(sql, {id, id, id, id}, 0).toInt();
}

QString capitaliseWords(const QString& text) {
  QString out = text;
  bool atStart = true;
  for (qsizetype i = 0; i < out.size(); ++i) {
    if (out[i] == QLatin1Char(' ')) {
      atStart = true;
    } else if (atStart) {
      out[i] = out[i].toUpper();
      atStart = false;
    }
  }
  return out;
}

// The calendar, starting at today.
bool pickCloseDate(TDateRec& date) {
  TDateRec d = Today();
  if (!PickDate(d)) return false;
  date = d;
  return true;
}

}  // namespace

const TAccountKindInfo* AccountKindInfo(int kind) {
  for (const TAccountKindInfo& k : kKinds)
    if (k.kind == kind) return &k;
  return nullptr;
}

bool IsValidAccountKind(int kind) { return AccountKindInfo(kind) != nullptr; }
bool IsGroupKind(int kind) { return kind >= kKindExternalGroup && kind <= kKindInternalGroup; }

int GroupKindFor(int kind) {
  const TAccountKindInfo* k = AccountKindInfo(kind);
  return k ? k->groupKind : 0;
}

QString InvalidAccountKindText(int kind) {
  return "Invalid account type " + num(kind) + " - run DB Healthcheck!";
}

int DefaultAccountId(int kind) {
  const TDbSettings& s = Session().settings;
  switch (kind) {
    case kKindExternal:
      return s.defaultCashId;
    case kKindCategory:
      return s.defaultCtgyId;
    case kKindCounterparty:
      return s.defaultCptyId;
    case kKindPot:
      return s.defaultPotId;
    default:
      return 0;
  }
}

QString AccountKindName(int kind, QChar letterCase, QChar number) {
  QString first;
  bool counterparty = false;
  switch (kind) {
    case kKindExternal:
    case kKindExternalGroup:
      first = QStringLiteral("external ");
      break;
    case kKindCategory:
    case kKindPot:
    case kKindInternalGroup:
      first = QStringLiteral("internal ");
      break;
    case kKindCounterparty:
      first = QStringLiteral("counterpart");
      counterparty = true;
      break;
    case kKindCounterpartyGroup:
      first = QStringLiteral("counterparty ");
      break;
    case kKindDiary:
      first = QStringLiteral("diary");
      break;
    default:
      first = "not known " + num(kind);
  }
  QString second;
  if (kind == kKindExternal || kind == kKindCategory || kind == kKindPot)
    second = QStringLiteral("account");
  else if (IsGroupKind(kind))
    second = QStringLiteral("group");

  const bool plural = number != QLatin1Char('S');
  if (counterparty)
    first += plural ? QStringLiteral("ies") : QStringLiteral("y");
  else if (plural && !second.isEmpty())
    second += QLatin1Char('s');
  else if (plural)
    first += QLatin1Char('s');

  QString text = first + second;
  if (letterCase == QLatin1Char('U')) text = capitaliseWords(text);
  return text + QLatin1Char(' ');
}

bool NameExists(int kind, const QString& name) {
  const int32_t id =
      QueryValue(QStringLiteral("select first 1 o.id from account o where "
                                "lower(o.name) = lower(cast(? as varchar(%1))) and o.type2 = ? "
                                "order by o.id")
                     .arg(kNameWidth),
                 {CutToWidth(name, kNameWidth), kind}, 0)
          .toInt();
  if (id <= 0) return false;
  TObj existing;
  if (ReadAccount(id, existing))
    ShowInfo(AccountKindName(kind, 'U', 'S') + quoted(existing.name) + "already exists");
  return true;
}

int CheckGroupForMember(const TObj& group, const TObj& member, QString& text) {
  text = QStringLiteral("Acc/Grp invalid acctype combi");
  const int m = member.kind;
  const int g = group.kind;
  const bool memberKindOk = m == kKindExternal || m == kKindCategory || m == kKindCounterparty ||
                            m == kKindPot || IsGroupKind(m);
  if (!memberKindOk || !IsGroupKind(g)) return kGroupInvalidKinds;
  if (m == kKindExternal || m == kKindExternalGroup) {
    if (g != kKindExternalGroup) return kGroupInvalidKinds;
  } else if (m == kKindCategory || m == kKindPot || m == kKindInternalGroup) {
    if (g != kKindInternalGroup) {
      ShowProgramError(QStringLiteral("Core.chk_grp_open_for_obj"));
      return kGroupInvalidKinds;
    }
  } else if (g != kKindCounterpartyGroup) {
    return kGroupInvalidKinds;
  }

  if ((g == kKindExternalGroup || g == kKindInternalGroup) && member.ccy != group.ccy) {
    text = QStringLiteral("account currency/group mismatch");
    return kGroupCurrencyMismatch;
  }
  // A result of 0 carries no text, whichever way it was reached.
  if (member.openDate.isZero()) {
    text.clear();
    return kGroupFine;
  }
  const QString about = " Group " + num(group.id) + " " + quoted(group.name) + " ";
  const QString whom = " for Account / Sub-Group " + quoted(member.name);
  if (CompareDates(member.openDate, group.openDate) < 0) {
    text = about + "opened too late" + whom;
    return kGroupOpenedTooLate;
  }
  if (CompareDates(member.closeDate, group.closeDate) > 0) {
    text = about + "closed too soon" + whom;
    return kGroupClosedTooSoon;
  }
  text.clear();
  return kGroupFine;
}

bool CanCloseAccount(const TObj& account, TDateRec& date) {
  const int32_t rptr = repeaterUsing(account.id, true);
  if (rptr > 0) {
    ShowInfo("Cannot close - Account is in active Repeater #" + num(rptr));
    return false;
  }

  Tmovt movt;
  if (ReadMovt(account.id, Session().workingCurrency, movt) && movt.closingBalance != 0 &&
      account.kind != kKindCategory) {
    if (!AskYes("Account balance not zero (" + FormatAmount(movt.closingBalance) +
                "), are you sure you want to close?"))
      return false;
  }

  if (hasNoRealDate(account.lastPstgDate)) return pickCloseDate(date);

  const QString last = DateRecToText(account.lastPstgDate);
  const int choice =
      AskChoice("Closing " + AccountKindName(account.kind, 'U', 'S') + quoted(account.name) +
                    "... " + "\r" + "OK to set close date to last posting date " + last + " ?",
                "use " + last, QStringLiteral("or another date"));
  if (choice == 1) {
    if (RebalanceNeeded() &&
        !AskYes(QStringLiteral("This Last Posting Date may be changed by the outstanding "
                               "Rebalance, still OK to use it?")))
      return false;
    date = account.lastPstgDate;
    return true;
  }
  if (choice == 2) return pickCloseDate(date);
  return false;
}

bool CloseAccount(int32_t id) {
  TObj account;
  if (!ReadAccount(id, account)) return false;
  TDateRec date;
  if (!CanCloseAccount(account, date)) return false;
  account.closeDate = date;
  if (!WriteAccount(account) || !CommitIfActive()) {
    RollbackIfActive();
    return false;
  }
  return true;
}

bool CanCloseGroup(const TObj& group, TDateRec& date) {
  if (!IsGroupKind(group.kind)) return false;

  bool ok = false;
  QSqlQuery q = RunQuery(
      QStringLiteral("select o.name, o.closedate from account o where o.grpid = ? order by o.id"),
      {group.id}, &ok);
  if (!ok) return false;
  int members = 0;
  int32_t latest = 0;
  while (q.next()) {
    ++members;
    const int32_t closed = q.value(1).isNull() ? 0 : q.value(1).toInt();
    if (closed == kOpen) {
      ShowInfo("Group contains open subgroup/account " + quoted(q.value(0).toString()) +
               "- cannot close");
      return false;
    }
    latest = qMax(latest, closed);
  }

  if (members == 0) {
    ShowInfo(QStringLiteral("Group is empty - enter close date"));
    return pickCloseDate(date);
  }

  const QString latestText = YmdToText(latest);
  switch (AskYesNoCancel("Closing Group " + quoted(group.name) + " ... " + "\r" +
                         "OK to use latest account close date in group " + latestText + " ?")) {
    case 'Y':
      date = YmdToDateRec(latest);
      return true;
    case 'N':
      return pickCloseDate(date);
    default:
      return false;
  }
}

bool CloseGroup(int32_t id) {
  TObj group;
  if (!ReadAccount(id, group)) return false;
  TDateRec date;
  if (!CanCloseGroup(group, date)) return false;
  group.closeDate = date;
  if (!WriteAccount(group) || !CommitIfActive()) {
    RollbackIfActive();
    return false;
  }
  return true;
}

bool CheckAccountForTxnDate(TObj& account, const TDateRec& date) {
  TObj a;
  if (!ReadAccount(account.id, a)) return false;
  account = a;
  const QString kindName = AccountKindName(a.kind, 'U', 'S');

  // A zero close date is no close date: only a real date closes an account.
  if (!a.closeDate.isZero() && CompareDates(date, a.closeDate) > 0) {
    if (!AskYes(kindName + quoted(a.name) + "is closed" + " - " + "continue anyway?" + " ?"))
      return false;
    const int choice = AskChoice(QStringLiteral("Update account close date ?"),
                                 QStringLiteral("= txn date"), QStringLiteral("leave open"));
    if (choice == 1 || choice == 2) {
      a.closeDate = choice == 1 ? date : YmdToDateRec(kOpen);
      if (!WriteAccount(a)) return false;
      account = a;
    }
  }

  if (CompareDates(date, a.openDate) < 0) {
    if (!isOpenEnded(a.openDate) &&
        !AskYes("Transaction on " + DateRecToText(date) + " pre-dates account opendate for " +
                kindName + quoted(a.name) + "on " + DateRecToText(a.openDate) + " - OK ?"))
      return false;
    a.openDate = date;
    if (!WriteAccount(a)) return false;
    account = a;
  }
  return true;
}

bool CanDeleteAccount(int32_t id) {
  // 1. The default pot is refused before anything is read.
  if (id == Session().settings.defaultPotId) {
    ShowInfo(kCannotDelete + " default Pot");
    return false;
  }
  // 2.
  TObj a;
  if (!ReadAccount(id, a)) return false;

  // Emptying a group (step 4) is kept whatever the later steps decide.
  auto finish = [](bool deleted) {
    if (!CommitIfActive()) {
      RollbackIfActive();
      return false;
    }
    return deleted;
  };

  // 3.
  const int postings =
      CountRows(QStringLiteral("pstg"),
                QStringLiteral("objid = ? AND txntype <> 'A' AND txntype <> 'D' "), {id});
  if (postings < 0) return false;
  if (postings > 0) {
    ShowInfo(kCannotDelete + "account - " + num(postings) + " posting(s) found");
    return false;
  }

  // 4.
  const int members = CountRows(QStringLiteral("account"), QStringLiteral("grpid = ?"), {id});
  if (members < 0) return false;
  if (members > 0) {
    if (!AskYes(kCannotDelete + "group - it contains " + num(members) +
                " account(s) / subgroup(s) - empty the Group?"))
      return false;
    bool ok = false;
    QSqlQuery q = RunQuery(QStringLiteral("select o.id from account o where o.grpid = ? "
                                          "order by o.id"),
                           {id}, &ok);
    QList<int32_t> ids;
    while (ok && q.next()) ids << q.value(0).toInt();
    for (int32_t memberId : ids) {
      TObj m;
      if (!ReadAccount(memberId, m)) continue;
      m.groupId = 0;
      m.path = QStringLiteral(" ");
      if (!WriteAccount(m)) {
        RollbackIfActive();
        return false;
      }
    }
    Session().settings.resetPaths = true;
  }

  // 5.
  if ((a.kind == kKindExternal || a.kind == kKindCategory || a.kind == kKindPot) &&
      a.openingBalance != 0) {
    ShowInfo(kCannotDelete + "account - opening balance is not zero");
    return finish(false);
  }

  // 6.
  int32_t heldWithThis = 0;
  if (a.kind == kKindExternal || a.kind == kKindCounterparty) {
    bool ok = false;
    QSqlQuery q = RunQuery(
        QStringLiteral("select o.id from account o where o.accwith = ? order by o.id"), {id}, &ok);
    QList<int32_t> ids;
    while (ok && q.next()) ids << q.value(0).toInt();
    if (a.kind == kKindCounterparty && !ids.isEmpty()) {
      ShowInfo(kCannotDelete + "counterparty - it has " + num(ids.size()) + " external account(s)");
      return finish(false);
    }
    if (a.kind == kKindExternal && !ids.isEmpty()) heldWithThis = ids.first();
  }

  // 7.
  const int32_t rptr = repeaterUsing(id, false);
  if (rptr > 0) {
    ShowInfo(kCannotDelete + "- Account is referenced by Repeater #" + num(rptr));
    return finish(false);
  }

  // 8.
  {
    bool ok = false;
    QSqlQuery q = RunQuery(QStringLiteral("select first 1 p.txnid, p.objid from pstg p "
                                          "where p.contra = ? order by p.txnid, p.objid"),
                           {id}, &ok);
    if (ok && q.next()) {
      ShowInfo(kCannotDelete + " - referenced as contra in posting " + q.value(0).toString() + " " +
               q.value(1).toString());
      return finish(false);
    }
  }

  // 9. Created before the books' start date: its records went to an archive.
  const int32_t start = Session().dbStartDate;
  if (start > 0 && a.created.isValid()) {
    const QDate c = a.created.date();
    if (c.year() * 10000 + c.month() * 100 + c.day() < start &&
        !AskYes(QStringLiteral("Account has been archived, are you sure you want to delete here?")))
      return finish(false);
  }

  // 10.
  if (!AskYes("Delete " + AccountKindName(a.kind, 'L', 'S') + quoted(a.name) + "?"))
    return finish(false);

  // 11. The rows derived from the account go with it, so that an id given
  // out again later starts clean (a MOVTE row left behind would block it).
  const QVariantList key{id};
  if (!DeleteBfdMarker(id) || !ExecSql(QStringLiteral("delete from movte where objid = ?"), key) ||
      !ExecSql(QStringLiteral("delete from movtg where accid = ?"), key) ||
      !ExecSql(QStringLiteral("delete from accingrp where accid = ? or grpid = ?"), {id, id}) ||
      !ExecSql(QStringLiteral("delete from cptyctgy where cptyid = ? or ctgyid = ?"), {id, id}) ||
      !ExecSql(QStringLiteral("delete from channel where accid = ?"), key) ||
      !ExecSql(QStringLiteral("delete from account where id = ?"), key)) {
    RollbackIfActive();
    return false;
  }
  if (heldWithThis > 0) {
    TObj holder;
    if (ReadAccount(heldWithThis, holder)) {
      holder.heldWith = 0;
      if (!WriteAccount(holder)) {
        RollbackIfActive();
        return false;
      }
    }
  }
  return finish(true);
}

bool CheckNotOwnGroup(int32_t groupId, int32_t newParentId) {
  // A parent below the group would close a loop just as the group itself would.
  if (groupId > 0 && newParentId > 0 &&
      (groupId == newParentId || GroupChainContains(newParentId, groupId))) {
    ShowInfo(QStringLiteral("An Account Group must not contain itself"));
    return false;
  }
  return true;
}

bool CheckRegroupAgainstFreeze(const TObj& account) {
  const int32_t freeze = Session().settings.freezeBefore;
  if (freeze <= 0 || account.id <= 0) return false;
  bool affected = account.openingBalance != 0;
  if (!affected)
    affected =
        CountRows(QStringLiteral("pstg p"), QStringLiteral("p.objid = ? and p.pstgdate <= ?"),
                  {account.id, freeze}) > 0;
  if (!affected) return false;
  return !ConfirmSure(QStringLiteral("Regrouping will violate freeze date"));
}

void GroupChoices(int groupKind, bool openOnly, TChoiceList& list) {
  list.clear();
  list.append({QStringLiteral("<none>"), 0});
  QString sql = QStringLiteral(
      "select a.id, a.name, lower(a.name) as lname, a.closedate from account a "
      "where (a.type2 = ?)");
  QVariantList binds{groupKind};
  if (openOnly) sql += QStringLiteral(" and (a.closedate = 99999999)");
  if (groupKind == kKindExternalGroup) {
    sql += QStringLiteral(" and (a.ccy = ?)");
    binds << Session().workingCurrency;
  }
  sql += QStringLiteral(" order by 3, 1");
  bool ok = false;
  QSqlQuery q = RunQuery(sql, binds, &ok);
  while (ok && q.next()) {
    const bool closed = q.value(3).isNull() || q.value(3).toInt() != kOpen;
    list.append({(closed ? QStringLiteral("(closed) ") : QString()) + q.value(1).toString(),
                 q.value(0).toInt()});
  }
}
