#pragma once
// The counterparty-categories window (Tfcptypots, "Counterparty Categories"):
// the categories a counterparty has been used with, for one direction, on the
// pages "Preferred", "Hidden" and "Closed". Shown on its own to keep the
// preferred few, or as the chooser of the entry form.
#include <QChar>
#include <QDialog>

#include "reports/cpty_lists.h"

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QTabWidget;

// The window, non-modal, for the counterparty: purchases, or sales for a payer.
void ShowCptyCategoriesWindow(int cptyId);
// The chooser (its own modal window): a category id, 0 when there is no
// preferred category (or several in mode 2), -1 when cancelled. Mode 0 shows
// the window whenever there is a preferred category; mode 1 returns a single
// preferred one without it; mode 2 never shows it.
int ChooseCptyCategoryWindow(int cptyId, QChar direction, int mode);

class Tfcptypots : public QDialog {
  Q_OBJECT
 public:
  enum Page { kPreferred = 0, kHidden = 1, kClosed = 2 };

  explicit Tfcptypots(bool chooser, QWidget* parent = nullptr);

  // Fills the pages for the counterparty and direction ('P' or 'S').
  void fillFor(int cptyId, QChar direction);
  void refill();
  const TCptyCategoryLists& lists() const { return lists_; }
  int cptyId() const { return cptyId_; }
  QChar direction() const { return direction_; }
  int chosen() const { return chosen_; }  // the chooser's result

  // The pop-up's items act on the selected entry of the shown page.
  void selectEntry();
  void hideEntry();
  void unhideEntry();
  void setAsDefault();
  void listTransactions();
  void viewDetails();
  void closeAccount();
  void hideAll();
  void otherNew();
  // Opens the pop-up for row of the shown page (selecting it first).
  void popupAt(int row);
  void reject() override;

  QLabel* counterpartyLabel() const { return name_; }
  QRadioButton* purchaseRadio() const { return purchase_; }
  QRadioButton* saleRadio() const { return sale_; }
  QTabWidget* pages() const { return pages_; }
  QListWidget* page(int i) const { return lists_ui_[i]; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* otherButton() const { return other_; }
  QPushButton* cancelButton() const { return cancel_; }
  QMenu* popupMenu() const { return popup_; }
  QAction* selectAction() const { return select_; }
  QAction* hideAction() const { return hide_; }
  QAction* unhideAction() const { return unhide_; }
  QAction* defaultAction() const { return default_; }
  QAction* listAction() const { return list_; }
  QAction* detailsAction() const { return details_; }
  QAction* closeAccountAction() const { return closeAccount_; }
  QAction* hideAllAction() const { return hideAll_; }

 private:
  int selectedId() const;
  void enableItems();
  void directionChosen(QChar d);
  bool chooser_;
  int cptyId_ = 0;
  QChar direction_ = QChar('P');
  int chosen_ = -1;
  TCptyCategoryLists lists_;
  QLabel* name_ = nullptr;
  QRadioButton* purchase_ = nullptr;
  QRadioButton* sale_ = nullptr;
  QTabWidget* pages_ = nullptr;
  QListWidget* lists_ui_[3] = {nullptr, nullptr, nullptr};
  QPushButton* ok_ = nullptr;
  QPushButton* other_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QMenu* popup_ = nullptr;
  QAction* select_ = nullptr;
  QAction* hide_ = nullptr;
  QAction* unhide_ = nullptr;
  QAction* default_ = nullptr;
  QAction* list_ = nullptr;
  QAction* details_ = nullptr;
  QAction* closeAccount_ = nullptr;
  QAction* hideAll_ = nullptr;
};

// The non-modal window (created on first use) and the chooser showing now
// (nullptr when none), for tests and callers that reach them while they run.
Tfcptypots* TheCptyCategoriesWindow();
Tfcptypots* ActiveCptyCategoryChooser();
