// The study report as a learner reaches it: the home tab against the local stand-in, a week with answers in
// it, the report tool in the dock, every section of the page, then a refresh by F5 that the stand-in answers
// with a body of the wrong shape, which keeps the report on show. Saves a picture when QVL_SCREENSHOT_DIR
// names a folder.
#include "AppFonts.h"
#include "LearningContent.h"
#include "LocalService.h"
#include "QmlHarness.h"

#include <httplib.h>

#include <QGuiApplication>
#include <QJsonDocument>
#include <QQuickItem>
#include <QTest>

namespace {

using devserver::learning::KnowledgePoint;

// Answers the point's questions in turn, right or wrong as `rights` says, as the learner signed in to
// `service`.
bool answerPoint(const LocalService &service, const KnowledgePoint &point,
                 std::initializer_list<bool> rights) {
    httplib::Client client("127.0.0.1", service.server.port());
    const httplib::Headers headers{
        {"Authorization", "Bearer " + service.session->accessToken().value_or(QString()).toStdString()}};
    int i = 0;
    for (const bool right : rights) {
        const auto &question = point.questions.at(i++ % point.questions.size());
        const QJsonObject body{{"question_id", qint64(question.id)},
                               {"answer", right ? question.answers.first() : QStringLiteral("不会")},
                               {"source", "practice"}};
        const httplib::Result result =
            client.Post("/api/v1/practice/answers", headers, QJsonDocument(body).toJson().toStdString(),
                        "application/json");
        if (!result || result->status != 200)
            return false;
    }
    return true;
}

using QmlHarness::visibleNamed;

using QmlHarness::textsBelow;

} // namespace

class TestStudyReportE2E : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }

    void openedFromTheToolDock() {
        LocalService service(QStringLiteral("13800138000"));
        const auto &chapter = devserver::learning::chapters().at(0);
        QVERIFY(answerPoint(service, chapter.points[0], {true, true, true}));    // mastered
        QVERIFY(answerPoint(service, chapter.points[1], {false, false, false})); // weak

        QmlHarness::View view(QSize(1000, 900));
        QmlHarness::WarningGuard guard;
        guard.watch(view.engine());
        QVERIFY2(view.loadType(QStringLiteral("HomeStack"),
                               {{"session", QVariant::fromValue(service.session.get())}}),
                 qPrintable(view.error()));
        QQuickItem *stack = view.root();

        QQuickItem *reportTool = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                for (QQuickItem *button : visibleNamed(stack, QStringLiteral("toolButton")))
                    if (button->property("key").toString() == QLatin1String("report"))
                        reportTool = button;
                return reportTool != nullptr;
            }(),
            10000);
        QTRY_VERIFY(!stack->property("busy").toBool());
        QVERIFY(view.click(reportTool));
        QTRY_COMPARE(stack->property("depth").toInt(), 2);
        QQuickItem *page = stack->property("currentItem").value<QQuickItem *>();
        QCOMPARE(page->property("title").toString(), QStringLiteral("学情报告"));

        QQuickItem *summary = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((summary = visibleNamed(page, QStringLiteral("summaryCard")).value(0)),
                                 10000);
        const QStringList card = textsBelow(summary);
        QCOMPARE(card.mid(0, 3),
                 (QStringList{"近 7 天", "做题 6 道 · 答对 3 道 · 正确率 50%", "学了 1 天 · 完成 0 节课"}));
        QCOMPARE(visibleNamed(summary, QStringLiteral("dayBar")).size(), 7);
        // Today's bar, the only day with answers, is the peak.
        QCOMPARE(visibleNamed(summary, QStringLiteral("dayBar")).last()->height(), 44.0);

        const QStringList texts = textsBelow(visibleNamed(page, QStringLiteral("studyReportList")).value(0));
        for (const QString &expected :
             {QStringLiteral("需要加强"), chapter.points[1].name, chapter.points[0].name,
              QStringLiteral("掌握图 · 《%1》").arg(chapter.name)})
            QVERIFY2(texts.contains(expected), qPrintable(expected + " in " + texts.join(u'|')));
        QVERIFY(texts.last().startsWith(QStringLiteral("统计近 7 天的")));
        if (!QmlHarness::screenshotFolder().isEmpty()) {
            QTest::qWait(100);
            QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("study-report-e2e")));
        }

        // The stand-in now answers with a body of the wrong shape: F5 keeps the report on show.
        httplib::Client control("127.0.0.1", service.server.port());
        const httplib::Result replaced =
            control.Post("/__dev/study-report", R"({"window_days":"7"})", "application/json");
        QVERIFY(replaced && replaced->status == 204);
        view.window().requestActivate();
        QTest::keyClick(&view.window(), Qt::Key_F5);
        QTest::qWait(300);
        QVERIFY(!visibleNamed(page, QStringLiteral("reportFailed")).value(0));
        QCOMPARE(textsBelow(visibleNamed(page, QStringLiteral("summaryCard")).value(0)).value(1),
                 QStringLiteral("做题 6 道 · 答对 3 道 · 正确率 50%"));
        QCOMPARE(guard.warnings(), QStringList());
    }
};

QTEST_MAIN(TestStudyReportE2E)
#include "tst_studyreport_e2e.moc"
