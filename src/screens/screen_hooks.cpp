#include "screens/screen_hooks.h"

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
