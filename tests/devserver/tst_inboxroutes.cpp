// The stand-in's inbox, spoken to over plain HTTP: the limit of a read, newest first, one notice of every
// kind on the first read and only then, each learner's own notices, marking read (at most 50 ids, unknown
// ones passed over, ids beyond a double's precision kept exact), the control that adds notices, and the inbox
// kept across a restart on a state file.
#include "DevServer.h"
#include "HttpProbe.h"
#include "InboxKindNames.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <limits>
#include <memory>
#include <stdexcept>

namespace {

using namespace HttpProbe;

const QString kPhone = QStringLiteral("13800138000");
const QString kOtherPhone = QStringLiteral("13900139000");
constexpr qint64 kDoubleExactLimit = qint64(1) << 53;

// The kinds the client knows, each of which the first read brings once.
const QStringList kKnownKinds = {"learning_item_ready",
                                 QString::fromLatin1(InboxKindNames::planUpdated),
                                 "study_reminder",
                                 "wrong_book_review",
                                 "weekly_report",
                                 "question_set_ready",
                                 "question_set_failed",
                                 QString::fromLatin1(InboxKindNames::achievement),
                                 "activity",
                                 "membership",
                                 "companion",
                                 "safety_notice",
                                 "new_feature",
                                 "version_update"};

QJsonArray list(const Reply &reply) {
    return QJsonDocument::fromJson(reply.body).array();
}

QList<qint64> idsOf(const QJsonArray &messages) {
    QList<qint64> ids;
    for (const QJsonValue &message : messages)
        ids.append(message.toObject().value("id").toInteger());
    return ids;
}

QSet<qint64> readIds(const QJsonArray &messages, bool read) {
    QSet<qint64> ids;
    for (const QJsonValue &message : messages)
        if (message.toObject().value("read").toBool() == read)
            ids.insert(message.toObject().value("id").toInteger());
    return ids;
}

QSet<qint64> setOf(const QList<qint64> &ids) {
    return QSet<qint64>(ids.begin(), ids.end());
}

QByteArray idsBody(const QList<qint64> &ids) {
    QJsonArray array;
    for (const qint64 id : ids)
        array.append(id);
    return json({{"ids", array}});
}

} // namespace

class TestInboxRoutes : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DevServer> m_server;
    int m_port = 0;
    QString m_token;

    Reply inbox(const QString &query = QStringLiteral("limit=100"), const QString &token = QString()) const {
        const QString path =
            query.isNull() ? QStringLiteral("/api/v1/me/inbox") : QStringLiteral("/api/v1/me/inbox?") + query;
        return request(m_port, "GET", path.toStdString(), {}, token.isNull() ? m_token : token);
    }
    QJsonArray messages(const QString &token = QString()) const {
        const Reply reply = inbox(QStringLiteral("limit=100"), token);
        return reply.status == 200 ? list(reply) : QJsonArray();
    }
    Reply markRead(const QByteArray &body, const QString &token = QString()) const {
        return request(m_port, "POST", "/api/v1/me/inbox:read", body, token.isNull() ? m_token : token);
    }
    int unread(const QString &phone = kPhone) const {
        return m_server->inboxCounts(phone.toStdString()).unread;
    }

private slots:
    void init() {
        m_server = std::make_unique<DevServer>();
        m_port = m_server->start();
        QVERIFY(m_port > 0);
        m_token = signIn(m_port, kPhone);
        QVERIFY(!m_token.isEmpty());
    }
    void cleanup() { m_server.reset(); }

    // The first read: one notice of every known kind and one of a kind the client does not know, newest
    // first, from seconds to more than a year back, about half unread, in Beijing time with the offset
    // written out.
    void firstRead() {
        QCOMPARE(m_server->inboxCounts(kPhone.toStdString()).total, 0); // nothing before the first read
        const Reply reply = inbox();
        QCOMPARE(reply.status, 200);
        QVERIFY(QString::fromStdString(reply.contentType).startsWith("application/json"));
        const QJsonArray seeded = list(reply);
        QCOMPARE(seeded.size(), kKnownKinds.size() + 1);

        QStringList kinds;
        QDateTime previous = QDateTime::currentDateTimeUtc().addSecs(1);
        static const QRegularExpression beijing(
            QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\+08:00$"));
        for (const QJsonValue &value : seeded) {
            const QJsonObject message = value.toObject();
            const QString kind = message.value("kind").toString();
            kinds.append(kind);
            // Beyond 2^53, and written out digit for digit rather than as a rounded double.
            const qint64 id = message.value("id").toInteger();
            QVERIFY(id > kDoubleExactLimit && reply.body.contains("\"id\":" + QByteArray::number(id) + ','));
            QVERIFY2(isChinese(message.value("title").toString()) &&
                         isChinese(message.value("body").toString()),
                     qPrintable(kind));
            QVERIFY(message.value("read").isBool());
            const QString createdText = message.value("created_at").toString();
            QVERIFY2(beijing.match(createdText).hasMatch(), qPrintable(createdText));
            const QDateTime created = QDateTime::fromString(createdText, Qt::ISODate);
            QVERIFY2(created <= previous, qPrintable(kind)); // newest first
            previous = created;
            const bool refers = kind == QLatin1String("question_set_ready");
            QCOMPARE(message.value("ref_type").isString() && message.value("ref_id").isDouble(), refers);
            QCOMPARE(message.contains("ref_type") || message.contains("ref_id"), refers);
        }
        QCOMPARE(setOf(idsOf(seeded)).size(), seeded.size());
        for (const QString &kind : kKnownKinds)
            QVERIFY2(kinds.count(kind) == 1, qPrintable(kind));
        // Seconds ago for the newest, more than a year ago for the oldest, so every time text shows.
        const QDateTime now = QDateTime::currentDateTimeUtc();
        QVERIFY(QDateTime::fromString(seeded.first()["created_at"].toString(), Qt::ISODate).secsTo(now) < 60);
        QVERIFY(previous.daysTo(now) > 365);
        const int unreadCount = readIds(seeded, false).size();
        QVERIFY2(unreadCount * 3 >= seeded.size() && unreadCount * 3 <= seeded.size() * 2,
                 qPrintable(QString::number(unreadCount)));
        QCOMPARE(unread(), unreadCount);

        // Filled once: the next read is the same, marks included.
        QCOMPARE(markRead(idsBody({idsOf(seeded).first()})).status, 204);
        const QJsonArray again = messages();
        QCOMPARE(idsOf(again), idsOf(seeded));
        QCOMPARE(readIds(again, false).size(), unreadCount - (seeded.first()["read"].toBool() ? 0 : 1));
    }

    void limit_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("added");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("count");
        QTest::newRow("one") << "limit=1" << 0 << 200 << 1;
        QTest::newRow("fewer than the limit") << "limit=100" << 0 << 200 << 15;
        QTest::newRow("left out: 50") << QString() << 120 << 200 << 50;
        QTest::newRow("100 of many") << "limit=100" << 120 << 200 << 100;
        QTest::newRow("zero-padded") << "limit=007" << 0 << 200 << 7;
        QTest::newRow("0") << "limit=0" << 0 << 400 << 0;
        QTest::newRow("101") << "limit=101" << 0 << 400 << 0;
        QTest::newRow("negative") << "limit=-1" << 0 << 400 << 0;
        QTest::newRow("empty") << "limit=" << 0 << 400 << 0;
        QTest::newRow("fraction") << "limit=1.5" << 0 << 400 << 0;
        QTest::newRow("signed") << "limit=%2B5" << 0 << 400 << 0;
        QTest::newRow("trailing text") << "limit=5x" << 0 << 400 << 0;
        QTest::newRow("huge") << "limit=99999999999" << 0 << 400 << 0;
    }
    void limit() {
        QFETCH(QString, query);
        QFETCH(int, added);
        QFETCH(int, status);
        QFETCH(int, count);
        if (added)
            m_server->appendInboxMessages(kPhone.toStdString(), added);
        const Reply reply = inbox(query);
        QCOMPARE(reply.status, status);
        if (status == 200) {
            QCOMPARE(list(reply).size(), count);
        } else {
            QCOMPARE(reply.errorCode(), QStringLiteral("invalid_request"));
            QVERIFY(isChinese(reply.errorMessage()));
        }
    }

    // Added notices come first, the last added at the top, whether added before the first read (which still
    // fills the inbox, once) or after it; the filled ones keep their order below.
    void newestFirst_data() {
        QTest::addColumn<bool>("beforeTheFirstRead");
        QTest::newRow("added after the first read") << false;
        QTest::newRow("added before it") << true;
    }
    void newestFirst() {
        QFETCH(bool, beforeTheFirstRead);
        const QList<qint64> seeded = beforeTheFirstRead ? QList<qint64>() : idsOf(messages());
        const std::vector<std::int64_t> added = m_server->appendInboxMessages(kPhone.toStdString(), 3);
        QCOMPARE(m_server->inboxCounts(kPhone.toStdString()).total, int(seeded.size()) + 3);
        const QList<qint64> listed = idsOf(messages());
        QCOMPARE(listed.size(), 15 + 3);
        QCOMPARE(listed.mid(0, 3), (QList<qint64>{added[2], added[1], added[0]}));
        if (!beforeTheFirstRead)
            QCOMPARE(listed.mid(3), seeded);
        QCOMPARE(idsOf(messages()), listed);
    }

    // Each learner reads, marks and is sent only their own notices.
    void perLearner() {
        const QString other = signIn(m_port, kOtherPhone);
        QVERIFY(!other.isEmpty());
        const QJsonArray mine = messages();
        const QJsonArray theirs = messages(other);
        QCOMPARE(theirs.size(), mine.size());
        QVERIFY(!setOf(idsOf(mine)).intersects(setOf(idsOf(theirs))));

        // Their unread ids, sent by me, are not mine to mark.
        const QSet<qint64> theirUnread = readIds(theirs, false);
        QCOMPARE(markRead(idsBody(theirUnread.values())).status, 204);
        QCOMPARE(readIds(messages(other), false), theirUnread);

        m_server->appendInboxMessages(kOtherPhone.toStdString(), 4);
        QCOMPARE(messages().size(), mine.size());
        QCOMPARE(messages(other).size(), theirs.size() + 4);
    }

    // 0, 1 and 50 ids mark exactly those notices; 51 are refused whole. Every other notice is marked, so that
    // each id sent lies between two consecutive ids above 2^53 that must stay unread.
    void markRead_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("status");
        QTest::newRow("none") << 0 << 204;
        QTest::newRow("one") << 1 << 204;
        QTest::newRow("fifty") << 50 << 204;
        QTest::newRow("fifty-one") << 51 << 400;
    }
    void markRead() {
        QFETCH(int, count);
        QFETCH(int, status);
        m_server->appendInboxMessages(kPhone.toStdString(), 120);
        const QJsonArray before = messages(); // the newest 100, all of them added and unread
        const QSet<qint64> unreadBefore = readIds(before, false);
        const int unreadTotal = unread();
        QCOMPARE(unreadBefore.size(), 100);
        QList<qint64> chosen;
        // Odd positions hold odd ids: through a double each would round onto its neighbour.
        for (qsizetype i = 1; chosen.size() < count; i += 2)
            chosen.append(before[i < before.size() ? i : i - before.size() - 1]["id"].toInteger());

        const Reply reply = markRead(idsBody(chosen));
        QCOMPARE(reply.status, status);
        QSet<qint64> expected = unreadBefore;
        if (status == 204) {
            QVERIFY(reply.body.isEmpty());
            for (const qint64 id : chosen)
                expected.remove(id);
        } else {
            QCOMPARE(reply.errorCode(), QStringLiteral("too_many_ids"));
            QCOMPARE(reply.errorMessage(), QStringLiteral("一次最多标记 50 条"));
        }
        QCOMPARE(readIds(messages(), false), expected);
        QCOMPARE(unread(), unreadTotal - (unreadBefore.size() - expected.size()));
    }

    // Ids the learner has never been sent are passed over; the rest are marked, twice over harmlessly.
    void unknownIds() {
        const QJsonArray before = messages();
        const qint64 target = *readIds(before, false).begin();
        const QList<qint64> sent = {0, -1, 42, target, std::numeric_limits<qint64>::max(), target};
        QCOMPARE(markRead(idsBody(sent)).status, 204);
        QCOMPARE(markRead(idsBody({target})).status, 204);
        QCOMPARE(readIds(messages(), false), readIds(before, false) - QSet<qint64>{target});
    }

    // Before the first read there is nothing to mark, not even the ids the read is about to hand out, and
    // marking does not fill the inbox.
    void markBeforeTheFirstRead() {
        QList<qint64> upcoming;
        for (qint64 id = kDoubleExactLimit; id < kDoubleExactLimit + 40; ++id)
            upcoming.append(id);
        QCOMPARE(markRead(idsBody(upcoming.mid(0, 20))).status, 204);
        QCOMPARE(markRead(idsBody(upcoming.mid(20))).status, 204);
        QCOMPARE(m_server->inboxCounts(kPhone.toStdString()).total, 0);
        const QJsonArray mine = messages();
        QVERIFY(setOf(upcoming).contains(setOf(idsOf(mine))));
        const QString other = signIn(m_port, kOtherPhone);
        QCOMPARE(readIds(mine, false).size(), readIds(messages(other), false).size());
    }

    void badMarkBodies_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("no ids") << QByteArray("{}");
        QTest::newRow("ids null") << QByteArray(R"({"ids":null})");
        QTest::newRow("ids a number") << QByteArray(R"({"ids":1})");
        QTest::newRow("id as text") << QByteArray(R"({"ids":["9007199254740993"]})");
        QTest::newRow("fractional id") << QByteArray(R"({"ids":[1.5]})");
        QTest::newRow("id beyond 64 bits") << QByteArray(R"({"ids":[18446744073709551616]})");
        QTest::newRow("bare array") << QByteArray("[1,2]");
        QTest::newRow("not JSON") << QByteArray("ids=1");
        QTest::newRow("empty") << QByteArray();
    }
    void badMarkBodies() {
        QFETCH(QByteArray, body);
        const QSet<qint64> unreadBefore = readIds(messages(), false);
        const Reply reply = markRead(body);
        QCOMPARE(reply.status, 400);
        QCOMPARE(reply.errorCode(), QStringLiteral("invalid_request"));
        QVERIFY(isChinese(reply.errorMessage()));
        QCOMPARE(readIds(messages(), false), unreadBefore);
    }

    // Both routes want a live token; the colon of the mark route is a literal character, not a pattern.
    void routes_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("token");
        QTest::addColumn<int>("status");
        const QString live; // null: the learner's own token
        QTest::newRow("read, no token") << "GET"
                                        << "/api/v1/me/inbox?limit=5"
                                        << "" << 401;
        QTest::newRow("read, bad token") << "GET"
                                         << "/api/v1/me/inbox"
                                         << "at_nope" << 401;
        QTest::newRow("mark, no token") << "POST"
                                        << "/api/v1/me/inbox:read"
                                        << "" << 401;
        QTest::newRow("mark") << "POST"
                              << "/api/v1/me/inbox:read" << live << 204;
        QTest::newRow("slash for colon") << "POST"
                                         << "/api/v1/me/inbox/read" << live << 404;
        QTest::newRow("other letter") << "POST"
                                      << "/api/v1/me/inboxXread" << live << 404;
        QTest::newRow("colon only") << "POST"
                                    << "/api/v1/me/inbox:" << live << 404;
        QTest::newRow("longer") << "POST"
                                << "/api/v1/me/inbox:reads" << live << 404;
        QTest::newRow("read by GET") << "GET"
                                     << "/api/v1/me/inbox:read" << live << 404;
    }
    void routes() {
        QFETCH(QString, method);
        QFETCH(QString, path);
        QFETCH(QString, token);
        QFETCH(int, status);
        const QString sent = token.isNull() ? m_token : token.isEmpty() ? QString() : token;
        const Reply reply = request(m_port, method.toStdString(), path.toStdString(), idsBody({}), sent);
        QCOMPARE(reply.status, status);
        if (status == 401)
            QCOMPARE(reply.errorCode(), QStringLiteral("unauthorized"));
    }

    // The control, over HTTP: adds unread notices to the learner named by phone and answers their ids with
    // the inbox's counts; a learner never signed in, a count out of range or a malformed body changes
    // nothing.
    void control_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("added");
        QTest::newRow("one") << json({{"phone", kPhone}, {"count", 1}}) << 200 << 1;
        QTest::newRow("120") << json({{"phone", kPhone}, {"count", 120}}) << 200 << 120;
        QTest::newRow("most") << json({{"phone", kPhone}, {"count", 1000}}) << 200 << 1000;
        QTest::newRow("unknown phone") << json({{"phone", "13700137000"}, {"count", 1}}) << 404 << 0;
        QTest::newRow("no phone") << json({{"count", 1}}) << 400 << 0;
        QTest::newRow("no count") << json({{"phone", kPhone}}) << 400 << 0;
        QTest::newRow("zero") << json({{"phone", kPhone}, {"count", 0}}) << 400 << 0;
        QTest::newRow("too many") << json({{"phone", kPhone}, {"count", 1001}}) << 400 << 0;
        QTest::newRow("count as text") << json({{"phone", kPhone}, {"count", "3"}}) << 400 << 0;
        QTest::newRow("not JSON") << QByteArray("phone=13800138000") << 400 << 0;
    }
    void control() {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(int, added);
        const int seeded = messages().size();
        const int unreadBefore = unread();
        const Reply reply = request(m_port, "POST", "/__dev/inbox", body, QString());
        QCOMPARE(reply.status, status);
        const Reply counts =
            request(m_port, "GET", "/__dev/inbox?phone=" + kPhone.toStdString(), {}, QString());
        QCOMPARE(counts.status, 200);
        QCOMPARE(counts.json, (QJsonObject{{"total", seeded + added}, {"unread", unreadBefore + added}}));
        if (status != 200) {
            QVERIFY(isChinese(reply.errorMessage()));
            return;
        }
        QCOMPARE(reply.json.value("total"), counts.json.value("total"));
        QCOMPARE(reply.json.value("unread"), counts.json.value("unread"));
        QList<qint64> ids;
        for (const QJsonValue &id : reply.json.value("ids").toArray())
            ids.append(id.toInteger());
        QCOMPARE(ids.size(), added);
        const QList<qint64> listed = idsOf(list(inbox(QStringLiteral("limit=100"))));
        for (qsizetype i = 0; i < std::min<qsizetype>(added, 100); ++i)
            QCOMPARE(listed[i], ids[added - 1 - i]);
        QVERIFY(!readIds(messages(), true).intersects(setOf(ids)));
    }

    // The counts, over HTTP and in-process, name a learner who signed in.
    void controlCounts() {
        QCOMPARE(request(m_port, "GET", "/__dev/inbox?phone=13700137000", {}, QString()).status, 404);
        QCOMPARE(request(m_port, "GET", "/__dev/inbox", {}, QString()).status, 400);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, m_server->inboxCounts("13700137000"));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                                 m_server->appendInboxMessages(kPhone.toStdString(), 0));
    }

    // The notices, their marks and the next id survive a restart on a state file.
    void keptAcrossARestart() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const std::string file = folder.filePath(QStringLiteral("state.json")).toStdString();
        m_server = std::make_unique<DevServer>();
        QVERIFY(m_server->setStateFile(file));
        m_port = m_server->start();
        m_token = signIn(m_port, kPhone);
        const QJsonArray seeded = messages();
        QCOMPARE(markRead(idsBody(readIds(seeded, false).values().mid(0, 2))).status, 204);
        m_server->appendInboxMessages(kPhone.toStdString(), 3);
        const QByteArray before = inbox().body;

        m_server = std::make_unique<DevServer>();
        QVERIFY(m_server->setStateFile(file));
        m_port = m_server->start();
        QCOMPARE(inbox().body, before);
        const QList<qint64> earlier = idsOf(list(inbox()));
        const qint64 next = m_server->appendInboxMessages(kPhone.toStdString(), 1).front();
        QVERIFY(next > *std::max_element(earlier.begin(), earlier.end()));
    }
};

QTEST_GUILESS_MAIN(TestInboxRoutes)
#include "tst_inboxroutes.moc"
