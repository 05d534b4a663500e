#pragma once
// The channels of an external account: the channels window (TFChannels,
// always modal), which is also the chooser that follows the choice of an
// external account, and the channel form (TFChDets, "Channel details").
#include <QChar>
#include <QDialog>

#include "store/records.h"

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

// The chooser: direction 'P' or 'R' filters, anything else shows both. With
// skipWhenEmpty and no channel to list, true with the empty channel and no
// window. True with the chosen channel ("< no channel >": the empty one);
// false on Cancel, or for an account that is not an external account.
bool ChooseChannelWindow(const TObj& account, TChannel& channel, QChar direction,
                         bool skipWhenEmpty);
// The window for maintenance: always shown, no filter, the choice discarded.
void ShowChannelsWindow(const TObj& account);
// The channel form in new mode: the new CHNUM, 0 when cancelled or the
// account cannot be read.
int NewChannel(int accountId);
// The channel form in display mode, non-modal ("Channel <n> not found" when
// there is none). Opened from a modal window it takes input at once.
void ShowChannelForm(int32_t chnum);
// A statement's channel combo: the account's channels, then
// "<default channel>"; the first entry selected.
void FillChannelCombo(int accountId, QComboBox* combo);

class TFChannels : public QDialog {
  Q_OBJECT
 public:
  explicit TFChannels(QWidget* parent = nullptr);

  // Sets the account and the filter from direction; the count of channels listed.
  int prepare(const TObj& account, QChar direction);
  void refill();
  // "OK", a double click: the selected entry becomes the choice.
  void acceptSelected();
  void newChannel();
  void viewChannel();
  void deleteChannel();
  const TChannel& choice() const { return choice_; }
  QChar filterDirection() const;

  QLabel* accountLabel() const { return account_; }
  QListWidget* list() const { return list_; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* cancelButton() const { return cancel_; }
  QMenu* filterMenu() const { return filter_; }
  QAction* newAction() const { return new_; }
  QAction* refreshAction() const { return refresh_; }
  QAction* excludeClosedAction() const { return excludeClosed_; }
  QAction* paymentsAction() const { return payments_; }
  QAction* receiptsAction() const { return receipts_; }
  QAction* bothAction() const { return both_; }
  QAction* closeAction() const { return close_; }
  QMenu* popupMenu() const { return popup_; }
  QAction* viewAction() const { return view_; }
  QAction* deleteAction() const { return delete_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void captions();
  TObj accountObj_;
  TChannel choice_;
  QLabel* account_ = nullptr;
  QListWidget* list_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QMenu* filter_ = nullptr;
  QAction* new_ = nullptr;
  QAction* refresh_ = nullptr;
  QAction* excludeClosed_ = nullptr;
  QAction* payments_ = nullptr;
  QAction* receipts_ = nullptr;
  QAction* both_ = nullptr;
  QAction* close_ = nullptr;
  QMenu* popup_ = nullptr;
  QAction* view_ = nullptr;
  QAction* delete_ = nullptr;
};

class TFChDets : public QDialog {
  Q_OBJECT
 public:
  enum class Mode { Display, New, Edit };
  explicit TFChDets(QWidget* parent = nullptr);

  // Fills the form: display of a stored channel (false when there is none),
  // or new mode for the account.
  bool showStored(int32_t chnum);
  bool startNew(int accountId);
  Mode mode() const { return mode_; }
  int32_t savedChnum() const { return saved_; }

  void pressOk();
  void pressCancel();
  void menuNew();
  void menuEdit();
  void menuDelete();
  void reject() override;

  QLineEdit* idBox() const { return id_; }
  QLineEdit* accountBox() const { return account_; }
  QLineEdit* nameBox() const { return name_; }
  QComboBox* statusCombo() const { return status_; }
  QRadioButton* paymentRadio() const { return payment_; }
  QRadioButton* receiptRadio() const { return receipt_; }
  QPlainTextEdit* noteBox() const { return note_; }
  QTabWidget* pages() const { return pages_; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* cancelButton() const { return cancel_; }
  QAction* newAction() const { return new_; }
  QAction* editAction() const { return edit_; }
  QAction* deleteAction() const { return delete_; }

 private:
  void setMode(Mode m);
  void fillFrom(const TChannel& ch);
  Mode mode_ = Mode::Display;
  TChannel ch_;
  int32_t saved_ = 0;
  QLineEdit* id_ = nullptr;
  QLineEdit* account_ = nullptr;
  QLineEdit* name_ = nullptr;
  QComboBox* status_ = nullptr;
  QRadioButton* payment_ = nullptr;
  QRadioButton* receipt_ = nullptr;
  QPlainTextEdit* note_ = nullptr;
  QTabWidget* pages_ = nullptr;
  QWidget* notePage_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QAction* new_ = nullptr;
  QAction* edit_ = nullptr;
  QAction* delete_ = nullptr;
};

// The window and the form (created on first use, then reused); the channels
// window showing now (nullptr when none).
TFChannels* TheChannelsWindow();
TFChDets* TheChannelForm();
TFChannels* ActiveChannelsWindow();
