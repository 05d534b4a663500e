#pragma once
// What the windows open in one another. The program-wide account choice, the
// pickers and the windows that one window calls in another all sit behind one
// table of replaceable hooks: the module that builds the real window installs
// it at start-up (InstallScreens in shell/main.cpp), tests install scripted
// ones. A hook nobody installed yet shows the "not supported" message; the
// pickers have quiet defaults, noted below.
#include <QChar>
#include <QString>
#include <functional>

#include "store/records.h"

class QWidget;

// The account chosen by the last successful pick; emptied when a pick starts
// and left empty when it fails. Callers read it at once.
TObj& SelectedAccount();
// The channel chosen with it (chnum 0: none, or the account has no channels).
TChannel& SelectedChannel();
// 'P' payment, 'R' receipt, ' ' no filter: set by the entry form before it
// asks for an external account; the accounts list hands it to the channel
// chooser.
QChar& ChannelDirection();

struct TScreenHooks {
  // The accounts list in pick mode: true with the choice in SelectedAccount
  // (and, for an external account, SelectedChannel). Default: not supported.
  std::function<bool(int kind, int preselectId)> pickAccount;
  // The channel chooser for an external account: true with the choice in
  // channel (chnum 0 = none). Default: the empty channel, no window.
  std::function<bool(const TObj& account, TChannel& channel, QChar direction, bool skipWhenEmpty)>
      chooseChannel;
  // A counterparty's category for a direction ('P', 'S', ' ') and a mode (0
  // window whenever there is a preferred category, 1 a single preferred one
  // without a window, 2 never a window): a category id, 0 when none is
  // preferred, -1 when cancelled. Default: 0.
  std::function<int(int cptyId, QChar direction, int mode)> chooseCounterpartyCategory;

  // Windows opened from other windows.
  std::function<void(int accountId)> showPostings;         // account statement
  std::function<void(int groupId)> drillDownGroup;         // balances view of a group
  std::function<int(const QString& name)> addCounterparty;  // new id, 0 when cancelled
  std::function<bool(int id)> editCounterparty;             // true when closed with OK
  std::function<int(int kind, const QString& name)> addGroup;
  std::function<bool(int id)> editGroup;
  std::function<void(const TObj& account)> showChannelsOf;  // channels window
};

// The one table. Empty members fall back to the defaults above.
TScreenHooks& ScreenHooks();

// Calls through the table with the defaults filled in.
bool PickAccount(int kind, int preselectId = 0);
bool ChooseChannel(const TObj& account, TChannel& channel, QChar direction, bool skipWhenEmpty);
int ChooseCounterpartyCategory(int cptyId, QChar direction, int mode);
void ShowPostings(int accountId);
void DrillDownGroup(int groupId);
int AddCounterparty(const QString& name);
bool EditCounterparty(int id);
int AddGroup(int kind, const QString& name);
bool EditGroup(int id);
void ShowChannelsOf(const TObj& account);

// The stand-in for a window not built yet: "<what> : this facility not
// currently supported". The control window's unbuilt items use it too.
void WindowNotBuilt(const QString& what);
