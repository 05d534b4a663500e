// A counterparty's categories and an external account's channels without
// windows, against real books: the three pages and their changes, the bypass
// question, the counterparty's own account replacing a dangling link, the rows
// a deleted account takes with it, the channel list's filters, and the
// channel save and delete rules.
#include <QSqlQuery>
#include <QtTest>
#include <memory>

#include "foundation/dates.h"
#include "ledger/accounts.h"
#include "ledger/channels.h"
#include "ledger/counterparty.h"
#include "ledger/cpty_categories.h"
#include "ledger/entry.h"
#include "reports/cpty_lists.h"
#include "store/db.h"
#include "store/records.h"
#include "store/session.h"
#include "support/books_fixture.h"
#include "support/scripted_prompter.h"

namespace {

int32_t addAccount(int kind, const QString& name, int32_t heldWith = 0, bool closed = false) {
  TObj o = NewObj();
  o.kind = uint8_t(kind);
  o.name = name;
  o.heldWith = heldWith;
  o.openDate = YmdToDateRec(20200101);
  if (closed) o.closeDate = YmdToDateRec(20230101);
  if (!WriteAccount(o) || !CommitIfActive()) return 0;
  return o.id;
}

bool addPair(int32_t cpty, int32_t ctgy, const QString& dir, int hidden = 0) {
  return ExecSqlCommitted(
      QStringLiteral(
          "insert into cptyctgy (cptyid, ctgyid, purchsale, hidden) values (?, ?, ?, ?)"),
      {cpty, ctgy, dir, hidden});
}

int32_t addChannel(int32_t acc, const QString& name, QChar type, bool closed = false) {
  TChannel ch;
  ch.accId = acc;
  ch.name = name;
  ch.type = type;
  ch.status = closed ? 1 : 0;
  if (!WriteChannelRow(ch) || !CommitIfActive()) return 0;
  return ch.chnum;
}

QStringList texts(const QList<TIdText>& list) {
  QStringList out;
  for (const TIdText& e : list) out << e.text;
  return out;
}

int intValue(const QString& sql, const QVariantList& binds = {}) {
  return QueryValue(sql, binds, -1).toInt();
}

}  // namespace

class TstCptyChannels : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
  }
  void cleanup() { books_.reset(); }

  // The three pages in name order; a pair whose category is gone is left out.
  void categoryPages() {
    const int32_t c = addAccount(kKindCounterparty, "Shop");
    const int32_t food = addAccount(kKindCategory, "food");
    const int32_t bills = addAccount(kKindCategory, "Bills");
    const int32_t old = addAccount(kKindCategory, "Old", 0, true);
    const int32_t toys = addAccount(kKindCategory, "Toys");
    QVERIFY(addPair(c, food, "P") && addPair(c, bills, "P") && addPair(c, old, "P", 1) &&
            addPair(c, toys, "P", 1) && addPair(c, 999, "P") && addPair(c, food, "S", 1));
    TCptyCategoryLists l;
    QVERIFY(ListCptyCategories(c, QChar('P'), l));
    QCOMPARE(texts(l.preferred), QStringList({"Bills", "food"}));
    QCOMPARE(texts(l.hidden), QStringList({"Toys"}));
    QCOMPARE(texts(l.closed), QStringList({"Old"}));
    QCOMPARE(l.singlePreferred(), 0);
    QVERIFY(ListCptyCategories(c, QChar('S'), l));
    QVERIFY(l.preferred.isEmpty());
    QCOMPARE(texts(l.hidden), QStringList({"food"}));
  }

  // Hide, unhide, "Set as default" and Hideall change only this
  // counterparty's rows of this direction.
  void categoryChanges() {
    const int32_t c = addAccount(kKindCounterparty, "Shop");
    const int32_t other = addAccount(kKindCounterparty, "Other");
    const int32_t a = addAccount(kKindCategory, "A");
    const int32_t b = addAccount(kKindCategory, "B");
    const int32_t d = addAccount(kKindCategory, "C");
    for (int32_t x : {a, b, d})
      QVERIFY(addPair(c, x, "P") && addPair(c, x, "S") && addPair(other, x, "P"));
    const QString hiddenOf = "select sum(hidden) from cptyctgy where cptyid = ? and purchsale = ?";

    QVERIFY(SetCptyCategoryHidden(c, a, QChar('P'), true));
    QCOMPARE(intValue(hiddenOf, {c, "P"}), 1);
    QVERIFY(SetCptyCategoryHidden(c, a, QChar('P'), false));
    QCOMPARE(intValue(hiddenOf, {c, "P"}), 0);

    {
      ScriptedPrompter p;
      p.no(
          "Set Category as default for this Counterparty - OK?\r(ie hide the other Categories "
          "listed)");
      QVERIFY(!SetCptyCategoryAsDefault(c, b, QChar('P')));
      VERIFY_PROMPTS(p);
      QCOMPARE(intValue(hiddenOf, {c, "P"}), 0);
    }
    {
      ScriptedPrompter p;
      p.yes(
          "Set Category as default for this Counterparty - OK?\r(ie hide the other Categories "
          "listed)");
      QVERIFY(SetCptyCategoryAsDefault(c, b, QChar('P')));
      VERIFY_PROMPTS(p);
    }
    TCptyCategoryLists l;
    QVERIFY(ListCptyCategories(c, QChar('P'), l));
    QCOMPARE(texts(l.preferred), QStringList({"B"}));
    QCOMPARE(intValue(hiddenOf, {c, "S"}), 0);
    QCOMPARE(intValue(hiddenOf, {other, "P"}), 0);

    // Hideall on three leaves the last in name order; on one it does nothing.
    QVERIFY(ListCptyCategories(c, QChar('S'), l));
    QList<int32_t> ids;
    for (const TIdText& e : l.preferred) ids << e.id;
    {
      ScriptedPrompter p;
      p.yes("Hide all - OK ?");
      QVERIFY(HideAllCptyCategories(c, QChar('S'), ids));
      VERIFY_PROMPTS(p);
    }
    QVERIFY(ListCptyCategories(c, QChar('S'), l));
    QCOMPARE(texts(l.preferred), QStringList({"C"}));
    ScriptedPrompter quiet;
    QVERIFY(!HideAllCptyCategories(c, QChar('S'), {d}));
    QVERIFY(!HideAllCptyCategories(c, QChar('S'), {}));
    VERIFY_PROMPTS(quiet);
    QCOMPARE(intValue(hiddenOf, {c, "S"}), 2);
  }

  // The bypass question: asked only when a payment or receipt goes through
  // someone else's account while the counterparty has an open one of its own.
  void bypass_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("throughOwn");
    QTest::addColumn<bool>("ownClosed");
    QTest::addColumn<char>("answer");  // ' ' = no question
    QTest::addColumn<bool>("passes");
    QTest::newRow("own account") << "P" << true << false << ' ' << true;
    QTest::newRow("other's, own open, yes") << "P" << false << false << 'Y' << true;
    QTest::newRow("other's, own open, no") << "R" << false << false << 'N' << false;
    QTest::newRow("other's, own closed") << "P" << false << true << ' ' << true;
    QTest::newRow("transfer") << "C" << false << false << ' ' << true;
  }
  void bypass() {
    QFETCH(QString, type);
    QFETCH(bool, throughOwn);
    QFETCH(bool, ownClosed);
    QFETCH(char, answer);
    QFETCH(bool, passes);
    const int32_t x = addAccount(kKindCounterparty, "X");
    const int32_t y = addAccount(kKindCounterparty, "Y");
    const int32_t own = addAccount(kKindExternal, "X owes", x, ownClosed);
    const int32_t ys = addAccount(kKindExternal, "Y bank", y);
    TTxn t = NewTxn();
    t.type = type.at(0);
    t.accId1 = throughOwn ? own : ys;
    t.accId2 = x;
    ScriptedPrompter p;
    if (answer != ' ')
      p.ask(
          "This transaction will bypass your external account with this counterparty - "
          "continue anyway? ?",
          answer);
    QCOMPARE(CheckBypass(t), passes);
    VERIFY_PROMPTS(p);
  }

  // A counterparty whose ACCWITH names an account that is gone gets one new
  // own account, which replaces the link: a second use finds it.
  void danglingAccWith() {
    const int32_t c = addAccount(kKindCounterparty, "Acme", 4242);
    ScriptedPrompter p;
    p.info("External Account \"Acme owes\" created");
    bool created = false;
    const int32_t first = CounterpartyOwnAccount(c, QString(), created);
    QVERIFY(created && first > 0);
    QVERIFY(CommitIfActive());
    const int32_t again = CounterpartyOwnAccount(c, QString(), created);
    VERIFY_PROMPTS(p);
    QVERIFY(!created);
    QCOMPARE(again, first);
    QCOMPARE(intValue("select accwith from account where id = ?", {c}), first);
    QCOMPARE(intValue("select count(*) from account where accwith = ?", {c}), 1);
  }

  // A deleted account's pairs and channels go with it: an account given its
  // id later starts without them.
  void deleteTakesPairsAndChannels() {
    const int32_t c = addAccount(kKindCounterparty, "Shop");
    const int32_t other = addAccount(kKindCounterparty, "Other");
    const int32_t ctgy = addAccount(kKindCategory, "Food");
    const int32_t ext = addAccount(kKindExternal, "Bank");
    QVERIFY(addPair(c, ctgy, "P") && addPair(other, ctgy, "S") && addPair(other, 77, "P"));
    QVERIFY(addChannel(ext, "Card", QChar('P')) > 0);
    ScriptedPrompter p;
    p.yes("Delete internal account \"Food\"?");
    p.yes("Delete external account \"Bank\"?");
    QVERIFY2(CanDeleteAccount(ctgy), qPrintable(p.verify()));
    QVERIFY2(CanDeleteAccount(ext), qPrintable(p.verify()));
    VERIFY_PROMPTS(p);
    QCOMPARE(intValue("select count(*) from cptyctgy where ctgyid = ?", {ctgy}), 0);
    QCOMPARE(intValue("select count(*) from cptyctgy"), 1);
    QCOMPARE(intValue("select count(*) from channel"), 0);
    QCOMPARE(addAccount(kKindExternal, "New bank"), ctgy);
    QList<TIdText> list;
    QCOMPARE(ListChannels(ctgy, list, false, QChar(' ')), 0);
  }

  // Which channels the chooser lists for a direction and the closed setting.
  void listChannels_data() {
    QTest::addColumn<QString>("direction");
    QTest::addColumn<bool>("excludeClosed");
    QTest::addColumn<QStringList>("expected");
    const QString none = kNoChannelText;
    QTest::newRow("all") << " " << false
                         << QStringList{none, "(closed) Old cheques", "Both", "cheque",
                                        "Paying in"};
    QTest::newRow("payments") << "P" << false
                              << QStringList{none, "(closed) Old cheques", "Both", "cheque"};
    QTest::newRow("receipts") << "R" << false << QStringList{none, "Both", "Paying in"};
    QTest::newRow("open only") << " " << true << QStringList{none, "Both", "cheque", "Paying in"};
    QTest::newRow("open payments") << "P" << true << QStringList{none, "Both", "cheque"};
  }
  void listChannels() {
    QFETCH(QString, direction);
    QFETCH(bool, excludeClosed);
    QFETCH(QStringList, expected);
    const int32_t ext = addAccount(kKindExternal, "Bank");
    const int32_t other = addAccount(kKindExternal, "Other");
    QVERIFY(addChannel(ext, "cheque", QChar('P')) && addChannel(ext, "Paying in", QChar('R')) &&
            addChannel(ext, "Both", QChar('X')) &&
            addChannel(ext, "Old cheques", QChar('P'), true) &&
            addChannel(other, "Elsewhere", QChar('X')));
    QList<TIdText> list;
    QCOMPARE(ListChannels(ext, list, excludeClosed, direction.at(0)), int(expected.size()) - 1);
    QCOMPARE(texts(list), expected);
    QCOMPARE(list.first().id, 0);

    // A statement's combo: every channel of the account in number order, then the default.
    QList<TIdText> combo;
    QVERIFY(ChannelComboEntries(ext, combo));
    QCOMPARE(texts(combo),
             QStringList({"cheque", "Paying in", "Both", "Old cheques", "<default channel>"}));
    QCOMPARE(combo.last().id, 0);
  }

  // The channel form's save: a name is needed; the first channel is number 1;
  // the radios give the type; texts are kept literally, cut to 20.
  void saveChannel_data() {
    QTest::addColumn<bool>("payment");
    QTest::addColumn<bool>("receipt");
    QTest::addColumn<QString>("type");
    QTest::newRow("payment") << true << false << "P";
    QTest::newRow("receipt") << false << true << "R";
    QTest::newRow("neither") << false << false << "X";
  }
  void saveChannel() {
    QFETCH(bool, payment);
    QFETCH(bool, receipt);
    QFETCH(QString, type);
    const int32_t ext = addAccount(kKindExternal, "Bank");
    TChannelEntry e;
    e.accountId = ext;
    e.payment = payment;
    e.receipt = receipt;
    TChannel saved;
    {
      ScriptedPrompter p;
      p.info("Channel name must be specified");
      e.name = "   ";
      QVERIFY(!SaveChannel(e, saved));
      VERIFY_PROMPTS(p);
    }
    QCOMPARE(intValue("select count(*) from channel"), 0);
    e.name = "O'Neil \"card\"; drop table txn; & more";
    e.note = "it's a note";
    QVERIFY(SaveChannel(e, saved));
    QCOMPARE(saved.chnum, 1);
    TChannel back;
    QVERIFY(ReadChannel(1, back));
    QCOMPARE(back.name, QString("O'Neil \"card\"; drop "));
    QCOMPARE(back.note, QString("it's a note"));
    QCOMPARE(QString(back.type), type);
    QCOMPARE(back.accId, ext);

    // Edited: the same number; a second new one is the next.
    e.isNew = false;
    e.chnum = 1;
    e.name = "Renamed";
    e.closed = true;
    QVERIFY(SaveChannel(e, saved));
    QVERIFY(ReadChannel(1, back));
    QCOMPARE(back.name, QString("Renamed"));
    QCOMPARE(back.status, 1);
    e.isNew = true;
    QVERIFY(SaveChannel(e, saved));
    QCOMPARE(saved.chnum, 2);
  }

  // A channel a transaction went through stays; one only repeaters name goes,
  // and they name none, in the same commit.
  void deleteChannel() {
    const int32_t ext = addAccount(kKindExternal, "Bank");
    const int32_t used = addChannel(ext, "Card", QChar('P'));
    const int32_t rptOnly = addChannel(ext, "Standing order", QChar('P'));
    QVERIFY(ExecSqlCommitted("insert into txn (id, \"type\", accid1, chnum) values (1, 'P', ?, ?)",
                             {ext, used}));
    QVERIFY(ExecSqlCommitted(
        "insert into rptr (id, \"type\", rptactive, accid1, chnum) values (5, 'P', 1, ?, ?)",
        {ext, rptOnly}));
    ScriptedPrompter p;
    p.yes("Delete channel?").info("Channel has transaction(s) - cannot delete");
    p.no("Delete channel?");
    p.yes("Delete channel?");
    QVERIFY(!DeleteChannel(used));
    QVERIFY(!DeleteChannel(rptOnly));
    QVERIFY(LocateChannel(rptOnly));
    QVERIFY(DeleteChannel(rptOnly));
    VERIFY_PROMPTS(p);
    QVERIFY(LocateChannel(used));
    QVERIFY(!LocateChannel(rptOnly));
    QVERIFY(RollbackIfActive());
    QVERIFY(!LocateChannel(rptOnly));
    QCOMPARE(intValue("select chnum from rptr where id = 5"), 0);
  }
};

QTEST_GUILESS_MAIN(TstCptyChannels)
#include "tst_cpty_channels.moc"
