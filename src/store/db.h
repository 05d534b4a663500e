#pragma once
// The one database connection and its one transaction. Every statement goes
// through these doors; user texts are always bound as parameters.
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVariantList>

// The fixed credentials of the books (embedded access ignores them; a server checks them).
inline constexpr const char* kDbUser = "SYSDBA";
inline constexpr const char* kDbPassword = "wemba38";

// Who a connection to location logs in as. Embedded books: the fixed pair. Books
// on a server: Firebird's own ISC_USER / ISC_PASSWORD when set, else ServerUser /
// ServerPassword of the books' settings file, else the fixed pair - a server
// shared with anything else must not need the fixed password.
struct TDbLogin {
  QString user;
  QString password;
};
TDbLogin DbLoginFor(const QString& location);

// Pages the engine keeps in memory for one set of books (8 KB each, so 128 MB
// at most, taken only as pages are read). The engine's own default holds a
// fifth of 100k-transaction books: rewriting a busy account's running balances
// then pushes out its own pages and reads them back, and the clean-up of the
// old row versions that follows runs from disk instead of memory. Stored in
// the file's header: new files get it, older local files on their next opening.
inline constexpr int kPageBuffers = 16384;

// Creates a new, empty database file (dialect 3, UTF8) at location, which is a
// file path (embedded) or "host:/path" (a server). Fails when the file exists.
// The file starts with forced writes off, for speed while its tables are made.
bool CreateDatabaseFile(const QString& location, QString& error);
// Switches forced writes on for a file CreateDatabaseFile made in this process
// (nothing for any other file). Closing the connection to it does this too.
bool SwitchOnForcedWrites(const QString& location);
// While held, a file CreateDatabaseFile made in this process that is closed and
// opened again (the upgrade's copy is taken between) is switched on for the
// copy and off again at the reopening, until SwitchOnForcedWrites.
void HoldNewFileUnforced(bool hold);
// Switches forced writes off for a copy this process made to fill before it
// replaces anything (nothing can be lost from it); closing the connection to it,
// or SwitchOnForcedWrites, switches them on again. Nothing for a server's file.
bool SwitchOffForcedWritesOfCopy(const QString& location);
// Gives a closed file CreateDatabaseFile made its final name in one step (replacing
// nothing: false when to exists), keeping what the process knows of it.
bool MoveNewDatabaseFile(const QString& from, const QString& to, QString& error);

// True when the engine (or the server) says the database file of location does
// not exist - not when it cannot be reached or refuses the login.
bool DatabaseFileMissing(const QString& location);

// Opens the connection to location (closing any open one first).
bool OpenConnection(const QString& location, QString& error);
void CloseConnection();
bool IsConnected();
QString ConnectionLocation();
// The page cache of the open connection, in pages (0 when none is open).
int ConnectionPageBuffers();
// Whether the open connection's file is written through to the disk at once.
bool ConnectionForcedWrites();

// The transaction shared by every read and write.
bool InTransaction();
bool StartTxIfNone();
bool CommitIfActive();
bool RollbackIfActive();
// Commits the work so far (the table views of older generations were closed here too).
bool CommitRetainingAndCloseTables();

// Runs one statement in the current transaction (started when none is open).
bool ExecSql(const QString& sql, const QVariantList& binds = {});
// Starts a transaction if none is open, runs the statement and commits.
bool ExecSqlCommitted(const QString& sql, const QVariantList& binds = {});

// One statement prepared once and run many times in the current transaction
// (started when none is open): bulk writes skip the engine's prepare per row.
class PreparedSql {
 public:
  explicit PreparedSql(const QString& sql);
  bool ok() const { return ok_; }
  bool exec(const QVariantList& binds);

 private:
  QString sql_;
  QSqlQuery q_;
  bool ok_ = false;
};

// Runs a query (forward only) in the current transaction if one is open,
// otherwise in a transaction of its own. ok tells whether it ran.
QSqlQuery RunQuery(const QString& sql, const QVariantList& binds = {}, bool* ok = nullptr);
// The first column of the first row, or fallback when there is none (or NULL).
QVariant QueryValue(const QString& sql, const QVariantList& binds = {},
                    const QVariant& fallback = QVariant());

// "select count(*) as ct from " + table [+ "\nwhere " + condition]; -1 on error.
int CountRows(const QString& table, const QString& condition = QString(),
              const QVariantList& binds = {});
int CountAll(const QString& table);

// The engine's text for the last failed statement (empty after a success).
QString LastDbError();

// While one of these lives, failed statements are not shown to the user (the
// caller reports them its own way); LastDbError still has the text.
class QuietDbErrors {
 public:
  QuietDbErrors();
  ~QuietDbErrors();
  QuietDbErrors(const QuietDbErrors&) = delete;
  QuietDbErrors& operator=(const QuietDbErrors&) = delete;

 private:
  bool previous_;
};
