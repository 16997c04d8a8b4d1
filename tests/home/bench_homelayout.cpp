// How the home page copes with a long layout: decoding a 200-card document, the first frame after the
// server's answer, and a relayout of 200 cards between two and four columns (which decides whether the grid
// needs to build its rows lazily).

#include "AppFonts.h"
#include "AppSession.h"
#include "HomeLayoutStore.h"
#include "QmlHarness.h"
#include "TestPlatform.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>

namespace {

// `count` cards of every face and size, ids prefixed so that two documents share no card.
QByteArray layout(int count, const QString &prefix, qint64 revision) {
    static const char *const types[] = {"Inbox", "QuickQA", "WrongBook", "TodayTasks", "ToolDock", "Poll"};
    static const char *const sizes[] = {"L", "M", "M", "S"};
    QJsonArray grid;
    for (int i = 0; i < count; ++i)
        grid.append(
            QJsonObject{{"id", QStringLiteral("%1%2").arg(prefix).arg(i)},
                        {"type", types[i % 6]},
                        {"size", sizes[i % 4]},
                        {"minClient", "1.0.0"},
                        {"props", QJsonObject{{"title", QStringLiteral("卡片 %1").arg(i)}, {"weight", i}}}});
    const QJsonObject content{{"companion", QJsonObject{{"type", "CompanionHeader"},
                                                        {"props", QJsonObject{{"greeting", "早上好"}}}}},
                              {"grid", grid}};
    const QJsonObject document{{"schemaVersion", "1.1"},        {"layoutId", "home"}, {"revision", revision},
                               {"themePack", "junior_default"}, {"source", "server"}, {"slots", content}};
    return QJsonDocument(QJsonObject{{"layout", document}}).toJson(QJsonDocument::Compact);
}

bool nextFrame(QQuickWindow &window) {
    QSignalSpy frames(&window, &QQuickWindow::frameSwapped);
    window.requestUpdate();
    return frames.wait(5000);
}

} // namespace

class BenchHomeLayout : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }

    void decode200Cards() {
        const QByteArray body = layout(200, "c", 7);
        HomeLayoutResponse response;
        QBENCHMARK {
            response = HomeLayoutResponse::fromJson(JsonReader::parse(body, JsonKeys::AsIs));
        }
        QCOMPARE(response.layout.layoutSlots.grid.size(), 200);
    }

    // From the answer's arrival to the frame that shows it: each round answers with a document whose cards
    // are all new, so the whole grid is built again.
    void answerToFrame_data() {
        QTest::addColumn<int>("cards");
        QTest::newRow("5 cards") << 5;
        QTest::newRow("200 cards") << 200;
    }
    void answerToFrame() {
        QFETCH(int, cards);
        TestPlatform platform;
        int round = 0;
        platform.transport->fallback = [&](const HttpRequest &) {
            ++round;
            return FakeTransport::Reply::json(200, layout(cards, round % 2 ? "a" : "b", round));
        };
        platform.transport->on("GET", "/api/v1/me/study-report", FakeTransport::Reply::json(404, "{}"));
        AppSession session;
        QmlHarness::View view(QSize(1000, 800));
        QVERIFY2(
            view.loadType(QStringLiteral("HomeLayoutView"), {{"session", QVariant::fromValue(&session)}}),
            qPrintable(view.error()));
        auto *store = view.root()->property("store").value<HomeLayoutStore *>();
        QTRY_COMPARE(store->grid()->count(), cards);
        QVERIFY(nextFrame(view.window()));

        QBENCHMARK {
            QSignalSpy frames(&view.window(), &QQuickWindow::frameSwapped);
            const int before = round;
            store->requestLoad();
            QTRY_VERIFY(round > before && !store->loading());
            QVERIFY(frames.wait(5000));
        }
    }

    void relayoutTwoAndFourColumns() {
        TestPlatform platform;
        platform.transport->fallback = [](const HttpRequest &) {
            return FakeTransport::Reply::json(200, layout(200, "c", 1));
        };
        AppSession session;
        QmlHarness::View view(QSize(1000, 800));
        QVERIFY2(
            view.loadType(QStringLiteral("HomeLayoutView"), {{"session", QVariant::fromValue(&session)}}),
            qPrintable(view.error()));
        auto *store = view.root()->property("store").value<HomeLayoutStore *>();
        QTRY_COMPARE(store->grid()->count(), 200);
        QQuickItem *grid = view.find(QStringLiteral("homeGrid"));
        QVERIFY(grid);
        QVERIFY(nextFrame(view.window()));

        bool wide = true;
        QBENCHMARK {
            wide = !wide;
            view.resize(QSize(wide ? 1000 : 560, 800));
            QVERIFY(nextFrame(view.window()));
        }
        QCOMPARE(grid->property("columns").toInt(), wide ? 4 : 2);
    }
};

QTEST_MAIN(BenchHomeLayout)
#include "bench_homelayout.moc"
