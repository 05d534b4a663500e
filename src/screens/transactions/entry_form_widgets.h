#pragma once
// The entry form's own boxes: the click-to-choose account box and the list of
// currency codes, each with what screen readers need to name and use it.
#include <QComboBox>
#include <QLineEdit>

// A read-only box that chooses its content through a picker: opened by a
// click, by Space, or by the accessible "Press" action.
class TChooserBox : public QLineEdit {
  Q_OBJECT
 public:
  explicit TChooserBox(QWidget* parent = nullptr);
 public Q_SLOTS:
  void choose() { Q_EMIT chosen(); }
 Q_SIGNALS:
  void chosen();

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
};

// A list of codes whose accessible name is its label, with the chosen code as
// the value (screen readers on Linux would otherwise hear only the code).
class TCodeBox : public QComboBox {
  Q_OBJECT
 public:
  explicit TCodeBox(QWidget* parent = nullptr);
};
