// The stand-in's practice answers and wrong-question book, spoken to over plain HTTP: grading, the entry's
// review life cycle, deletion, variants, the refusals, and the book kept across a restart on a state file.
#include "DevServer.h"
#include "HttpProbe.h"
#include "LearningContent.h"
#include "QuestionMatch.h"

#include <httplib.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

using namespace HttpProbe;

const QString kPhone = QStringLiteral("13800138000");
const QString kOtherPhone = QStringLiteral("13900139000");

// Questions of the sample content by place: chapter, point and question, each from 1.
constexpr qint64 question(int chapter, int point, int index) {
    return 900000 + chapter * 1000 + point * 10 + index;
}
constexpr qint64 kNegativeNumberChoice = question(1, 1, 1); // single choice, key "C"
constexpr qint64 kWestwardBlank = question(1, 1, 2);        // fill in, key "-8"
constexpr qint64 kAbsoluteValueBlank = question(1, 3, 2);   // fill in, key "±3" and its other forms
constexpr qint64 kRationalSolution = question(1, 4, 3);     // solution, key "-9"
constexpr qint64 kLikeTermsBlank = question(2, 2, 2);       // fill in, key "-3m"
constexpr qint64 kSolidFigureChoice = question(4, 1, 1);    // single choice; its chapter has 3 questions

bool isTimestamp(const QJsonValue &value) {
    static const QRegularExpression iso(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ$"));
    return value.isString() && iso.match(value.toString()).hasMatch();
}

std::string itemPath(qint64 id, const char *suffix = "") {
    return "/api/v1/wrong-book/" + std::to_string(id) + suffix;
}

} // namespace

class TestPracticeRoutes : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DevServer> m_server;
    int m_port = 0;
    QString m_token;

    QString signIn(const QString &phone = kPhone) const { return HttpProbe::signIn(m_port, phone); }
    Reply answer(qint64 questionId, const QString &text, const QString &token = QString(),
                 const QString &source = QStringLiteral("practice")) const {
        return request(m_port, "POST", "/api/v1/practice/answers",
                       json({{"question_id", questionId}, {"answer", text}, {"source", source}}),
                       token.isNull() ? m_token : token);
    }
    Reply list(const char *query, const QString &token = QString()) const {
        return request(m_port, "GET", std::string("/api/v1/wrong-book?") + query, {},
                       token.isNull() ? m_token : token);
    }
    QJsonArray items(const char *query) const { return list(query).json.value("items").toArray(); }
    Reply del(qint64 id, const QString &token = QString()) const {
        return request(m_port, "DELETE", itemPath(id), {}, token.isNull() ? m_token : token);
    }
    Reply variants(qint64 id, const QString &token = QString()) const {
        return request(m_port, "GET", itemPath(id, "/variants"), {}, token.isNull() ? m_token : token);
    }
    // The entry a wrong answer to `questionId` files, checked to be a new one under review.
    QJsonObject fileWrong(qint64 questionId) const {
        const Reply reply = answer(questionId, QStringLiteral("不会"));
        [&] {
            QCOMPARE(reply.status, 200);
            QCOMPARE(reply.json.value("correct"), QJsonValue(false));
            QVERIFY(reply.json.value("wrong_item").isObject());
        }();
        return reply.json.value("wrong_item").toObject();
    }

private slots:
    void init() {
        m_server = std::make_unique<DevServer>();
        m_port = m_server->start();
        QVERIFY(m_port > 0);
        m_token = signIn();
        QVERIFY(!m_token.isEmpty());
    }
    void cleanup() { m_server.reset(); }

    void stemNormalization_data() {
        QTest::addColumn<QString>("read");
        QTest::addColumn<QString>("stored");
        QTest::newRow("brackets as recognition reads them") << "是负数的是〈 )"
                                                            << "是负数的是（  ）";
        QTest::newRow("a shortened blank") << "向西走 __ 米"
                                           << "向西走 ______ 米";
        QTest::newRow("full-width digits and letters") << "ｘ＋３＝７"
                                                       << "x+3=7";
        QTest::newRow("both widths of punctuation") << "若a,b互为相反数."
                                                    << "若 a，b 互为相反数。";
    }
    void stemNormalization() {
        QFETCH(QString, read);
        QFETCH(QString, stored);
        QCOMPARE(devserver::learning::normalizedStem(read), devserver::learning::normalizedStem(stored));
        QVERIFY(devserver::learning::normalizedStem("-2") != devserver::learning::normalizedStem("2"));
    }

    // A stem as a photo reads it finds its question: exactly despite spacing, widths and brackets, else by
    // similarity; nothing close enough answers "not matched"; a blank stem is refused.
    void matchStems_data() {
        QTest::addColumn<QString>("stem");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("matchedBy"); // empty: not matched
        const QString negative = devserver::learning::findQuestion(kNegativeNumberChoice)->stem;
        const QString blank = devserver::learning::findQuestion(kWestwardBlank)->stem;
        QTest::newRow("as stored") << negative << 200 << "exact";
        QTest::newRow("read with other brackets and spaces")
            << QString(negative)
                   .replace(QStringLiteral("（  ）"), QStringLiteral("〈 )"))
                   .replace(u'，', u',')
            << 200 << "exact";
        QTest::newRow("full-width digits and a shortened blank")
            << QString(blank)
                   .replace(QStringLiteral("______"), QStringLiteral("__"))
                   .replace(u'8', QStringLiteral("８"))
            << 200 << "exact";
        QTest::newRow("two characters misread")
            << QString(negative).replace(0, 2, QStringLiteral("上列")) << 200 << "similar";
        QTest::newRow("unrelated") << QStringLiteral("今天天气怎么样") << 200 << "";
        QTest::newRow("blank") << QStringLiteral("  \n ") << 400 << "";
    }
    void matchStems() {
        QFETCH(QString, stem);
        QFETCH(int, status);
        QFETCH(QString, matchedBy);
        const Reply reply =
            request(m_port, "POST", "/api/v1/practice/questions/match", json({{"stem_text", stem}}), m_token);
        QCOMPARE(reply.status, status);
        if (status != 200) {
            QVERIFY(isChinese(reply.errorMessage()));
            return;
        }
        QCOMPARE(reply.json.value("matched").toBool(), !matchedBy.isEmpty());
        QCOMPARE(reply.json.value("matched_by").toString(), matchedBy);
        QCOMPARE(reply.json.value("question").isObject(), !matchedBy.isEmpty());
        QCOMPARE(request(m_port, "POST", "/api/v1/practice/questions/match", json({{"stem_text", stem}}),
                         QString())
                     .status,
                 401);
    }

    // Every sample question can be graded and explained: a key its own grader accepts (a choice keyed by one
    // of its labels) and two or three solution steps.
    void everyQuestionHasAKeyAndSteps() {
        int solutions = 0;
        for (const auto &chapter : devserver::learning::chapters()) {
            for (const auto &point : chapter.points) {
                for (const auto &q : point.questions) {
                    const QByteArray where = QByteArray::number(q.id);
                    QVERIFY2(!q.answers.isEmpty(), where);
                    QVERIFY2(q.steps.size() >= 2 && q.steps.size() <= 3, where);
                    for (const QString &key : q.answers)
                        QVERIFY2(q.accepts(key), where);
                    if (q.qtype == QLatin1String("single_choice")) {
                        QCOMPARE(q.answers.size(), 1);
                        QVERIFY2(
                            std::any_of(q.options.begin(), q.options.end(),
                                        [&](const auto &option) { return option.first == q.answers[0]; }),
                            where);
                    }
                    solutions += q.qtype == QLatin1String("solution");
                }
            }
        }
        QVERIFY(solutions >= 3);
    }

    // The bank's type filter finds the worked problems, with neither options nor their keys.
    void solutionQuestionsAreInTheBank() {
        const Reply reply = request(
            m_port, "GET", "/api/v1/practice/questions?kp=math-g7a-c1-04&difficulty=3&count=5&qtype=solution",
            {}, m_token);
        QCOMPARE(reply.status, 200);
        const QJsonArray found = reply.json.value("items").toArray();
        QCOMPARE(found.size(), 1);
        const QJsonObject only = found.first().toObject();
        QCOMPARE(only.value("question_id").toInteger(), kRationalSolution);
        QCOMPARE(only.value("qtype").toString(), QStringLiteral("solution"));
        QVERIFY(!only.contains("options"));
        QVERIFY(!reply.body.contains("-9\""));
    }

    void grading_data() {
        QTest::addColumn<qint64>("questionId");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("correct");
        QTest::addColumn<QString>("shown"); // the right answer the server shows

        QTest::newRow("label") << kNegativeNumberChoice << "C" << true << "C";
        QTest::newRow("label, lower case") << kNegativeNumberChoice << "c" << true << "C";
        QTest::newRow("label, padded") << kNegativeNumberChoice << " c\t" << true << "C";
        QTest::newRow("option text instead of label") << kNegativeNumberChoice << "-2" << false << "C";
        QTest::newRow("another label") << kNegativeNumberChoice << "A" << false << "C";
        QTest::newRow("two labels") << kNegativeNumberChoice << "CD" << false << "C";
        QTest::newRow("typed") << kWestwardBlank << "-8" << true << "-8";
        QTest::newRow("typed, padded") << kWestwardBlank << "  -8 " << true << "-8";
        QTest::newRow("typed, ideographic space") << kWestwardBlank << "\u3000-8" << true << "-8";
        QTest::newRow("typed, sign missing") << kWestwardBlank << "8" << false << "-8";
        QTest::newRow("typed, space inside") << kWestwardBlank << "- 8" << false << "-8";
        QTest::newRow("typed, other accepted form") << kAbsoluteValueBlank << "3或-3" << true << "±3";
        QTest::newRow("typed, half the answer") << kAbsoluteValueBlank << "3" << false << "±3";
        QTest::newRow("typed, letters keep their case") << kLikeTermsBlank << "-3M" << false << "-3m";
        QTest::newRow("worked problem") << kRationalSolution << "-9" << true << "-9";
        QTest::newRow("worked problem, wrong") << kRationalSolution << "9" << false << "-9";
    }
    void grading() {
        QFETCH(qint64, questionId);
        QFETCH(QString, answer);
        QFETCH(bool, correct);
        QFETCH(QString, shown);

        const Reply reply = this->answer(questionId, answer);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.json.value("question_id").toInteger(), questionId);
        QCOMPARE(reply.json.value("correct"), QJsonValue(correct));
        QCOMPARE(reply.json.value("correct_answer").toObject().value("value").toString(), shown);
        const QJsonArray steps = reply.json.value("solution").toObject().value("steps").toArray();
        QVERIFY(steps.size() >= 2 && steps.size() <= 3);
        QVERIFY(isChinese(steps.first().toString()));
        // Only a wrong answer files the question; a right one to a question never got wrong files nothing.
        QCOMPARE(reply.json.contains("wrong_item"), !correct);
        QCOMPARE(items("state=active&due=false").size(), correct ? 0 : 1);
    }

    void refusals_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("code");

        const auto body = [](const QJsonValue &id, const QJsonValue &answer, const QJsonValue &source) {
            QJsonObject object;
            if (!id.isUndefined())
                object.insert("question_id", id);
            if (!answer.isUndefined())
                object.insert("answer", answer);
            if (!source.isUndefined())
                object.insert("source", source);
            return json(object);
        };
        const QJsonValue none(QJsonValue::Undefined);
        const QJsonValue id(kNegativeNumberChoice);
        QTest::newRow("not signed in") << body(id, "C", "practice") << false << 401 << "unauthorized";
        QTest::newRow("not JSON") << QByteArray("question_id=1") << true << 400 << "invalid_request";
        QTest::newRow("no id") << body(none, "C", "practice") << true << 400 << "invalid_request";
        QTest::newRow("id as text") << body(QString::number(kNegativeNumberChoice), "C", "practice") << true
                                    << 400 << "invalid_request";
        QTest::newRow("id with a fraction")
            << body(901011.5, "C", "practice") << true << 400 << "invalid_request";
        QTest::newRow("id beyond 64 bits") << QByteArray(R"({"question_id":9223372036854775808,"answer":"C",)"
                                                         R"("source":"practice"})")
                                           << true << 400 << "invalid_request";
        QTest::newRow("no answer") << body(id, none, "practice") << true << 400 << "invalid_request";
        QTest::newRow("answer as number") << body(id, 3, "practice") << true << 400 << "invalid_request";
        QTest::newRow("blank answer") << body(id, " \t", "practice") << true << 400 << "invalid_request";
        QTest::newRow("no source") << body(id, "C", none) << true << 400 << "invalid_request";
        QTest::newRow("unknown source") << body(id, "C", "exam") << true << 400 << "invalid_request";
        QTest::newRow("unknown question")
            << body(qint64(1), "C", "practice") << true << 404 << "question_not_found";
        QTest::newRow("64-bit id, read exactly")
            << QByteArray(R"({"question_id":9007199254740993,"answer":"C","source":"review"})") << true << 404
            << "question_not_found";
    }
    void refusals() {
        QFETCH(QByteArray, body);
        QFETCH(bool, signedIn);
        QFETCH(int, status);
        QFETCH(QString, code);
        const Reply reply = request(m_port, "POST", "/api/v1/practice/answers", body,
                                    signedIn ? m_token : QStringLiteral("x"));
        QCOMPARE(reply.status, status);
        QCOMPARE(reply.string("code"), code);
        QVERIFY(isChinese(reply.string("message")));
        QCOMPARE(items("").size(), 0); // nothing filed
    }

    // Wrong answer → entry under review → three right answers → mastered → deleted → gone.
    void wrongItemLifeCycle() {
        const QJsonObject filed = fileWrong(kNegativeNumberChoice);
        const qint64 id = filed.value("wrong_item_id").toInteger();
        QCOMPARE(filed.value("question_id").toInteger(), kNegativeNumberChoice);
        QCOMPARE(filed.value("kp_code").toString(), QStringLiteral("math-g7a-c1-01"));
        QCOMPARE(filed.value("kp_name").toString(), QStringLiteral("正数和负数"));
        QCOMPARE(filed.value("state").toString(), QStringLiteral("active"));
        QCOMPARE(filed.value("correct_streak").toInteger(), 0);
        QCOMPARE(filed.value("due"), QJsonValue(true));
        QVERIFY(isTimestamp(filed.value("next_review_at")));
        QVERIFY(isTimestamp(filed.value("created_at")));
        QCOMPARE(filed.value("source").toString(), QStringLiteral("practice"));
        const QJsonObject layers = filed.value("error_layers").toObject();
        QVERIFY(layers.value("knowledge").toString().contains(QStringLiteral("正数和负数")));
        QVERIFY(isChinese(layers.value("method").toString()));
        QVERIFY(isChinese(layers.value("misconception").toString()));
        QVERIFY(layers.value("tags").toArray().contains(QStringLiteral("负数")));
        QCOMPARE(layers.value("corrected_by_user"), QJsonValue(false));
        const QJsonObject snapshot = filed.value("question").toObject();
        QCOMPARE(snapshot.value("qtype").toString(), QStringLiteral("single_choice"));
        QVERIFY(snapshot.value("stem").toObject().value("text").toString().contains(QStringLiteral("负数")));
        QCOMPARE(snapshot.value("options").toArray().size(), 4);

        QCOMPARE(items("state=active&due=false"), QJsonArray{filed});
        QCOMPARE(items("state=active&due=true"), QJsonArray{filed});
        QCOMPARE(items("state=mastered&due=false").size(), 0);

        // A second wrong answer keeps the one entry.
        const QJsonObject again = fileWrong(kNegativeNumberChoice);
        QCOMPARE(again.value("wrong_item_id").toInteger(), id);

        // Right answers: the streak grows, the review moves ahead, the third masters it.
        for (int streak = 1; streak <= 3; ++streak) {
            const Reply right =
                answer(kNegativeNumberChoice, QStringLiteral("c"), QString(), QStringLiteral("review"));
            QCOMPARE(right.json.value("correct"), QJsonValue(true));
            const QJsonObject entry = right.json.value("wrong_item").toObject();
            QCOMPARE(entry.value("wrong_item_id").toInteger(), id);
            QCOMPARE(entry.value("correct_streak").toInteger(), streak);
            QCOMPARE(entry.value("due"), QJsonValue(false));
            QCOMPARE(entry.value("source").toString(), QStringLiteral("practice")); // where it came from
            if (streak < 3) {
                QCOMPARE(entry.value("state").toString(), QStringLiteral("active"));
                QVERIFY(entry.value("next_review_at").toString() > filed.value("next_review_at").toString());
                QCOMPARE(items("state=active&due=true").size(), 0);
                QCOMPARE(items("state=active&due=false").size(), 1);
            } else {
                QCOMPARE(entry.value("state").toString(), QStringLiteral("mastered"));
                QVERIFY(!entry.contains("next_review_at"));
            }
        }
        QCOMPARE(items("state=active&due=false").size(), 0);
        QCOMPARE(items("state=mastered&due=false").size(), 1);

        // A wrong answer to a mastered question puts it back under review from the start.
        const QJsonObject relapsed = fileWrong(kNegativeNumberChoice);
        QCOMPARE(relapsed.value("wrong_item_id").toInteger(), id);
        QCOMPARE(relapsed.value("state").toString(), QStringLiteral("active"));
        QCOMPARE(relapsed.value("correct_streak").toInteger(), 0);

        const Reply deleted = del(id);
        QCOMPARE(deleted.status, 204);
        QVERIFY(deleted.body.isEmpty());
        QCOMPARE(items("state=active&due=false").size(), 0);
        QCOMPARE(items("state=mastered&due=false").size(), 0);
        QCOMPARE(del(id).status, 404);
        QCOMPARE(variants(id).status, 404);
        // Answering wrong again files a new entry with a new id.
        QVERIFY(fileWrong(kNegativeNumberChoice).value("wrong_item_id").toInteger() > id);
    }

    void listRefusals_data() {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<int>("status");
        QTest::newRow("both") << QByteArray("state=active&due=false") << 200;
        QTest::newRow("no due") << QByteArray("state=active") << 200;
        QTest::newRow("due not a bool") << QByteArray("state=active&due=1") << 400;
    }
    void listRefusals() {
        QFETCH(QByteArray, query);
        QFETCH(int, status);
        QCOMPARE(list(query.constData()).status, status);
        QCOMPARE(list(query.constData(), QStringLiteral("nobody")).status, 401);
    }

    // Each learner has a book of their own: another learner's id is not found, and stays where it is.
    void anotherLearnersEntryIsNotFound() {
        const qint64 mine = fileWrong(kWestwardBlank).value("wrong_item_id").toInteger();
        const QString other = signIn(kOtherPhone);
        QCOMPARE(list("state=active&due=false", other).json.value("items").toArray().size(), 0);
        const Reply refused = del(mine, other);
        QCOMPARE(refused.status, 404);
        QCOMPARE(refused.string("code"), QStringLiteral("wrong_item_not_found"));
        QVERIFY(isChinese(refused.string("message")));
        QCOMPARE(variants(mine, other).status, 404);
        QCOMPARE(items("state=active&due=false").size(), 1);
        // The same question answered wrong by the other learner is their own entry.
        const Reply theirs = answer(kWestwardBlank, QStringLiteral("8"), other);
        QVERIFY(theirs.json.value("wrong_item").toObject().value("wrong_item_id").toInteger() != mine);
        QCOMPARE(items("state=active&due=false").size(), 1);
        QCOMPARE(del(99999999).status, 404);
    }

    // Variants come from the entry's chapter, its own point first, never the entry's own question, at most
    // three; fewer than three are reported as insufficient.
    void variantsFromTheChapter_data() {
        QTest::addColumn<qint64>("questionId");
        QTest::addColumn<int>("count");
        QTest::addColumn<qint64>("first");
        QTest::newRow("a chapter with many questions") << kNegativeNumberChoice << 3 << kWestwardBlank;
        QTest::newRow("a chapter with three questions") << kSolidFigureChoice << 2 << question(4, 2, 1);
    }
    void variantsFromTheChapter() {
        QFETCH(qint64, questionId);
        QFETCH(int, count);
        QFETCH(qint64, first);
        const qint64 id = fileWrong(questionId).value("wrong_item_id").toInteger();
        const Reply reply = variants(id);
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.json.value("wrong_item_id").toInteger(), id);
        QCOMPARE(reply.json.value("insufficient"), QJsonValue(count < 3));
        const QJsonArray found = reply.json.value("items").toArray();
        QCOMPARE(found.size(), count);
        QCOMPARE(found.first().toObject().value("question_id").toInteger(), first);
        for (const QJsonValue &variant : found) {
            const QJsonObject q = variant.toObject();
            QVERIFY(q.value("question_id").toInteger() != questionId);
            QVERIFY(q.value("qtype").isString());
            QVERIFY(!q.value("stem").toObject().value("text").toString().isEmpty());
        }
    }

    // The book is kept in the state file: a restarted server lists the same entries and issues new ids.
    void wrongBookSurvivesARestart() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const std::string file = folder.filePath(QStringLiteral("state.json")).toStdString();
        m_server = std::make_unique<DevServer>();
        QVERIFY(m_server->setStateFile(file));
        m_port = m_server->start();
        m_token = signIn();
        const qint64 first = fileWrong(kWestwardBlank).value("wrong_item_id").toInteger();
        fileWrong(kNegativeNumberChoice);
        QCOMPARE(answer(kNegativeNumberChoice, QStringLiteral("C")).json.value("correct"), QJsonValue(true));
        const QJsonArray before = items("state=active&due=false");
        QCOMPARE(before.size(), 2);

        m_server = std::make_unique<DevServer>();
        QVERIFY(m_server->setStateFile(file));
        m_port = m_server->start();
        QCOMPARE(items("state=active&due=false"), before);
        QCOMPARE(del(first).status, 204);
        QVERIFY(fileWrong(kAbsoluteValueBlank).value("wrong_item_id").toInteger() >
                before.first().toObject().value("wrong_item_id").toInteger());

        // The deletion is kept too.
        m_server = std::make_unique<DevServer>();
        QVERIFY(m_server->setStateFile(file));
        m_port = m_server->start();
        QCOMPARE(items("state=active&due=false").size(), 2);
        QCOMPARE(del(first).status, 404);
    }
};

QTEST_GUILESS_MAIN(TestPracticeRoutes)
#include "tst_practiceroutes.moc"
