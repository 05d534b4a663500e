#include "screens/transactions/txn_details.h"

#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "foundation/dates.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/texts.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/window_positions.h"
#include "ledger/accounts.h"
#include "ledger/freeze.h"
#include "ledger/posting.h"
#include "ledger/repeaters.h"
#include "ledger/templates.h"
#include "reports/input_days.h"
#include "screens/common/clipboard_window.h"
#include "screens/masterdata/account_picking.h"
#include "screens/screen_hooks.h"
#include "screens/transactions/entry_form_ops.h"
#include "screens/transactions/input_days_window.h"
#include "screens/transactions/templates_window.h"
#include "shell/shell_hooks.h"
#include "store/session.h"

namespace {

QString num(int64_t n) { return QString::number(n); }

// A caption of a button or menu: its ampersands shown as they are.
QString caption(QString s) {
  EscapeAmpersands(s);
  return s;
}

QLabel* plainLabel(QWidget* parent) {
  auto* l = new QLabel(parent);
  l->setTextFormat(Qt::PlainText);
  l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return l;
}

QPushButton* button(const QString& text, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setAccessibleName(QString(text).remove(QLatin1Char('&')).trimmed());
  b->setAutoDefault(false);
  return b;
}

// "( FROM )", "( TO )" or nothing, for account row 0, 1 or the ACCID4 row.
QString direction(QChar type, int row) {
  const QString from = QStringLiteral("( FROM )"), to = QStringLiteral("( TO )");
  if (type == QChar('R')) return row == 1 ? from : to;
  if (type == QChar('P')) return row == 1 ? to : from;
  if (type == QChar('C')) return row == 0 ? from : row == 1 ? to : QString();
  return QString();
}

QString everyText(const TRptSchedule& s) {
  if (s.freq == QChar('X')) return QStringLiteral("Master not found");
  QString unit;
  switch (s.freq.unicode()) {
    case 'D':
      unit = QStringLiteral("day");
      break;
    case 'W':
      unit = QStringLiteral("week");
      break;
    case 'M':
      unit = QStringLiteral("month");
      break;
    case 'Y':
      unit = QStringLiteral("year");
      break;
    default:
      return QStringLiteral("?");
  }
  if (s.rptInc > 1) return "Every " + num(s.rptInc) + " " + unit + "s";
  return "Every " + unit;
}

QPointer<Tfdptxn> g_window;

}  // namespace

// ---- Building ------------------------------------------------------------------------

Tfdptxn::AccountRow& Tfdptxn::makeRow(QGridLayout* grid, int line, int row) {
  AccountRow r;
  r.caption = plainLabel(this);
  r.name = new QPushButton(this);
  r.name->setFlat(true);
  r.name->setAutoDefault(false);
  r.name->setStyleSheet(QStringLiteral("text-align: left"));
  r.mark = new QLabel(QStringLiteral("!!"), this);
  r.mark->setStyleSheet(QStringLiteral("color: red; font-weight: bold"));
  r.postings = button(QStringLiteral("View account postings"), this);
  r.postings->setAccessibleDescription("Account " + num(row == 3 ? 3 : row + 1));
  grid->addWidget(r.caption, line, 0);
  grid->addWidget(r.name, line, 1);
  grid->addWidget(r.mark, line, 2);
  grid->addWidget(r.postings, line, 3);
  connect(r.name, &QPushButton::clicked, this, [this, row] { editAccount(row); });
  connect(r.postings, &QPushButton::clicked, this, [this, row] { viewPostings(row); });
  rows_ << r;
  return rows_.last();
}

Tfdptxn::Tfdptxn(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fdptxn"));
  setModal(false);
  setWindowTitle(QStringLiteral("Transaction details"));

  auto* bar = new QMenuBar(this);
  auto add = [this](QMenu* menu, QMenuBar* top, const QString& text, std::function<void()> run) {
    QAction* a = menu ? menu->addAction(text) : top->addAction(text);
    connect(a, &QAction::triggered, this, [run = std::move(run)] { run(); });
    actions_ << a;
    return a;
  };
  add(nullptr, bar, QStringLiteral("&Close"), [this] { close(); });
  add(nullptr, bar, QStringLiteral("Refresh"), [this] { refresh(); });
  editMenu_ = bar->addMenu(QStringLiteral("Edit"));
  add(editMenu_, nullptr, QStringLiteral("Full edit"), [this] { fullEdit(); });
  editMenu_->addSeparator();
  add(editMenu_, nullptr, QStringLiteral("Quick edits ..."), [] {})->setEnabled(false);
  add(editMenu_, nullptr, QStringLiteral("- Description"), [this] { quickEdit(QChar('D')); });
  add(editMenu_, nullptr, QStringLiteral("- Reference"), [this] { quickEdit(QChar('R')); });
  editMenu_->addSeparator();
  add(editMenu_, nullptr, QStringLiteral("Add to batch"), [this] { addToBatch(); });
  add(editMenu_, nullptr, QStringLiteral("Remove from batch"), [this] { removeFromBatch(); });
  add(editMenu_, nullptr, QStringLiteral("Unstraddle"), [this] { unstraddle(); });
  repeatMenu_ = bar->addMenu(QStringLiteral("Repeat"));
  add(repeatMenu_, nullptr, QStringLiteral("Monthly"), [this] { offerRepeat(QChar('M')); });
  add(repeatMenu_, nullptr, QStringLiteral("Yearly"), [this] { offerRepeat(QChar('Y')); });
  add(repeatMenu_, nullptr, QStringLiteral("Just next year"), [this] { offerRepeat(QChar('Y')); });
  add(nullptr, bar, QStringLiteral("New"), [this] { newFromThis(); });
  add(nullptr, bar, QStringLiteral("Templates"), [this] { ShowTemplatesWindow(txn_.id > 0); });
  add(nullptr, bar, QStringLiteral("Delete"), [this] { deleteShown(); });

  panel_ = new QLabel(QStringLiteral(" !! - Posting not found"), this);
  panel_->setStyleSheet(QStringLiteral("background: yellow; color: red; font-weight: bold"));

  auto* grid = new QGridLayout;
  int line = 0;
  auto captionAt = [&](const QString& text) {
    auto* l = new QLabel(text, this);
    l->setTextFormat(Qt::PlainText);
    grid->addWidget(l, line, 0);
    return l;
  };
  auto valueAt = [&](QLabel*& value) {
    value = plainLabel(this);
    grid->addWidget(value, line, 1, 1, 2);
  };
  idCaption_ = captionAt(QStringLiteral("Txn id "));
  valueAt(idValue_);
  ++line;
  captionAt(QStringLiteral("Batch "));
  valueAt(batchValue_);
  viewBatch_ = button(QStringLiteral("View batch"), this);
  grid->addWidget(viewBatch_, line++, 3);
  captionAt(QStringLiteral("Txn type"));
  valueAt(typeValue_);
  ++line;
  captionAt(QStringLiteral("Txn date"));
  valueAt(dateValue_);
  ++line;
  captionAt(QStringLiteral("Posting date"));
  valueAt(postingDateValue_);
  ++line;
  captionAt(QStringLiteral("Actual txn date"));
  valueAt(actualDateValue_);
  ++line;
  channelCaption_ = captionAt(QStringLiteral("Channel  / Ref "));
  channel_ = new QPushButton(this);
  channel_->setFlat(true);
  channel_->setAutoDefault(false);
  channel_->setStyleSheet(QStringLiteral("text-align: left"));
  grid->addWidget(channel_, line++, 1, 1, 3);
  captionAt(QStringLiteral("Description "));
  valueAt(description_);
  ++line;
  captionAt(QStringLiteral("Amount"));
  valueAt(amount_);
  ++line;
  valueCaption_ = captionAt(QStringLiteral("Value"));
  valueAt(value_);
  ++line;
  makeRow(grid, line++, 0);
  makeRow(grid, line++, 1);
  makeRow(grid, line++, 3);  // ACCID3: shown only when set
  makeRow(grid, line++, 2);
  grid->setColumnStretch(1, 1);

  repeatBox_ = new QGroupBox(this);
  repeatText_ = plainLabel(repeatBox_);
  instances_ = button(QStringLiteral("View transaction instances"), repeatBox_);
  masterEdit_ = button(QStringLiteral("Edit"), repeatBox_);
  masterEdit_->setToolTip(QStringLiteral("Edit Repeater Master details"));
  deactivate_ = button(QStringLiteral("Deactivate"), repeatBox_);
  auto* repeatLayout = new QVBoxLayout(repeatBox_);
  repeatLayout->addWidget(repeatText_);
  auto* repeatButtons = new QHBoxLayout;
  repeatButtons->addWidget(instances_);
  repeatButtons->addWidget(masterEdit_);
  repeatButtons->addWidget(deactivate_);
  repeatButtons->addStretch();
  repeatLayout->addLayout(repeatButtons);

  stamps_ = plainLabel(this);
  inputOn_ = button(QStringLiteral("List transactions entered to Vorbek on this date"), this);
  journal_ = button(QStringLiteral("View transaction Journal around this date"), this);

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(bar);
  layout->addWidget(panel_);
  layout->addLayout(grid);
  layout->addWidget(repeatBox_);
  layout->addWidget(stamps_);
  layout->addWidget(inputOn_);
  layout->addWidget(journal_);

  connect(viewBatch_, &QPushButton::clicked, this, [this] { ShowBatch(txn_.batch); });
  connect(channel_, &QPushButton::clicked, this, [this] { ShowChannel(txn_.channel); });
  connect(journal_, &QPushButton::clicked, this,
          [this] { ShowJournalAround(StoredDate(txn_.txnDate), txn_.id); });
  connect(instances_, &QPushButton::clicked, this,
          [this] { ShowInstances(txn_.masterId, txn_.id); });
  connect(inputOn_, &QPushButton::clicked, this, [this] { ShowInputOn(txn_.createDate); });
  connect(masterEdit_, &QPushButton::clicked, this, [this] { editMaster(); });
  connect(deactivate_, &QPushButton::clicked, this, [this] { deactivate(); });

  RegisterWindowPosition(this, objectName());
  RegisterWorkWindow(this);
}

QAction* Tfdptxn::action(const QString& text) const {
  for (QAction* a : actions_)
    if (a->text() == text) return a;
  return nullptr;
}

// ---- Filling ---------------------------------------------------------------------------

void Tfdptxn::showRecord(const TTxn& record) {
  txn_ = record;
  fill();
  ShowRestored(this);
  raise();
  activateWindow();
}

void Tfdptxn::refresh() {
  TTxn t;
  bool found = false;
  if (txn_.status == 1) {
    TRptr r;
    found = ReadRepeater(txn_.masterId, r);
    if (found) t = MasterRecord(r);
  } else {
    found = ReadTxn(txn_.id, t);
  }
  if (!found) {
    close();
    return;
  }
  txn_ = t;
  fill();
}

void Tfdptxn::fill() {
  const TTxn& t = txn_;
  const bool master = t.status == 1;
  setWindowTitle(master ? QStringLiteral("Repeater Master details")
                        : QStringLiteral("Transaction details"));
  if (t.masterId > 0) {
    idCaption_->setText(QStringLiteral("Txn / Instance id "));
    idValue_->setText(num(t.id) + " / " + num(t.masterId) + "-" + num(t.instance));
  } else {
    idCaption_->setText(QStringLiteral("Txn id "));
    idValue_->setText(num(t.id));
  }
  batchValue_->setText(num(t.batch));
  viewBatch_->setEnabled(t.batch > 0);
  editMenu_->setEnabled(t.id != 0);
  editMenu_->menuAction()->setEnabled(t.id != 0);
  repeatMenu_->setEnabled(t.id != 0);
  repeatMenu_->menuAction()->setEnabled(t.id != 0);
  action(QStringLiteral("Add to batch"))->setEnabled(t.batch == 0);
  action(QStringLiteral("Remove from batch"))->setEnabled(t.batch != 0);
  action(QStringLiteral("Unstraddle"))
      ->setEnabled(!t.postingDate.isZero() && !(t.postingDate == t.txnDate));
  const bool copyable = t.type != QChar('D') && t.type != QChar('F') && t.type != QChar('Z');
  action(QStringLiteral("New"))->setEnabled(copyable);

  typeValue_->setText(TxnTypeName(t.type));
  dateValue_->setText(DateWithDayAbbrev(t.txnDate));
  postingDateValue_->setText(t.postingDate.isZero() ? QString() : DateWithDayAbbrev(t.postingDate));
  actualDateValue_->setText(t.actualDate.isZero() ? QString() : DateWithDayAbbrev(t.actualDate));

  const QString channelText = t.channelName + t.reference;
  channelCaption_->setVisible(!channelText.isEmpty());
  channel_->setVisible(!channelText.isEmpty());
  channel_->setText(caption(channelText));
  channel_->setAccessibleName(channelText.trimmed());
  channel_->setEnabled(t.channel != 0);

  description_->setText(t.narrative);
  QString amount = FormatAmount(t.amount) + "  " + t.ccy;
  if (t.cancelled) amount += QStringLiteral("   cancelled");
  amount_->setText(amount);
  const bool showValue = !master && t.value != t.amount;
  valueCaption_->setVisible(showValue);
  value_->setVisible(showValue);
  value_->setText(showValue ? FormatAmount(t.value) + "  " + Session().settings.baseCurrency +
                                  " @ " + FormatNumber(t.rate, 5)
                            : QString());

  // Accounts: rows 0, 1, the ACCID3 row and the ACCID4 row (numbered 3).
  const int32_t ids[4] = {t.accId1, t.accId2, t.accId4, t.accId3};
  const QString names[4] = {t.accName1, t.accName2, t.accName4, t.accName3};
  accounts_.clear();
  bool missing = false;
  for (int row = 0; row < 4; ++row) {
    AccountRow& r = rows_[row == 2 ? 3 : row == 3 ? 2 : row];
    r.id = ids[row];
    TObj a;
    if (ids[row] > 0) ReadAccount(ids[row], a);
    accounts_ << a;
    const bool shown = !names[row].isEmpty() && (row != 3 || ids[row] > 0);
    const QString number = row == 0   ? QStringLiteral("1")
                           : row == 1 ? QStringLiteral("2")
                                      : QStringLiteral("3");
    r.caption->setText("Account " + number + " = " + AccountKindName(a.kind, 'U', 'S') + " " +
                       direction(t.type, row == 3 ? 2 : row));
    r.name->setText(caption(names[row]));
    r.name->setAccessibleName(names[row].trimmed());
    r.name->setToolTip("Account #" + num(ids[row]));
    r.caption->setVisible(shown);
    r.name->setVisible(shown);
    r.postings->setVisible(shown);
    const bool lost = !master && ids[row] > 0 && !LocatePosting(t.id, ids[row]);
    r.mark->setVisible(lost);
    missing = missing || lost;
  }
  panel_->setVisible(missing);

  // The repeat box.
  repeatBox_->setVisible(t.status != 0);
  QStringList lines;
  if (t.status != 0) {
    repeatBox_->setTitle(t.rpt.active ? QStringLiteral("Repeat - Active ")
                                      : QStringLiteral("Repeat - Inactive "));
    lines << everyText(t.rpt) << "Start date " + DateRecToText(t.rpt.startDate)
          << "End date " + DateRecToText(t.rpt.endDate) << "End count " + num(t.rpt.rptCt);
    if (t.masterId > 0) {
      lines << "Master " + num(t.masterId)
            << "Generated " + num(t.rpt.genTo) + "  " + DateRecToText(t.rpt.genToDate)
            << "Reminder " +
                   (t.rpt.rmDays > 0 ? num(t.rpt.rmDays) + " days before" : QStringLiteral("none"));
    }
  }
  repeatText_->setText(lines.join(QLatin1Char('\n')));
  instances_->setEnabled(t.masterId > 0);
  masterEdit_->setEnabled(t.status != 0);
  deactivate_->setVisible(t.status != 0 && t.rpt.active);

  QString stamps;
  if (t.createDate > 0) {
    stamps = "Input: " + YmdToText(t.createDate) + " " + TimeNumberToText(t.createTime);
    if (t.edited.isValid()) stamps += "  Edited: " + StampText(StampOf(t.edited), 1);
  }
  stamps_->setText(stamps);
  stamps_->setVisible(!stamps.isEmpty());
  inputOn_->setVisible(t.created.isValid());
}

// ---- Actions -----------------------------------------------------------------------------

void Tfdptxn::viewPostings(int row) {
  const int index = row;
  const int32_t id = index < accounts_.size() ? accounts_[index].id : 0;
  if (id <= 0) return;
  // Categories and pots are listed in the base currency, whatever the entry's.
  const int kind = accounts_[index].kind;
  const bool internal = index >= 2 && (kind == kKindCategory || kind == kKindPot);
  Session().workingCurrency = internal ? Session().settings.baseCurrency : txn_.ccy;
  ShowPostingsAtTxn(id, txn_.id);
}

void Tfdptxn::editAccount(int row) {
  const int32_t id = row < accounts_.size() ? accounts_[row].id : 0;
  if (id > 0) EditAccount(id);
}

void Tfdptxn::editMaster() {
  if (txn_.status == 0) return;
  TTxn record;
  if (txn_.status == 1) {
    record = txn_;
  } else {
    TRptr r;
    if (!ReadRepeater(txn_.masterId, r, true)) return;
    record = MasterRecord(r);
  }
  if (!EditTransactionRecord(record)) return;
  SetRebalanceNeeded(true);
  refresh();
}

void Tfdptxn::deactivate() {
  if (txn_.status == 0 || !txn_.rpt.active) return;
  if (DeactivateRepeater(txn_.masterId)) refresh();
}

void Tfdptxn::fullEdit() {
  if (txn_.id == 0) return;
  if (EditTransaction(txn_.id)) refresh();
}

void Tfdptxn::quickEdit(QChar which) {
  // The text edit below the ledger knows nothing of freezing.
  if (txn_.id == 0 || FrozenRefusal(QStringLiteral("edit txn"))) return;
  QString text = which == QChar('D') ? txn_.narrative : txn_.reference;
  if (EditTxnText(txn_.id, text, which)) refresh();
}

void Tfdptxn::addToBatch() {
  if (txn_.id != 0 && txn_.batch == 0 && SetBatch(txn_.id)) refresh();
}

void Tfdptxn::removeFromBatch() {
  if (txn_.id != 0 && txn_.batch != 0 && LeaveBatch(txn_.id)) refresh();
}

void Tfdptxn::unstraddle() {
  if (txn_.id == 0 || txn_.postingDate.isZero() || txn_.postingDate == txn_.txnDate) return;
  QString question = QStringLiteral("Unstraddle transaction ?");
  if (!txn_.cancelled)
    question += QStringLiteral("\r(the txn will be split into two, one for each date)");
  if (!AskYes(question)) return;
  if (Unstraddle(txn_.id)) refresh();
}

void Tfdptxn::offerRepeat(QChar freq) {
  if (txn_.id == 0) return;
  if (txn_.masterId > 0) {
    const QChar f = txn_.rpt.freq;
    const QString question =
        f == QChar(' ') || f == QChar('X')
            ? "Missing Repeater Master #" + num(txn_.masterId) +
                  " will not be reinstated, instead a new one will be started - OK?"
            : QStringLiteral("Transaction is already an instance, OK to re-repeat?");
    if (!AskYes(question)) return;
  }
  if (!AskYes(QStringLiteral("Make transaction a ") + (freq == QChar('M') ? "monthly" : "yearly") +
              " repeater ?"))
    return;
  TTxn record = txn_;
  if (MakeRepeaterFromTxn(record, freq)) refresh();
}

void Tfdptxn::newFromThis() {
  if (txn_.type == QChar('D') || txn_.type == QChar('F') || txn_.type == QChar('Z')) return;
  TTxn saved;
  if (!EnterTransaction(OrdinaryCopy(txn_), &saved)) return;
  if (saved.id > 0) ShowTransactionDetails(saved.id);
}

void Tfdptxn::deleteShown() {
  const bool done = txn_.status == 1 ? DeleteRepeater(txn_.masterId) : DeleteTransaction(txn_.id);
  if (done) close();
}

// ---- Operations ----------------------------------------------------------------------------

Tfdptxn* TxnDetailsWindow() {
  if (!g_window) g_window = new Tfdptxn;
  return g_window;
}

void ShowTransactionDetails(int32_t id) {
  BusyOn();
  TTxn t;
  const bool found = ReadTxn(id, t);
  if (found) TxnDetailsWindow()->showRecord(t);
  BusyOff();
  if (!found) ShowInfo("txn not found " + num(id));
}

void ShowRecordDetailsWindow(const TTxn& record) { TxnDetailsWindow()->showRecord(record); }

bool ShownDetailsRecord(TTxn& record) {
  if (!g_window || !g_window->isVisible()) return false;
  record = g_window->record();
  return true;
}

int32_t LastInputOrEditedId() {
  const int32_t id = LastInputId();
  return id > 0 ? id : LatestInputTxnId();
}

void InstallTransactionScreens() {
  SetShowTransactionHook([](int32_t id) { ShowTransactionDetails(id); });
  ScreenHooks().showRecordDetails = [](const TTxn& record) { ShowRecordDetailsWindow(record); };
  ScreenHooks().showClipboardText = [](const QString& text) { ShowClipboardWindow(text); };
  ScreenHooks().showTemplates = [](bool allowNew) { ShowTemplatesWindow(allowNew); };
}
