#pragma once
// The account finder (TFinpacc, "Find account"): a modal search of the
// accounts of one kind by name, the hits sorted into the pages "Actives",
// "Dormants" and "Closed".
#include <QDialog>

class QAction;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QTabWidget;

class TFinpacc : public QDialog {
  Q_OBJECT
 public:
  explicit TFinpacc(int kind, const QString& text, QWidget* parent = nullptr);

  void runSearch();
  void newSearch();
  void selectShown();
  void addNew();
  // The pop-up "Details" of the shown page's selected entry.
  void details();

  QLineEdit* nameBox() const { return name_; }
  QRadioButton* startsWithButton() const { return startsWith_; }
  QRadioButton* containsButton() const { return contains_; }
  QPushButton* searchButton() const { return search_; }
  QPushButton* selectButton() const { return select_; }
  QPushButton* newButton() const { return new_; }
  QTabWidget* pages() const { return pages_; }
  QListWidget* page(int i) const { return lists_[i]; }
  QAction* newSearchAction() const { return newSearch_; }
  QMenu* popupMenu() const { return popup_; }

 private:
  int kind_;
  bool shown_ = false;  // results are showing
  QLineEdit* name_ = nullptr;
  QRadioButton* startsWith_ = nullptr;
  QRadioButton* contains_ = nullptr;
  QPushButton* search_ = nullptr;
  QPushButton* select_ = nullptr;
  QPushButton* new_ = nullptr;
  QTabWidget* pages_ = nullptr;
  QListWidget* lists_[3] = {nullptr, nullptr, nullptr};
  QAction* newSearch_ = nullptr;
  QMenu* popup_ = nullptr;
};

// The finder showing now (nullptr when none): tests and the window's own
// callers reach it while it runs modally.
TFinpacc* ActiveFinder();
