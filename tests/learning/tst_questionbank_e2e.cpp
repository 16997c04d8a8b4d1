// The question bank against the local stand-in of the service, over the real network stack: chapters, then a
// chapter's points, a batch and "换一批", a request for a generated set, and a question opened in the
// practice screen.

#include "Analytics.h"
#include "AppFonts.h"
#include "AppSession.h"
#include "AuthAPIClient.h"
#include "Await.h"
#include "DevServer.h"
#include "Platform.h"
#include "PracticeViewModel.h"
#include "QmlHarness.h"
#include "QuestionBankViewModel.h"
#include "TestPlatform.h"

#include <QQuickItem>
#include <QTest>

#include <algorithm>
#include <memory>

class TestQuestionBankEndToEnd : public QObject {
    Q_OBJECT

private:
    DevServer m_server;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<NetworkTransport> m_network;
    std::unique_ptr<Platform::Override> m_realNetwork;
    std::unique_ptr<AppSession> m_session;

private Q_SLOTS:
    void initTestCase() {
        AppFonts::install(*qGuiApp);
        QVERIFY(m_server.start(0) > 0);
        const QString base = QString::fromStdString(m_server.baseUrl());
        m_platform = std::make_unique<TestPlatform>(QJsonObject{{QStringLiteral("QVLApiBaseURL"), base},
                                                                {QStringLiteral("QVLAiBaseURL"), base},
                                                                {QStringLiteral("QVLTradeBaseURL"), base}});
        m_network = std::make_unique<NetworkTransport>();
        Platform::Services services;
        services.transport = std::shared_ptr<Transport>(m_network.get(), [](Transport *) {});
        m_realNetwork = std::make_unique<Platform::Override>(services);
        m_session = std::make_unique<AppSession>();
        const AuthAPIClient auth;
        m_session->storeGrant(Await::result(auth.login(
            QStringLiteral("13800138000"), QString::fromStdString(DevServer::smsCode()), *m_session)));
        QVERIFY(m_session->isLoggedIn());
    }

    void cleanupTestCase() {
        m_session.reset();
        m_realNetwork.reset();
        m_network.reset();
        m_platform.reset();
        m_server.stop();
    }

    void chaptersToPractice() {
        QmlHarness::WarningGuard guard;
        QmlHarness::View view(QSize(430, 932));
        guard.watch(view.engine());
        QVERIFY2(view.loadData(R"(
            import QtQuick
            import QtQuick.Controls.Basic
            import Quorvel.Core
            import Quorvel.Learning
            StackView {
                id: stack
                property AppSession session
                initialItem: QuestionBankView { session: stack.session }
            })",
                               {{"session", QVariant::fromValue(m_session.get())}}),
                 qPrintable(view.error()));
        QQuickItem *bank = view.root()->property("currentItem").value<QQuickItem *>();
        auto *vm = bank->property("viewModel").value<QuestionBankViewModel *>();
        QTRY_VERIFY(vm->chapters().size() >= 3);
        QCOMPARE(vm->chapterOptions().value(1), QStringLiteral("有理数"));

        vm->setChapterIndex(1);
        QTRY_VERIFY(vm->points().size() >= 3);
        vm->setPointIndex(1);
        QTRY_VERIFY(view.find("emptySection", true));

        // The first batch, then "换一批" without the questions on screen.
        vm->pick();
        QTRY_VERIFY(!vm->loading());
        QVERIFY2(!vm->hasError(), qPrintable(vm->errorText()));
        const QList<VariantQuestion> first = vm->questions();
        QVERIFY(!first.isEmpty() && first.size() <= QuestionBankViewModel::batchSize);
        vm->pick();
        QTRY_VERIFY(!vm->loading());
        QVERIFY2(!vm->hasError(), qPrintable(vm->errorText()));
        for (const VariantQuestion &question : vm->questions())
            QVERIFY(std::none_of(first.cbegin(), first.cend(), [&](const VariantQuestion &shown) {
                return shown.questionId == question.questionId;
            }));
        if (vm->questions().isEmpty()) {
            // The point's questions all went by: back to the empty state, where a set can be asked for.
            QTRY_VERIFY(view.find("emptySection", true));
            vm->requestSet();
            QTRY_VERIFY(!vm->requesting());
            QVERIFY2(vm->hasRequestNote(), qPrintable(vm->errorText()));
            QVERIFY(!vm->canRequest());
            vm->pick(); // the bank starts over
            QTRY_VERIFY(!vm->loading());
        }
        QTRY_VERIFY(view.find("questionRow", true));
        QTest::qWait(200);

        const VariantQuestion shown = vm->questions().first();
        QVERIFY(view.click(view.find("questionRow", true)));
        QTRY_COMPARE(view.root()->property("depth").toInt(), 2);
        QQuickItem *practice = view.root()->property("currentItem").value<QQuickItem *>();
        QCOMPARE(practice->property("questionId").toString(), QString::number(shown.questionId));
        QCOMPARE(practice->property("stemText").toString(), PracticeViewModel::stemTextOf(shown));
        QCOMPARE(practice->property("source").toString(), QStringLiteral("practice"));
        QCOMPARE(practice->property("options").toList().size(),
                 shown.options.value_or(QList<QuestionSnapshot::Option>()).size());
        QCOMPARE(practice->property("session").value<AppSession *>(), m_session.get());

        // Back on the bank: the batch is still there.
        QVERIFY(QMetaObject::invokeMethod(practice, "leave"));
        QTRY_COMPARE(view.root()->property("depth").toInt(), 1);
        QCOMPARE(vm->questions().first(), shown);
        QCOMPARE(guard.warnings(), QStringList());
    }

    void requestForAPoint() {
        QuestionBankViewModel vm;
        vm.setSession(m_session.get());
        vm.appear();
        QTRY_VERIFY(!vm.chapters().isEmpty());
        vm.setChapterIndex(2);
        QTRY_VERIFY(!vm.points().isEmpty());
        vm.setPointIndex(1);
        vm.requestSet();
        QTRY_VERIFY(!vm.requesting());
        QVERIFY2(vm.hasRequestNote(), qPrintable(vm.errorText()));
        vm.setDifficultyIndex(0);
        QVERIFY(vm.canRequest());
        vm.setDifficultyIndex(2);
        vm.requestSet(); // the same again: the service merges it and says so
        QTRY_VERIFY(!vm.requesting());
        QVERIFY(vm.requestNoteText().contains(QStringLiteral("合并")));

        // A screen closed right after the tap: its request goes on, and its answer is recorded.
        auto closing = std::make_unique<QuestionBankViewModel>();
        closing->setSession(m_session.get());
        closing->appear();
        QTRY_VERIFY(!closing->chapters().isEmpty());
        closing->setChapterIndex(2);
        QTRY_VERIFY(!closing->points().isEmpty());
        closing->setPointIndex(1);
        const QString kp = closing->point()->code;
        const qsizetype before = Analytics::shared().queuedCount();
        closing->requestSet();
        closing->disappear();
        closing.reset();
        const auto recorded = [&] {
            const QList<Analytics::Event> events = Analytics::shared().queuedEvents().mid(before);
            return std::any_of(events.begin(), events.end(), [&](const Analytics::Event &event) {
                return event.name == QStringLiteral("gen_request") && event.props.value("kp_code") == kp;
            });
        };
        QTRY_VERIFY(recorded());
    }
};

QTEST_MAIN(TestQuestionBankEndToEnd)
#include "tst_questionbank_e2e.moc"
