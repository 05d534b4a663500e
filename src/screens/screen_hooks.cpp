#include "screens/screen_hooks.h"

#include <QClipboard>
#include <QGuiApplication>

#include "foundation/messages.h"

namespace {
TObj g_selected;
TChannel g_selectedChannel;
QChar g_direction = QChar(' ');
TScreenHooks g_hooks;
}  // namespace

TObj& SelectedAccount() { return g_selected; }
TChannel& SelectedChannel() { return g_selectedChannel; }
QChar& ChannelDirection() { return g_direction; }
TScreenHooks& ScreenHooks() { return g_hooks; }

void WindowNotBuilt(const QString& what) { ShowNotSupported(what); }

bool PickAccount(int kind, int preselectId) {
  g_selected = TObj();
  g_selectedChannel = TChannel();
  if (kind == 0) return false;
  if (!g_hooks.pickAccount) {
    WindowNotBuilt(QStringLiteral("Accounts list"));
    return false;
  }
  if (g_hooks.pickAccount(kind, preselectId)) return true;
  g_selected = TObj();
  g_selectedChannel = TChannel();
  return false;
}

bool ChooseChannel(const TObj& account, TChannel& channel, QChar direction, bool skipWhenEmpty) {
  if (account.kind != 1) return false;
  if (!g_hooks.chooseChannel) {
    channel = TChannel();
    return true;
  }
  return g_hooks.chooseChannel(account, channel, direction, skipWhenEmpty);
}

int ChooseCounterpartyCategory(int cptyId, QChar direction, int mode) {
  if (!g_hooks.chooseCounterpartyCategory) return 0;
  return g_hooks.chooseCounterpartyCategory(cptyId, direction, mode);
}

void ShowPostings(int accountId) {
  if (g_hooks.showPostings)
    g_hooks.showPostings(accountId);
  else
    WindowNotBuilt(QStringLiteral("Postings"));
}

void DrillDownGroup(int groupId) {
  if (g_hooks.drillDownGroup)
    g_hooks.drillDownGroup(groupId);
  else
    WindowNotBuilt(QStringLiteral("Group drill-down"));
}

int AddCounterparty(const QString& name) {
  if (g_hooks.addCounterparty) return g_hooks.addCounterparty(name);
  WindowNotBuilt(QStringLiteral("Counterparty details"));
  return 0;
}

bool EditCounterparty(int id) {
  if (g_hooks.editCounterparty) return g_hooks.editCounterparty(id);
  WindowNotBuilt(QStringLiteral("Counterparty details"));
  return false;
}

int AddGroup(int kind, const QString& name) {
  if (g_hooks.addGroup) return g_hooks.addGroup(kind, name);
  WindowNotBuilt(QStringLiteral("Group details"));
  return 0;
}

bool EditGroup(int id) {
  if (g_hooks.editGroup) return g_hooks.editGroup(id);
  WindowNotBuilt(QStringLiteral("Group details"));
  return false;
}

void ShowChannelsOf(const TObj& account) {
  if (g_hooks.showChannelsOf)
    g_hooks.showChannelsOf(account);
  else
    WindowNotBuilt(QStringLiteral("Channels"));
}

namespace {
// The shared shape of a window-opening hook with a "not supported" default.
template <typename F, typename... A>
void CallOrNotBuilt(const F& hook, const char* what, A... args) {
  if (hook)
    hook(args...);
  else
    WindowNotBuilt(QString::fromLatin1(what));
}
}  // namespace

void ShowPostingsAtTxn(int accountId, int32_t txnId) {
  CallOrNotBuilt(g_hooks.showPostingsAtTxn, "Postings", accountId, txnId);
}
void ShowRecordDetails(const TTxn& record) {
  if (g_hooks.showRecordDetails)
    g_hooks.showRecordDetails(record);
  else
    WindowNotBuilt(QStringLiteral("Transaction details"));
}
void ShowChannel(int32_t chnum) { CallOrNotBuilt(g_hooks.showChannel, "Channel", chnum); }
void ShowBatch(int32_t batch) { CallOrNotBuilt(g_hooks.showBatch, "View batch", batch); }
void ShowJournalAround(int32_t date, int32_t txnId) {
  CallOrNotBuilt(g_hooks.showJournalAround, "Journal", date, txnId);
}
void ShowInstances(int32_t masterId, int32_t txnId) {
  CallOrNotBuilt(g_hooks.showInstances, "Instances", masterId, txnId);
}
void ShowInputOn(int32_t createDate) {
  CallOrNotBuilt(g_hooks.showInputOn, "Transactions input on date", createDate);
}
void ShowCptyCategoryTxns(int cptyId, int categoryId) {
  CallOrNotBuilt(g_hooks.showCptyCategoryTxns, "Transactions", cptyId, categoryId);
}
void ShowCounterpartyCategories(int cptyId) {
  CallOrNotBuilt(g_hooks.showCounterpartyCategories, "Counterparty Categories", cptyId);
}
void ShowTemplates(bool allowNew) { CallOrNotBuilt(g_hooks.showTemplates, "Templates", allowNew); }

void SearchText(const QString& text) { CallOrNotBuilt(g_hooks.searchText, "Search", text); }

QString ExportDataSet(const QTableView& view, const QString& title, const QString& title2,
                      TExportMode mode) {
  const QString text = ExportDataSetText(view, title, title2, mode);
  if (auto* clipboard = QGuiApplication::clipboard()) clipboard->setText(text);
  if (g_hooks.showClipboardText) g_hooks.showClipboardText(text);
  return text;
}
