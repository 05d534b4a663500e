// The account and group rules against real books: kind names, names per
// kind, group membership, closing, transaction dates, the delete rules, own
// group, freeze date and the group chooser.
#include <QSqlQuery>
#include <QtTest>
#include <memory>

#include "foundation/dates.h"
#include "ledger/accounts.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

QVariant one(const QString& sql, const QVariantList& binds = {}) { return QueryValue(sql, binds); }

void exec(const QString& sql, const QVariantList& binds = {}) {
  QVERIFY2(ExecSql(sql, binds), qPrintable(sql + " : " + LastDbError()));
}

int32_t addAccount(int kind, const QString& name, int32_t group = 0,
                   const QString& ccy = QStringLiteral("GBP")) {
  TObj o = NewObj();
  o.kind = uint8_t(kind);
  o.name = name;
  o.groupId = group;
  o.ccy = ccy;
  return WriteAccount(o) ? o.id : 0;
}

void setDates(int32_t id, int32_t open, int32_t close) {
  exec("update account set opendate = ?, closedate = ? where id = ?", {open, close, id});
}

void putPstg(int txnId, int objId, int date, const QString& type = "P", int contra = 0) {
  exec(
      "insert into pstg (txnid, objid, contra, txntype, pstgdate, seq, ccy, amt, val, rngbal, "
      "recamt, reconcode, dppstgdate, dprngbal, chnum, batchnum) values (?, ?, ?, ?, ?, ?, "
      "'GBP', 100, 100, 0, 0, 0, 1, 1, 0, 0)",
      {txnId, objId, contra, type, date, txnId});
}

void putRptr(int id, bool active, int acc1, int acc2, int acc4) {
  exec(
      "insert into rptr (id, \"type\", startdate, enddate, freq, rptinc, rptct, gento, "
      "rptactive, rmdays, amt, ccy, accid1, accid2, accid3, accid4, chnum, ref, narrative) "
      "values (?, 'P', 20240101, 99999999, 'M', 1, 0, 0, ?, 0, 100, 'GBP', ?, ?, 0, ?, 0, '', '')",
      {id, active ? 1 : 0, acc1, acc2, acc4});
}

// The period closing balance the balance question reads.
void putBalance(int32_t id, qint64 amount) {
  exec(
      "insert into movtg (accid, ccy, amtval, bfd, prepdnet, pdbfd, pdpayts, pdrcpts, pdtfrs, "
      "pdcfd) values (?, 'GBP', 'A', ?, 0, ?, 0, 0, 0, ?)",
      {id, amount, amount, amount});
}

void setLastPosting(int32_t id, int32_t ymd) {
  exec("update movte set lastpstgdate = ? where objid = ?", {ymd, id});
}

// Script steps as table text: "info:T", "yes:T", "no:T", "cancel:T",
// "choice1:T" (or 0, 2), "date:yyyymmdd" (0 = the calendar is cancelled).
void script(ScriptedPrompter& p, const QStringList& steps) {
  for (const QString& s : steps) {
    const qsizetype colon = s.indexOf(':');
    const QString kind = s.left(colon);
    const QString text = s.mid(colon + 1);
    if (kind == "info")
      p.info(text);
    else if (kind == "yes")
      p.yes(text);
    else if (kind == "no")
      p.no(text);
    else if (kind == "cancel")
      p.ask(text, 'C');
    else if (kind.startsWith("choice"))
      p.choice(text, kind.mid(6).toInt());
    else if (kind == "date")
      p.date(QString(), text.toInt());
    else
      QFAIL(qPrintable("bad script step " + s));
  }
}

// Records the options of choice boxes, which the scripted prompter does not check.
class OptionsPrompter : public ScriptedPrompter {
 public:
  QStringList options;
  int askChoice(const QString& text, const QString& o1, const QString& o2) override {
    options << o1 << o2;
    return ScriptedPrompter::askChoice(text, o1, o2);
  }
};

int32_t closeDateOf(int32_t id) {
  return one("select closedate from account where id = ?", {id}).toInt();
}

}  // namespace

class TstAccounts : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  std::unique_ptr<ScriptedPrompter> silent_;  // no message may come unannounced

 private Q_SLOTS:
  void init();
  void cleanup();

  void kindName_data();
  void kindName();
  void kindTable();
  void nameExists_data();
  void nameExists();
  void groupForMember_data();
  void groupForMember();
  void closeAccount_data();
  void closeAccount();
  void closeAccountRepeater();
  void closeGroup_data();
  void closeGroup();
  void txnDate_data();
  void txnDate();
  void deleteRules_data();
  void deleteRules();
  void deleteGroupWithMembers_data();
  void deleteGroupWithMembers();
  void deleteExternalClearsProvider();
  void deletedIdGivenOutAgain();
  void notOwnGroup_data();
  void notOwnGroup();
  void regroupAgainstFreeze_data();
  void regroupAgainstFreeze();
  void groupChoices();
};

void TstAccounts::init() {
  books_ = std::make_unique<TestBooks>();
  QVERIFY2(books_->ok(), qPrintable(books_->error()));
  Session().workingCurrency = "GBP";
  silent_ = std::make_unique<ScriptedPrompter>();
}

void TstAccounts::cleanup() {
  const QString unexpected = silent_->verify();
  silent_.reset();
  RollbackIfActive();
  books_.reset();
  QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected));
}

// ------------------------------------------------------------ kind names

void TstAccounts::kindName_data() {
  QTest::addColumn<int>("kind");
  QTest::addColumn<QChar>("letterCase");
  QTest::addColumn<QChar>("number");
  QTest::addColumn<QString>("expected");
  QTest::newRow("external U S") << 1 << QChar('U') << QChar('S') << "External Account ";
  QTest::newRow("external L P") << 1 << QChar('L') << QChar('P') << "external accounts ";
  QTest::newRow("category U S") << 3 << QChar('U') << QChar('S') << "Internal Account ";
  QTest::newRow("pot L plural") << 6 << QChar('L') << QChar('x') << "internal accounts ";
  QTest::newRow("counterparty L P") << 4 << QChar('L') << QChar('P') << "counterparties ";
  QTest::newRow("counterparty U S") << 4 << QChar('U') << QChar('S') << "Counterparty ";
  QTest::newRow("ext group U P") << 8 << QChar('U') << QChar('P') << "External Groups ";
  QTest::newRow("cpty group U S") << 9 << QChar('U') << QChar('S') << "Counterparty Group ";
  QTest::newRow("int group L S") << 10 << QChar('L') << QChar('S') << "internal group ";
  QTest::newRow("diary L P") << 11 << QChar('L') << QChar('P') << "diarys ";
  QTest::newRow("unknown U S") << 5 << QChar('U') << QChar('S') << "Not Known 5 ";
  QTest::newRow("unknown L P") << 7 << QChar('L') << QChar('P') << "not known 7s ";
}

void TstAccounts::kindName() {
  QFETCH(int, kind);
  QFETCH(QChar, letterCase);
  QFETCH(QChar, number);
  QFETCH(QString, expected);
  QCOMPARE(AccountKindName(kind, letterCase, number), expected);
}

void TstAccounts::kindTable() {
  for (int kind = 0; kind <= 12; ++kind) {
    const TAccountKindInfo* k = AccountKindInfo(kind);
    const bool valid =
        kind == 1 || kind == 3 || kind == 4 || kind == 6 || (kind >= 8 && kind <= 11);
    QCOMPARE(k != nullptr, valid);
    if (!k) {
      QCOMPARE(InvalidAccountKindText(kind),
               "Invalid account type " + QString::number(kind) + " - run DB Healthcheck!");
      continue;
    }
    // The table's names are the ones AccountKindName builds.
    QCOMPARE(AccountKindName(kind, 'L', 'S'), QString::fromLatin1(k->singular) + " ");
    QCOMPARE(AccountKindName(kind, 'L', 'P'), QString::fromLatin1(k->plural) + " ");
    QCOMPARE(IsGroupKind(kind), k->isGroup);
  }
  QCOMPARE(GroupKindFor(1), 8);
  QCOMPARE(GroupKindFor(6), 10);
  QCOMPARE(GroupKindFor(9), 9);
  QCOMPARE(GroupKindFor(11), 0);
  QCOMPARE(DefaultAccountId(6), 1);  // the fixture's default pot
  QCOMPARE(DefaultAccountId(8), 0);
}

// ------------------------------------------------------------ names

void TstAccounts::nameExists_data() {
  QTest::addColumn<int>("kind");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("message");  // empty = the name is free
  QTest::newRow("external in other case") << 1 << "BANK"
                                          << "External Account \"Bank\"already exists";
  QTest::newRow("counterparty in other case") << 4 << "Bank"
                                              << "Counterparty \"bank\"already exists";
  QTest::newRow("same name, other kind") << 3 << "bank"
                                         << "";
  QTest::newRow("default pot") << 6 << "default POT"
                               << "Internal Account \"Default pot\"already exists";
  QTest::newRow("pot name free for a category") << 3 << "Default pot"
                                                << "";
  QTest::newRow("longer name") << 1 << "Banks"
                               << "";
  QTest::newRow("accented, other case") << 1 << "CAFÉ"
                                        << "External Account \"Café\"already exists";
  QTest::newRow("apostrophe") << 9 << "o'brien's"
                              << "Counterparty Group \"O'Brien's\"already exists";
}

void TstAccounts::nameExists() {
  QFETCH(int, kind);
  QFETCH(QString, name);
  QFETCH(QString, message);
  QVERIFY(addAccount(1, "Bank"));
  QVERIFY(addAccount(4, "bank"));
  QVERIFY(addAccount(1, "Café"));
  QVERIFY(addAccount(9, "O'Brien's", 0, "   "));
  ScriptedPrompter p;
  if (!message.isEmpty()) p.info(message);
  QCOMPARE(NameExists(kind, name), !message.isEmpty());
  VERIFY_PROMPTS(p);
}

// ------------------------------------------------------------ group for member

void TstAccounts::groupForMember_data() {
  QTest::addColumn<int>("groupKind");
  QTest::addColumn<QString>("groupCcy");
  QTest::addColumn<int>("groupOpen");
  QTest::addColumn<int>("groupClose");
  QTest::addColumn<int>("memberKind");
  QTest::addColumn<QString>("memberCcy");
  QTest::addColumn<int>("memberOpen");
  QTest::addColumn<int>("memberClose");
  QTest::addColumn<int>("result");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("programError");

  const int open = 99999999;
  const QString bad = "Acc/Grp invalid acctype combi";
  // Kinds.
  QTest::newRow("external in external group")
      << 8 << "GBP" << 20240101 << open << 1 << "GBP" << 20240201 << open << 0 << ""
      << "";
  QTest::newRow("external group in external group")
      << 8 << "GBP" << 20240101 << open << 8 << "GBP" << 20240101 << open << 0 << ""
      << "";
  QTest::newRow("category in internal group")
      << 10 << "GBP" << 20240101 << open << 3 << "GBP" << 20240101 << open << 0 << ""
      << "";
  QTest::newRow("pot in internal group")
      << 10 << "GBP" << 20240101 << open << 6 << "GBP" << 20240101 << open << 0 << ""
      << "";
  QTest::newRow("counterparty in cpty group")
      << 9 << "   " << 20240101 << open << 4 << "GBP" << 20240101 << open << 0 << ""
      << "";
  QTest::newRow("cpty group in cpty group")
      << 9 << "   " << 20240101 << open << 9 << "   " << 20240101 << open << 0 << ""
      << "";
  QTest::newRow("external in internal group")
      << 10 << "GBP" << 20240101 << open << 1 << "GBP" << 20240101 << open << 3 << bad << "";
  QTest::newRow("external in cpty group")
      << 9 << "GBP" << 20240101 << open << 1 << "GBP" << 20240101 << open << 3 << bad << "";
  QTest::newRow("category in external group")
      << 8 << "GBP" << 20240101 << open << 3 << "GBP" << 20240101 << open << 3 << bad
      << "Program error : Core.chk_grp_open_for_obj";
  QTest::newRow("internal group in cpty group")
      << 9 << "GBP" << 20240101 << open << 10 << "GBP" << 20240101 << open << 3 << bad
      << "Program error : Core.chk_grp_open_for_obj";
  QTest::newRow("counterparty in external group")
      << 8 << "GBP" << 20240101 << open << 4 << "GBP" << 20240101 << open << 3 << bad << "";
  QTest::newRow("group is an account")
      << 1 << "GBP" << 20240101 << open << 1 << "GBP" << 20240101 << open << 3 << bad << "";
  QTest::newRow("diary as member")
      << 8 << "GBP" << 20240101 << open << 11 << "GBP" << 20240101 << open << 3 << bad << "";
  // Currencies matter for external and internal groups only.
  QTest::newRow("external in other currency")
      << 8 << "GBP" << 20240101 << open << 1 << "USD" << 20240101 << open << 4
      << "account currency/group mismatch"
      << "";
  QTest::newRow("pot in other currency")
      << 10 << "EUR" << 20240101 << open << 6 << "GBP" << 20240101 << open << 4
      << "account currency/group mismatch"
      << "";
  QTest::newRow("cpty currencies ignored")
      << 9 << "   " << 20240101 << open << 4 << "USD" << 20240101 << open << 0 << ""
      << "";
  // Dates.
  QTest::newRow("member opens before group")
      << 8 << "GBP" << 20240201 << open << 1 << "GBP" << 20240115 << open << 1
      << " Group 7 \"Banks\" opened too late for Account / Sub-Group \"Current\""
      << "";
  QTest::newRow("member open, group closed")
      << 8 << "GBP" << 20240101 << 20240630 << 1 << "GBP" << 20240115 << open << 2
      << " Group 7 \"Banks\" closed too soon for Account / Sub-Group \"Current\""
      << "";
  QTest::newRow("member closes after group")
      << 8 << "GBP" << 20240101 << 20240630 << 1 << "GBP" << 20240115 << 20240701 << 2
      << " Group 7 \"Banks\" closed too soon for Account / Sub-Group \"Current\""
      << "";
  QTest::newRow("same dates") << 8 << "GBP" << 20240101 << 20240630 << 1 << "GBP" << 20240101
                              << 20240630 << 0 << ""
                              << "";
  QTest::newRow("member without open date")
      << 8 << "GBP" << 20240201 << 20240630 << 1 << "GBP" << 0 << open << 0 << ""
      << "";
  QTest::newRow("member not yet posted")
      << 8 << "GBP" << 20240201 << open << 1 << "GBP" << open << open << 0 << ""
      << "";
}

void TstAccounts::groupForMember() {
  QFETCH(int, groupKind);
  QFETCH(QString, groupCcy);
  QFETCH(int, groupOpen);
  QFETCH(int, groupClose);
  QFETCH(int, memberKind);
  QFETCH(QString, memberCcy);
  QFETCH(int, memberOpen);
  QFETCH(int, memberClose);
  QFETCH(int, result);
  QFETCH(QString, text);
  QFETCH(QString, programError);

  TObj g = NewObj();
  g.id = 7;
  g.name = "Banks";
  g.kind = uint8_t(groupKind);
  g.ccy = groupCcy;
  g.openDate = YmdToDateRec(groupOpen);
  g.closeDate = YmdToDateRec(groupClose);
  TObj m = NewObj();
  m.id = 12;
  m.name = "Current";
  m.kind = uint8_t(memberKind);
  m.ccy = memberCcy;
  m.openDate = YmdToDateRec(memberOpen);
  m.closeDate = YmdToDateRec(memberClose);

  ScriptedPrompter p;
  if (!programError.isEmpty()) p.info(programError);
  QString got = "untouched";
  QCOMPARE(CheckGroupForMember(g, m, got), result);
  QCOMPARE(got, text);
  VERIFY_PROMPTS(p);
}

// ------------------------------------------------------------ closing

void TstAccounts::closeAccount_data() {
  QTest::addColumn<int>("kind");
  QTest::addColumn<qint64>("balance");
  QTest::addColumn<int>("lastPosting");  // 99999999 = none yet
  QTest::addColumn<bool>("rebalanceNeeded");
  QTest::addColumn<QStringList>("steps");
  QTest::addColumn<int>("closeDate");  // 0 = not closed
  QTest::addColumn<QStringList>("options");

  const QString notZero = "Account balance not zero (1,234.50), are you sure you want to close?";
  const QString closing =
      "Closing External Account \"Current\"... \rOK to set close date to last posting date "
      "2024-03-31 ?";
  const QString outstanding =
      "This Last Posting Date may be changed by the outstanding Rebalance, still OK to use it?";
  const QStringList offered{"use 2024-03-31", "or another date"};

  QTest::newRow("no postings: calendar")
      << 1 << qint64(0) << 99999999 << false << QStringList{"date:20240415"} << 20240415
      << QStringList();
  QTest::newRow("no postings: calendar cancelled")
      << 1 << qint64(0) << 0 << false << QStringList{"date:0"} << 0 << QStringList();
  QTest::newRow("balance: no") << 1 << qint64(123450) << 99999999 << false
                               << QStringList{"no:" + notZero} << 0 << QStringList();
  QTest::newRow("balance: yes") << 1 << qint64(123450) << 99999999 << false
                                << QStringList{"yes:" + notZero, "date:20240416"} << 20240416
                                << QStringList();
  QTest::newRow("category balance not asked")
      << 3 << qint64(123450) << 99999999 << false << QStringList{"date:20240417"} << 20240417
      << QStringList();
  QTest::newRow("pot balance asked") << 6 << qint64(-5) << 99999999 << false
                                     << QStringList{"no:Account balance not zero (-0.05), are "
                                                    "you sure you want to close?"}
                                     << 0 << QStringList();
  QTest::newRow("last posting date used")
      << 1 << qint64(0) << 20240331 << false << QStringList{"choice1:" + closing} << 20240331
      << offered;
  QTest::newRow("another date") << 1 << qint64(0) << 20240331 << false
                                << QStringList{"choice2:" + closing, "date:20240501"} << 20240501
                                << offered;
  QTest::newRow("choice closed") << 1 << qint64(0) << 20240331 << false
                                 << QStringList{"choice0:" + closing} << 0 << offered;
  QTest::newRow("outstanding rebalance: yes")
      << 1 << qint64(0) << 20240331 << true
      << QStringList{"choice1:" + closing, "yes:" + outstanding} << 20240331 << offered;
  QTest::newRow("outstanding rebalance: no")
      << 1 << qint64(0) << 20240331 << true
      << QStringList{"choice1:" + closing, "no:" + outstanding} << 0 << offered;
}

void TstAccounts::closeAccount() {
  QFETCH(int, kind);
  QFETCH(qint64, balance);
  QFETCH(int, lastPosting);
  QFETCH(bool, rebalanceNeeded);
  QFETCH(QStringList, steps);
  QFETCH(int, closeDate);
  QFETCH(QStringList, options);

  const int32_t id = addAccount(kind, "Current");
  QVERIFY(id);
  if (balance) putBalance(id, balance);
  setLastPosting(id, lastPosting);
  QVERIFY(CommitIfActive());
  Session().settings.rebalNeeded = rebalanceNeeded;

  OptionsPrompter p;
  script(p, steps);
  QCOMPARE(CloseAccount(id), closeDate != 0);
  VERIFY_PROMPTS(p);
  QCOMPARE(p.options, options);
  RollbackIfActive();  // what was written is committed
  QCOMPARE(closeDateOf(id), closeDate ? closeDate : 99999999);
}

void TstAccounts::closeAccountRepeater() {
  const int32_t id = addAccount(4, "Landlord");
  putRptr(3, false, 0, id, 0);  // an inactive repeater does not hold the account open
  putRptr(5, true, 0, id, 0);
  putRptr(6, true, id, 0, 0);
  ScriptedPrompter p;
  p.info("Cannot close - Account is in active Repeater #5");
  TObj o;
  QVERIFY(ReadAccount(id, o));
  TDateRec date;
  QVERIFY(!CanCloseAccount(o, date));
  VERIFY_PROMPTS(p);

  exec("update rptr set rptactive = 0");
  ScriptedPrompter p2;
  p2.date(QString(), 20240601);
  QVERIFY(CanCloseAccount(o, date));
  VERIFY_PROMPTS(p2);
  QCOMPARE(DateRecToYmd(date), 20240601);
}

void TstAccounts::closeGroup_data() {
  QTest::addColumn<QList<int>>("memberCloses");  // one member per entry
  QTest::addColumn<QStringList>("steps");
  QTest::addColumn<int>("closeDate");

  const QString latest =
      "Closing Group \"Banks\" ... \rOK to use latest account close date in group 2024-03-05 ?";
  QTest::newRow("latest close date")
      << QList<int>{20240110, 20240305, 20240201} << QStringList{"yes:" + latest} << 20240305;
  QTest::newRow("another date") << QList<int>{20240110, 20240305}
                                << QStringList{"no:" + latest, "date:20240401"} << 20240401;
  QTest::newRow("cancelled") << QList<int>{20240305} << QStringList{"cancel:" + latest} << 0;
  QTest::newRow("open member") << QList<int>{20240110, 99999999, 20240305}
                               << QStringList{"info:Group contains open subgroup/account "
                                              "\"Member 2\"- cannot close"}
                               << 0;
  QTest::newRow("empty group") << QList<int>{}
                               << QStringList{"info:Group is empty - enter close date",
                                              "date:20240402"}
                               << 20240402;
}

void TstAccounts::closeGroup() {
  QFETCH(QList<int>, memberCloses);
  QFETCH(QStringList, steps);
  QFETCH(int, closeDate);

  const int32_t group = addAccount(8, "Banks");
  for (int i = 0; i < memberCloses.size(); ++i) {
    const int32_t m = addAccount(i % 2 ? 8 : 1, "Member " + QString::number(i + 1), group);
    setDates(m, 20240101, memberCloses[i]);
  }
  QVERIFY(CommitIfActive());

  ScriptedPrompter p;
  script(p, steps);
  QCOMPARE(CloseGroup(group), closeDate != 0);
  VERIFY_PROMPTS(p);
  RollbackIfActive();
  QCOMPARE(closeDateOf(group), closeDate ? closeDate : 99999999);

  // An account that is not a group is refused at once, without a word.
  TObj member;
  QVERIFY(ReadAccount(1, member));
  TDateRec d;
  QVERIFY(!CanCloseGroup(member, d));
}

// ------------------------------------------------------------ transaction dates

void TstAccounts::txnDate_data() {
  QTest::addColumn<int>("open");
  QTest::addColumn<int>("close");
  QTest::addColumn<int>("date");
  QTest::addColumn<QStringList>("steps");
  QTest::addColumn<bool>("ok");
  QTest::addColumn<int>("newOpen");
  QTest::addColumn<int>("newClose");

  const int open = 99999999;
  const QString closed = "External Account \"Current\"is closed - continue anyway? ?";
  const QString update = "Update account close date ?";
  const QString predates =
      "Transaction on 2024-02-01 pre-dates account opendate for External Account "
      "\"Current\"on 2024-03-01 - OK ?";
  QTest::newRow("inside the dates")
      << 20240101 << open << 20240201 << QStringList() << true << 20240101 << open;
  QTest::newRow("not yet posted: silent")
      << open << open << 20240201 << QStringList() << true << 20240201 << open;
  QTest::newRow("before open date: yes")
      << 20240301 << open << 20240201 << QStringList{"yes:" + predates} << true << 20240201 << open;
  QTest::newRow("before open date: no")
      << 20240301 << open << 20240201 << QStringList{"no:" + predates} << false << 20240301 << open;
  QTest::newRow("closed: no") << 20240101 << 20240131 << 20240215 << QStringList{"no:" + closed}
                              << false << 20240101 << 20240131;
  QTest::newRow("closed: close on txn date")
      << 20240101 << 20240131 << 20240215 << QStringList{"yes:" + closed, "choice1:" + update}
      << true << 20240101 << 20240215;
  QTest::newRow("closed: leave open")
      << 20240101 << 20240131 << 20240215 << QStringList{"yes:" + closed, "choice2:" + update}
      << true << 20240101 << open;
  QTest::newRow("closed: choice closed")
      << 20240101 << 20240131 << 20240215 << QStringList{"yes:" + closed, "choice0:" + update}
      << true << 20240101 << 20240131;
  QTest::newRow("closed on the date")
      << 20240101 << 20240215 << 20240215 << QStringList() << true << 20240101 << 20240215;
}

void TstAccounts::txnDate() {
  QFETCH(int, open);
  QFETCH(int, close);
  QFETCH(int, date);
  QFETCH(QStringList, steps);
  QFETCH(bool, ok);
  QFETCH(int, newOpen);
  QFETCH(int, newClose);

  const int32_t id = addAccount(1, "Current");
  TObj stale;
  QVERIFY(ReadAccount(id, stale));
  setDates(id, open, close);  // the check re-reads the account: the stale copy is not used

  ScriptedPrompter p;
  script(p, steps);
  QCOMPARE(CheckAccountForTxnDate(stale, YmdToDateRec(date)), ok);
  VERIFY_PROMPTS(p);
  QCOMPARE(one("select opendate from account where id = ?", {id}).toInt(), newOpen);
  QCOMPARE(closeDateOf(id), newClose);
  if (ok) QCOMPARE(DateRecToYmd(stale.openDate), newOpen);  // the caller's record follows
}

// ------------------------------------------------------------ delete rules

void TstAccounts::deleteRules_data() {
  QTest::addColumn<QString>("situation");
  QTest::addColumn<QStringList>("steps");
  QTest::addColumn<bool>("deleted");

  const QString confirm = "yes:Delete external account \"Current\"?";
  QTest::newRow("plain account") << "" << QStringList{confirm} << true;
  QTest::newRow("final question: no")
      << "" << QStringList{"no:Delete external account \"Current\"?"} << false;
  QTest::newRow("marker and diary postings do not count")
      << "markers" << QStringList{confirm} << true;
  QTest::newRow("postings") << "postings"
                            << QStringList{"info:Cannot delete account - 2 posting(s) found"}
                            << false;
  QTest::newRow("opening balance") << "opening"
                                   << QStringList{"info:Cannot delete account - opening balance "
                                                  "is not zero"}
                                   << false;
  QTest::newRow("repeater, inactive") << "repeater"
                                      << QStringList{"info:Cannot delete - Account is referenced "
                                                     "by Repeater #4"}
                                      << false;
  QTest::newRow("contra reference") << "contra"
                                    << QStringList{"info:Cannot delete  - referenced as contra in "
                                                   "posting 12 1"}
                                    << false;
  QTest::newRow("archived: no")
      << "archived"
      << QStringList{"no:Account has been archived, are you sure you want to delete here?"}
      << false;
  QTest::newRow("archived: yes")
      << "archived"
      << QStringList{"yes:Account has been archived, are you sure you want to delete here?",
                     confirm}
      << true;
  QTest::newRow("counterparty with external accounts")
      << "counterparty"
      << QStringList{"info:Cannot delete counterparty - it has 2 external account(s)"} << false;
  QTest::newRow("counterparty opening balance not checked")
      << "counterparty opening" << QStringList{"yes:Delete counterparty \"Current\"?"} << true;
  QTest::newRow("default pot") << "default pot" << QStringList{"info:Cannot delete  default Pot"}
                               << false;
  QTest::newRow("default pot is refused before reading")
      << "missing default pot" << QStringList{"info:Cannot delete  default Pot"} << false;
  QTest::newRow("missing account")
      << "missing" << QStringList{"info:Account not found : #99"} << false;
}

void TstAccounts::deleteRules() {
  QFETCH(QString, situation);
  QFETCH(QStringList, steps);
  QFETCH(bool, deleted);

  const int kind = situation.startsWith("counterparty") ? 4 : 1;
  int32_t id = addAccount(kind, "Current");
  QVERIFY(id);
  if (situation == "markers") {
    TObj o;
    QVERIFY(ReadAccount(id, o));
    QVERIFY(EnsureBfdMarker(o));
    putPstg(9, id, 20240105, "D");
  } else if (situation == "postings") {
    putPstg(10, id, 20240105, "P");
    putPstg(11, id, 20240106, "C");
    putPstg(0, id, 0, "A");
  } else if (situation == "opening" || situation == "counterparty opening") {
    exec("update account set bfdbal = 500 where id = ?", {id});
  } else if (situation == "repeater") {
    putRptr(2, true, 1, 0, 0);
    putRptr(4, false, 0, 0, id);
  } else if (situation == "contra") {
    putPstg(12, 1, 20240105, "P", id);
  } else if (situation == "archived") {
    Session().dbStartDate = 20240101;
    exec("update account set createts = ? where id = ?",
         {QDateTime(QDate(2023, 12, 31), QTime(9, 0)), id});
  } else if (situation == "counterparty") {
    const int32_t a = addAccount(1, "Held 1");
    const int32_t b = addAccount(1, "Held 2");
    exec("update account set accwith = ? where id in (?, ?)", {id, a, b});
  } else if (situation == "default pot") {
    id = 1;
  } else if (situation == "missing default pot") {
    Session().settings.defaultPotId = 99;
    id = 99;
  } else if (situation == "missing") {
    id = 99;
  }
  QVERIFY(CommitIfActive());
  const int accountsBefore = CountAll("account");

  ScriptedPrompter p;
  script(p, steps);
  QCOMPARE(CanDeleteAccount(id), deleted);
  VERIFY_PROMPTS(p);
  RollbackIfActive();  // a delete is committed by the rule itself
  QCOMPARE(CountAll("account"), accountsBefore - (deleted ? 1 : 0));
  QCOMPARE(LocateAccount(id),
           !deleted && situation != "missing" && situation != "missing default pot");
  if (deleted) {
    QCOMPARE(CountRows("pstg", "objid = ? and txntype = 'A'", {id}), 0);
    QCOMPARE(CountRows("movte", "objid = ?", {id}), 0);
  }
}

void TstAccounts::deleteGroupWithMembers_data() {
  QTest::addColumn<QStringList>("steps");
  QTest::addColumn<bool>("emptied");
  QTest::addColumn<bool>("deleted");

  const QString empty =
      "Cannot delete group - it contains 3 account(s) / subgroup(s) - empty the Group?";
  const QString confirm = "Delete internal group \"Household\"?";
  QTest::newRow("yes, then deleted")
      << QStringList{"yes:" + empty, "yes:" + confirm} << true << true;
  QTest::newRow("yes, then kept") << QStringList{"yes:" + empty, "no:" + confirm} << true << false;
  QTest::newRow("no") << QStringList{"no:" + empty} << false << false;
}

void TstAccounts::deleteGroupWithMembers() {
  QFETCH(QStringList, steps);
  QFETCH(bool, emptied);
  QFETCH(bool, deleted);

  const int32_t top = addAccount(10, "Top");
  const int32_t group = addAccount(10, "Household", top);
  const QList<int32_t> members{addAccount(3, "Food", group), addAccount(6, "Savings", group),
                               addAccount(10, "Utilities", group)};
  const int32_t below = addAccount(3, "Power", members[2]);
  exec("update account set path = ' Top : Household :' where grpid = ?", {group});
  QVERIFY(CommitIfActive());
  Session().settings.resetPaths = false;

  ScriptedPrompter p;
  script(p, steps);
  QCOMPARE(CanDeleteAccount(group), deleted);
  VERIFY_PROMPTS(p);
  RollbackIfActive();  // emptying the group is kept even when the group stays
  QCOMPARE(Session().settings.resetPaths, emptied);
  for (int32_t m : members) {
    QCOMPARE(one("select grpid from account where id = ?", {m}).toInt(), emptied ? 0 : group);
    QCOMPARE(one("select path from account where id = ?", {m}).toString(),
             emptied ? QString(" ") : QString(" Top : Household :"));
  }
  QCOMPARE(one("select grpid from account where id = ?", {below}).toInt(), members[2]);
  QCOMPARE(LocateAccount(group), !deleted);
}

void TstAccounts::deleteExternalClearsProvider() {
  const int32_t bank = addAccount(4, "Big Bank");
  const int32_t current = addAccount(1, "Current");
  const int32_t other = addAccount(4, "Other Bank");
  exec("update account set accwith = ? where id in (?, ?)", {current, bank, other});
  QVERIFY(CommitIfActive());

  ScriptedPrompter p;
  p.yes("Delete external account \"Current\"?");
  QVERIFY(CanDeleteAccount(current));
  VERIFY_PROMPTS(p);
  // The first counterparty that named the account as its own is told; others are not touched.
  QCOMPARE(one("select accwith from account where id = ?", {bank}).toInt(), 0);
  QCOMPARE(one("select accwith from account where id = ?", {other}).toInt(), current);
}

void TstAccounts::deletedIdGivenOutAgain() {
  // Ids are max + 1, so the id of a deleted last account is given out again:
  // nothing of the old account may stand in the new one's way or join it.
  const int32_t group = addAccount(10, "Household");
  const int32_t id = addAccount(3, "Food", group);
  exec("insert into accingrp (accid, grpid) values (?, ?)", {id, group});
  QVERIFY(CommitIfActive());
  ScriptedPrompter p;
  p.yes("Delete internal account \"Food\"?");
  QVERIFY(CanDeleteAccount(id));
  VERIFY_PROMPTS(p);
  QCOMPARE(addAccount(6, "Holiday"), id);
  QCOMPARE(CountRows("accingrp", "accid = ?", {id}), 0);
}

// ------------------------------------------------------------ own group

void TstAccounts::notOwnGroup_data() {
  QTest::addColumn<QString>("group");
  QTest::addColumn<QString>("parent");
  QTest::addColumn<bool>("ok");
  QTest::newRow("itself") << "B"
                          << "B" << false;
  QTest::newRow("its child") << "B"
                             << "C" << false;
  QTest::newRow("its grandchild") << "A"
                                  << "C" << false;
  QTest::newRow("its parent") << "C"
                              << "B" << true;
  QTest::newRow("unrelated") << "C"
                             << "X" << true;
  QTest::newRow("top level") << "B"
                             << "none" << true;
}

void TstAccounts::notOwnGroup() {
  QFETCH(QString, group);
  QFETCH(QString, parent);
  QFETCH(bool, ok);
  QMap<QString, int32_t> id;
  id["none"] = 0;
  id["A"] = addAccount(10, "A");
  id["B"] = addAccount(10, "B", id["A"]);
  id["C"] = addAccount(10, "C", id["B"]);
  id["X"] = addAccount(10, "X");
  ScriptedPrompter p;
  if (!ok) p.info("An Account Group must not contain itself");
  QCOMPARE(CheckNotOwnGroup(id[group], id[parent]), ok);
  VERIFY_PROMPTS(p);
}

// ------------------------------------------------------------ freeze date

void TstAccounts::regroupAgainstFreeze_data() {
  QTest::addColumn<int>("freeze");
  QTest::addColumn<bool>("stored");
  QTest::addColumn<qint64>("opening");
  QTest::addColumn<int>("postingDate");  // 0 = none
  QTest::addColumn<char>("answer");      // ' ' = no question
  QTest::addColumn<bool>("stop");
  QTest::newRow("no freeze date") << 0 << true << qint64(500) << 20240101 << ' ' << false;
  QTest::newRow("new account") << 20240331 << false << qint64(500) << 0 << ' ' << false;
  QTest::newRow("untouched account") << 20240331 << true << qint64(0) << 20240401 << ' ' << false;
  QTest::newRow("posting on the date: yes")
      << 20240331 << true << qint64(0) << 20240331 << 'Y' << false;
  QTest::newRow("posting on the date: no")
      << 20240331 << true << qint64(0) << 20240331 << 'N' << true;
  QTest::newRow("opening balance: no") << 20240331 << true << qint64(500) << 0 << 'N' << true;
}

void TstAccounts::regroupAgainstFreeze() {
  QFETCH(int, freeze);
  QFETCH(bool, stored);
  QFETCH(qint64, opening);
  QFETCH(int, postingDate);
  QFETCH(char, answer);
  QFETCH(bool, stop);

  TObj o = NewObj();
  o.kind = 1;
  o.name = "Current";
  o.openingBalance = opening;
  if (stored) {
    QVERIFY(WriteAccount(o));
    if (postingDate) putPstg(10, o.id, postingDate);
  }
  Session().settings.freezeBefore = freeze;
  ScriptedPrompter p;
  if (answer != ' ') p.ask("Regrouping will violate freeze date - are you sure ?", answer);
  QCOMPARE(CheckRegroupAgainstFreeze(o), stop);
  VERIFY_PROMPTS(p);
}

// ------------------------------------------------------------ group chooser

void TstAccounts::groupChoices() {
  addAccount(8, "beta");
  const int32_t alpha = addAccount(8, "Alpha");
  const int32_t gamma = addAccount(8, "Gamma");
  setDates(gamma, 20240101, 20240630);
  const int32_t delta = addAccount(8, "Delta", 0, "USD");
  const int32_t zed = addAccount(10, "Zed");
  const int32_t beta = alpha - 1;

  using L = TChoiceList;
  L list{{"stale", 5}};
  GroupChoices(8, false, list);
  QCOMPARE(list, (L{{"<none>", 0}, {"Alpha", alpha}, {"beta", beta}, {"(closed) Gamma", gamma}}));
  GroupChoices(8, true, list);
  QCOMPARE(list, (L{{"<none>", 0}, {"Alpha", alpha}, {"beta", beta}}));
  Session().workingCurrency = "USD";
  GroupChoices(8, false, list);
  QCOMPARE(list, (L{{"<none>", 0}, {"Delta", delta}}));
  GroupChoices(10, true, list);  // internal groups whatever the working currency
  QCOMPARE(list, (L{{"<none>", 0}, {"Zed", zed}}));
  GroupChoices(9, false, list);
  QCOMPARE(list, (L{{"<none>", 0}}));
}

QTEST_GUILESS_MAIN(TstAccounts)
#include "tst_accounts.moc"
