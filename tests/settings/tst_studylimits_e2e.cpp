// The study-limits page against the local stand-in: a minor of 12 sees the defaults of their age, a save
// that drops the night rest is refused with the server's words and changes nothing, and a lowered daily limit
// with an added noon rest is saved and comes back as the server keeps it.
#include "LocalService.h"
#include "StudyLimitsViewModel.h"

#include <httplib.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

class TestStudyLimitsE2E : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rejectedThenAccepted() {
        LocalService service(QStringLiteral("13800138301"));
        const QDate born = QDate::currentDate().addYears(-12).addMonths(-1);
        httplib::Client client("127.0.0.1", service.server.port());
        const httplib::Headers bearer{
            {"Authorization", "Bearer " + service.session->accessToken().value_or(QString()).toStdString()}};
        const QByteArray month = QJsonDocument(QJsonObject{{"birth_year_month", born.toString("yyyy-MM")}})
                                     .toJson(QJsonDocument::Compact);
        const httplib::Result put =
            client.Put("/api/v1/me/profile", bearer, month.toStdString(), "application/json");
        QVERIFY(put && put->status == 200);

        StudyLimitsViewModel page;
        page.setSession(service.session.get());
        Await::result(page.runLoad());
        QVERIFY2(page.message().isEmpty(), qPrintable(page.message()));
        QVERIFY(page.enforced());
        QCOMPARE(page.minutes(), 60);
        QCOMPARE(page.periods().size(), 1);
        QCOMPARE(page.periods().first().start, QStringLiteral("22:00"));

        page.setPeriodStart(0, QStringLiteral("23:00"));
        Await::result(page.runSave());
        QCOMPARE(page.message(), QStringLiteral("22:00–06:00 的夜间休息不能取消"));
        QCOMPARE(page.periods().first().start, QStringLiteral("23:00")); // the edit stays on the page
        page.dismissMessage();

        page.setPeriodStart(0, QStringLiteral("21:30"));
        page.addPeriod();
        page.decrement();
        page.decrement();
        Await::result(page.runSave());
        QCOMPARE(page.message(), QStringLiteral("已保存"));
        QCOMPARE(page.minutes(), 50);
        QCOMPARE(page.periods().size(), 2);
        QCOMPARE(page.periods().at(1).start, QStringLiteral("12:00"));

        StudyLimitsViewModel reopened;
        reopened.setSession(service.session.get());
        Await::result(reopened.runLoad());
        QCOMPARE(reopened.minutes(), 50);
        QCOMPARE(reopened.periods().first().start, QStringLiteral("21:30"));
    }
};

QTEST_GUILESS_MAIN(TestStudyLimitsE2E)
#include "tst_studylimits_e2e.moc"
