#pragma once
// A read-only table of report rows under fixed column titles: the lists keep
// their rows here and only say how a cell shows.
#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <utility>

template <typename Row>
class TRowTableModel : public QAbstractTableModel {
 public:
  explicit TRowTableModel(QStringList titles, QObject* parent = nullptr)
      : QAbstractTableModel(parent), titles_(std::move(titles)) {}

  void setRows(QList<Row> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
  }
  const QList<Row>& rows() const { return rows_; }

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : int(rows_.size());
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : int(titles_.size());
  }
  QVariant headerData(int section, Qt::Orientation o, int role) const override {
    if (o != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= titles_.size())
      return {};
    return titles_[section];
  }

 protected:
  QList<Row> rows_;

 private:
  QStringList titles_;
};
