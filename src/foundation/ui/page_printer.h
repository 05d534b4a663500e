#pragma once
// The simple page printer: lines of text on A4 sheets, or on labels laid out side
// by side on the sheet, after the print dialog ("Print ") was accepted.
#include <QDialog>
#include <QRect>
#include <QString>

class QDoubleSpinBox;
class QFont;
class QPrinter;
class QPushButton;

// Kept until the program ends; millimetres.
struct PrintSettings {
  double pageWidth = 210;
  double pageHeight = 297;
  double top = 10;
  double bottom = 10;
  double left = 10;
  double right = 10;
};
PrintSettings& CurrentPrintSettings();

// A page of exactly 210 x 297 mm is a sheet; any other size is a label.
bool IsSheet(const PrintSettings& s);
// mm / 25.4 x pixels per inch.
int MmToPixels(double mm, int dpi);

// Where each line goes, in device pixels, for a printer of the given resolution.
// Sheets: from the top margin down to the bottom margin, then the next sheet. Labels:
// side by side from the sheet's top left; a new row when the next label would pass
// 200 mm across, a new sheet when the next row would pass 285 mm down.
class PrintPager {
 public:
  struct Place {
    int x = 0;
    int y = 0;              // top of the line
    bool newSheet = false;  // start a new sheet before this line
    QRect labelFrame;       // a label begins here: its frame (null for sheets)
  };
  PrintPager(const PrintSettings& s, int dpiX, int dpiY);
  Place placeLine(int lineHeight);
  int sheets() const { return sheets_; }

 private:
  void beginLabel(Place& p);
  int px(double mm) const { return MmToPixels(mm, dpiX_); }
  int py(double mm) const { return MmToPixels(mm, dpiY_); }

  PrintSettings s_;
  int dpiX_;
  int dpiY_;
  bool sheet_;
  bool started_ = false;
  double labelX_ = 0;  // mm, the current label's corner on the sheet
  double labelY_ = 0;
  int y_ = 0;  // device pixels
  int bottom_ = 0;
  int sheets_ = 0;
};

// The print dialog: page size (Width, Height, "A4"), margins, "Setup", "Print",
// "Cancel". True when "Print" was pressed; the numbers become the print settings.
class TFPrintDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TFPrintDlg(QWidget* parent = nullptr);
  void takeSettings();  // copies the boxes into the print settings
  QDoubleSpinBox* widthBox() const { return width_; }
  QDoubleSpinBox* heightBox() const { return height_; }
  QPushButton* a4Button() const { return a4_; }
  QPushButton* printButton() const { return print_; }

 private:
  QDoubleSpinBox* width_ = nullptr;
  QDoubleSpinBox* height_ = nullptr;
  QDoubleSpinBox* top_ = nullptr;
  QDoubleSpinBox* bottom_ = nullptr;
  QDoubleSpinBox* left_ = nullptr;
  QDoubleSpinBox* right_ = nullptr;
  QPushButton* a4_ = nullptr;
  QPushButton* print_ = nullptr;
};
bool AskPrintSettings();

// The printer every print goes to (Qt's printing; "Setup" chooses it).
QPrinter& ThePrinter();
// Prints into this PDF file instead of a printer; empty = the chosen printer. When
// the machine has no printer at all, BeginPrint writes a PDF file in the program
// folder (print00.pdf, print01.pdf, ...) and says where once the document ends.
void SetPrintOutputFile(const QString& pdfFile);
QString PrintOutputFile();  // the PDF file of the last document begun, if any

// The font the next document prints in (Arial 10 until one is set).
void SetPrintFont(const QFont& font);

// False (after a message) when the printer cannot be used.
bool BeginPrint();
void PrintLine(const QString& text);
void EndPrint();
