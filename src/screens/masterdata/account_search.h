#pragma once
// The account search results window (TFAcSrchR): the accounts and groups of
// one family whose name or note contains a text. Non-modal, one instance.
#include <QAbstractTableModel>
#include <QDialog>
#include <QList>

#include "reports/account_lists.h"

class QAction;
class QMenu;
class QTableView;

class TAccountSearchModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using QAbstractTableModel::QAbstractTableModel;
  void setRows(int kind, QList<TAccountSearchRow> rows);
  const QList<TAccountSearchRow>& rows() const { return rows_; }
  QStringList columnNames() const;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;

 private:
  int kind_ = 0;
  QList<TAccountSearchRow> rows_;
};

class TFAcSrchR : public QDialog {
  Q_OBJECT
 public:
  explicit TFAcSrchR(QWidget* parent = nullptr);

  // Runs the search for kind and text and shows the window.
  void showResults(int kind, const QString& text);
  void rerun();

  int currentId() const;
  void setCurrentRow(int row);
  // The actions of the pop-up menu and the window's menu.
  void drillDown();
  void postings();
  void details();
  void closeCurrent();
  void deleteCurrent();
  void newSearch();

  QTableView* grid() const { return grid_; }
  const TAccountSearchModel* model() const { return model_; }
  QMenu* popupMenu() const { return popup_; }
  QAction* popupAction(const QString& text) const;
  void preparePopup();

 private:
  int kind_ = 0;
  QString text_;
  QTableView* grid_ = nullptr;
  TAccountSearchModel* model_ = nullptr;
  QMenu* popup_ = nullptr;
};

// The one window (created on first use).
TFAcSrchR* AccountSearchWindow();
