#include "screens/views/monthly_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStyleOptionHeader>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/texts.h"
#include "foundation/ui/calendar.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/list_export.h"
#include "ledger/accounts.h"
#include "screens/masterdata/account_picking.h"
#include "screens/screen_hooks.h"
#include "screens/views/monthly_chart.h"
#include "screens/views/postings_window.h"
#include "shell/shell_hooks.h"
#include "store/db.h"
#include "store/session.h"

namespace {

const QString kCloseQuestion = QStringLiteral(
    "Table will need to be rebuilt next time (slow) - are you sure you want to close?");
const QString kBusyColour = QStringLiteral("background-color: #e0ffff;");

// While the totals are rebuilt the books must not change under the rebuild:
// input to every other window is swallowed, and other windows do not close.
// The analysis window itself keeps only its "Close" (the rest is disabled).
class TRebuildGuard : public QObject {
 public:
  explicit TRebuildGuard(QWidget* window) : window_(window) { qApp->installEventFilter(this); }
  ~TRebuildGuard() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    auto* w = qobject_cast<QWidget*>(watched);
    // A message the rebuild shows (a database error) must still be answered.
    if (!w || w->window() == window_ || w->window() == QApplication::activeModalWidget())
      return false;
    switch (e->type()) {
      case QEvent::ShortcutOverride:
        e->accept();  // no shortcut of another window fires
        return true;
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Wheel:
      case QEvent::ContextMenu:
        return true;
      case QEvent::Close:
        e->ignore();
        return true;
      default:
        return false;
    }
  }

 private:
  QWidget* window_;
};

bool g_rebuildRunning = false;

// The fixed first column lives in the row header; the corner above it
// carries that column's heading.
class TCornerCaption : public QObject {
 public:
  TCornerCaption(QTableView* view, std::function<QString()> text)
      : QObject(view), view_(view), text_(std::move(text)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() != QEvent::Paint) return false;
    auto* corner = static_cast<QWidget*>(watched);
    QStyleOptionHeader opt;
    opt.initFrom(corner);
    opt.rect = corner->rect();
    opt.state |= QStyle::State_Enabled;  // a heading, not a button
    opt.palette = view_->horizontalHeader()->palette();
    opt.palette.setCurrentColorGroup(QPalette::Active);
    opt.position = QStyleOptionHeader::OnlyOneSection;
    opt.orientation = Qt::Horizontal;
    opt.text = text_();
    opt.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    QPainter painter(corner);
    view_->style()->drawControl(QStyle::CE_Header, &opt, &painter, corner);
    return true;
  }

 private:
  QTableView* view_;
  std::function<QString()> text_;
};

}  // namespace

// ---- Model ----------------------------------------------------------------------------

void TMonthlyModel::setGrid(const TMonthlyGrid& grid) {
  beginResetModel();
  grid_ = grid;
  empty_ = false;
  endResetModel();
}

void TMonthlyModel::clear() {
  beginResetModel();
  grid_ = TMonthlyGrid();
  empty_ = true;
  endResetModel();
}

const TMonthlyGridRow* TMonthlyModel::rowAt(int row) const {
  if (empty_ || row < 0 || row > grid_.rows.size()) return nullptr;
  return row == grid_.rows.size() ? &grid_.totals : &grid_.rows[row];
}

int TMonthlyModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || empty_ ? 0 : int(grid_.rows.size()) + 1;
}

int TMonthlyModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() || empty_ ? 0 : grid_.columnCount();
}

QVariant TMonthlyModel::data(const QModelIndex& index, int role) const {
  const TMonthlyGridRow* r = rowAt(index.row());
  if (!r || !index.isValid()) return {};
  if (role == Qt::TextAlignmentRole)
    return index.column() >= 2 ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
  if (role != Qt::DisplayRole) return {};
  return grid_.cellText(*r, index.column());
}

QVariant TMonthlyModel::headerData(int section, Qt::Orientation o, int role) const {
  if (o == Qt::Horizontal) {
    if (role == Qt::DisplayRole) return grid_.header.value(section);
    if (role == Qt::TextAlignmentRole && section >= 2)
      return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
  }
  // The fixed first column lives in the row header, so it stays in view.
  if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
  if (role != Qt::DisplayRole) return {};
  const TMonthlyGridRow* r = rowAt(section);
  return r ? r->label : QString();
}

// ---- Start dialog ------------------------------------------------------------------------

TFanlsys::TFanlsys(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Fanlsys"));
  setWindowTitle(QStringLiteral("Internal accounts - Movement analysis"));
  setModal(true);
  earliest_ = new QLineEdit(this);
  earliest_->setReadOnly(true);
  endBox_ = new QLineEdit(this);
  calendar_ = new QPushButton(QStringLiteral("..."), this);
  calendar_->setToolTip(QStringLiteral("Calendar"));
  calendar_->setAccessibleName(QStringLiteral("Calendar"));
  calendar_->setAutoDefault(false);
  ok_ = NamedButton(QStringLiteral("OK"), this);
  cancel_ = NamedButton(QStringLiteral("Cancel"), this);
  ok_->setDefault(true);
  cancel_->setAutoDefault(false);

  auto* grid = new QGridLayout;
  grid->addWidget(LabelFor(QStringLiteral("Earliest on database "), earliest_, this), 0, 0);
  grid->addWidget(earliest_, 0, 1);
  grid->addWidget(LabelFor(QStringLiteral("Analysis end-date "), endBox_, this), 1, 0);
  grid->addWidget(endBox_, 1, 1);
  grid->addWidget(calendar_, 1, 2);
  auto* buttons = RightAlignedButtons({ok_, cancel_});
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  setTabOrder(earliest_, endBox_);
  setTabOrder(endBox_, calendar_);
  setTabOrder(calendar_, ok_);
  setTabOrder(ok_, cancel_);

  connect(calendar_, &QPushButton::clicked, this, [this] { PickPlainDateIntoEdit(endBox_); });
  connect(ok_, &QPushButton::clicked, this, [this] { ok(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
}

void TFanlsys::prepare() {
  const TSession& s = Session();
  earliest_->setText(s.dbStartDate > 0 ? YmdToText(s.dbStartDate) : QString());
  endBox_->setText(YmdToText(s.periodTo));
  endBox_->setFocus();
}

void TFanlsys::ok() {
  const QString text = endBox_->text();
  TDateRec d;
  if (!ParseDateText(text, d) || !IsRealDate(d)) {
    ShowInfo("Invalid date " + InQuotes(text));
    return;
  }
  end_ = d;
  accept();
}

void ShowAnalysisDialog() {
  if (MonthlyRebuildRunning()) {
    ShowMonthlyAnalysis(TDateRec{});
    return;
  }
  static QPointer<TFanlsys> dialog;
  if (!dialog) dialog = new TFanlsys;
  dialog->prepare();
  if (ShowModalAtPointer(dialog) != QDialog::Accepted) return;
  TSession& s = Session();
  s.workingCurrency = s.settings.baseCurrency;
  ShowMonthlyAnalysis(dialog->endDate());
}

// ---- Analysis window -----------------------------------------------------------------------

TFMonthly::TFMonthly(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("FMonthly"));
  setWindowTitle(QStringLiteral("VORBEK2 - ") + AccountKindName(3, 'U', 'S') +
                 QStringLiteral(" Analysis"));
  model_ = new TMonthlyModel(this);

  // Menu bar.
  bar_ = new QMenuBar(this);
  QMenu* exportMenu = bar_->addMenu(QStringLiteral("Export"));
  connect(exportMenu->addAction(QStringLiteral("to Clipboard")), &QAction::triggered, this,
          [this] { exportToClipboard(); });
  connect(exportMenu->addAction(QStringLiteral("to File ( CSV )")), &QAction::triggered, this,
          [this] { exportToFile(); });

  QMenu* display = bar_->addMenu(QStringLiteral("Display"));
  QMenu* column0 = display->addMenu(QStringLiteral("Column 0"));
  auto* columnGroup = new QActionGroup(this);
  QAction* resizeItem = column0->addAction(QStringLiteral("Resize"));
  QAction* fix = column0->addAction(QStringLiteral("Fix"));
  for (QAction* a : {resizeItem, fix}) {
    a->setCheckable(true);
    columnGroup->addAction(a);
  }
  fix->setChecked(true);
  connect(resizeItem, &QAction::triggered, this, [this] {
    fixColumn_ = false;
    fitColumnZero();
  });
  connect(fix, &QAction::triggered, this, [this] {
    fixColumn_ = true;
    fitColumnZero();
  });
  QMenu* sort = display->addMenu(QStringLiteral("Sort"));
  auto* sortGroup = new QActionGroup(this);
  QAction* byName = sort->addAction(QStringLiteral("by name"));
  QAction* byValue = sort->addAction(QStringLiteral("by value"));
  for (QAction* a : {byName, byValue}) {
    a->setCheckable(true);
    sortGroup->addAction(a);
  }
  byName->setChecked(true);
  connect(byName, &QAction::triggered, this, [this] { setSort(TMonthlySort::ByName); });
  connect(byValue, &QAction::triggered, this, [this] { setSort(TMonthlySort::ByValue); });
  QAction* grouping = display->addAction(QStringLiteral("Show grouping"));
  grouping->setCheckable(true);
  grouping->setChecked(true);
  connect(grouping, &QAction::toggled, this, [this](bool on) { setShowGrouping(on); });
  chartAction_ = display->addAction(QStringLiteral("Chart"));
  chartAction_->setCheckable(true);
  chartAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
  chartAction_->setShortcutContext(Qt::WindowShortcut);
  addAction(chartAction_);
  connect(chartAction_, &QAction::toggled, this, [this](bool on) { setChartShown(on); });
  display->addAction(QStringLiteral("Expand all"))->setEnabled(false);
  display->addAction(QStringLiteral("Collapse all"))->setEnabled(false);

  QMenu* debug = bar_->addMenu(QStringLiteral("Debug"));
  connect(debug->addAction(QStringLiteral("Clear")), &QAction::triggered, this,
          [this] { clearGrid(); });
  connect(debug->addAction(QStringLiteral("Refresh")), &QAction::triggered, this, [this] {
    fill();
    view_->viewport()->update();
  });
  connect(debug->addAction(QStringLiteral("Rebuild")), &QAction::triggered, this,
          [this] { rebuildFromMenu(); });
  closeAction_ = bar_->addAction(QStringLiteral("Close"));
  connect(closeAction_, &QAction::triggered, this, [this] { close(); });

  // Navigation row.
  prev_ = new QPushButton(QStringLiteral(" < "), this);
  prev_->setAccessibleName(QStringLiteral("<"));
  prev_->setToolTip(QStringLiteral("Previous month"));
  next_ = new QPushButton(QStringLiteral(" > "), this);
  next_->setAccessibleName(QStringLiteral(">"));
  next_->setToolTip(QStringLiteral("Next month"));
  const TMonthlyMode modes[3] = {TMonthlyMode::Month, TMonthlyMode::RollingMonth,
                                 TMonthlyMode::Year};
  for (int i = 0; i < 3; ++i) {
    modes_[i] = new QRadioButton(MonthlyModeName(modes[i]), this);
    modes_[i]->setAccessibleName(MonthlyModeName(modes[i]));
    const TMonthlyMode m = modes[i];
    connect(modes_[i], &QRadioButton::toggled, this, [this, m](bool on) {
      if (on) setMode(m);
    });
  }
  modes_[1]->setToolTip(QStringLiteral("Rolling yearly figures"));
  modes_[0]->setChecked(true);
  back_ = NamedButton(QStringLiteral("Back"), this);
  back_->setEnabled(false);
  group_label_ = new QLabel(this);
  group_label_->setToolTip(QStringLiteral("Drilled-down to this group"));
  connect(prev_, &QPushButton::clicked, this, [this] { previousMonth(); });
  connect(next_, &QPushButton::clicked, this, [this] { nextMonth(); });
  connect(back_, &QPushButton::clicked, this, [this] { back(); });

  top_ = new QWidget(this);
  auto* row = new QHBoxLayout(top_);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(prev_);
  row->addWidget(next_);
  for (QRadioButton* b : modes_) row->addWidget(b);
  row->addWidget(back_);
  row->addWidget(group_label_, 1);

  // Progress area: stage and countdown.
  progress_ = new QWidget(this);
  progress_->setAutoFillBackground(true);
  stage_ = new QLabel(progress_);
  counter_ = new QLabel(progress_);
  auto* prow = new QHBoxLayout(progress_);
  prow->setContentsMargins(4, 2, 4, 2);
  prow->addWidget(stage_, 1);
  prow->addWidget(counter_);

  // Grid and chart.
  view_ = new QTableView(this);
  view_->setModel(model_);
  view_->setAccessibleName(QStringLiteral("Analysis grid"));
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  view_->verticalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
  view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
  CurrentFollowsSelection(view_);
  view_->setCornerButtonEnabled(false);
  if (auto* corner = view_->findChild<QAbstractButton*>())
    corner->installEventFilter(new TCornerCaption(
        view_, [this] { return fixColumn_ ? model_->grid().header.value(0) : QString(); }));
  chart_ = new QChartView(this);
  chart_->setAccessibleName(QStringLiteral("Chart"));
  chart_->setRenderHint(QPainter::Antialiasing);
  chart_->chart()->setAnimationOptions(QChart::NoAnimation);
  chart_->hide();
  split_ = new QSplitter(Qt::Vertical, this);
  split_->addWidget(view_);
  split_->addWidget(chart_);
  hint_ = new QLabel(this);

  popup_ = new QMenu(this);
  auto item = [this](const QString& text, std::function<void()> run) {
    QAction* a = popup_->addAction(text);
    connect(a, &QAction::triggered, this, [run = std::move(run)] { run(); });
  };
  item(QStringLiteral("De&tails"), [this] { details(popupRow_); });
  item(QStringLiteral("&Postings"), [this] { postings(popupRow_); });
  item(QStringLiteral("&Drill-down group"), [this] { drillDown(popupRow_); });
  item(QStringLiteral("&Expand group"), [] {});
  item(QStringLiteral("&Collapse group"), [] {});
  popup_->addSeparator();
  item(QStringLiteral("Copy cell"), [this] { copyCell(popupRow_, popupColumn_); });
  connect(view_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    const QModelIndex at = view_->indexAt(p);
    preparePopup(at.isValid() ? at.row() : -1, qMax(1, at.column()));
    popup_->popup(view_->viewport()->mapToGlobal(p));
  });
  connect(view_->verticalHeader(), &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) {
            preparePopup(view_->verticalHeader()->logicalIndexAt(p), 1);
            popup_->popup(view_->verticalHeader()->mapToGlobal(p));
          });
  connect(view_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& at) {
    const TMonthlyGridRow* r = model_->rowAt(at.row());
    if (r && model_->isDataRow(at.row()) && r->isGroup()) drillDown(at.row());
  });
  connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { updateChart(); });

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(bar_);
  layout->addWidget(top_);
  layout->addWidget(progress_);
  layout->addWidget(split_, 1);
  layout->addWidget(hint_);
  setTabOrder(prev_, next_);
  setTabOrder(next_, modes_[0]);
  setTabOrder(modes_[0], modes_[1]);
  setTabOrder(modes_[1], modes_[2]);
  setTabOrder(modes_[2], back_);
  setTabOrder(back_, view_);
  resize(900, 600);
  RegisterWorkWindow(this);
}

TFMonthly::~TFMonthly() = default;

QRadioButton* TFMonthly::modeButton(TMonthlyMode mode) const {
  return modes_[mode == TMonthlyMode::Month ? 0 : mode == TMonthlyMode::RollingMonth ? 1 : 2];
}

TMonthlyMode TFMonthly::mode() const {
  if (modes_[2]->isChecked()) return TMonthlyMode::Year;
  if (modes_[1]->isChecked()) return TMonthlyMode::RollingMonth;
  return TMonthlyMode::Month;
}

QAction* TFMonthly::action(const QString& text) const {
  for (QAction* a : findChildren<QAction*>())
    if (a->text() == text) return a;
  return nullptr;
}

QString TFMonthly::groupText() const { return group_label_->text(); }
QString TFMonthly::hintText() const { return hint_->text(); }

void TFMonthly::setBusyLook(bool on) {
  progress_->setStyleSheet(on ? kBusyColour : QString());
  // Everything but "Close" rests while the totals are rebuilt.
  top_->setEnabled(!on);
  view_->setEnabled(!on);
  chart_->setEnabled(!on);
  // Menu items too, not only their menus: a shortcut reaches an item directly.
  if (on) {
    for (QAction* a : findChildren<QAction*>())
      if (a != closeAction_ && a->isEnabled()) {
        a->setEnabled(false);
        rested_ << a;
      }
  } else {
    for (const QPointer<QAction>& a : std::as_const(rested_))
      if (a) a->setEnabled(true);
    rested_.clear();
    back_->setEnabled(group_ != 0);
  }
}

void TFMonthly::open(const TDateRec& end) {
  if (rebuilding_) return;
  setWindowTitle(QStringLiteral("VORBEK2 - ") + AccountKindName(3, 'U', 'S') +
                 QStringLiteral(" Analysis"));
  end_ = end;
  setGroup(0);
  back_->setEnabled(false);
  model_->clear();
  showMaximized();
  raise();
  activateWindow();
  rebuild();
}

bool TFMonthly::rebuild() {
  BusyOn();
  rebuilding_ = true;
  g_rebuildRunning = true;
  built_ = false;
  abort_ = false;
  setBusyLook(true);
  TMonthlyResult result = TMonthlyResult::Failed;
  {
    TRebuildGuard guard(this);
    TMonthlyProgress p;
    p.stage = [this](const QString& text, const QString& hint) {
      stage_->setText(text);
      stage_->setToolTip(hint);
      Q_EMIT progressShown();
    };
    p.counter = [this](int remaining) {
      counter_->setText(remaining < 0 ? QString() : QString::number(remaining));
      Q_EMIT progressShown();
    };
    p.abort = &abort_;
    result = PrepareMonthlyAnalysis(p);
  }
  rebuilding_ = false;
  g_rebuildRunning = false;
  stage_->clear();
  counter_->clear();
  setBusyLook(false);
  fitColumnZero(200);
  // Stopped or failed: nothing of it stays, and the window goes.
  if (result != TMonthlyResult::Done || abort_) {
    RollbackIfActive();
    BusyOff();
    model_->clear();
    closeApproved_ = true;
    close();
    return false;
  }
  built_ = true;
  fill();
  CommitRetainingAndCloseTables();
  BusyOff();
  return true;
}

void TFMonthly::fill() {
  if (rebuilding_ || !built_) return;
  TMonthlyGrid g;
  const TMonthlyRequest request{end_, mode(), group_, showGrouping_};
  if (!BuildMonthlyGrid(request, g)) return;
  SortMonthlyGrid(g, sort_);
  model_->setGrid(g);
  hint_->setText(g.hint());
  fitColumnZero();
  updateChart();
}

void TFMonthly::fitColumnZero(int width) {
  if (width < 0) {
    const QFontMetrics fm(view_->font());
    width = fm.horizontalAdvance(model_->grid().header.value(0));
    for (int r = 0; r < model_->rowCount(); ++r)
      width = qMax(width, fm.horizontalAdvance(model_->rowAt(r)->label));
    width += 10;
  }
  QHeaderView* rows = view_->verticalHeader();
  // The figure columns as wide as their widest text, the totals row included.
  const QFontMetrics cells(view_->font());
  const TMonthlyGrid& g = model_->grid();
  for (int c = 1; c < model_->columnCount(); ++c) {
    int w = QFontMetrics(view_->horizontalHeader()->font()).horizontalAdvance(g.header[c]);
    for (int r = 0; r < model_->rowCount(); ++r)
      w = qMax(w, cells.horizontalAdvance(g.cellText(*model_->rowAt(r), c)));
    view_->setColumnWidth(c, w + 16);
  }
  rows->setVisible(fixColumn_);
  view_->setColumnHidden(0, fixColumn_);
  if (fixColumn_)
    rows->setFixedWidth(width);
  else
    view_->setColumnWidth(0, width);
}

void TFMonthly::setGroup(int32_t id) {
  group_ = id;
  groupObj_ = TObj();
  if (id > 0) ReadAccount(id, groupObj_);
  group_label_->setText(id > 0 ? "Group : " +
                                     InQuotes((groupObj_.path + ' ' + groupObj_.name).trimmed())
                               : QString());
  back_->setEnabled(id != 0);
}

void TFMonthly::selectRowOf(int32_t id) {
  const TMonthlyGrid& g = model_->grid();
  for (int r = 0; r < g.rows.size(); ++r)
    if (g.rows[r].id == id) {
      view_->setCurrentIndex(model_->index(r, fixColumn_ ? 1 : 0));
      view_->selectRow(r);
      return;
    }
}

void TFMonthly::previousMonth() {
  PrevMonth(end_);
  fill();
}

void TFMonthly::nextMonth() {
  NextMonth(end_);
  fill();
}

void TFMonthly::setMode(TMonthlyMode m) {
  QRadioButton* b = modeButton(m);
  if (!b->isChecked()) {
    b->setChecked(true);  // toggled comes back here
    return;
  }
  fill();
}

void TFMonthly::setSort(TMonthlySort sort) {
  sort_ = sort;
  const QList<QAction*> items{action(QStringLiteral("by name")),
                              action(QStringLiteral("by value"))};
  items[sort == TMonthlySort::ByName ? 0 : 1]->setChecked(true);
  if (model_->isEmpty()) return;
  TMonthlyGrid g = model_->grid();
  SortMonthlyGrid(g, sort_);
  model_->setGrid(g);
  updateChart();
}

void TFMonthly::setShowGrouping(bool on) {
  if (QAction* a = action(QStringLiteral("Show grouping")); a && a->isChecked() != on)
    a->setChecked(on);  // toggled comes back here
  if (showGrouping_ == on) return;
  showGrouping_ = on;
  fill();
}

void TFMonthly::setChartShown(bool on) {
  if (chartAction_->isChecked() != on) {
    chartAction_->setChecked(on);  // toggled comes back here
    return;
  }
  chart_->setVisible(on);
  if (on) {
    const int h = split_->height();
    split_->setSizes({h * 3 / 5, h - h * 3 / 5});
    updateChart();
  } else {
    chart_->chart()->removeAllSeries();
  }
}

QList<int> TFMonthly::chartRows() const {
  QList<int> rows;
  for (const QModelIndex& i : view_->selectionModel()->selectedRows()) rows << i.row();
  std::sort(rows.begin(), rows.end());
  return rows;
}

void TFMonthly::updateChart() {
  if (!chartAction_->isChecked() || rebuilding_) return;
  if (model_->isEmpty()) {
    chart_->chart()->removeAllSeries();
    return;
  }
  FillMonthlyChart(chart_->chart(), model_->grid(), chartRows(), groupText(),
                   Session().settings.baseCurrency);
}

void TFMonthly::preparePopup(int row, int column) {
  popupRow_ = row;
  popupColumn_ = column < 1 ? 1 : column;
  const TMonthlyGridRow* r = model_->isDataRow(row) ? model_->rowAt(row) : nullptr;
  const bool group = r && r->isGroup();
  action(QStringLiteral("De&tails"))->setEnabled(r);
  action(QStringLiteral("&Postings"))->setEnabled(r && !group);
  action(QStringLiteral("&Drill-down group"))->setEnabled(group);
  action(QStringLiteral("&Expand group"))->setEnabled(group);
  action(QStringLiteral("&Collapse group"))->setEnabled(r);
  action(QStringLiteral("Copy cell"))->setEnabled(model_->rowAt(row) != nullptr);
}

void TFMonthly::drillDown(int row) {
  if (!model_->isDataRow(row)) return;
  TObj o;
  if (!ReadAccount(model_->rowAt(row)->id, o) || o.kind != kInternalGroupKind) return;
  setGroup(o.id);
  fill();
}

void TFMonthly::back() {
  if (group_ == 0) return;
  const int32_t left = group_;
  setGroup(groupObj_.groupId);
  fill();
  selectRowOf(left);
}

void TFMonthly::postings(int row) {
  const TMonthlyGridRow* r = model_->isDataRow(row) ? model_->rowAt(row) : nullptr;
  if (!r || r->isGroup()) return;
  ShowAllPostings(r->id);
}

void TFMonthly::details(int row) {
  const TMonthlyGridRow* r = model_->isDataRow(row) ? model_->rowAt(row) : nullptr;
  if (!r) return;
  if (EditAccount(r->id)) fill();
}

void TFMonthly::copyCell(int row, int column) {
  const TMonthlyGridRow* r = model_->rowAt(row);
  if (!r) return;
  const QString text = model_->grid().cellText(*r, column);
  if (auto* clipboard = QGuiApplication::clipboard()) clipboard->setText(text);
  if (ScreenHooks().showClipboardText) ScreenHooks().showClipboardText(text);
}

QString TFMonthly::exportToClipboard() {
  if (model_->isEmpty()) return {};
  const QString text =
      MonthlyGridClipboardText(model_->grid(), windowTitle() + "  " + group_label_->text());
  if (auto* clipboard = QGuiApplication::clipboard()) clipboard->setText(text);
  if (ScreenHooks().showClipboardText) ScreenHooks().showClipboardText(text);
  return text;
}

bool TFMonthly::exportToFile() {
  if (model_->isEmpty()) return false;
  const QString name =
      NextFreeExportFile(Session().dataFolder, QStringLiteral("anlys"), QStringLiteral(".csv"));
  if (name.isEmpty()) {
    ShowInfo(QStringLiteral("Cannot export - all 99 filenames in use, have a clearout!"));
    return false;
  }
  QString error;
  if (!WriteExportFile(name, MonthlyGridCsv(model_->grid()), &error)) {
    ShowInfo(QStringLiteral("Cannot write ") + name + QStringLiteral(" : ") + error);
    return false;
  }
  ShowInfo(QStringLiteral("Exported OK to ") + name);
  return true;
}

void TFMonthly::clearGrid() {
  model_->clear();
  hint_->clear();
  updateChart();
}

void TFMonthly::rebuildFromMenu() {
  if (rebuilding_) return;
  if (!AskYes(QStringLiteral("Rebuild is slow - are you sure?"))) return;
  clearGrid();
  open(end_);
}

void TFMonthly::closeEvent(QCloseEvent* e) {
  if (rebuilding_) {
    // Only a request: the rebuild stops at its next step, then the window goes.
    abort_ = true;
    e->ignore();
    return;
  }
  if (!closeApproved_ && !AskYes(kCloseQuestion)) {
    e->ignore();
    return;
  }
  closeApproved_ = false;
  e->accept();
}

void TFMonthly::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(e);
}

// ---- Entry points --------------------------------------------------------------------------

TFMonthly* MonthlyAnalysisWindow() {
  static QPointer<TFMonthly> w;
  if (!w) w = new TFMonthly;
  return w;
}

bool MonthlyRebuildRunning() { return g_rebuildRunning; }

void ShowMonthlyAnalysis(const TDateRec& end) {
  TFMonthly* w = MonthlyAnalysisWindow();
  if (w->rebuilding()) {
    // Never a rebuild inside a rebuild: the running one is brought up.
    w->raise();
    w->activateWindow();
    return;
  }
  w->open(end);
}
