#pragma once
// The healthcheck window (TFRpr): the log of the last run, the count of rows
// still to go, and its menu "Close" ("Cancel" while a run goes on), "Recheck"
// and "Repair". Created once and reused; while a run goes on it is
// application-modal and lets window events through between rows.
#include <QMainWindow>

#include "ledger/healthcheck.h"

class QAction;
class QLabel;
class QPlainTextEdit;

class TFRpr : public QMainWindow, public HealthcheckSink {
  Q_OBJECT
 public:
  explicit TFRpr(QWidget* parent = nullptr);

  void recheck();
  void repair();
  void textCheck();
  // "Close" after a run, "Cancel" during one.
  void closeOrCancel();
  bool running() const { return running_; }
  void clearLog();

  QPlainTextEdit* logView() const { return log_; }
  QLabel* counter() const { return counter_; }
  QAction* closeAction() const { return close_; }
  QAction* recheckAction() const { return recheck_; }
  QAction* repairAction() const { return repair_; }

  // HealthcheckSink
  void started(bool repair) override;
  void line(const QString& text) override;
  void countdown(int toGo) override;
  void finished() override;

 protected:
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void setRunning(bool on);

  QPlainTextEdit* log_ = nullptr;
  QLabel* counter_ = nullptr;
  QAction* close_ = nullptr;
  QAction* recheck_ = nullptr;
  QAction* repair_ = nullptr;
  bool running_ = false;
};

// The one window (created on first use, then reused).
TFRpr* TheRepairWindow(QWidget* parent = nullptr);
// "&Healthcheck": shows the window and, when its log is empty, runs a check.
void ShowHealthcheck(QWidget* parent = nullptr);
// "UTF-8 check": the text check in the window.
void ShowTextCheck(QWidget* parent = nullptr);
// Installs the repair a pending conversion asks for at start-up and after a switch.
void InstallHealthcheckScreens();
