// The account lists without windows, on real books: the rows and "Status" of
// each status filter (other currencies left out), the incremental search's
// positioning and widening, the finder's pages in both modes, and the
// name/notes search with its groups and literal special characters.
#include <QtTest>
#include <memory>

#include "foundation/dates.h"
#include "reports/account_books.h"
#include "reports/account_lists.h"
#include "store/db.h"
#include "store/session.h"
#include "support/books_fixture.h"

using namespace account_books;

namespace {

QStringList namesWithStatus(const QList<TAccountListRow>& rows) {
  QStringList out;
  for (const auto& r : rows) out << r.name + (r.status.isEmpty() ? QString() : ":" + r.status);
  return out;
}

QStringList texts(const QList<TFinderHit>& hits) {
  QStringList out;
  for (const auto& h : hits) out << h.text;
  return out;
}

}  // namespace

class TstAccountLists : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestBooks> books_;
  int32_t dormancy_ = 0;

  QList<TAccountListRow> list(AccountFilter f, int kind = 1, const QString& ccy = "GBP") {
    QList<TAccountListRow> rows;
    TAccountListQuery q;
    q.kind = kind;
    q.filter = f;
    q.dormancyDate = dormancy_;
    q.ccy = ccy;
    [&] { QVERIFY(ListAccounts(q, rows)); }();
    return rows;
  }

 private Q_SLOTS:
  void init() {
    books_ = std::make_unique<TestBooks>();
    QVERIFY2(books_->ok(), qPrintable(books_->error()));
    QString error;
    QVERIFY2(BuildAccountBooks(error), qPrintable(error));
    dormancy_ = Session().dormantCutoff;
    QCOMPARE(dormancy_, DaysAgo(365));
  }
  void cleanup() { books_.reset(); }

  void filters_data() {
    QTest::addColumn<int>("filter");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("Favorites") << int(AccountFilter::Favorites) << QStringList{"Alpha:favorite"};
    QTest::newRow("Recent") << int(AccountFilter::Recent) << QStringList{"delta:new", "foxtrot"};
    QTest::newRow("Dormant") << int(AccountFilter::Dormant) << QStringList{"Echo:dormant"};
    QTest::newRow("Closed") << int(AccountFilter::Closed)
                            << QStringList{"Alpha:favorite", "bravo:closed"};
    QTest::newRow("ALL") << int(AccountFilter::All)
                         << QStringList{"Alpha:favorite", "bravo:closed", "Charlie:archived",
                                        "delta:new",      "Echo:dormant", "foxtrot"};
  }
  void filters() {
    QFETCH(int, filter);
    QFETCH(QStringList, rows);
    QCOMPARE(namesWithStatus(list(AccountFilter(filter))), rows);
  }

  void otherCurrencyAndInternalFamily() {
    QCOMPARE(namesWithStatus(list(AccountFilter::All, 1, "USD")), QStringList{"Golf"});
    // Categories and pots share one list; the default pot is the only one here.
    TObj cat = NewObj();
    cat.kind = 3;
    cat.name = "Books";
    QVERIFY(WriteAccount(cat));
    const auto internal = list(AccountFilter::All, 6, QString());
    QCOMPARE(internal.size(), 2);
    QCOMPARE(internal[0].name, QString("Books"));
    QCOMPARE(internal[1].id, 1);
  }

  void statusRules_data() {
    QTest::addColumn<bool>("fav");
    QTest::addColumn<int>("close");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("open");
    QTest::addColumn<bool>("lock");
    QTest::addColumn<QString>("status");
    // Dormancy date 20240101 throughout.
    QTest::newRow("favorite wins over closed") << true << 20230101 << 0 << 0 << false << "favorite";
    QTest::newRow("closed") << false << 20230101 << 20220101 << 0 << false << "closed";
    QTest::newRow("archived: opened on the date")
        << false << kOpenEnded << 0 << 20240101 << true << "archived";
    QTest::newRow("new") << false << kOpenEnded << 0 << 20240102 << true << "new";
    QTest::newRow("no postings, not locked") << false << kOpenEnded << 0 << 20240102 << false << "";
    QTest::newRow("posted after the date") << false << kOpenEnded << 20240102 << 0 << false << "";
    QTest::newRow("posted on the date")
        << false << kOpenEnded << 20240101 << 0 << false << "dormant";
  }
  void statusRules() {
    QFETCH(bool, fav);
    QFETCH(int, close);
    QFETCH(int, last);
    QFETCH(int, open);
    QFETCH(bool, lock);
    QFETCH(QString, status);
    QCOMPARE(AccountStatusText(fav, close, last, open, lock, 20240101), status);
  }

  void incrementalSearch() {
    const auto all = list(AccountFilter::All);
    QCOMPARE(RowStartingWith(all, ""), 0);
    QCOMPARE(RowStartingWith(all, "ECH"), 4);
    QCOMPARE(RowStartingWith(all, "d"), 3);
    QCOMPARE(RowStartingWith(all, "dx"), -1);
    QCOMPARE(RowStartingWith({}, ""), -1);
    QCOMPARE(RowOfId(all, kFoxtrot), 5);
    QCOMPARE(RowOfId(all, kGolf), -1);

    // "bravo" is only closed: the walk widens until the Closed filter holds it.
    AccountFilter f = AccountFilter::Favorites;
    QStringList walked;
    while (RowStartingWith(list(f), "bra") < 0 && WiderFilter(f) != f) {
      f = WiderFilter(f);
      walked << QString::number(int(f));
    }
    QCOMPARE(walked, QStringList({"1", "2", "3"}));
    QCOMPARE(RowStartingWith(list(f), "bra"), 1);
    QCOMPARE(WiderFilter(AccountFilter::All), AccountFilter::All);
  }

  void finder_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("contains");
    QTest::addColumn<QStringList>("actives");
    QTest::addColumn<QStringList>("dormants");
    QTest::addColumn<QStringList>("closed");
    QTest::newRow("empty text matches all")
        << "" << false << QStringList{"foxtrot", "Golf (USD)"}
        << QStringList{"Charlie", "delta", "Echo"} << QStringList{"Alpha", "bravo"};
    QTest::newRow("starts with, case folded")
        << "ECH" << false << QStringList() << QStringList{"Echo"} << QStringList();
    QTest::newRow("starts with is not contains")
        << "lt" << false << QStringList() << QStringList() << QStringList();
    QTest::newRow("contains, upper-case text")
        << "LT" << true << QStringList() << QStringList{"delta"} << QStringList();
    QTest::newRow("contains, mixed names") << "o" << true << QStringList{"foxtrot", "Golf (USD)"}
                                           << QStringList{"Echo"} << QStringList{"bravo"};
  }
  void finder() {
    QFETCH(QString, text);
    QFETCH(bool, contains);
    QFETCH(QStringList, actives);
    QFETCH(QStringList, dormants);
    QFETCH(QStringList, closed);
    TFinderPages pages;
    QVERIFY(FindAccounts(1, text, contains, dormancy_, "GBP", pages));
    QCOMPARE(texts(pages.page[kPageActives]), actives);
    QCOMPARE(texts(pages.page[kPageDormants]), dormants);
    QCOMPARE(texts(pages.page[kPageClosed]), closed);
    QCOMPARE(pages.empty(), actives.isEmpty() && dormants.isEmpty() && closed.isEmpty());
  }

  void search_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("ids");
    QTest::newRow("name, any case, with the group") << "BANK" << QList<int>{kBanks};
    QTest::newRow("note: apostrophe") << "o'brien" << QList<int>{kFoxtrot};
    QTest::newRow("note: ampersand") << "& co" << QList<int>{kFoxtrot};
    QTest::newRow("note: quotes and percent") << "\"50%\"" << QList<int>{kFoxtrot};
    QTest::newRow("percent is no wildcard") << "a%a" << QList<int>{};
    QTest::newRow("other currency listed too") << "golf" << QList<int>{kGolf};
  }
  void search() {
    QFETCH(QString, text);
    QFETCH(QList<int>, ids);
    QList<TAccountSearchRow> rows;
    QVERIFY(SearchAccountRows(1, text, rows));
    QList<int> got;
    for (const auto& r : rows) got << r.id;
    QCOMPARE(got, ids);
  }

  void searchColumns() {
    TObj shop = NewObj();
    shop.kind = 4;
    shop.name = "Ann's shop";
    shop.cptyPays = shop.cptyReceives = true;
    QVERIFY(WriteAccount(shop));
    QList<TAccountSearchRow> rows;
    QVERIFY(SearchAccountRows(1, "a", rows));
    QMap<int, QString> shown;
    for (const auto& r : rows)
      shown[r.id] =
          QStringList{r.groupText(), r.firstUsedText(), r.lastUsedText(), r.closedText()}.join('|');
    QCOMPARE(shown.keys(), (QList<int>{kAlpha, kBravo, kCharlie, kDelta, kFoxtrot, kBanks}));
    QCOMPARE(shown[kAlpha], "|" + YmdToText(DaysAgo(700)) + "|" + YmdToText(DaysAgo(700)) + "|" +
                                YmdToText(DaysAgo(400)));
    QCOMPARE(shown[kCharlie], QString("|||"));
    QCOMPARE(shown[kBanks], QString("GROUP|notyetposted|notyetposted|"));

    QVERIFY(SearchAccountRows(4, "ANN'S", rows));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].payerText(), QString("payer/ee"));
  }
};

QTEST_GUILESS_MAIN(TstAccountLists)
#include "tst_account_lists.moc"
