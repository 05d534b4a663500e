// vorbek-cli account add / list / close / delete / move, hierarchy rebuild:
// the account and group rules of the ledger from the command line.
#include <QDate>
#include <QRegularExpression>
#include <QSqlQuery>

#include "cli/batch_prompter.h"
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/open_books.h"
#include "foundation/dates.h"
#include "foundation/numbers.h"
#include "foundation/texts.h"
#include "ledger/accounts.h"
#include "ledger/hierarchy.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/records.h"
#include "store/session.h"

namespace {

QString described(const TObj& o) {
  return AccountKindName(o.kind, 'L', 'S') + "#" + QString::number(o.id) + " \"" + o.name + "\"";
}

// The group check of the detail screens: a group opened after its new member
// may be back-dated; any other finding refuses.
bool groupAccepts(TObj& group, const TObj& member) {
  QString text;
  const int result = CheckGroupForMember(group, member, text);
  if (result == kGroupOpenedTooLate) {
    const QString tail =
        member.isGroup ? QStringLiteral(" - back-date ?") : QStringLiteral(" - back-date?");
    if (AskYes(text + tail)) {
      group.openDate = member.openDate;
      if (!WriteAccount(group)) return false;
    }
    return true;
  }
  if (result != kGroupFine) {
    ShowInfo(text);
    return false;
  }
  return true;
}

// ------------------------------------------------------------------ add

int runAdd(CliContext& ctx) {
  const QString line = QStringLiteral(
      "account add DIR --kind KIND --name NAME [--group ID] [--ccy CCY] [--opening AMOUNT]");
  QString kindText, name, groupText, ccyText, openingText;
  const bool hasKind = ctx.takeOption(QStringLiteral("--kind"), kindText);
  const bool hasName = ctx.takeOption(QStringLiteral("--name"), name);
  const bool hasGroup = ctx.takeOption(QStringLiteral("--group"), groupText);
  const bool hasCcy = ctx.takeOption(QStringLiteral("--ccy"), ccyText);
  const bool hasOpening = ctx.takeOption(QStringLiteral("--opening"), openingText);
  if (!hasKind || !hasName || ctx.args.size() != 1) return CliUsage(line);

  int kind = 0;
  if (!ParseCliKind(kindText, kind)) return CliBadKind(kindText);
  if (kind == kKindDiary) {
    CliErr(QStringLiteral("vorbek-cli: the diary is not added as an account"));
    return 2;
  }
  name = CutToWidth(name.trimmed(), kNameWidth);
  if (name.isEmpty()) {
    CliErr(QStringLiteral("vorbek-cli: Account name must be specified"));
    return 2;
  }
  int32_t groupId = 0;
  if (hasGroup && !ParseCliId(groupText, groupId, true)) {
    CliErr("vorbek-cli: --group needs an account id, not \"" + groupText + "\"");
    return 2;
  }
  static const QRegularExpression code(QStringLiteral("^[A-Za-z]{3}$"));
  if (hasCcy && !code.match(ccyText).hasMatch()) {
    CliErr("vorbek-cli: --ccy needs a three-letter currency code, not \"" + ccyText + "\"");
    return 2;
  }
  int64_t opening = 0;
  if (hasOpening) {
    if (kind != kKindExternal && kind != kKindCategory && kind != kKindPot) {
      CliErr(
          QStringLiteral("vorbek-cli: only external and internal accounts have an opening "
                         "balance"));
      return 2;
    }
    if (!ParseAmount(openingText, opening)) {
      CliErr("vorbek-cli: --opening needs an amount, not \"" + openingText + "\"");
      return 2;
    }
  }

  if (!CliOpenBooks(ctx.args.first())) return 1;
  TSession& s = Session();
  const QString base = s.settings.baseCurrency;

  TObj o = NewObj();
  o.kind = uint8_t(kind);
  o.name = name;
  switch (kind) {
    case kKindExternal:
    case kKindExternalGroup:
      o.ccy = hasCcy ? ccyText.toUpper() : s.workingCurrency;
      break;
    case kKindCounterparty:
      o.ccy = hasCcy ? ccyText.toUpper() : base;
      break;
    case kKindCounterpartyGroup:
      o.ccy = QStringLiteral("   ");  // counterparty groups have no currency
      break;
    default:
      o.ccy = base;  // internal accounts and their groups are in the base currency
      if (hasCcy && ccyText.toUpper() != base) {
        CliErr("vorbek-cli: internal accounts are in the base currency " + base);
        return CliRefused();
      }
  }
  if (o.ccy.trimmed().size() == 3 && !LocateCurrency(o.ccy)) {
    CliErr("vorbek-cli: currency " + o.ccy + " is not in the currency table");
    return CliRefused();
  }
  if (hasOpening) {
    if (o.ccy != base) {
      CliErr("vorbek-cli: --opening needs an account in the base currency " + base +
             " (its value would need a rate)");
      return CliRefused();
    }
    o.openingBalance = opening;
    o.openingValue = opening;
  }

  if (groupId > 0) {
    TObj group;
    if (!ReadAccount(groupId, group)) return CliRefused();
    if (!groupAccepts(group, o)) return CliRefused();
    o.groupId = groupId;
    o.path = PathUnderGroup(group);
  }
  if (NameExists(kind, o.name)) return CliRefused();

  if (!WriteAccount(o)) return CliRefused();
  // The first account of a kind with a default becomes that default.
  if (kind == kKindExternal && s.settings.defaultCashId == -1) s.settings.defaultCashId = o.id;
  if (kind == kKindCategory && s.settings.defaultCtgyId == -1) s.settings.defaultCtgyId = o.id;
  if (kind == kKindCounterparty && s.settings.defaultCptyId == -1) s.settings.defaultCptyId = o.id;
  MarkHierarchyChanged();
  CliOut("Added " + described(o));
  return CliCommitted();
}

// ----------------------------------------------------------------- list

int runList(CliContext& ctx) {
  QString kindText;
  const bool hasKind = ctx.takeOption(QStringLiteral("--kind"), kindText);
  if (ctx.args.size() != 1)
    return CliUsage(QStringLiteral("account list DIR [--kind KIND] [--csv]"));
  int kind = 0;
  if (hasKind && !ParseCliKind(kindText, kind)) return CliBadKind(kindText);

  if (!CliOpenBooks(ctx.args.first())) return 1;
  QString sql = QStringLiteral(
      "select o.id, o.type2, o.name, o.grpid, o.path, o.ccy, o.opendate, o.closedate "
      "from account o");
  QVariantList binds;
  if (hasKind) {
    sql += QStringLiteral(" where o.type2 = ?");
    binds << kind;
  }
  sql += QStringLiteral(" order by o.id");
  bool ok = false;
  QSqlQuery q = RunQuery(sql, binds, &ok);
  if (!ok) {
    CloseDatabase(false);
    return 1;
  }
  QList<QStringList> rows;
  while (q.next()) {
    const int32_t group = q.value(3).toInt();
    rows << QStringList{
        q.value(0).toString(),           CliKindWord(q.value(1).toInt()),
        q.value(2).toString(),           group > 0 ? QString::number(group) : QString(),
        q.value(4).toString().trimmed(), q.value(5).toString().trimmed(),
        CliDateText(q.value(6).toInt()),  CliDateText(q.value(7).toInt())};
  }
  q.finish();
  CliTable(ctx,
           {QStringLiteral("Id"), QStringLiteral("Kind"), QStringLiteral("Name"),
            QStringLiteral("Group"), QStringLiteral("Path"), QStringLiteral("Currency"),
            QStringLiteral("Opened"), QStringLiteral("Closed")},
           rows);
  CloseDatabase(false);  // looking does not count as using the books
  return 0;
}

// ---------------------------------------------------------------- close

// Answers the closing questions from --date: "or another date" and that date
// in the calendar; without --date the last posting date (or the group's
// latest close date) is taken. Every other question goes to the batch prompter.
class ClosePrompter : public Prompter {
 public:
  ClosePrompter(Prompter& inner, bool haveDate, const TDateRec& date)
      : inner_(inner), haveDate_(haveDate), date_(date) {
    previous_ = InstallPrompter(this);
  }
  ~ClosePrompter() override { InstallPrompter(previous_); }

  void showInfo(const QString& text, bool plain) override { inner_.showInfo(text, plain); }
  char askYesNoCancel(const QString& text) override {
    if (!text.startsWith(QLatin1String("Closing Group "))) return inner_.askYesNoCancel(text);
    CliErr(text + (haveDate_ ? " [no]" : " [yes]"));
    return haveDate_ ? 'N' : 'Y';
  }
  bool askText(const QString& prompt, const QString& line2, QString& text, int maxLength,
               int emphasis) override {
    return inner_.askText(prompt, line2, text, maxLength, emphasis);
  }
  int askChoice(const QString& text, const QString& option1, const QString& option2) override {
    if (!text.startsWith(QLatin1String("Closing ")))
      return inner_.askChoice(text, option1, option2);
    CliErr(text + " [" + (haveDate_ ? option2 : option1) + "]");
    return haveDate_ ? 2 : 1;
  }
  bool pickDate(const QString& title, TDateRec& date) override {
    if (!haveDate_) return inner_.pickDate(title, date);
    date = date_;
    return true;
  }
  bool pickFolder(QString& folder) override { return inner_.pickFolder(folder); }
  void flash(const QString& text, FlashMode mode) override { inner_.flash(text, mode); }
  void setStatus(const QString& text) override { inner_.setStatus(text); }

 private:
  Prompter& inner_;
  Prompter* previous_ = nullptr;
  bool haveDate_;
  TDateRec date_;
};

int runClose(CliContext& ctx) {
  const QString line = QStringLiteral("account close DIR ID [--date yyyy-mm-dd]");
  QString dateText;
  const bool hasDate = ctx.takeOption(QStringLiteral("--date"), dateText);
  int32_t id = 0;
  if (ctx.args.size() != 2 || !ParseCliId(ctx.args.at(1), id)) return CliUsage(line);
  TDateRec date;
  if (hasDate && (!QDate::fromString(dateText, QStringLiteral("yyyy-MM-dd")).isValid() ||
                  !ParseDateText(dateText, date))) {
    CliErr("vorbek-cli: --date needs a date yyyy-mm-dd, not \"" + dateText + "\"");
    return 2;
  }

  if (!CliOpenBooks(ctx.args.first())) return 1;
  TObj o;
  if (!ReadAccount(id, o)) return CliRefused();
  // The balance question reads the account's own currency.
  if (!IsGroupKind(o.kind)) Session().workingCurrency = o.ccy;
  bool closed = false;
  {
    ClosePrompter answers(CurrentPrompter(), hasDate, date);
    closed = IsGroupKind(o.kind) ? CloseGroup(id) : CloseAccount(id);
  }
  if (!closed) return CliRefused();
  ReadAccount(id, o);
  CliOut("Closed " + described(o) + " on " + DateRecToText(o.closeDate));
  return CliCommitted();
}

// --------------------------------------------------------------- delete

int runDelete(CliContext& ctx) {
  int32_t id = 0;
  if (ctx.args.size() != 2 || !ParseCliId(ctx.args.at(1), id))
    return CliUsage(QStringLiteral("account delete DIR ID"));
  if (!CliOpenBooks(ctx.args.first())) return 1;
  TObj o;
  const bool known = LocateAccount(id) && ReadAccount(id, o);
  if (!CanDeleteAccount(id)) {
    // Emptying a group is kept even when the group itself stays.
    CommitIfActive();
    CloseDatabase();
    return 1;
  }
  CliOut("Deleted " + (known ? described(o) : "#" + QString::number(id)));
  return CliCommitted();
}

// ----------------------------------------------------------------- move

int runMove(CliContext& ctx) {
  const QString line = QStringLiteral("account move DIR ID --group ID");
  QString groupText;
  const bool hasGroup = ctx.takeOption(QStringLiteral("--group"), groupText);
  int32_t id = 0;
  int32_t groupId = 0;
  if (!hasGroup || ctx.args.size() != 2 || !ParseCliId(ctx.args.at(1), id) ||
      !ParseCliId(groupText, groupId, true))
    return CliUsage(line);

  if (!CliOpenBooks(ctx.args.first())) return 1;
  TObj o;
  if (!ReadAccount(id, o)) return CliRefused();
  if (o.groupId == groupId) {
    CliOut(described(o) + " is already there");
    CloseDatabase(false);
    return 0;
  }
  TObj group;
  if (groupId > 0) {
    if (!ReadAccount(groupId, group)) return CliRefused();
    if (IsGroupKind(o.kind) && !CheckNotOwnGroup(o.id, groupId)) return CliRefused();
    if (!groupAccepts(group, o)) return CliRefused();
  }
  if (CheckRegroupAgainstFreeze(o)) return CliRefused();
  o.groupId = groupId;
  o.path = groupId > 0 ? PathUnderGroup(group) : QStringLiteral(" ");
  if (!WriteAccount(o)) return CliRefused();
  MarkHierarchyChanged();
  CliOut("Moved " + described(o) +
         (groupId > 0 ? " into " + described(group) : QStringLiteral(" to the top level")));
  return CliCommitted();
}

// ------------------------------------------------------------ hierarchy

int runRebuild(CliContext& ctx) {
  if (ctx.args.size() != 1) return CliUsage(QStringLiteral("hierarchy rebuild DIR"));
  if (!CliOpenBooks(ctx.args.first())) return 1;
  if (!RebuildPaths()) {
    CloseDatabase();
    return 1;
  }
  Session().settings.resetPaths = false;  // the request is met
  CliOut("Paths rebuilt: " +
         QString::number(CountRows(QStringLiteral("account"), QStringLiteral("grpid > 0"))) +
         " accounts in groups, " + QString::number(CountAll(QStringLiteral("accingrp"))) +
         " account-in-group rows");
  return CliCommitted();
}

const CliRegistration kAdd({QStringLiteral("account add"),
                            QStringLiteral("DIR --kind KIND --name NAME [--group ID] [--ccy CCY] "
                                           "[--opening AMOUNT]"),
                            QStringLiteral("new account or group (KIND: number or external, "
                                           "category, counterparty, pot, extgroup, cptygroup, "
                                           "intgroup)"),
                            runAdd});
const CliRegistration kList({QStringLiteral("account list"),
                             QStringLiteral("DIR [--kind KIND] [--csv]"),
                             QStringLiteral("accounts with kind, group, path, currency and dates"),
                             runList});
const CliRegistration kClose({QStringLiteral("account close"),
                              QStringLiteral("DIR ID [--date yyyy-mm-dd]"),
                              QStringLiteral("close an account or group (default: its last "
                                             "posting date)"),
                              runClose});
const CliRegistration kDelete({QStringLiteral("account delete"), QStringLiteral("DIR ID"),
                               QStringLiteral("delete an account or group by the delete rules"),
                               runDelete});
const CliRegistration kMove({QStringLiteral("account move"), QStringLiteral("DIR ID --group ID"),
                             QStringLiteral("put an account or group into a group (0 = top level)"),
                             runMove});
const CliRegistration kRebuild({QStringLiteral("hierarchy rebuild"), QStringLiteral("DIR"),
                                QStringLiteral("rebuild account paths and group membership"),
                                runRebuild});

}  // namespace
