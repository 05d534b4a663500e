#include "screens/transactions/entry_form_widgets.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

// A read-only text for screen readers: what the box shows, readable as text
// and as the value.
class ShownTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  ShownTextAccessible(QWidget* w, QAccessible::Role role) : QAccessibleWidget(w, role) {}
  virtual QString shown() const = 0;

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return shown();
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    return s;
  }
  // QAccessibleTextInterface: the whole text, no selection.
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QString text(int start, int end) const override {
    return shown().mid(start, end < 0 ? -1 : end - start);
  }
  int characterCount() const override { return int(shown().size()); }
  QRect characterRect(int) const override { return QRect(); }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
    return QString();
  }
};

// The chooser box: its choice as text, and a "Press" action that opens the picker.
class ChooserAccessible : public ShownTextAccessible {
 public:
  explicit ChooserAccessible(QWidget* w) : ShownTextAccessible(w, QAccessible::EditableText) {}
  QString shown() const override { return static_cast<QLineEdit*>(widget())->text(); }
  QStringList actionNames() const override { return {pressAction()}; }
  void doAction(const QString& action) override {
    // Queued: the picker is modal, and the caller is the accessibility bridge.
    if (action == pressAction())
      QMetaObject::invokeMethod(widget(), "choose", Qt::QueuedConnection);
  }
};

// The code box: the chosen code as text; "Press" or "ShowMenu" opens the list.
class CodeBoxAccessible : public ShownTextAccessible {
 public:
  explicit CodeBoxAccessible(QWidget* w) : ShownTextAccessible(w, QAccessible::ComboBox) {}
  QString shown() const override { return static_cast<QComboBox*>(widget())->currentText(); }
  QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
  void doAction(const QString& action) override {
    if (action == showMenuAction() || action == pressAction())
      QMetaObject::invokeMethod(
          widget(), [box = static_cast<QComboBox*>(widget())] { box->showPopup(); },
          Qt::QueuedConnection);
  }
};

QAccessibleInterface* formFactory(const QString& className, QObject* object) {
  if (!object || !object->isWidgetType()) return nullptr;
  if (className == QLatin1String("TChooserBox"))
    return new ChooserAccessible(static_cast<QWidget*>(object));
  if (className == QLatin1String("TCodeBox"))
    return new CodeBoxAccessible(static_cast<QWidget*>(object));
  return nullptr;
}

void installFormFactory() {
  static const bool installed = [] {
    QAccessible::installFactory(formFactory);
    return true;
  }();
  (void)installed;
}

}  // namespace

// ---- TChooserBox ---------------------------------------------------------------------

TChooserBox::TChooserBox(QWidget* parent) : QLineEdit(parent) {
  installFormFactory();
  setReadOnly(true);
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
}

void TChooserBox::mousePressEvent(QMouseEvent* e) {
  QLineEdit::mousePressEvent(e);
  if (e->button() == Qt::LeftButton) Q_EMIT chosen();
}

void TChooserBox::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Space && e->modifiers() == Qt::NoModifier) {
    Q_EMIT chosen();
    return;
  }
  QLineEdit::keyPressEvent(e);
}

TCodeBox::TCodeBox(QWidget* parent) : QComboBox(parent) { installFormFactory(); }
