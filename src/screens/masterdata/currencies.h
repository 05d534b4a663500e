#pragma once
// The currencies list (TFccies, also the control window's currency picker),
// the currency form (TFccydets), one currency's rates list (TFRates) and the
// rate form (TFratedets).
#include <QAbstractTableModel>
#include <QDialog>
#include <QList>

#include "foundation/ui/row_table_model.h"
#include "reports/currency_lists.h"
#include "store/records.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;

// "Currencies" non-modal.
void ShowCurrencies();
// "Currencies" modal in pick mode: true when a row was chosen, its code then
// the working currency and the external working currency.
bool PickCurrency();
// The currency form in new mode; the base-currency note shows when the table
// is empty (existingCount 0). True when a currency was saved.
bool NewCurrency(int existingCount);
// The currency form for a stored currency; false when there is none or the
// form was cancelled.
bool EditCurrency(const QString& code);
// Working currency := code; the rates list of code, shown and refilled.
void ShowRates(const QString& code);
// The rate form for code: the date number of the stored rate, 0 when cancelled
// or when code is the base currency.
int32_t NewRate(const QString& code);

class TCurrencyModel : public TRowTableModel<TCurrencyRow> {
  Q_OBJECT
 public:
  explicit TCurrencyModel(QObject* parent = nullptr);
  QVariant data(const QModelIndex& index, int role) const override;
};

class TFccies : public QDialog {
  Q_OBJECT
 public:
  explicit TFccies(QWidget* parent = nullptr);

  void refill();
  bool pickMode() const { return pickMode_; }
  void setPickMode(bool on) { pickMode_ = on; }
  QString currentCode() const;
  bool selectCode(const QString& code);

  // The pop-up's and menus' commands.
  void newCurrency();
  void exchangeRates();
  void currencyDetails();
  void deleteCurrency();

  QTableView* grid() const { return grid_; }
  const TCurrencyModel* model() const { return model_; }
  QMenu* popupMenu() const { return popup_; }
  QAction* menuAction(const QString& text) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void rowClicked();
  void activate();
  bool pickMode_ = false;
  QTableView* grid_ = nullptr;
  TCurrencyModel* model_ = nullptr;
  QMenu* popup_ = nullptr;
};

class TFccydets : public QDialog {
  Q_OBJECT
 public:
  explicit TFccydets(QWidget* parent = nullptr);
  // Fills the form for new mode (note when existingCount is 0) or for edit.
  void prepareNew(int existingCount);
  void prepareEdit(const TCcy& ccy, bool isBase);
  void ok();

  QLineEdit* codeBox() const { return code_; }
  QLineEdit* nameBox() const { return name_; }
  QLabel* note() const { return note_; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* cancelButton() const { return cancel_; }

 private:
  bool isNew_ = true;
  QLineEdit* code_ = nullptr;
  QLineEdit* name_ = nullptr;
  QLabel* note_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

class TRateModel : public TRowTableModel<TRateRow> {
  Q_OBJECT
 public:
  explicit TRateModel(QObject* parent = nullptr);
  QVariant data(const QModelIndex& index, int role) const override;
};

class TFRates : public QDialog {
  Q_OBJECT
 public:
  explicit TFRates(QWidget* parent = nullptr);

  // Takes code as the window's own currency, refills and shows.
  void showFor(const QString& code);
  // Refills; the row of ymd becomes current, or the latest when ymd is 0.
  void refill(int32_t ymd = 0);
  const QString& code() const { return code_; }
  int32_t currentDate() const;

  void newRate();
  void deleteRate();

  QTableView* grid() const { return grid_; }
  const TRateModel* model() const { return model_; }
  QLabel* heading() const { return heading_; }
  QMenu* popupMenu() const { return popup_; }
  QAction* menuAction(const QString& text) const;

 private:
  QString code_;
  QLabel* heading_ = nullptr;
  QTableView* grid_ = nullptr;
  TRateModel* model_ = nullptr;
  QMenu* popup_ = nullptr;
};

class TFratedets : public QDialog {
  Q_OBJECT
 public:
  explicit TFratedets(QWidget* parent = nullptr);
  // Empties the rate box and gives it the focus; the date box keeps the date
  // of the last rate stored through the form.
  void prepare(const QString& code);
  void ok();
  int32_t storedDate() const { return stored_; }

  QLabel* label() const { return label_; }
  QLineEdit* rateBox() const { return rate_; }
  QLineEdit* dateBox() const { return date_; }
  QPushButton* calendarButton() const { return calendar_; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* cancelButton() const { return cancel_; }

 private:
  QString code_;
  QString lastDate_;
  int32_t stored_ = 0;
  QLabel* label_ = nullptr;
  QLineEdit* rate_ = nullptr;
  QLineEdit* date_ = nullptr;
  QPushButton* calendar_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

// The one window of each (created on first use).
TFccies* CurrenciesWindow();
TFccydets* CurrencyForm();
TFRates* RatesWindow();
TFratedets* RateForm();
