#pragma once
// The About box TFAbout1: product, version, database engine, a notice, and the
// program file with its date and time.
#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;

inline constexpr const char* kVersionLine = "version 2.23.02 ( November 2020 )";

// The lines of the About text for the program file at programFile.
QString AboutText(const QString& programFile);

class TFAbout1 : public QDialog {
  Q_OBJECT
 public:
  explicit TFAbout1(QWidget* parent = nullptr);
  QPlainTextEdit* textBox() const { return text_; }
  QPushButton* okButton() const { return ok_; }

 protected:
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  QPlainTextEdit* text_ = nullptr;
  QPushButton* ok_ = nullptr;
};
