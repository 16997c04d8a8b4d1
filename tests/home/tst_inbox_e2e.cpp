// The inbox against the local stand-in: 120 unread notices added through its control, "全部已读" on the
// view-model marking read on the server exactly what it listed, the client marking every notice read in runs
// of at most 50, and a weekly report's action opening the study report inside the detail sheet, reached from
// the home tab's tool dock. Saves pictures when QVL_SCREENSHOT_DIR names a folder.
#include "AppFonts.h"
#include "HomeInboxViewModel.h"
#include "InboxAPIClient.h"
#include "LocalService.h"
#include "QmlHarness.h"

#include <httplib.h>

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

namespace {

const QString kPhone = QStringLiteral("13800138000");

using QmlHarness::visibleNamed;

// The notices of the learner signed in to `service`, as the stand-in lists them (at most 100).
QJsonArray listed(const LocalService &service) {
    httplib::Client client("127.0.0.1", service.server.port());
    const httplib::Headers headers{
        {"Authorization", "Bearer " + service.session->accessToken().value_or(QString()).toStdString()}};
    const httplib::Result result = client.Get("/api/v1/me/inbox?limit=100", headers);
    return result && result->status == 200
               ? QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).array()
               : QJsonArray();
}

std::optional<bool> readOnServer(const LocalService &service, qint64 id) {
    for (const QJsonValue &message : listed(service))
        if (message["id"].toInteger() == id)
            return message["read"].toBool();
    return std::nullopt;
}

} // namespace

class TestInboxE2E : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }

    void markAllRead() {
        LocalService service(kPhone);
        HomeInboxViewModel vm;
        vm.setSession(service.session.get());
        Await::result(vm.runLoad()); // the first read fills the inbox
        const int seededUnread = vm.unreadCount();
        QVERIFY(seededUnread > 0);

        httplib::Client control("127.0.0.1", service.server.port());
        const httplib::Result added =
            control.Post("/__dev/inbox", R"({"phone":"13800138000","count":120})", "application/json");
        QVERIFY(added && added->status == 200);
        QList<qint64> every;
        for (const QJsonValue &id :
             QJsonDocument::fromJson(QByteArray::fromStdString(added->body))["ids"].toArray())
            every.append(id.toInteger());
        QCOMPARE(every.size(), 120);
        for (const InboxMessage &message : vm.messages())
            if (!message.read)
                every.append(message.id);

        // The list holds the 50 newest, all of them unread; "全部已读" marks exactly those on the server.
        Await::result(vm.runLoad());
        QCOMPARE(vm.total(), HomeInboxViewModel::fetchLimit);
        QCOMPARE(vm.unreadCount(), HomeInboxViewModel::fetchLimit);
        const int requestsBefore = service.server.requestCount("/api/v1/me/inbox:read");
        Await::result(vm.runMarkAllRead());
        QVERIFY2(!vm.alertVisible(), qPrintable(vm.message()));
        QCOMPARE(vm.unreadCount(), 0);
        QCOMPARE(service.server.requestCount("/api/v1/me/inbox:read"), requestsBefore + 1);
        QCOMPARE(service.server.inboxCounts(kPhone.toStdString()).unread, 120 + seededUnread - 50);
        for (const InboxMessage &message : vm.messages())
            QCOMPARE(readOnServer(service, message.id), std::optional<bool>(true));

        // Every notice the learner holds, through the client: runs of 50, 50 and the rest, each confirmed.
        const InboxMarkReadResult result = Await::result(InboxAPIClient().markRead(every, *service.session));
        QVERIFY(result.succeeded());
        QCOMPARE(result.confirmed, every);
        QCOMPARE(service.server.requestCount("/api/v1/me/inbox:read"), requestsBefore + 1 + 3);
        QCOMPARE(service.server.inboxCounts(kPhone.toStdString()).unread, 0);
        Await::result(vm.runLoad());
        QCOMPARE(vm.unreadCount(), 0);
    }

    // From the home tab's tool dock to the inbox, the study chip, the weekly report's row, its detail sheet
    // and its action: the study report opens inside the sheet, and the notice is read on the server.
    void weeklyReportAction() {
        LocalService service(kPhone);
        QmlHarness::View view(QSize(1000, 900));
        QmlHarness::WarningGuard guard;
        guard.watch(view.engine());
        QVERIFY2(view.loadType(QStringLiteral("HomeStack"),
                               {{"session", QVariant::fromValue(service.session.get())}}),
                 qPrintable(view.error()));
        QQuickItem *stack = view.root();

        QQuickItem *inboxTool = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                for (QQuickItem *button : visibleNamed(stack, QStringLiteral("toolButton")))
                    if (button->property("key").toString() == QLatin1String("inbox"))
                        inboxTool = button;
                return inboxTool != nullptr;
            }(),
            10000);
        QTRY_VERIFY(!stack->property("busy").toBool());
        QVERIFY(view.click(inboxTool));
        QTRY_COMPARE(stack->property("depth").toInt(), 2);
        QQuickItem *page = stack->property("currentItem").value<QQuickItem *>();
        QCOMPARE(page->property("title").toString(), QStringLiteral("学习通知"));
        auto *vm = page->property("viewModel").value<HomeInboxViewModel *>();
        QVERIFY(vm);
        QTRY_VERIFY_WITH_TIMEOUT(vm->total() > 0, 10000);

        QTRY_VERIFY(!stack->property("busy").toBool());
        QVERIFY(view.click(visibleNamed(page, QStringLiteral("inboxChip_学习")).value(0)));
        QTRY_COMPARE(vm->categoryText(), QStringLiteral("学习"));
        QString key;
        for (int i = 0; i < vm->rows().count(); ++i)
            if (vm->rows().at(i).kind == QLatin1String("weekly_report"))
                key = vm->rows().at(i).key;
        QVERIFY(!key.isEmpty());
        const qint64 id = key.toLongLong();
        QCOMPARE(readOnServer(service, id), std::optional<bool>(false));
        QQuickItem *row = nullptr;
        QTRY_VERIFY((row = visibleNamed(page, QStringLiteral("inboxRow_") + key).value(0)));
        QVERIFY(view.click(row));

        // The sheet lives in the window's overlay, above the page.
        QQuickItem *overlay = view.window().contentItem();
        QQuickItem *action = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((action = visibleNamed(overlay, QStringLiteral("detailAction")).value(0)),
                                 20000);
        QTRY_COMPARE(readOnServer(service, id), std::optional<bool>(true));
        QTest::qWait(400); // the sheet's opening transition
        if (!QmlHarness::screenshotFolder().isEmpty())
            QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("inbox-weekly-report-e2e")));
        QVERIFY(view.click(action));
        QQuickItem *sheetStack = visibleNamed(overlay, QStringLiteral("inboxDetailStack")).value(0);
        QVERIFY(sheetStack);
        QTRY_COMPARE(sheetStack->property("depth").toInt(), 2);
        QQuickItem *report = sheetStack->property("currentItem").value<QQuickItem *>();
        QCOMPARE(report->property("title").toString(), QStringLiteral("学情报告"));
        QTRY_VERIFY_WITH_TIMEOUT(visibleNamed(report, QStringLiteral("summaryCard")).value(0), 10000);
        QCOMPARE(stack->property("depth").toInt(), 2); // inside the sheet, not on the home's stack
        QCOMPARE(guard.warnings(), QStringList());
    }
};

QTEST_MAIN(TestInboxE2E)
#include "tst_inbox_e2e.moc"
