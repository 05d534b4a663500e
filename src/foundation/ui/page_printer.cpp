#include "foundation/ui/page_printer.h"

#include <QDoubleSpinBox>
#include <QFile>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <memory>

#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "foundation/texts.h"

namespace {

constexpr double kSheetWidth = 210;
constexpr double kSheetHeight = 297;
constexpr double kRowLimit = 200;     // labels: across
constexpr double kColumnLimit = 285;  // labels: down

QString g_outputFile;   // set by the caller
QString g_lastPdfFile;  // of the document being printed
bool g_pdfFallback = false;
bool g_forcedPdf = false;  // the PDF output was set here, not by the user's Setup

struct Job {
  QPainter painter;
  std::unique_ptr<PrintPager> pager;
  int lineHeight = 0;
  int ascent = 0;
  bool active = false;
};
Job& TheJob() {
  static Job job;
  return job;
}

QString FreePdfName() {
  for (int i = 0; i < 100; ++i) {
    const QString name =
        ProgramFolder() + QStringLiteral("print") + PadInt(i, 2) + QStringLiteral(".pdf");
    if (!QFile::exists(name)) return name;
  }
  return ProgramFolder() + QStringLiteral("print99.pdf");
}

QDoubleSpinBox* MmBox(QWidget* parent, double value) {
  auto* box = new QDoubleSpinBox(parent);
  box->setRange(0, 1000);
  box->setDecimals(1);
  box->setValue(value);
  return box;
}

}  // namespace

PrintSettings& CurrentPrintSettings() {
  static PrintSettings settings;
  return settings;
}

bool IsSheet(const PrintSettings& s) {
  return s.pageWidth == kSheetWidth && s.pageHeight == kSheetHeight;
}

int MmToPixels(double mm, int dpi) { return int(std::lround(mm / 25.4 * dpi)); }

PrintPager::PrintPager(const PrintSettings& s, int dpiX, int dpiY)
    : s_(s), dpiX_(dpiX), dpiY_(dpiY), sheet_(IsSheet(s)) {}

void PrintPager::beginLabel(Place& p) {
  p.labelFrame = QRect(px(labelX_), py(labelY_), px(s_.pageWidth), py(s_.pageHeight));
  y_ = py(labelY_ + s_.top);
  bottom_ = qMin(py(labelY_ + s_.pageHeight - s_.bottom), py(kColumnLimit));
}

PrintPager::Place PrintPager::placeLine(int lineHeight) {
  Place p;
  if (!started_) {
    started_ = true;
    sheets_ = 1;
    if (sheet_) {
      y_ = py(s_.top);
      bottom_ = py(s_.pageHeight - s_.bottom);
    } else {
      labelX_ = 0;
      labelY_ = 0;
      beginLabel(p);
    }
  } else if (y_ + lineHeight > bottom_) {
    if (sheet_) {
      p.newSheet = true;
      ++sheets_;
      y_ = py(s_.top);
    } else {
      labelX_ += s_.pageWidth;
      if (labelX_ + s_.pageWidth > kRowLimit) {
        labelX_ = 0;
        labelY_ += s_.pageHeight;
        if (labelY_ + s_.pageHeight > kColumnLimit) {
          labelY_ = 0;
          p.newSheet = true;
          ++sheets_;
        }
      }
      beginLabel(p);
    }
  }
  p.x = px((sheet_ ? 0 : labelX_) + s_.left);
  p.y = y_;
  y_ += lineHeight;
  return p;
}

TFPrintDlg::TFPrintDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FPrintDlg"));
  setWindowTitle(QStringLiteral("Print "));
  const PrintSettings& s = CurrentPrintSettings();
  auto* layout = new QVBoxLayout(this);

  auto* page = new QGroupBox(QStringLiteral("Page size (mm)"), this);
  auto* pageGrid = new QGridLayout(page);
  width_ = MmBox(page, s.pageWidth);
  height_ = MmBox(page, s.pageHeight);
  a4_ = new QPushButton(QStringLiteral("A4"), page);
  pageGrid->addWidget(new QLabel(QStringLiteral("Width"), page), 0, 0);
  pageGrid->addWidget(width_, 0, 1);
  pageGrid->addWidget(new QLabel(QStringLiteral("Height"), page), 1, 0);
  pageGrid->addWidget(height_, 1, 1);
  pageGrid->addWidget(a4_, 0, 2, 2, 1);
  layout->addWidget(page);

  auto* margins = new QGroupBox(QStringLiteral("Margins (mm)"), this);
  auto* marginGrid = new QGridLayout(margins);
  top_ = MmBox(margins, s.top);
  bottom_ = MmBox(margins, s.bottom);
  left_ = MmBox(margins, s.left);
  right_ = MmBox(margins, s.right);
  marginGrid->addWidget(new QLabel(QStringLiteral("Top / Bottom"), margins), 0, 0);
  marginGrid->addWidget(top_, 0, 1);
  marginGrid->addWidget(bottom_, 0, 2);
  marginGrid->addWidget(new QLabel(QStringLiteral("Left / Right"), margins), 1, 0);
  marginGrid->addWidget(left_, 1, 1);
  marginGrid->addWidget(right_, 1, 2);
  layout->addWidget(margins);

  auto* buttons = new QHBoxLayout();
  auto* setup = new QPushButton(QStringLiteral("Setup"), this);
  print_ = new QPushButton(QStringLiteral("Print"), this);
  print_->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  buttons->addWidget(setup);
  buttons->addStretch(1);
  buttons->addWidget(print_);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);

  connect(a4_, &QPushButton::clicked, this, [this] {
    width_->setValue(kSheetWidth);
    height_->setValue(kSheetHeight);
  });
  connect(setup, &QPushButton::clicked, this, [this] {
    QPrintDialog dialog(&ThePrinter(), this);
    dialog.exec();
  });
  connect(print_, &QPushButton::clicked, this, [this] {
    takeSettings();
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFPrintDlg::takeSettings() {
  PrintSettings& s = CurrentPrintSettings();
  s.pageWidth = width_->value();
  s.pageHeight = height_->value();
  s.top = top_->value();
  s.bottom = bottom_->value();
  s.left = left_->value();
  s.right = right_->value();
}

bool AskPrintSettings() {
  TFPrintDlg dialog;
  return dialog.exec() == QDialog::Accepted;
}

QPrinter& ThePrinter() {
  static QPrinter printer(QPrinter::HighResolution);
  return printer;
}

void SetPrintOutputFile(const QString& pdfFile) { g_outputFile = pdfFile; }
QString PrintOutputFile() { return g_lastPdfFile; }

namespace {
QFont& PrintFont() {
  static QFont font = [] {
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(10);
    return f;
  }();
  return font;
}
}  // namespace

void SetPrintFont(const QFont& font) { PrintFont() = font; }

bool BeginPrint() {
  Job& job = TheJob();
  if (job.active) EndPrint();
  QPrinter& printer = ThePrinter();
  g_lastPdfFile.clear();
  if (g_forcedPdf) {
    // The file set for the last document is not the printer the user chose.
    printer.setOutputFileName(QString());
    printer.setOutputFormat(QPrinter::NativeFormat);
    g_forcedPdf = false;
  }
  g_pdfFallback = false;
  if (!g_outputFile.isEmpty()) {
    g_forcedPdf = true;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(g_outputFile);
  } else if (!(printer.outputFormat() == QPrinter::PdfFormat &&
               !printer.outputFileName().isEmpty()) &&
             (QPrinterInfo::availablePrinters().isEmpty() || printer.printerName().isEmpty())) {
    // No printer on this machine: the document still gets made, as a PDF file.
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(FreePdfName());
    g_pdfFallback = true;
    g_forcedPdf = true;
  }
  if (printer.outputFormat() == QPrinter::PdfFormat) g_lastPdfFile = printer.outputFileName();
  printer.setFullPage(true);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageOrientation(QPageLayout::Portrait);

  const int dpiX = printer.logicalDpiX();
  const int dpiY = printer.logicalDpiY();
  if (dpiX <= 0 || dpiY <= 0) {
    ShowInfo(
        QStringLiteral("The printer reports 0 pixels per inch, so it cannot be used - "
                       "choose another printer under Setup"));
    return false;
  }
  if (!job.painter.begin(&printer)) {
    ShowInfo(QStringLiteral("Cannot start printing on ") +
             (g_lastPdfFile.isEmpty() ? printer.printerName() : g_lastPdfFile));
    return false;
  }
  job.painter.setFont(PrintFont());
  const QFontMetrics metrics(job.painter.font(), &printer);
  job.lineHeight = metrics.height();  // the height of the letter "A" in this font
  job.ascent = metrics.ascent();
  job.pager = std::make_unique<PrintPager>(CurrentPrintSettings(), dpiX, dpiY);
  job.active = true;
  return true;
}

void PrintLine(const QString& text) {
  Job& job = TheJob();
  if (!job.active) return;
  const PrintPager::Place p = job.pager->placeLine(job.lineHeight);
  if (p.newSheet) ThePrinter().newPage();
  if (!p.labelFrame.isNull()) job.painter.drawRect(p.labelFrame);
  QString line = text;
  line.replace(QLatin1Char('\t'), QStringLiteral("  "));
  job.painter.drawText(p.x, p.y + job.ascent, line);
}

void EndPrint() {
  Job& job = TheJob();
  if (!job.active) return;
  job.painter.end();
  job.pager.reset();
  job.active = false;
  if (g_pdfFallback) Flash(QStringLiteral("No printer here - printed to ") + g_lastPdfFile);
}
