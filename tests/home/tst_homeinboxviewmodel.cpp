// The inbox screen's state: counts and chips per category, the filtered rows, loads and their failures,
// opening a message, and "全部已读" marking exactly what the server confirmed, also when part of it failed,
// a reload came in meanwhile or the screen closed before the answers.
#include "Analytics.h"
#include "AppSession.h"
#include "Await.h"
#include "ErrorText.h"
#include "HomeInboxViewModel.h"
#include "InboxFixture.h"
#include "InboxKindNames.h"
#include "TestPlatform.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

using Reply = FakeTransport::Reply;

// Messages from a compact spec: "<kind>" unread, "<kind>*" read; ids 1, 2, ... in order.
QList<QJsonObject> messagesOf(const QStringList &spec, qint64 firstId = 1) {
    QList<QJsonObject> messages;
    for (const QString &entry : spec) {
        const bool read = entry.endsWith(u'*');
        messages << inboxMessage(firstId++, read ? entry.chopped(1) : entry, read);
    }
    return messages;
}

QList<QJsonObject> unreadReports(int count, qint64 firstId = 1) {
    return messagesOf(QStringList(count, QStringLiteral("weekly_report")), firstId);
}

struct Screen {
    TestPlatform platform;
    AppSession session;
    std::unique_ptr<HomeInboxViewModel> vm = std::make_unique<HomeInboxViewModel>();

    // What the list's GET answers from now on (until the next `answer`).
    Reply list = Reply::json(200, "[]");

    Screen() {
        session.setAccessToken(QStringLiteral("tok"));
        vm->setSession(&session);
        vm->setTimeZone(QTimeZone("Asia/Shanghai"));
        platform.transport->fallback = [this](const HttpRequest &request) {
            return request.url.path() == InboxAPIClient::listPath ? list : Reply::json(404, "{}");
        };
    }
    void answer(const Reply &reply) { list = reply; }
    void answer(const QList<QJsonObject> &messages) { answer(Reply::json(200, inboxAnswer(messages))); }
    void mark(const Reply &reply) { platform.transport->on("POST", InboxAPIClient::readPath, reply); }
    void load() { Await::result(vm->runLoad()); }
    QList<int> chipCounts() const {
        QList<int> counts;
        for (const InboxChip &chip : vm->chips().rows())
            counts << chip.count;
        return counts;
    }
    QStringList rowKeys() const {
        QStringList keys;
        for (const InboxListRow &row : vm->rows().rows())
            keys << row.key;
        return keys;
    }
    QList<qint64> unreadIds() const {
        QList<qint64> ids;
        for (const InboxMessage &message : vm->messages())
            if (!message.read)
                ids << message.id;
        return ids;
    }
    QList<QList<qint64>> postedIds() const {
        QList<QList<qint64>> posts;
        for (const HttpRequest &request : platform.transport->requestsTo(InboxAPIClient::readPath)) {
            QList<qint64> ids;
            for (const QJsonValue &id : QJsonDocument::fromJson(request.body).object().value("ids").toArray())
                ids << id.toInteger();
            posts << ids;
        }
        return posts;
    }
};

QList<qint64> range(qint64 from, qint64 to) {
    QList<qint64> ids;
    for (qint64 id = from; id <= to; ++id)
        ids << id;
    return ids;
}

} // namespace

Q_DECLARE_METATYPE(FakeTransport::Reply)

class TestHomeInboxViewModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void countsAndFilters_data() {
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QStringList>("rows"); // ids listed
        QTest::addColumn<QList<int>>("chips"); // 全部 学习 题库 活动 系统
        QTest::addColumn<QString>("headline");
        QTest::addColumn<QString>("emptyTitle");

        using L = QList<int>;
        const QStringList mixed{"weekly_report", "study_reminder", "companion", "learning_item_ready*",
                                "question_set_failed*"};
        QTest::newRow("nothing") << QStringList() << "全部" << QStringList() << L{0, 0, 0, 0, 0} << "全部已读"
                                 << "暂无通知";
        QTest::newRow("three unread, all")
            << mixed << "全部" << QStringList{"1", "2", "3", "4", "5"} << L{3, 2, 0, 0, 1} << "3 条未读"
            << "暂无通知";
        QTest::newRow("three unread, study")
            << mixed << "学习" << QStringList{"1", "2", "4"} << L{3, 2, 0, 0, 1} << "3 条未读"
            << "暂无「学习」类通知";
        QTest::newRow("read ones listed, no badge")
            << mixed << "题库" << QStringList{"5"} << L{3, 2, 0, 0, 1} << "3 条未读"
            << "暂无「题库」类通知";
        QTest::newRow("activity empty, header counts all")
            << mixed << "活动" << QStringList() << L{3, 2, 0, 0, 1} << "3 条未读"
            << "暂无「活动」类通知";
        QTest::newRow("unknown kinds are system")
            << QStringList{"promo_2027", "", "Weekly_report*", "version_update"} << "系统"
            << QStringList{"1", "2", "3", "4"} << L{3, 0, 0, 0, 3} << "3 条未读"
            << "暂无「系统」类通知";
        QTest::newRow("named kinds") << QStringList{InboxKindNames::planUpdated, InboxKindNames::achievement,
                                                    "membership*"}
                                     << "活动" << QStringList{"2", "3"} << L{2, 1, 0, 1, 0} << "2 条未读"
                                     << "暂无「活动」类通知";
        QTest::newRow("all read") << QStringList{"activity*", "companion*"} << "全部" << QStringList{"1", "2"}
                                  << L{0, 0, 0, 0, 0} << "全部已读"
                                  << "暂无通知";
        QTest::newRow("not a chip keeps the category")
            << mixed << "study" << QStringList{"1", "2", "3", "4", "5"} << L{3, 2, 0, 0, 1} << "3 条未读"
            << "暂无通知";
    }
    void countsAndFilters() {
        QFETCH(QStringList, messages);
        QFETCH(QString, category);
        QFETCH(QStringList, rows);
        QFETCH(QList<int>, chips);
        QFETCH(QString, headline);
        QFETCH(QString, emptyTitle);

        Screen screen;
        screen.answer(messagesOf(messages));
        screen.load();
        screen.vm->chooseCategory(category);
        QCOMPARE(screen.rowKeys(), rows);
        QCOMPARE(screen.chipCounts(), chips);
        QCOMPARE(screen.vm->unreadCount(), chips.value(0));
        QCOMPARE(screen.vm->headline(), headline);
        QCOMPARE(screen.vm->totalLine(),
                 QStringLiteral("共 %1 条 · 课程、复习、活动一手掌握").arg(messages.size()));
        QCOMPARE(screen.vm->emptyTitle(), emptyTitle);
        QCOMPARE(screen.vm->showsEmpty(), rows.isEmpty());
        QStringList selected;
        for (const InboxChip &chip : screen.vm->chips().rows())
            if (chip.selected)
                selected << chip.category;
        QCOMPARE(selected, QStringList{screen.vm->categoryText()});
    }

    // The loading line only while nothing is shown; a failure keeps the list and says why, "好" clears it,
    // the next success too.
    void loads() {
        Screen screen;
        screen.answer(Reply::json(500, {}).after(5));
        auto first = screen.vm->runLoad();
        QVERIFY(screen.vm->loading());
        QVERIFY(screen.vm->showsLoading());
        QVERIFY(!screen.vm->showsEmpty());
        Await::result(first);
        QVERIFY(!screen.vm->loading());
        QCOMPARE(screen.vm->message(), QStringLiteral("拉取站内信失败"));
        QVERIFY(screen.vm->showsEmpty());
        screen.vm->dismissMessage();
        QVERIFY(!screen.vm->alertVisible());

        screen.answer(unreadReports(2));
        screen.load();
        QCOMPARE(screen.rowKeys(), QStringList({"1", "2"}));

        // A failed refresh keeps the rows; the list stays up while it runs.
        screen.answer(Reply::json(503, R"({"message":"维护中"})").after(5));
        auto refresh = screen.vm->runLoad();
        QVERIFY(screen.vm->loading() && !screen.vm->showsLoading());
        Await::result(refresh);
        QCOMPARE(screen.vm->message(), QStringLiteral("维护中"));
        QCOMPARE(screen.rowKeys(), QStringList({"1", "2"}));

        // A success replaces the list whole and clears the failure.
        screen.answer(messagesOf({"companion"}, 7));
        screen.load();
        QCOMPARE(screen.rowKeys(), QStringList({"7"}));
        QVERIFY(!screen.vm->alertVisible());
        QCOMPARE(screen.platform.transport->requests.last().url.query(), QStringLiteral("limit=50"));
    }

    // Opening an unread message marks it read at once (one row changes) and posts its id; a read one only
    // opens. A failed post shows nothing.
    void open_data() {
        QTest::addColumn<bool>("read");
        QTest::addColumn<Reply>("answer");
        QTest::addColumn<int>("posts");
        QTest::newRow("unread") << false << Reply::json(204, {}) << 1;
        QTest::newRow("unread, post fails silently")
            << false << Reply::json(500, R"({"message":"坏了"})") << 1;
        QTest::newRow("read") << true << Reply::json(204, {}) << 0;
    }
    void open() {
        QFETCH(bool, read);
        QFETCH(Reply, answer);
        QFETCH(int, posts);

        Screen screen;
        QList<QJsonObject> messages = messagesOf({"study_reminder", "companion"});
        messages.insert(1, inboxMessage(9007199254740993, "question_set_ready", read));
        screen.answer(messages);
        screen.mark(answer);
        screen.load();
        QCOMPARE(screen.vm->unreadCount(), read ? 2 : 3);

        QSignalSpy changed(screen.vm->rowModel(), &QAbstractItemModel::dataChanged);
        QSignalSpy inserted(screen.vm->rowModel(), &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(screen.vm->rowModel(), &QAbstractItemModel::rowsRemoved);
        screen.vm->open(1);
        QVERIFY(screen.vm->hasSelection());
        QCOMPARE(screen.vm->selectedMessage()->id, 9007199254740993);
        QCOMPARE(screen.vm->selectedRow().value("key").toString(), QStringLiteral("9007199254740993"));
        QCOMPARE(screen.vm->selectedRow().value("actionTitle").toString(), QStringLiteral("去练习"));
        QVERIFY(screen.vm->rows().at(1).read);
        QCOMPARE(screen.vm->unreadCount(), 2);
        QCOMPARE(screen.chipCounts(), QList<int>({2, 1, 0, 0, 1}));
        QCOMPARE(changed.size(), read ? 0 : 1);
        if (!read)
            QCOMPARE(changed.first().first().toModelIndex().row(), 1);
        QVERIFY(inserted.isEmpty() && removed.isEmpty());

        QTest::qWait(20);
        const QList<QList<qint64>> expected =
            posts ? QList<QList<qint64>>{{9007199254740993}} : QList<QList<qint64>>{};
        QCOMPARE(screen.postedIds(), expected);
        QVERIFY(screen.vm->rows().at(1).read);
        QVERIFY(!screen.vm->alertVisible());

        screen.vm->closeDetail();
        QVERIFY(!screen.vm->hasSelection());
        QVERIFY(screen.vm->selectedRow().isEmpty());
        screen.vm->open(7); // no such row
        QVERIFY(!screen.vm->hasSelection());
    }

    // "全部已读": the unread ids in list order, in runs of 50; exactly the confirmed ones become read.
    void markAllRead_data() {
        QTest::addColumn<int>("unread");
        QTest::addColumn<QList<Reply>>("answers");
        QTest::addColumn<QList<int>>("posts"); // sizes
        QTest::addColumn<QList<qint64>>("stillUnread");
        QTest::addColumn<QString>("error");

        const Reply done = Reply::json(204, {});
        using R = QList<Reply>;
        using P = QList<int>;
        QTest::newRow("three") << 3 << R{done} << P{3} << QList<qint64>() << "";
        QTest::newRow("none: nothing sent") << 0 << R{done} << P{} << QList<qint64>() << "";
        QTest::newRow("120, all confirmed") << 120 << R{done} << P{50, 50, 20} << QList<qint64>() << "";
        QTest::newRow("120, second run refused")
            << 120 << R{done, Reply::json(400, R"({"code":"too_many_ids","message":"一次最多标记 50 条"})")}
            << P{50, 50} << range(51, 120) << "一次最多标记 50 条";
        QTest::newRow("first run fails")
            << 3 << R{Reply::json(500, {})} << P{3} << range(1, 3) << "标记已读失败";
        QTest::newRow("offline") << 3 << R{Reply::error(TransportError::Kind::NoConnection)} << P{3}
                                 << range(1, 3)
                                 << *errorText(std::make_exception_ptr(ApiError::transport(
                                        TransportError::fromKind(TransportError::Kind::NoConnection))));
    }
    void markAllRead() {
        QFETCH(int, unread);
        QFETCH(QList<Reply>, answers);
        QFETCH(QList<int>, posts);
        QFETCH(QList<qint64>, stillUnread);
        QFETCH(QString, error);

        Screen screen;
        QList<QJsonObject> messages = unreadReports(unread);
        messages << inboxMessage(500, "companion", true);
        screen.answer(messages);
        for (const Reply &answer : answers)
            screen.mark(answer);
        screen.load();
        Await::result(screen.vm->runMarkAllRead());

        QList<int> sizes;
        QList<qint64> sent;
        for (const QList<qint64> &ids : screen.postedIds()) {
            sizes << int(ids.size());
            sent << ids;
        }
        QCOMPARE(sizes, posts);
        QCOMPARE(sent, range(1, sent.size()));
        QCOMPARE(screen.unreadIds(), stillUnread);
        QCOMPARE(screen.vm->unreadCount(), int(stillUnread.size()));
        QCOMPARE(screen.vm->message(), error);
    }

    // A reload that lands while "全部已读" waits brings a new unread message: it stays unread.
    void markAllReadKeepsWhatAReloadBrought() {
        Screen screen;
        screen.answer(unreadReports(3));
        screen.mark(Reply::json(204, {}).after(30));
        screen.load();
        auto marking = screen.vm->runMarkAllRead();
        screen.answer(unreadReports(4)); // ids 1..4, 4 new
        screen.load();
        QCOMPARE(screen.vm->unreadCount(), 4);
        Await::result(marking);
        QCOMPARE(screen.unreadIds(), QList<qint64>{4});
        QCOMPARE(screen.vm->headline(), QStringLiteral("1 条未读"));
    }

    // Closed before the answers: they change nothing (the view-model is gone), yet every run still goes out.
    void closedBeforeTheAnswers_data() {
        QTest::addColumn<bool>("marking");
        QTest::newRow("mark all") << true;
        QTest::newRow("load") << false;
    }
    void closedBeforeTheAnswers() {
        QFETCH(bool, marking);
        Screen screen;
        screen.answer(unreadReports(120));
        screen.load();
        screen.answer(Reply::json(200, inboxAnswer(unreadReports(1))).after(10));
        screen.mark(Reply::json(204, {}).after(10));
        QCoro::Task<> running = marking ? screen.vm->runMarkAllRead() : screen.vm->runLoad();
        screen.vm.reset();
        Await::result(running);
        QTRY_COMPARE(screen.postedIds().size(), marking ? 3 : 0);
    }

    // The action of a generated question set records which request made it; other kinds record nothing.
    void actionAnalytics_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QJsonValue>("refId");
        QTest::addColumn<QString>("requestId"); // "-" for no event
        QTest::newRow("ready with ref") << "question_set_ready" << QJsonValue(42) << "42";
        QTest::newRow("ready beyond 2^53")
            << "question_set_ready" << QJsonValue(qint64(9007199254740993)) << "9007199254740993";
        QTest::newRow("ready without ref") << "question_set_ready" << QJsonValue() << "";
        QTest::newRow("ready with null ref") << "question_set_ready" << QJsonValue(QJsonValue::Null) << "";
        QTest::newRow("failed set") << "question_set_failed" << QJsonValue(42) << "-";
        QTest::newRow("report") << "weekly_report" << QJsonValue(42) << "-";
    }
    void actionAnalytics() {
        QFETCH(QString, kind);
        QFETCH(QJsonValue, refId);
        QFETCH(QString, requestId);
        Screen screen;
        screen.answer({Fixtures::with(inboxMessage(1, kind, true), "ref_id", refId)});
        screen.load();
        const qsizetype before = Analytics::shared().queuedCount();
        screen.vm->actionTapped(); // nothing open: nothing recorded
        screen.vm->open(0);
        screen.vm->actionTapped();
        const QList<Analytics::Event> events = Analytics::shared().queuedEvents().mid(before);
        if (requestId == QLatin1String("-")) {
            QVERIFY(events.isEmpty());
            return;
        }
        QCOMPARE(events.size(), 1);
        QCOMPARE(events[0].name, QStringLiteral("gen_ready_open"));
        QCOMPARE(events[0].props, (QHash<QString, QString>{{"request_id", requestId}}));
    }
};

QTEST_GUILESS_MAIN(TestHomeInboxViewModel)
#include "tst_homeinboxviewmodel.moc"
