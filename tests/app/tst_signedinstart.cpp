// The signed-in start against the local stand-in: its first screen loads the files of what it shows and not
// those of what only a later action shows (the layout editor, the page menu and alert, the purchase sheet,
// the rest notice), and each of those still comes when it is called for, with its keys: the editor when
// editing begins, the purchase sheet on a purchase (Escape declines, Return buys), the rest notice when the
// server calls a rest, also on a start with the rest already called, and again after it was lifted once.
#include "AppFonts.h"
#include "Await.h"
#include "HomeLayoutStore.h"
#include "LocalService.h"
#include "MainGateViewModel.h"
#include "PurchaseConfirmation.h"
#include "QmlHarness.h"
#include "YouthModeGuard.h"

#include <httplib.h>

#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlAbstractUrlInterceptor>
#include <QQmlEngine>
#include <QQuickItem>
#include <QTest>

#include <memory>

namespace {

constexpr int kWait = 15000;

using QmlHarness::visibleNamed;

// Every QML file the engine loads, by name, in the order it asks for them.
struct FileRecorder : QQmlAbstractUrlInterceptor {
    QStringList files;
    QUrl intercept(const QUrl &url, DataType type) override {
        if (type == QmlFile && !files.contains(url.fileName()))
            files.append(url.fileName());
        return url;
    }
};

// The stand-in's control of the youth guard: a rest called now for `phone`, or lifted.
void callRest(const LocalService &service, const QString &phone, bool rest) {
    httplib::Client control("127.0.0.1", service.server.port());
    const std::string bearer = "Bearer " + service.session->accessToken().value_or(QString()).toStdString();
    if (rest) {
        const QByteArray body =
            QJsonDocument(QJsonObject{{"phone", phone}, {"enforced", true}, {"blocked_now", true}})
                .toJson(QJsonDocument::Compact);
        const httplib::Result result =
            control.Post("/__dev/usage", {{"Authorization", bearer}}, body.toStdString(), "application/json");
        QVERIFY(result && result->status == 204);
    } else {
        QVERIFY(control.Delete(("/__dev/usage?phone=" + phone).toStdString()));
    }
}

} // namespace

class TestSignedInStart : public QObject {
    Q_OBJECT

    std::unique_ptr<LocalService> m_service;
    FileRecorder m_files;
    std::unique_ptr<QmlHarness::View> m_view;
    std::unique_ptr<QmlHarness::WarningGuard> m_warnings;

    // The app's root view on an account past its first run, recording the files it loads; `rest` has the
    // server call a rest before the start.
    bool start(const QString &phone, bool rest) {
        m_service = std::make_unique<LocalService>(phone, "Active");
        m_service->session->setOnboardingDone(true);
        m_service->session->setProfileAsked(true);
        if (rest)
            callRest(*m_service, phone, true);
        m_files.files.clear();
        m_view = std::make_unique<QmlHarness::View>(QSize(900, 700));
        m_warnings = std::make_unique<QmlHarness::WarningGuard>();
        m_warnings->watch(m_view->engine());
        m_view->engine().addUrlInterceptor(&m_files);
        return m_view->loadType(QStringLiteral("RootView"),
                                {{"session", QVariant::fromValue(m_service->session.get())}});
    }
    MainGateViewModel *gate() const { return m_view->root()->findChild<MainGateViewModel *>(); }
    QObject *loaded(const char *loader) const {
        QObject *found = m_view->root()->findChild<QObject *>(QString::fromLatin1(loader));
        return found ? found->property("item").value<QObject *>() : nullptr;
    }

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }

    void cleanup() {
        if (m_view)
            m_view->engine().removeUrlInterceptor(&m_files);
        if (m_warnings)
            QCOMPARE(m_warnings->warnings(), QStringList());
        m_view.reset();
        m_warnings.reset();
        m_service.reset();
    }

    // The home tab comes in without the editor, the purchase sheet and the rest notice; each is loaded when
    // it is first called for and works as before.
    void laterPartsLoadWhenCalledFor() {
        QVERIFY2(start(QStringLiteral("13800138301"), false), qPrintable(m_view->error()));
        QQuickItem *home = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((home = m_view->find(QStringLiteral("homeStack"), true)), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(gate() && gate()->youth()->hasSnapshot(), kWait);
        QTest::qWait(200);
        if (qEnvironmentVariableIsSet("QVL_TEST_LIST_FILES"))
            qInfo().noquote() << "files of the signed-in start:" << m_files.files.join(u' ');
        QVERIFY(m_files.files.contains(QStringLiteral("MainGateView.qml")));
        QVERIFY(m_files.files.contains(QStringLiteral("HomeLayoutView.qml")));
        for (const char *later : {"HomeLayoutEditor.qml", "PurchaseConfirmSheet.qml", "YouthRestOverlay.qml",
                                  "HomeMenu.qml", "MenuPopup.qml", "Alert.qml"})
            QVERIFY2(!m_files.files.contains(QString::fromLatin1(later)), later);

        // The editor while editing, the page again after it.
        QObject *page = QmlHarness::rootPageOf(home);
        QVERIFY(page);
        auto *store = page->property("store").value<HomeLayoutStore *>();
        QVERIFY(store);
        QTRY_VERIFY_WITH_TIMEOUT(!store->loading(), kWait);
        store->beginEditing();
        QTRY_VERIFY_WITH_TIMEOUT(m_view->find(QStringLiteral("homeEditor"), true), kWait);
        QVERIFY(m_files.files.contains(QStringLiteral("HomeLayoutEditor.qml")));
        store->cancelEditing();
        QTRY_VERIFY_WITH_TIMEOUT(!m_view->find(QStringLiteral("homeEditor")), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(m_view->find(QStringLiteral("homeStack"), true), kWait);

        // A purchase: the sheet opens on the question with the product; Escape declines it; the next
        // question opens the same sheet again, and Return buys.
        PurchaseConfirmation &confirmation = PurchaseConfirmation::shared();
        const StoreProduct product{QStringLiteral("vip.month"), QStringLiteral("月度会员"),
                                   QStringLiteral("¥30.00")};
        for (const bool buy : {false, true}) {
            QCoro::Task<bool> answer = confirmation.confirm(product);
            QObject *sheet = nullptr;
            QTRY_VERIFY_WITH_TIMEOUT((sheet = loaded("purchaseSheetLoader")), kWait);
            QTRY_VERIFY_WITH_TIMEOUT(sheet->property("opened").toBool(), kWait);
            QVERIFY(m_files.files.contains(QStringLiteral("PurchaseConfirmSheet.qml")));
            QQuickItem *name = QmlHarness::findItem(m_view->window().contentItem(),
                                                    QStringLiteral("purchaseProductName"), true);
            QVERIFY(name);
            QCOMPARE(name->property("text").toString(), product.displayName);
            QTest::keyClick(&m_view->window(), buy ? Qt::Key_Return : Qt::Key_Escape);
            QCOMPARE(Await::result(answer), buy);
            QTRY_VERIFY_WITH_TIMEOUT(!sheet->property("visible").toBool(), kWait);
            QVERIFY(!confirmation.active());
        }
    }

    // The rest notice: shown at the start when the server has already called a rest, gone when it is
    // lifted, and back when it is called again.
    void restNoticeOnAStartWithTheRestCalled() {
        const QString phone = QStringLiteral("13800138302");
        QVERIFY2(start(phone, true), qPrintable(m_view->error()));
        QTRY_VERIFY_WITH_TIMEOUT(gate() && gate()->youth()->overlayShown(), kWait);
        QQuickItem *window = m_view->window().contentItem();
        QTRY_VERIFY_WITH_TIMEOUT(visibleNamed(window, QStringLiteral("restTitle")).value(0), kWait);
        QObject *rest = loaded("youthRestLoader");
        QVERIFY(rest);
        QTRY_VERIFY_WITH_TIMEOUT(rest->property("opened").toBool(), kWait);
        QCOMPARE(QmlHarness::topModalPopup(m_view->window()),
                 rest->property("contentItem").value<QQuickItem *>()->parentItem());
        QTest::keyClick(&m_view->window(), Qt::Key_Escape); // it has no way out of its own
        QTest::qWait(100);
        QVERIFY(rest->property("visible").toBool());

        callRest(*m_service, phone, false);
        Await::result(gate()->youth()->heartbeat());
        QVERIFY(!gate()->youth()->overlayShown());
        QTRY_VERIFY_WITH_TIMEOUT(visibleNamed(window, QStringLiteral("restTitle")).isEmpty(), kWait);

        callRest(*m_service, phone, true);
        Await::result(gate()->youth()->heartbeat());
        QVERIFY(gate()->youth()->overlayShown());
        QTRY_VERIFY_WITH_TIMEOUT(visibleNamed(window, QStringLiteral("restTitle")).value(0), kWait);
        QQuickItem *message = visibleNamed(window, QStringLiteral("restMessage")).value(0);
        QVERIFY(message);
        QCOMPARE(message->property("text").toString(), gate()->youth()->overlayMessage());
        QVERIFY(!message->property("text").toString().isEmpty());
    }
};

QTEST_MAIN(TestSignedInStart)
#include "tst_signedinstart.moc"
