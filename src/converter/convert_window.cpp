#include "converter/convert_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "converter/conversion.h"
#include "foundation/messages.h"
#include "foundation/texts.h"
#include "store/db.h"
#include "store/schema.h"
#include "store/settings.h"

namespace {

const QColor kErrorColour(Qt::red);
const QColor kWorkingColour(255, 255, 160);  // the countdown's background

// Letting window messages run costs a repaint; during the countdown 25 times a
// second keeps the window live and the count readable.
constexpr int kEventsEveryMs = 40;

}  // namespace

TFConvert::TFConvert(const QString& dataFolder, QWidget* parent)
    : QMainWindow(parent), dataFolder_(WithTrailingSeparator(dataFolder)) {
  setWindowTitle(QLatin1String(kConverterCaption));
  auto* central = new QWidget(this);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("Target database"), central), 0, 0);
  target_ = new QLabel(central);
  target_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  grid->addWidget(target_, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Source database"), central), 1, 0);
  source_ = new QLabel(central);
  source_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  grid->addWidget(source_, 1, 1);
  grid->setColumnStretch(1, 1);

  select_ = new QPushButton(QStringLiteral("Select Source"), central);
  convert_ = new QPushButton(QStringLiteral("Convert"), central);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(select_);
  buttons->addWidget(convert_);
  buttons->addStretch(1);

  auto* layout = new QVBoxLayout(central);
  layout->addLayout(grid);
  layout->addWidget(new QLabel(
      QStringLiteral("The source database will not be changed by the conversion ."), central));
  layout->addLayout(buttons);
  layout->addStretch(1);
  setCentralWidget(central);

  status_ = new QLabel(this);
  status_->setAutoFillBackground(true);
  statusBar()->addWidget(status_, 1);
  statusBar()->setSizeGripEnabled(false);

  select_->setEnabled(false);
  convert_->setEnabled(false);
  connect(select_, &QPushButton::clicked, this, &TFConvert::selectSource);
  connect(convert_, &QPushButton::clicked, this, &TFConvert::convert);
  resize(640, 200);
}

TFConvert::~TFConvert() = default;

QString TFConvert::targetText() const { return target_->text(); }
QString TFConvert::sourceText() const { return source_->text(); }
QString TFConvert::statusText() const { return status_->text(); }
QColor TFConvert::statusColour() const { return status_->palette().color(QPalette::Window); }

void TFConvert::setStatus(const QString& text, const QColor& colour) {
  QPalette p = status_->palette();
  p.setColor(QPalette::Window, colour.isValid() ? colour : palette().color(QPalette::Window));
  p.setColor(QPalette::WindowText,
             colour == kErrorColour ? QColor(Qt::white) : palette().color(QPalette::WindowText));
  status_->setPalette(p);
  status_->setText(text);
}

void TFConvert::enableButtons() {
  select_->setEnabled(targetOk_ && !converting_);
  convert_->setEnabled(targetOk_ && !converting_ && !sourceFolder_.isEmpty());
}

void TFConvert::start() {
  const QString file = dataFolder_ + QLatin1String(kDatabaseFileName);
  target_->setText(file);
  targetOk_ = false;
  if (!ProvideTargetDatabase(dataFolder_)) {
    setStatus("No target database " + file, kErrorColour);
    enableButtons();
    return;
  }
  QString error;
  if (!OpenTargetDatabase(dataFolder_, error)) {
    ShowInfo("Cannot open the target database " + file + "\r" + error);
    setStatus("No target database " + file, kErrorColour);
    enableButtons();
    return;
  }
  const int version = TargetSchemaVersion(dataFolder_);
  if (version != kStartingSchemaVersion) {
    setStatus(TargetVersionError(version), kErrorColour);
    enableButtons();
    return;
  }
  targetOk_ = true;
  setStatus(QString(), QColor());
  enableButtons();
}

void TFConvert::selectSource() {
  QString folder = sourceFolder_;
  if (!PickFolder(folder)) return;
  if (!SourceHoldsBooks(folder)) return;
  sourceFolder_ = WithTrailingSeparator(folder);
  source_->setText(sourceFolder_);
  enableButtons();
}

// The countdown text only shows when window messages run, so it is set then.
void TFConvert::showProgress(const QString& table, int remaining) {
  if (sinceEvents_.isValid() && sinceEvents_.elapsed() < kEventsEveryMs) return;
  status_->setText(" " + table + " " + QString::number(remaining));
  QCoreApplication::processEvents();
  sinceEvents_.restart();
}

void TFConvert::convert() {
  if (!targetOk_ || sourceFolder_.isEmpty() || converting_) return;
  TConvertHooks hooks;
  hooks.started = [this] {
    converting_ = true;
    enableButtons();
    setStatus(QString(), kWorkingColour);
    sinceEvents_.invalidate();
  };
  hooks.progress = [this](const QString& table, int remaining) { showProgress(table, remaining); };
  hooks.finished = [this] {
    converting_ = false;
    setStatus(QString(), QColor());
  };
  if (!RunConversion(sourceFolder_, dataFolder_, hooks)) {
    enableButtons();
    return;
  }
  Q_EMIT converted();
  close();
}

void TFConvert::closeEvent(QCloseEvent* event) {
  // Half a conversion is never left behind: the window stays until it ends.
  if (converting_) {
    event->ignore();
    return;
  }
  CloseConnection();
  QMainWindow::closeEvent(event);
}
