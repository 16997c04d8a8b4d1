// A new account against the local stand-in over the real network: the root view asks its birth month, the
// learner confirms, and the tab shell follows with the status kept.
#include "AppFonts.h"
#include "LocalService.h"
#include "ProfileBirthViewModel.h"
#include "QmlHarness.h"
#include "QmlModules.h"
#include "UserDefaults.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QTest>

QVL_IMPORT_QML_MODULES()

class TestProfileBirthE2E : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }

    void newAccountGivesItsBirthMonth() {
        LocalService service(QStringLiteral("13800138100"), "PendingProfile");
        AppSession &session = *service.session;
        QCOMPARE(session.statusText(), QStringLiteral("PendingProfile"));

        QmlHarness::View shown(QSize(390, 844));
        QVERIFY2(shown.loadType(QStringLiteral("RootView"), {{"session", QVariant::fromValue(&session)}}),
                 qPrintable(shown.error()));
        QQuickItem *page = nullptr;
        QTRY_VERIFY((page = shown.find(QStringLiteral("profileBirthView"))));
        auto *model = page->property("viewModel").value<ProfileBirthViewModel *>();
        QVERIFY(model);
        model->setYear(2010);
        model->setMonth(3);

        QVERIFY(shown.click(QStringLiteral("confirmButton")));
        QTRY_VERIFY(model->confirming());
        QQuickItem *confirm = nullptr;
        // The dialog lives in the window's overlay, beside the page.
        QTRY_VERIFY((confirm = QmlHarness::findItem(shown.window().contentItem(),
                                                    QStringLiteral("alertButton0"), true)));
        QCOMPARE(confirm->property("text").toString(), QStringLiteral("确认 2010 年 3 月"));
        QVERIFY(shown.click(confirm));

        QTRY_COMPARE_WITH_TIMEOUT(session.statusText(), QStringLiteral("Active"), 10000);
        QTRY_VERIFY(!shown.find(QStringLiteral("profileBirthView")));
        QTRY_VERIFY(shown.find(QStringLiteral("tabShell")));
        QCOMPARE(service.platform->defaults->stringValue(QStringLiteral("qvl.status")),
                 std::optional<QString>(QStringLiteral("Active")));

        // The month is kept on the server and cannot be given twice.
        ProfileBirthViewModel again;
        again.setSession(&session);
        Await::result(again.submit());
        QCOMPARE(again.errorMessage(), QStringLiteral("出生年月已提交，不能修改"));
        QCOMPARE(session.statusText(), QStringLiteral("Active"));
        const MeResponse me = Await::result(ApiClient(session).send<MeResponse>(
            ApiClient(session).request("GET", QStringLiteral("/api/v1/me"))));
        QCOMPARE(me.birthYearMonth, std::optional<QString>(QStringLiteral("2010-03")));
    }
};

QTEST_MAIN(TestProfileBirthE2E)
#include "tst_profilebirth_e2e.moc"
