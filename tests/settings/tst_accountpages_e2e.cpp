// The account information and companion memories pages against the local stand-in: the birth month the
// learner gave shows with the account's status; the seeded memories list, one goes, the rest are cleared,
// and a page opened afterwards finds none.
#include "LocalService.h"
#include "MemoriesViewModel.h"
#include "ProfileBirthInfoViewModel.h"

#include <httplib.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

class TestAccountPagesE2E : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void accountInformation() {
        LocalService service(QStringLiteral("13800138401"));
        httplib::Client client("127.0.0.1", service.server.port());
        const httplib::Headers bearer{
            {"Authorization", "Bearer " + service.session->accessToken().value_or(QString()).toStdString()}};
        const QByteArray month =
            QJsonDocument(QJsonObject{{"birth_year_month", "2014-09"}}).toJson(QJsonDocument::Compact);
        const httplib::Result put =
            client.Put("/api/v1/me/profile", bearer, month.toStdString(), "application/json");
        QVERIFY(put && put->status == 200);

        ProfileBirthInfoViewModel page;
        page.setSession(service.session.get());
        Await::result(page.runLoad());
        QVERIFY2(!page.alertVisible(), qPrintable(page.message()));
        QCOMPARE(page.birthText(), QStringLiteral("2014-09"));
        QVERIFY(page.statusText() != ProfileBirthInfoViewModel::placeholder);
    }

    void memoriesDeletedAndCleared() {
        LocalService service(QStringLiteral("13800138402"));
        MemoriesViewModel page;
        page.setSession(service.session.get());
        Await::result(page.runLoad());
        QVERIFY2(!page.alertVisible(), qPrintable(page.message()));
        QCOMPARE(page.entries().size(), 3);

        const MemoryEntry first = page.entries().first();
        Await::result(page.runDelete({first}));
        QVERIFY2(!page.alertVisible(), qPrintable(page.message()));
        QCOMPARE(page.entries().size(), 2);
        QVERIFY(!page.entries().contains(first));

        MemoriesViewModel reopened;
        reopened.setSession(service.session.get());
        Await::result(reopened.runLoad());
        QCOMPARE(reopened.entries(), page.entries());

        Await::result(page.runClearAll());
        QVERIFY2(!page.alertVisible(), qPrintable(page.message()));
        QVERIFY(page.showsEmpty());
        Await::result(reopened.runLoad());
        QVERIFY(reopened.entries().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAccountPagesE2E)
#include "tst_accountpages_e2e.moc"
