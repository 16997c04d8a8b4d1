// Pictures of the learning tab with the local stand-in's sample content, for looking at the layout: set
// QVL_SCREENSHOT_DIR to a folder (and optionally QVL_SCREENSHOT_SIZE=WIDTHxHEIGHT) and run it under any
// platform plugin. Without the folder it skips.
#include "AppFonts.h"
#include "AppSession.h"
#include "AuthAPIClient.h"
#include "Await.h"
#include "ChapterPickerViewModel.h"
#include "DevServer.h"
#include "LearningHomeViewModel.h"
#include "Platform.h"
#include "QmlHarness.h"
#include "TestPlatform.h"

#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QtQml/QQmlExtensionPlugin>

#include <memory>

namespace {

QQuickItem *findNamed(QQuickItem *root, const QString &name) {
    return QmlHarness::findItem(root, name, true);
}

} // namespace

class TestLearningHomeScreenshots : public QObject {
    Q_OBJECT

private:
    QSize m_size;
    DevServer m_server;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<NetworkTransport> m_network;
    std::unique_ptr<Platform::Override> m_realNetwork;
    std::unique_ptr<AppSession> m_session;

    // The tab as the shell shows it: the learning home at the root of a StackView.
    struct Tab {
        QQmlEngine engine;
        std::unique_ptr<QObject> object;
        QQuickItem *stack = nullptr;
        QQuickItem *home = nullptr;
        QQuickWindow window;

        LearningHomeViewModel *viewModel() const {
            return home->property("viewModel").value<LearningHomeViewModel *>();
        }
        QQuickItem *content() const {
            return findNamed(home, QStringLiteral("learningContent"))->property("item").value<QQuickItem *>();
        }
    };

    std::unique_ptr<Tab> openTab() {
        auto tab = std::make_unique<Tab>();
        QQmlComponent component(&tab->engine);
        component.setData(R"(
            import QtQuick
            import QtQuick.Controls
            import Quorvel.Core
            import Quorvel.Learning
            StackView {
                id: stack
                property AppSession session
                initialItem: LearningHomeView { session: stack.session }
            })",
                          QUrl(QStringLiteral("qrc:/LearningTab.qml")));
        tab->object.reset(
            component.createWithInitialProperties({{"session", QVariant::fromValue(m_session.get())}}));
        tab->stack = qobject_cast<QQuickItem *>(tab->object.get());
        if (!tab->stack) {
            qWarning("%s", qPrintable(component.errorString()));
            return nullptr;
        }
        tab->window.resize(m_size);
        tab->stack->setParentItem(tab->window.contentItem());
        tab->stack->setSize(tab->window.size());
        tab->window.show();
        if (!QTest::qWaitForWindowExposed(&tab->window))
            return nullptr;
        tab->home = tab->stack->property("currentItem").value<QQuickItem *>();
        return tab;
    }

    void save(Tab &tab, const QString &name) {
        QTest::qWait(400); // images decoded, animations settled
        QVERIFY(QmlHarness::saveScreenshot(tab.window, QStringLiteral("learning-") + name));
    }

    // The picker on show, its chapters loaded.
    ChapterPickerViewModel *pickerOf(Tab &tab) {
        QQuickItem *picker = tab.content();
        if (!picker)
            return nullptr;
        auto *vm = picker->property("viewModel").value<ChapterPickerViewModel *>();
        if (!vm || !QTest::qWaitFor([vm] { return vm->hasChapters(); }, 5000))
            return nullptr;
        return vm;
    }

private Q_SLOTS:
    void initTestCase() {
        if (QmlHarness::screenshotFolder().isEmpty())
            QSKIP("QVL_SCREENSHOT_DIR is not set");
        AppFonts::install(*qGuiApp);
        m_size = QmlHarness::screenshotSize();

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
    }

    void cleanupTestCase() {
        m_session.reset();
        m_realNetwork.reset();
        m_network.reset();
        m_platform.reset();
        m_server.stop();
    }

    // No path yet: the header, the topic box and the first chapters; then further down the chapter list.
    void picker() {
        m_session->setLastPathId(std::nullopt);
        auto tab = openTab();
        QVERIFY(tab);
        QVERIFY(pickerOf(*tab));
        save(*tab, QStringLiteral("home-no-path"));

        QQuickItem *flick = findNamed(tab->home, QStringLiteral("chapterPickerFlickable"));
        QVERIFY(flick);
        flick->setProperty("contentY", 330);
        save(*tab, QStringLiteral("chapter-picker"));
    }

    // A typed topic with the proposals, and one the service does not cover.
    void topicBox() {
        m_session->setLastPathId(std::nullopt);
        auto tab = openTab();
        QVERIFY(tab);
        ChapterPickerViewModel *picker = pickerOf(*tab);
        QVERIFY(picker);
        picker->topicBox()->setTopicText(QStringLiteral("我想学绝对值和数轴"));
        Await::result(picker->topicBox()->resolveTopic());
        QVERIFY(!picker->topicBox()->candidateCards().isEmpty());
        save(*tab, QStringLiteral("topic-candidates"));

        picker->topicBox()->setTopicText(QStringLiteral("我想学天文望远镜"));
        Await::result(picker->topicBox()->resolveTopic());
        save(*tab, QStringLiteral("topic-out-of-scope"));
    }

    // A path from a chapter, fresh and after the first lesson; the menu; an alert.
    void pathList() {
        m_session->setLastPathId(std::nullopt);
        auto tab = openTab();
        QVERIFY(tab);
        ChapterPickerViewModel *picker = pickerOf(*tab);
        QVERIFY(picker);
        LearningHomeViewModel *home = tab->viewModel();
        home->pickChapter(picker->chapters().first().code);
        QTRY_COMPARE_WITH_TIMEOUT(home->face(), LearningHomeViewModel::PathList, 5000);
        save(*tab, QStringLiteral("path-list"));

        const LearningPathView path = *home->store()->path();
        QVERIFY(Await::result(home->store()->completeItem(path.pathId, path.items[0].itemId)));
        save(*tab, QStringLiteral("path-list-second-lesson"));

        QQuickItem *menuButton = findNamed(tab->home, QStringLiteral("learningMenuButton"));
        QVERIFY(menuButton);
        QTest::mouseClick(
            &tab->window, Qt::LeftButton, {},
            menuButton->mapToScene(QPointF(menuButton->width() / 2, menuButton->height() / 2)).toPoint());
        save(*tab, QStringLiteral("path-menu"));
        QTest::keyClick(&tab->window, Qt::Key_Escape);

        m_server.failNext("/api/v1/learning-paths/" + std::to_string(path.pathId), 503);
        Await::result(home->runRefresh());
        QVERIFY(home->alertVisible());
        save(*tab, QStringLiteral("refresh-alert"));
        home->dismissAlert();
    }

    void loading() {
        m_session->setLastPathId(1);
        m_server.delayNext("/api/v1/learning-paths/1", 3000);
        auto tab = openTab();
        QVERIFY(tab);
        QTRY_COMPARE(tab->viewModel()->face(), LearningHomeViewModel::Loading);
        save(*tab, QStringLiteral("loading"));
    }
};

QTEST_MAIN(TestLearningHomeScreenshots)
#include "tst_learninghomescreenshots.moc"
