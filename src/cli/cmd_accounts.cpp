// vorbek-cli account add / list / find / search / close / delete / move,
// hierarchy rebuild:
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
#include "reports/account_lists.h"
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

// The four kinds an account list, the finder and the search work on.
bool listableKind(int kind) {
  return kind == kKindExternal || kind == kKindCategory || kind == kKindCounterparty ||
         kind == kKindPot;
}

int badListKind(const QString& text) {
  return CliBad("--kind must be external, category, counterparty or pot, not \"" + text + "\"");
}

int runList(CliContext& ctx) {
  const QString line = QStringLiteral(
      "account list DIR [--kind KIND] [--status favorites|recent|dormant|closed|all] [--ccy CCY] "
      "[--csv]");
  QString kindText, statusText, ccyText;
  const bool hasKind = ctx.takeOption(QStringLiteral("--kind"), kindText);
  const bool hasStatus = ctx.takeOption(QStringLiteral("--status"), statusText);
  const bool hasCcy = ctx.takeOption(QStringLiteral("--ccy"), ccyText);
  if (ctx.args.size() != 1) return CliUsage(line);
  TAccountListQuery query;
  if (hasKind && !ParseCliKind(kindText, query.kind)) return CliBadKind(kindText);
  if (hasStatus) {
    static const QStringList words{"favorites", "recent", "dormant", "closed", "all"};
    const int i = int(words.indexOf(statusText.toLower()));
    if (i < 0)
      return CliBad("--status must be one of " + words.join('|') + ", not \"" + statusText + "\"");
    query.filter = AccountFilter(i);
  }
  if (hasCcy && !ParseCliCurrency(ccyText, query.ccy))
    return CliBad("--ccy needs a three-letter currency code, not \"" + ccyText + "\"");

  if (!CliOpenBooks(ctx.args.first())) return 1;
  query.dormancyDate = Session().dormantCutoff;
  QList<TAccountListRow> found;
  if (!ListAccounts(query, found)) {
    CloseDatabase(false);
    return 1;
  }
  QList<TCellRow> rows;
  for (const TAccountListRow& r : found)
    rows << TCellRow{IntCell(r.id),        TextCell(CliKindWord(r.kind)),
                     TextCell(r.name),     r.groupId > 0 ? IntCell(r.groupId) : NullIntCell(),
                     TextCell(r.path),     TextCell(r.ccy),
                     DateCell(r.openDate), DateCell(r.closeDate),
                     TextCell(r.status)};
  CliTable(ctx,
           {QStringLiteral("Id"), QStringLiteral("Kind"), QStringLiteral("Name"),
            QStringLiteral("Group"), QStringLiteral("Path"), QStringLiteral("Currency"),
            QStringLiteral("Opened"), QStringLiteral("Closed"), QStringLiteral("Status")},
           rows);
  CloseDatabase(false);  // looking does not count as using the books
  return 0;
}

// ----------------------------------------------------------------- find

int runFind(CliContext& ctx) {
  const QString line = QStringLiteral("account find DIR --kind KIND TEXT [--contains] [--csv]");
  QString kindText;
  const bool hasKind = ctx.takeOption(QStringLiteral("--kind"), kindText);
  const bool contains = ctx.takeFlag(QStringLiteral("--contains"));
  if (!hasKind || ctx.args.size() != 2) return CliUsage(line);
  int kind = 0;
  if (!ParseCliKind(kindText, kind)) return CliBadKind(kindText);
  if (!listableKind(kind)) return badListKind(kindText);

  if (!CliOpenBooks(ctx.args.first())) return 1;
  const TSession& s = Session();
  TFinderPages pages;
  if (!FindAccounts(kind, ctx.args.at(1), contains, s.dormantCutoff, s.settings.baseCurrency,
                    pages)) {
    CloseDatabase(false);
    return 1;
  }
  static const char* const kPages[] = {"Actives", "Dormants", "Closed"};
  QList<TCellRow> rows;
  for (int p = 0; p < 3; ++p)
    for (const TFinderHit& h : pages.page[p])
      rows << TCellRow{TextCell(QString::fromLatin1(kPages[p])), IntCell(h.id), TextCell(h.text)};
  CliTable(ctx, {QStringLiteral("Page"), QStringLiteral("Id"), QStringLiteral("Account")}, rows);
  if (!CliMachineOutput(ctx)) {
    QStringList counts;
    for (int p = 0; p < 3; ++p)
      counts << QString::fromLatin1(kPages[p]) + " - " + QString::number(pages.page[p].size());
    CliOut(counts.join(QStringLiteral(", ")));
  }
  CloseDatabase(false);
  return 0;
}

// --------------------------------------------------------------- search

int runSearch(CliContext& ctx) {
  const QString line = QStringLiteral("account search DIR --kind KIND TEXT [--csv]");
  QString kindText;
  const bool hasKind = ctx.takeOption(QStringLiteral("--kind"), kindText);
  if (!hasKind || ctx.args.size() != 2) return CliUsage(line);
  int kind = 0;
  if (!ParseCliKind(kindText, kind)) return CliBadKind(kindText);
  if (!listableKind(kind)) return badListKind(kindText);
  const QString text = ctx.args.at(1);
  if (text.isEmpty()) return CliBad(QStringLiteral("the search text is empty"));

  if (!CliOpenBooks(ctx.args.first())) return 1;
  QList<TAccountSearchRow> found;
  if (!SearchAccountRows(kind, text, found)) {
    CloseDatabase(false);
    return 1;
  }
  QStringList header{QStringLiteral("Id"), QStringLiteral("Account name"),
                     QStringLiteral("Group?")};
  if (kind == kKindCounterparty) header << QStringLiteral("Payer/ee");
  if (kind == kKindExternal) header << QStringLiteral("CCY");
  header << QStringLiteral("First used") << QStringLiteral("Last used") << QStringLiteral("Closed");
  QList<TCellRow> rows;
  for (const TAccountSearchRow& r : found) {
    TCellRow row{IntCell(r.id), TextCell(r.name), TextCell(r.groupText())};
    if (kind == kKindCounterparty) row << TextCell(r.payerText());
    if (kind == kKindExternal) row << TextCell(r.ccy);
    row << TextCell(r.firstUsedText()) << TextCell(r.lastUsedText())
        << DateCell(r.closeDate);
    rows << row;
  }
  CliTable(ctx, header, rows);
  if (!CliMachineOutput(ctx)) CliOut(QString::number(found.size()) + " items");
  CloseDatabase(false);
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
const CliRegistration kList(
    {QStringLiteral("account list"),
     QStringLiteral("DIR [--kind KIND] [--status favorites|recent|dormant|closed|all] [--ccy CCY] "
                    "[--csv]"),
     QStringLiteral("accounts in name order with kind, group, path, currency, dates and status "
                    "(category and pot list together, as in the accounts list)"),
     runList});
const CliRegistration kFind({QStringLiteral("account find"),
                             QStringLiteral("DIR --kind KIND TEXT [--contains] [--csv]"),
                             QStringLiteral("names starting with (or containing) TEXT, any case, "
                                            "as the finder's Actives, Dormants and Closed pages"),
                             runFind});
const CliRegistration kSearch({QStringLiteral("account search"),
                               QStringLiteral("DIR --kind KIND TEXT [--csv]"),
                               QStringLiteral("accounts and groups whose name or note contains "
                                              "TEXT, any case"),
                               runSearch});
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
