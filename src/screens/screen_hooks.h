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

#include "foundation/ui/list_export.h"
#include "store/records.h"

class QTableView;
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
  std::function<void(int accountId)> showPostings;          // account statement
  std::function<void(int groupId)> drillDownGroup;          // balances view of a group
  std::function<int(const QString& name)> addCounterparty;  // new id, 0 when cancelled
  std::function<bool(int id)> editCounterparty;             // true when closed with OK
  std::function<int(int kind, const QString& name)> addGroup;
  std::function<bool(int id)> editGroup;
  std::function<void(const TObj& account)> showChannelsOf;  // channels window
  // The statement of an account positioned on a transaction.
  std::function<void(int accountId, int32_t txnId)> showPostingsAtTxn;
  // The details view of a record not (or not necessarily) stored, e.g. a master.
  std::function<void(const TTxn& record)> showRecordDetails;
  std::function<void(int32_t chnum)> showChannel;  // one channel, display only
  // The search results window's entries (dates as yyyymmdd numbers).
  std::function<void(int32_t batch)> showBatch;
  std::function<void(int32_t date, int32_t txnId)> showJournalAround;
  std::function<void(int32_t masterId, int32_t txnId)> showInstances;
  std::function<void(int32_t createDate)> showInputOn;
  std::function<void(int cptyId, int categoryId)> showCptyCategoryTxns;
  // The clipboard window showing text that is already on the system
  // clipboard. Default: the system clipboard alone, no window.
  std::function<void(const QString& text)> showClipboardText;
  // A counterparty's categories window (non-modal).
  std::function<void(int cptyId)> showCounterpartyCategories;
  // The templates window; allowNew false disables its "New" item.
  std::function<void(bool allowNew)> showTemplates;
  // The transaction search of kind "Ref / Description" for a text.
  std::function<void(const QString& text)> searchText;
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
void ShowPostingsAtTxn(int accountId, int32_t txnId);
void ShowRecordDetails(const TTxn& record);
void ShowChannel(int32_t chnum);
void ShowBatch(int32_t batch);
void ShowJournalAround(int32_t date, int32_t txnId);
void ShowInstances(int32_t masterId, int32_t txnId);
void ShowInputOn(int32_t createDate);
void ShowCptyCategoryTxns(int cptyId, int categoryId);
void ShowCounterpartyCategories(int cptyId);
void ShowTemplates(bool allowNew);
void SearchText(const QString& text);

// "to Clipboard" of a list: its export text (title lines, "Exported at", header,
// rows; see foundation/ui/list_export.h) onto the system clipboard and into the
// clipboard window. Returns the text.
QString ExportDataSet(const QTableView& view, const QString& title, const QString& title2,
                      TExportMode mode = TExportMode::Tabs);

// The stand-in for a window not built yet: "<what> : this facility not
// currently supported". The control window's unbuilt items use it too.
void WindowNotBuilt(const QString& what);
