#include "foundation/ui/borderless_dialog.h"

#include <QMouseEvent>

TBorderlessDialog::TBorderlessDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {}

void TBorderlessDialog::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) {
    dragging_ = true;
    dragOffset_ = e->globalPosition().toPoint() - frameGeometry().topLeft();
    e->accept();
    return;
  }
  QDialog::mousePressEvent(e);
}

void TBorderlessDialog::mouseMoveEvent(QMouseEvent* e) {
  if (dragging_) {
    move(e->globalPosition().toPoint() - dragOffset_);
    e->accept();
    return;
  }
  QDialog::mouseMoveEvent(e);
}

void TBorderlessDialog::mouseReleaseEvent(QMouseEvent* e) {
  dragging_ = false;
  QDialog::mouseReleaseEvent(e);
}
