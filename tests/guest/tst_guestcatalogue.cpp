#include "ApiClient.h"
#include "AppSession.h"
#include "Await.h"
#include "DevServer.h"
#include "GuestCatalogueViewModel.h"
#include "LearningAPIClient.h"
#include "Platform.h"
#include "TestPlatform.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <memory>

Q_DECLARE_METATYPE(FakeTransport::Reply)

namespace {

using Reply = FakeTransport::Reply;
using Entry = GuestCatalogueViewModel::Entry;

const QString chaptersPath = QStringLiteral("/api/v1/knowledge/chapters");

QString pointsPath(const QString &code) {
    return chaptersPath + u'/' + code + QStringLiteral("/points");
}

QJsonObject chapterJson(const QString &code, int grade = 7, const QString &name = QStringLiteral("有理数")) {
    return {{"code", code}, {"subject", "math"}, {"stage", "junior"}, {"grade", grade}, {"name", name}};
}

QByteArray list(const QJsonArray &items) {
    return QJsonDocument(QJsonObject{{"items", items}}).toJson(QJsonDocument::Compact);
}

QByteArray chapters(const QStringList &codes) {
    QJsonArray items;
    for (const QString &code : codes)
        items.append(chapterJson(code));
    return list(items);
}

QByteArray points(const QStringList &names) {
    QJsonArray items;
    for (qsizetype i = 0; i < names.size(); ++i)
        items.append(QJsonObject{{"code", QStringLiteral("kp%1").arg(i + 1)}, {"name", names[i]}});
    return list(items);
}

ChapterItem chapter(const QString &code) {
    return {code, QStringLiteral("math"), QStringLiteral("junior"), 7, QStringLiteral("有理数")};
}

// Counts the requests under way at once, around the scripted transport.
class CountingTransport final : public Transport {
public:
    explicit CountingTransport(std::shared_ptr<FakeTransport> inner) : m_inner(std::move(inner)) {}

    QCoro::Task<HttpResponse> send(HttpRequest request) override {
        ++inFlight;
        mostInFlight = std::max(mostInFlight, inFlight);
        try {
            HttpResponse response = co_await m_inner->send(std::move(request));
            --inFlight;
            co_return response;
        } catch (...) {
            --inFlight;
            throw;
        }
    }
    QCoro::Task<std::unique_ptr<ByteStream>> open(HttpRequest request) override {
        return m_inner->open(std::move(request));
    }

    int inFlight = 0;
    int mostInFlight = 0;

private:
    std::shared_ptr<FakeTransport> m_inner;
};

} // namespace

class TestGuestCatalogue : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsLoading() {
        TestPlatform platform;
        GuestCatalogueViewModel vm;
        QVERIFY(vm.loading());
        QVERIFY(!vm.failed());
        QVERIFY(vm.entries().isEmpty());
        QVERIFY(platform.transport->requests.isEmpty()); // nothing is sent before the sheet appears
    }

    // --- the answers and the state they lead to

    void states_data() {
        QTest::addColumn<Reply>("chapterList");
        QTest::addColumn<QList<Reply>>("pointLists"); // the answers for chapters c1, c2, ...
        QTest::addColumn<bool>("failed");
        QTest::addColumn<QList<Entry>>("entries");
        QTest::addColumn<int>("requests");

        const QList<Entry> none;
        QTest::newRow("loaded in the server's order")
            << Reply::json(200, chapters({"c2", "c1"}))
            << QList<Reply>{Reply::json(200, points({"去括号"})),
                            Reply::json(200, points({"正数和负数", "数轴"}))}
            << false << QList<Entry>{{chapter("c2"), {"正数和负数", "数轴"}}, {chapter("c1"), {"去括号"}}}
            << 3;
        QTest::newRow("empty catalogue")
            << Reply::json(200, list({})) << QList<Reply>{} << false << none << 1;
        QTest::newRow("a chapter without points")
            << Reply::json(200, chapters({"c1"})) << QList<Reply>{Reply::json(200, list({}))} << false
            << QList<Entry>{{chapter("c1"), {}}} << 2;
        QTest::newRow("points need only their names")
            << Reply::json(200, chapters({"c1"}))
            << QList<Reply>{Reply::json(200, R"({"items":[{"name":"正数和负数","extra":1}],"total":1})")}
            << false << QList<Entry>{{chapter("c1"), {"正数和负数"}}} << 2;
        QTest::newRow("404 with the server's error body")
            << Reply::json(404, R"({"code":"not_found","message":"章节不存在"})") << QList<Reply>{} << true
            << none << 1;
        QTest::newRow("500 whose body is an empty list is a failure, not an empty catalogue")
            << Reply::json(500, list({})) << QList<Reply>{} << true << none << 1;
        QTest::newRow("a failed points answer of the right shape is a failure")
            << Reply::json(200, chapters({"c1"})) << QList<Reply>{Reply::json(503, points({"正数和负数"}))}
            << true << none << 2;
        QTest::newRow("no connection")
            << Reply::error(TransportError::Kind::NoConnection) << QList<Reply>{} << true << none << 1;
        QTest::newRow("timed out") << Reply::error(TransportError::Kind::TimedOut) << QList<Reply>{} << true
                                   << none << 1;
        QTest::newRow("not HTTP") << Reply::json(-1, chapters({"c1"})) << QList<Reply>{} << true << none << 1;
        QTest::newRow("not JSON") << Reply::json(200, "<html>") << QList<Reply>{} << true << none << 1;
        QTest::newRow("chapter list without items")
            << Reply::json(200, R"({"chapters":[]})") << QList<Reply>{} << true << none << 1;
        QTest::newRow("a chapter without a grade")
            << Reply::json(200, R"({"items":[{"code":"c1","subject":"math","stage":"junior","name":"x"}]})")
            << QList<Reply>{} << true << none << 1;
        QTest::newRow("a grade that is not an integer")
            << Reply::json(
                   200,
                   R"({"items":[{"code":"c1","subject":"math","stage":"junior","grade":7.5,"name":"x"}]})")
            << QList<Reply>{} << true << none << 1;
        QTest::newRow("a grade as text")
            << Reply::json(
                   200,
                   R"({"items":[{"code":"c1","subject":"math","stage":"junior","grade":"7","name":"x"}]})")
            << QList<Reply>{} << true << none << 1;
        QTest::newRow("points without items")
            << Reply::json(200, chapters({"c1"})) << QList<Reply>{Reply::json(200, R"({"points":[]})")}
            << true << none << 2;
        QTest::newRow("a point without a name")
            << Reply::json(200, chapters({"c1"}))
            << QList<Reply>{Reply::json(200, R"({"items":[{"code":"k1"}]})")} << true << none << 2;
        QTest::newRow("the third of five fails: no chapter is shown, nothing more is asked")
            << Reply::json(200, chapters({"c1", "c2", "c3", "c4", "c5"}))
            << QList<Reply>{Reply::json(200, points({"a"})), Reply::json(200, points({"b"})),
                            Reply::error(TransportError::Kind::NoConnection), Reply::json(200, points({"d"})),
                            Reply::json(200, points({"e"}))}
            << true << none << 4;
    }
    void states() {
        QFETCH(Reply, chapterList);
        QFETCH(QList<Reply>, pointLists);
        QFETCH(bool, failed);
        QFETCH(QList<Entry>, entries);
        QFETCH(int, requests);

        TestPlatform platform;
        platform.transport->on("GET", chaptersPath, chapterList);
        for (qsizetype i = 0; i < pointLists.size(); ++i)
            platform.transport->on("GET", pointsPath(QStringLiteral("c%1").arg(i + 1)), pointLists[i]);
        AppSession session;
        GuestCatalogueViewModel vm;
        vm.setSession(&session);
        QSignalSpy loading(&vm, &GuestCatalogueViewModel::loadingChanged);
        QSignalSpy error(&vm, &GuestCatalogueViewModel::errorChanged);
        QSignalSpy changed(&vm, &GuestCatalogueViewModel::chaptersChanged);

        Await::result(vm.run());

        QVERIFY(!vm.loading());
        QCOMPARE(loading.size(), 1);
        QCOMPARE(vm.failed(), failed);
        QCOMPARE(vm.errorText(), failed ? QStringLiteral("请检查网络后重试") : QString());
        QCOMPARE(error.size(), failed ? 1 : 0);
        QCOMPARE(vm.entries(), entries);
        QCOMPARE(changed.size(), entries.isEmpty() ? 0 : 1);
        QCOMPARE(platform.transport->requests.size(), requests);
    }

    void requestsCarryNoCredentials() {
        TestPlatform platform;
        platform.transport->on("GET", chaptersPath, Reply::json(200, chapters({"c1"})));
        platform.transport->on("GET", pointsPath("c1"), Reply::json(200, points({"a"})));
        AppSession session;
        // A learner's tokens happen to exist: the catalogue still sends none of them.
        session.setAccessToken(QStringLiteral("access-token"));
        session.setRefreshToken(QStringLiteral("refresh-token"));
        GuestCatalogueViewModel vm;
        vm.setSession(&session);
        Await::result(vm.run());

        QCOMPARE(platform.transport->requests.size(), 2);
        for (const HttpRequest &request : platform.transport->requests) {
            QCOMPARE(request.method, QByteArray("GET"));
            QVERIFY(request.headers.isEmpty());
            QVERIFY(request.body.isEmpty());
            QCOMPARE(request.timeoutMs, 60000);
            QCOMPARE(request.url.host(), QStringLiteral("api.test.example"));
            QVERIFY(!request.url.hasQuery());
        }
        QCOMPARE(platform.transport->requests[0].url.path(), chaptersPath);
        QCOMPARE(platform.transport->requests[1].url.path(), pointsPath("c1"));
    }

    void aRefusedAnswerIsNeverRenewed() {
        TestPlatform platform;
        platform.transport->on("GET", chaptersPath, Reply::json(401, R"({"message":"未登录"})"));
        AppSession session;
        session.setAccessToken(QStringLiteral("access-token"));
        session.setRefreshToken(QStringLiteral("refresh-token"));
        GuestCatalogueViewModel vm;
        vm.setSession(&session);
        Await::result(vm.run());

        QVERIFY(vm.failed());
        QCOMPARE(platform.transport->requests.size(), 1);
        QCOMPARE(platform.transport->count(QStringLiteral("/api/v1/auth/refresh")), 0);
        QCOMPARE(session.accessToken(), std::optional<QString>(QStringLiteral("access-token")));
    }

    void theBaseURLIsReadWhenEachRequestIsBuilt() {
        TestPlatform platform;
        platform.transport->fallback = [](const HttpRequest &request) {
            return request.url.path().endsWith(QLatin1String("/points")) ? Reply::json(200, points({"a"}))
                                                                         : Reply::json(200, chapters({"c1"}));
        };
        AppSession session;
        session.setBaseURL(QUrl(QStringLiteral("https://one.example/prefix/")));
        GuestCatalogueViewModel vm;
        vm.setSession(&session);
        auto load = vm.run();
        // The base changes while the chapter list is on its way: the points go to the new one.
        session.setBaseURL(QUrl(QStringLiteral("https://two.example")));
        Await::result(load);
        QCOMPARE(platform.transport->requests[0].url.toString(),
                 QStringLiteral("https://one.example/prefix/api/v1/knowledge/chapters"));
        QCOMPARE(platform.transport->requests[1].url.toString(),
                 QStringLiteral("https://two.example/api/v1/knowledge/chapters/c1/points"));
    }

    // --- a chapter code is one path segment, whatever it holds

    void chapterCodeIsOnePathSegment_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("path"); // as sent; empty: no request can be made
        const QString prefix = QStringLiteral("/api/v1/knowledge/chapters/");
        QTest::newRow("plain") << "math-g7a-c1" << prefix + "math-g7a-c1/points";
        QTest::newRow("slash") << "7a/c1" << prefix + "7a%2Fc1/points";
        QTest::newRow("query and fragment") << "c1?x=1#y" << prefix + "c1%3Fx%3D1%23y/points";
        QTest::newRow("percent") << "50%" << prefix + "50%25/points";
        QTest::newRow("escape-like") << "a%2Fb" << prefix + "a%252Fb/points";
        QTest::newRow("space and plus") << "a b+c" << prefix + "a%20b%2Bc/points";
        QTest::newRow("Chinese") << "第一章" << prefix + "%E7%AC%AC%E4%B8%80%E7%AB%A0/points";
        QTest::newRow("dots inside") << "c1.2" << prefix + "c1.2/points";
        QTest::newRow("parent step") << ".." << QString();
        QTest::newRow("current step") << "." << QString();
        QTest::newRow("empty") << "" << QString();
    }
    void chapterCodeIsOnePathSegment() {
        QFETCH(QString, code);
        QFETCH(QString, path);
        // The points request as the catalogue's client builds it; none for a code that cannot be a segment.
        const std::optional<QString> points = LearningAPIClient::chapterPointsPath(code);
        const std::optional<HttpRequest> request =
            points ? std::optional(ApiClient(QUrl(QStringLiteral("https://api.test.example")),
                                             LearningAPIClient::unauthenticated().rules())
                                       .request("GET", *points))
                   : std::nullopt;
        QCOMPARE(request.has_value(), !path.isEmpty());
        if (!request)
            return;
        QCOMPARE(request->url.path(QUrl::FullyEncoded), path);
        QVERIFY(!request->url.hasQuery());
        QVERIFY(!request->url.hasFragment());
        // Read back, the segment between "chapters/" and "/points" is the code itself.
        QCOMPARE(request->url.path(QUrl::FullyDecoded).size(),
                 QStringLiteral("/api/v1/knowledge/chapters//points").size() + code.size());
    }

    void aCodeThatCannotBeASegmentFailsWithoutARequest() {
        TestPlatform platform;
        platform.transport->on("GET", chaptersPath, Reply::json(200, chapters({"c1", ".."})));
        platform.transport->on("GET", pointsPath("c1"), Reply::json(200, points({"a"})));
        platform.transport->fallback = [](const HttpRequest &) {
            return Reply::json(200, points({"other"}));
        };
        AppSession session;
        GuestCatalogueViewModel vm;
        vm.setSession(&session);
        Await::result(vm.run());
        QVERIFY(vm.failed());
        QVERIFY(vm.entries().isEmpty());
        QCOMPARE(platform.transport->requests.size(), 2); // the list and c1; nothing for ".."
    }

    // --- strictly one request after another

    void pointsAreLoadedOneAfterAnother() {
        TestPlatform platform;
        auto counting = std::make_shared<CountingTransport>(platform.transport);
        Platform::Services services;
        services.transport = counting;
        Platform::Override countRequests(services);
        platform.transport->on("GET", chaptersPath, Reply::json(200, chapters({"c1", "c2", "c3"})).after(20));
        for (const char *code : {"c1", "c2", "c3"})
            platform.transport->on("GET", pointsPath(code), Reply::json(200, points({code})).after(20));
        AppSession session;
        GuestCatalogueViewModel vm;
        vm.setSession(&session);
        Await::result(vm.run());

        QCOMPARE(counting->mostInFlight, 1);
        QStringList order;
        for (const HttpRequest &request : platform.transport->requests)
            order << request.url.path();
        QCOMPARE(order, (QStringList{chaptersPath, pointsPath("c1"), pointsPath("c2"), pointsPath("c3")}));
        QCOMPARE(vm.entries().size(), 3);
        QCOMPARE(vm.entries()[2].points, QStringList{"c3"});
    }

    // --- cancelled and closed loads stay silent

    void aCancelledLoadNeverShowsAnError() {
        TestPlatform platform;
        platform.transport->on("GET", chaptersPath, Reply::error(TransportError::Kind::Cancelled).after(40));
        AppSession session;
        GuestCatalogueViewModel vm;
        vm.setSession(&session);
        QSignalSpy error(&vm, &GuestCatalogueViewModel::errorChanged);
        QSignalSpy loading(&vm, &GuestCatalogueViewModel::loadingChanged);
        QSignalSpy changed(&vm, &GuestCatalogueViewModel::chaptersChanged);
        auto load = vm.run();
        vm.cancel(); // the sheet closes
        Await::result(load);
        QCOMPARE(error.size(), 0);
        QCOMPARE(loading.size(), 0);
        QCOMPARE(changed.size(), 0);
        QVERIFY(!vm.failed());
    }

    void aCancelledLoadDropsItsResultToo() {
        TestPlatform platform;
        platform.transport->on("GET", chaptersPath, Reply::json(200, chapters({"c1"})));
        platform.transport->on("GET", pointsPath("c1"), Reply::json(200, points({"a"})).after(40));
        AppSession session;
        GuestCatalogueViewModel vm;
        vm.setSession(&session);
        QSignalSpy changed(&vm, &GuestCatalogueViewModel::chaptersChanged);
        auto load = vm.run();
        QTRY_COMPARE(platform.transport->requests.size(), 2);
        vm.cancel();
        Await::result(load);
        QCOMPARE(changed.size(), 0);
        QVERIFY(vm.entries().isEmpty());
    }

    void aClosedSheetsLoadEndsWithoutIt() {
        TestPlatform platform;
        platform.transport->on("GET", chaptersPath, Reply::error(TransportError::Kind::TimedOut).after(40));
        AppSession session;
        auto *vm = new GuestCatalogueViewModel;
        vm->setSession(&session);
        QPointer<GuestCatalogueViewModel> guard(vm);
        auto load = vm->run();
        delete vm;           // the sheet and its model are gone while the request is out
        Await::result(load); // ends, without touching the deleted model
        QVERIFY(!guard);
    }

    void aNewLoadSupersedesTheOneUnderWay() {
        TestPlatform platform;
        // The first chapter list fails late; the second load's answer comes first and wins.
        platform.transport->on("GET", chaptersPath, Reply::json(503, "{}").after(80));
        platform.transport->on("GET", chaptersPath, Reply::json(200, list({})).after(10));
        AppSession session;
        GuestCatalogueViewModel vm;
        vm.setSession(&session);
        QSignalSpy error(&vm, &GuestCatalogueViewModel::errorChanged);
        auto first = vm.run();
        auto second = vm.run();
        Await::result(second);
        Await::result(first);
        QVERIFY(!vm.loading());
        QVERIFY(!vm.failed());
        QCOMPARE(error.size(), 0);
    }

    // --- trying again

    void loadingAgainAfterAFailure() {
        TestPlatform platform;
        platform.transport->on("GET", chaptersPath, Reply::error(TransportError::Kind::NoConnection));
        platform.transport->on("GET", chaptersPath, Reply::json(200, chapters({"c1"})));
        platform.transport->on("GET", pointsPath("c1"), Reply::json(200, points({"a", "b"})));
        AppSession session;
        GuestCatalogueViewModel vm;
        vm.setSession(&session);
        Await::result(vm.run());
        QVERIFY(vm.failed());

        // The sheet appears again: back to Loading, the error gone, everything asked anew.
        QSignalSpy loading(&vm, &GuestCatalogueViewModel::loadingChanged);
        auto again = vm.run();
        QVERIFY(vm.loading());
        QVERIFY(!vm.failed());
        Await::result(again);
        QCOMPARE(loading.size(), 2);
        QVERIFY(!vm.failed());
        QCOMPARE(vm.entries(), (QList<Entry>{{chapter("c1"), {"a", "b"}}}));
        QCOMPARE(platform.transport->count(chaptersPath), 2);

        // A fresh model (the sheet reopened) starts over in Loading.
        GuestCatalogueViewModel reopened;
        QVERIFY(reopened.loading());
        QVERIFY(reopened.entries().isEmpty());
    }

    void aFailureAfterALoadKeepsTheCardsShown() {
        TestPlatform platform;
        platform.transport->on("GET", chaptersPath, Reply::json(200, chapters({"c1"})));
        platform.transport->on("GET", chaptersPath, Reply::json(502, "{}"));
        platform.transport->on("GET", pointsPath("c1"), Reply::json(200, points({"a"})));
        AppSession session;
        GuestCatalogueViewModel vm;
        vm.setSession(&session);
        Await::result(vm.run());
        Await::result(vm.run());
        QVERIFY(vm.failed());
        QCOMPARE(vm.entries().size(), 1);
    }

    // --- the cards' texts

    void cardTexts() {
        ChapterItem physics{QStringLiteral("p1"), QStringLiteral("physics"), QStringLiteral("junior"), 7,
                            QStringLiteral("一元一次方程")};
        QCOMPARE(GuestCatalogueViewModel::gradeLine(physics), QStringLiteral("数学 · 7 年级"));
        physics.grade = 12345;
        QCOMPARE(GuestCatalogueViewModel::gradeLine(physics),
                 QStringLiteral("数学 · 12345 年级")); // not grouped
        QCOMPARE(GuestCatalogueViewModel::titleLine(physics), QStringLiteral("《一元一次方程》"));
        QCOMPARE(GuestCatalogueViewModel::lessonsLine(0), QStringLiteral("共 0 课 · 每课约 15 分钟"));
        QCOMPARE(GuestCatalogueViewModel::lessonsLine(6), QStringLiteral("共 6 课 · 每课约 15 分钟"));
    }

    void cardsNumberTheirPointsFromOne() {
        TestPlatform platform;
        platform.transport->on("GET", chaptersPath, Reply::json(200, chapters({"c1", "c2"})));
        platform.transport->on("GET", pointsPath("c1"), Reply::json(200, points({"甲", "乙"})));
        platform.transport->on("GET", pointsPath("c2"), Reply::json(200, points({"丙"})));
        AppSession session;
        GuestCatalogueViewModel vm;
        vm.setSession(&session);
        Await::result(vm.run());

        const QVariantList cards = vm.chapterCards();
        QCOMPARE(cards.size(), 2);
        const QVariantMap second = cards[1].toMap();
        QCOMPARE(second.value("code").toString(), QStringLiteral("c2"));
        QCOMPARE(second.value("lessonsLine").toString(), QStringLiteral("共 1 课 · 每课约 15 分钟"));
        const QVariantList secondPoints = second.value("points").toList();
        QCOMPARE(secondPoints.size(), 1);
        QCOMPARE(secondPoints[0].toMap().value("number").toString(), QStringLiteral("1"));
        QCOMPARE(secondPoints[0].toMap().value("name").toString(), QStringLiteral("丙"));
        const QVariantList firstPoints = cards[0].toMap().value("points").toList();
        QCOMPARE(firstPoints[1].toMap().value("number").toString(), QStringLiteral("2"));
    }

    // --- against the local stand-in of the service, over the real network stack

    void loadsTheRealCatalogue() {
        DevServer server;
        QVERIFY(server.start(0) > 0);
        const QString base = QString::fromStdString(server.baseUrl());
        TestPlatform platform({{"QVLApiBaseURL", base}, {"QVLAiBaseURL", base}, {"QVLTradeBaseURL", base}});
        NetworkTransport network;
        Platform::Services services;
        services.transport = std::shared_ptr<Transport>(&network, [](Transport *) {});
        Platform::Override realNetwork(services);
        AppSession session;
        session.setAccessToken(QStringLiteral("not-a-token-the-server-knows"));
        session.setRefreshToken(QStringLiteral("nor-this"));

        GuestCatalogueViewModel vm;
        vm.setSession(&session);
        Await::result(vm.run());
        QVERIFY2(!vm.failed(), qPrintable(vm.errorText()));
        QVERIFY(vm.entries().size() >= 2);
        for (const Entry &entry : vm.entries()) {
            QVERIFY(!entry.chapter.code.isEmpty());
            QVERIFY(!entry.points.isEmpty());
            QCOMPARE(server.requestCount(pointsPath(entry.chapter.code).toStdString()), 1);
        }
        QCOMPARE(server.requestCount(chaptersPath.toStdString()), 1);
        QCOMPARE(server.requestCount("/api/v1/auth/refresh"), 0);

        // A refused chapter list is a failure, and no renewal is tried for it.
        server.failNext(chaptersPath.toStdString(), 401);
        GuestCatalogueViewModel refused;
        refused.setSession(&session);
        Await::result(refused.run());
        QVERIFY(refused.failed());
        QCOMPARE(server.requestCount("/api/v1/auth/refresh"), 0);

        // So is a server error in the middle of the chapters: nothing of it is shown.
        server.failNext(pointsPath(vm.entries()[1].chapter.code).toStdString(), 500);
        GuestCatalogueViewModel broken;
        broken.setSession(&session);
        Await::result(broken.run());
        QVERIFY(broken.failed());
        QVERIFY(broken.entries().isEmpty());
        server.stop();
    }
};

QTEST_MAIN(TestGuestCatalogue)
#include "tst_guestcatalogue.moc"
