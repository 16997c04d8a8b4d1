#include "AppSession.h"
#include "Await.h"
#include "LocalService.h"
#include "TestPlatform.h"
#include "TopicBoxViewModel.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString previewPath = QStringLiteral("/api/v1/learning-paths/topic-preview");

const QByteArray twoCandidates = R"({"status":"ok","message":"为你找到 2 条学习路径","candidates":[
    {"chapter_code":"math-g7a-c1","chapter_name":"有理数","kp_codes":["k1","k2","k3"],
     "kp_names":["通分","约分","异分母加减"],"lessons":3,"estimated_minutes":45},
    {"chapter_code":"math-g7a-c2","chapter_name":"整式的加减","kp_codes":["k9"],
     "kp_names":["合并同类项"],"lessons":1,"estimated_minutes":15}]})";

struct Fixture {
    TestPlatform platform;
    AppSession session;
    TopicBoxViewModel box;

    Fixture() {
        session.setAccessToken(QStringLiteral("at"));
        box.setSession(&session);
    }
    FakeTransport &transport() { return *platform.transport; }
    int previews() const { return platform.transport->count(previewPath); }
    QString sentText() const {
        const HttpRequest request = platform.transport->requestsTo(previewPath).last();
        return QJsonDocument::fromJson(request.body).object().value("text").toString();
    }
};

QString repeated(const QString &unit, int count) {
    QString text;
    for (int i = 0; i < count; ++i)
        text += unit;
    return text;
}

} // namespace

Q_DECLARE_METATYPE(FakeTransport::Reply)

class TestTopicBox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void idleLooks() {
        TopicBoxViewModel box;
        QCOMPARE(box.title(), QStringLiteral("想学什么？一句话告诉我"));
        QCOMPARE(box.example(), QStringLiteral("例如：我想学相遇和追及问题、去分母总出错"));
        QCOMPARE(box.placeholder(), QStringLiteral("说说你想学的主题…"));
        QCOMPARE(box.buttonLabel(), QStringLiteral("解析"));
        QVERIFY(!box.buttonFilled());
        QVERIFY(!box.buttonEnabled());
        QVERIFY(!box.hasResult());
        QVERIFY(box.candidateCards().isEmpty());
    }

    // The cap counts what the learner sees as characters, not UTF-16 units.
    void cap_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        const QString hundred = repeated(QStringLiteral("学"), 100);
        QTest::newRow("150 pasted") << repeated(QStringLiteral("学"), 150) << hundred;
        QTest::newRow("exactly 100") << hundred << hundred;
        QTest::newRow("101") << hundred + QStringLiteral("x") << hundred;
        QTest::newRow("emoji count once")
            << repeated(QStringLiteral("😀"), 120) << repeated(QStringLiteral("😀"), 100);
        QTest::newRow("combining marks stay with their letter")
            << repeated(QStringLiteral("e\u0301"), 101) << repeated(QStringLiteral("e\u0301"), 100);
        QTest::newRow("flags stay whole")
            << repeated(QStringLiteral("🇨🇳"), 101) << repeated(QStringLiteral("🇨🇳"), 100);
        QTest::newRow("99 emoji stay")
            << repeated(QStringLiteral("😀"), 99) << repeated(QStringLiteral("😀"), 99);
    }
    void cap() {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        TopicBoxViewModel box;
        QSignalSpy changed(&box, &TopicBoxViewModel::topicTextChanged);
        box.setTopicText(typed);
        QCOMPARE(box.topicText(), kept);
        QCOMPARE(changed.count(), 1);
    }

    // A paste beyond the cap onto text already at the cap still tells the field to show the kept text.
    void aCutEqualToTheTextOnShowStillResetsTheField() {
        TopicBoxViewModel box;
        const QString hundred = repeated(QStringLiteral("学"), 100);
        box.setTopicText(hundred);
        QSignalSpy changed(&box, &TopicBoxViewModel::topicTextChanged);
        box.setTopicText(hundred + QStringLiteral("多出来的字"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(box.topicText(), hundred);
        box.setTopicText(hundred);
        QCOMPARE(changed.count(), 1); // no edit
    }

    // The button trims white space only; the request trims line breaks too.
    void buttonAndRequestTrimDifferently_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("filled");
        QTest::addColumn<QString>("sent"); // empty: nothing is sent
        QTest::newRow("empty") << "" << false << "";
        QTest::newRow("spaces") << "   " << false << "";
        QTest::newRow("ideographic spaces") << QStringLiteral("\u3000\u3000") << false << "";
        QTest::newRow("tab and no-break space") << QStringLiteral("\t\u00A0") << false << "";
        QTest::newRow("line breaks only") << QStringLiteral("\n\r\n") << true << "";
        QTest::newRow("line separator") << QStringLiteral(" \u2028 ") << true << "";
        QTest::newRow("padded topic")
            << QStringLiteral("  分数加减\u3000") << true << QStringLiteral("分数加减");
        QTest::newRow("inner spaces stay")
            << QStringLiteral("\n相遇 和 追及\t") << true << QStringLiteral("相遇 和 追及");
    }
    void buttonAndRequestTrimDifferently() {
        QFETCH(QString, text);
        QFETCH(bool, filled);
        QFETCH(QString, sent);

        Fixture f;
        f.transport().on("POST", previewPath, FakeTransport::Reply::json(200, twoCandidates));
        f.box.setTopicText(text);
        QCOMPARE(f.box.buttonFilled(), filled);
        QCOMPARE(f.box.buttonEnabled(), filled);
        Await::result(f.box.resolveTopic());
        if (sent.isEmpty()) {
            QCOMPARE(f.previews(), 0);
            QVERIFY(!f.box.busy());
            QVERIFY(!f.box.hasResult());
        } else {
            QCOMPARE(f.previews(), 1);
            QCOMPARE(f.sentText(), sent);
            const HttpRequest request = f.transport().requestsTo(previewPath).last();
            QCOMPARE(request.method, QByteArray("POST"));
            QCOMPARE(request.header("Content-Type"), std::optional<QByteArray>("application/json"));
        }
    }

    void aPreviewShowsItsProposals() {
        Fixture f;
        f.transport().on("POST", previewPath, FakeTransport::Reply::json(200, twoCandidates).after(20));
        f.box.setTopicText(QStringLiteral("我想学分数"));
        QSignalSpy busy(&f.box, &TopicBoxViewModel::busyChanged);
        auto task = f.box.resolveTopic();
        QVERIFY(f.box.busy());
        QCOMPARE(f.box.buttonLabel(), QStringLiteral("解析中"));
        QVERIFY(!f.box.buttonEnabled());
        QVERIFY(f.box.buttonFilled());
        Await::result(task);
        QCOMPARE(busy.count(), 2);
        QCOMPARE(f.box.buttonLabel(), QStringLiteral("解析"));
        QVERIFY(f.box.buttonEnabled());

        QVERIFY(f.box.hasResult());
        QCOMPARE(f.box.message(), QStringLiteral("为你找到 2 条学习路径"));
        QCOMPARE(f.box.messageTone(), int(Theme::BrandTeal));
        const QList<TopicCandidateCard> &cards = f.box.candidateCards();
        QCOMPARE(cards.size(), 2);
        QCOMPARE(cards[0].id(), QStringLiteral("math-g7a-c1:k1,k2,k3"));
        QCOMPARE(cards[0].chapterLine, QStringLiteral("《有理数》"));
        QCOMPARE(cards[0].pointsLine, QStringLiteral("通分、约分、异分母加减"));
        QCOMPARE(cards[0].summaryLine, QStringLiteral("共 3 节课 · 预计约 45 分钟"));
        QCOMPARE(cards[1].summaryLine, QStringLiteral("共 1 节课 · 预计约 15 分钟"));
        QCOMPARE(f.box.candidateModel()->rowCount(), 2);
    }

    // Only "out_of_scope", exactly, turns the message orange; its candidates are shown as they come.
    void messageTone_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("candidates");
        QTest::addColumn<int>("tone");
        QTest::addColumn<int>("cards");
        QTest::newRow("out of scope, none") << "out_of_scope"
                                            << "[]" << int(Theme::Orange) << 0;
        QTest::newRow("out of scope with one")
            << "out_of_scope"
            << R"([{"chapter_code":"c","chapter_name":"n","kp_codes":[],"kp_names":[],"lessons":0,"estimated_minutes":0}])"
            << int(Theme::Orange) << 1;
        QTest::newRow("ok, none") << "ok"
                                  << "[]" << int(Theme::BrandTeal) << 0;
        QTest::newRow("other case") << "OUT_OF_SCOPE"
                                    << "[]" << int(Theme::BrandTeal) << 0;
        QTest::newRow("unknown status") << "partial"
                                        << "[]" << int(Theme::BrandTeal) << 0;
    }
    void messageTone() {
        QFETCH(QString, status);
        QFETCH(QString, candidates);
        QFETCH(int, tone);
        QFETCH(int, cards);
        Fixture f;
        f.transport().on(
            "POST", previewPath,
            FakeTransport::Reply::json(200, QStringLiteral(R"({"status":"%1","message":"换个说法试试",
                                                                        "candidates":%2})")
                                                .arg(status, candidates)
                                                .toUtf8()));
        f.box.setTopicText(QStringLiteral("天文"));
        Await::result(f.box.resolveTopic());
        QCOMPARE(f.box.messageTone(), tone);
        QCOMPARE(f.box.message(), QStringLiteral("换个说法试试"));
        QCOMPARE(f.box.candidateCards().size(), cards);
    }

    void anEditClearsTheResult() {
        Fixture f;
        f.transport().on("POST", previewPath, FakeTransport::Reply::json(200, twoCandidates));
        f.box.setTopicText(QStringLiteral("分数"));
        Await::result(f.box.resolveTopic());
        QVERIFY(f.box.hasResult());
        QSignalSpy result(&f.box, &TopicBoxViewModel::resultChanged);
        f.box.setTopicText(QStringLiteral("分数加"));
        QVERIFY(!f.box.hasResult());
        QVERIFY(f.box.candidateCards().isEmpty());
        QCOMPARE(f.box.message(), QString());
        QCOMPARE(result.count(), 1);
        f.box.setTopicText(QStringLiteral("分数加"));
        QCOMPARE(result.count(), 1);
    }

    // While a preview runs, the return key sends nothing more and the proposals on show cannot be confirmed.
    void onePreviewAtATime() {
        Fixture f;
        f.transport().on("POST", previewPath, FakeTransport::Reply::json(200, twoCandidates));
        f.transport().on("POST", previewPath, FakeTransport::Reply::json(200, twoCandidates).after(40));
        f.box.setTopicText(QStringLiteral("分数"));
        Await::result(f.box.resolveTopic());
        // A new preview of the same text keeps the earlier proposals on show meanwhile.
        auto first = f.box.resolveTopic();
        QVERIFY(f.box.busy());
        QVERIFY(f.box.hasResult());
        QVERIFY(!f.box.confirmEnabled());
        QSignalSpy confirmed(&f.box, &TopicBoxViewModel::confirmed);
        f.box.confirm(0);
        QCOMPARE(confirmed.count(), 0);
        f.box.resolve();
        Await::result(f.box.resolveTopic());
        Await::result(first);
        QCOMPARE(f.previews(), 2);
        QVERIFY(f.box.confirmEnabled());
    }

    // A failure goes to the picker's message; the earlier result stays; a cancelled request is no failure.
    void failures_data() {
        QTest::addColumn<FakeTransport::Reply>("reply");
        QTest::addColumn<QString>("message"); // empty: nothing reported
        QTest::newRow("server message")
            << FakeTransport::Reply::json(400, R"({"message":"主题太短"})") << "主题太短";
        QTest::newRow("status only") << FakeTransport::Reply::json(503, "") << "请求失败（503）";
        QTest::newRow("wrong shape") << FakeTransport::Reply::json(200, R"({"status":"ok"})")
                                     << "响应格式不正确";
        QTest::newRow("timed out") << FakeTransport::Reply::error(TransportError::Kind::TimedOut)
                                   << TransportError::fromKind(TransportError::Kind::TimedOut).message();
        QTest::newRow("cancelled") << FakeTransport::Reply::error(TransportError::Kind::Cancelled) << "";
    }
    void failures() {
        QFETCH(FakeTransport::Reply, reply);
        QFETCH(QString, message);
        Fixture f;
        f.transport().on("POST", previewPath, FakeTransport::Reply::json(200, twoCandidates));
        f.transport().on("POST", previewPath, reply);
        f.box.setTopicText(QStringLiteral("分数"));
        Await::result(f.box.resolveTopic());
        QSignalSpy failed(&f.box, &TopicBoxViewModel::failed);
        Await::result(f.box.resolveTopic());
        QCOMPARE(failed.count(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QCOMPARE(failed.first().first().toString(), message);
        QVERIFY(!f.box.busy());
        QCOMPARE(f.box.candidateCards().size(), 2);
    }

    void confirmingHandsOnThatCandidateOnce() {
        Fixture f;
        f.transport().on("POST", previewPath, FakeTransport::Reply::json(200, twoCandidates));
        f.box.setTopicText(QStringLiteral("分数"));
        Await::result(f.box.resolveTopic());
        const int requests = f.transport().requests.size();
        QSignalSpy confirmed(&f.box, &TopicBoxViewModel::confirmed);
        f.box.confirm(1);
        QCOMPARE(confirmed.count(), 1);
        const TopicCandidate candidate = confirmed.first().first().value<TopicCandidate>();
        QCOMPARE(candidate.chapterCode, QStringLiteral("math-g7a-c2"));
        QCOMPARE(candidate.kpCodes, QStringList{"k9"});
        QCOMPARE(candidate.lessons, 1);
        QCOMPARE(f.transport().requests.size(), requests);
        QCOMPARE(f.box.topicText(), QStringLiteral("分数"));
        QVERIFY(f.box.hasResult());
        f.box.confirm(2);
        f.box.confirm(-1);
        QCOMPARE(confirmed.count(), 1);
    }

    // A box that is gone when the answer arrives takes nothing from it.
    void aBoxGoneMeanwhileIsLeftAlone() {
        TestPlatform platform;
        AppSession session;
        platform.transport->on("POST", previewPath, FakeTransport::Reply::json(200, twoCandidates).after(20));
        auto *box = new TopicBoxViewModel;
        box->setSession(&session);
        box->setTopicText(QStringLiteral("分数"));
        auto task = box->resolveTopic();
        delete box;
        Await::result(task);
        QCOMPARE(platform.transport->count(previewPath), 1);
    }

    // Every topic the box's own example names is one the local stand-in of the service proposes paths for.
    void exampleWorksAgainstTheStandIn_data() {
        QTest::addColumn<QString>("topic");
        const QString example = TopicBoxViewModel().example().section(QStringLiteral("："), 1);
        QTest::newRow("whole example") << example;
        for (const QString &topic : example.split(QStringLiteral("、")))
            QTest::newRow(qPrintable(topic)) << topic;
    }
    void exampleWorksAgainstTheStandIn() {
        QFETCH(QString, topic);
        LocalService service(QStringLiteral("13800138731"));
        TopicBoxViewModel box;
        box.setSession(service.session.get());
        box.setTopicText(topic);
        box.resolve();
        QTRY_VERIFY_WITH_TIMEOUT(box.hasResult(), 10000);
        QVERIFY2(!box.outOfScope(), qPrintable(box.message()));
        QVERIFY(!box.candidateCards().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTopicBox)
#include "tst_topicbox.moc"
