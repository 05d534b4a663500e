// The control window's main menu: its items, the captions and checks that are
// worked out each time a menu opens, and the commands that live in the shell.
#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/texts.h"
#include "foundation/ui/notepad.h"
#include "ledger/accounts.h"
#include "ledger/archive.h"
#include "ledger/freeze.h"
#include "ledger/posting.h"
#include "ledger/rebalance.h"
#include "screens/lists/reminders_window.h"
#include "screens/lists/repeaters_window.h"
#include "screens/maintenance/repair_window.h"
#include "screens/masterdata/account_picking.h"
#include "screens/masterdata/currencies.h"
#include "screens/screen_hooks.h"
#include "screens/transactions/diary_window.h"
#include "screens/transactions/entry_form_ops.h"
#include "screens/transactions/input_days_window.h"
#include "screens/transactions/search_window.h"
#include "screens/transactions/templates_window.h"
#include "screens/transactions/txn_details.h"
#include "screens/views/balances_window.h"
#include "screens/views/monthly_window.h"
#include "screens/views/valuations.h"
#include "shell/about_box.h"
#include "shell/ctrl_window.h"
#include "shell/shell_hooks.h"
#include "store/db.h"
#include "store/opening.h"
#include "store/records.h"
#include "store/session.h"
#include "store/settings.h"

namespace {

QAction* addItem(QMenu* menu, const QString& caption, std::function<void()> run) {
  QAction* a = menu->addAction(caption);
  QObject::connect(a, &QAction::triggered, menu, [run = std::move(run)] { run(); });
  return a;
}

QAction* addTop(QMenuBar* bar, const QString& caption, std::function<void()> run) {
  QAction* a = bar->addAction(caption);
  QObject::connect(a, &QAction::triggered, bar, [run = std::move(run)] { run(); });
  return a;
}

// A caption with its ampersands shown as they are.
QString literal(QString s) {
  s.replace(QLatin1Char('&'), QStringLiteral("&&"));
  return s;
}

}  // namespace

void TFCtrl::buildMenus() {
  QMenuBar* bar = menuBar();
  TCtrlMenu& m = m_;

  m.exit = addTop(bar, QStringLiteral("&Exit"), [this] { close(); });
  m.currencies = addTop(bar, QStringLiteral("&Currencies"), [] { ShowCurrencies(); });

  // Accounts.
  m.accounts = bar->addMenu(QStringLiteral("&Accounts"));
  m.hierarchy = m.accounts->addMenu(QStringLiteral("Hierarchy"));
  m.hierExternal = addItem(m.hierarchy, QStringLiteral("External"), [] { ShowBalances(1); });
  m.hierInternal = addItem(m.hierarchy, QStringLiteral("Internal"), [] {
    // Internal accounts open in the base currency; the chosen one comes back after.
    TSession& s = Session();
    const QString chosen = s.workingCurrency;
    s.workingCurrency = s.settings.baseCurrency;
    ShowBalances(6);
    s.workingCurrency = chosen;
  });
  m.accounts->addSeparator();
  m.kinds = new QActionGroup(this);
  m.kinds->setExclusive(true);
  auto kindItem = [&](const QString& caption, int kind) {
    QAction* a = m.accounts->addAction(caption);
    a->setCheckable(true);
    m.kinds->addAction(a);
    connect(a, &QAction::triggered, this, [this, kind] { chooseListKind(kind); });
    return a;
  };
  m.kindExternal = kindItem(QStringLiteral("&External  ( owed by/to me )"), 1);
  m.kindInternal = kindItem(QStringLiteral("&Internal ( Categories, Pots )"), 6);
  m.kindCpty = kindItem(QStringLiteral("&Counterparties"), 4);
  m.kindExternal->setChecked(true);
  m.accounts->addSeparator();
  m.listByStatus = addItem(m.accounts, QStringLiteral("List by account status "),
                           [this] { BrowseAccounts(listKind_); });
  m.listByGroups = addItem(m.accounts, QStringLiteral("List by account Groups "),
                           [this] { ShowBalances(listKind_); });
  m.accountSearch =
      addItem(m.accounts, QStringLiteral("Search"), [this] { SearchAccounts(listKind_); });
  m.values = addItem(m.accounts, QStringLiteral("Values"), [] { ShowValuations(); });
  m.newMenu = m.accounts->addMenu(QStringLiteral("New"));
  m.newAccount =
      addItem(m.newMenu, QStringLiteral("New account"), [this] { AddAccountOfKind(listKind_); });
  m.newGroup = addItem(m.newMenu, QStringLiteral("New group"),
                       [this] { AddAccountOfKind(GroupKindFor(listKind_)); });
  m.currency = addItem(m.accounts, QStringLiteral("Currency"), [this] {
    PickCurrency();
    updateAccountsMenu();
    reopenMenu(m_.accounts);
  });
  m.accounts->addSeparator();
  m.diary = addItem(m.accounts, QStringLiteral("&Diary"), [] { ShowPostings(0); });
  m.seekById =
      addItem(m.accounts, QStringLiteral("&Seek account by id"), [this] { seekAccountById(); });
  m.freezeBefore = addItem(m.accounts, QStringLiteral("Freeze"), [this] { setFreezeBefore(); });
  connect(m.accounts, &QMenu::aboutToShow, this, &TFCtrl::updateAccountsMenu);

  // Transactions.
  m.transactions = bar->addMenu(QStringLiteral("&Transactions"));
  m.txnNew = addItem(m.transactions, QStringLiteral("New"), [] {
    int32_t id = 0;
    if (EnterNewTransaction(&id) && id > 0) ShowTransaction(id);
  });
  m.templates =
      addItem(m.transactions, QStringLiteral("Templates"), [] { ShowTemplatesWindow(false); });
  m.viewLast = addItem(m.transactions, QStringLiteral("View last input/edit"), [] {
    const int32_t id = LastInputOrEditedId();
    if (id > 0) ShowTransaction(id);
  });
  m.txnSearch = addItem(m.transactions, QStringLiteral("&Search"), [] { ShowSearch(); });
  m.daysWithInput =
      addItem(m.transactions, QStringLiteral("Days when input"), [] { ShowInputDaysWindow(); });
  m.journal = addItem(m.transactions, QStringLiteral("&Journal"), [] { ShowJournal(); });
  m.repeaters =
      addItem(m.transactions, QStringLiteral("&Repeaters"), [] { ShowRepeatersWindow(); });
  m.reminders = addItem(m.transactions, QStringLiteral("Reminders"), [] { ShowRemindersWindow(); });
  m.diaryEntry =
      addItem(m.transactions, QStringLiteral("Diary entry"), [this] { ShowDiaryEntryWindow(this); });

  m.analysis = addTop(bar, QStringLiteral("A&nalysis"), [] { ShowAnalysisDialog(); });

  // Database.
  m.database = bar->addMenu(QStringLiteral("&Database"));
  for (int i = 0; i < kRecentSlots; ++i) {
    m.recent[i] = addItem(m.database, QString(), [this, i] { openRecent(i); });
    m.recent[i]->setCheckable(true);
  }
  m.database->addSeparator();
  m.browse = addItem(m.database, QStringLiteral("Browse"), [this] { browseDatabase(); });
  m.openByName =
      addItem(m.database, QStringLiteral("Open by &name ..."), [this] { openBooksByName(); });
  m.thisDb = addItem(m.database, QStringLiteral("This db"), [] {});
  m.database->addSeparator();
  m.healthcheck =
      addItem(m.database, QStringLiteral("&Healthcheck"), [this] { ShowHealthcheck(this); });
  m.utf8Check = addItem(m.database, QStringLiteral("UTF-8 check"), [this] { ShowTextCheck(this); });
  m.archive = addItem(m.database, QStringLiteral("&Archive"), [] { ArchiveDatabase(); });
  m.freeze = m.database->addAction(QStringLiteral("Freeze"));
  m.freeze->setCheckable(true);
  connect(m.freeze, &QAction::triggered, this, &TFCtrl::toggleFreeze);
  connect(m.database, &QMenu::aboutToShow, this, &TFCtrl::updateDatabaseMenu);

  // Tools.
  m.tools = bar->addMenu(QStringLiteral("T&ools"));
  m.notepad = addItem(m.tools, QStringLiteral("&Notepad"), [this] {
    notepad_ = TheNotepad();
    ShowNotepad();
  });
  m.calendar = addItem(m.tools, QStringLiteral("&Calendar"), [] {
    TDateRec d = Today();
    PickDate(d);
  });
  m.flash = m.tools->addMenu(QStringLiteral("Flash messages"));
  m.flashLast = addItem(m.flash, QStringLiteral("Last message"), [] {
    if (!LastFlashMessage().isEmpty()) Flash(LastFlashMessage());
  });
  m.flashInterval = addItem(m.flash, QStringLiteral("Interval"), [] { AskFlashInterval(); });
  m.flashTest = addItem(m.flash, QStringLiteral("Test"), [] { ExplainFlash(); });
  m.oneClick = addItem(m.tools, QStringLiteral("One-click select"), [this] { toggleOneClick(); });
  m.oneClick->setCheckable(true);
  m.debug = m.tools->addMenu(QStringLiteral("&Debug"));
  m.dbgRebalance =
      addItem(m.debug, QStringLiteral("Re&balance"), [this] { rebalanceFromMenu(false); });
  m.dbgRebuild = addItem(m.debug, QStringLiteral("&Rebalance + rebuild hierarchy"),
                         [this] { rebalanceFromMenu(true); });
  m.dbgReopen = addItem(m.debug, QStringLiteral("Re-&open tables"), [] {
    if (ConfirmOk(QStringLiteral("Re-open tables"))) OpenTables();
  });
  m.dbgHourglass = addItem(m.debug, QStringLiteral("Hourglass off"), [] { BusyReset(); });
  m.dbgCommit = addItem(m.debug, QStringLiteral("Commit database transaction"), [] {
    if (ConfirmOk(QStringLiteral("Force commit of any database updates")) && InTransaction())
      CommitIfActive();
  });
  connect(m.tools, &QMenu::aboutToShow, this, &TFCtrl::updateToolsMenu);
  connect(m.flash, &QMenu::aboutToShow, this, &TFCtrl::updateToolsMenu);

  m.about = addTop(bar, QStringLiteral("A&bout"), [this] { about_->exec(); });

  updateAccountsMenu();
  updateDatabaseMenu();
  updateToolsMenu();
}

// Brings a menu back after a radio or check choice, so that the next choice follows.
void TFCtrl::reopenMenu(QMenu* menu) {
  QTimer::singleShot(0, this, [this, menu] {
    if (isVisible() && menu->menuAction()->isEnabled())
      menuBar()->setActiveAction(menu->menuAction());
  });
}

// ---- Accounts -----------------------------------------------------------------------

void TFCtrl::updateAccountsMenu() {
  const TSession& s = Session();
  TCtrlMenu& m = m_;
  m.values->setText("Values ( at " + toLabel_->text() + " )");
  QString freeze = QStringLiteral("Freeze");
  if (s.settings.freezeBefore > 0) freeze += " on/before " + YmdToText(s.settings.freezeBefore);
  m.freezeBefore->setText(freeze);

  listKind_ = m.kindInternal->isChecked() ? 6 : m.kindCpty->isChecked() ? 4 : 1;
  const QString ccy = "(" + literal(s.workingCurrency) + ")";
  m.listByStatus->setText(QStringLiteral("List by account status ") + (listKind_ == 1 ? ccy : ""));
  m.listByGroups->setText(QStringLiteral("List by account Groups ") +
                          (listKind_ == 1 || listKind_ == 4 ? ccy : ""));
  m.currency->setEnabled(listKind_ == 1 || listKind_ == 4);
  m.currency->setText("Currency = " + literal(s.workingCurrency));
  m.values->setEnabled(listKind_ == 1);
}

void TFCtrl::chooseListKind(int kind) {
  TSession& s = Session();
  listKind_ = kind;
  s.workingCurrency = kind == 6 ? s.settings.baseCurrency : s.externalWorkingCurrency;
  (kind == 6 ? m_.kindInternal : kind == 4 ? m_.kindCpty : m_.kindExternal)->setChecked(true);
  updateAccountsMenu();
  reopenMenu(m_.accounts);
}

void TFCtrl::seekAccountById() {
  QString text;
  if (!AskText2(QStringLiteral("Account id search"), QStringLiteral("Enter account id"), text))
    return;
  int id = 0;
  if (!ParseIntOrWarn(text.trimmed(), id)) return;
  // Unknown ids above 0 are reported by the reading itself.
  if (id < 1) {
    ShowInfo("Account not found : #" + QString::number(id));
    return;
  }
  EditAccount(id);
}

void TFCtrl::setFreezeBefore() { ChooseFreezeBefore(); }

// ---- Database -------------------------------------------------------------------------

void TFCtrl::updateDatabaseMenu() {
  const TSession& s = Session();
  TCtrlMenu& m = m_;
  const bool open = DatabaseIsOpen();
  const QString current = open ? DatabaseLocation() : QString();
  m.freeze->setChecked(open && s.settings.dbFrozen);
  m.thisDb->setText(literal("This database = " + current));
  bool listed = false;
  const TRecentDatabases& recent = RecentDatabases();
  for (int i = 0; i < kRecentSlots; ++i) {
    const QString& path = recent.slot[i];
    m.recent[i]->setVisible(!path.isEmpty());
    m.recent[i]->setText(literal(path));
    const bool isOpen = open && !path.isEmpty() && path == current;
    m.recent[i]->setChecked(isOpen);
    listed = listed || isOpen;
  }
  m.thisDb->setVisible(open && !listed);
}

void TFCtrl::toggleFreeze(bool on) {
  m_.freeze->setChecked(SetDatabaseFrozen(on));
  reopenMenu(m_.database);
}

// ---- Tools ------------------------------------------------------------------------------

void TFCtrl::updateToolsMenu() {
  m_.flashLast->setEnabled(!LastFlashMessage().isEmpty());
  m_.flashInterval->setText("Flash interval = " + QString::number(FlashInterval()) + "ms");
  m_.oneClick->setChecked(Session().settings.oneClickSelect);
}

void TFCtrl::toggleOneClick() {
  bool& on = Session().settings.oneClickSelect;
  on = !on;
  m_.oneClick->setChecked(on);
  Flash(QStringLiteral("One-click select is ") + (on ? "ON" : "OFF"));
}

void TFCtrl::rebalanceFromMenu(bool rebuildPaths) {
  if (rebuildPaths) {
    if (!ConfirmOk(QStringLiteral("Rebuild account paths + Rebalance"))) return;
    Session().settings.resetPaths = true;
  } else if (!RebalanceNeeded() && !ConfirmOk(QStringLiteral("Force rebalance"))) {
    return;
  }
  Rebalance();
}
