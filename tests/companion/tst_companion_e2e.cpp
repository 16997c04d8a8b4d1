// The companion conversation against the local stand-in of the service, over the real network stack.

#include "Analytics.h"
#include "CompanionChatViewModel.h"
#include "CompanionSettings.h"
#include "FakeSpeech.h"
#include "LearningStore.h"
#include "LocalService.h"
#include "RobotStore.h"
#include "SpeechPlayer.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

namespace {

// A learner signed in at the local service, with a conversation of their own.
struct Chat {
    LocalService service{QStringLiteral("13800138021")};
    RobotStore store;
    std::unique_ptr<SpeechPlayer> speech;
    std::unique_ptr<CompanionChatViewModel> chat;

    Chat() {
        store.setLanguage("zh-CN");
        store.setAutoSpeak(false);
        SpeechPlayer::Dependencies speechDependencies;
        speechDependencies.store = &store;
        speechDependencies.synthesizer = std::make_shared<FakeSpeechSynthesizer>();
        speechDependencies.makeAudioPlayer = [] { return std::shared_ptr<AudioPlayer>(); };
        speechDependencies.track = [](const QString &, const QHash<QString, QString> &) {};
        speech = std::make_unique<SpeechPlayer>(std::move(speechDependencies));
        chat = std::make_unique<CompanionChatViewModel>(
            CompanionChatViewModel::Dependencies{&store, speech.get(), 300});
        chat->setSession(service.session.get());
    }

    const ChatMessage &entry(int row) const { return chat->messages().at(row); }
    const ChatMessage &last() const { return chat->messages().rows().last(); }
    int count() const { return int(chat->messages().rows().size()); }
    void ask(const QString &text) {
        chat->send(text);
        QTRY_VERIFY_WITH_TIMEOUT(!chat->isStreaming(), 10000);
    }
    QJsonObject lastRequest() const {
        return QJsonDocument::fromJson(QByteArray::fromStdString(service.server.lastCompanionRequest()))
            .object();
    }
};

} // namespace

class TestCompanionEndToEnd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A paced reply grows its one row delta by delta: every change is a longer prefix of the final text.
    void pacedReplyGrowsRowByRow() {
        Chat c;
        c.service.server.setCompanionPace(15);
        QStringList seen;
        QSignalSpy resets(c.chat->messageList(), &QAbstractItemModel::modelReset);
        connect(c.chat->messageList(), &QAbstractItemModel::dataChanged, this,
                [&](const QModelIndex &from) { seen << c.entry(from.row()).text(); });
        c.ask(QStringLiteral("你好呀"));
        QCOMPARE(c.count(), 3);
        const QString reply = c.entry(2).text();
        QVERIFY(reply.size() > 6);
        QVERIFY2(seen.size() >= 4, qPrintable(seen.join(" | ")));
        for (qsizetype i = 1; i < seen.size(); ++i)
            QVERIFY(seen[i].startsWith(seen[i - 1]) && seen[i].size() > seen[i - 1].size());
        QCOMPARE(seen.last(), reply);
        QCOMPARE(resets.size(), 0);
        QCOMPARE(c.lastRequest().value("language").toString(), QStringLiteral("zh-CN"));
    }

    // The opening question goes once, after the persona settings (saved here first) are loaded.
    void openingQuestionAndPersona() {
        Chat c;
        const CompanionSettings saved = Await::result(
            saveCompanionSettings(QStringLiteral("strict"), QStringLiteral("小星"), *c.service.session));
        QCOMPARE(saved.persona, std::optional<QString>("strict"));
        try {
            Await::result(saveCompanionSettings(QStringLiteral("grumpy"), std::nullopt, *c.service.session));
            QFAIL("an unknown persona was stored");
        } catch (const CompanionSettingsError &error) {
            QCOMPARE(error.message(), QStringLiteral("不支持的说话风格"));
        }
        c.chat->setScene("qa");
        c.chat->setSubjectText("math");
        c.chat->setInitialMessageText(QStringLiteral("  怎么学好分数？"));
        c.chat->appear();
        QTRY_COMPARE(c.count(), 3);
        QTRY_VERIFY(!c.chat->isStreaming());
        c.chat->appear();
        QTest::qWait(50);
        QCOMPARE(c.service.server.requestCount("/v1/companion/chat:stream"), 1);
        QCOMPARE(c.chat->settings().name, std::optional<QString>("小星"));
        QCOMPARE(c.lastRequest().value("message").toString(), QStringLiteral("怎么学好分数？"));
        QCOMPARE(c.lastRequest().value("scene").toString(), QStringLiteral("qa"));
        QCOMPARE(c.lastRequest().value("subject").toString(), QStringLiteral("math"));
    }

    // Stop aborts the request at once (the server sees the client go) and nothing sent later is applied.
    void stopAbortsTheRequest() {
        Chat c;
        c.service.server.holdCompanionStream(2);
        c.chat->send(QStringLiteral("你好"));
        QTRY_VERIFY(!c.last().text().isEmpty());
        const QString partial = c.last().text();
        c.chat->stop();
        QVERIFY(!c.chat->isStreaming());
        QTRY_COMPARE(c.service.server.companionStreamsAborted(), 1);
        c.service.server.releaseCompanionStreams();
        QTest::qWait(100);
        QCOMPARE(c.last().text(), partial);
        QCOMPARE(c.last().kind(), ChatMessage::Kind::Text);
    }

    void failures_data() {
        QTest::addColumn<int>("control"); // 0 cut, 1 whole answer 502, 2 HTML with 200, 3 expired token
        QTest::addColumn<QString>("last");
        QTest::newRow("cut mid-reply") << 0 << QStringLiteral("网络连接失败，请检查网络后重试");
        QTest::newRow("502 with a web page") << 1 << QStringLiteral("伙伴暂时不可用（502）");
        QTest::newRow("200 with a web page") << 2 << QStringLiteral("响应格式不正确");
        QTest::newRow("an expired token is renewed") << 3 << QString();
    }
    void failures() {
        QFETCH(int, control);
        QFETCH(QString, last);
        Chat c;
        switch (control) {
        case 0:
            c.service.server.cutCompanionStream(3);
            break;
        case 1:
            c.service.server.answerCompanionStream(502, "text/html", "<html>bad gateway</html>");
            break;
        case 2:
            c.service.server.answerCompanionStream(200, "text/html", "<html>hello</html>");
            break;
        default:
            c.service.server.expireAccessTokens();
        }
        c.ask(QStringLiteral("你好"));
        if (last.isEmpty()) {
            QCOMPARE(c.last().kind(), ChatMessage::Kind::Text);
            QVERIFY(!c.last().text().isEmpty());
            QCOMPARE(c.service.server.requestCount("/v1/companion/chat:stream"), 2);
        } else {
            QCOMPARE(c.last().kind(), ChatMessage::Kind::Error);
            QCOMPARE(c.last().text(), last);
            QCOMPARE(c.count(), 3);
        }
    }

    // A maths question climbs the hint ladder with level-specific replies and references.
    void hintLadder() {
        Chat c;
        c.ask(QStringLiteral("解方程 2x+3=7"));
        QCOMPARE(c.last().hintLevel(), 1);
        QVERIFY(!c.last().citations().isEmpty());
        const QString approach = c.last().text();
        c.chat->unlockHint(c.last().messageId());
        QTRY_VERIFY_WITH_TIMEOUT(!c.chat->isStreaming(), 10000);
        QCOMPARE(c.lastRequest().value("hint_level").toInt(), 2);
        QCOMPARE(c.lastRequest().value("history").toArray().size(), 2);
        QCOMPARE(c.last().hintLevel(), 2);
        QVERIFY(c.last().text() != approach);
        c.chat->unlockHint(c.last().messageId());
        QTRY_VERIFY_WITH_TIMEOUT(!c.chat->isStreaming(), 10000);
        QCOMPARE(c.last().hintLevel(), 3);
        QVERIFY(!c.chat->hintUnlockOffered(c.last().messageId()));
        QCOMPARE(c.entry(3).text(), QStringLiteral("再给一点提示（关键步骤）"));
    }

    // A reply in another language switches the chat's texts, with a notice that goes away by itself.
    void followsTheReplyLanguage() {
        Chat c;
        c.ask(QStringLiteral("How do I solve this equation?"));
        QCOMPARE(c.store.languageInEffect(), QStringLiteral("en-US"));
        QCOMPARE(c.chat->strings().send, QStringLiteral("Send"));
        QVERIFY(c.chat->languageNotice().has_value());
        QTRY_COMPARE(c.chat->languageNotice(), std::nullopt);
        QCOMPARE(c.lastRequest().value("language").toString(), QStringLiteral("zh-CN"));
        c.chat->clear();
        QCOMPARE(c.store.languageInEffect(), QStringLiteral("zh-CN"));
        QCOMPARE(c.count(), 1);
    }

    void cardsAndNotices() {
        Chat c;
        c.ask(QStringLiteral("我不想活了"));
        const ChatMessage *crisis = nullptr;
        for (const ChatMessage &m : c.chat->messages().rows())
            crisis = m.kind() == ChatMessage::Kind::Crisis ? &m : crisis;
        QVERIFY(crisis);
        QCOMPARE(crisis->crisisLines().size(), 2);
        for (const QString &number : crisis->crisisNumbers())
            QVERIFY2(!number.contains(u' ') && number.size() >= 5, qPrintable(number));

        c.ask(QStringLiteral("这题出错了吗"));
        bool errorEntry = false;
        for (const ChatMessage &m : c.chat->messages().rows())
            errorEntry = errorEntry || m.text() == QStringLiteral("模型繁忙，请稍后再试");
        QVERIFY(errorEntry);
    }

    // A confirmed path becomes the learner's current path, the one the learning tab shows next.
    void confirmedPathBecomesCurrent() {
        Chat c;
        c.ask(QStringLiteral("帮我建一条有理数的学习路径"));
        QCOMPARE(c.last().kind(), ChatMessage::Kind::Confirm);
        c.chat->askConfirm(c.last().messageId());
        QVERIFY(c.chat->confirmMessage().startsWith(QStringLiteral("为你创建章节 ")));
        c.chat->performConfirm();
        QTRY_VERIFY_WITH_TIMEOUT(c.chat->toast().has_value(), 10000);
        const std::optional<qint64> pathId = c.service.session->lastPathId();
        QVERIFY(pathId);
        LearningStore learning(c.service.session.get());
        Await::result(learning.loadLastPath());
        QVERIFY(learning.path());
        QCOMPARE(learning.path()->pathId, *pathId);
        QCOMPARE(c.chat->toastText(), ChatStrings::format(ChatStrings::forLanguage("zh-CN").pathCreatedFormat,
                                                          {learning.path()->goal}));
    }

    void confirmedPractice() {
        Chat c;
        c.ask(QStringLiteral("出题：有理数的加减法"));
        QCOMPARE(c.last().kind(), ChatMessage::Kind::Confirm);
        const qsizetype before = Analytics::shared().queuedCount();
        c.chat->askConfirm(c.last().messageId());
        c.chat->performConfirm();
        QTRY_VERIFY_WITH_TIMEOUT(c.chat->toast().has_value(), 10000);
        QVERIFY(!c.chat->toastText().isEmpty());
        QStringList names;
        for (const Analytics::Event &event : Analytics::shared().queuedEvents().mid(before))
            names << event.name;
        QCOMPARE(names, (QStringList{"task_create", "gen_request"}));
    }

    // Every question the chat suggests, from the service's catalog or from the app's own, is answered
    // without naming content by a code: no chapter or point id ("math-g7a-c3") and no chapter number
    // ("M7-3") in what the chat then shows. The service's suggestions name none themselves either.
    void suggestedQuestionsShowNoCodes() {
        Chat c;
        Await::result(c.store.loadCatalog(c.service.session.get(), true));
        static const QRegularExpression code(QStringLiteral("math-g\\d|M\\d+-\\d+"));
        QStringList asked;
        const RobotCatalog service = c.store.catalog();
        QVERIFY(service != RobotStore::builtInCatalog());
        for (const RobotCatalog *catalog : {&service, &RobotStore::builtInCatalog()}) {
            for (const RobotCatalog::Scene &scene : catalog->scenes) {
                for (const QString &prompt : scene.prompts) {
                    if (catalog == &service)
                        QVERIFY2(!prompt.contains(code), qPrintable(prompt));
                    if (asked.contains(prompt))
                        continue;
                    asked << prompt;
                    c.chat->clear();
                    c.ask(prompt);
                    QVERIFY2(c.count() > 2, qPrintable(prompt));
                    for (int row = 2; row < c.count(); ++row) {
                        const ChatMessage &shown = c.entry(row);
                        const QString texts =
                            shown.displayText() + shown.cardDisplayTitle() + shown.cardSummary();
                        QVERIFY2(!texts.contains(code), qPrintable(prompt + QStringLiteral(" → ") + texts));
                    }
                }
            }
        }
        // Both ways of naming a chapter to learn bring the card for its path, under its name.
        for (const auto &[prompt, chapter] :
             {std::pair{"我想学有理数这一章", "有理数"}, std::pair{"我想学 M7-3 这一章", "一元一次方程"}}) {
            QVERIFY(asked.contains(QString::fromUtf8(prompt)));
            c.chat->clear();
            c.ask(QString::fromUtf8(prompt));
            QCOMPARE(c.last().kind(), ChatMessage::Kind::Confirm);
            QCOMPARE(c.last().cardSummary(),
                     QStringLiteral("为你创建章节 %1 的学习路径").arg(QString::fromUtf8(chapter)));
        }
    }
};

QTEST_GUILESS_MAIN(TestCompanionEndToEnd)
#include "tst_companion_e2e.moc"
