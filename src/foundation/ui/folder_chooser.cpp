#include "foundation/ui/folder_chooser.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

#include "foundation/messages.h"
#include "foundation/texts.h"
#include "foundation/ui/controls.h"
#include "foundation/ui/window_positions.h"

namespace {

QString WithoutTrailingSeparator(const QString& folder) {
  QString f = folder;
  while (f.size() > 1 && f.endsWith(QLatin1Char('/'))) f.chop(1);
  return f;
}

bool FolderExists(const QString& folder) {
  const QFileInfo info(folder);
  return info.exists() && info.isDir();
}

}  // namespace

QString ParentFolder(const QString& folder) {
  const QString f = WithoutTrailingSeparator(folder);
  if (f.isEmpty() || f == QLatin1String("/")) return QString();
  const qsizetype slash = f.lastIndexOf(QLatin1Char('/'));
  if (slash < 0) return QString();
  if (slash == 0) return QStringLiteral("/");
  return f.left(slash);
}

QString SeekExistingFolder(const QString& start,
                           const std::function<bool(const QString&)>& exists) {
  QString folder = start;
  while (!folder.isEmpty()) {
    if (exists(folder)) return folder;
    ShowInfo(QStringLiteral("Folder not found\r") + InQuotes(folder) +
             QStringLiteral(" - seeking parent"));
    folder = ParentFolder(folder);
  }
  return QDir::rootPath();
}

QStringList FolderRoots(const QStringList& mountPoints, const QString& home) {
  QStringList roots{QStringLiteral("/")};
  if (!home.isEmpty()) roots << WithoutTrailingSeparator(home);
  QStringList extra;
  for (const QString& m : mountPoints) {
    const QString p = WithoutTrailingSeparator(m);
    if (p.startsWith(QLatin1String("/media/")) || p.startsWith(QLatin1String("/mnt/"))) extra << p;
  }
  extra.sort();
  for (const QString& p : extra)
    if (!roots.contains(p)) roots << p;
  return roots;
}

TFSelFolder::TFSelFolder(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FSelFolder"));
  setWindowTitle(QStringLiteral("Select folder"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Single-click folder names to drill-down "), this));

  auto* lists = new QHBoxLayout();
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setRootPath(QDir::rootPath());
  tree_ = new QTreeView(this);
  tree_->setModel(model_);
  for (int c = 1; c < model_->columnCount(); ++c) tree_->hideColumn(c);
  tree_->header()->hide();
  tree_->setMinimumSize(260, 300);
  lists->addWidget(tree_, 3);
  contents_ = new QListWidget(this);
  contents_->setEnabled(false);  // shown greyed: it only tells what the folder holds
  lists->addWidget(contents_, 2);
  layout->addLayout(lists);

  auto* driveRow = new QHBoxLayout();
  driveRow->addWidget(new QLabel(QStringLiteral("Switch drive to ..."), this));
  drives_ = new QComboBox(this);
  driveRow->addWidget(drives_, 1);
  layout->addLayout(driveRow);

  auto* buttons = new QHBoxLayout();
  parent_ = new QPushButton(QStringLiteral("Back to parent folder"), this);
  ok_ = new QPushButton(QStringLiteral("OK"), this);
  ok_->setDefault(true);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  buttons->addWidget(parent_);
  buttons->addStretch(1);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  layout->addLayout(buttons);

  connect(tree_, &QTreeView::clicked, this,
          [this](const QModelIndex& index) { openFolder(model_->filePath(index)); });
  connect(parent_, &QPushButton::clicked, this, &TFSelFolder::backToParent);
  connect(drives_, &QComboBox::activated, this,
          [this](int i) { switchDrive(drives_->itemText(i)); });
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  fillDrives();
  RegisterWindowPosition(this, QStringLiteral("FSelFolder"));
}

void TFSelFolder::fillDrives() {
  QStringList mounts;
  for (const QStorageInfo& s : QStorageInfo::mountedVolumes()) mounts << s.rootPath();
  drives_->clear();
  drives_->addItems(FolderRoots(mounts, QDir::homePath()));
}

void TFSelFolder::start(const QString& folder) {
  setWindowTitle(QStringLiteral("Select folder"));
  const QString found =
      folder.isEmpty() ? QDir::rootPath() : SeekExistingFolder(folder, FolderExists);
  if (!openFolder(found)) ShowPlainInfo(QStringLiteral("path not found   ") + found);
}

bool TFSelFolder::openFolder(const QString& folder) {
  const QString f = WithoutTrailingSeparator(QDir::cleanPath(folder));
  const QModelIndex index = model_->index(f);
  if (!index.isValid() || !FolderExists(f)) return false;
  current_ = f;
  tree_->setCurrentIndex(index);
  tree_->expand(index);
  tree_->scrollTo(index);
  // Paths keep their case here: on this file system it is part of the name.
  setWindowTitle(QStringLiteral("Select folder ") + InQuotes(current_));
  fillContents();
  return true;
}

void TFSelFolder::fillContents() {
  contents_->clear();
  const QDir dir(current_);
  const QFileInfoList entries = dir.entryInfoList(
      QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::DirsFirst | QDir::IgnoreCase);
  for (const QFileInfo& e : entries)
    contents_->addItem(e.isDir() ? QStringLiteral("[") + e.fileName() + QStringLiteral("]")
                                 : e.fileName());
}

void TFSelFolder::backToParent() {
  const QString parent = ParentFolder(current_);
  if (!parent.isEmpty()) openFolder(parent);
}

void TFSelFolder::switchDrive(const QString& root) {
  const QFileInfo info(root);
  if (!info.exists() || !info.isDir() || !info.isReadable()) {
    ShowInfo(QStringLiteral("Drive ") + root + QStringLiteral(" not found"));
    return;
  }
  openFolder(root);
}

QString TFSelFolder::chosenFolder() const { return WithTrailingSeparator(current_); }

TFSelFolder* TheFolderChooser() {
  static QPointer<TFSelFolder> chooser;
  if (!chooser) chooser = new TFSelFolder();
  return chooser;
}

bool RunFolderChooser(QString& folder) {
  TFSelFolder* chooser = TheFolderChooser();
  chooser->start(folder);
  if (chooser->exec() != QDialog::Accepted) return false;
  folder = chooser->chosenFolder();
  return true;
}
