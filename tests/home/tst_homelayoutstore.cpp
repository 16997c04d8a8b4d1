#include "AppSession.h"
#include "Await.h"
#include "CompanionHeaderViewModel.h"
#include "HomeLayoutStore.h"
#include "RobotStore.h"
#include "TestPlatform.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <vector>

// The store as one state machine: each row scripts the server's answers, runs a few steps and compares the
// whole state afterwards, and the bodies of the overrides it sent.
//
// Answers, one per string, in the order the store will ask: "GET ok 3 a:L,b:M,c:M" (a layout of revision 3
// with those cards), "PUT 409", "GET 500", "GET fail" (no connection), "GET html" (a failed status without
// an error body), any of them with "@<ms>" to answer late.
// Steps: load, save, restore (each awaited; with "&" started and left running), wait (until everything
// started has ended), drop (the page went off screen), edit, cancel, dismiss, toggle <id>, hide <offsets>,
// move <offsets>><destination>, unhide <id>.
namespace {

QByteArray layoutBody(qint64 revision, const QString &cards) {
    QJsonArray grid;
    for (const QString &card : cards.split(',', Qt::SkipEmptyParts)) {
        const QStringList parts = card.split(':');
        grid.append(QJsonObject{{"id", parts[0]},
                                {"type", "Inbox"},
                                {"size", parts[1]},
                                {"props", QJsonObject{{"title", parts[0].toUpper()}}}});
    }
    const QJsonObject content{{"companion", QJsonObject{{"type", "CompanionHeader"}}}, {"grid", grid}};
    const QJsonObject layout{{"schemaVersion", "1.1"},
                             {"layoutId", "home"},
                             {"revision", revision},
                             {"source", "server"},
                             {"slots", content}};
    return QJsonDocument(QJsonObject{{"layout", layout}}).toJson(QJsonDocument::Compact);
}

FakeTransport::Reply reply(const QString &spec) {
    QStringList words = spec.split(' ');
    int delay = 0;
    if (words.last().startsWith('@'))
        delay = words.takeLast().mid(1).toInt();
    const QString kind = words[1];
    FakeTransport::Reply answer;
    if (kind == "ok")
        answer = FakeTransport::Reply::json(200, layoutBody(words[2].toLongLong(), words.value(3)));
    else if (kind == "409")
        answer =
            FakeTransport::Reply::json(409, R"({"code":"revision_conflict","message":"布局已在别处更新"})");
    else if (kind == "500")
        answer = FakeTransport::Reply::json(500, R"({"message":"服务暂时不可用"})");
    else if (kind == "html")
        answer = FakeTransport::Reply::json(502, "<html></html>");
    else
        answer = FakeTransport::Reply::error(TransportError::Kind::NoConnection);
    return answer.after(delay);
}

QString cardsText(const QList<HomeGridCard> &cards) {
    QStringList parts;
    for (const HomeGridCard &card : cards)
        parts.append(card.id + ':' + card.size);
    return parts.join(',');
}

QString stateOf(const HomeLayoutStore &store) {
    QStringList sizes;
    for (auto it = store.draftSizes().begin(); it != store.draftSizes().end(); ++it)
        sizes.append(it.key() + ':' + it.value());
    const auto &layout = store.layout();
    return QStringList{layout
                           ? QStringLiteral("r%1 %2").arg(layout->revision).arg(layout->source.value_or("-"))
                           : QStringLiteral("none"),
                       QStringLiteral("grid=") + (layout ? cardsText(layout->layoutSlots.grid) : QString()),
                       QStringLiteral("fb=%1 edit=%2 busy=%3%4")
                           .arg(store.usedFallback())
                           .arg(store.editing())
                           .arg(store.loading())
                           .arg(store.saving()),
                       QStringLiteral("msg=") + store.errorMessage().value_or("-"),
                       QStringLiteral("vis=") + cardsText(store.draftVisible()),
                       QStringLiteral("hid=") + cardsText(store.draftHidden()),
                       QStringLiteral("sizes=") + sizes.join(',')}
        .join(" | ");
}

QList<int> offsets(const QString &text) {
    QList<int> list;
    for (const QString &part : text.split(',', Qt::SkipEmptyParts))
        list.append(part.toInt());
    return list;
}

QString putBody(const HttpRequest &request) {
    const QJsonObject json = QJsonDocument::fromJson(request.body).object();
    const QJsonObject overrides = json["overrides"].toObject();
    QStringList sizes;
    const QJsonObject sizeMap = overrides["sizes"].toObject();
    for (auto it = sizeMap.begin(); it != sizeMap.end(); ++it)
        sizes.append(it.key() + ':' + it.value().toString());
    const auto ids = [](const QJsonValue &value) {
        QStringList list;
        for (const QJsonValue &id : value.toArray())
            list.append(id.toString());
        return list.join(',');
    };
    return QStringLiteral("r%1 order=%2 hidden=%3 sizes=%4")
        .arg(json["revision"].toInteger())
        .arg(ids(overrides["order"]), ids(overrides["hidden"]), sizes.join(','));
}

const QString ok3 = QStringLiteral("GET ok 3 a:L,b:M,c:M");
const QString state3 = QStringLiteral("r3 server | grid=a:L,b:M,c:M | fb=0 edit=0 busy=00 | msg=- | "
                                      "vis=a:L,b:M,c:M | hid= | sizes=a:L,b:M,c:M");
const QString fallback = QStringLiteral("r0 fallback | grid=c_inbox:L,c_today:L | fb=1 edit=0 busy=00 | "
                                        "msg=首页配置暂不可用 | vis=c_inbox:L,c_today:L | hid= | sizes=");

} // namespace

class TestHomeLayoutStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void machine_data() {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("sent"); // the overrides bodies, in order

        const auto row = [](const char *name, QStringList answers, QStringList steps, QString state,
                            QStringList sent = {}) {
            QTest::newRow(name) << answers << steps << state << sent;
        };

        row("before any load", {}, {}, "none | grid= | fb=0 edit=0 busy=00 | msg=- | vis= | hid= | sizes=");
        row("load ok", {ok3}, {"load"}, state3);
        for (const char *failure : {"GET fail", "GET 500", "GET html"})
            row(qPrintable(QStringLiteral("load falls back: %1").arg(failure)), {failure}, {"load"},
                fallback);
        row("editing the fallback is refused", {"GET fail"}, {"load", "dismiss", "edit"},
            QString(fallback).replace("首页配置暂不可用", "离线默认布局不能保存，请先恢复网络"));
        row("restore on the fallback is refused", {"GET fail"}, {"load", "restore"},
            QString(fallback).replace("首页配置暂不可用", "无法恢复：请先成功拉取服务端布局"));
        row("restore before any layout is refused", {}, {"restore"},
            "none | grid= | fb=0 edit=0 busy=00 | msg=无法恢复：请先成功拉取服务端布局 | vis= | hid= | "
            "sizes=");
        row("save before any layout sends nothing", {}, {"save"},
            "none | grid= | fb=0 edit=0 busy=00 | msg=- | vis= | hid= | sizes=");
        row("a later good load leaves the fallback", {"GET fail", ok3}, {"load", "load"}, state3);

        // Editor gestures.
        row("toggle: L to M, M to L, missing id ignored", {ok3},
            {"load", "edit", "toggle a", "toggle b", "toggle x"},
            "r3 server | grid=a:L,b:M,c:M | fb=0 edit=1 busy=00 | msg=- | vis=a:M,b:L,c:M | hid= | "
            "sizes=a:M,b:L,c:M");
        row("toggle: S and XL become L", {"GET ok 3 a:S,b:XL"}, {"load", "edit", "toggle a", "toggle b"},
            "r3 server | grid=a:S,b:XL | fb=0 edit=1 busy=00 | msg=- | vis=a:L,b:L | hid= | sizes=a:L,b:L");
        row("hide offsets are taken in ascending order", {"GET ok 3 a:L,b:M,c:M,d:M"},
            {"load", "edit", "hide 3,1"},
            "r3 server | grid=a:L,b:M,c:M,d:M | fb=0 edit=1 busy=00 | msg=- | vis=a:L,c:M | hid=b:M,d:M | "
            "sizes=a:L,b:M,c:M,d:M");
        row("hide everything, then unhide appends", {ok3},
            {"load", "edit", "hide 0,1,2", "unhide b", "unhide x"},
            "r3 server | grid=a:L,b:M,c:M | fb=0 edit=1 busy=00 | msg=- | vis=b:M | hid=a:L,c:M | "
            "sizes=a:L,b:M,c:M");
        row("move one card to the front", {ok3}, {"load", "edit", "move 2>0"},
            "r3 server | grid=a:L,b:M,c:M | fb=0 edit=1 busy=00 | msg=- | vis=c:M,a:L,b:M | hid= | "
            "sizes=a:L,b:M,c:M");
        row("move two cards to the end", {"GET ok 3 a:L,b:M,c:M,d:M"}, {"load", "edit", "move 0,2>4"},
            "r3 server | grid=a:L,b:M,c:M,d:M | fb=0 edit=1 busy=00 | msg=- | vis=b:M,d:M,a:L,c:M | hid= | "
            "sizes=a:L,b:M,c:M,d:M");
        row("move down past a neighbour", {ok3}, {"load", "edit", "move 0>2"},
            "r3 server | grid=a:L,b:M,c:M | fb=0 edit=1 busy=00 | msg=- | vis=b:M,a:L,c:M | hid= | "
            "sizes=a:L,b:M,c:M");
        row("cancel restores the server's order", {ok3},
            {"load", "edit", "hide 0", "toggle b", "move 1>0", "cancel"}, state3);

        // Save and restore.
        row("save sends order, hidden and the L/M/S sizes", {"GET ok 3 a:L,b:XL,c:M", "PUT ok 4 b:XL,c:L"},
            {"load", "edit", "hide 0", "toggle c", "save"},
            "r4 server | grid=b:XL,c:L | fb=0 edit=0 busy=00 | msg=- | vis=b:XL,c:L | hid= | sizes=b:XL,c:L",
            {"r3 order=b,c hidden=a sizes=c:L"});
        row("save conflict reloads and closes the editor", {ok3, "PUT 409", "GET ok 5 c:M"},
            {"load", "edit", "hide 0", "save"},
            "r5 server | grid=c:M | fb=0 edit=0 busy=00 | msg=- | vis=c:M | hid= | sizes=c:M",
            {"r3 order=b,c hidden=a sizes=b:M,c:M"});
        row("save conflict with a failing reload", {ok3, "PUT 409", "GET fail"}, {"load", "edit", "save"},
            fallback, {"r3 order=a,b,c hidden= sizes=a:L,b:M,c:M"});
        row("save failure keeps the editor and drafts", {ok3, "PUT 500"}, {"load", "edit", "hide 1", "save"},
            "r3 server | grid=a:L,b:M,c:M | fb=0 edit=1 busy=00 | msg=服务暂时不可用 | vis=a:L,c:M | hid=b:M "
            "| "
            "sizes=a:L,b:M,c:M",
            {"r3 order=a,c hidden=b sizes=a:L,c:M"});
        row("restore sends empty overrides, ignoring the drafts", {ok3, "PUT ok 4 a:L,b:M,c:M"},
            {"load", "edit", "hide 0", "restore"}, QString(state3).replace("r3", "r4"),
            {"r3 order= hidden= sizes="});
        row("restore failure keeps everything", {ok3, "PUT 409"}, {"load", "restore"},
            QString(state3).replace("msg=-", "msg=布局已在别处更新"), {"r3 order= hidden= sizes="});
        row("a load while editing replaces the drafts", {ok3, "GET ok 4 a:L,b:M"},
            {"load", "edit", "hide 0", "load"},
            "r4 server | grid=a:L,b:M | fb=0 edit=1 busy=00 | msg=- | vis=a:L,b:M | hid= | sizes=a:L,b:M");

        // The four faults.
        row("a dropped load changes nothing", {ok3, "GET ok 4 x:M @50"}, {"load", "load&", "drop", "wait"},
            state3);
        row("a dropped load that fails does not fall back", {ok3, "GET fail @50"},
            {"load", "load&", "drop", "wait"}, state3);
        row("a superseded load's failure does not fall back", {"GET fail @80", ok3},
            {"load&", "load&", "wait"}, state3);
        row("only the newest load writes", {"GET ok 2 x:M @80", ok3}, {"load&", "load&", "wait"}, state3);
        row("save is refused on the fallback", {ok3, "GET fail"}, {"load", "edit", "load", "dismiss", "save"},
            "r0 fallback | grid=c_inbox:L,c_today:L | fb=1 edit=1 busy=00 | "
            "msg=离线默认布局不能保存，请先恢复网络 | "
            "vis=c_inbox:L,c_today:L | hid= | sizes=");
        row("a load older than a save is dropped", {ok3, "GET ok 3 a:L,b:M,c:M @80", "PUT ok 4 c:L"},
            {"load", "edit", "load&", "save", "wait"},
            "r4 server | grid=c:L | fb=0 edit=0 busy=00 | msg=- | vis=c:L | hid= | sizes=c:L",
            {"r3 order=a,b,c hidden= sizes=a:L,b:M,c:M"});
        row("a load older than a restore is dropped", {ok3, "GET fail @80", "PUT ok 4 a:L"},
            {"load", "load&", "restore", "wait"},
            "r4 server | grid=a:L | fb=0 edit=0 busy=00 | msg=- | vis=a:L | hid= | sizes=a:L",
            {"r3 order= hidden= sizes="});
    }

    void machine() {
        QFETCH(QStringList, answers);
        QFETCH(QStringList, steps);
        QFETCH(QString, state);
        QFETCH(QStringList, sent);

        TestPlatform platform;
        for (const QString &answer : std::as_const(answers)) {
            const bool get = answer.startsWith("GET");
            platform.transport->on(get ? "GET" : "PUT",
                                   get ? "/api/v1/layouts/home" : "/api/v1/layouts/home/overrides",
                                   reply(answer));
        }
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        HomeLayoutStore store;
        store.setSession(&session);

        std::vector<QCoro::Task<>> running;
        for (const QString &step : std::as_const(steps)) {
            const QString verb = step.section(' ', 0, 0);
            const QString arg = step.section(' ', 1);
            const bool background = verb.endsWith('&');
            const QString op = background ? verb.chopped(1) : verb;
            std::optional<QCoro::Task<>> task;
            if (op == "load")
                task.emplace(store.load());
            else if (op == "save")
                task.emplace(store.save());
            else if (op == "restore")
                task.emplace(store.restoreRecommended());
            else if (op == "wait")
                for (QCoro::Task<> &t : running)
                    Await::result(t);
            else if (op == "drop")
                store.dropLoads();
            else if (op == "edit")
                store.beginEditing();
            else if (op == "cancel")
                store.cancelEditing();
            else if (op == "dismiss")
                store.clearErrorMessage();
            else if (op == "toggle")
                store.toggleSize(arg);
            else if (op == "hide")
                store.hideCards(offsets(arg));
            else if (op == "move")
                store.moveCards(offsets(arg.section('>', 0, 0)), arg.section('>', 1).toInt());
            else if (op == "unhide")
                store.unhideCard(arg);
            else
                QFAIL(qPrintable("unknown step " + step));
            if (task && background)
                running.push_back(std::move(*task));
            else if (task)
                Await::result(*task);
        }

        QCOMPARE(stateOf(store), state);
        QStringList bodies;
        for (const HttpRequest &request : platform.transport->requestsTo("/api/v1/layouts/home/overrides"))
            bodies.append(putBody(request));
        QCOMPARE(bodies, sent);
        // The lists QML shows follow the drafts.
        QCOMPARE(store.draftVisibleModel()->count(), store.draftVisible().size());
        QCOMPARE(store.draftHiddenModel()->count(), store.draftHidden().size());
        QCOMPARE(store.grid()->count(), store.layout() ? store.layout()->layoutSlots.grid.size() : 0);
    }

    // While a save runs "保存" is disabled; `saving` ends with the save whatever its outcome.
    void savingSpansTheWrite() {
        TestPlatform platform;
        platform.transport->on("GET", "/api/v1/layouts/home", reply(ok3));
        platform.transport->on("PUT", "/api/v1/layouts/home/overrides", reply("PUT 500 @30"));
        AppSession session;
        HomeLayoutStore store;
        store.setSession(&session);
        auto load = store.load();
        Await::result(load);
        store.beginEditing();
        QSignalSpy saving(&store, &HomeLayoutStore::savingChanged);
        auto save = store.save();
        QVERIFY(store.saving());
        Await::result(save);
        QVERIFY(!store.saving());
        QCOMPARE(saving.count(), 2);
    }

    // A store destroyed while its load, save or restore runs is left alone by the answer; a conflict
    // answered after it is gone fetches nothing more.
    void storeGoneMidRequest_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("answer");
        QTest::newRow("load") << "load"
                              << "GET ok 4 a:L @30";
        QTest::newRow("save") << "save"
                              << "PUT ok 4 a:L @30";
        QTest::newRow("conflicting save") << "save"
                                          << "PUT 409 @30";
        QTest::newRow("failed restore") << "restore"
                                        << "PUT 500 @30";
    }
    void storeGoneMidRequest() {
        QFETCH(QString, action);
        QFETCH(QString, answer);
        const QString layoutPath = QStringLiteral("/api/v1/layouts/home");
        const QString overridesPath = QStringLiteral("/api/v1/layouts/home/overrides");
        TestPlatform platform;
        platform.transport->on("GET", layoutPath, reply(ok3));
        platform.transport->on(answer.startsWith("GET") ? "GET" : "PUT",
                               answer.startsWith("GET") ? layoutPath : overridesPath, reply(answer));
        AppSession session;
        auto store = std::make_unique<HomeLayoutStore>();
        store->setSession(&session);
        auto first = store->load();
        Await::result(first);
        store->beginEditing();
        auto task = action == "load"   ? store->load()
                    : action == "save" ? store->save()
                                       : store->restoreRecommended();
        store.reset();
        Await::result(task);
        QCOMPARE(platform.transport->count(layoutPath), action == "load" ? 2 : 1);
        QCOMPARE(platform.transport->count(overridesPath), action == "load" ? 0 : 1);
    }

    // A repeated id neither stops the store nor loses a card: both rows show, the later size wins.
    void repeatedIdsKeepRunning() {
        TestPlatform platform;
        platform.transport->on("GET", "/api/v1/layouts/home", reply("GET ok 3 a:L,a:M,b:S"));
        AppSession session;
        HomeLayoutStore store;
        store.setSession(&session);
        auto load = store.load();
        Await::result(load);
        QCOMPARE(store.grid()->count(), 3);
        QCOMPARE(store.draftSizes().value("a"), QStringLiteral("M"));
        store.beginEditing();
        store.hideCards({1});
        QCOMPARE(cardsText(store.draftVisible()), QStringLiteral("a:L,b:S"));
        store.unhideCard("a");
        QCOMPARE(cardsText(store.draftVisible()), QStringLiteral("a:L,b:S,a:M"));
        QCOMPARE(store.draftVisibleModel()->count(), 3);
    }

    void rowsDescribeEachFace_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("expected"); // face icon span minHeight
        QTest::newRow("inbox L") << "Inbox"
                                 << "L"
                                 << "tile IconClock 2 120";
        QTest::newRow("quick QA M") << "QuickQA"
                                    << "M"
                                    << "tile IconHint 1 110";
        QTest::newRow("wrong book S spans two") << "WrongBook"
                                                << "S"
                                                << "tile IconWrong 2 110";
        QTest::newRow("today XL spans one") << "TodayTasks"
                                            << "XL"
                                            << "today  1 110";
        QTest::newRow("tool dock") << "ToolDock"
                                   << "L"
                                   << "dock  2 120";
        QTest::newRow("lower-case inbox is unknown") << "inbox"
                                                     << "M"
                                                     << "unknown IconShield 1 110";
        QTest::newRow("trailing blank is unknown") << "Inbox "
                                                   << "M"
                                                   << "unknown IconShield 1 110";
    }
    void rowsDescribeEachFace() {
        QFETCH(QString, type);
        QFETCH(QString, size);
        QFETCH(QString, expected);
        const HomeCardRow row = HomeCardRow::from({"c", type, size, std::nullopt, std::nullopt});
        QCOMPARE(QStringLiteral("%1 %2 %3 %4").arg(row.face, row.icon).arg(row.span).arg(row.minHeight),
                 expected);
        QCOMPARE(row.title, type); // no props: the type is the title
    }

    void greeting_data() {
        QTest::addColumn<QJsonValue>("greeting"); // undefined: no props at all
        QTest::addColumn<QString>("expected");
        QTest::newRow("no props") << QJsonValue(QJsonValue::Undefined) << "今天想学点什么？";
        QTest::newRow("string") << QJsonValue("你好") << "你好";
        QTest::newRow("empty") << QJsonValue("") << "";
        QTest::newRow("null") << QJsonValue(QJsonValue::Null) << "今天想学点什么？";
        QTest::newRow("one") << QJsonValue(1) << "1.0";
        QTest::newRow("true") << QJsonValue(true) << "true";
    }
    void greeting() {
        QFETCH(QJsonValue, greeting);
        QFETCH(QString, expected);
        std::optional<FlexibleProps> props;
        if (!greeting.isUndefined())
            props = FlexibleProps{{"greeting", FlexibleValue::fromJson(greeting)}};
        QCOMPARE(HomeCards::greeting(props), expected);
    }

    // Cards in order; one that does not fit in what is left of a row starts the next.
    void rowsPlaceCards_data() {
        QTest::addColumn<QList<int>>("spans");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("rows"); // card@column+cells, rows split by "|"
        QTest::newRow("two columns") << QList<int>{2, 1, 2, 1, 1} << 2 << "0@0+2|1@0+1|2@0+2|3@0+1 4@1+1";
        QTest::newRow("four columns") << QList<int>{2, 1, 2, 1, 1} << 4 << "0@0+2 1@2+1|2@0+2 3@2+1 4@3+1";
        QTest::newRow("an L after three M") << QList<int>{1, 1, 1, 2} << 4 << "0@0+1 1@1+1 2@2+1|3@0+2";
        QTest::newRow("too wide is cut") << QList<int>{3, 1} << 2 << "0@0+2|1@0+1";
        QTest::newRow("nothing") << QList<int>{} << 4 << "";
    }
    void rowsPlaceCards() {
        QFETCH(QList<int>, spans);
        QFETCH(int, columns);
        QFETCH(QString, rows);
        QStringList placed;
        for (const QList<HomeCards::GridCell> &row : HomeCards::placeRows(spans, columns)) {
            QStringList cells;
            for (const HomeCards::GridCell &cell : row)
                cells.append(QStringLiteral("%1@%2+%3").arg(cell.card).arg(cell.column).arg(cell.cells));
            placed.append(cells.join(' '));
        }
        QCOMPARE(placed.join('|'), rows);
    }

    // The header names the home scene's robot of the catalog in use, and follows a newer catalog.
    void companionHeaderFollowsTheCatalog() {
        RobotStore store;
        CompanionHeaderViewModel header(store);
        const RobotCharacter robot = store.robotFor(QStringLiteral("home"));
        QVERIFY(!robot.name.isEmpty());
        QCOMPARE(header.nameLine(), robot.name + QStringLiteral(" · 你的 AI 学习伙伴"));

        RobotCatalog renamed = RobotCatalog::builtIn();
        for (RobotCharacter &character : renamed.robots)
            character.name = QStringLiteral("新伙伴");
        // A catalog without the home scene falls back to its default scene's robot.
        renamed.scenes.removeIf([](const RobotScene &scene) { return scene.id == QLatin1String("home"); });
        QSignalSpy changed(&header, &CompanionHeaderViewModel::robotChanged);
        store.setCatalog(store.languageInEffect(), renamed);
        QVERIFY(changed.count() >= 1);
        QCOMPARE(header.nameLine(), QStringLiteral("新伙伴 · 你的 AI 学习伙伴"));
    }

    void columnsAndFallback() {
        QCOMPARE(HomeCards::columnCount(HomeCards::wideWidth - 1), 2);
        QCOMPARE(HomeCards::columnCount(HomeCards::wideWidth), 4);
        HomeLayoutDocument first = fallbackHomeLayout();
        first.layoutSlots.grid.clear();
        const HomeLayoutDocument second = fallbackHomeLayout();
        QCOMPARE(second.layoutSlots.grid.size(), 2);
        QVERIFY(!second.layoutSlots.grid[0].minClient);
        QCOMPARE(second.layoutSlots.companion->props->size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestHomeLayoutStore)
#include "tst_homelayoutstore.moc"
