#include <fcntl.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "foundation/files.h"
#include "support/scripted_prompter.h"

namespace {

QByteArray pattern(int size) {
  QByteArray b(size, Qt::Uninitialized);
  for (int i = 0; i < size; ++i) b[i] = char((i * 7 + i / 251) & 0xff);
  return b;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

struct stat statOf(const QString& path) {
  struct stat st {};
  ::stat(QFile::encodeName(path).constData(), &st);
  return st;
}

// Gives a file old, distinct access and modification times (with nanoseconds).
bool ageFile(const QString& path) {
  const struct timespec times[2] = {{1000000000, 123456789}, {900000000, 987654321}};
  return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

// A directory where a copy wants a file: the file cannot be opened for writing.
bool blockWith(const QString& path) { return QDir().mkpath(path); }

// Runs an action when a question comes (before answering it as scripted), or when
// pending window messages are let through: that is where other code may touch files.
class ActingPrompter : public ScriptedPrompter {
 public:
  std::function<void(const QString&)> onAsk;
  std::function<void()> onProcessEvents;
  char askYesNoCancel(const QString& text) override {
    if (onAsk) onAsk(text);
    return ScriptedPrompter::askYesNoCancel(text);
  }
  void processEvents() override {
    if (onProcessEvents) onProcessEvents();
  }
};

}  // namespace

class TstFiles : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void copyIntoMissingFolderKeepsBytesAndTimes();
  void copyRawIntoFolderAndFailures_data();
  void copyRawIntoFolderAndFailures();
  void copyOntoItselfIsRefused();
  void unopenableTargetAsksRetry_data();
  void unopenableTargetAsksRetry();
  void folderCopyMakesFolderAndSkipsSubfolders();
  void folderCopyRetryLoop_data();
  void folderCopyRetryLoop();
  void folderCopyRetrySucceeds();
  void dosPacking_data();
  void dosPacking();
  void creationStamp();
};

void TstFiles::copyIntoMissingFolderKeepsBytesAndTimes() {
  QTemporaryDir tmp;
  const QString src = tmp.filePath("books.fdb");
  const QByteArray bytes = pattern(3 * 65536 + 1234);  // several blocks and a tail
  QVERIFY(writeFile(src, bytes));
  QVERIFY(ageFile(src));
  const QString folder = tmp.filePath("backup/2024/set");
  ScriptedPrompter p;

  QVERIFY(CopyFileInto(src, folder));

  VERIFY_PROMPTS(p);
  QVERIFY(QFileInfo(folder).isDir());
  const QString copy = folder + "/books.fdb";
  const struct stat s = statOf(src), c = statOf(copy);  // before reading touches them
  QCOMPARE(readFile(copy), bytes);
  QCOMPARE(qint64(c.st_mtim.tv_sec), qint64(s.st_mtim.tv_sec));
  QCOMPARE(qint64(c.st_mtim.tv_nsec), qint64(s.st_mtim.tv_nsec));
  QCOMPARE(qint64(s.st_mtim.tv_sec), qint64(900000000));
  // The source's access time as it was before the copy read it.
  QCOMPARE(qint64(c.st_atim.tv_sec), qint64(1000000000));
  QCOMPARE(qint64(c.st_atim.tv_nsec), qint64(123456789));
}

void TstFiles::copyRawIntoFolderAndFailures_data() {
  QTest::addColumn<QString>("source");  // relative to the temporary folder
  QTest::addColumn<QString>("target");
  QTest::addColumn<bool>("ok");
  QTest::addColumn<QString>("error");  // with @ for the temporary folder
  QTest::addColumn<QString>("landed");

  QTest::newRow("into an existing folder") << "a.txt"
                                           << "out" << true << ""
                                           << "out/a.txt";
  QTest::newRow("to a file name") << "a.txt"
                                  << "out/b.txt" << true << ""
                                  << "out/b.txt";
  QTest::newRow("missing source") << "nope.txt"
                                  << "out" << false << "Grr cannot open file @/nope.txt"
                                  << "";
  QTest::newRow("source is a folder") << "out"
                                      << "copy" << false << "Grr cannot open file @/out"
                                      << "";
  QTest::newRow("target folder missing")
      << "a.txt"
      << "missing/b.txt" << false << "Grr cannot create file @/missing/b.txt"
      << "";
}

void TstFiles::copyRawIntoFolderAndFailures() {
  QFETCH(QString, source);
  QFETCH(QString, target);
  QFETCH(bool, ok);
  QFETCH(QString, error);
  QFETCH(QString, landed);
  QTemporaryDir tmp;
  QVERIFY(writeFile(tmp.filePath("a.txt"), "abc"));
  QVERIFY(QDir().mkpath(tmp.filePath("out")));

  QString got;
  QCOMPARE(CopyFileRaw(tmp.filePath(source), tmp.filePath(target), &got), ok);
  QCOMPARE(got, QString(error).replace('@', tmp.path()));
  if (ok) QCOMPARE(readFile(tmp.filePath(landed)), QByteArray("abc"));
}

void TstFiles::copyOntoItselfIsRefused() {
  QTemporaryDir tmp;
  const QString file = tmp.filePath("a.txt");
  QVERIFY(writeFile(file, "keep me"));
  QString error;
  QVERIFY(!CopyFileRaw(file, tmp.path(), &error));
  QCOMPARE(error, "Grr cannot create file " + file);
  QVERIFY(!CopyFileInto(file, tmp.path()));
  QCOMPARE(readFile(file), QByteArray("keep me"));
}

void TstFiles::unopenableTargetAsksRetry_data() {
  QTest::addColumn<QString>("answers");
  QTest::newRow("no") << "N";
  QTest::newRow("yes then no") << "YN";
  QTest::newRow("closed box") << " ";
}

void TstFiles::unopenableTargetAsksRetry() {
  QFETCH(QString, answers);
  QTemporaryDir tmp;
  const QString src = tmp.filePath("a.txt");
  QVERIFY(writeFile(src, "abc"));
  const QString target = tmp.filePath("out/a.txt");
  // Once all bytes are written, something running among the pending messages puts a
  // folder where the copy was, so the copy cannot be opened to set its times.
  ActingPrompter p;
  bool replaced = false;
  p.onProcessEvents = [&] {
    if (!replaced && QFileInfo(target).isFile() && QFileInfo(target).size() == 3) {
      replaced = QFile::remove(target) && blockWith(target);
    }
  };
  for (QChar a : answers)
    p.ask("Destination file open error \"" + target + " - retry?", a.toLatin1());

  QVERIFY(CopyFileInto(src, tmp.filePath("out")));

  QVERIFY(replaced);
  VERIFY_PROMPTS(p);
}

void TstFiles::folderCopyMakesFolderAndSkipsSubfolders() {
  QTemporaryDir tmp;
  const QString src = tmp.filePath("src");
  QVERIFY(QDir().mkpath(src + "/sub"));
  QVERIFY(writeFile(src + "/one.txt", "1"));
  QVERIFY(writeFile(src + "/.hidden", "h"));
  QVERIFY(writeFile(src + "/noext", "n"));
  QVERIFY(writeFile(src + "/sub/deep.txt", "d"));
  QVERIFY(ageFile(src + "/one.txt"));
  const QString target = tmp.filePath("a/b/dst");
  ScriptedPrompter p;
  p.info("Making directory " + target);

  QVERIFY(CopyFolderFiles(src, target));

  VERIFY_PROMPTS(p);
  QCOMPARE(
      QDir(target).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
      QStringList({".hidden", "noext", "one.txt"}));
  QCOMPARE(readFile(target + "/one.txt"), QByteArray("1"));
  QCOMPARE(qint64(statOf(target + "/one.txt").st_mtim.tv_sec), qint64(900000000));
  QCOMPARE(p.maxBusyDepth(), 1);
  QCOMPARE(BusyDepth(), 0);

  // An existing target folder is not announced.
  ScriptedPrompter again;
  QVERIFY(CopyFolderFiles(src + "/", target + "/"));
  VERIFY_PROMPTS(again);
}

void TstFiles::folderCopyRetryLoop_data() {
  QTest::addColumn<QStringList>("script");  // file name and answer, e.g. "a.txt:Y"
  QTest::addColumn<bool>("completed");
  QTest::addColumn<bool>("lastCopied");

  QTest::newRow("no skips each failing file") << QStringList{"a.txt:N", "b.txt:N"} << true << true;
  QTest::newRow("yes retries the same file")
      << QStringList{"a.txt:Y", "a.txt:Y", "a.txt:N", "b.txt:N"} << true << true;
  QTest::newRow("cancel stops the copy") << QStringList{"a.txt:N", "b.txt:C"} << false << false;
  QTest::newRow("cancel on the first file") << QStringList{"a.txt:C"} << false << false;
}

void TstFiles::folderCopyRetryLoop() {
  QFETCH(QStringList, script);
  QFETCH(bool, completed);
  QFETCH(bool, lastCopied);
  QTemporaryDir tmp;
  const QString src = tmp.filePath("src"), dst = tmp.filePath("dst");
  QVERIFY(QDir().mkpath(src));
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) QVERIFY(writeFile(src + '/' + name, name));
  // Folders nested under the names of a.txt and b.txt make both copies fail.
  QVERIFY(blockWith(dst + "/a.txt/a.txt"));
  QVERIFY(blockWith(dst + "/b.txt/b.txt"));
  ScriptedPrompter p;
  for (const QString& step : script)
    p.ask("File open error on " + step.section(':', 0, 0) + " - retry?",
          step.section(':', 1).at(0).toLatin1());

  QCOMPARE(CopyFolderFiles(src, dst), completed);

  VERIFY_PROMPTS(p);
  QCOMPARE(QFileInfo(dst + "/c.txt").isFile(), lastCopied);
  QCOMPARE(BusyDepth(), 0);
}

void TstFiles::folderCopyRetrySucceeds() {
  QTemporaryDir tmp;
  const QString src = tmp.filePath("src"), dst = tmp.filePath("dst");
  QVERIFY(QDir().mkpath(src));
  QVERIFY(writeFile(src + "/a.txt", "A"));
  QVERIFY(blockWith(dst + "/a.txt/a.txt"));
  ActingPrompter p;
  p.onAsk = [&](const QString&) { QDir(dst + "/a.txt").removeRecursively(); };
  p.yes("File open error on a.txt - retry?");

  QVERIFY(CopyFolderFiles(src, dst));

  VERIFY_PROMPTS(p);
  QCOMPARE(readFile(dst + "/a.txt"), QByteArray("A"));
}

void TstFiles::dosPacking_data() {
  QTest::addColumn<QDateTime>("local");
  QTest::addColumn<int>("packed");
  QTest::newRow("ordinary, odd second halved")
      << QDateTime(QDate(2024, 3, 5), QTime(13, 45, 59)) << int(0x58656DBD);
  QTest::newRow("first representable")
      << QDateTime(QDate(1980, 1, 1), QTime(0, 0, 0)) << int(0x00210000);
  QTest::newRow("last representable, high bit set")
      << QDateTime(QDate(2107, 12, 31), QTime(23, 59, 59)) << -6307971;
  QTest::newRow("before 1980") << QDateTime(QDate(1979, 12, 31), QTime(23, 59, 59)) << -1;
  QTest::newRow("after 2107") << QDateTime(QDate(2108, 1, 1), QTime(0, 0, 0)) << -1;
}

void TstFiles::dosPacking() {
  QFETCH(QDateTime, local);
  QFETCH(int, packed);
  QCOMPARE(PackDosDateTime(local), packed);
}

void TstFiles::creationStamp() {
  QTemporaryDir tmp;
  QCOMPARE(FileCreationStamp(tmp.path()), -1);
  QCOMPARE(FileCreationStamp(tmp.filePath("missing.txt")), -1);

  const QString file = tmp.filePath("new.txt");
  QVERIFY(writeFile(file, "x"));
  const uint32_t s = uint32_t(FileCreationStamp(file));
  QVERIFY(int32_t(s) != -1);
  const QDateTime stamped(QDate(1980 + (s >> 25), (s >> 21) & 15, (s >> 16) & 31),
                          QTime((s >> 11) & 31, (s >> 5) & 63, (s & 31) * 2));
  QVERIFY2(qAbs(stamped.secsTo(QDateTime::currentDateTime())) <= 5,
           qPrintable(stamped.toString(Qt::ISODate)));
}

QTEST_GUILESS_MAIN(TstFiles)
#include "tst_files.moc"
