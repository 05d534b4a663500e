// Books on a real Firebird server that this test starts itself: its own
// loopback port, configuration, security database and SYSDBA password, run as
// the firebird user when the test runs as root. vorbek-cli makes and uses the
// books there as it does embedded books, and the summaries must agree.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTemporaryDir>
#include <QtTest>

#include "foundation/texts.h"
#include "store/settings.h"
#include "support/books_fixture.h"
#include "support/cli_run.h"

namespace {

const QString kServerProgram = QStringLiteral("/usr/sbin/firebird");
const QString kIsql = QStringLiteral("/usr/bin/isql-fb");

// Sets (a null value: removes) environment variables for the commands run while it lives.
class ScopedEnv {
 public:
  ScopedEnv(const QList<QPair<QByteArray, QByteArray>>& values) {
    for (const auto& [name, value] : values) {
      saved_.append({name, qgetenv(name.constData()), qEnvironmentVariableIsSet(name.constData())});
      if (value.isNull())
        qunsetenv(name.constData());
      else
        qputenv(name.constData(), value);
    }
  }
  ~ScopedEnv() {
    for (const Saved& s : saved_) {
      if (s.was)
        qputenv(s.name.constData(), s.value);
      else
        qunsetenv(s.name.constData());
    }
  }

 private:
  struct Saved {
    QByteArray name, value;
    bool was;
  };
  QList<Saved> saved_;
};

// A loopback port: the free one the system gives (port 0), or whether port answers.
quint16 loopbackPort(quint16 port, bool connectTo) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return 0;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  quint16 result = 0;
  if (connectTo) {
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), size) == 0) result = port;
  } else if (::bind(fd, reinterpret_cast<sockaddr*>(&a), size) == 0 &&
             ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0) {
    result = ntohs(a.sin_port);
  }
  ::close(fd);
  return result;
}

// Every file (not folder) below dir.
QStringList filesBelow(const QString& dir) {
  QStringList files;
  QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) files << it.next();
  return files;
}

}  // namespace

class TstCliServer : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir root_;
  QProcess server_;
  quint16 port_ = 0;
  QString password_;
  QString serverUserError_;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
  bool asRoot_ = false;

  QString path(const QString& name) const { return root_.path() + "/" + name; }
  QString serverBooks(const QString& folder) const {
    return "localhost/" + QString::number(port_) + ":" + path(folder) + "/";
  }

  // A folder the server may write in.
  bool makeServerFolder(const QString& name) {
    if (!QDir().mkpath(path(name))) return false;
    return !asRoot_ || ::chown(qPrintable(path(name)), uid_, gid_) == 0;
  }

  // The server's programs run as the firebird user when the test is root.
  void runAsServerUser(QProcess& p, const QString& program, const QStringList& args) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("FIREBIRD", root_.path());
    env.insert("FIREBIRD_LOCK", path("lock"));
    env.insert("FIREBIRD_TMP", path("tmp"));
    env.remove("ISC_USER");
    env.remove("ISC_PASSWORD");
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (asRoot_)
      p.start("setpriv",
              QStringList{"--reuid", "firebird", "--regid", "firebird", "--init-groups", program} +
                  args);
    else
      p.start(program, args);
  }

  // The logins of the server: the user and password the commands pass on.
  ScopedEnv login(const QString& password, const QString& home) {
    return ScopedEnv({{"ISC_USER", "SYSDBA"},
                      {"ISC_PASSWORD", password.toUtf8()},
                      {"VORBEK_HOME", home.toUtf8()}});
  }

  // The same commands on embedded books and on server books.
  void addBooks(const QString& books) {
    RunCliOk({"account", "add", books, "--kind", "external", "--name", "Current", "--opening",
              "500.00"});                                                                 // #2
    RunCliOk({"account", "add", books, "--kind", "counterparty", "--name", "Landlord"});  // #3
    RunCliOk({"account", "add", books, "--kind", "category", "--name", "Housing"});       // #4
    RunCliOk({"account", "add", books, "--kind", "external", "--name", "Savings"});       // #5
    RunCliOk({"rebalance", books, "--from", "2024-01-01", "--to", "2024-06-30"});
    RunCliOk({"txn", "add", books, "--type", "R", "--date", "2024-01-05", "--amount", "2,000.00",
              "--ext", "2", "--cpty", "3", "--int", "4", "--desc", "Deposit back"});
    RunCliOk({"txn", "add", books, "--type", "C", "--date", "2024-02-10", "--amount", "300",
              "--ext", "2", "--to", "5"});
    RunCliOk({"repeater", "add", books, "--type", "P", "--amount", "750.00", "--from", "2", "--to",
              "4", "--cpty", "3", "--start", "2024-01-31", "--freq", "M", "--desc", "Rent"});
    RunCliOk({"rebalance", books});
  }

 private Q_SLOTS:
  void initTestCase() {
    if (qEnvironmentVariable("VORBEK_CLI").isEmpty()) QSKIP("VORBEK_CLI is set by CTest");
    QVERIFY2(QFileInfo(kServerProgram).isExecutable(),
             "no Firebird server at /usr/sbin/firebird: scripts/install-deps installs "
             "firebird3.0-server");
    QVERIFY2(QFileInfo(kIsql).isExecutable(),
             "no isql-fb: scripts/install-deps installs firebird3.0-utils");
    QVERIFY(root_.isValid());
    asRoot_ = ::geteuid() == 0;
    if (asRoot_) {
      const passwd* fb = ::getpwnam("firebird");
      QVERIFY2(fb, "no firebird user: the firebird3.0-server package makes it");
      uid_ = fb->pw_uid;
      gid_ = fb->pw_gid;
    }
    QVERIFY(::chmod(qPrintable(root_.path()), 0755) == 0);
    for (const char* f : {"lock", "tmp", "sec", "books", "taken", "spare"})
      QVERIFY2(makeServerFolder(f), f);

    port_ = loopbackPort(0, false);
    QVERIFY2(port_ > 0, "no free loopback port");
    password_ = "t" + QString::number(QRandomGenerator::global()->generate(), 16);
    const QString security = path("sec/security3.fdb");
    QFile conf(path("firebird.conf"));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write(QString("RemoteServicePort = %1\nRemoteBindAddress = 127.0.0.1\n"
                       "SecurityDatabase = %2\n")
                   .arg(port_)
                   .arg(security)
                   .toUtf8());
    conf.close();

    // Its own security database, holding only SYSDBA with this run's password.
    QProcess isql;
    runAsServerUser(isql, kIsql, {"-q"});
    isql.write(QString("create database '%1' user 'SYSDBA';\n"
                       "create user SYSDBA password '%2';\ncommit;\nexit;\n")
                   .arg(security, password_)
                   .toUtf8());
    isql.closeWriteChannel();
    QVERIFY2(isql.waitForFinished(30000), "isql-fb did not finish");
    const QString made = QString::fromUtf8(isql.readAll());
    QVERIFY2(isql.exitCode() == 0 && QFile::exists(security),
             qPrintable("the security database was not made: " + made));

    runAsServerUser(server_, kServerProgram, {});
    QVERIFY2(server_.waitForStarted(10000),
             qPrintable("the server did not start: " + server_.errorString()));
    QElapsedTimer waited;
    waited.start();
    for (;;) {
      if (loopbackPort(port_, true) == port_) break;
      if (server_.state() != QProcess::Running || waited.elapsed() > 20000) {
        server_.kill();
        server_.waitForFinished(2000);
        QFAIL(qPrintable("the Firebird server does not listen on port " + QString::number(port_) +
                         ": " + QString::fromUtf8(server_.readAll())));
      }
      QTest::qWait(100);
    }
  }

  void cleanupTestCase() {
    if (server_.state() == QProcess::NotRunning) return;
    // A stop request may take the server a while; it holds nothing to keep.
    server_.terminate();
    if (!server_.waitForFinished(3000)) {
      server_.kill();
      server_.waitForFinished(5000);
    }
  }

  // Made, filled and rebalanced on the server, the books sum as embedded books do;
  // their settings live below the program folder, found again by a second machine.
  void serverBooksAgreeWithEmbedded() {
    const QString embedded = path("embedded/");
    const QString server = serverBooks("books");
    const ScopedEnv env = login(password_, path("home"));
    RunCliOk({"create", embedded, "--base", "GBP"});
    QCOMPARE(RunCliOk({"create", server, "--base", "GBP"}).out,
             "Created " + server +
                 "vorbek.fdb (schema version 34, base currency GBP, default pot "
                 "#1)\n");
    SetProgramFolder(path("home"));
    const QString ini = DatabaseIniPath(server);
    QCOMPARE(ini, path("home/servers/localhost%2F") + QString::number(port_) + "/" +
                      QUrl::toPercentEncoding(path("books")) + "/ZADEZEVU.INI");
    QCOMPARE(BooksIniValue(ini, "BaseCurrency"), QStringLiteral("GBP"));
    QCOMPARE(BooksIniValue(ini, "DefaultPotId"), QStringLiteral("1"));
    QVERIFY(!QFile::exists(path("books/ZADEZEVU.INI")));  // nothing local beside the server's file

    addBooks(embedded);
    addBooks(server);
    const QString sums = RunCliOk({"--csv", "balances", embedded}).out;
    QVERIFY2(sums.contains("\n2,Current,,external,GBP,A,500.00,0.00,-3750.00,2000.00,-300.00,"
                           "-1550.00\n"),
             qPrintable(sums));
    QCOMPARE(RunCliOk({"--csv", "balances", server}).out, sums);
    QCOMPARE(RunCliOk({"--csv", "repeater", "list", server}).out,
             RunCliOk({"--csv", "repeater", "list", embedded}).out);
    QCOMPARE(RunCliOk({"--csv", "statement", server, "2"}).out,
             RunCliOk({"--csv", "statement", embedded, "2"}).out);

    // Another machine: no settings of these books yet; the books tell their facts.
    const ScopedEnv second({{"VORBEK_HOME", path("home2").toUtf8()}});
    const CliRun info = RunCliOk({"--csv", "info", server});
    QVERIFY2(info.out.contains("Base currency,GBP\n") && info.out.contains("Transactions,8\n"),
             qPrintable(info.out));
    QVERIFY2(info.err.contains("\" was missing - base currency GBP and default pot #1 were taken "
                               "from the database"),
             qPrintable(info.err));
    QVERIFY(QFileInfo(path("home2/servers")).isDir());
    QVERIFY(RunCliOk({"txn", "add", server, "--type", "P", "--date", "2024-06-01", "--amount", "1",
                      "--ext", "2", "--cpty", "3", "--int", "4"})
                .out.contains("Added txn #9"));

    // Without Firebird's variables the login comes from the settings file, and stays there.
    SetProgramFolder(path("home2"));
    const QString ini2 = DatabaseIniPath(server);
    const ScopedEnv noVariables({{"ISC_USER", QByteArray()}, {"ISC_PASSWORD", QByteArray()}});
    QVERIFY(RunCli({"info", server}).err.contains("(user SYSDBA)"));  // the fixed pair: refused
    SetBooksIniKey(ini2, "ServerUser", "SYSDBA");
    SetBooksIniKey(ini2, "ServerPassword", password_);
    RunCliOk({"rebalance", server});
    QCOMPARE(BooksIniValue(ini2, "ServerPassword"), password_);
  }

  // What a server or a name refuses: the engine's words (and the user tried, never
  // the password), nothing kept on this machine but the settings folder.
  void refusals_data() {
    QTest::addColumn<QString>("books");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("words");
    QTest::addRow("wrong password") << "books"
                                    << "not-it"
                                    << "Your user name and password are not defined";
    QTest::addRow("no books there") << "missing"
                                    << ""
                                    << "No such file or directory";
    QTest::addRow("no server on the port")
        << "port"
        << ""
        << "Unable to complete network request to host \"localhost\"";
    QTest::addRow("host alone") << "host:"
                                << ""
                                << "Invalid database name \"host:\" - books on a server are named "
                                   "host:/folder/ or host/port:/folder/";
    QTest::addRow("no host") << ":/x"
                             << ""
                             << "Invalid database name \":/x/\"";
    QTest::addRow("no path") << "localhost:books"
                             << ""
                             << "Invalid database name";
    QTest::addRow("port not a number") << "localhost/x1:/b"
                                       << ""
                                       << "Invalid database name";
  }
  void refusals() {
    QFETCH(QString, books);
    QFETCH(QString, password);
    QFETCH(QString, words);
    const QString home = path("refused-" + QString(QTest::currentDataTag()).replace(' ', '-'));
    QString name = books;
    if (books == "books" || books == "missing") name = serverBooks(books);
    if (books == "port") name = "localhost/1:" + path("books") + "/";
    const ScopedEnv env = login(password.isEmpty() ? password_ : password, home);
    const CliRun r = RunCli({"info", name});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(words), qPrintable(r.err));
    if (books == "books") {
      QVERIFY2(r.err.contains("(user SYSDBA)"), qPrintable(r.err));
      QVERIFY(!r.err.contains(password));
    }
    QCOMPARE(filesBelow(home), QStringList());
    // Creating is refused the same way, before any connection for a bad name.
    const CliRun c = RunCli({"create", name, "--base", "GBP"});
    QCOMPARE(c.code, 1);
    if (books != "missing") QVERIFY2(c.err.contains(words), qPrintable(c.err));
  }

  // A second attachment to the same books: asked, then frozen or not opened;
  // the frozen flag of the settings file is left as it was. The archive copies
  // the file, which a server's books are not: refused before anything changes.
  void anotherAttachmentAndArchive() {
    const QString server = serverBooks("taken");
    const ScopedEnv env = login(password_, path("home"));
    RunCliOk({"create", server, "--base", "EUR"});
    RunCliOk({"account", "add", server, "--kind", "external", "--name", "Cash"});      // #2
    RunCliOk({"account", "add", server, "--kind", "counterparty", "--name", "Shop"});  // #3
    RunCliOk({"account", "add", server, "--kind", "category", "--name", "Food"});      // #4
    const QStringList pay{"txn",    "add",        server,     "--type", "P",
                          "--date", "2024-03-01", "--amount", "9.99",   "--ext",
                          "2",      "--cpty",     "3",        "--int",  "4"};
    SetProgramFolder(path("home"));
    const QString ini = DatabaseIniPath(server);
    QCOMPARE(BooksIniValue(ini, "DBFrozen"), QStringLiteral("0"));

    const CliRun archive = RunCli({"--yes", "archive", server, "--date", "2024-01-31"});
    QCOMPARE(archive.code, 1);
    QVERIFY2(archive.err.contains("Cannot archive - the books are on a server (" + server +
                                  "), where vorbek.fdb cannot be copied as a file; back them up "
                                  "on the server (gbak)"),
             qPrintable(archive.err));
    QVERIFY(!QFileInfo::exists(path("home/ARCHIVE")));
    // The healthcheck's backup is a file copy too.
    const CliRun check = RunCli({"check", server, "--backup"});
    QCOMPARE(check.code, 4);
    QVERIFY2(check.err.contains("Cannot make a backup copy - the books are on a server (" + server +
                                ")"),
             qPrintable(check.err));

    {
      QSqlDatabase other = QSqlDatabase::addDatabase("QIBASE", "other");
      other.setDatabaseName(server + "vorbek.fdb");
      other.setUserName("SYSDBA");
      other.setPassword(password_);
      QVERIFY2(other.open(), qPrintable(other.lastError().text()));
      const QString question =
          "These books are open on another machine (127.0.0.1) - open read-only?";
      const CliRun no = RunCli({"--no", "info", server});
      QCOMPARE(no.code, 1);
      QVERIFY2(no.err.contains(question + " [no]"), qPrintable(no.err));
      const CliRun frozen = RunCli(QStringList{"--yes"} + pay);
      QCOMPARE(frozen.code, 1);
      QVERIFY2(frozen.err.contains(question + " [yes]") &&
                   frozen.err.contains("Cannot enter new transactions, database is frozen"),
               qPrintable(frozen.err));
      QVERIFY(RunCliOk({"--yes", "--csv", "info", server}).out.contains("Transactions,0\n"));
      other.close();
    }
    QSqlDatabase::removeDatabase("other");
    QCOMPARE(BooksIniValue(ini, "DBFrozen"), QStringLiteral("0"));
    QCOMPARE(RunCliOk(pay).out, QStringLiteral("Added txn #1\n"));
  }
};

QTEST_GUILESS_MAIN(TstCliServer)
#include "tst_cli_server.moc"
