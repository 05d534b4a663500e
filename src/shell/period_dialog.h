#pragma once
// The Period dialog TFRebal: the user works on a copy of the period with the
// choice menu and the financial-year start; OK makes it the program's period.
#include <QDialog>
#include <QString>

#include "foundation/daterec.h"
#include "shell/period.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;

class TFRebal : public QDialog {
  Q_OBJECT
 public:
  enum class Choice {
    RollingYear,
    YearSoFar,
    FromDate,
    ToDate,
    MonthFrom,
    MonthTo,
    QuarterFrom,
    QuarterTo,
    YearFrom,
    YearTo,
    FinancialYear,
    IncrementYear,
    DecrementYear,
    All,
  };

  explicit TFRebal(QWidget* parent = nullptr);

  // Copies the program's period into the working one and fills the labels (on show).
  void loadPeriod();
  // One choice of the menu: the working dates change (calendar or input box for
  // the choices that ask).
  void choose(Choice c);
  // "Change From/To dates": a fixed period, chosen from the menu at the pointer.
  void changeDates();
  // The "dd/mm" button.
  void changeFinancialYearStart();
  // OK: the working period becomes the program's (after the future-date question).
  void pressOk();

  TPeriod working() const { return working_; }
  int workingType() const { return workingType_; }
  void setWorking(const TPeriod& p, int type);  // as if chosen

  QMenu* choiceMenu() const { return menu_; }
  QAction* choiceAction(Choice c) const;
  QAction* autoRefreshAction() const { return autoRefresh_; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* cancelButton() const { return cancel_; }
  QPushButton* changeButton() const { return change_; }
  QPushButton* fyStartButton() const { return fyStart_; }
  QLabel* fromLabel() const { return from_; }
  QLabel* toLabel() const { return to_; }
  QLabel* todayLabel() const { return today_; }
  QLabel* fyLabel() const { return fyLabel_; }
  QTimer* popupTimer() const { return popupTimer_; }

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void refresh();
  void popupUnderButton();
  bool pickEnd(bool toEnd, TDateRec& d);

  TPeriod working_;
  int workingType_ = kPeriodFixed;
  QMenu* menu_ = nullptr;
  QAction* actions_[int(Choice::All) + 1] = {};
  QAction* autoRefresh_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* change_ = nullptr;
  QPushButton* fyStart_ = nullptr;
  QLabel* from_ = nullptr;
  QLabel* to_ = nullptr;
  QLabel* today_ = nullptr;
  QLabel* fyLabel_ = nullptr;
  QTimer* popupTimer_ = nullptr;
};

// The one Period dialog (created on first use, then reused).
TFRebal* ThePeriodDialog();
// Shows the Period dialog modally; true when it was closed with OK.
bool ShowPeriodDialog();
