#include <QDoubleSpinBox>
#include <QFile>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "foundation/texts.h"
#include "foundation/ui/page_printer.h"
#include "support/scripted_prompter.h"

namespace {

// Pages of a PDF file: its page objects ("/Type /Page", not "/Pages").
int PdfPages(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return -1;
  const QByteArray bytes = f.readAll();
  if (!bytes.startsWith("%PDF")) return -1;
  static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
  return int(QString::fromLatin1(bytes).count(page));
}

PrintSettings Label(double w, double h, double margin) {
  PrintSettings s;
  s.pageWidth = w;
  s.pageHeight = h;
  s.top = s.bottom = s.left = s.right = margin;
  return s;
}

}  // namespace

class TestPagePrinter : public QObject {
  Q_OBJECT
 private:
  QTemporaryDir dir_;

 private Q_SLOTS:
  void init() {
    CurrentPrintSettings() = PrintSettings();
    SetPrintOutputFile(QString());
  }

  void millimetres() {
    QCOMPARE(MmToPixels(25.4, 600), 600);
    QCOMPARE(MmToPixels(10, 254), 100);
    QCOMPARE(MmToPixels(210, 1200), 9921);
    QVERIFY(IsSheet(PrintSettings()));
    QVERIFY(!IsSheet(Label(210, 148, 5)));
  }

  void sheetLines() {
    // 254 dpi: 10 pixels to the millimetre. Lines 10 mm high between the margins of
    // 10 mm: 27 lines from 10 mm to 280 mm, then the next sheet.
    PrintPager pager(PrintSettings(), 254, 254);
    for (int i = 0; i < 27; ++i) {
      const PrintPager::Place p = pager.placeLine(100);
      QCOMPARE(p.x, 100);
      QCOMPARE(p.y, 100 + 100 * i);
      QVERIFY(!p.newSheet);
      QVERIFY(p.labelFrame.isNull());
    }
    const PrintPager::Place next = pager.placeLine(100);
    QVERIFY(next.newSheet);
    QCOMPARE(next.y, 100);
    QCOMPARE(pager.sheets(), 2);
  }

  void labelLayout() {
    // Labels 90 x 60 mm with 5 mm margins and 10 mm lines hold 5 lines each; two
    // fit across (180 mm, a third would pass 200), four rows down (240 mm, a fifth
    // would pass 285), so the ninth label starts a new sheet.
    PrintPager pager(Label(90, 60, 5), 254, 254);
    QList<QRect> frames;
    QList<int> newSheetAt;
    for (int line = 0; line < 9 * 5; ++line) {
      const PrintPager::Place p = pager.placeLine(100);
      if (!p.labelFrame.isNull()) {
        frames << p.labelFrame;
        QCOMPARE(p.x, p.labelFrame.x() + 50);
        QCOMPARE(p.y, p.labelFrame.y() + 50);
      }
      if (p.newSheet) newSheetAt << line;
    }
    QCOMPARE(frames.size(), 9);
    QCOMPARE(frames[0], QRect(0, 0, 900, 600));
    QCOMPARE(frames[1], QRect(900, 0, 900, 600));
    QCOMPARE(frames[2], QRect(0, 600, 900, 600));
    QCOMPARE(frames[7], QRect(900, 1800, 900, 600));
    QCOMPARE(frames[8], QRect(0, 0, 900, 600));
    QCOMPARE(newSheetAt, QList<int>({40}));
    QCOMPARE(pager.sheets(), 2);
  }

  void tallLabelStopsAt285() {
    // A label as tall as the sheet still ends its lines at 285 mm.
    PrintPager pager(Label(200, 297, 0), 254, 254);
    int lines = 0;
    while (!pager.placeLine(100).newSheet) ++lines;
    QCOMPARE(lines, 28);
  }

  void pdfHasPages() {
    const QString pdf = dir_.filePath(QStringLiteral("sheet.pdf"));
    SetPrintOutputFile(pdf);
    ScriptedPrompter p;
    QVERIFY(BeginPrint());
    for (int i = 0; i < 150; ++i) PrintLine(QStringLiteral("Line %1\twith a tab").arg(i));
    EndPrint();
    VERIFY_PROMPTS(p);
    QCOMPARE(PrintOutputFile(), pdf);
    const int pages = PdfPages(pdf);
    QVERIFY2(pages >= 2, qPrintable(QString::number(pages)));
    QVERIFY(p.flashes().isEmpty());  // a file asked for is not news
  }

  void labelsPdf() {
    CurrentPrintSettings() = Label(90, 60, 5);
    const QString pdf = dir_.filePath(QStringLiteral("labels.pdf"));
    SetPrintOutputFile(pdf);
    QVERIFY(BeginPrint());
    for (int i = 0; i < 200; ++i) PrintLine(QStringLiteral("Label line %1").arg(i));
    EndPrint();
    QVERIFY(PdfPages(pdf) >= 2);
  }

  void noPrinterPrintsToPdf() {
    if (!QPrinterInfo::availablePrinters().isEmpty()) QSKIP("this machine has a printer");
    SetProgramFolder(dir_.path());
    ScriptedPrompter p;
    QVERIFY(BeginPrint());
    PrintLine(QStringLiteral("Hello"));
    EndPrint();
    const QString pdf = dir_.filePath(QStringLiteral("print00.pdf"));
    QCOMPARE(PrintOutputFile(), pdf);
    QCOMPARE(PdfPages(pdf), 1);
    QCOMPARE(p.flashes(), QStringList({QStringLiteral("No printer here - printed to ") + pdf}));
    // The next print does not overwrite it.
    QVERIFY(BeginPrint());
    PrintLine(QStringLiteral("Again"));
    EndPrint();
    QCOMPARE(PrintOutputFile(), dir_.filePath(QStringLiteral("print01.pdf")));
    VERIFY_PROMPTS(p);
  }

  void dialogSetsTheNumbers() {
    TFPrintDlg dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Print "));
    dialog.widthBox()->setValue(100);
    dialog.heightBox()->setValue(50);
    dialog.takeSettings();
    QCOMPARE(CurrentPrintSettings().pageWidth, 100.0);
    QVERIFY(!IsSheet(CurrentPrintSettings()));
    dialog.a4Button()->click();
    dialog.printButton()->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(IsSheet(CurrentPrintSettings()));
  }
};

QTEST_MAIN(TestPagePrinter)
#include "tst_page_printer.moc"
