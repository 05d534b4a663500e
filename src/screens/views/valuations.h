#pragma once
// "Account balance valuations": the period's closing balances valued in the
// base currency, the FX gain or loss since it was last posted, and the
// "Post FX Gain/Loss" dialog that posts it.
#include <QAbstractTableModel>
#include <QDialog>

#include "reports/valuation.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QTableView;
class TChooserBox;

// Computes the valuation of the current period and shows the window; a refusal
// shows no window.
void ShowValuations();
// The FX gain/loss dialog for date and amount: true when it posted.
bool PostFxGainLoss(int32_t date, int64_t amount);

class TValuationModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  TValuationModel(bool external, QObject* parent)
      : QAbstractTableModel(parent), external_(external) {}
  void setValuation(const TValuation* v);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;
  int idAt(int row) const;
  QString ccyAt(int row) const;

 private:
  bool external_;
  const TValuation* v_ = nullptr;
};

class TFvalues : public QDialog {
  Q_OBJECT
 public:
  explicit TFvalues(QWidget* parent = nullptr);

  // Computes for the current period; false (figures cleared) when refused.
  bool recompute();
  void clearFigures();
  const TValuation& valuation() const { return v_; }

  void post();
  void history();
  void postings();
  void details();

  QTabWidget* pages() const { return pages_; }
  QTableView* externalGrid() const { return external_; }
  QTableView* internalGrid() const { return internal_; }
  QTableView* shownGrid() const;
  QPushButton* postButton() const { return post_; }
  QPushButton* historyButton() const { return history_; }
  // The figure beside a label: "Total Int Acc value ", "- base currency",
  // "- foreign currency", "- total", "Difference (FX Gain/Loss) ".
  QString figure(const QString& label) const;
  QMenu* popupMenu() const { return popup_; }
  QAction* menuAction(const QString& text) const;

 private:
  TValuation v_;
  bool shown_ = false;  // figures stand
  QTabWidget* pages_ = nullptr;
  QTableView* external_ = nullptr;
  QTableView* internal_ = nullptr;
  TValuationModel* externalModel_ = nullptr;
  TValuationModel* internalModel_ = nullptr;
  QList<QPair<QString, QLabel*>> figures_;
  QPushButton* post_ = nullptr;
  QPushButton* history_ = nullptr;
  QMenu* popup_ = nullptr;
};

class TFfxpost : public QDialog {
  Q_OBJECT
 public:
  explicit TFfxpost(QWidget* parent = nullptr);
  void prepare(int32_t date, int64_t amount);
  void chooseCategory();
  void ok();
  int32_t categoryId() const { return category_; }

  QLineEdit* dateBox() const { return date_; }
  QLineEdit* amountBox() const { return amount_; }
  TChooserBox* categoryBox() const { return categoryBox_; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* cancelButton() const { return cancel_; }
  QAction* closeAction() const { return close_; }

 private:
  int32_t ymd_ = 0;
  int64_t amount_value_ = 0;
  int32_t category_ = 0;
  QLineEdit* date_ = nullptr;
  QLineEdit* amount_ = nullptr;
  TChooserBox* categoryBox_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QAction* close_ = nullptr;
};

TFvalues* ValuationsWindow();
TFfxpost* FxPostForm();
