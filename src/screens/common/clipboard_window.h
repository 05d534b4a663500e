#pragma once
// The clipboard window (TFClpBd2): the text every list export puts on the
// system clipboard, read-only, with its length; it can be saved to a file,
// printed or shown in another font. Non-modal, one instance.
#include <QDialog>
#include <QString>

class QAction;
class QLabel;
class QPlainTextEdit;

class TFClpBd2 : public QDialog {
  Q_OBJECT
 public:
  explicit TFClpBd2(QWidget* parent = nullptr);

  // The memo takes text; the panel says how many characters it holds.
  void setText(const QString& text);
  QString text() const;

  // "Save" without its dialog: name gets ".txt" when it has no extension; an
  // existing file asks first. UTF-8, written whole or not at all ("Cannot
  // write " + name + " : " + reason). True when written.
  bool saveToFile(QString name);
  // "Save": the file dialog, then saveToFile.
  void save();
  // "Print": the print dialog, then every line in the memo's font.
  void print();
  // Prints every line without asking (the print settings as they stand).
  void printLines();
  // "Font": the font dialog; the chosen font becomes the memo's.
  void chooseFont();

  QPlainTextEdit* memo() const { return memo_; }
  QLabel* panel() const { return panel_; }
  QAction* action(const QString& caption) const;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void updatePanel();
  QPlainTextEdit* memo_ = nullptr;
  QLabel* panel_ = nullptr;
  QList<QAction*> actions_;
};

// The one window (created on first use).
TFClpBd2* ClipboardWindow();
// Shows the window holding text (already on the system clipboard).
void ShowClipboardWindow(const QString& text);
