#pragma once
// The control window TFCtrl ("VORBEK2 - Control"): the open books, the period,
// the wash choice, the rebalance panel and the main menu from which every
// screen is reached.
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include "foundation/daterec.h"

class QAction;
class QActionGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTimer;
class TFAbout1;
class TFRebal;

// The main menu's items that change or are acted on; the fixed ones only act.
struct TCtrlMenu {
  QAction* exit = nullptr;
  QAction* currencies = nullptr;
  QMenu* accounts = nullptr;
  QMenu* hierarchy = nullptr;
  QAction* hierExternal = nullptr;
  QAction* hierInternal = nullptr;
  QActionGroup* kinds = nullptr;
  QAction* kindExternal = nullptr;
  QAction* kindInternal = nullptr;
  QAction* kindCpty = nullptr;
  QAction* listByStatus = nullptr;
  QAction* listByGroups = nullptr;
  QAction* accountSearch = nullptr;
  QAction* values = nullptr;
  QMenu* newMenu = nullptr;
  QAction* newAccount = nullptr;
  QAction* newGroup = nullptr;
  QAction* currency = nullptr;
  QAction* diary = nullptr;
  QAction* seekById = nullptr;
  QAction* freezeBefore = nullptr;
  QMenu* transactions = nullptr;
  QAction* txnNew = nullptr;
  QAction* templates = nullptr;
  QAction* viewLast = nullptr;
  QAction* txnSearch = nullptr;
  QAction* daysWithInput = nullptr;
  QAction* journal = nullptr;
  QAction* repeaters = nullptr;
  QAction* reminders = nullptr;
  QAction* diaryEntry = nullptr;
  QAction* analysis = nullptr;
  QMenu* database = nullptr;
  QAction* recent[10] = {};
  QAction* browse = nullptr;
  QAction* openByName = nullptr;
  QAction* thisDb = nullptr;
  QAction* healthcheck = nullptr;
  QAction* utf8Check = nullptr;
  QAction* archive = nullptr;
  QAction* freeze = nullptr;
  QMenu* tools = nullptr;
  QAction* notepad = nullptr;
  QAction* calendar = nullptr;
  QMenu* flash = nullptr;
  QAction* flashLast = nullptr;
  QAction* flashInterval = nullptr;
  QAction* flashTest = nullptr;
  QAction* oneClick = nullptr;
  QMenu* debug = nullptr;
  QAction* dbgRebalance = nullptr;
  QAction* dbgRebuild = nullptr;
  QAction* dbgReopen = nullptr;
  QAction* dbgHourglass = nullptr;
  QAction* dbgCommit = nullptr;
  QAction* about = nullptr;
};

// The text the last flash message showed (empty when none yet); the
// application's prompter records it for "Last message".
void RememberFlashMessage(const QString& text);
QString LastFlashMessage();

class TFCtrl : public QMainWindow {
  Q_OBJECT
 public:
  explicit TFCtrl(QWidget* parent = nullptr);
  ~TFCtrl() override;

  // RefreshControlPanel: the From/To labels (" (today)" marked) and the
  // rebalance panel; remembers today for the day-rollover timer.
  void refreshControlPanel();
  // ShowStatus: a progress text in the panel; empty gives the panel back.
  void showStatus(const QString& text);
  // The database box: name, location, wash choice, enabling (after any opening).
  void showDatabaseBox();
  // The start and end date labels with the archive state; an archive is frozen.
  void showArchiveState();

  // After an opening: the pending repair, else the start-up timer (500 ms).
  void startAfterOpening(bool opened);
  // The start-up tasks (the timer runs them once).
  void runStartupTasks();
  QTimer* startupTimer() const { return timer1_; }
  QTimer* dayTimer() const { return timer2_; }
  // The day-rollover check the 500 ms timer runs.
  void checkDayRollover();

  // Commands outside the menu.
  void editDatabaseName();
  void editDatabaseDate(bool endDate);
  void changePeriod();

  // Menu commands with logic of their own.
  void openRecent(int slot);
  void browseDatabase();
  void openBooksByName();
  void toggleFreeze(bool on);
  void setFreezeBefore();
  void seekAccountById();
  void chooseListKind(int kind);
  int listKind() const { return listKind_; }
  void toggleOneClick();
  // Recompute captions, checks and enabling as the menus do when they open.
  void updateAccountsMenu();
  void updateDatabaseMenu();
  void updateToolsMenu();

  const TCtrlMenu& menu() const { return m_; }
  TFRebal* periodDialog() const { return rebal_; }
  QLabel* fromLabel() const { return fromLabel_; }
  QLabel* toLabel() const { return toLabel_; }
  QLabel* panel() const { return panel_; }
  QPushButton* rebalanceButton() const { return rebalanceNow_; }
  QRadioButton* noWashRadio() const { return noWash_; }
  QRadioButton* washRadio() const { return wash_; }
  QLineEdit* nameBox() const { return name_; }
  QLabel* locationLabel() const { return location_; }
  QLabel* versionLabel() const { return version_; }
  QLabel* startDateLabel() const { return startDate_; }
  QLabel* startNoteLabel() const { return startNote_; }
  QLabel* endDateLabel() const { return endDate_; }
  QLabel* endNoteLabel() const { return endNote_; }

 Q_SIGNALS:
  // Emitted once the shutdown has saved everything.
  void shutDown();

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void buildBoxes();
  void buildMenus();
  void washClicked(bool wash);
  void paintPanel(const QColor& colour, const QString& text);
  void showRebalancePanel();
  void enableForDatabase();
  void reopenMenu(QMenu* menu);
  void switchTo(const QString& folder);
  void exitWithConfirm();
  void rebalanceFromMenu(bool rebuildPaths);

  TCtrlMenu m_;
  QLineEdit* name_ = nullptr;
  QPushButton* editName_ = nullptr;
  QLabel* location_ = nullptr;
  QLabel* version_ = nullptr;
  QLabel* startDate_ = nullptr;
  QLabel* startNote_ = nullptr;
  QLabel* endDate_ = nullptr;
  QLabel* endNote_ = nullptr;
  QLabel* fromLabel_ = nullptr;
  QLabel* toLabel_ = nullptr;
  QPushButton* changePeriod_ = nullptr;
  QRadioButton* noWash_ = nullptr;
  QRadioButton* wash_ = nullptr;
  QLabel* panel_ = nullptr;
  QPushButton* rebalanceNow_ = nullptr;
  QTimer* timer1_ = nullptr;
  QTimer* timer2_ = nullptr;
  TFRebal* rebal_ = nullptr;
  TFAbout1* about_ = nullptr;
  QPointer<QWidget> notepad_;
  int32_t shownToday_ = 0;
  int listKind_ = 1;
  bool statusShown_ = false;
  bool closing_ = false;
};
