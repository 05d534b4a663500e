// The single-instance lock, in process and with the real program started twice.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "shell/instance_lock.h"
#include "store/inifile.h"
#include "support/books_fixture.h"

namespace {

// Whether another process holds the lock on path (tried without waiting).
bool lockHeldElsewhere(const QString& path) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
  ::close(fd);
  return held;
}

QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestInstanceLock : public QObject {
  Q_OBJECT

  QString app_;

  void startApp(QProcess& proc, const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VORBEK_MESSAGES", "stderr");  // nobody is there to answer a box
    env.remove("VORBEK_HOME");
    proc.setProcessEnvironment(env);
    proc.start(app_, {"--home", home});
  }

 private Q_SLOTS:
  void initTestCase() { app_ = qEnvironmentVariable("VORBEK_APP"); }

  void lockFileMadeAndHeld() {
    QTemporaryDir dir;
    const QString path = dir.path() + "/LOCK.TXT";
    QString error;
    QCOMPARE(TakeInstanceLock(path, "vorbek", error), LockResult::Taken);
    QCOMPARE(readAll(path),
             QByteArray("This file LOCK.TXT is used to prevent multiple instances of program "
                        "\"vorbek\" running on your PC.\r\n"
                        "If the file is absent it will be created automatically."));
    QVERIFY(lockHeldElsewhere(path));
    ReleaseInstanceLock();
    QVERIFY(!lockHeldElsewhere(path));

    // An existing file is used as it is.
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("mine");
    f.close();
    QCOMPARE(TakeInstanceLock(path, "vorbek", error), LockResult::Taken);
    QCOMPARE(readAll(path), QByteArray("mine"));
    ReleaseInstanceLock();
  }

  void lockFolderMissing() {
    QString error;
    QCOMPARE(TakeInstanceLock("/nonexistent-folder/LOCK.TXT", "vorbek", error), LockResult::Failed);
    QVERIFY(error.startsWith("Cannot open \"/nonexistent-folder/LOCK.TXT\""));
  }

  // A second copy from the same program folder says so and ends at once, leaving
  // every file alone; a copy that was killed leaves nothing behind that blocks the
  // next start, and a deleted LOCK.TXT is made again.
  void realProgramTwice() {
    if (app_.isEmpty()) QSKIP("the vorbek program is not built");
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QString data = home.path() + "/data/";
    QVERIFY(QDir().mkpath(data));
    QString error;
    QVERIFY2(CopyBooks(BooksTemplateFolder(), data, &error), qPrintable(error));
    const QString programIni = home.path() + "/VORBEK2.INI";
    {
      IniFile ini(programIni);
      ini.writeString("main", "DB00", data + "vorbek.fdb");
      ini.writeInteger("main", "WHICHDB", 0);
      QVERIFY(ini.save());
    }
    const QString lock = home.path() + "/LOCK.TXT";
    const QString booksIni = data + "ZADEZEVU.INI";

    QProcess first;
    startApp(first, home.path());
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(lockHeldElsewhere(lock), 20000);
    QTest::qWait(1000);  // let it settle into its message loop
    QCOMPARE(first.state(), QProcess::Running);

    const QByteArray programIniBefore = FileFingerprint(programIni);
    const QByteArray booksIniBefore = FileFingerprint(booksIni);
    const QByteArray lockBefore = FileFingerprint(lock);
    const QStringList filesBefore = QDir(home.path()).entryList(QDir::Files);
    QProcess second;
    QElapsedTimer t;
    t.start();
    startApp(second, home.path());
    QVERIFY(second.waitForFinished(15000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 1);
    QVERIFY(QString::fromUtf8(second.readAllStandardError())
                .contains("Program \"vorbek\" is already running"));
    QCOMPARE(FileFingerprint(programIni), programIniBefore);
    QCOMPARE(FileFingerprint(booksIni), booksIniBefore);
    QCOMPARE(FileFingerprint(lock), lockBefore);
    QCOMPARE(QDir(home.path()).entryList(QDir::Files), filesBefore);
    QCOMPARE(first.state(), QProcess::Running);

    // Ended the ordinary way (as at logout), the first copy saves both files.
    first.terminate();
    QVERIFY(first.waitForFinished(20000));
    QCOMPARE(first.exitStatus(), QProcess::NormalExit);
    QCOMPARE(first.exitCode(), 0);
    QVERIFY(FileFingerprint(programIni) != programIniBefore);
    QVERIFY(FileFingerprint(booksIni) != booksIniBefore);
    QVERIFY(!lockHeldElsewhere(lock));

    // Killed outright, a copy still lets the next one start.
    QProcess crashed;
    startApp(crashed, home.path());
    QTRY_VERIFY_WITH_TIMEOUT(lockHeldElsewhere(lock), 20000);
    crashed.kill();
    QVERIFY(crashed.waitForFinished(10000));
    QVERIFY(QFile::remove(lock));
    QProcess next;
    startApp(next, home.path());
    QTRY_VERIFY_WITH_TIMEOUT(lockHeldElsewhere(lock), 20000);
    QVERIFY(readAll(lock).startsWith("This file LOCK.TXT is used to prevent"));
    next.terminate();
    QVERIFY(next.waitForFinished(20000));
  }
};

QTEST_MAIN(TestInstanceLock)
#include "tst_instance_lock.moc"
