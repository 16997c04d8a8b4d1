// How fast a reply grows: deltas applied to the reply of a long conversation, and a long unpaced reply
// streamed over the loopback network.

#include "CompanionChatViewModel.h"
#include "Completion.h"
#include "FakeSpeech.h"
#include "LocalService.h"
#include "RobotStore.h"
#include "SpeechPlayer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

namespace {

struct Rig {
    RobotStore store;
    std::unique_ptr<SpeechPlayer> speech;
    std::unique_ptr<CompanionChatViewModel> chat;

    explicit Rig(AppSession *session) {
        store.setAutoSpeak(false);
        SpeechPlayer::Dependencies speechDependencies;
        speechDependencies.store = &store;
        speechDependencies.synthesizer = std::make_shared<FakeSpeechSynthesizer>();
        speechDependencies.makeAudioPlayer = [] { return std::shared_ptr<AudioPlayer>(); };
        speech = std::make_unique<SpeechPlayer>(std::move(speechDependencies));
        chat = std::make_unique<CompanionChatViewModel>(
            CompanionChatViewModel::Dependencies{&store, speech.get(), 3000});
        chat->setSession(session);
    }
};

const QString kPieces[] = {QStringLiteral("先"), QStringLiteral("想一"), QStringLiteral("想看x")};

} // namespace

class BenchCompanionChat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // 10 000 deltas of 1 to 3 characters into the reply of a 300-entry conversation: each is one
    // dataChanged of that row, never a reset.
    void deltasIntoALongConversation() {
        TestPlatform platform;
        AppSession session;
        Rig rig(&session);
        platform.transport->fallback = [](const HttpRequest &) {
            return FakeTransport::Reply::json(200,
                                              "event: delta\ndata: {\"text\":\"好的，我们一步一步来。\"}\n");
        };
        for (int turn = 0; turn < 149; ++turn) {
            rig.chat->send(QStringLiteral("第 %1 问").arg(turn));
            QTRY_VERIFY(!rig.chat->isStreaming());
        }
        // The 150th turn streams: its reply is the conversation's last entry, number 300.
        auto hold = std::make_shared<Completion>();
        platform.transport->on("POST", QStringLiteral("/ai/v1/companion/chat:stream"),
                               FakeTransport::Reply::json(200, "event: done\ndata: {}\n").heldAfter(0, hold));
        rig.chat->send(QStringLiteral("最后一问"));
        QCOMPARE(rig.chat->messages().rows().size(), 301);
        const QUuid reply = rig.chat->messages().rows().last().id();
        const int replyRow = 300;
        QSignalSpy changes(rig.chat->messageList(), &QAbstractItemModel::dataChanged);
        QSignalSpy resets(rig.chat->messageList(), &QAbstractItemModel::modelReset);
        QSignalSpy layouts(rig.chat->messageList(), &QAbstractItemModel::layoutChanged);
        constexpr int kDeltas = 10000;
        int rounds = 0;
        QBENCHMARK {
            ++rounds;
            for (int i = 0; i < kDeltas; ++i)
                rig.chat->apply(CompanionEvent{CompanionEvents::Delta{kPieces[i % 3]}}, reply, {});
        }
        QCOMPARE(changes.size(), rounds * kDeltas);
        for (const QList<QVariant> &change : std::as_const(changes))
            QCOMPARE(change.at(0).toModelIndex().row(), replyRow);
        QCOMPARE(resets.size(), 0);
        QCOMPARE(layouts.size(), 0);
        QCOMPARE(rig.chat->messages().at(replyRow).text().size(), rounds * (kDeltas / 3) * 6 + rounds);
        hold->finish();
        QTRY_VERIFY(!rig.chat->isStreaming());
    }

    // 5 000 unpaced deltas from the local service, applied in order.
    void unpacedDeltasOverLoopback() {
        LocalService service(QStringLiteral("13800138031"));
        Rig rig(service.session.get());
        constexpr int kDeltas = 5000;
        std::string body = ": bench\n";
        QString expected;
        for (int i = 0; i < kDeltas; ++i) {
            const QString piece = QString::number(i % 1000) + u'|';
            expected += piece;
            body += "event: delta\ndata: {\"text\":\"" + piece.toStdString() + "\"}\n\n";
        }
        service.server.scriptCompanionStream(body);
        QElapsedTimer timer;
        QBENCHMARK_ONCE {
            timer.start();
            rig.chat->send(QStringLiteral("长回答"));
            QTRY_VERIFY_WITH_TIMEOUT(!rig.chat->isStreaming(), 60000);
        }
        qInfo("5000 deltas over loopback: %lld ms", timer.elapsed());
        QCOMPARE(rig.chat->messages().rows().last().text(), expected);
    }
};

QTEST_GUILESS_MAIN(BenchCompanionChat)
#include "bench_companionchat.moc"
