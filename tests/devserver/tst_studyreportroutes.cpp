// The stand-in's study report, spoken to over plain HTTP: the seven days ending today, answers and completed
// lessons counted on the day they happened, each knowledge point judged from its rate once it has enough
// answers, the weak points and the open wrong-question entries, one learner's figures only, and the answers
// kept across a restart on a state file.
#include "DevServer.h"
#include "HttpProbe.h"
#include "LearningContent.h"

#include <httplib.h>

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

using namespace HttpProbe;
using devserver::learning::Chapter;
using devserver::learning::KnowledgePoint;

const QString kPhone = QStringLiteral("13800138000");
const QString kOtherPhone = QStringLiteral("13900139000");

QDate beijingToday() {
    return QDateTime::currentDateTimeUtc().addSecs(8 * 60 * 60).date();
}

// "<attempts>/<correct> <rate or -> <open wrong> <level>" of a point.
QString pointLine(const QJsonObject &kp) {
    const QJsonValue rate = kp.value("correct_rate");
    return QStringLiteral("%1/%2 %3 %4 %5")
        .arg(kp.value("attempts").toInteger())
        .arg(kp.value("correct").toInteger())
        .arg(rate.isNull() ? QStringLiteral("-") : QString::number(rate.toInteger()))
        .arg(kp.value("open_wrong").toInteger())
        .arg(kp.value("level").toString());
}

} // namespace

class TestStudyReportRoutes : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DevServer> m_server;
    int m_port = 0;
    QString m_token;

    Reply report(const QString &token = QString()) const {
        return request(m_port, "GET", "/api/v1/me/study-report", {}, token.isNull() ? m_token : token);
    }
    bool answer(qint64 questionId, const QString &text) const {
        const Reply reply =
            request(m_port, "POST", "/api/v1/practice/answers",
                    json({{"question_id", questionId}, {"answer", text}, {"source", "practice"}}), m_token);
        return reply.status == 200;
    }
    static const Chapter &chapter(int index) { return devserver::learning::chapters().at(index); }
    // Answers the point's questions in turn, right or wrong as `rights` says.
    bool answerPoint(const KnowledgePoint &point, std::initializer_list<bool> rights) const {
        int i = 0;
        for (const bool right : rights) {
            const auto &question = point.questions.at(i++ % point.questions.size());
            if (!answer(question.id, right ? question.answers.first() : QStringLiteral("不会")))
                return false;
        }
        return true;
    }
    static QJsonObject chapterOf(const Reply &reply, const QString &code) {
        for (const QJsonValue &value : reply.json.value("chapters").toArray())
            if (value.toObject().value("chapter_code") == code)
                return value.toObject();
        return {};
    }

private slots:
    void init() {
        m_server = std::make_unique<DevServer>();
        m_port = m_server->start();
        QVERIFY(m_port > 0);
        m_token = signIn(m_port, kPhone);
        QVERIFY(!m_token.isEmpty());
        QVERIFY(devserver::learning::chapters().size() >= 2);
        QVERIFY(chapter(0).points.size() >= 4);
    }
    void cleanup() { m_server.reset(); }

    // A learner who has done nothing: seven empty days ending today, no rate, no chapters.
    void emptyWeek() {
        const Reply reply = report();
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.json.value("window_days"), QJsonValue(7));
        QCOMPARE(reply.json.value("min_attempts"), QJsonValue(3));
        const QJsonObject week = reply.json.value("week").toObject();
        QCOMPARE(week, (QJsonObject{{"attempts", 0},
                                    {"correct", 0},
                                    {"correct_rate", QJsonValue::Null},
                                    {"lessons_completed", 0},
                                    {"active_days", 0}}));
        const QJsonArray days = reply.json.value("days").toArray();
        QCOMPARE(days.size(), 7);
        const QDate today = beijingToday();
        for (qsizetype i = 0; i < days.size(); ++i) {
            const QJsonObject day = days[i].toObject();
            QCOMPARE(day.value("date").toString(),
                     today.addDays(i - 6).toString(QStringLiteral("yyyy-MM-dd")));
            QCOMPARE(day.value("attempts"), QJsonValue(0));
            QCOMPARE(day.value("correct"), QJsonValue(0));
        }
        QCOMPARE(reply.json.value("chapters"), QJsonValue(QJsonArray()));
        QCOMPARE(reply.json.value("weak_points"), QJsonValue(QJsonArray()));
    }

    // Today's answers count on today; each point is judged by its rate once it has three answers.
    void answersOfToday() {
        const Chapter &first = chapter(0);
        QVERIFY(answerPoint(first.points[0], {true, true, true}));    // 100: mastered
        QVERIFY(answerPoint(first.points[1], {false, false, false})); // 0: weak
        QVERIFY(answerPoint(first.points[2], {true}));                // too few to judge
        QVERIFY(answerPoint(first.points[3], {true, false, true}));   // 67: learning, one entry open

        const Reply reply = report();
        QCOMPARE(reply.status, 200);
        const QJsonObject week = reply.json.value("week").toObject();
        QCOMPARE(week.value("attempts"), QJsonValue(10));
        QCOMPARE(week.value("correct"), QJsonValue(6));
        QCOMPARE(week.value("correct_rate"), QJsonValue(60));
        QCOMPARE(week.value("lessons_completed"), QJsonValue(0));
        QCOMPARE(week.value("active_days"), QJsonValue(1));
        const QJsonArray days = reply.json.value("days").toArray();
        QCOMPARE(days.size(), 7);
        QCOMPARE(
            days.last().toObject(),
            (QJsonObject{{"date", beijingToday().toString(Qt::ISODate)}, {"attempts", 10}, {"correct", 6}}));
        QCOMPARE(days.first().toObject().value("attempts"), QJsonValue(0));

        const QJsonArray chapters = reply.json.value("chapters").toArray();
        QCOMPARE(chapters.size(), 1);
        const QJsonObject listed = chapters.first().toObject();
        QCOMPARE(listed.value("chapter_code").toString(), first.code);
        QCOMPARE(listed.value("chapter_name").toString(), first.name);
        const QJsonArray kps = listed.value("kps").toArray();
        QCOMPARE(kps.size(), first.points.size());
        const qint64 wrongQuestions = std::min<qint64>(3, first.points[1].questions.size());
        QCOMPARE(kps[0].toObject().value("kp_code").toString(), first.points[0].code);
        QCOMPARE(kps[0].toObject().value("kp_name").toString(), first.points[0].name);
        QCOMPARE(pointLine(kps[0].toObject()), QStringLiteral("3/3 100 0 mastered"));
        QCOMPARE(pointLine(kps[1].toObject()), QStringLiteral("3/0 0 %1 weak").arg(wrongQuestions));
        QCOMPARE(pointLine(kps[2].toObject()), QStringLiteral("1/1 - 0 insufficient"));
        QCOMPARE(pointLine(kps[3].toObject()), QStringLiteral("3/2 67 1 learning"));
        for (qsizetype i = 4; i < kps.size(); ++i)
            QCOMPARE(pointLine(kps[i].toObject()), QStringLiteral("0/0 - 0 insufficient"));

        const QJsonArray weak = reply.json.value("weak_points").toArray();
        QCOMPARE(weak.size(), 1);
        QCOMPARE(weak.first().toObject(), kps[1].toObject());

        // Another learner's report knows nothing of it.
        const Reply other = report(signIn(m_port, kOtherPhone));
        QCOMPARE(other.json.value("week").toObject().value("attempts"), QJsonValue(0));
        QCOMPARE(other.json.value("chapters"), QJsonValue(QJsonArray()));
    }

    // Weak points come weakest first; an entry put right again leaves the open count.
    void weakPointsWeakestFirst() {
        const Chapter &first = chapter(0);
        QVERIFY(answerPoint(first.points[0], {true, false, false}));  // 33
        QVERIFY(answerPoint(first.points[1], {false, false, false})); // 0
        const QJsonArray weak = report().json.value("weak_points").toArray();
        QCOMPARE(weak.size(), 2);
        QCOMPARE(weak[0].toObject().value("kp_code").toString(), first.points[1].code);
        QCOMPARE(weak[1].toObject().value("kp_code").toString(), first.points[0].code);
        QCOMPARE(weak[1].toObject().value("correct_rate"), QJsonValue(33));
    }

    // A lesson completed today counts, and its path's chapter is listed even without answers.
    void completedLessonsAndPathChapters() {
        const Chapter &second = chapter(1);
        const Reply path = request(m_port, "POST", "/api/v1/learning-paths",
                                   json({{"goal_type", "chapter"},
                                         {"chapter_id", second.code},
                                         {"options", QJsonObject{{"prefetch", 1}}}}),
                                   m_token);
        QCOMPARE(path.status, 200);
        const qint64 pathId = path.json.value("path_id").toInteger();
        const qint64 itemId =
            path.json.value("items").toArray().first().toObject().value("item_id").toInteger();
        const Reply done = request(m_port, "POST",
                                   "/api/v1/learning-paths/" + std::to_string(pathId) + "/items/" +
                                       std::to_string(itemId) + "/complete",
                                   "{}", m_token);
        QCOMPARE(done.status, 200);

        const Reply reply = report();
        const QJsonObject week = reply.json.value("week").toObject();
        QCOMPARE(week.value("lessons_completed"), QJsonValue(1));
        QCOMPARE(week.value("active_days"), QJsonValue(1));
        QCOMPARE(week.value("attempts"), QJsonValue(0));
        const QJsonObject listed = chapterOf(reply, second.code);
        QCOMPARE(listed.value("kps").toArray().size(), second.points.size());
        QCOMPARE(reply.json.value("chapters").toArray().size(), 1);
    }

    // Answers and completions keep their times across a restart on a state file.
    void keptAcrossARestart() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const std::string file = folder.filePath(QStringLiteral("state.json")).toStdString();
        m_server = std::make_unique<DevServer>();
        QVERIFY(m_server->setStateFile(file));
        m_port = m_server->start();
        m_token = signIn(m_port, kPhone);
        QVERIFY(answerPoint(chapter(0).points[0], {true, false}));
        const QJsonObject before = report().json;

        m_server = std::make_unique<DevServer>();
        QVERIFY(m_server->setStateFile(file));
        m_port = m_server->start();
        const QJsonObject after = report().json;
        QCOMPARE(after, before);
        QCOMPARE(after.value("days").toArray().last().toObject().value("attempts"), QJsonValue(2));
    }

    // The control's body comes back as sent, to signed-in learners only, until it is taken back.
    void replacedAnswer_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("extreme counts")
            << QByteArray(R"({"window_days":9223372036854775807,"week":{"attempts":-1}})");
        QTest::newRow("not an object") << QByteArray("[1,2]");
        QTest::newRow("not JSON") << QByteArray("{\"window_days\":");
        QTest::newRow("empty") << QByteArray();
    }
    void replacedAnswer() {
        QFETCH(QByteArray, body);
        QCOMPARE(request(m_port, "POST", "/__dev/study-report", body, QString()).status, 204);
        const Reply replaced = report();
        QCOMPARE(replaced.status, 200);
        QCOMPARE(replaced.body, body);
        QCOMPARE(report(QStringLiteral("not-a-token")).status, 401);
        QCOMPARE(request(m_port, "DELETE", "/__dev/study-report", {}, QString()).status, 204);
        QCOMPARE(report().json.value("window_days"), QJsonValue(7));
    }
};

QTEST_GUILESS_MAIN(TestStudyReportRoutes)
#include "tst_studyreportroutes.moc"
