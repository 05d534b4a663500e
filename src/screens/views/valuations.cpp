#include "screens/views/valuations.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/window_positions.h"
#include "ledger/currencies.h"
#include "ledger/freeze.h"
#include "ledger/fx_gain_loss.h"
#include "screens/export_menu.h"
#include "screens/masterdata/account_picking.h"
#include "screens/screen_hooks.h"
#include "screens/transactions/entry_form_widgets.h"
#include "shell/shell_hooks.h"
#include "store/records.h"
#include "store/session.h"

namespace {}  // namespace

// ---- Model --------------------------------------------------------------------------

void TValuationModel::setValuation(const TValuation* v) {
  beginResetModel();
  v_ = v;
  endResetModel();
}

int TValuationModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !v_) return 0;
  return int(external_ ? v_->external.size() : v_->internal.size());
}

int TValuationModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : external_ ? 6 : 3;
}

QVariant TValuationModel::data(const QModelIndex& index, int role) const {
  if (!v_ || !index.isValid() || index.row() >= rowCount()) return {};
  const int c = index.column();
  if (role == Qt::TextAlignmentRole)
    return external_ ? (c >= 2 ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant())
                     : (c >= 1 ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant());
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  if (external_) {
    const TValuationExternalRow& r = v_->external[index.row()];
    switch (c) {
      case 0:
        return r.name;
      case 1:
        return r.ccy;
      case 2:
        return FormatRate(r.rate);
      case 3:
        return FormatAmount(r.broughtForward);
      case 4:
        return FormatAmount(r.balance);
      case 5:
        return FormatAmount(r.value);
      default:
        return {};
    }
  }
  const TValuationInternalRow& r = v_->internal[index.row()];
  switch (c) {
    case 0:
      return r.name;
    case 1:
      return FormatAmount(r.broughtForward);
    case 2:
      return FormatAmount(r.balance);
    default:
      return {};
  }
}

QVariant TValuationModel::headerData(int section, Qt::Orientation o, int role) const {
  if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const QStringList ext{QStringLiteral("Account name"), QStringLiteral("Ccy  "),
                               QStringLiteral("Exch rate"),    QStringLiteral("B/fd"),
                               QStringLiteral("Balance"),      QStringLiteral("Value")};
  static const QStringList in{QStringLiteral("NAME"), QStringLiteral("B/fd"),
                              QStringLiteral("Balance (value)")};
  return (external_ ? ext : in).value(section);
}

int TValuationModel::idAt(int row) const {
  if (!v_ || row < 0 || row >= rowCount()) return 0;
  return external_ ? v_->external[row].id : v_->internal[row].id;
}

QString TValuationModel::ccyAt(int row) const {
  if (!v_ || row < 0 || row >= rowCount()) return {};
  return external_ ? v_->external[row].ccy : v_->internal[row].ccy;
}

// ---- Valuation window ----------------------------------------------------------------

TFvalues::TFvalues(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Fvalues"));
  setModal(false);
  setWindowTitle(QStringLiteral("Account balance valuations"));

  auto* menuBar = new QMenuBar(this);
  connect(menuBar->addAction(QStringLiteral("Refresh")), &QAction::triggered, this,
          [this] { recompute(); });
  AddExportMenu(
      menuBar, [this] { return shownGrid(); },
      [this] {
        return QStringLiteral("VORBEK ") +
               (shownGrid() == external_ ? QStringLiteral("External")
                                         : QStringLiteral("Internal")) +
               " Account Values at " + YmdToText(v_.to);
      },
      QStringLiteral("values"));
  connect(menuBar->addAction(QStringLiteral("Close")), &QAction::triggered, this,
          [this] { close(); });

  externalModel_ = new TValuationModel(true, this);
  internalModel_ = new TValuationModel(false, this);
  external_ = NewRowGrid(this, externalModel_, QStringLiteral("External Accounts"));
  internal_ = NewRowGrid(this, internalModel_, QStringLiteral("Internal Accounts"));
  pages_ = new QTabWidget(this);
  pages_->addTab(external_, QStringLiteral("External Accounts"));
  pages_->addTab(internal_, QStringLiteral("Internal Accounts"));

  popup_ = new QMenu(this);
  connect(popup_->addAction(QStringLiteral("Postings")), &QAction::triggered, this,
          [this] { postings(); });
  connect(popup_->addAction(QStringLiteral("Details")), &QAction::triggered, this,
          [this] { details(); });
  for (QTableView* grid : {external_, internal_})
    connect(grid, &QWidget::customContextMenuRequested, this, [this, grid](const QPoint& p) {
      const QModelIndex at = grid->indexAt(p);
      if (at.isValid()) grid->setCurrentIndex(at);
      popup_->popup(grid->viewport()->mapToGlobal(p));
    });

  auto* sums = new QGridLayout;
  int row = 0;
  for (const QString& text :
       {QStringLiteral("Total Int Acc value "), QStringLiteral("- base currency"),
        QStringLiteral("- foreign currency"), QStringLiteral("- total"),
        QStringLiteral("Difference (FX Gain/Loss) ")}) {
    auto* value = new QLabel(this);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value->setAccessibleName(text.trimmed());
    auto* label = new QLabel(text, this);
    label->setBuddy(value);
    sums->addWidget(label, row, 0);
    sums->addWidget(value, row, 1);
    figures_ << qMakePair(text, value);
    ++row;
  }
  figures_.last().second->setToolTip(
      QStringLiteral("... since FX Gain/Loss was last posted, +not+ since start of period"));

  post_ = NamedButton(QStringLiteral("Post"), this);
  post_->setToolTip(QStringLiteral("Post FX Gain/Loss to an Internal Account"));
  history_ = NamedButton(QStringLiteral("History"), this);
  history_->setToolTip(QStringLiteral("Shows when FX Gain/Loss was last posted, if at all"));
  for (QPushButton* b : {post_, history_}) b->setAutoDefault(false);
  connect(post_, &QPushButton::clicked, this, [this] { post(); });
  connect(history_, &QPushButton::clicked, this, [this] { history(); });
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(post_);
  buttons->addWidget(history_);
  buttons->addStretch();
  auto* bottom = new QHBoxLayout;
  bottom->addLayout(sums);
  bottom->addStretch();
  bottom->addLayout(buttons);

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menuBar);
  layout->addWidget(pages_);
  layout->addLayout(bottom);
  resize(640, 480);
  RegisterWindowPosition(this, QStringLiteral("Fvalues"));
  RegisterWorkWindow(this);
  clearFigures();
}

QAction* TFvalues::menuAction(const QString& text) const {
  for (QAction* a : findChildren<QAction*>())
    if (a->text() == text) return a;
  return nullptr;
}

QTableView* TFvalues::shownGrid() const {
  return pages_->currentIndex() == 1 ? internal_ : external_;
}

QString TFvalues::figure(const QString& label) const {
  for (const auto& f : figures_)
    if (f.first == label) return f.second->text();
  return {};
}

void TFvalues::clearFigures() {
  shown_ = false;
  v_.external.clear();
  v_.internal.clear();
  externalModel_->setValuation(&v_);
  internalModel_->setValuation(&v_);
  for (const auto& f : figures_) f.second->clear();
  post_->setEnabled(false);
}

bool TFvalues::recompute() {
  const int keepId = externalModel_->idAt(external_->currentIndex().row());
  const TSession& s = Session();
  TValuation v;
  BusyOn();
  const bool ok = ComputeValuation(s.periodFrom, s.periodTo, v);
  BusyOff();
  if (!ok) {
    clearFigures();
    return false;
  }
  v_ = v;
  shown_ = true;
  setWindowTitle(v_.caption());
  externalModel_->setValuation(&v_);
  internalModel_->setValuation(&v_);
  external_->resizeColumnsToContents();
  internal_->resizeColumnsToContents();
  const int64_t values[] = {v_.internalTotal, v_.baseValue, v_.foreignValue, v_.total,
                            v_.difference};
  for (int i = 0; i < figures_.size(); ++i) figures_[i].second->setText(FormatAmount(values[i]));
  post_->setEnabled(v_.difference != 0);
  int at = 0;
  for (int i = 0; i < v_.external.size(); ++i)
    if (v_.external[i].id == keepId) at = i;
  if (!v_.external.isEmpty()) external_->setCurrentIndex(externalModel_->index(at, 0));
  if (!v_.internal.isEmpty() && !internal_->currentIndex().isValid())
    internal_->setCurrentIndex(internalModel_->index(0, 0));
  return true;
}

void TFvalues::post() {
  if (!shown_ || v_.difference == 0) return;
  if (!FxPostAllowed(v_.to)) return;
  if (!PostFxGainLoss(v_.to, v_.difference)) return;
  // The posting made the summaries stale: figures only from a completed rebalance.
  if (AskRebalanceNow())
    recompute();
  else
    clearFigures();
}

void TFvalues::history() { SearchText(QStringLiteral("FX Gain/Loss")); }

void TFvalues::postings() {
  QTableView* grid = shownGrid();
  const bool external = grid == external_;
  const TValuationModel* model = external ? externalModel_ : internalModel_;
  const int row = grid->currentIndex().row();
  const int id = model->idAt(row);
  if (id <= 0) return;
  TSession& s = Session();
  s.workingCurrency = external ? model->ccyAt(row) : s.settings.baseCurrency;
  ShowPostings(id);
}

void TFvalues::details() {
  QTableView* grid = shownGrid();
  const TValuationModel* model = grid == external_ ? externalModel_ : internalModel_;
  const int id = model->idAt(grid->currentIndex().row());
  if (id <= 0) return;
  if (EditAccount(id) && AskYes(QStringLiteral("Refresh display?"))) recompute();
}

void ShowValuations() {
  TFvalues* w = ValuationsWindow();
  if (!w->recompute()) return;
  w->pages()->setCurrentIndex(0);
  ShowRestored(w);
  w->raise();
  w->activateWindow();
}

// ---- Post FX Gain/Loss ----------------------------------------------------------------

TFfxpost::TFfxpost(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Ffxpost"));
  setWindowTitle(QStringLiteral("Post FX Gain/Loss"));
  setModal(true);

  date_ = new QLineEdit(this);
  date_->setReadOnly(true);
  amount_ = new QLineEdit(this);
  amount_->setReadOnly(true);
  amount_->setToolTip(QStringLiteral("positive = Gain, negative = Loss"));
  categoryBox_ = new TChooserBox(this);
  ok_ = NamedButton(QStringLiteral("OK"), this);
  cancel_ = NamedButton(QStringLiteral("Cancel"), this);
  ok_->setDefault(true);
  cancel_->setAutoDefault(false);

  auto* grid = new QGridLayout;
  grid->addWidget(LabelFor(QStringLiteral("Date"), date_, this), 0, 0);
  grid->addWidget(date_, 0, 1);
  grid->addWidget(LabelFor(QStringLiteral("Amount"), amount_, this), 1, 0);
  grid->addWidget(amount_, 1, 1);
  grid->addWidget(LabelFor(QStringLiteral("Category "), categoryBox_, this), 2, 0);
  grid->addWidget(categoryBox_, 2, 1);
  auto* buttons = RightAlignedButtons({ok_, cancel_});
  auto* menuBar = new QMenuBar(this);
  close_ = menuBar->addAction(QStringLiteral("Close"));
  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menuBar);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  setTabOrder(date_, amount_);
  setTabOrder(amount_, categoryBox_);
  setTabOrder(categoryBox_, ok_);
  setTabOrder(ok_, cancel_);

  connect(categoryBox_, &TChooserBox::chosen, this, [this] { chooseCategory(); });
  connect(ok_, &QPushButton::clicked, this, [this] { ok(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
  connect(close_, &QAction::triggered, this, [this] { reject(); });
  RegisterWindowPosition(this, QStringLiteral("Ffxpost"));
}

void TFfxpost::prepare(int32_t date, int64_t amount) {
  ymd_ = date;
  amount_value_ = amount;
  date_->setText(YmdToText(date));
  amount_->setText(FormatAmount(amount));
  category_ = 0;
  categoryBox_->clear();
  const int32_t id = Session().settings.fxGainLossCtgy;
  TObj a;
  if (id > 0 && LocateAccount(id) && ReadAccount(id, a)) {
    category_ = id;
    categoryBox_->setText(a.name);
  }
}

void TFfxpost::chooseCategory() {
  if (!PickAccount(3, category_)) return;
  category_ = SelectedAccount().id;
  categoryBox_->setText(SelectedAccount().name);
}

void TFfxpost::ok() {
  if (!AskYes(QStringLiteral("Create FX Gain/Loss transaction - OK?"))) return;
  if (WriteFxGainLoss(ymd_, amount_value_, category_)) accept();
}

bool PostFxGainLoss(int32_t date, int64_t amount) {
  if (FrozenRefusal(QStringLiteral("post FX gain"))) return false;
  TFfxpost* f = FxPostForm();
  f->prepare(date, amount);
  return ShowModalAtPointer(f) == QDialog::Accepted;
}

// ---- The windows ----------------------------------------------------------------------

TFvalues* ValuationsWindow() {
  static TFvalues* w = nullptr;
  if (!w) w = new TFvalues;
  return w;
}

TFfxpost* FxPostForm() {
  static TFfxpost* f = nullptr;
  if (!f) f = new TFfxpost;
  return f;
}
