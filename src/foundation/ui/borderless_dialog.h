#pragma once
// A frameless dialog that the user moves by dragging its background (the
// input and choice boxes have no title bar to drag).
#include <QDialog>
#include <QPoint>

class TBorderlessDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TBorderlessDialog(QWidget* parent = nullptr);

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  bool dragging_ = false;
  QPoint dragOffset_;
};
