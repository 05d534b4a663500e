#include "converter/conversion.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QVariant>
#include <atomic>
#include <cstring>
#include <memory>
#include <optional>

#include "converter/paradox_reader.h"
#include "foundation/dates.h"
#include "foundation/files.h"
#include "foundation/interruption.h"
#include "foundation/messages.h"
#include "foundation/texts.h"
#include "shell/startup.h"
#include "store/db.h"
#include "store/inifile.h"
#include "store/schema.h"
#include "store/settings.h"

namespace {

using K = TColumnKind;

std::atomic<int> g_stopSignal{0};

bool kindAccepts(TColumnKind kind, TPxType type) {
  switch (kind) {
    case K::Integer:
    case K::Amount:
    case K::BaseKind:
    case K::GroupFlag:
      return type == TPxType::Short || type == TPxType::Long || type == TPxType::AutoInc ||
             type == TPxType::Number || type == TPxType::Currency;
    case K::Text:
      return type == TPxType::Alpha || type == TPxType::Memo || type == TPxType::FmtMemo;
    case K::Logical:
      return type == TPxType::Logical;
    case K::Stamp:
      return type == TPxType::Timestamp || type == TPxType::Date;
    case K::DateText:
      return type == TPxType::Alpha || type == TPxType::Date;
    case K::Fixed:
      return true;
  }
  return false;
}

// One source table, checked and ready: the field index of every mapped column.
struct TPreparedTable {
  const TTableMap* map = nullptr;
  std::unique_ptr<TParadoxTable> table;
  std::vector<int> fieldOf;  // per column; -1 for fixed values
  QString insertSql;
  QString blockSql;  // kBlockRows rows in one statement
};

// Rows written per statement: one engine call for a block of rows saves most
// of the per-statement cost of a row-by-row insert.
constexpr int kBlockRows = 32;

bool prepareTable(const QString& sourceFolder, const TTableMap& map, TPreparedTable& out,
                  QString& error) {
  const QString path = FindFileIgnoringCase(sourceFolder, QLatin1String(map.sourceFile));
  if (path.isEmpty()) {
    error = "Table " + QLatin1String(map.sourceFile) + " not found in " + sourceFolder;
    return false;
  }
  out.map = &map;
  out.table = std::make_unique<TParadoxTable>();
  if (!out.table->open(path, error)) return false;
  QStringList columns;
  QStringList marks;
  for (const TColumnMap& c : map.columns) {
    int field = -1;
    if (c.kind != K::Fixed) {
      field = out.table->fieldIndex(QLatin1String(c.source));
      if (field < 0) {
        error = QLatin1String(map.shownName) + " has no field " + QLatin1String(c.source);
        return false;
      }
      if (!kindAccepts(c.kind, out.table->fields()[field].type)) {
        error = QLatin1String(map.shownName) + " field " + out.table->fields()[field].name +
                " has an unexpected type";
        return false;
      }
    }
    out.fieldOf.push_back(field);
    columns << QLatin1String(c.target);
    marks << QStringLiteral("?");
  }
  out.insertSql = "insert into " + QLatin1String(map.target) + " (" + columns.join(", ") +
                  ") values (" + marks.join(", ") + ")";
  QStringList params;
  QString body;
  for (int r = 0; r < kBlockRows; ++r) {
    QStringList names;
    for (int c = 0; c < columns.size(); ++c) {
      const QString name = QStringLiteral("r%1c%2").arg(r).arg(c);
      params << name + " TYPE OF COLUMN " + QLatin1String(map.target) + "." + columns[c] + " = ?";
      names << ":" + name;
    }
    body += "insert into " + QLatin1String(map.target) + " (" + columns.join(", ") + ") values (" +
            names.join(", ") + "); ";
  }
  out.blockSql = "EXECUTE BLOCK (" + params.join(", ") + ") AS BEGIN " + body + "END";
  return true;
}

// Inserts the rows of one table a block at a time. A block that fails, and the
// last rows that do not fill one, go in row by row, so a refused row is named
// as it would be alone.
class TTableWriter {
 public:
  explicit TTableWriter(const TPreparedTable& t) : table_(t), single_(t.insertSql) {}
  bool ok() const { return single_.ok(); }
  // Keeps the values of the given row (numbered from 0); false with failedRow set
  // when a row was refused.
  bool add(const QVariantList& values, int row, int& failedRow) {
    if (pendingRows_ == 0) firstRow_ = row;
    pending_ += values;
    return ++pendingRows_ < kBlockRows || flush(failedRow);
  }
  bool flush(int& failedRow) {
    if (pendingRows_ == 0) return true;
    if (pendingRows_ == kBlockRows) {
      if (!block_) block_.emplace(table_.blockSql);
      if (block_->ok() && block_->exec(pending_)) return clear();
    }
    const int columns = int(pending_.size()) / pendingRows_;
    for (int r = 0; r < pendingRows_; ++r)
      if (!single_.exec(pending_.mid(r * columns, columns))) {
        failedRow = firstRow_ + r;
        return false;
      }
    return clear();
  }

 private:
  bool clear() {
    pending_.clear();
    pendingRows_ = 0;
    return true;
  }
  const TPreparedTable& table_;
  PreparedSql single_;
  std::optional<PreparedSql> block_;  // prepared at the first full block
  QVariantList pending_;
  int pendingRows_ = 0;
  int firstRow_ = 0;
};

// The target values of the selected row, in column order.
bool rowValues(const TPreparedTable& t, QVariantList& values, QString& error) {
  values.clear();
  const TParadoxTable& table = *t.table;
  for (size_t i = 0; i < t.map->columns.size(); ++i) {
    const TColumnMap& c = t.map->columns[i];
    const int field = t.fieldOf[i];
    switch (c.kind) {
      case K::Fixed:
        values << c.fixed;
        break;
      case K::Integer:
      case K::BaseKind:
      case K::GroupFlag: {
        int64_t v = 0;
        if (!table.integerValue(field, v, error)) return false;
        if (v < INT32_MIN || v > INT32_MAX) {
          error = "field " + table.fields()[field].name + " holds " + QString::number(v) +
                  ", too large";
          return false;
        }
        if (c.kind == K::BaseKind)
          values << BaseKindOfOldType(int(v));
        else if (c.kind == K::GroupFlag)
          values << GroupFlagOfOldType(int(v));
        else
          values << int(v);
        break;
      }
      case K::Amount: {
        int64_t v = 0;
        if (!table.integerValue(field, v, error)) return false;
        values << qlonglong(v);
        break;
      }
      case K::Text: {
        QString s;
        if (!table.textValue(field, s, error)) return false;
        values << s;
        break;
      }
      case K::Logical:
        values << (table.logicalValue(field) ? 1 : 0);
        break;
      case K::Stamp: {
        QDateTime stamp;
        if (!table.stampValue(field, stamp, error)) return false;
        values << (stamp.isValid() ? QVariant(stamp) : QVariant(QMetaType::fromType<QDateTime>()));
        break;
      }
      case K::DateText: {
        int32_t ymd = 0;
        if (table.fields()[field].type == TPxType::Date) {
          if (!table.dateValue(field, ymd, error)) return false;
        } else {
          QString s;
          if (!table.textValue(field, s, error)) return false;
          ymd = DateTextToNumberSilently(s);
        }
        values << ymd;
        break;
      }
    }
  }
  return true;
}

// ---- The settings file ---------------------------------------------------------------

// The old program wrote its settings in the Windows code page; the new one reads
// UTF-8 (and takes anything that is not UTF-8 for Latin-1, which would turn the
// dash and the euro sign into control characters). A file that is UTF-8 already
// is kept as it is.
QByteArray settingsAsUtf8(const QByteArray& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  const QString decoded = utf8.decode(bytes);  // only to learn whether it is UTF-8
  if (!utf8.hasError()) return bytes;
  return TCodePageText(1252).decode(bytes.constData(), int(bytes.size())).toUtf8();
}

// The converter's own file copy: the text (as the new program reads it), then the
// source's modification time. Its failures are shown in plain boxes; a time that
// cannot be set is only reported.
bool copySettingsFile(const QString& source, const QString& target, const QString& shownTarget) {
  const QString shownSource = source.isEmpty() ? QLatin1String(kDatabaseIniName) : source;
  QFile in;
  qint64 size = 0;
  QString error;
  if (source.isEmpty() || !OpenRegularFile(source, in, size, error)) {
    ShowPlainInfo("Cannot copy " + shownSource + " - file in use or not found ");
    return false;
  }
  const QByteArray bytes = settingsAsUtf8(in.read(size));
  struct stat st {};
  const bool haveTimes = ::fstat(in.handle(), &st) == 0;
  in.close();
  QDir().mkpath(QFileInfo(target).path());
  QFile out(target);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size() ||
      !out.flush()) {
    ShowPlainInfo("cy_file fileopen error on target file " + shownTarget);
    return false;
  }
  out.close();
  if (haveTimes) {
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::utimensat(AT_FDCWD, QFile::encodeName(target).constData(), times, 0) != 0)
      ShowPlainInfo("cy_file filesetdate error" + QString::number(errno));
  }
  return true;
}

QString unchanged() { return QStringLiteral("\rThe target has not been changed."); }

// The files a conversion is made in, beside the target's own: they take the
// target's names only when whole, so a conversion that dies part-way leaves the
// target as it was, and these behind.
QString workName(const QString& path) { return path + QStringLiteral(".converting"); }
QStringList workFiles(const QString& target) {
  const QString db = workName(target + QLatin1String(kDatabaseFileName));
  const QString ini = workName(target + QLatin1String(kDatabaseIniName));
  return {db, db + QStringLiteral(".part"), ini};
}

bool syncFolder(const QString& path) {
  const int dir = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY);
  if (dir < 0) return false;
  const bool ok = ::fsync(dir) == 0;
  ::close(dir);
  return ok;
}

// Flushes from to the disk, then gives it to's name in one step.
bool moveOver(const QString& from, const QString& to, QString& error) {
  const int fd = ::open(QFile::encodeName(from).constData(), O_RDWR);
  const bool synced = fd >= 0 && ::fsync(fd) == 0;
  if (fd >= 0) ::close(fd);
  if (!synced ||
      ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
    error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
  }
  syncFolder(to);
  return true;
}

QString stopped() { return "Conversion stopped" + unchanged(); }

// The active indexes of the converted tables that refuse no row: neither unique
// nor a constraint's. Kept up to date row by row they cost more than the rows
// themselves, so they are switched off while the rows go in and built once
// from the whole tables afterwards; the unique ones stay on to refuse a row
// as it comes.
bool plainIndexes(QStringList& names) {
  QStringList marks;
  QVariantList tables;
  for (const TTableMap& map : ConvertedTables()) {
    marks << QStringLiteral("?");
    tables << QString::fromLatin1(map.target);
  }
  bool ok = false;
  QSqlQuery q = RunQuery(
      "select trim(i.rdb$index_name) from rdb$indices i where i.rdb$relation_name in (" +
          marks.join(", ") +
          ") and coalesce(i.rdb$index_inactive, 0) = 0 and coalesce(i.rdb$unique_flag, 0) = 0 "
          "and coalesce(i.rdb$system_flag, 0) = 0 and not exists (select 1 from "
          "rdb$relation_constraints c where c.rdb$index_name = i.rdb$index_name) "
          "order by i.rdb$index_name",
      tables, &ok);
  names.clear();
  while (ok && q.next()) names << q.value(0).toString();
  return ok;
}

// Switches the indexes named off or on, in a transaction of their own: an
// index switched off within the transaction that writes the rows would still
// be kept up to date by it.
bool switchIndexes(const QStringList& names, bool on) {
  for (const QString& name : names) {
    QString quoted = name;
    quoted.replace('"', QStringLiteral("\"\""));
    if (!ExecSql("alter index \"" + quoted + (on ? "\" active" : "\" inactive"))) return false;
  }
  return CommitIfActive();
}

}  // namespace

const std::vector<TTableMap>& ConvertedTables() {
  static const std::vector<TTableMap> tables = {
      {"obj.DB",
       "ACCOUNT",
       "OBJ.DB",
       {{"ID", "Id", K::Integer},
        {"NAME", "Name", K::Text},
        {"NOTE", "Note", K::Text},
        {"TYPE2", "Type", K::Integer},
        {"BTYPE", "Type", K::BaseKind},
        {"ISGRP", "Type", K::GroupFlag},
        {"GRPID", "Grpid", K::Integer},
        {"RECONCILED", "Reconciled", K::Text},
        {"RPRTS", "Rprts", K::Stamp},
        {"POTTYPE", "PotType", K::Integer},
        {"BFDBAL", "BfdBal", K::Amount},
        {"SWEEPTO", "Sweepto", K::Integer},
        {"RECTS", "RecTs", K::Stamp},
        {"ACCWITH", "AccWith", K::Integer},
        {"PAYERDFTPOT", "PayerDftPot", K::Integer},
        {"PAYEEDFTPOT", "PayeeDftPot", K::Integer},
        {"ACSTS", "AcSts", K::Integer},
        {"CLOSEDATE", "CloseDate", K::Integer},
        {"CREATETS", "CreateTS", K::Stamp},
        {"EDITTS", "EditTS", K::Stamp},
        {"DESIG", "Desig", K::Text},
        {"DORMANT", "Dormant", K::Logical},
        {"ALLOWNEGBAL", "AllowNegBal", K::Logical},
        {"ALLOWPOSBAL", "AllowPosBal", K::Logical},
        {"CPTYPAYS", "CptyPays", K::Logical},
        {"CPTYRCVS", "CptyRcvs", K::Logical},
        {"DMTLOCK", "DmtLock", K::Logical},
        {"FAV", "fav", K::Logical},
        {"VN", nullptr, K::Fixed, 1}}},
      {"txn.DB",
       "TXN",
       "TXN.DB",
       {{"ID", "Id", K::Integer},
        {"INSTANCE", "Instance", K::Integer},
        {"TXNDATE", "Txndate", K::DateText},
        {"DATE2", "Date2", K::DateText},
        {"AMT", "Amt", K::Amount},
        {"\"type\"", "Type", K::Text},
        {"REF", "Ref", K::Text},
        {"NARRATIVE", "Narrative", K::Text},
        {"CANCELLED", "Cancelled", K::Logical},
        {"RPRTS", "RprTs", K::Stamp},
        {"ACCID1", "Accid1", K::Integer},
        {"ACCID2", "Accid2", K::Integer},
        {"ACCID3", "Accid3", K::Integer},
        {"ACCID4", "Accid4", K::Integer},
        {"CREATETS", "CreateTS", K::Stamp},
        {"EDITTS", "EditTS", K::Stamp},
        {"MASTERID", "Masterid", K::Integer},
        {"DPDATE", "DpDate", K::Logical},
        {"CHNUM", "chnum", K::Integer},
        {"ACTUALTXNDATE", nullptr, K::Fixed, 0}}},
      {"pstg.DB",
       "PSTG",
       "PSTG.DB",
       {{"TXNID", "Txnid", K::Integer},
        {"OBJID", "Objid", K::Integer},
        {"AMT", "Amt", K::Amount},
        {"RECAMT", "Recamt", K::Amount},
        {"CONTRA", "Contra", K::Integer},
        {"PSTGDATE", "PstgDate", K::DateText},
        {"RECONCODE", "Reconcode", K::Integer},
        {"RNGBAL", "RngBal", K::Amount},
        {"RPRTS", "Rprts", K::Stamp},
        {"TXNTYPE", "TxnType", K::Text},
        {"DPPSTGDATE", "DpPstgDate", K::Logical},
        {"DPRNGBAL", "DpRngBal", K::Logical},
        {"CHNUM", "chnum", K::Integer}}},
      {"rptr.DB",
       "RPTR",
       "RPTR.DB",
       {{"ID", "Id", K::Integer},
        {"STARTDATE", "StartDate", K::Integer},
        {"ENDDATE", "EndDate", K::Integer},
        {"FREQ", "Freq", K::Text},
        {"AMT", "Amt", K::Amount},
        {"\"type\"", "Type", K::Text},
        {"REF", "Ref", K::Text},
        {"NARRATIVE", "Narrative", K::Text},
        {"RPTACTIVE", "RptActive", K::Logical},
        {"GENTO", "Gento", K::Integer},
        {"RPTINC", "Rptinc", K::Integer},
        {"RPTCT", "RptCt", K::Integer},
        {"RPRTS", "RprTs", K::Stamp},
        {"ACCID1", "Accid1", K::Integer},
        {"ACCID2", "Accid2", K::Integer},
        {"ACCID3", "Accid3", K::Integer},
        {"CREATETS", "CreateTS", K::Stamp},
        {"EDITTS", "EditTS", K::Stamp},
        {"ACCID4", "Accid4", K::Integer},
        {"RMDAYS", "Rmdays", K::Integer},
        {"CHNUM", "chnum", K::Integer}}},
      {"CPTYPOT.DB",
       "CPTYCTGY",
       "CPTYPOT.DB",
       {{"CPTYID", "Cptyid", K::Integer},
        {"CTGYID", "Potid", K::Integer},
        {"PURCHSALE", "Purchsale", K::Text},
        {"HIDDEN", "Hidden", K::Logical},
        {"RPRTS", "Rprts", K::Stamp}}},
      {"channel.DB",
       "CHANNEL",
       "CHANNEL.DB",
       {{"CHNUM", "Chnum", K::Integer},
        {"ACCID", "AccId", K::Integer},
        {"CHNAME", "ChName", K::Text},
        {"CHNOTE", "ChNote", K::Text},
        {"CHSTS", "ChSts", K::Integer}}},
      {"REMDR.DB",
       "REMDR",
       "REMDR.DB",
       {{"ID", "Id", K::Integer},
        {"TXNID", "Txnid", K::Integer},
        {"TEXT", "Text", K::Text},
        {"RMDATE", "Rmdate", K::Integer},
        {"TGDATE", "Tgdate", K::Integer}}},
  };
  return tables;
}

const QStringList& EmptiedTables() {
  static const QStringList tables = {
      QStringLiteral("ACCOUNT"), QStringLiteral("TXN"),      QStringLiteral("PSTG"),
      QStringLiteral("RPTR"),    QStringLiteral("CPTYCTGY"), QStringLiteral("CHANNEL"),
      QStringLiteral("REMDR"),   QStringLiteral("MOVTA"),    QStringLiteral("MOVTB"),
      QStringLiteral("MOVTC"),   QStringLiteral("MOVTD"),    QStringLiteral("MOVTE"),
      QStringLiteral("MOVTS"),   QStringLiteral("MTHLY")};
  return tables;
}

int BaseKindOfOldType(int type) {
  switch (type) {
    case 7:
      return 6;
    case 8:
      return 1;
    case 9:
      return 4;
    case 10:
      return 3;
    default:
      return type;
  }
}

int GroupFlagOfOldType(int type) { return type >= 7 && type <= 10 ? 1 : 0; }

int32_t DateTextToNumberSilently(const QString& text) {
  return DateRecToYmd(ParseDateTextOrZero(text));
}

int TargetSchemaVersion(const QString& dataFolder) {
  const IniFile ini(WithTrailingSeparator(dataFolder) + QLatin1String(kDatabaseIniName));
  return ini.readInteger(QLatin1String(kIniSection), QStringLiteral("DBvn"), 0);
}

QString TargetVersionError(int found) {
  return "Target database version error : expected vn " + QString::number(kStartingSchemaVersion) +
         ", found " + QString::number(found);
}

bool RemoveUnfinishedConversion(const QString& dataFolder) {
  const QString folder = WithTrailingSeparator(dataFolder);
  QStringList removed;
  QStringList kept;
  for (const QString& file : workFiles(folder)) {
    if (!QFileInfo::exists(file) && !QFileInfo(file).isSymLink()) continue;
    (QFile::remove(file) ? removed : kept) << QFileInfo(file).fileName();
  }
  if (!removed.isEmpty()) {
    syncFolder(folder + QLatin1String(kDatabaseFileName));
    ShowInfo("An earlier conversion into " + folder + " did not finish - what it left (" +
             removed.join(QStringLiteral(", ")) + ") was removed");
  }
  if (!kept.isEmpty()) {
    ShowInfo("An earlier conversion into " + folder + " did not finish, and what it left (" +
             kept.join(QStringLiteral(", ")) + ") cannot be removed");
    return false;
  }
  return true;
}

bool ProvideTargetDatabase(const QString& dataFolder) {
  const QString folder = WithTrailingSeparator(dataFolder);
  if (!RemoveUnfinishedConversion(folder)) return false;
  if (QFile::exists(folder + QLatin1String(kDatabaseFileName))) return true;
  if (!AskYes(NoBooksQuestion(folder))) return false;
  QString error;
  if (!CreateEmptyBooks(folder, error)) {
    ShowInfo(error);
    return false;
  }
  return true;
}

bool OpenTargetDatabase(const QString& dataFolder, QString& error) {
  return OpenConnection(WithTrailingSeparator(dataFolder) + QLatin1String(kDatabaseFileName),
                        error);
}

bool SourceHoldsBooks(const QString& folder) {
  if (!FindFileIgnoringCase(folder, QLatin1String(kDatabaseIniName)).isEmpty()) return true;
  ShowInfo(QStringLiteral("Folder does not hold Vorbek data ( looking for ZADEZEVU.INI )"));
  return false;
}

bool ConvertBooks(const QString& sourceFolder, const QString& dataFolder,
                  const TConvertProgress& progress, QString& message) {
  message.clear();
  const QString target = WithTrailingSeparator(dataFolder);
  // The settings copy would land on the old settings file itself.
  const QString sourcePath = QFileInfo(sourceFolder).canonicalFilePath();
  if (!sourcePath.isEmpty() && sourcePath == QFileInfo(target).canonicalFilePath()) {
    message = "Conversion failed : the source folder is the target's data folder" + unchanged();
    return false;
  }

  // Every table is read and checked before anything of the target is touched.
  std::vector<TPreparedTable> prepared(ConvertedTables().size());
  for (size_t i = 0; i < prepared.size(); ++i) {
    QString error;
    if (!prepareTable(sourceFolder, ConvertedTables()[i], prepared[i], error)) {
      message = "Conversion failed : " + error + unchanged();
      return false;
    }
    if (ConversionStopSignal() != 0) {
      message = stopped();
      return false;
    }
  }

  const QString settingsPath = target + QLatin1String(kDatabaseIniName);
  const QString dbPath = target + QLatin1String(kDatabaseFileName);
  const QString workIni = workName(settingsPath);
  const QString workDb = workName(dbPath);
  auto discard = [&] {
    for (const QString& file : workFiles(target)) QFile::remove(file);
  };
  discard();
  if (!copySettingsFile(FindFileIgnoringCase(sourceFolder, QLatin1String(kDatabaseIniName)),
                        workIni, settingsPath)) {
    discard();
    return false;
  }
  {
    IniFile ini(workIni);
    ini.writeBool(QLatin1String(kIniSection), QStringLiteral("RebalNeeded"), true);
    ini.writeInteger(QLatin1String(kIniSection), QStringLiteral("DBvn"), kConvertedSchemaVersion);
    QString error;
    if (!ini.save(&error)) {
      discard();
      message = "Conversion failed : cannot write " + settingsPath + " : " + error + unchanged();
      return false;
    }
  }

  // The rows go into a copy of the target database; the target itself stays
  // open to no one meanwhile, and is open again afterwards.
  const QString location = ConnectionLocation();
  CommitIfActive();
  CloseConnection();
  auto reopen = [&location] {
    QString ignored;
    if (!location.isEmpty()) OpenConnection(location, ignored);
  };
  {
    QString error;
    // The copy replaces nothing until it is whole and flushed, so it is filled
    // without forced writes (a speed-up only: where they cannot be switched off
    // they stay on); they are on again before it takes the target's name.
    const bool copied = CopyFileDurably(dbPath, workDb, &error);
    if (copied) SwitchOffForcedWritesOfCopy(workDb);
    if (!copied || !OpenConnection(workDb, error)) {
      discard();
      reopen();
      message = "Conversion failed : cannot copy " + dbPath + " : " + error + unchanged();
      return false;
    }
  }

  QuietDbErrors quiet;
  auto rollBack = [&](const QString& why) {
    RollbackIfActive();
    CloseConnection();
    discard();
    reopen();
    message = why;
    return false;
  };
  auto fail = [&](const QString& text) {
    return rollBack("Conversion failed" + text + unchanged());
  };
  QStringList indexes;
  if (!plainIndexes(indexes) || !switchIndexes(indexes, false)) return fail(" : " + LastDbError());
  if (!StartTxIfNone()) return fail(" : " + LastDbError());
  for (const QString& table : EmptiedTables())
    if (!ExecSql("delete from " + table)) return fail(" emptying " + table + " : " + LastDbError());

  QVariantList values;
  for (const TPreparedTable& t : prepared) {
    const QString shown = QLatin1String(t.map->shownName);
    if (!ExecSql("delete from " + QLatin1String(t.map->target)))
      return fail(" emptying " + QLatin1String(t.map->target) + " : " + LastDbError());
    const int rows = t.table->rowCount();
    TTableWriter insert(t);
    if (!insert.ok()) return fail(" at " + shown + " : " + LastDbError());
    auto refused = [&](int row, const QString& error) {
      return fail(" at " + shown + " row " + QString::number(row + 1) + " : " + error);
    };
    int failedRow = 0;
    for (int row = 0; row < rows; ++row) {
      if (progress) progress(shown, rows - row);
      if (ConversionStopSignal() != 0) return rollBack(stopped());
      t.table->seek(row);
      QString error;
      if (!rowValues(t, values, error)) {
        // The rows before it are written first: one of them may be refused already.
        if (!insert.flush(failedRow)) return refused(failedRow, LastDbError());
        return refused(row, error);
      }
      if (!insert.add(values, row, failedRow)) return refused(failedRow, LastDbError());
    }
    if (!insert.flush(failedRow)) return refused(failedRow, LastDbError());
    // As a sudden end would: the work so far is in the copy only.
    if (InterruptedAt("conversion table")) {
      RollbackIfActive();
      CloseConnection();
      return false;
    }
  }
  if (ConversionStopSignal() != 0) return rollBack(stopped());
  if (!CommitIfActive()) return fail(" at commit : " + LastDbError());
  if (!switchIndexes(indexes, true)) return fail(" building the indexes : " + LastDbError());
  CloseConnection();
  // Closing switched forced writes on; should that have failed, this says why.
  if (!SwitchOnForcedWrites(workDb)) return fail(" : " + LastDbError());
  if (InterruptedAt("conversion written")) return false;

  // The database first: until the settings follow it, they still say version 19,
  // and a new run converts again.
  QString error;
  if (!moveOver(workDb, dbPath, error))
    return rollBack("Conversion failed : " + error + unchanged());
  if (InterruptedAt("conversion moved")) return false;
  if (!moveOver(workIni, settingsPath, error)) {
    discard();
    reopen();
    message = "Conversion failed : cannot write " + settingsPath + " : " + error;
    return false;
  }
  reopen();
  return true;
}

void RequestConversionStop(int signal) { g_stopSignal.store(signal); }
int ConversionStopSignal() { return g_stopSignal.load(); }

bool RunConversion(const QString& sourceFolder, const QString& dataFolder,
                   const TConvertHooks& hooks) {
  if (!AskYes(QStringLiteral("OK to convert from Source to Target ?"))) return false;
  if (hooks.started) hooks.started();
  BusyOn();
  QString message;
  const bool ok = ConvertBooks(sourceFolder, dataFolder, hooks.progress, message);
  BusyOff();
  if (hooks.finished) hooks.finished();
  if (!ok) {
    if (!message.isEmpty()) ShowInfo(message);
    return false;
  }
  ShowInfo(QStringLiteral("Converted ok"));
  return true;
}
