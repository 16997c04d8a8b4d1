// Pictures of the guest pages, for looking at the layout: set QVL_SCREENSHOT_DIR to a folder and run it under
// any platform plugin. The catalogue is loaded from the local stand-in of the service, so it shows real
// chapters and points. Without the folder it skips.
#include "AppFonts.h"
#include "AppSession.h"
#include "DevServer.h"
#include "GuestCatalogueViewModel.h"
#include "GuestHomeViewModel.h"
#include "LinkOpener.h"
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

class TestGuestScreenshots : public QObject {
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
        QTest::newRow("home-wide") << "home-wide" << QSize(1100, 760);
        QTest::newRow("home-wide-full") << "home-wide-full" << QSize(1100, 760);
        QTest::newRow("home-narrow") << "home-narrow" << QSize(390, 844);
        QTest::newRow("home-narrow-full") << "home-narrow-full" << QSize(390, 844);
        QTest::newRow("home-menu") << "home-menu" << QSize(1100, 760);
        QTest::newRow("home-safety") << "home-safety" << QSize(1100, 760);
        QTest::newRow("detail-hint") << "detail-hint" << QSize(1100, 760);
        QTest::newRow("detail-hint-large") << "detail-hint-large" << QSize(1100, 760);
        QTest::newRow("detail-hotline") << "detail-hotline" << QSize(390, 844);
        QTest::newRow("detail-privacy-unopened") << "detail-privacy-unopened" << QSize(1100, 760);
        QTest::newRow("catalogue-loading") << "catalogue-loading" << QSize(1100, 760);
        QTest::newRow("catalogue-chapters") << "catalogue-chapters" << QSize(1100, 760);
        QTest::newRow("catalogue-points") << "catalogue-points" << QSize(1100, 760);
        QTest::newRow("catalogue-narrow") << "catalogue-narrow" << QSize(390, 844);
        QTest::newRow("catalogue-failed") << "catalogue-failed" << QSize(1100, 760);
        QTest::newRow("login-cover") << "login-cover" << QSize(1100, 760);
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
        LinkOpener::setHandler([](const QUrl &) { return false; }); // a desktop with no browser or dialler

        if (state == QLatin1String("catalogue-loading"))
            m_server.delayNext("/api/v1/knowledge/chapters", 3000);
        if (state == QLatin1String("catalogue-failed"))
            m_server.failNext("/api/v1/knowledge/chapters", 503);

        QQmlEngine engine;
        QQmlComponent component(&engine, QmlHarness::moduleUrl(QStringLiteral("GuestHomeView")));
        QVERIFY2(component.isReady(), qPrintable(component.errorString()));
        std::unique_ptr<QObject> object(
            component.createWithInitialProperties({{"session", QVariant::fromValue(&session)}}));
        auto *view = qobject_cast<QQuickItem *>(object.get());
        QVERIFY(view);
        auto *vm = view->property("viewModel").value<GuestHomeViewModel *>();
        QVERIFY(vm);

        QQuickWindow window;
        window.resize(size);
        view->setParentItem(window.contentItem());
        view->setSize(window.size());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(100);

        auto *page = view->findChild<QQuickItem *>(QStringLiteral("guestPage"));
        QVERIFY(page);
        if (state.endsWith(QLatin1String("-full"))) {
            // The whole page at once: the window as tall as the page.
            const qreal height = page->property("contentHeight").toReal();
            window.resize(size.width(), int(height));
            view->setSize(window.size());
        } else if (state == QLatin1String("home-menu")) {
            auto *button = view->findChild<QQuickItem *>(QStringLiteral("menuButton"));
            QTest::mouseClick(
                &window, Qt::LeftButton, {},
                button->mapToScene(QPointF(button->width() / 2, button->height() / 2)).toPoint());
        } else if (state == QLatin1String("home-safety")) {
            vm->triggerMenu(3); // "安心学习"
        } else if (state.startsWith(QLatin1String("detail-"))) {
            if (state.startsWith(QLatin1String("detail-hint")))
                vm->tapCard(GuestHomeViewModel::Features, 0);
            else if (state == QLatin1String("detail-hotline"))
                vm->tapCard(GuestHomeViewModel::Safety, 2);
            else
                vm->tapCard(GuestHomeViewModel::Safety, 1);
            if (state.endsWith(QLatin1String("-large")))
                vm->toggleDetailHeight();
            if (state.endsWith(QLatin1String("-unopened")))
                vm->detailSheet()->trigger();
        } else if (state.startsWith(QLatin1String("catalogue-"))) {
            vm->openCatalog();
            QTest::qWait(50);
            QObject *loader = view->findChild<QObject *>(QStringLiteral("catalogueSheet"));
            QObject *sheet = loader->property("item").value<QObject *>();
            QVERIFY(sheet);
            auto *catalogue = sheet->property("viewModel").value<GuestCatalogueViewModel *>();
            QVERIFY(catalogue);
            if (state != QLatin1String("catalogue-loading"))
                QTRY_VERIFY_WITH_TIMEOUT(!catalogue->loading(), 10000);
            if (state == QLatin1String("catalogue-points")) {
                // Scrolled down to the second chapter's points.
                QObject *scroller = sheet->property("scroller").value<QObject *>();
                QVERIFY(scroller);
                scroller->setProperty("contentY", 520);
            }
        } else if (state == QLatin1String("login-cover")) {
            vm->openLogin();
        }
        QTest::qWait(600); // animations settle

        QVERIFY(QmlHarness::saveScreenshot(window, QStringLiteral("guest-") + state));
        LinkOpener::setHandler({});
    }

private:
    DevServer m_server;
};

QTEST_MAIN(TestGuestScreenshots)
#include "tst_guestscreenshots.moc"
