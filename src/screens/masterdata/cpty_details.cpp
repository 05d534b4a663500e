#include "screens/masterdata/cpty_details.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "foundation/messages.h"
#include "foundation/texts.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/window_positions.h"
#include "ledger/account_save.h"
#include "ledger/accounts.h"
#include "ledger/currencies.h"
#include "reports/cpty_lists.h"
#include "screens/masterdata/account_picking.h"
#include "screens/masterdata/channels.h"
#include "screens/masterdata/cpty_categories.h"
#include "screens/screen_hooks.h"
#include "store/session.h"

namespace {

const QString kDefaultNote = QStringLiteral(
    "\"Default\" above indicates which External Account is used on Transaction Input for this "
    "Counterparty where the \"Credit\" option is selected.");

QCheckBox* typeBox(const QString& text, const QString& hint) {
  auto* b = new QCheckBox(text);
  b->setAccessibleName(text);
  b->setToolTip(hint);
  return b;
}

bool refuseWhileShowing(const QWidget* form) {
  if (!form->isVisible()) return false;
  ShowProgramError(QStringLiteral("Counterparty details form is already in use"));
  return true;
}

}  // namespace

TFCpty::TFCpty(QWidget* parent) : TAccountDetailsForm(parent) {
  setObjectName(QStringLiteral("FCpty"));
  setWindowTitle(QStringLiteral("Counterparty details"));
  auto* top = new QVBoxLayout(this);
  buildCommon(top);

  for (QLabel* l : findChildren<QLabel*>())
    if (l->buddy() == name_) l->setText(QStringLiteral("Name"));
  name_->setAccessibleName(QStringLiteral("Name"));
  // The account forms' balance and expected-sign boxes mean nothing here.
  negative_->parentWidget()->hide();
  balance_->hide();
  balanceFrom_->hide();
  ccyLabel_->hide();
  openDate_->setToolTip(QStringLiteral("The Counterparty cannot be posted before this date"));

  extPage_ = new QWidget;
  extPage_->setAccessibleName(QStringLiteral("Ext accounts"));
  auto* el = new QVBoxLayout(extPage_);
  ext_ = new QTableWidget(0, 3, extPage_);
  ext_->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("CCY"), QString()});
  ext_->setAccessibleName(QStringLiteral("Ext accounts"));
  ext_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ext_->setSelectionBehavior(QAbstractItemView::SelectRows);
  ext_->setSelectionMode(QAbstractItemView::SingleSelection);
  ext_->verticalHeader()->hide();
  ext_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  ext_->setContextMenuPolicy(Qt::CustomContextMenu);
  extNote_ = new QLabel(kDefaultNote);
  extNote_->setWordWrap(true);
  extNote_->setTextFormat(Qt::PlainText);
  el->addWidget(ext_, 1);
  el->addWidget(extNote_);
  pages_->insertTab(1, extPage_, QStringLiteral("Ext accounts"));

  extMenu_ = new QMenu(this);
  auto onRow = [this](void (TFCpty::*act)(int)) {
    return [this, act] { (this->*act)(ext_->currentRow()); };
  };
  connect(extMenu_->addAction(QStringLiteral("Details")), &QAction::triggered, this,
          onRow(&TFCpty::extDetails));
  connect(extMenu_->addAction(QStringLiteral("Postings")), &QAction::triggered, this,
          onRow(&TFCpty::extPostings));
  connect(extMenu_->addAction(QStringLiteral("Use as default")), &QAction::triggered, this,
          onRow(&TFCpty::useAsDefault));
  connect(ext_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    const int r = ext_->rowAt(pos.y());
    if (r < 0) return;
    ext_->selectRow(r);
    extMenu_->popup(ext_->viewport()->mapToGlobal(pos));
  });

  connect(payee_, &QCheckBox::toggled, this, &TFCpty::userChanged);
  connect(payer_, &QCheckBox::toggled, this, &TFCpty::userChanged);
  resize(560, 440);
  RegisterWindowPosition(this, objectName());
}

void TFCpty::addOwnRows(QVBoxLayout* rows) {
  payee_ = typeBox(QStringLiteral("Payee (I pay you)"),
                   QStringLiteral("receives payments from me (payee)"));
  payer_ =
      typeBox(QStringLiteral("Payer (you pay me)"), QStringLiteral("makes payments to me (payer)"));
  auto* row = new QHBoxLayout;
  row->addWidget(payee_);
  row->addWidget(payer_);
  row->addStretch(1);
  rows->addLayout(row);
}

void TFCpty::fillOwn() {
  idLabel_->setText("Id " + QString::number(qMax(0, obj_.id)));
  payee_->setChecked(obj_.cptyReceives);
  payer_->setChecked(obj_.cptyPays);
  if (obj_.id <= 0) status_->clear();
  fillExtAccounts();
}

void TFCpty::fillExtAccounts() {
  QList<TExtAccountRow> rows;
  if (obj_.id > 0) ListExtAccountsWith(obj_.id, obj_.heldWith, rows);
  ext_->setRowCount(int(rows.size()));
  for (int r = 0; r < rows.size(); ++r) {
    const TExtAccountRow& row = rows[r];
    ext_->setItem(r, 0, new QTableWidgetItem(row.name));
    ext_->setItem(r, 1, new QTableWidgetItem(row.ccy));
    ext_->setItem(r, 2,
                  new QTableWidgetItem(row.isDefault ? QStringLiteral("default") : QString()));
    SetRowId(ext_, r, row.id);
  }
  // Which account is the default only matters when there is a choice.
  const bool choice = rows.size() >= 2;
  ext_->setColumnHidden(2, !choice);
  extNote_->setVisible(choice);
  const int page = pages_->indexOf(extPage_);
  pages_->setTabText(
      page, rows.isEmpty() ? QStringLiteral("Ext accounts") : QStringLiteral("EXT ACCOUNTS"));
  pages_->setTabVisible(page, obj_.id > 0);
}

int32_t TFCpty::rowId(int r) const {
  if (r < 0 || r >= ext_->rowCount()) return 0;
  return qMax(0, RowId(ext_, r));
}

void TFCpty::extDetails(int r) {
  const int32_t id = rowId(r);
  if (id > 0 && EditAccount(id)) fillExtAccounts();
}

void TFCpty::extPostings(int r) {
  const int32_t id = rowId(r);
  if (id <= 0) return;
  const QString ccy = ext_->item(r, 1)->text();
  if (ccy != Session().workingCurrency) {
    ShowInfo("Switching currency from " + Session().workingCurrency + " to " + ccy);
    Session().workingCurrency = ccy;
  }
  ShowPostings(id);
}

void TFCpty::useAsDefault(int r) {
  const int32_t id = rowId(r);
  if (id <= 0) return;
  obj_.heldWith = id;
  fillExtAccounts();
  ShowInfo(QStringLiteral("Use UPDATE button to commit this change"));
  markChanged();
}

int TFCpty::groupKind() const { return kKindCounterpartyGroup; }
int TFCpty::currentKind() const { return kKindCounterparty; }

bool TFCpty::save(TObj& saved) {
  TAccountEntry e;
  entryCommon(e);
  e.providerId = obj_.heldWith;
  e.cptyPays = payer_->isChecked();
  e.cptyReceives = payee_->isChecked();
  return SaveCounterparty(e, saved);
}

bool TFCpty::askClose(const TObj& account, TDateRec& date) {
  return AskCounterpartyCloseDate(account, date);
}

int TFCpty::openNew(const QString& name) {
  setWindowTitle(QStringLiteral("Counterparty details - New"));
  obj_ = NewObj();
  obj_.kind = kKindCounterparty;
  obj_.cptyReceives = true;
  obj_.name = CapitalizeFirst(name).left(kNameWidth);
  obj_.ccy = Session().settings.baseCurrency;
  obj_.openDate = TDateRec{};
  setMode(Mode::New);
  fill();
  pages_->setCurrentWidget(details_);
  startAtNameEnd();
  return exec();
}

int TFCpty::openExisting(const TObj& cpty) {
  setWindowTitle(QStringLiteral("Counterparty details"));
  obj_ = cpty;
  setMode(Mode::Display);
  fill();
  pages_->setCurrentWidget(details_);
  return exec();
}

TFCpty* TheCounterpartyForm() {
  static TFCpty* form = new TFCpty;
  return form;
}

int NewCounterparty(const QString& name) {
  TFCpty* f = TheCounterpartyForm();
  if (refuseWhileShowing(f)) return 0;
  if (!BaseCurrencyPresent()) return 0;
  if (f->openNew(name) != QDialog::Accepted) return 0;
  return f->record().id;
}

bool EditCounterpartyForm(int id) {
  if (id <= 0) return false;
  TFCpty* f = TheCounterpartyForm();
  if (refuseWhileShowing(f)) return false;
  TObj c;
  if (!ReadAccount(id, c)) return false;
  return f->openExisting(c) == QDialog::Accepted;
}

void InstallCounterpartyScreens() {
  TScreenHooks& h = ScreenHooks();
  h.addCounterparty = NewCounterparty;
  h.editCounterparty = EditCounterpartyForm;
  h.chooseCounterpartyCategory = ChooseCptyCategoryWindow;
  h.chooseChannel = ChooseChannelWindow;
  h.showChannelsOf = ShowChannelsWindow;
  h.showChannel = ShowChannelForm;
  h.showCounterpartyCategories = ShowCptyCategoriesWindow;
}
