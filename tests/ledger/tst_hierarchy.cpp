// Group paths and the account-in-group closure against real books: the
// rebuild level by level, stale rows, names that need care, chains that do
// not end (a cycle, a chain too deep) and the path text of one account.
#include <QSqlQuery>
#include <QtTest>
#include <memory>

#include "ledger/hierarchy.h"
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

// Rows written directly: the rebuild must not depend on how they got there.
void put(int32_t id, int kind, const QString& name, int32_t group, const QString& path = " ") {
  exec(
      "insert into account (id, name, type2, btype, isgrp, grpid, path, ccy, opendate, "
      "closedate, bfdbal, bfdval) values (?, ?, ?, ?, ?, ?, ?, 'GBP', 99999999, 99999999, 0, 0)",
      {id, name, kind, kind == 10 ? 6 : kind, kind == 10 ? 1 : 0, group, path});
}

QString pathOf(int32_t id) { return one("select path from account where id = ?", {id}).toString(); }

// The closure rows of one account, as sorted group ids.
QList<int> groupsOf(int32_t id) {
  QList<int> g;
  QSqlQuery q = RunQuery("select grpid from accingrp where accid = ? order by grpid", {id});
  while (q.next()) g << q.value(0).toInt();
  return g;
}

}  // namespace

class TstHierarchy : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;

 private Q_SLOTS:
  void init();
  void cleanup();

  void threeLevels();
  void rebuildAfterRegroup();
  void names_data();
  void names();
  void missingGroup();
  void cycleOfTwoGroups();
  void depthLimit_data();
  void depthLimit();
  void groupPathText();
  void pathUnderGroup();
  void markHierarchyChanged();
};

void TstHierarchy::init() {
  books_ = std::make_unique<TestBooks>();
  QVERIFY2(books_->ok(), qPrintable(books_->error()));
}

void TstHierarchy::cleanup() {
  RollbackIfActive();
  books_.reset();
}

// Groups A > B > C with an account in C: three passes, the names in order.
void TstHierarchy::threeLevels() {
  put(10, 10, "A", 0);
  put(11, 10, "B", 10, " wrong :");
  put(12, 10, "C", 11);
  put(13, 3, "Food", 12, " stale :");
  put(14, 6, "Spare", 0, " leftover :");
  put(15, 3, "Rent", 11);
  exec("insert into accingrp (accid, grpid) values (13, 1)");   // a stale closure row
  exec("insert into accingrp (accid, grpid) values (11, 10)");  // groups have no rows of their own
  QVERIFY(CommitIfActive());

  ScriptedPrompter p;
  QVERIFY(RebuildPaths());
  VERIFY_PROMPTS(p);
  // One status per account in a group, counting down the ones still to do after it.
  QCOMPARE(p.statuses().filter("Rebuilding hierarchy"),
           (QStringList{"Rebuilding hierarchy 1", "Rebuilding hierarchy 0"}));
  QCOMPARE(p.statuses().filter("path depth"),
           (QStringList{"path depth 1", "path depth 2", "path depth 3"}));
  QCOMPARE(p.flashes(), QStringList{"Paths rebuilt OK"});
  QCOMPARE(p.statuses().last(), QString());

  QCOMPARE(pathOf(13), QString(" A : B : C :"));
  QCOMPARE(pathOf(12), QString(" A : B :"));
  QCOMPARE(pathOf(15), QString(" A : B :"));
  QCOMPARE(pathOf(11), QString(" A :"));
  QCOMPARE(pathOf(10), QString(" "));
  QCOMPARE(pathOf(14), QString(" "));
  QCOMPARE(pathOf(1), QString(" "));
  QCOMPARE(groupsOf(13), (QList<int>{10, 11, 12}));
  QCOMPARE(groupsOf(15), (QList<int>{10, 11}));
  QCOMPARE(groupsOf(11), QList<int>());
  QCOMPARE(CountAll("accingrp"), 5);
  QCOMPARE(CountRows("account", "path = ' '"), 3);  // A, Spare and the default pot

  // Running again changes nothing.
  ScriptedPrompter again;
  QVERIFY(RebuildPaths());
  VERIFY_PROMPTS(again);
  QCOMPARE(pathOf(13), QString(" A : B : C :"));
  QCOMPARE(groupsOf(13), (QList<int>{10, 11, 12}));
  QCOMPARE(CountAll("accingrp"), 5);
}

// A small change after a full rebuild: only the rows that differ are touched,
// and the result is the same as from scratch.
void TstHierarchy::rebuildAfterRegroup() {
  put(10, 10, "A", 0);
  put(11, 10, "B", 10);
  put(12, 10, "C", 11);
  put(20, 10, "X", 0);
  for (int i = 0; i < 8; ++i) put(100 + i, 3, "Acc " + QString::number(i), i < 4 ? 12 : 20);
  QVERIFY(CommitIfActive());
  ScriptedPrompter p;
  QVERIFY(RebuildPaths());
  QCOMPARE(CountAll("accingrp"), 4 * 3 + 4);

  exec("update account set grpid = 20 where id = 11");   // B moves from A to X
  exec("update account set grpid = 10 where id = 107");  // one account moves into A
  QVERIFY(CommitIfActive());
  QVERIFY(RebuildPaths());
  VERIFY_PROMPTS(p);
  QCOMPARE(pathOf(100), QString(" X : B : C :"));
  QCOMPARE(groupsOf(100), (QList<int>{11, 12, 20}));
  QCOMPARE(pathOf(104), QString(" X :"));
  QCOMPARE(groupsOf(104), QList<int>{20});
  QCOMPARE(pathOf(107), QString(" A :"));
  QCOMPARE(groupsOf(107), QList<int>{10});
  QCOMPARE(pathOf(11), QString(" X :"));
  QCOMPARE(CountAll("accingrp"), 4 * 3 + 3 + 1);
}

void TstHierarchy::names_data() {
  QTest::addColumn<QString>("outer");
  QTest::addColumn<QString>("inner");
  QTest::addColumn<QString>("expected");
  QTest::newRow("apostrophes") << "Bob's"
                               << "O'Neil''s"
                               << " Bob's : O'Neil''s :";
  QTest::newRow("quotes and colons") << "\"Home\""
                                     << "a : b"
                                     << " \"Home\" : a : b :";
  QTest::newRow("accents") << "Café"
                           << "Ærø"
                           << " Café : Ærø :";
  QTest::newRow("blanks kept") << " lead"
                               << "trail "
                               << "  lead : trail  :";
}

void TstHierarchy::names() {
  QFETCH(QString, outer);
  QFETCH(QString, inner);
  QFETCH(QString, expected);
  put(10, 10, outer, 0);
  put(11, 10, inner, 10);
  put(12, 6, "Pot", 11);
  QVERIFY(CommitIfActive());
  ScriptedPrompter p;
  QVERIFY(RebuildPaths());
  VERIFY_PROMPTS(p);
  QCOMPARE(pathOf(12), expected);
  QCOMPARE(GroupPathText(12), expected);
}

// A member of a group that does not exist keeps the blank path; its own
// members, whose chain never reaches the top, end the rebuild with an error.
void TstHierarchy::missingGroup() {
  put(10, 10, "Lost", 99);
  put(11, 3, "Food", 10);
  put(12, 10, "A", 0);
  put(13, 3, "Rent", 12);
  QVERIFY(CommitIfActive());
  ScriptedPrompter p;
  p.info("Error : Group depth > 99");
  QVERIFY(!RebuildPaths());
  VERIFY_PROMPTS(p);
  QCOMPARE(pathOf(10), QString(" "));
  QCOMPARE(pathOf(11), QString(" "));
  QCOMPARE(pathOf(13), QString(" A :"));  // what could be built is kept
  // The walk records every group met, up to the missing one.
  QCOMPARE(groupsOf(11), (QList<int>{10, 99}));
  QCOMPARE(groupsOf(13), QList<int>{12});
}

// Two groups inside each other: no hang, no duplicate-key error, a message
// naming the account, and the healthy part of the tree rebuilt.
void TstHierarchy::cycleOfTwoGroups() {
  put(10, 10, "G1", 11);
  put(11, 10, "G2", 10);
  put(12, 3, "Trapped", 10);
  put(13, 6, "Also trapped", 11);
  put(20, 10, "Fine", 0);
  put(21, 3, "Free", 20);
  QVERIFY(CommitIfActive());

  ScriptedPrompter p;
  p.info("Group contains itself 12, 13");
  p.info("Error : Group depth > 99");
  QVERIFY(!RebuildPaths());
  VERIFY_PROMPTS(p);
  QCOMPARE(groupsOf(12), (QList<int>{10, 11}));
  QCOMPARE(groupsOf(13), (QList<int>{10, 11}));
  QCOMPARE(groupsOf(21), QList<int>{20});
  QCOMPARE(pathOf(21), QString(" Fine :"));
  QCOMPARE(pathOf(12), QString(" "));
  QVERIFY(p.statuses().filter("path depth").size() < 99);  // stopped once nothing moved

  ScriptedPrompter h;
  h.info("Group contains itself 12, 13");
  QList<int32_t> broken;
  QVERIFY(RebuildHierarchy(&broken));
  VERIFY_PROMPTS(h);
  QCOMPARE(broken, (QList<int32_t>{12, 13}));
  QCOMPARE(CountAll("accingrp"), 5);

  ScriptedPrompter t;
  t.info("Group contains itself 12");
  GroupPathText(12);
  VERIFY_PROMPTS(t);
}

// Chains of 99 groups are the deepest allowed; one more is reported as a group
// that contains itself by the closure and as too deep by the paths.
void TstHierarchy::depthLimit_data() {
  QTest::addColumn<int>("depth");
  QTest::newRow("99 groups") << 99;
  QTest::newRow("100 groups") << 100;
}

void TstHierarchy::depthLimit() {
  QFETCH(int, depth);
  // Group 1000 + k sits in group 1000 + k + 1; the outermost is at the top.
  for (int k = 1; k <= depth; ++k)
    put(1000 + k, 10, "G" + QString::number(k), k < depth ? 1001 + k : 0);
  put(2000, 3, "Deep", 1001);
  QVERIFY(CommitIfActive());

  ScriptedPrompter p;
  if (depth > 99) {
    p.info("Group contains itself 2000");
    p.info("Error : Group depth > 99");
  }
  QCOMPARE(RebuildPaths(), depth <= 99);
  VERIFY_PROMPTS(p);
  QCOMPARE(p.statuses().filter("path depth").size(), 99);
  QCOMPARE(groupsOf(2000).size(), 99);
  if (depth <= 99) {
    // 99 names do not fit: the path is cut to the column's width.
    const QString path = pathOf(2000);
    QCOMPARE(path.size(), 255);
    QVERIFY(path.startsWith(" G99 : G98 :"));
    QCOMPARE(pathOf(1001).left(12), QString(" G99 : G98 :"));
  } else {
    QCOMPARE(pathOf(2000), QString(" "));
  }

  ScriptedPrompter t;
  if (depth > 99) t.info("Group contains itself 2000");
  const QString text = GroupPathText(2000);
  VERIFY_PROMPTS(t);
  QCOMPARE(text.count(" :"), 99);
}

void TstHierarchy::groupPathText() {
  put(10, 10, "Household", 0);
  put(11, 10, "Utilities", 10);
  put(12, 3, "Power", 11, " not used :");
  QVERIFY(CommitIfActive());
  ScriptedPrompter p;
  QCOMPARE(GroupPathText(12), QString(" Household : Utilities :"));
  QCOMPARE(GroupPathText(11), QString(" Household :"));
  QCOMPARE(GroupPathText(10), QString());
  QCOMPARE(GroupPathText(77), QString());
  exec("update account set grpid = 55 where id = 11");  // the chain stops at a missing account
  QCOMPARE(GroupPathText(12), QString(" Utilities :"));
  VERIFY_PROMPTS(p);
}

void TstHierarchy::pathUnderGroup() {
  TObj top = NewObj();
  top.name = "Household";
  top.path = " ";
  QCOMPARE(PathUnderGroup(top), QString(" Household :"));
  TObj inner = NewObj();
  inner.name = "Utilities";
  inner.groupId = 10;
  inner.path = " Household :";
  QCOMPARE(PathUnderGroup(inner), QString(" Household : Utilities :"));
  inner.path = QString(250, 'x');
  QCOMPARE(PathUnderGroup(inner).size(), 255);
}

void TstHierarchy::markHierarchyChanged() {
  Session().settings.resetPaths = false;
  Session().settings.rebalNeeded = false;
  MarkHierarchyChanged();
  QVERIFY(Session().settings.resetPaths);
  QVERIFY(RebalanceNeeded());
}

QTEST_GUILESS_MAIN(TstHierarchy)
#include "tst_hierarchy.moc"
