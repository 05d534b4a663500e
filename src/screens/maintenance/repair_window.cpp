#include "screens/maintenance/repair_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QVBoxLayout>

#include "foundation/ui/window_positions.h"
#include "shell/shell_hooks.h"
#include "store/opening.h"

namespace {
const char* kRunningColour = "background-color: #e0ffff;";  // light cyan
QPointer<TFRpr> g_window;
}  // namespace

TFRpr::TFRpr(QWidget* parent) : QMainWindow(parent, Qt::Window) {
  setObjectName(QStringLiteral("FRpr"));
  setWindowTitle(QStringLiteral("Database Healthcheck - checking"));

  close_ = menuBar()->addAction(QStringLiteral("Close"));
  recheck_ = menuBar()->addAction(QStringLiteral("Recheck"));
  repair_ = menuBar()->addAction(QStringLiteral("Repair"));

  auto* body = new QWidget(this);
  log_ = new QPlainTextEdit(body);
  log_->setReadOnly(true);
  log_->setLineWrapMode(QPlainTextEdit::NoWrap);
  log_->setAccessibleName(QStringLiteral("Healthcheck log"));
  counter_ = new QLabel(body);
  counter_->setAccessibleName(QStringLiteral("Records to go"));
  counter_->setAutoFillBackground(true);
  counter_->setMinimumWidth(120);
  auto* layout = new QVBoxLayout(body);
  layout->addWidget(counter_);
  layout->addWidget(log_, 1);
  setCentralWidget(body);
  resize(640, 480);

  connect(close_, &QAction::triggered, this, &TFRpr::closeOrCancel);
  connect(recheck_, &QAction::triggered, this, &TFRpr::recheck);
  connect(repair_, &QAction::triggered, this, &TFRpr::repair);

  RegisterWindowPosition(this, objectName());
  RegisterWorkWindow(this);
}

void TFRpr::recheck() {
  if (running_) return;
  RunCheck(*this);
}

void TFRpr::repair() {
  if (running_) return;
  RunRepair(*this);
}

void TFRpr::textCheck() {
  if (running_) return;
  RunTextCheck(*this);
}

void TFRpr::closeOrCancel() {
  if (running_)
    AbortHealthcheck();
  else
    close();
}

void TFRpr::clearLog() {
  if (!running_) log_->clear();
}

void TFRpr::setRunning(bool on) {
  running_ = on;
  close_->setText(on ? QStringLiteral("Cancel") : QStringLiteral("Close"));
  recheck_->setEnabled(!on);
  repair_->setEnabled(!on);
  counter_->setStyleSheet(on ? QString::fromLatin1(kRunningColour) : QString());
  // Application-modal only while a run goes on; a visible window takes the
  // change when shown again.
  const Qt::WindowModality modality = on ? Qt::ApplicationModal : Qt::NonModal;
  if (windowModality() != modality) {
    const bool visible = isVisible();
    if (visible) hide();
    setWindowModality(modality);
    if (visible) show();
  }
}

void TFRpr::started(bool repair) {
  setWindowTitle("Database Healthcheck - " +
                 QString(repair ? QStringLiteral("repairing") : QStringLiteral("checking")));
  log_->clear();
  setRunning(true);
  show();
  raise();
}

void TFRpr::line(const QString& text) { log_->appendPlainText(text); }

void TFRpr::countdown(int toGo) { counter_->setText(QString::number(toGo)); }

void TFRpr::finished() {
  setRunning(false);
  counter_->clear();
}

void TFRpr::closeEvent(QCloseEvent* e) {
  if (running_) {
    AbortHealthcheck();
    e->ignore();
    return;
  }
  QMainWindow::closeEvent(e);
}

void TFRpr::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    closeOrCancel();
    return;
  }
  QMainWindow::keyPressEvent(e);
}

TFRpr* TheRepairWindow(QWidget* parent) {
  if (!g_window) {
    static bool hooked = false;
    g_window = new TFRpr(parent);
    // Another set of books starts with an empty log.
    if (!hooked)
      AddDatabaseClosingHook([] {
        if (g_window) g_window->clearLog();
      });
    hooked = true;
  }
  return g_window;
}

void ShowHealthcheck(QWidget* parent) {
  TFRpr* w = TheRepairWindow(parent);
  w->show();
  w->raise();
  w->activateWindow();
  if (w->logView()->document()->isEmpty()) w->recheck();
}

void ShowTextCheck(QWidget* parent) { TheRepairWindow(parent)->textCheck(); }

void InstallHealthcheckScreens() {
  // The flag is cleared by the caller; the conversion's work is the only thing left.
  SetRepairHook([] { FillCreationStamps(); });
}
