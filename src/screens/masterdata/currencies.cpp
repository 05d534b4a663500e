#include "screens/masterdata/currencies.h"

#include <QAction>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/ui/calendar.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/window_positions.h"
#include "ledger/currencies.h"
#include "screens/export_menu.h"
#include "shell/shell_hooks.h"
#include "store/records.h"
#include "store/session.h"

namespace {

QString baseCode() { return Session().settings.baseCurrency.trimmed(); }

QAction* findAction(const QWidget* owner, const QString& text) {
  for (QAction* a : owner->findChildren<QAction*>())
    if (a->text() == text) return a;
  return nullptr;
}

bool isEnterKey(QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  const int key = static_cast<QKeyEvent*>(event)->key();
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

// ---- Currencies list ----------------------------------------------------------------

TCurrencyModel::TCurrencyModel(QObject* parent)
    : TRowTableModel({QStringLiteral("Ccy code"), QStringLiteral("Name"), QStringLiteral("Base")},
                     parent) {}

QVariant TCurrencyModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_.size()) return {};
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  const TCurrencyRow& r = rows_[index.row()];
  switch (index.column()) {
    case 0:
      return r.code;
    case 1:
      return r.name;
    case 2:
      return r.baseText();
    default:
      return {};
  }
}

TFccies::TFccies(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Fccies"));
  setWindowTitle(QStringLiteral("Currencies"));

  auto* menuBar = new QMenuBar(this);
  connect(menuBar->addAction(QStringLiteral("New")), &QAction::triggered, this,
          [this] { newCurrency(); });
  connect(menuBar->addAction(QStringLiteral("Refresh")), &QAction::triggered, this,
          [this] { refill(); });
  connect(menuBar->addAction(QStringLiteral("Close")), &QAction::triggered, this,
          [this] { close(); });

  model_ = new TCurrencyModel(this);
  grid_ = NewRowGrid(this, model_, QStringLiteral("Currencies"));
  grid_->horizontalHeader()->setStretchLastSection(true);
  grid_->installEventFilter(this);
  connect(grid_, &QTableView::doubleClicked, this, [this] { activate(); });
  connect(grid_, &QTableView::clicked, this, [this] { rowClicked(); });
  connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    const QModelIndex at = grid_->indexAt(p);
    if (at.isValid()) grid_->setCurrentIndex(at);
    popup_->popup(grid_->viewport()->mapToGlobal(p));
  });

  popup_ = new QMenu(this);
  connect(popup_->addAction(QStringLiteral("Exchange rates")), &QAction::triggered, this,
          [this] { exchangeRates(); });
  connect(popup_->addAction(QStringLiteral("Currency details")), &QAction::triggered, this,
          [this] { currencyDetails(); });
  connect(popup_->addAction(QStringLiteral("Delete")), &QAction::triggered, this,
          [this] { deleteCurrency(); });

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menuBar);
  layout->addWidget(grid_);
  resize(360, 300);
  RegisterWindowPosition(this, QStringLiteral("Fccies"));
  RegisterWorkWindow(this);
}

QAction* TFccies::menuAction(const QString& text) const { return findAction(this, text); }

void TFccies::refill() {
  QList<TCurrencyRow> rows;
  CurrencyRows(rows);
  model_->setRows(rows);
  if (!selectCode(Session().workingCurrency.trimmed()) && model_->rowCount() > 0)
    grid_->setCurrentIndex(model_->index(0, 0));
}

QString TFccies::currentCode() const {
  const QModelIndex i = grid_->currentIndex();
  return i.isValid() && i.row() < model_->rows().size() ? model_->rows()[i.row()].code : QString();
}

bool TFccies::selectCode(const QString& code) {
  for (int i = 0; i < model_->rows().size(); ++i)
    if (model_->rows()[i].code == code) {
      grid_->setCurrentIndex(model_->index(i, 0));
      return true;
    }
  return false;
}

bool TFccies::eventFilter(QObject* watched, QEvent* event) {
  if (watched == grid_ && isEnterKey(event)) {
    if (pickMode_)
      rowClicked();
    else
      activate();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TFccies::rowClicked() {
  const QString code = currentCode();
  if (code.isEmpty()) return;
  if (pickMode_) {
    // The Accounts menu's radios give lists the external working currency back,
    // so the pick sets both.
    TSession& s = Session();
    s.workingCurrency = code;
    s.externalWorkingCurrency = code;
    accept();
    return;
  }
  if (Session().settings.oneClickSelect) activate();
}

void TFccies::activate() {
  if (pickMode_)
    rowClicked();
  else
    exchangeRates();
}

void TFccies::newCurrency() {
  NewCurrency(model_->rowCount());
  refill();
}

void TFccies::exchangeRates() {
  const QString code = currentCode();
  if (code.isEmpty()) return;
  if (code == baseCode()) {
    ShowInfo(QStringLiteral("Rate for base currency is always 1.00000"));
    return;
  }
  ShowRates(code);
}

void TFccies::currencyDetails() {
  const QString code = currentCode();
  if (!code.isEmpty() && EditCurrency(code)) refill();
}

void TFccies::deleteCurrency() {
  const QString code = currentCode();
  if (code.isEmpty()) return;
  DeleteCurrency(code);
  refill();
}

void ShowCurrencies() {
  TFccies* w = CurrenciesWindow();
  if (w->isModal() && w->isVisible()) return;  // picking: that run owns the window
  w->setPickMode(false);
  w->setModal(false);
  w->refill();
  ShowRestored(w);
  w->raise();
  w->activateWindow();
}

bool PickCurrency() {
  TFccies* w = CurrenciesWindow();
  w->hide();
  w->setPickMode(true);
  w->refill();
  const bool picked = w->exec() == QDialog::Accepted;
  w->setPickMode(false);
  w->setModal(false);
  return picked;
}

// ---- Currency form ----------------------------------------------------------------------

TFccydets::TFccydets(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Fccydets"));
  setWindowTitle(QStringLiteral("Currency details"));
  setModal(true);

  code_ = new QLineEdit(this);
  name_ = new QLineEdit(this);
  name_->setMaxLength(kCcyNameWidth);
  note_ = new QLabel(this);
  ok_ = NamedButton(QStringLiteral("OK"), this);
  cancel_ = NamedButton(QStringLiteral("Cancel"), this);
  ok_->setDefault(true);
  cancel_->setAutoDefault(false);

  auto* grid = new QGridLayout;
  grid->addWidget(LabelFor(QStringLiteral("Currency code "), code_, this), 0, 0);
  grid->addWidget(code_, 0, 1);
  grid->addWidget(LabelFor(QStringLiteral("Name "), name_, this), 1, 0);
  grid->addWidget(name_, 1, 1);
  grid->addWidget(note_, 2, 0, 1, 2);
  auto* buttons = RightAlignedButtons({ok_, cancel_});
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  setTabOrder(code_, name_);
  setTabOrder(name_, ok_);
  setTabOrder(ok_, cancel_);

  connect(ok_, &QPushButton::clicked, this, [this] { ok(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
  RegisterWindowPosition(this, QStringLiteral("Fccydets"));
}

void TFccydets::prepareNew(int existingCount) {
  isNew_ = true;
  code_->clear();
  code_->setReadOnly(false);
  name_->clear();
  note_->setText(QStringLiteral("This currency will be the Base Currency"));
  note_->setVisible(existingCount == 0);
  code_->setFocus();
}

void TFccydets::prepareEdit(const TCcy& ccy, bool isBase) {
  isNew_ = false;
  code_->setText(ccy.code);
  code_->setReadOnly(true);
  name_->setText(ccy.name);
  note_->setText(QStringLiteral("This currency is the Base Currency"));
  note_->setVisible(isBase);
  name_->setFocus();
}

void TFccydets::ok() {
  if (SaveCurrency(isNew_, code_->text(), name_->text())) accept();
}

bool NewCurrency(int existingCount) {
  TFccydets* f = CurrencyForm();
  f->prepareNew(existingCount);
  return ShowModalAtPointer(f) == QDialog::Accepted;
}

bool EditCurrency(const QString& code) {
  TCcy ccy;
  if (!ReadCurrency(code, ccy)) return false;
  TFccydets* f = CurrencyForm();
  f->prepareEdit(ccy, ccy.base || ccy.code == baseCode());
  return ShowModalAtPointer(f) == QDialog::Accepted;
}

// ---- Rates list ---------------------------------------------------------------------------

TRateModel::TRateModel(QObject* parent)
    : TRowTableModel({QStringLiteral("Date"), QStringLiteral("Rate")}, parent) {}

QVariant TRateModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_.size()) return {};
  if (role == Qt::TextAlignmentRole && index.column() == 1)
    return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  const TRateRow& r = rows_[index.row()];
  return index.column() == 0 ? r.dateText() : r.rateText();
}

TFRates::TFRates(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FRates"));
  setModal(false);

  auto* menuBar = new QMenuBar(this);
  connect(menuBar->addAction(QStringLiteral("New")), &QAction::triggered, this,
          [this] { newRate(); });
  AddExportMenu(
      menuBar, [this] { return grid_; }, [this] { return "VORBEK2 " + windowTitle(); },
      QStringLiteral("rates"));
  connect(menuBar->addAction(QStringLiteral("Close")), &QAction::triggered, this,
          [this] { close(); });

  heading_ = new QLabel(this);
  model_ = new TRateModel(this);
  grid_ = NewRowGrid(this, model_, QStringLiteral("Exchange rates"));
  grid_->horizontalHeader()->setStretchLastSection(true);
  connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    const QModelIndex at = grid_->indexAt(p);
    if (at.isValid()) grid_->setCurrentIndex(at);
    popup_->popup(grid_->viewport()->mapToGlobal(p));
  });
  popup_ = new QMenu(this);
  connect(popup_->addAction(QStringLiteral("Delete rate")), &QAction::triggered, this,
          [this] { deleteRate(); });

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menuBar);
  layout->addWidget(heading_);
  layout->addWidget(grid_);
  resize(320, 420);
  RegisterWindowPosition(this, QStringLiteral("FRates"));
  RegisterWorkWindow(this);
}

QAction* TFRates::menuAction(const QString& text) const { return findAction(this, text); }

void TFRates::showFor(const QString& code) {
  code_ = code;
  setWindowTitle("Exchange rates for currency " + code);
  heading_->setText(" \"Rate\" is the amount of " + code + " per 1 " + baseCode());
  refill();
  ShowRestored(this);
  raise();
  activateWindow();
}

void TFRates::refill(int32_t ymd) {
  QList<TRateRow> rows;
  RateRows(code_, rows);
  model_->setRows(rows);
  int at = int(rows.size()) - 1;
  for (int i = 0; i < rows.size(); ++i)
    if (rows[i].date == ymd) at = i;
  if (at >= 0) {
    grid_->setCurrentIndex(model_->index(at, 0));
    grid_->scrollTo(model_->index(at, 0));
  }
}

int32_t TFRates::currentDate() const {
  const QModelIndex i = grid_->currentIndex();
  return i.isValid() && i.row() < model_->rows().size() ? model_->rows()[i.row()].date : 0;
}

void TFRates::newRate() {
  // The window's own currency: another window may have moved the working one.
  if (const int32_t ymd = NewRate(code_); ymd > 0) refill(ymd);
}

void TFRates::deleteRate() {
  const int32_t ymd = currentDate();
  if (ymd == 0) return;
  const int row = grid_->currentIndex().row();
  if (!DeleteRate(code_, ymd)) return;
  refill();
  if (row >= 0 && row < model_->rowCount()) grid_->setCurrentIndex(model_->index(row, 0));
}

void ShowRates(const QString& code) {
  Session().workingCurrency = code;
  RatesWindow()->showFor(code);
}

// ---- Rate form -------------------------------------------------------------------------------

TFratedets::TFratedets(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Fratedets"));
  setModal(true);

  rate_ = new QLineEdit(this);
  rate_->setToolTip(QStringLiteral("'mid-market' Exchange Rate on the specified date"));
  date_ = new QLineEdit(this);
  date_->setToolTip(QStringLiteral("Exchange Rate date in format yyyy-mm-dd"));
  date_->setAccessibleName(QStringLiteral("Date"));
  calendar_ = NamedButton(QStringLiteral("Calendar"), this);
  calendar_->setToolTip(QStringLiteral("Calendar"));
  calendar_->setAutoDefault(false);
  ok_ = NamedButton(QStringLiteral("OK"), this);
  cancel_ = NamedButton(QStringLiteral("Cancel"), this);
  ok_->setDefault(true);
  cancel_->setAutoDefault(false);
  label_ = new QLabel(this);
  label_->setBuddy(rate_);
  auto* dateLabel = new QLabel(QStringLiteral("Date"), this);
  dateLabel->setBuddy(date_);

  auto* grid = new QGridLayout;
  grid->addWidget(label_, 0, 0);
  grid->addWidget(rate_, 0, 1);
  grid->addWidget(dateLabel, 1, 0);
  grid->addWidget(date_, 1, 1);
  grid->addWidget(calendar_, 1, 2);
  auto* buttons = RightAlignedButtons({ok_, cancel_});
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  setTabOrder(rate_, date_);
  setTabOrder(date_, calendar_);
  setTabOrder(calendar_, ok_);
  setTabOrder(ok_, cancel_);

  connect(calendar_, &QPushButton::clicked, this, [this] { PickDateIntoEdit(date_); });
  connect(ok_, &QPushButton::clicked, this, [this] { ok(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
  RegisterWindowPosition(this, QStringLiteral("Fratedets"));
}

void TFratedets::prepare(const QString& code) {
  code_ = code;
  stored_ = 0;
  setWindowTitle(code + " Exchange Rate details");
  const QString label = code + " per 1 " + baseCode();
  label_->setText(label);
  rate_->setAccessibleName(label);
  rate_->clear();
  date_->setText(lastDate_);
  rate_->setFocus();
}

void TFratedets::ok() {
  const QString dateText = date_->text();
  TDateRec date;
  if (!ParseDateTextOrWarn(dateText, date)) return;
  // A rate belongs to a real day: 2024-02-30 would be stored under a date
  // that no lookup ever asks for.
  if (date.year == 0 || date.month < 1 || date.month > 12 || date.day < 1 ||
      date.day > MonthLength(date)) {
    ShowInfo("Invalid date \"" + dateText + "\"");
    return;
  }
  const QString rateText = rate_->text().trimmed();
  double rate = 0;
  if (!ParseFloatOrZero(rateText, rate)) {
    ShowInfo("Invalid rate \"" + rateText + "\"");
    return;
  }
  const int32_t ymd = DateRecToYmd(date);
  if (!AddRate(code_, ymd, rateText)) return;
  lastDate_ = dateText;
  stored_ = ymd;
  accept();
}

int32_t NewRate(const QString& code) {
  if (code.isEmpty() || code == baseCode()) return 0;
  Session().workingCurrency = code;
  TFratedets* f = RateForm();
  f->prepare(code);
  return ShowModalAtPointer(f) == QDialog::Accepted ? f->storedDate() : 0;
}

// ---- The windows
// ---------------------------------------------------------------------------------

TFccies* CurrenciesWindow() {
  static TFccies* w = nullptr;
  if (!w) w = new TFccies;
  return w;
}

TFccydets* CurrencyForm() {
  static TFccydets* f = nullptr;
  if (!f) f = new TFccydets;
  return f;
}

TFRates* RatesWindow() {
  static TFRates* w = nullptr;
  if (!w) w = new TFRates;
  return w;
}

TFratedets* RateForm() {
  static TFratedets* f = nullptr;
  if (!f) f = new TFratedets;
  return f;
}
