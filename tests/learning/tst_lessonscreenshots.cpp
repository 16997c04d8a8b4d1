// Pictures of the lesson page and the practice screen it opens, for looking at the layout: set
// QVL_SCREENSHOT_DIR to a folder and run it under any platform plugin. The lessons come from the local
// stand-in of the service, so they show the real sample content. Without the folder it skips.
#include "AppFonts.h"
#include "AppSession.h"
#include "AuthAPIClient.h"
#include "Await.h"
#include "DevServer.h"
#include "LearningItemDetailViewModel.h"
#include "LearningStore.h"
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

using QmlHarness::centreOf;
using QmlHarness::findItem;

// Scrolls the lesson's content to its end (again once the layout has settled).
void scrollToEnd(QQuickItem *page) {
    QQuickItem *scroller = findItem(page, QStringLiteral("contentFace"))->childItems().value(0);
    for (int pass = 0; pass < 2; ++pass) {
        QTest::qWait(150);
        scroller->setProperty("contentY",
                              qMax(0.0, scroller->property("contentHeight").toReal() - scroller->height()));
    }
    QTest::qWait(100);
}

} // namespace

class TestLessonScreenshots : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        if (QmlHarness::screenshotFolder().isEmpty())
            QSKIP("QVL_SCREENSHOT_DIR is not set");
        AppFonts::install(*qGuiApp);
        QVERIFY(m_server.start(0) > 0);
    }
    void cleanupTestCase() { m_server.stop(); }

    void states_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QSize>("size");
        QTest::newRow("loading") << "loading" << QSize(1024, 720);
        QTest::newRow("loaded") << "loaded" << QSize(1024, 720);
        QTest::newRow("loaded-full") << "loaded-full" << QSize(1024, 720);
        QTest::newRow("loaded-narrow-full") << "loaded-narrow-full" << QSize(390, 844);
        QTest::newRow("completing") << "completing" << QSize(1024, 720);
        QTest::newRow("completed-alert") << "completed-alert" << QSize(1024, 720);
        QTest::newRow("completed") << "completed" << QSize(1024, 720);
        QTest::newRow("preparing") << "preparing" << QSize(1024, 720);
        QTest::newRow("locked") << "locked" << QSize(1024, 720);
        QTest::newRow("practice") << "practice" << QSize(1024, 720);
    }
    void states() {
        QFETCH(QString, state);
        QFETCH(QSize, size);

        const QString base = QString::fromStdString(m_server.baseUrl());
        TestPlatform platform({{QStringLiteral("QVLApiBaseURL"), base},
                               {QStringLiteral("QVLAiBaseURL"), base},
                               {QStringLiteral("QVLTradeBaseURL"), base}});
        NetworkTransport network;
        Platform::Services services;
        services.transport = std::shared_ptr<Transport>(&network, [](Transport *) {});
        Platform::Override realNetwork(services);
        AppSession session;
        const AuthAPIClient auth;
        session.storeGrant(Await::result(auth.login(QStringLiteral("13700137000"),
                                                    QString::fromStdString(DevServer::smsCode()), session)));

        // A fresh path of the first chapter for every picture; the "preparing" one prepares nothing ahead.
        const LearningAPIClient client;
        const int prefetch = state == QLatin1String("preparing") ? 0 : 1;
        const LearningPathView path =
            Await::result(client.createPathFromChapter(QStringLiteral("math-g7a-c1"), prefetch, session));
        session.setLastPathId(path.pathId);
        LearningStore store(&session);
        Await::result(store.loadLastPath());
        const bool locked = state == QLatin1String("locked");
        const LearningItemView lesson = path.items[locked ? 1 : 0];
        const std::string lessonPath = "/api/v1/learning-paths/" + std::to_string(path.pathId) + "/items/" +
                                       std::to_string(lesson.itemId);
        if (state == QLatin1String("loading"))
            m_server.delayNext(lessonPath, 3000);
        if (state == QLatin1String("completed"))
            QVERIFY(Await::result(store.completeItem(path.pathId, lesson.itemId)));
        if (state == QLatin1String("completing"))
            m_server.delayNext(lessonPath + "/complete", 3000);

        QQmlEngine engine;
        QQmlComponent component(&engine);
        component.setData(R"(
            import QtQuick
            import QtQuick.Controls
            import Quorvel.Ui
            StackView {
                function open(properties) {
                    return push("qrc:/qt/qml/Quorvel/Learning/LearningItemDetailView.qml", properties, StackView.Immediate)
                }
                initialItem: Rectangle { color: Brand.brandMist }
            })",
                          QUrl(QStringLiteral("qrc:/LessonScreenshotHost.qml")));
        std::unique_ptr<QObject> object(component.create());
        auto *stack = qobject_cast<QQuickItem *>(object.get());
        QVERIFY2(stack, qPrintable(component.errorString()));
        QQuickWindow window;
        window.resize(size);
        stack->setParentItem(window.contentItem());
        stack->setSize(window.size());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QVariant pushed;
        QMetaObject::invokeMethod(stack, "open", Q_RETURN_ARG(QVariant, pushed),
                                  Q_ARG(QVariant, QVariantMap({{"session", QVariant::fromValue(&session)},
                                                               {"store", QVariant::fromValue(&store)},
                                                               {"pathId", path.pathId},
                                                               {"itemId", lesson.itemId}})));
        auto *page = pushed.value<QQuickItem *>();
        QVERIFY(page);
        auto *vm = page->property("viewModel").value<LearningItemDetailViewModel *>();
        QVERIFY(vm);
        if (state != QLatin1String("loading"))
            QTRY_VERIFY_WITH_TIMEOUT(!vm->loading(), 5000);

        if (state.endsWith(QLatin1String("-full"))) {
            auto *scroller = findItem(page, QStringLiteral("contentFace"))->childItems().value(0);
            QVERIFY(scroller);
            const qreal height = scroller->property("contentHeight").toReal() + 48;
            window.resize(size.width(), int(height));
            stack->setSize(window.size());
        } else if (state == QLatin1String("completed")) {
            scrollToEnd(page);
        } else if (state == QLatin1String("completing") || state == QLatin1String("completed-alert")) {
            scrollToEnd(page);
            auto *button = findItem(page, QStringLiteral("completeButton"));
            QVERIFY(button && button->isVisible());
            QTest::mouseClick(&window, Qt::LeftButton, {}, centreOf(button));
            if (state == QLatin1String("completing")) {
                QTRY_VERIFY(vm->completing());
            } else {
                QTRY_VERIFY_WITH_TIMEOUT(vm->completed(), 5000);
            }
        } else if (state == QLatin1String("practice")) {
            auto *row = findItem(page, QStringLiteral("exerciseRow0"));
            QVERIFY(row);
            scrollToEnd(page);
            QTest::mouseClick(&window, Qt::LeftButton, {}, centreOf(row));
            QTRY_COMPARE(stack->property("depth").toInt(), 3);
        }
        QTest::qWait(500); // transitions and animations settle

        QVERIFY(QmlHarness::saveScreenshot(window, QStringLiteral("lesson-") + state));
        // Let work under way end with its screen.
        QTRY_VERIFY_WITH_TIMEOUT(!vm->completing() && !vm->loading(), 5000);
    }

private:
    DevServer m_server;
};

QTEST_MAIN(TestLessonScreenshots)
#include "tst_lessonscreenshots.moc"
