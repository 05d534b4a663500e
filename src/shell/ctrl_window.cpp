#include "shell/ctrl_window.h"

#include "ledger/archive.h"
#include "ledger/rebalance.h"
#include "ledger/reminders.h"
#include "ledger/currencies.h"
#include "ledger/freeze.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/texts.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/window_positions.h"
#include "screens/views/monthly_window.h"
#include "shell/about_box.h"
#include "shell/period.h"
#include "shell/period_dialog.h"
#include "shell/recent_list.h"
#include "shell/shell_hooks.h"
#include "store/opening.h"
#include "store/session.h"
#include "store/settings.h"
#include "store/upgrade.h"

namespace {

QString g_lastFlash;

const QColor kSilver(0xC0, 0xC0, 0xC0);
const QColor kYellow(0xFF, 0xFF, 0x00);
const QColor kPaleCyan(0xA6, 0xCA, 0xF0);

int32_t todayYmd() { return DateRecToYmd(Today()); }

}  // namespace

void RememberFlashMessage(const QString& text) {
  if (!text.isEmpty()) g_lastFlash = text;
}
QString LastFlashMessage() { return g_lastFlash; }

TFCtrl::TFCtrl(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("FCtrl"));
  setWindowTitle(QStringLiteral("VORBEK2 - Control"));
  buildBoxes();
  buildMenus();

  // Esc asks before the program ends.
  auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  esc->setContext(Qt::WindowShortcut);
  connect(esc, &QShortcut::activated, this, &TFCtrl::exitWithConfirm);

  timer1_ = new QTimer(this);
  timer1_->setSingleShot(true);
  timer1_->setInterval(500);
  connect(timer1_, &QTimer::timeout, this, &TFCtrl::runStartupTasks);
  timer2_ = new QTimer(this);
  timer2_->setInterval(500);
  connect(timer2_, &QTimer::timeout, this, &TFCtrl::checkDayRollover);
  timer2_->start();

  rebal_ = ThePeriodDialog();
  about_ = new TFAbout1(this);

  SetControlPanelHook([this] { refreshControlPanel(); });
  SetStatusHook([this](const QString& text) { showStatus(text); });
  SetArchiveLabelsHook([this](const TArchiveLabels& l) {
    startDate_->setText(l.startDate);
    startNote_->setText(QString(l.startNote).replace('\r', '\n'));
    endDate_->setText(l.endDate);
    endNote_->setText(QString(l.endNote).replace('\r', '\n'));
  });
  InstallArchiveState();
  RegisterWindowPosition(this, objectName());

  showDatabaseBox();
  refreshControlPanel();
}

TFCtrl::~TFCtrl() {
  SetControlPanelHook(nullptr);
  SetStatusHook(nullptr);
  SetArchiveStateHook(nullptr);
  SetArchiveLabelsHook(nullptr);
}

void TFCtrl::buildBoxes() {
  auto* central = new QWidget(this);
  setCentralWidget(central);

  // The open books.
  auto* dbBox = new QGroupBox(QStringLiteral("Database"), central);
  name_ = new QLineEdit(dbBox);
  name_->setReadOnly(true);
  editName_ = new QPushButton(QStringLiteral("Edit"), dbBox);
  editName_->setToolTip(QStringLiteral("Change database name"));
  location_ = new QLabel(dbBox);
  location_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  version_ = new QLabel(dbBox);
  startDate_ = new QLabel(dbBox);
  startNote_ = new QLabel(dbBox);
  endDate_ = new QLabel(dbBox);
  endNote_ = new QLabel(dbBox);
  for (QLabel* l : {startDate_, endDate_}) {
    l->setCursor(Qt::PointingHandCursor);
    l->setToolTip(QStringLiteral("Click to change"));
    l->installEventFilter(this);
  }
  auto* db = new QGridLayout(dbBox);
  // The label names the box for screen readers (the group's caption would otherwise).
  auto* nameLabel = new QLabel(QStringLiteral("Name"), dbBox);
  nameLabel->setBuddy(name_);
  db->addWidget(nameLabel, 0, 0);
  db->addWidget(name_, 0, 1);
  db->addWidget(editName_, 0, 2);
  db->addWidget(new QLabel(QStringLiteral("Location"), dbBox), 1, 0);
  db->addWidget(location_, 1, 1, 1, 2);
  db->addWidget(new QLabel(QStringLiteral("Version"), dbBox), 2, 0);
  db->addWidget(version_, 2, 1, 1, 2);
  db->addWidget(new QLabel(QStringLiteral("Start date"), dbBox), 3, 0);
  db->addWidget(startDate_, 3, 1);
  db->addWidget(startNote_, 4, 1, 1, 2);
  db->addWidget(new QLabel(QStringLiteral("End date"), dbBox), 5, 0);
  db->addWidget(endDate_, 5, 1);
  db->addWidget(endNote_, 6, 1, 1, 2);
  db->setColumnStretch(1, 1);
  connect(editName_, &QPushButton::clicked, this, &TFCtrl::editDatabaseName);

  // The period.
  auto* periodBox = new QGroupBox(QStringLiteral("Period"), central);
  fromLabel_ = new QLabel(periodBox);
  toLabel_ = new QLabel(periodBox);
  changePeriod_ = new QPushButton(QStringLiteral("Change"), periodBox);
  auto* pg = new QGridLayout(periodBox);
  pg->addWidget(new QLabel(QStringLiteral("From"), periodBox), 0, 0);
  pg->addWidget(fromLabel_, 0, 1);
  pg->addWidget(new QLabel(QStringLiteral("To"), periodBox), 1, 0);
  pg->addWidget(toLabel_, 1, 1);
  pg->addWidget(changePeriod_, 0, 2, 2, 1);
  pg->setColumnStretch(1, 1);
  connect(changePeriod_, &QPushButton::clicked, this, &TFCtrl::changePeriod);

  // Category balances before the period.
  auto* washBox = new QGroupBox(QStringLiteral("Prior to this period ..."), central);
  noWash_ = new QRadioButton(QStringLiteral("No wash (for debugging)"), washBox);
  noWash_->setToolTip(QStringLiteral("Categories retain their own balances"));
  wash_ = new QRadioButton(QStringLiteral("Wash Category balances"), washBox);
  wash_->setToolTip(
      QStringLiteral("Category balances are automatically washed to the default Pot"));
  auto* wg = new QVBoxLayout(washBox);
  wg->addWidget(noWash_);
  wg->addWidget(wash_);
  // Only the button being checked reacts; a check made by the program is quiet.
  connect(noWash_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) washClicked(false);
  });
  connect(wash_, &QRadioButton::toggled, this, [this](bool on) {
    if (on) washClicked(true);
  });

  // The panel: rebalance needed, or the progress of a long operation.
  panel_ = new QLabel(central);
  panel_->setAutoFillBackground(true);
  panel_->setMinimumHeight(24);
  panel_->setFrameShape(QFrame::Panel);
  panel_->setFrameShadow(QFrame::Sunken);
  rebalanceNow_ = new QPushButton(QStringLiteral("Rebalance now"), central);
  connect(rebalanceNow_, &QPushButton::clicked, this, [] { Rebalance(); });
  auto* panelRow = new QHBoxLayout;
  panelRow->addWidget(panel_, 1);
  panelRow->addWidget(rebalanceNow_);

  auto* layout = new QVBoxLayout(central);
  layout->addWidget(dbBox);
  auto* row = new QHBoxLayout;
  row->addWidget(periodBox, 1);
  row->addWidget(washBox);
  layout->addLayout(row);
  layout->addLayout(panelRow);
  resize(640, sizeHint().height());
}

// ---- Panel and labels -------------------------------------------------------------

void TFCtrl::paintPanel(const QColor& colour, const QString& text) {
  QPalette p = panel_->palette();
  p.setColor(QPalette::Window, colour);
  p.setColor(QPalette::WindowText, Qt::black);
  panel_->setPalette(p);
  panel_->setText(text);
}

void TFCtrl::showRebalancePanel() {
  const bool needed = DatabaseIsOpen() && RebalanceNeeded();
  if (!statusShown_) paintPanel(needed ? kYellow : kSilver, needed ? " Rebalance needed" : "");
  rebalanceNow_->setVisible(needed && !RebalanceRunning());
}

void TFCtrl::refreshControlPanel() {
  const TSession& s = Session();
  shownToday_ = todayYmd();
  if (DatabaseIsOpen()) {
    fromLabel_->setText(DateMarkToday(YmdToDateRec(s.periodFrom)));
    toLabel_->setText(DateMarkToday(YmdToDateRec(s.periodTo)));
  } else {
    fromLabel_->clear();
    toLabel_->clear();
  }
  showRebalancePanel();
}

void TFCtrl::showStatus(const QString& text) {
  statusShown_ = !text.isEmpty();
  if (statusShown_)
    paintPanel(kPaleCyan, " " + text);
  else
    showRebalancePanel();  // the panel goes back to what it shows without a status
  ProcessPendingMessages();
}

void TFCtrl::checkDayRollover() {
  if (todayYmd() != shownToday_) refreshControlPanel();
}

void TFCtrl::showDatabaseBox() {
  const TSession& s = Session();
  const bool open = DatabaseIsOpen();
  name_->setText(open ? s.settings.databaseName : QString());
  location_->setText(s.dataFolder);
  if (!open) {
    version_->clear();
    for (QLabel* l : {startDate_, startNote_, endDate_, endNote_}) l->clear();
  }
  CheckRadioQuietly(s.settings.washCtgies ? wash_ : noWash_);
  enableForDatabase();
}

void TFCtrl::showArchiveState() { ShowArchiveState(); }

void TFCtrl::enableForDatabase() {
  const bool open = DatabaseIsOpen();
  for (QAction* a : {m_.currencies, m_.accounts->menuAction(), m_.transactions->menuAction(),
                     m_.analysis, m_.healthcheck, m_.utf8Check, m_.archive, m_.freeze, m_.oneClick,
                     m_.dbgRebalance, m_.dbgRebuild, m_.dbgReopen, m_.dbgCommit})
    a->setEnabled(open);
  editName_->setEnabled(open);
  changePeriod_->setEnabled(open);
  noWash_->setEnabled(open);
  wash_->setEnabled(open);
}

// ---- Controls ---------------------------------------------------------------------

void TFCtrl::washClicked(bool wash) {
  if (TakeQuietFlag()) return;
  Session().settings.washCtgies = wash;
  SetRebalanceNeeded(true);
}

void TFCtrl::editDatabaseName() {
  QString text = Session().settings.databaseName;
  if (!AskText(QStringLiteral("Edit database name"), text)) return;
  Session().settings.databaseName = text;
  name_->setText(text);
}

void TFCtrl::editDatabaseDate(bool endDate) {
  if (!DatabaseIsOpen()) return;
  if (endDate)
    EditDatabaseEndDate();
  else
    EditDatabaseStartDate();
}

void TFCtrl::changePeriod() {
  ShowPeriodDialog();
  RefreshControlPanel();
}

bool TFCtrl::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
    if (watched == startDate_) {
      editDatabaseDate(false);
      return true;
    }
    if (watched == endDate_) {
      editDatabaseDate(true);
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, e);
}

// ---- Start-up ---------------------------------------------------------------------

void TFCtrl::startAfterOpening(bool opened) {
  showDatabaseBox();
  refreshControlPanel();
  if (!opened) return;
  // The repair a conversion left pending fills in what it must; the start-up
  // tasks follow as usual.
  RunPendingRepair();
  timer1_->start();
}

void TFCtrl::runStartupTasks() {
  timer1_->stop();
  if (!DatabaseIsOpen()) return;
  LoadWindowPositions(Session().settingsPath);
  CheckDueReminders();  // skipped by itself while frozen or a repair is pending
  if (QWidget* r = RemindersWindow(); r && r->isVisible()) r->activateWindow();
  RefreshControlPanel();
  CheckBaseCurrency();
  RollPeriodAtStart();
  version_->setText(QString::number(Session().schemaVersion));
}

void TFCtrl::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (ProgramEndRequested()) return;
  if (QWidget* r = RemindersWindow(); r && r->isVisible()) r->activateWindow();
  CheckRadioQuietly(Session().settings.washCtgies ? wash_ : noWash_);
}

// ---- Switching books --------------------------------------------------------------

void TFCtrl::switchTo(const QString& folder) {
  // The analysis rebuild works in these books' transaction: they stay until it ends.
  if (MonthlyRebuildRunning()) return;
  CloseWorkWindows();
  const bool opened = SwitchDatabase(folder);
  if (ProgramEndRequested()) return;
  startAfterOpening(opened);
}

void TFCtrl::openRecent(int slot) {
  if (slot < 0 || slot >= kRecentSlots) return;
  TRecentDatabases& recent = RecentDatabases();
  const QString path = recent.slot[slot];
  if (path.isEmpty()) return;
  if (!IsServerLocation(path) && !QFile::exists(path)) {
    if (AskYes("File not found " + InQuotes(path) + "\rRemove database name from list?"))
      RemoveRecentPath(recent, path);
    return;
  }
  recent.which = SlotOfChosenPath(recent, path);
  switchTo(FolderOfPath(path));
}

void TFCtrl::browseDatabase() {
  QString folder = Session().dataFolder.isEmpty() ? DefaultDataFolder() : Session().dataFolder;
  if (!PickFolder(folder)) return;
  folder = WithTrailingSeparator(folder);
  const QString path = folder + QLatin1String(kDatabaseFileName);
  if (!QFile::exists(path)) {
    ShowInfo("Vorbek database vorbek.fdb not found in folder " + folder);
    return;
  }
  TRecentDatabases& recent = RecentDatabases();
  recent.which = SlotOfBrowsedPath(recent, path);
  switchTo(folder);
}

// Books on a Firebird server have no folder here to browse to: their name is
// typed (a local folder may be typed too). A malformed server name is refused
// before any connection is tried.
void TFCtrl::openBooksByName() {
  QString name = IsServerLocation(Session().dataFolder) ? Session().dataFolder : QString();
  if (!AskText(QStringLiteral("Database name (host:/folder/ for books on a server)"), name)) return;
  name = name.trimmed();
  if (name.isEmpty()) return;
  QString error;
  if (!CheckDatabaseName(name, error)) {
    ShowInfo(error);
    return;
  }
  const QString folder = WithTrailingSeparator(name);
  const QString path = folder + QLatin1String(kDatabaseFileName);
  if (!IsServerLocation(folder) && !QFile::exists(path)) {
    ShowInfo("Vorbek database vorbek.fdb not found in folder " + folder);
    return;
  }
  TRecentDatabases& recent = RecentDatabases();
  recent.which = SlotOfBrowsedPath(recent, path);
  switchTo(folder);
}

// ---- Shutdown ---------------------------------------------------------------------

void TFCtrl::exitWithConfirm() {
  if (ConfirmExit()) close();
}

void TFCtrl::closeEvent(QCloseEvent* e) {
  if (closing_) {
    e->accept();
    return;
  }
  closing_ = true;
  timer1_->stop();
  timer2_->stop();
  if (!ProgramEndRequested()) {
    if (notepad_) notepad_->close();
    CloseDatabase();
    SaveProgramIni();
  }
  e->accept();
  Q_EMIT shutDown();
}
