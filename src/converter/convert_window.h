#pragma once
// trelg's window: the target database and its version, the source folder chosen
// with "Select Source", and "Convert" with its countdown in the status bar.
#include <QColor>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>

class QLabel;
class QPushButton;

inline constexpr const char* kConverterCaption =
    "Vorbek database conversion from Paradox to Firebird";

class TFConvert : public QMainWindow {
  Q_OBJECT
 public:
  // dataFolder: where the target vorbek.fdb and ZADEZEVU.INI are (or are to be made).
  explicit TFConvert(const QString& dataFolder, QWidget* parent = nullptr);
  ~TFConvert() override;

  // The start-up: offers the empty target database when there is none, opens it,
  // and checks the target's version ("Select Source" stays disabled when wrong).
  void start();
  // "Select Source": the folder chooser, then the ZADEZEVU.INI check.
  void selectSource();
  // "Convert": the question, the conversion, "Converted ok" and closing.
  void convert();

  QPushButton* selectButton() const { return select_; }
  QPushButton* convertButton() const { return convert_; }
  QString targetText() const;
  QString sourceText() const;
  QString statusText() const;
  QColor statusColour() const;  // the status bar's background
  const QString& sourceFolder() const { return sourceFolder_; }

 Q_SIGNALS:
  // After "Converted ok", just before the window closes.
  void converted();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void setStatus(const QString& text, const QColor& colour);
  void showProgress(const QString& table, int remaining);
  void enableButtons();

  QString dataFolder_;
  QString sourceFolder_;
  bool targetOk_ = false;  // the target database is open at the right version
  bool converting_ = false;
  QLabel* target_ = nullptr;
  QLabel* source_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* select_ = nullptr;
  QPushButton* convert_ = nullptr;
  QElapsedTimer sinceEvents_;
};
