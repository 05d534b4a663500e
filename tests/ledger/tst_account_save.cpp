// Saving an account's details form without windows, against real books: the
// refusals leave the books untouched, the provider's link, the default
// accounts, the group's back-dated open date written in the same unit as the
// account, the row version, frozen books, and the internal account's sort.
#include <QSqlQuery>
#include <QtTest>
#include <memory>

#include "foundation/dates.h"
#include "ledger/account_save.h"
#include "ledger/accounts.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

int32_t addAccount(int kind, const QString& name, const QString& ccy = QStringLiteral("GBP"),
                   int32_t openYmd = 20200101) {
  TObj o = NewObj();
  o.kind = uint8_t(kind);
  o.name = name;
  o.ccy = ccy;
  o.openDate = YmdToDateRec(openYmd);
  if (!WriteAccount(o) || !CommitIfActive()) return 0;
  return o.id;
}

TObj read(int32_t id) {
  TObj o;
  ReadAccount(id, o);
  return o;
}

TAccountEntry newExternal(const QString& name) {
  TAccountEntry e;
  e.isNew = true;
  e.loaded = NewObj();
  e.loaded.kind = kKindExternal;
  e.nameText = name;
  e.openDateText = QStringLiteral("2024-01-01");
  return e;
}

TAccountEntry editOf(int32_t id) {
  TAccountEntry e;
  e.isNew = false;
  e.loaded = read(id);
  e.nameText = e.loaded.name;
  e.designationText = e.loaded.designation;
  e.openDateText = OpenDateText(e.loaded.openDate);
  e.groupId = e.loaded.groupId;
  e.providerId = e.loaded.heldWith;
  e.kind = e.loaded.kind;
  e.allowNegative = e.loaded.allowNegative;
  e.allowPositive = e.loaded.allowPositive;
  return e;
}

int accountRows() { return CountRows("account"); }

}  // namespace

class TstAccountSave : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    Session().settings.defaultCashId = -1;
    Session().settings.defaultCtgyId = -1;
    Session().workingCurrency = "GBP";
  }
  void cleanup() { books_.reset(); }

  // Every refusal names its reason and writes nothing.
  void externalRefusals_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("openDate");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty name") << ""
                                << "2024-01-01"
                                << "Account name must be specified";
    QTest::newRow("blank name") << "   "
                                << "2024-01-01"
                                << "Account name must be specified";
    QTest::newRow("41 characters") << QString(41, 'n') << "2024-01-01"
                                   << "Account name too long - edit to <= 40 characters";
    QTest::newRow("no such day") << "Cash"
                                 << "2024-02-30"
                                 << "Opendate invalid";
    QTest::newRow("day first") << "Cash"
                               << "31/12/2024"
                               << "Opendate invalid";
    QTest::newRow("same name, other case") << "current ACCOUNT"
                                           << "2024-01-01"
                                           << "External Account \"Current account\"already exists";
  }
  void externalRefusals() {
    QFETCH(QString, name);
    QFETCH(QString, openDate);
    QFETCH(QString, expected);
    QVERIFY(addAccount(kKindExternal, "Current account") > 0);
    const int before = accountRows();
    TAccountEntry e = newExternal(name);
    e.openDateText = openDate;
    ScriptedPrompter p;
    if (expected.contains("already exists")) p.yes("Account is not in a group - OK ?");
    p.info(expected);
    TObj saved;
    QVERIFY(!SaveExternalAccount(e, saved));
    VERIFY_PROMPTS(p);
    QCOMPARE(accountRows(), before);
    QCOMPARE(Session().settings.defaultCashId, -1);
  }

  // A No to "not in a group" stays; the name with the awkward characters is
  // stored as typed; the first external account becomes the default, the
  // second does not; "notyetposted" and an empty open date.
  void externalNewSaved() {
    ScriptedPrompter p;
    p.no("Account is not in a group - OK ?");
    TObj saved;
    QVERIFY(!SaveExternalAccount(newExternal("x"), saved));
    VERIFY_PROMPTS(p);

    const QString odd = "Tom's 100% \"Bits\" & Co";
    TAccountEntry e = newExternal(odd);
    e.openDateText = kNotYetPosted;
    e.note = "first";
    ScriptedPrompter p2;
    p2.yes("Account is not in a group - OK ?");
    QVERIFY(SaveExternalAccount(e, saved));
    VERIFY_PROMPTS(p2);
    RollbackIfActive();  // committed: nothing left to lose
    const TObj first = read(saved.id);
    QCOMPARE(first.name, odd);
    QCOMPARE(first.kind, uint8_t(kKindExternal));
    QCOMPARE(first.ccy, QString("GBP"));
    QCOMPARE(StoredDate(first.openDate), 99999999);
    QCOMPARE(AccountNotes(), QString("first"));
    QCOMPARE(Session().settings.defaultCashId, saved.id);
    QVERIFY(Session().settings.resetPaths);

    e = newExternal("Second");
    e.openDateText = "";
    ScriptedPrompter p3;
    p3.yes("Account is not in a group - OK ?");
    TObj second;
    QVERIFY(SaveExternalAccount(e, second));
    QCOMPARE(StoredDate(read(second.id).openDate), 0);
    QCOMPARE(Session().settings.defaultCashId, saved.id);
  }

  void generateName_data() {
    QTest::addColumn<QString>("provider");
    QTest::addColumn<QString>("designation");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("tooLong");
    QTest::newRow("provider only") << "Bank"
                                   << ""
                                   << "Bank owes" << false;
    QTest::newRow("provider and designation") << "Bank"
                                              << "Card"
                                              << "Bank Card" << false;
    QTest::newRow("no provider") << ""
                                 << "Card"
                                 << "Notes & Coin" << false;
    QTest::newRow("over 40") << QString(30, 'b') << "Savings account"
                             << QString(30, 'b') + " Savings account" << true;
  }
  void generateName() {
    QFETCH(QString, provider);
    QFETCH(QString, designation);
    QFETCH(QString, expected);
    QFETCH(bool, tooLong);
    const int32_t cpty = provider.isEmpty() ? 0 : addAccount(kKindCounterparty, provider);
    ScriptedPrompter p;
    if (tooLong) p.info("Account name too long - edit to <= 40 characters");
    QString name;
    QVERIFY(GenerateAccountName("", cpty, designation, name));
    VERIFY_PROMPTS(p);
    QCOMPARE(name, expected);
  }

  void generateAsksBeforeOverwriting() {
    ScriptedPrompter p;
    p.no("Overwrite account name with defaults - OK?");
    p.yes("Overwrite account name with defaults - OK?");
    QString name = "mine";
    QVERIFY(!GenerateAccountName("mine", 0, "", name));
    QCOMPARE(name, QString("mine"));
    QVERIFY(GenerateAccountName("mine", 0, "", name));
    QCOMPARE(name, QString("Notes & Coin"));
    VERIFY_PROMPTS(p);
  }

  // The provider learns its account only when it has none; a replaced
  // provider that pointed here forgets it.
  void providerLinks() {
    const int32_t bank = addAccount(kKindCounterparty, "Bank");
    const int32_t other = addAccount(kKindCounterparty, "Other bank");
    ScriptedPrompter p;
    for (int i = 0; i < 3; ++i) p.yes("Account is not in a group - OK ?");
    TAccountEntry e = newExternal("Bank current");
    e.providerId = bank;
    TObj first;
    QVERIFY(SaveExternalAccount(e, first));
    QCOMPARE(read(bank).heldWith, first.id);
    QCOMPARE(read(first.id).heldWith, bank);

    e = newExternal("Bank savings");
    e.providerId = bank;
    TObj second;
    QVERIFY(SaveExternalAccount(e, second));
    QCOMPARE(read(bank).heldWith, first.id);  // kept

    TAccountEntry moved = editOf(first.id);
    moved.providerId = other;
    TObj saved;
    QVERIFY(SaveExternalAccount(moved, saved));
    VERIFY_PROMPTS(p);
    QCOMPARE(read(bank).heldWith, 0);
    QCOMPARE(read(other).heldWith, first.id);
    QCOMPARE(read(first.id).heldWith, other);
  }

  // Joining a group opened later: "back-date?" Yes moves the group's open
  // date only when the whole save goes through.
  void groupBackDate() {
    const int32_t grp = addAccount(kKindExternalGroup, "Banks", "GBP", 20230101);
    addAccount(kKindExternal, "Taken");
    const QString question =
        QString(" Group %1 \"Banks\" opened too late for Account / Sub-Group \"%2\" - back-date?")
            .arg(grp);

    TAccountEntry e = newExternal("taken");
    e.groupId = grp;
    e.openDateText = "2022-06-01";
    ScriptedPrompter p;
    p.yes(question.arg("taken"));
    p.info("External Account \"Taken\"already exists");
    TObj saved;
    QVERIFY(!SaveExternalAccount(e, saved));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QCOMPARE(StoredDate(read(grp).openDate), 20230101);

    e.nameText = "Fresh";
    ScriptedPrompter p2;
    p2.yes(question.arg("Fresh"));
    QVERIFY(SaveExternalAccount(e, saved));
    VERIFY_PROMPTS(p2);
    RollbackIfActive();
    QCOMPARE(StoredDate(read(grp).openDate), 20220601);
    const TObj fresh = read(saved.id);
    QCOMPARE(fresh.groupId, grp);
    QCOMPARE(fresh.path, QString(" Banks :"));
  }

  void groupRefusals_data() {
    QTest::addColumn<QString>("ccy");
    QTest::addColumn<QString>("closed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("other currency") << "USD"
                                    << ""
                                    << "account currency/group mismatch";
    QTest::newRow("closes after the group") << "GBP"
                                            << "2024-06-01"
                                            << "closed too soon";
  }
  void groupRefusals() {
    QFETCH(QString, ccy);
    QFETCH(QString, closed);
    QFETCH(QString, expected);
    const int32_t grp = addAccount(kKindExternalGroup, "Banks", ccy, 20200101);
    QVERIFY(ExecSqlCommitted("update account set closedate = 20240101 where id = ?", {grp}));
    const int before = accountRows();
    TAccountEntry e = newExternal("Card");
    e.groupId = grp;
    e.closedText = closed;
    ScriptedPrompter p;
    p.info(expected == "closed too soon"
               ? QString(" Group %1 \"Banks\" closed too soon for Account / Sub-Group \"Card\"")
                     .arg(grp)
               : expected);
    TObj saved;
    QVERIFY(!SaveExternalAccount(e, saved));
    VERIFY_PROMPTS(p);
    QCOMPARE(accountRows(), before);
  }

  // Renaming checks the new name; a change of case alone is no clash. An
  // account changed since the form was filled is not overwritten.
  void editRenameAndRowVersion() {
    const int32_t a = addAccount(kKindExternal, "Wallet");
    addAccount(kKindExternal, "Purse");
    ScriptedPrompter p;
    p.yes("Account is not in a group - OK ?");
    p.info("External Account \"Purse\"already exists");
    p.yes("Account is not in a group - OK ?");
    TAccountEntry e = editOf(a);
    e.nameText = "PURSE";
    TObj saved;
    QVERIFY(!SaveExternalAccount(e, saved));
    e.nameText = "WALLET";
    QVERIFY(SaveExternalAccount(e, saved));
    VERIFY_PROMPTS(p);
    QCOMPARE(read(a).name, QString("WALLET"));

    // e still holds the row version before that save.
    e.nameText = "Wallet 2";
    ScriptedPrompter p2;
    p2.yes("Account is not in a group - OK ?");
    p2.info(QString("Program error : Downdating account #%1 \"Wallet 2\"").arg(a));
    QVERIFY(!SaveExternalAccount(e, saved));
    VERIFY_PROMPTS(p2);
    RollbackIfActive();
    QCOMPARE(read(a).name, QString("WALLET"));
  }

  void frozenBooks() {
    const int32_t a = addAccount(kKindExternal, "Wallet");
    Session().settings.dbFrozen = true;
    ScriptedPrompter p;
    const QString refusal = "Cannot change accounts, database is frozen";
    p.info(refusal).info(refusal).info(refusal).info(refusal);
    TObj saved;
    QVERIFY(!SaveExternalAccount(newExternal("New"), saved));
    TAccountEntry i = editOf(1);
    QVERIFY(!SaveInternalAccount(i, saved));
    TDateRec d;
    QVERIFY(!AskAccountCloseDate(read(a), d));
    QVERIFY(!ToggleFavourite(a));
    VERIFY_PROMPTS(p);
    QVERIFY(!read(a).favourite);
  }

  // "Fa&vorite" works on the account as stored now, so a change made since
  // the caller read it is kept, not refused or overwritten.
  void favouriteRereads() {
    const int32_t a = addAccount(kKindExternal, "Wallet");
    QVERIFY(ExecSqlCommitted("update account set name = 'Purse', editts = ? where id = ?",
                             {QDateTime::currentDateTime().addSecs(5), a}));
    ScriptedPrompter p;
    TObj written;
    QVERIFY(ToggleFavourite(a, &written));
    VERIFY_PROMPTS(p);
    RollbackIfActive();
    QVERIFY(read(a).favourite);
    QCOMPARE(read(a).name, QString("Purse"));
    QCOMPARE(written.edited, read(a).edited);
    QVERIFY(ToggleFavourite(a));
    QVERIFY(!read(a).favourite);
  }

  // A category turned into a pot needs a rebalance; the stored "< 0" / "> 0"
  // are written as given; a new pot never becomes the default category, a
  // new category does.
  void internalSorts() {
    ScriptedPrompter p;
    for (int i = 0; i < 3; ++i) p.yes("Account is not in a group - OK ?");
    TAccountEntry e;
    e.isNew = true;
    e.loaded = NewObj();
    e.kind = kKindPot;
    e.nameText = "Savings pot";
    TObj pot;
    QVERIFY(SaveInternalAccount(e, pot));
    QCOMPARE(read(pot.id).kind, uint8_t(kKindPot));
    QCOMPARE(Session().settings.defaultCtgyId, -1);

    e.kind = kKindCategory;
    e.nameText = "Food";
    e.allowPositive = false;
    TObj food;
    QVERIFY(SaveInternalAccount(e, food));
    QCOMPARE(Session().settings.defaultCtgyId, food.id);
    QCOMPARE(read(food.id).ccy, QString("GBP"));
    QVERIFY(!read(food.id).allowPositive);

    SetRebalanceNeeded(false);
    TAccountEntry edit = editOf(food.id);
    edit.kind = kKindPot;
    QVERIFY(SaveInternalAccount(edit, food));
    VERIFY_PROMPTS(p);
    QCOMPARE(read(food.id).kind, uint8_t(kKindPot));
    QVERIFY(!read(food.id).allowPositive);
    QVERIFY(RebalanceNeeded());
  }

  void openDateTexts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("ymd");
    QTest::newRow("empty") << "" << true << 0;
    QTest::newRow("not yet posted") << "notyetposted" << true << 99999999;
    QTest::newRow("plain") << "2024-02-29" << true << 20240229;
    QTest::newRow("from the calendar") << "2024-03-05 (Tue)" << true << 20240305;
    QTest::newRow("no such day") << "2023-02-29" << false << 0;
    QTest::newRow("month 13") << "2024-13-01" << false << 0;
    QTest::newRow("trailing text") << "2024-03-05x" << false << 0;
  }
  void openDateTexts() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, ymd);
    TDateRec d{1, 1, 1};
    QCOMPARE(ParseOpenDateText(text, d), ok);
    if (ok) QCOMPARE(StoredDate(d), ymd);
  }
};

QTEST_MAIN(TstAccountSave)
#include "tst_account_save.moc"
