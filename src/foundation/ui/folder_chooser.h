#pragma once
// The folder chooser behind PickFolder: a folder tree, a greyed list of the chosen
// folder's contents, a list of places to switch to (the root and the mounted
// volumes, standing in for drives), "Back to parent folder", "OK" and "Cancel".
#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>

class QComboBox;
class QFileSystemModel;
class QListWidget;
class QPushButton;
class QTreeView;

// The folder above folder ("/a/b/" gives "/a"); empty when there is none.
QString ParentFolder(const QString& folder);

// The nearest existing folder from start upwards. Each missing folder is reported
// first with "Folder not found\r" + the folder in quotes + " - seeking parent";
// when nothing on the way exists the result is the file system's root.
QString SeekExistingFolder(const QString& start, const std::function<bool(const QString&)>& exists);

// The places offered for switching: "/", the user's home folder, and the given
// mount points that lie under /media or /mnt; in that order, without repeats.
QStringList FolderRoots(const QStringList& mountPoints, const QString& home);

class TFSelFolder : public QDialog {
  Q_OBJECT
 public:
  explicit TFSelFolder(QWidget* parent = nullptr);

  // Opens the tree at folder (seeking an existing parent first).
  void start(const QString& folder);
  // Makes folder the current one (the tree opens it, the list shows its contents).
  bool openFolder(const QString& folder);
  void backToParent();
  void switchDrive(const QString& root);
  QString currentFolder() const { return current_; }
  // The result after OK: the current folder with a trailing separator.
  QString chosenFolder() const;

  QTreeView* tree() const { return tree_; }
  QListWidget* contents() const { return contents_; }
  QComboBox* drives() const { return drives_; }
  QPushButton* parentButton() const { return parent_; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* cancelButton() const { return cancel_; }

 private:
  void fillContents();
  void fillDrives();

  QString current_;
  QFileSystemModel* model_ = nullptr;
  QTreeView* tree_ = nullptr;
  QListWidget* contents_ = nullptr;
  QComboBox* drives_ = nullptr;
  QPushButton* parent_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

// The one folder chooser (created on first use, then reused).
TFSelFolder* TheFolderChooser();
// The prompter's folder chooser: true with the chosen folder (trailing separator).
bool RunFolderChooser(QString& folder);
