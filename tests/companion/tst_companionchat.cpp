#include "../robots/RobotTestData.h"
#include "Analytics.h"
#include "AppSession.h"
#include "Await.h"
#include "CompanionChatViewModel.h"
#include "CompanionConfirmActions.h"
#include "FakeSpeech.h"
#include "Fixtures.h"
#include "RobotStore.h"
#include "SpeechPlayer.h"
#include "TestPlatform.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString chatPath = QStringLiteral("/ai/v1/companion/chat:stream");

using Lines = QList<QPair<QString, QByteArray>>;

// An event-stream body: one "event:" and "data:" block per pair.
QByteArray sse(const Lines &events) {
    QByteArray body = ": reply\n";
    for (const auto &[name, data] : events)
        body += "event: " + name.toUtf8() + "\ndata: " + data + "\n\n";
    return body;
}

QByteArray delta(const QString &text) {
    return QJsonDocument(QJsonObject{{"text", text}}).toJson(QJsonDocument::Compact);
}

// One entry as a short line: who, what, and the details its kind carries.
QString describe(const ChatMessage &m) {
    const QString who = m.role() == ChatMessage::Role::User ? "U" : "A";
    switch (m.kind()) {
    case ChatMessage::Kind::Text: {
        QString line = who + ":" + m.text();
        if (m.hintLevel() > 0)
            line += QStringLiteral(" [h%1 %2]").arg(m.hintLevel()).arg(m.question().value_or("-"));
        if (!m.citations().isEmpty())
            line += QStringLiteral(" [%1 refs]").arg(m.citations().size());
        return line;
    }
    case ChatMessage::Kind::Confirm:
        return "confirm:" + m.card()->skill;
    case ChatMessage::Kind::Crisis:
        return "crisis:" + m.text() + "|" + m.crisisLines().join(",") + "|" + m.crisisNumbers().join(",");
    case ChatMessage::Kind::Error:
        return who + "!" + m.text();
    }
    return {};
}

QStringList newEventNames(qsizetype before) {
    QStringList names;
    const QList<Analytics::Event> events = Analytics::shared().queuedEvents();
    for (qsizetype i = before; i < events.size(); ++i) {
        QStringList props;
        for (auto it = events[i].props.begin(); it != events[i].props.end(); ++it)
            props << it.key() + "=" + it.value();
        props.sort();
        names << events[i].name + "(" + props.join(",") + ")";
    }
    return names;
}

// A conversation wired to fakes: scripted service, silent speech, a store of its own.
struct Rig {
    TestPlatform platform;
    AppSession session;
    RobotStore store;
    std::shared_ptr<FakeSpeechSynthesizer> synth = std::make_shared<FakeSpeechSynthesizer>();
    std::unique_ptr<SpeechPlayer> speech;
    std::unique_ptr<CompanionChatViewModel> chat;

    explicit Rig(int noticeMs = 200) {
        session.setAccessToken("t");
        store.setAutoSpeak(false);
        SpeechPlayer::Dependencies speechDependencies;
        speechDependencies.store = &store;
        speechDependencies.synthesizer = synth;
        speechDependencies.makeAudioPlayer = [] { return std::shared_ptr<AudioPlayer>(); };
        speechDependencies.track = [](const QString &, const QHash<QString, QString> &) {};
        speech = std::make_unique<SpeechPlayer>(std::move(speechDependencies));
        chat = std::make_unique<CompanionChatViewModel>(
            CompanionChatViewModel::Dependencies{&store, speech.get(), noticeMs});
        chat->setSession(&session);
        platform.transport->fallback = [](const HttpRequest &) {
            return FakeTransport::Reply::json(404, "{}");
        };
    }

    void reply(const FakeTransport::Reply &answer) { platform.transport->on("POST", chatPath, answer); }
    void reply(const Lines &events) { reply(FakeTransport::Reply::json(200, sse(events))); }

    QStringList entries() const {
        QStringList lines;
        for (const ChatMessage &m : chat->messages().rows())
            lines << describe(m);
        return lines;
    }
    QJsonObject sent(int index = -1) const {
        const QList<HttpRequest> requests = platform.transport->requestsTo(chatPath);
        return QJsonDocument::fromJson(requests.at(index < 0 ? requests.size() + index : index).body)
            .object();
    }
    void waitUntilIdle() const { QTRY_VERIFY(!chat->isStreaming()); }
    QString lastId() const { return chat->messages().rows().last().messageId(); }
    QString idOf(int row) const { return chat->messages().at(row).messageId(); }
};

} // namespace

class TestCompanionChat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What one turn's reply leaves in the conversation.
    void replies_data() {
        QTest::addColumn<FakeTransport::Reply>("answer");
        QTest::addColumn<QStringList>("entries");

        using Reply = FakeTransport::Reply;
        const auto ok = [](const Lines &lines) { return Reply::json(200, sse(lines)); };
        QTest::newRow("deltas grow the reply")
            << ok({{"delta", delta("先想")}, {"delta", delta("一想")}, {"done", "{}"}})
            << QStringList{"A:", "U:问", "A:先想一想"};
        QTest::newRow("a card under the reply that goes on growing")
            << ok({{"delta", delta("好")},
                   {"confirm", R"({"skill":"path.create","args":{"chapter_id":"c1"}})"},
                   {"delta", delta("的")}})
            << QStringList{"A:", "U:问", "A:好的", "confirm:path.create"};
        QTest::newRow("only a card: the empty reply goes")
            << ok({{"confirm", R"({"skill":"order.preview"})"}, {"done", "{}"}})
            << QStringList{"A:", "U:问", "confirm:order.preview"};
        QTest::newRow("crisis lines and what they dial")
            << ok({{"crisis", R"({"text":"我在","hotlines":[{"name":"希望热线","number":"400 161 9995"},)"
                              R"({"name":"援助","number":"12356"}]})"}})
            << QStringList{"A:", "U:问", "crisis:我在|希望热线 400 161 9995,援助 12356|4001619995,12356"};
        QTest::newRow("an error event is an entry of its own; the reply goes on")
            << ok({{"delta", delta("a")}, {"error", R"({"message":"模型繁忙"})"}, {"delta", delta("b")}})
            << QStringList{"A:", "U:问", "A:ab", "A!模型繁忙"};
        QTest::newRow("hint and citations mark the reply")
            << ok({{"hint", R"({"level":2})"},
                   {"delta", delta("步骤")},
                   {"citation", R"({"items":[{"index":1},{"index":2}]})"},
                   {"citation", R"({"items":[{"index":3}]})"}})
            << QStringList{"A:", "U:问", "A:步骤 [h2 问] [1 refs]"};
        QTest::newRow("tool calls show nothing")
            << ok({{"tool_call", R"({"skill":"search"})"}, {"delta", delta("x")}})
            << QStringList{"A:", "U:问", "A:x"};
        QTest::newRow("only done: an empty reply, quietly dropped")
            << ok({{"done", "{}"}}) << QStringList{"A:", "U:问"};
        QTest::newRow("a web page instead of events")
            << Reply::json(200, "<html>bad gateway</html>") << QStringList{"A:", "U:问", "A!响应格式不正确"};
        QTest::newRow("an empty body")
            << Reply::json(200, "") << QStringList{"A:", "U:问", "A!响应格式不正确"};
        QTest::newRow("renamed events")
            << ok({{"message", delta("x")}}) << QStringList{"A:", "U:问", "A!响应格式不正确"};
        QTest::newRow("a failed status with the server's message")
            << Reply::json(503, R"({"message":"伙伴在休息"})") << QStringList{"A:", "U:问", "A!伙伴在休息"};
        QTest::newRow("a failed status without one")
            << Reply::json(502, "<html/>") << QStringList{"A:", "U:问", "A!伙伴暂时不可用（502）"};
        QTest::newRow("no connection") << Reply::error(TransportError::Kind::NoConnection)
                                       << QStringList{"A:", "U:问", "A!网络连接失败，请检查网络后重试"};
        QTest::newRow("a cut body replaces the text received so far")
            << ok({{"delta", delta("半句")}}).brokenAtEnd()
            << QStringList{"A:", "U:问", "A!网络连接失败，请检查网络后重试"};
    }
    void replies() {
        QFETCH(FakeTransport::Reply, answer);
        QFETCH(QStringList, entries);
        Rig rig;
        rig.reply(answer);
        rig.chat->send(" 问\n");
        QVERIFY(rig.chat->isStreaming());
        rig.waitUntilIdle();
        QCOMPARE(rig.entries(), entries);
    }

    void sendRules() {
        Rig rig;
        rig.reply({{"delta", delta("答")}});
        rig.reply({{"confirm", R"({"skill":"x"})"}, {"error", "{}"}}); // every later turn
        const qsizetype analyticsBefore = Analytics::shared().queuedCount();
        rig.chat->setInput(" \n\t");
        rig.chat->sendInput();
        QCOMPARE(rig.entries(), QStringList{"A:"});
        QCOMPARE(rig.chat->input(), QStringLiteral(" \n\t"));

        rig.chat->setInput("  第一问\n");
        rig.chat->sendInput();
        QCOMPARE(rig.chat->input(), QString());
        QCOMPARE(rig.entries(), (QStringList{"A:", "U:第一问", "A:"}));
        rig.chat->setInput("等一下");
        rig.chat->sendInput(); // one turn at a time: the text stays where it was
        QCOMPARE(rig.chat->input(), QStringLiteral("等一下"));
        rig.waitUntilIdle();
        QCOMPARE(rig.sent().value("history").toArray().size(), 0);
        QCOMPARE(rig.sent().value("message").toString(), QStringLiteral("第一问"));
        QCOMPARE(rig.sent().value("hint_level").toInt(), 1);
        QCOMPARE(rig.sent().value("scene").toString(), QStringLiteral("companion"));
        QVERIFY(!rig.sent().contains("subject"));

        // The history leaves out the greeting's place, cards and error entries.
        rig.chat->sendPrompt("第二问");
        rig.waitUntilIdle();
        rig.chat->setSubject(QStringLiteral("math"));
        rig.chat->sendPrompt(RobotStore::builtInCatalog().scene("companion")->prompts.first());
        rig.waitUntilIdle();
        const QJsonArray history = rig.sent().value("history").toArray();
        QCOMPARE(history.size(), 3);
        QCOMPARE(history[1].toObject().value("text").toString(), QStringLiteral("答"));
        QCOMPARE(history[2].toObject().value("role").toString(), QStringLiteral("user"));
        QCOMPARE(rig.sent().value("subject").toString(), QStringLiteral("math"));
        QCOMPARE(newEventNames(analyticsBefore),
                 (QStringList{"companion_send(quick_prompt=false)", "companion_send(quick_prompt=false)",
                              "companion_send(quick_prompt=true)"}));
    }

    // Stop keeps the partial reply (no "stopped" mark), aborts the request, and a new send is accepted at
    // once; the stopped turn's late ending leaves the newer turn streaming.
    void stopAndLateEnding() {
        Rig rig;
        auto first = std::make_shared<Completion>();
        auto second = std::make_shared<Completion>();
        rig.reply(FakeTransport::Reply::json(200, sse({{"delta", delta("一半")}, {"delta", delta("不要")}}))
                      .heldAfter(4, first));
        rig.reply(FakeTransport::Reply::json(200, sse({{"delta", delta("新")}, {"delta", delta("的")}}))
                      .heldAfter(4, second));
        rig.chat->send("一");
        QTRY_COMPARE(rig.entries().last(), QStringLiteral("A:一半"));
        rig.chat->stop();
        QVERIFY(!rig.chat->isStreaming());
        rig.chat->send("二");
        QVERIFY(rig.chat->isStreaming());
        first->finish(); // the stopped turn ends now, late
        QTRY_COMPARE(rig.entries().last(), QStringLiteral("A:新"));
        QTest::qWait(20);
        QVERIFY(rig.chat->isStreaming());
        second->finish();
        rig.waitUntilIdle();
        QCOMPARE(rig.entries(), (QStringList{"A:", "U:一", "A:一半", "U:二", "A:新的"}));
        QCOMPARE(rig.platform.transport->abortedStreams(), 1);
    }

    // After a clear, the turn's ending follows no language and shows no notice.
    void clearMidStream() {
        Rig rig;
        auto hold = std::make_shared<Completion>();
        rig.reply(
            FakeTransport::Reply::json(
                200, sse({{"delta", delta("a")}, {"done", R"({"language":"en-US"})"}, {"delta", delta("b")}}))
                .heldAfter(6, hold));
        rig.store.setActiveLanguage(QStringLiteral("ja-JP"));
        rig.chat->send("问");
        QTRY_COMPARE(rig.entries().last(), QStringLiteral("A:a"));
        QTest::qWait(20); // the done event is read
        rig.chat->clear();
        QCOMPARE(rig.entries(), QStringList{"A:"});
        QVERIFY(!rig.chat->isStreaming());
        QCOMPARE(rig.store.activeLanguage(), std::nullopt);
        hold->finish();
        QTest::qWait(50);
        QCOMPARE(rig.store.activeLanguage(), std::nullopt);
        QCOMPARE(rig.chat->languageNotice(), std::nullopt);
        QCOMPARE(rig.entries(), QStringList{"A:"});
    }

    // A conversation destroyed mid-reply cancels its request; its ending switches no language and speaks
    // nothing.
    void destroyedMidStream() {
        Rig rig;
        rig.store.setAutoSpeak(true);
        auto hold = std::make_shared<Completion>();
        rig.reply(
            FakeTransport::Reply::json(200, sse({{"delta", delta("a")}, {"done", R"({"language":"en-US"})"}}))
                .heldAfter(6, hold));
        rig.chat->send("问");
        QTRY_COMPARE(rig.entries().last(), QStringLiteral("A:a"));
        QTest::qWait(20);
        rig.chat.reset();
        hold->finish();
        QTest::qWait(50);
        QCOMPARE(rig.store.activeLanguage(), std::nullopt);
        QVERIFY(rig.synth->spoken.isEmpty());
        QCOMPARE(rig.platform.transport->abortedStreams(), 1);
    }

    void languageFollow_data() {
        QTest::addColumn<QList<QByteArray>>("dones");
        QTest::addColumn<QString>("inEffect");
        QTest::addColumn<bool>("notice");
        QTest::newRow("a new language") << QList<QByteArray>{R"({"language":"en-US"})"} << "en-US" << true;
        QTest::newRow("the last done counts")
            << QList<QByteArray>{R"({"language":"en-US"})", "{}"} << "zh-CN" << false;
        QTest::newRow("the language in effect")
            << QList<QByteArray>{R"({"language":"zh-CN"})"} << "zh-CN" << false;
        QTest::newRow("empty") << QList<QByteArray>{R"({"language":""})"} << "zh-CN" << false;
    }
    void languageFollow() {
        QFETCH(QList<QByteArray>, dones);
        QFETCH(QString, inEffect);
        QFETCH(bool, notice);
        Rig rig;
        rig.store.setLanguage("zh-CN");
        Lines lines{{"delta", delta("hi")}};
        for (const QByteArray &done : dones)
            lines.append({"done", done});
        rig.reply(lines);
        rig.chat->send("hello");
        rig.waitUntilIdle();
        QCOMPARE(rig.store.languageInEffect(), inEffect);
        QCOMPARE(rig.chat->languageNotice().has_value(), notice);
        if (notice) {
            QCOMPARE(*rig.chat->languageNotice(),
                     ChatStrings::format(ChatStrings::forLanguage("en-US").switchedFormat,
                                         {rig.store.languageLabel()}));
            QCOMPARE(rig.chat->strings().send, QStringLiteral("Send"));
            QTRY_COMPARE(rig.chat->languageNotice(), std::nullopt);
        }
    }

    // Two switches close together: the second notice replaces the first and keeps its full time.
    void noticeTimers() {
        Rig rig(300);
        rig.reply({{"done", R"({"language":"en-US"})"}});
        rig.reply({{"done", R"({"language":"ja-JP"})"}});
        rig.chat->send("a");
        rig.waitUntilIdle();
        const QString firstNotice = rig.chat->languageNoticeText();
        QTest::qWait(150);
        rig.chat->send("b");
        rig.waitUntilIdle();
        QVERIFY(rig.chat->languageNoticeText() != firstNotice);
        QTest::qWait(200); // the first timer has run out by now
        QVERIFY(rig.chat->languageNotice().has_value());
        QTRY_COMPARE(rig.chat->languageNotice(), std::nullopt);
    }

    void autoSpeak_data() {
        QTest::addColumn<bool>("autoSpeak");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("learnerStarted");
        QTest::addColumn<int>("spoken");
        QTest::addColumn<bool>("speakingAtEnd");
        QTest::newRow("off") << false << sse({{"delta", delta("答")}}) << false << 0 << false;
        QTest::newRow("on") << true << sse({{"delta", delta("答")}}) << false << 1 << true;
        QTest::newRow("on, an error reply") << true << QByteArray("<html/>") << false << 0 << false;
        QTest::newRow("on, only a card") << true << sse({{"confirm", "{}"}}) << false << 0 << false;
        QTest::newRow("on, the learner reads it already")
            << true << sse({{"delta", delta("答")}}) << true << 1 << true;
    }
    void autoSpeak() {
        QFETCH(bool, autoSpeak);
        QFETCH(QByteArray, body);
        QFETCH(bool, learnerStarted);
        QFETCH(int, spoken);
        QFETCH(bool, speakingAtEnd);
        Rig rig;
        rig.synth->startsByItself = false;
        rig.store.setAutoSpeak(autoSpeak);
        auto hold = std::make_shared<Completion>();
        rig.reply(FakeTransport::Reply::json(200, body).heldAfter(3, hold));
        rig.chat->send("问");
        if (learnerStarted) {
            QTRY_COMPARE(rig.entries().last(), QStringLiteral("A:答"));
            rig.speech->toggleSpeech("答", rig.chat->messages().rows().last().id(), &rig.session,
                                     "companion");
        }
        hold->finish();
        rig.waitUntilIdle();
        QTRY_COMPARE(rig.synth->spoken.size(), spoken);
        QTest::qWait(20);
        QCOMPARE(rig.speech->speakingId().has_value(), speakingAtEnd);
    }

    void hintLadder() {
        Rig rig;
        rig.reply({{"hint", R"({"level":1})"}, {"delta", delta("思路")}});
        rig.reply({{"hint", R"({"level":2})"}, {"delta", delta("步骤")}});
        rig.reply({{"hint", R"({"level":3})"}, {"delta", delta("解析")}});
        rig.chat->send("2x+3=7");
        QVERIFY(!rig.chat->hintUnlockOffered(rig.idOf(2))); // still streaming
        rig.waitUntilIdle();
        const QString level1 = rig.idOf(2);
        QVERIFY(rig.chat->hintUnlockOffered(level1));
        QVERIFY(!rig.chat->hintUnlockOffered(rig.idOf(1))); // the learner's own entry

        const qsizetype analyticsBefore = Analytics::shared().queuedCount();
        rig.chat->setInput("草稿");
        rig.chat->unlockHint(level1);
        rig.waitUntilIdle();
        QCOMPARE(rig.chat->input(), QStringLiteral("草稿"));
        QCOMPARE(rig.sent().value("message").toString(), QStringLiteral("2x+3=7"));
        QCOMPARE(rig.sent().value("hint_level").toInt(), 2);
        QVERIFY(!rig.chat->hintUnlockOffered(level1)); // answered deeper already
        const QString level2 = rig.lastId();
        QVERIFY(rig.chat->hintUnlockOffered(level2));
        rig.chat->unlockHint(level2);
        rig.waitUntilIdle();
        QCOMPARE(rig.sent().value("hint_level").toInt(), 3);
        QVERIFY(!rig.chat->hintUnlockOffered(rig.lastId()));
        QCOMPARE(rig.entries().mid(3), (QStringList{"U:再给一点提示（关键步骤）", "A:步骤 [h2 2x+3=7]",
                                                    "U:看完整解析", "A:解析 [h3 2x+3=7]"}));
        QCOMPARE(newEventNames(analyticsBefore),
                 (QStringList{"hint_unlock(level=2)", "companion_send(quick_prompt=false)",
                              "hint_unlock(level=3)", "companion_send(quick_prompt=false)"}));
        rig.chat->unlockHint(rig.idOf(1)); // no question: nothing
        QVERIFY(!rig.chat->isStreaming());
    }

    void initialMessage_data() {
        QTest::addColumn<QString>("initial");
        QTest::addColumn<int>("sent");
        QTest::newRow("sent once") << " 讲讲分数 " << 1;
        QTest::newRow("blank") << " \n" << 0;
        QTest::newRow("none") << "" << 0;
    }
    void initialMessage() {
        QFETCH(QString, initial);
        QFETCH(int, sent);
        Rig rig;
        rig.reply({{"delta", delta("好")}});
        rig.platform.transport->on("GET", "/api/v1/me/companion",
                                   FakeTransport::Reply::json(200, R"({"persona":"calm","name":"小星"})"));
        rig.chat->setInitialMessageText(initial);
        rig.chat->appear();
        QTRY_COMPARE(rig.platform.transport->count(chatPath), sent);
        rig.waitUntilIdle();
        rig.chat->appear();
        QTest::qWait(30);
        QCOMPARE(rig.platform.transport->count(chatPath), sent);
        QCOMPARE(rig.chat->initialSent(), sent == 1);
        QCOMPARE(rig.chat->settings().name, std::optional<QString>("小星"));
        if (sent)
            QCOMPARE(rig.sent().value("message").toString(), QStringLiteral("讲讲分数"));
    }

    void robotMood() {
        Rig rig;
        QCOMPARE(rig.chat->robotMood(), RobotMood::Waving);
        auto hold = std::make_shared<Completion>();
        rig.reply(FakeTransport::Reply::json(200, sse({{"delta", delta("a")}})).heldAfter(3, hold));
        QSignalSpy moods(rig.chat.get(), &CompanionChatViewModel::robotMoodChanged);
        rig.chat->send("问");
        QCOMPARE(rig.chat->robotMood(), RobotMood::Thinking);
        QTRY_COMPARE(rig.chat->robotMood(), RobotMood::Speaking);
        hold->finish();
        rig.waitUntilIdle();
        QCOMPARE(rig.chat->robotMood(), RobotMood::Idle);
        QCOMPARE(moods.size(), 3);
    }

    // What each row shows, as the conversation moves on.
    void rowPresentation() {
        Rig rig;
        const ChatMessage &greeting = rig.chat->messages().at(0);
        QCOMPARE(greeting.displayText(), RobotStore::builtInCatalog().scene("companion")->greeting);
        QVERIFY(greeting.speakable() && !greeting.showsTypingDots() && greeting.hintTag().isEmpty());

        auto hold = std::make_shared<Completion>();
        rig.reply(
            FakeTransport::Reply::json(200, sse({{"hint", R"({"level":1})"},
                                                 {"delta", delta("思路")},
                                                 {"confirm", R"({"skill":"path.create"})"},
                                                 {"confirm", R"({"skill":"calendar.add","title":"加日程"})"},
                                                 {"error", R"({"message":"忙"})"}}))
                .heldAfter(1, hold));
        rig.reply({{"hint", R"({"level":2})"}, {"delta", delta("步骤")}});
        rig.reply({{"hint", R"({"level":3})"}, {"delta", delta("解析")}});
        rig.chat->send("题");
        const ChatMessage &waiting = rig.chat->messages().at(2);
        QVERIFY(waiting.showsTypingDots() && !waiting.speakable());
        const ChatMessage &learner = rig.chat->messages().at(1);
        QVERIFY(learner.fromLearner() && !learner.speakable() && learner.hintTag().isEmpty());
        hold->finish();
        QTRY_VERIFY(rig.chat->messages().rows().size() == 6 && !rig.chat->isStreaming());

        const auto row = [&](int i) { return rig.chat->messages().at(i); };
        QCOMPARE(row(2).hintTag(), QStringLiteral("提示 1/3 · 思路提示"));
        QVERIFY(row(2).canUnlock() && row(2).speakable());
        QCOMPARE(row(2).unlockLabel(), QStringLiteral("再给一点提示（关键步骤）"));
        QCOMPARE(row(3).cardDisplayTitle(), QStringLiteral("创建学习路径"));
        QCOMPARE(row(4).cardDisplayTitle(), QStringLiteral("加日程"));
        QCOMPARE(row(4).kindName(), QStringLiteral("confirm"));
        QVERIFY(!row(5).speakable() && !row(5).canUnlock());

        rig.chat->unlockHint(row(2).messageId());
        QVERIFY(!row(2).canUnlock()); // nothing is offered while a reply streams
        rig.waitUntilIdle();
        QVERIFY(!row(2).canUnlock()); // the deeper answer offers the next step instead
        QCOMPARE(row(7).unlockLabel(), QStringLiteral("看完整解析"));
        rig.chat->unlockHint(row(7).messageId());
        rig.waitUntilIdle();
        QCOMPARE(row(9).hintTag(), QStringLiteral("提示 3/3 · 完整解析"));
        QVERIFY(!row(9).canUnlock());

        // Texts, titles and the greeting follow the language in effect and its catalog.
        QSignalSpy changes(rig.chat->messageList(), &QAbstractItemModel::dataChanged);
        rig.store.setCatalog("en-US", RobotTestData::catalog("T"));
        rig.store.setActiveLanguage(QStringLiteral("en-US"));
        QCOMPARE(row(0).displayText(), QStringLiteral("Hello from T"));
        QCOMPARE(row(3).cardDisplayTitle(), QStringLiteral("Create learning path"));
        QCOMPARE(row(9).hintTag(), QStringLiteral("Hint 3/3 · Full solution"));
        QVERIFY(!changes.isEmpty());
        rig.chat->clear();
        QCOMPARE(row(0).displayText(), RobotStore::builtInCatalog().scene("companion")->greeting);
    }

    // A card shows its title and summary as soon as it arrives, while the reply around it still streams.
    void cardCompleteMidStream() {
        Rig rig;
        auto hold = std::make_shared<Completion>();
        rig.reply(FakeTransport::Reply::json(
                      200, sse({{"delta", delta("好的")},
                                {"confirm", R"({"skill":"path.create","args":{"chapter_id":"有理数"}})"},
                                {"delta", delta("，请确认。")}}))
                      .heldAfter(7, hold)); // after the card's event
        rig.chat->send("帮我建一条有理数的学习路径");
        QTRY_COMPARE(rig.chat->messages().rows().size(), 4);
        QVERIFY(rig.chat->isStreaming());
        const ChatMessage &card = rig.chat->messages().at(3);
        QCOMPARE(card.cardDisplayTitle(), QStringLiteral("创建学习路径"));
        QCOMPARE(card.cardSummary(), QStringLiteral("为你创建章节 有理数 的学习路径"));
        hold->finish();
        rig.waitUntilIdle();
    }

    void header_data() {
        QTest::addColumn<std::optional<QString>>("name");
        QTest::addColumn<std::optional<QString>>("persona");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("displayName");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("tag");
        const QString robotName = RobotStore::builtInCatalog().robot("companion")->name;
        const std::optional<QString> none;
        QTest::newRow("nothing loaded")
            << none << none << "zh-CN" << robotName << "在线 · 先给思路，不直接给答案"
            << "中文";
        QTest::newRow("a name and a known persona")
            << std::optional<QString>("小星") << std::optional<QString>("calm") << "zh-CN"
            << "小星"
            << "在线 · 耐心伙伴"
            << "中文";
        QTest::newRow("an empty name, an unknown persona")
            << std::optional<QString>("") << std::optional<QString>("grumpy") << "zh-CN"
            << ""
            << "在线 · 先给思路，不直接给答案"
            << "中文";
        QTest::newRow("English") << none << std::optional<QString>("strict") << "en-US" << robotName
                                 << "Online · Coach buddy"
                                 << "EN";
        QTest::newRow("Cantonese") << none << none << "yue-HK" << robotName
                                   << "在線 · 先畀思路，唔會直接畀答案"
                                   << "粵";
        QTest::newRow("Japanese") << none << none << "ja-JP" << robotName
                                  << "オンライン · まず考え方から、答えはすぐ出しません"
                                  << "日本語";
        QTest::newRow("lower-case code")
            << none << none << "en-us" << robotName << "在线 · 先给思路，不直接给答案"
            << "中文";
    }
    void header() {
        QFETCH(std::optional<QString>, name);
        QFETCH(std::optional<QString>, persona);
        QFETCH(QString, language);
        QFETCH(QString, displayName);
        QFETCH(QString, status);
        QFETCH(QString, tag);
        Rig rig;
        rig.store.setLanguage(language);
        rig.chat->setSettings({persona, name, std::nullopt});
        rig.chat->send("x"); // not idle: the status says so
        QCOMPARE(rig.chat->statusLine(), ChatStrings::forLanguage(language).statusThinking);
        rig.chat->stop();
        QCOMPARE(rig.chat->displayName(), displayName);
        QCOMPARE(rig.chat->statusLine(), status);
        QCOMPARE(rig.chat->languageTag(), tag);
        QCOMPARE(rig.chat->placeholderText(),
                 ChatStrings::format(ChatStrings::forLanguage(language).placeholderFormat, {displayName}));
    }

    void composerAndPrompts() {
        Rig rig;
        QCOMPARE(rig.chat->sendButton(), CompanionChatViewModel::SendButton::SendDisabled);
        rig.chat->setInput(" \n");
        QCOMPARE(rig.chat->sendButton(), CompanionChatViewModel::SendButton::SendDisabled);
        rig.chat->setInput("问");
        QCOMPARE(rig.chat->sendButton(), CompanionChatViewModel::SendButton::Send);
        QCOMPARE(rig.chat->sendButtonLabel(), QStringLiteral("发送"));
        auto hold = std::make_shared<Completion>();
        rig.reply(FakeTransport::Reply::json(200, sse({{"delta", delta("a")}})).heldAfter(0, hold));
        QVERIFY(rig.chat->showsPrompts() && !rig.chat->compact());
        rig.chat->sendOrStop();
        QCOMPARE(rig.chat->sendButton(), CompanionChatViewModel::SendButton::Stop);
        QCOMPARE(rig.chat->sendButtonLabel(), QStringLiteral("停止回复"));
        QVERIFY(!rig.chat->showsPrompts() && rig.chat->compact());
        rig.chat->sendOrStop();
        QVERIFY(!rig.chat->isStreaming());
        hold->finish();
        rig.chat->clear();
        QVERIFY(rig.chat->showsPrompts());

        // One chip per prompt of the scene, the icons taking turns.
        QJsonObject catalog = RobotTestData::catalogJson("T", "zh-CN");
        QJsonArray scenes = catalog["scenes"].toArray();
        QJsonObject scene = scenes[0].toObject();
        scene["prompts"] = QJsonArray{"a", "b", "c", "d", "e"};
        scenes[0] = scene;
        catalog["scenes"] = scenes;
        rig.store.setLanguage("zh-CN");
        rig.store.setCatalog("zh-CN", RobotCatalog::decode(QJsonDocument(catalog).toJson()));
        QStringList chips;
        for (const PromptChip &chip : rig.chat->prompts().rows())
            chips << chip.text + ":" + chip.symbol;
        QCOMPARE(chips, (QStringList{"a:sparkles", "b:lightbulb", "c:book.closed", "d:questionmark.bubble",
                                     "e:sparkles"}));
    }

    void savedSettingsAreAnnounced() {
        Rig rig;
        rig.chat->setShowSettings(true);
        rig.chat->acceptSavedSettings({QStringLiteral("cheerful"), QStringLiteral("阿星"), std::nullopt});
        QVERIFY(!rig.chat->showSettings());
        QCOMPARE(rig.chat->displayName(), QStringLiteral("阿星"));
        QCOMPARE(rig.chat->toastText(), ChatStrings::forLanguage("zh-CN").savedToast);
        QCOMPARE(rig.chat->confirmTitle(), QStringLiteral("确认"));
    }

    void confirmSummary_data() {
        QTest::addColumn<QString>("skill");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("summary");
        QTest::newRow("path") << "path.create" << QStringList{"chapter_id", "c3"}
                              << "为你创建章节 c3 的学习路径";
        QTest::newRow("path without chapter") << "path.create" << QStringList{} << "为你创建章节  的学习路径";
        QTest::newRow("order") << "order.preview" << QStringList{"sku_id", "vip"}
                               << "查看商品 vip 的购买确认";
        QTest::newRow("topic") << "path.topic" << QStringList{"text", "分数"}
                               << "按「分数」找到对应章节，加入你的学习计划";
        QTest::newRow("practice") << "practice.request" << QStringList{"text", "方程"}
                                  << "按「方程」找到知识点，请伙伴在后台出一组练习题";
        QTest::newRow("unknown, keys in order")
            << "calendar.add" << QStringList{"title", "复习", "day", "3"} << "day: 3\ntitle: 复习";
        QTest::newRow("unknown without args") << "video.generate" << QStringList{} << "";
    }
    void confirmSummary() {
        QFETCH(QString, skill);
        QFETCH(QStringList, args);
        QFETCH(QString, summary);
        ConfirmCard card{QUuid::createUuid(), skill, "T", {}};
        for (qsizetype i = 0; i + 1 < args.size(); i += 2)
            card.args.insert(args[i], args[i + 1]);
        QCOMPARE(CompanionConfirmActions::summary(card, ChatStrings::forLanguage("zh-CN")), summary);
    }

    void confirmActions_data() {
        QTest::addColumn<QString>("skill");
        QTest::addColumn<QString>("args"); // JSON object
        QTest::addColumn<QByteArray>("preview");
        QTest::addColumn<QString>("toast");
        QTest::addColumn<std::optional<qint64>>("lastPathId");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("calls");

        const QByteArray onePreview = Fixtures::json("learning/topic-one-candidate.json");
        const QByteArray emptyPreview = R"({"status":"none","message":"没找到对应章节","candidates":[]})";
        const QString created = ChatStrings::format(
            ChatStrings::forLanguage("zh-CN").pathCreatedFormat,
            {Fixtures::object("learning/path-rational-numbers.json").value("goal").toString()});
        const qint64 pathId =
            Fixtures::object("learning/path-rational-numbers.json").value("path_id").toInteger();
        QTest::newRow("path from a chapter")
            << "path.create"
            << R"({"chapter_id":"c3"})" << onePreview << created << std::optional(pathId) << QStringList{}
            << QStringList{"/api/v1/learning-paths"};
        QTest::newRow("path without a chapter")
            << "path.create"
            << "{}" << onePreview << "" << std::optional<qint64>() << QStringList{} << QStringList{};
        QTest::newRow("path from a topic")
            << "path.topic"
            << R"({"text":"有理数"})" << onePreview << created << std::optional(pathId)
            << QStringList{"task_create(result=ok,skill=path.topic,source=chat)"}
            << QStringList{"/api/v1/learning-paths/topic-preview", "/api/v1/learning-paths"};
        QTest::newRow("a topic that resolves to nothing")
            << "path.topic"
            << R"({"text":"量子"})" << emptyPreview << "没找到对应章节" << std::optional<qint64>()
            << QStringList{} << QStringList{"/api/v1/learning-paths/topic-preview"};
        QTest::newRow("a topic without text") << "path.topic"
                                              << "{}" << onePreview << "这个操作暂时需要在对应页面完成。"
                                              << std::optional<qint64>() << QStringList{} << QStringList{};
        QTest::newRow("practice")
            << "practice.request"
            << R"({"text":"有理数"})" << onePreview
            << Fixtures::object("learning/question-request.json").value("message").toString()
            << std::optional<qint64>()
            << QStringList{"task_create(result=ok,skill=practice.request,source=chat)",
                           QStringLiteral("gen_request(kp_code=%1,merged=%2,source=chat)")
                               .arg(
                                   Fixtures::object(
                                       "learning/topic-one-candidate.json")["candidates"][0]["kp_codes"][0]
                                       .toString(),
                                   Fixtures::object("learning/question-request.json").value("merged").toBool()
                                       ? "1"
                                       : "0")}
            << QStringList{"/api/v1/learning-paths/topic-preview", "/api/v1/practice/question-requests"};
        QTest::newRow("practice, nothing resolved")
            << "practice.request"
            << R"({"text":"量子"})" << emptyPreview << "没找到对应章节" << std::optional<qint64>()
            << QStringList{} << QStringList{"/api/v1/learning-paths/topic-preview"};
        QTest::newRow("a purchase") << "order.preview"
                                    << R"({"sku_id":"vip"})" << onePreview
                                    << "请到「我的 → 会员」完成购买，伙伴不会替你付款。"
                                    << std::optional<qint64>() << QStringList{} << QStringList{};
        QTest::newRow("a skill the client does not run")
            << "video.generate"
            << "{}" << onePreview << "这个操作暂时需要在对应页面完成。" << std::optional<qint64>()
            << QStringList{} << QStringList{};
    }
    void confirmActions() {
        QFETCH(QString, skill);
        QFETCH(QString, args);
        QFETCH(QByteArray, preview);
        QFETCH(QString, toast);
        QFETCH(std::optional<qint64>, lastPathId);
        QFETCH(QStringList, events);
        QFETCH(QStringList, calls);
        Rig rig;
        rig.session.setLastPathId(std::nullopt);
        rig.reply({{"confirm", QStringLiteral(R"({"skill":"%1","args":%2})").arg(skill, args).toUtf8()}});
        rig.platform.transport->on("POST", "/api/v1/learning-paths/topic-preview",
                                   FakeTransport::Reply::json(200, preview));
        rig.platform.transport->on(
            "POST", "/api/v1/learning-paths",
            FakeTransport::Reply::json(200, Fixtures::json("learning/path-rational-numbers.json")));
        rig.platform.transport->on(
            "POST", "/api/v1/practice/question-requests",
            FakeTransport::Reply::json(200, Fixtures::json("learning/question-request.json")));
        rig.chat->send("问");
        rig.waitUntilIdle();
        const qsizetype requestsBefore = rig.platform.transport->requests.size();
        rig.chat->askConfirm(rig.lastId());
        QVERIFY(rig.chat->confirmPending());
        const qsizetype analyticsBefore = Analytics::shared().queuedCount();
        rig.chat->performConfirm();
        QVERIFY(!rig.chat->confirmPending());
        if (toast.isEmpty())
            QTest::qWait(50);
        else
            QTRY_VERIFY(rig.chat->toast().has_value());
        QCOMPARE(rig.chat->toastText(), toast);
        QCOMPARE(rig.session.lastPathId(), lastPathId);
        QCOMPARE(newEventNames(analyticsBefore), events);
        QStringList made;
        for (qsizetype i = requestsBefore; i < rig.platform.transport->requests.size(); ++i)
            made << rig.platform.transport->requests[i].url.path();
        QCOMPARE(made, calls);
        if (skill == u"practice.request" && !calls.isEmpty() && calls.last().contains("question-requests")) {
            const QJsonObject body =
                QJsonDocument::fromJson(rig.platform.transport->requests.last().body).object();
            QCOMPARE(body.value("difficulty").toInt(), 3);
            QCOMPARE(body.keys(), (QStringList{"difficulty", "kp"}));
        }
        rig.chat->dismissToast();
        QCOMPARE(rig.chat->toast(), std::nullopt);
    }

    // A topic text is cut to 100 characters; a failed call shows its own text and stores nothing.
    void confirmFailureAndTopicLimit() {
        Rig rig;
        rig.reply({{"confirm", QStringLiteral(R"({"skill":"path.topic","args":{"text":"%1"}})")
                                   .arg(QString(150, u'数'))
                                   .toUtf8()}});
        rig.platform.transport->on("POST", "/api/v1/learning-paths/topic-preview",
                                   FakeTransport::Reply::json(500, R"({"message":"服务繁忙"})"));
        rig.chat->send("问");
        rig.waitUntilIdle();
        rig.chat->askConfirm(rig.lastId());
        rig.chat->cancelConfirm();
        QVERIFY(!rig.chat->confirmPending());
        QCOMPARE(rig.platform.transport->count("/api/v1/learning-paths/topic-preview"), 0);
        rig.chat->askConfirm(rig.lastId());
        rig.chat->performConfirm();
        QTRY_COMPARE(rig.chat->toastText(), QStringLiteral("服务繁忙"));
        const QJsonObject body =
            QJsonDocument::fromJson(
                rig.platform.transport->requestsTo("/api/v1/learning-paths/topic-preview").first().body)
                .object();
        QCOMPARE(body.value("text").toString(), QString(100, u'数'));
        QCOMPARE(rig.session.lastPathId(), std::nullopt);
    }

    // A confirmed path outlives the screen: it becomes the current path and is recorded, without a toast.
    void confirmOutlivesTheScreen() {
        Rig rig;
        rig.reply({{"confirm", R"({"skill":"path.create","args":{"chapter_id":"c1"}})"}});
        rig.platform.transport->on(
            "POST", "/api/v1/learning-paths",
            FakeTransport::Reply::json(200, Fixtures::json("learning/path-rational-numbers.json")).after(30));
        rig.chat->send("问");
        rig.waitUntilIdle();
        rig.chat->askConfirm(rig.lastId());
        rig.chat->performConfirm();
        rig.chat.reset();
        QTRY_VERIFY(rig.session.lastPathId().has_value());
    }
};

QTEST_GUILESS_MAIN(TestCompanionChat)
#include "tst_companionchat.moc"
