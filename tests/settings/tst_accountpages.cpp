// The account pages' state: the account status texts and the account request (straight, never renewed), the
// companion memories' decoding, rows and requests, a memory id encoded as one path segment or refused
// without a request, a two-row delete whose first request fails, and clearing all.
#include "AccountAPIClient.h"
#include "AppSession.h"
#include "Await.h"
#include "Fixtures.h"
#include "MemoriesViewModel.h"
#include "ProfileBirthInfoViewModel.h"
#include "TestPlatform.h"

#include <QSignalSpy>
#include <QTest>

namespace {

using Reply = FakeTransport::Reply;

const QString memoriesPath = QStringLiteral("/ai") + AccountAPIClient::memoriesPath;

QByteArray entryJson(const QString &id, const QString &kind = QStringLiteral("goal"),
                     const QString &created = QStringLiteral("2026-03-01T08:15:30+08:00")) {
    return QStringLiteral(R"({"id":"%1","kind":"%2","text":"移项变号","created_at":"%3"})")
        .arg(id, kind, created)
        .toUtf8();
}

QByteArray listJson(const QList<QByteArray> &entries) {
    return R"({"items":[)" + entries.join(',') + "]}";
}

} // namespace

Q_DECLARE_METATYPE(FakeTransport::Reply)

class TestAccountPages : public QObject {
    Q_OBJECT

    struct Memories {
        TestPlatform platform;
        AppSession session;
        MemoriesViewModel vm;
        // What the list and any unscripted request answer from now on.
        Reply listReply = Reply::json(200, listJson({}));
        Reply otherReply = Reply::json(204, "");

        Memories() {
            session.setAccessToken(QStringLiteral("tok"));
            vm.setSession(&session);
            platform.transport->fallback = [this](const HttpRequest &request) {
                return request.method == "GET" ? listReply : otherReply;
            };
        }
        void loadWith(const QList<QByteArray> &entries) {
            listReply = Reply::json(200, listJson(entries));
            Await::result(vm.runLoad());
        }
        QStringList ids() const {
            QStringList list;
            for (const MemoryEntry &entry : vm.entries())
                list << entry.id;
            return list;
        }
        QList<HttpRequest> deletes() const {
            QList<HttpRequest> list;
            for (const HttpRequest &request : platform.transport->requests)
                if (request.method == "DELETE")
                    list << request;
            return list;
        }
    };

private Q_SLOTS:
    void statusText_data() {
        QTest::addColumn<QString>("status"); // null: no reply
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << QString() << "—";
        QTest::newRow("Active") << "Active"
                                << "正常";
        QTest::newRow("PendingProfile") << "PendingProfile"
                                        << "待完善资料";
        QTest::newRow("Closing") << "Closing"
                                 << "注销冷静期";
        QTest::newRow("case differs: as is") << "active"
                                             << "active";
        QTest::newRow("unknown: as is") << "Frozen"
                                        << "Frozen";
        QTest::newRow("empty: as is") << ""
                                      << "";
    }
    void statusText() {
        QFETCH(QString, status);
        QFETCH(QString, text);
        QCOMPARE(
            ProfileBirthInfoViewModel::statusText(status.isNull() ? std::nullopt : std::optional(status)),
            text);
    }

    // The rows after each answer: a success shows it, a failure keeps what was shown and says why; a 401 is
    // shown as it came, with no renewal.
    void accountLoad_data() {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<QString>("birth");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("message");
        const QByteArray me =
            R"({"user_id":7,"tenant_id":1,"status":"Closing","birth_year_month":"2012-09"})";
        QTest::newRow("reply") << Reply::json(200, me) << "2012-09"
                               << "注销冷静期"
                               << "";
        QTest::newRow("no birth month")
            << Reply::json(200, R"({"user_id":7,"tenant_id":1,"status":"Active"})") << "—"
            << "正常"
            << "";
        QTest::newRow("401 with message")
            << Reply::json(401, R"({"code":"auth","message":"登录已过期"})") << "—"
            << "—"
            << "登录已过期";
        QTest::newRow("401 without message") << Reply::json(401, "") << "—"
                                             << "—"
                                             << "请求失败（401）";
        QTest::newRow("not HTTP") << Reply::json(-1, me) << "—"
                                  << "—"
                                  << "无响应";
        QTest::newRow("undecodable") << Reply::json(200, R"({"user_id":7,"status":"Active"})") << "—"
                                     << "—"
                                     << "响应格式不正确";
    }
    void accountLoad() {
        QFETCH(Reply, reply);
        QFETCH(QString, birth);
        QFETCH(QString, status);
        QFETCH(QString, message);
        TestPlatform platform;
        AppSession session;
        session.setAccessToken(QStringLiteral("tok"));
        session.setRefreshToken(QStringLiteral("refresh"));
        ProfileBirthInfoViewModel vm;
        vm.setSession(&session);
        Reply answer = reply;
        platform.transport->fallback = [&answer](const HttpRequest &) { return answer; };
        Await::result(vm.runLoad());
        QCOMPARE(vm.birthText(), birth);
        QCOMPARE(vm.statusText(), status);
        QCOMPARE(vm.message(), message);
        QCOMPARE(platform.transport->requests.size(), 1); // never a renewal, never a second attempt
        const HttpRequest sent = platform.transport->requests.first();
        QCOMPARE(sent.url, QUrl(TestPlatform::apiBase + AccountAPIClient::mePath));
        QCOMPARE(sent.header("Authorization"), QByteArray("Bearer tok"));
        QVERIFY(!sent.hasHeader("Content-Type"));
        QCOMPARE(sent.timeoutMs, 60000);

        // A failed reload keeps the rows of an earlier success.
        vm.dismissMessage();
        answer = Reply::json(200, R"({"user_id":7,"tenant_id":1,"status":"Active"})");
        Await::result(vm.runLoad());
        answer = Reply::json(500, "{}");
        Await::result(vm.runLoad());
        QCOMPARE(vm.statusText(), QStringLiteral("正常"));
        QCOMPARE(vm.message(), QStringLiteral("请求失败（500）"));
    }

    // All four keys required with their types; the row's caption from the kind and the first 10 characters.
    void memoryRows_data() {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<QString>("caption"); // null: the list does not decode
        QTest::newRow("goal") << entryJson("a") << "学习目标 · 2026-03-01";
        QTest::newRow("other kind") << entryJson("a", "difficulty") << "学习难点 · 2026-03-01";
        QTest::newRow("empty kind") << entryJson("a", "") << "学习难点 · 2026-03-01";
        QTest::newRow("Goal is not goal") << entryJson("a", "Goal") << "学习难点 · 2026-03-01";
        QTest::newRow("short date whole") << entryJson("a", "goal", "3月1日") << "学习目标 · 3月1日";
        QTest::newRow("without created_at")
            << QByteArray(R"({"id":"a","kind":"goal","text":"x"})") << QString();
        QTest::newRow("numeric id") << QByteArray(R"({"id":1,"kind":"goal","text":"x","created_at":"2026"})")
                                    << QString();
    }
    void memoryRows() {
        QFETCH(QByteArray, entry);
        QFETCH(QString, caption);
        Memories page;
        page.loadWith({entryJson("kept")});
        page.vm.dismissMessage();
        page.loadWith({entry});
        if (caption.isNull()) {
            QCOMPARE(page.vm.message(), QStringLiteral("响应格式不正确"));
            QCOMPARE(page.ids(), QStringList{"kept"}); // the earlier list stays
            return;
        }
        QVERIFY(!page.vm.alertVisible());
        QCOMPARE(page.vm.itemModel()->get(0).value("caption").toString(), caption);
    }

    // The id as one escaped segment; "", "." and ".." are never sent, their row stays with the alert.
    void deletePaths_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("path"); // after the collection's path; null: refused
        QTest::newRow("plain") << "mem_1"
                               << "/mem_1";
        QTest::newRow("slash") << "a/b"
                               << "/a%2Fb";
        QTest::newRow("query and fragment") << "a?b#c"
                                            << "/a%3Fb%23c";
        QTest::newRow("percent") << "%2F"
                                 << "/%252F";
        QTest::newRow("space and plus") << "a b+c"
                                        << "/a%20b%2Bc";
        QTest::newRow("three dots") << "..."
                                    << "/...";
        QTest::newRow("Chinese") << "记忆"
                                 << "/%E8%AE%B0%E5%BF%86";
        QTest::newRow("empty") << "" << QString();
        QTest::newRow("dot") << "." << QString();
        QTest::newRow("dot dot") << ".." << QString();
    }
    void deletePaths() {
        QFETCH(QString, id);
        QFETCH(QString, path);
        Memories page;
        page.loadWith({entryJson(id)});
        Await::result(page.vm.runDelete(page.vm.entries()));
        if (path.isNull()) {
            QVERIFY(page.deletes().isEmpty());
            QCOMPARE(page.ids(), QStringList{id});
            QCOMPARE(page.vm.message(), QStringLiteral("无法删除这条记忆"));
            return;
        }
        QCOMPARE(page.deletes().size(), 1);
        QCOMPARE(page.deletes().first().url.toString(QUrl::FullyEncoded),
                 TestPlatform::apiBase + memoriesPath + path);
        QVERIFY(page.ids().isEmpty());
        QVERIFY(!page.vm.alertVisible());
    }

    // Two rows removed at once: the first fails and stays, the second goes once its own request succeeds,
    // and the alert shows the failure; rows sharing the deleted id all go.
    void partialDelete() {
        Memories page;
        page.loadWith({entryJson("a"), entryJson("b"), entryJson("c"), entryJson("b")});
        page.platform.transport->on("DELETE", memoriesPath + "/a",
                                    Reply::json(500, R"({"message":"暂时无法删除"})"));
        page.platform.transport->on("DELETE", memoriesPath + "/b", Reply::json(204, "").after(20));
        QSignalSpy removed(page.vm.itemModel(), &QAbstractItemModel::rowsRemoved);
        page.vm.deleteRows({1, 0, 1, 9});
        QCOMPARE(page.ids().size(), 4); // nothing leaves before the server answers
        QTRY_COMPARE(page.ids(), (QStringList{"a", "c"}));
        QCOMPARE(page.vm.message(), QStringLiteral("暂时无法删除"));
        QCOMPARE(page.deletes().size(), 2);
        QCOMPARE(page.deletes().first().url.path(), memoriesPath + "/a");
        QCOMPARE(removed.count(), 2); // the two "b" rows, the others untouched
        QCOMPARE(page.vm.itemModel()->count(), 2);
    }

    // "全部清空" asks first; "取消" sends nothing; a success empties the list, a failure keeps every row.
    void clearAll_data() {
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<int>("left");
        QTest::addColumn<QString>("message");
        QTest::newRow("cleared") << Reply::json(204, "") << 0 << "";
        QTest::newRow("refused") << Reply::json(503, "not json") << 2 << "请求失败（503）";
        QTest::newRow("no connection")
            << Reply::error(TransportError::Kind::NoConnection) << 2
            << TransportError::fromKind(TransportError::Kind::NoConnection).message();
    }
    void clearAll() {
        QFETCH(Reply, reply);
        QFETCH(int, left);
        QFETCH(QString, message);
        Memories page;
        page.loadWith({entryJson("a"), entryJson("b")});
        QVERIFY(page.vm.canClear());
        page.vm.requestClear();
        QVERIFY(page.vm.confirmClear());
        page.vm.cancelClear();
        QVERIFY(!page.vm.confirmClear());
        QVERIFY(page.deletes().isEmpty());

        page.platform.transport->on("DELETE", memoriesPath, reply);
        QSignalSpy state(&page.vm, &MemoriesViewModel::listStateChanged);
        page.vm.requestClear();
        page.vm.confirmClearAll();
        QVERIFY(!page.vm.confirmClear());
        QTRY_COMPARE(page.deletes().size(), 1);
        QTRY_VERIFY(page.vm.entries().size() == left && page.vm.message() == message);
        QCOMPARE(page.vm.showsEmpty(), left == 0);
        QCOMPARE(page.vm.canClear(), left > 0);
        QCOMPARE(state.count(), left == 0 ? 1 : 0);
        QCOMPARE(page.platform.transport->count(memoriesPath), 2); // the load and the clear, no reload
    }

    // The list's request; the spinner only while nothing is listed; a load from before the page left
    // writes nothing; without a token, no Authorization.
    void loading() {
        Memories page;
        const HttpRequest get =
            AccountAPIClient::memoriesRequest("GET", AccountAPIClient::memoriesPath, page.session);
        QCOMPARE(get.url, QUrl(TestPlatform::apiBase + memoriesPath));
        QCOMPARE(get.header("Authorization"), QByteArray("Bearer tok"));
        QVERIFY(!get.hasHeader("Content-Type"));
        QCOMPARE(get.timeoutMs, 60000);

        page.listReply = Reply::json(200, listJson({entryJson("a")})).after(30);
        page.vm.load();
        QVERIFY(page.vm.showsSpinner() && !page.vm.showsEmpty());
        QTRY_VERIFY(!page.vm.loading());
        QCOMPARE(page.ids(), QStringList{"a"});
        page.vm.load();
        QVERIFY(page.vm.loading() && !page.vm.showsSpinner()); // the list stays during a refresh
        page.vm.disappear();
        page.listReply = Reply::json(200, listJson({}));
        QTRY_VERIFY(!page.vm.loading());
        QCOMPARE(page.ids(), QStringList{"a"});

        page.loadWith({});
        QVERIFY(page.vm.showsEmpty() && !page.vm.canClear());
        page.session.setAccessToken(std::nullopt);
        QVERIFY(!AccountAPIClient::memoriesRequest("DELETE", AccountAPIClient::memoriesPath, page.session)
                     .hasHeader("Authorization"));
    }

    // A 401 renews the token once through the session and the delete goes again with the new token; a
    // delete whose page is gone meanwhile still reaches the server.
    void renewalAndPageGone() {
        Memories page;
        page.session.setRefreshToken(QStringLiteral("refresh"));
        page.loadWith({entryJson("a"), entryJson("b")});
        page.platform.transport->on("DELETE", memoriesPath + "/a", Reply::json(401, "{}"));
        page.platform.transport->on("DELETE", memoriesPath + "/a", Reply::json(204, ""));
        page.platform.transport->on(
            "POST", QStringLiteral("/api/v1/auth/refresh"),
            Reply::json(200, Fixtures::patched("auth/grant.json", {{"access_token", "new"}})));
        Await::result(page.vm.runDelete({page.vm.entries().first()}));
        QCOMPARE(page.ids(), QStringList{"b"});
        QCOMPARE(page.deletes().last().header("Authorization"), QByteArray("Bearer new"));

        auto vm = std::make_unique<MemoriesViewModel>();
        vm->setSession(&page.session);
        page.platform.transport->on("DELETE", memoriesPath + "/b", Reply::json(204, "").after(20));
        auto task = vm->runDelete({MemoryEntry{"b", "goal", "x", "2026"}});
        vm.reset();
        QTRY_COMPARE(page.platform.transport->count(memoriesPath + "/b"), 1);
    }
};

QTEST_MAIN(TestAccountPages)
#include "tst_accountpages.moc"
