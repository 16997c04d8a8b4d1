// The account information and companion memories pages as QML, offscreen against scripted answers and free
// of warnings: the two account rows and the note, the memories' spinner, rows, empty row, a row deleted by
// its control and one by a swipe, and "全部清空" through its confirmation. Saves pictures when
// QVL_SCREENSHOT_DIR names a folder.
#include "AccountAPIClient.h"
#include "AppFonts.h"
#include "AppSession.h"
#include "CompanionMemories.h"
#include "MemoriesViewModel.h"
#include "ProfileBirthInfoViewModel.h"
#include "QmlHarness.h"
#include "TestPlatform.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QTest>

#include <algorithm>

namespace {

using Reply = FakeTransport::Reply;
using QmlHarness::textsBelow;

const QString memoriesPath = QStringLiteral("/ai") + AccountAPIClient::memoriesPath;

const QByteArray memories = R"({"items":[
    {"id":"m3","kind":"difficulty","text":"应用题找不到等量关系","created_at":"2026-03-08T09:00:00+08:00"},
    {"id":"m2","kind":"difficulty","text":"移项时容易忘记变号","created_at":"2026-03-06T20:30:00+08:00"},
    {"id":"m1","kind":"goal","text":"想在期末前把「一元一次方程」学扎实","created_at":"2026-03-03T18:00:00+08:00"}]})";

} // namespace

class TestAccountPagesView : public QObject {
    Q_OBJECT

    std::unique_ptr<QmlHarness::WarningGuard> m_guard;

    struct Page {
        TestPlatform platform;
        AppSession session;
        QmlHarness::View view{QSize(430, 760)};

        Page() { session.setAccessToken(QStringLiteral("tok")); }
        bool load(const QString &type) {
            return view.loadType(type, {{"session", QVariant::fromValue(&session)}});
        }
        QQuickItem *shown(const QString &name) const { return view.find(name, true); }
        QQuickItem *overlay(const QString &name) {
            return QmlHarness::findItem(view.window().contentItem(), name, true);
        }
        // Top to bottom: the list's delegates are not kept in the order of their rows.
        QList<QQuickItem *> rows() const {
            QList<QQuickItem *> found = QmlHarness::visibleNamed(view.root(), QStringLiteral("memoryRow"));
            std::ranges::sort(found, {}, [](const QQuickItem *row) { return row->mapToScene({0, 0}).y(); });
            return found;
        }
    };

    void expectNoWarnings() {
        const QStringList warnings = m_guard->take();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
    }
    void shoot(Page &page, const QString &name) {
        if (QmlHarness::screenshotFolder().isEmpty())
            return;
        QTest::qWait(150);
        QVERIFY(QmlHarness::saveScreenshot(page.view.window(), name));
    }

private Q_SLOTS:
    void initTestCase() {
        AppFonts::install(*qGuiApp);
        m_guard = std::make_unique<QmlHarness::WarningGuard>();
    }
    void cleanupTestCase() { m_guard.reset(); }
    void init() { m_guard->take(); }

    void accountInformation() {
        Page page;
        page.platform.transport->on(
            "GET", AccountAPIClient::mePath,
            Reply::json(200,
                        R"({"user_id":7,"tenant_id":1,"status":"Active","birth_year_month":"2012-09"})"));
        m_guard->watch(page.view.engine());
        QVERIFY2(page.load(QStringLiteral("ProfileBirthInfoView")), qPrintable(page.view.error()));
        QTRY_VERIFY(textsBelow(page.shown("accountSection")).contains(QStringLiteral("2012-09")));
        QCOMPARE(textsBelow(page.shown("accountSection")),
                 (QStringList{"出生年月", "2012-09", "账号状态", "正常",
                              "出生年月只能填写一次。填错了请联系客服修改。"}));
        shoot(page, QStringLiteral("account-information"));
        expectNoWarnings();
    }

    void memoriesPage() {
        Page page;
        page.platform.transport->on("GET", memoriesPath, Reply::json(200, memories).after(300));
        m_guard->watch(page.view.engine());
        QVERIFY2(page.load(QStringLiteral("MemoriesView")), qPrintable(page.view.error()));
        QTRY_VERIFY(page.shown("memoriesLoading"));
        QVERIFY(!page.shown("clearAllButton") && !page.shown("emptyRow"));
        QTRY_COMPARE(page.rows().size(), 3);
        QVERIFY(!page.shown("memoriesLoading"));
        const QStringList texts = textsBelow(page.shown("memoriesList"));
        for (const char *expected : {"应用题找不到等量关系", "学习难点 · 2026-03-08", "学习目标 · 2026-03-03",
                                     "伙伴只记住和学习有关的内容，比如想学的章节、卡住过的题型，保留 30 "
                                     "天。不记录聊天原文。"})
            QVERIFY2(texts.contains(QString::fromUtf8(expected)), expected);
        QVERIFY(page.shown("memoriesNote")->height() > 20); // the note row is always first, and shown
        shoot(page, QStringLiteral("memories"));

        // The visible control deletes its row once the server confirms.
        page.platform.transport->fallback = [](const HttpRequest &) { return Reply::json(204, ""); };
        QVERIFY(page.view.click(
            QmlHarness::findItem(page.rows().at(1), QStringLiteral("deleteMemoryButton"), true)));
        QTRY_COMPARE(page.rows().size(), 2);
        QCOMPARE(page.platform.transport->count(memoriesPath + "/m2"), 1);

        // A swipe to the left shows "删除" on the first row.
        QTest::qWait(200);
        QQuickItem *row = page.rows().at(0);
        const QPoint from = row->mapToScene(QPointF(row->width() - 90, row->height() / 2)).toPoint();
        QTest::mousePress(&page.view.window(), Qt::LeftButton, {}, from);
        for (int dx = 10; dx <= 150; dx += 10)
            QTest::mouseMove(&page.view.window(), from - QPoint(dx, 0), 10);
        QTest::mouseRelease(&page.view.window(), Qt::LeftButton, {}, from - QPoint(150, 0));
        QTRY_VERIFY(QmlHarness::findItem(row, QStringLiteral("swipeDeleteButton"), true));
        shoot(page, QStringLiteral("memories-swiped"));
        QVERIFY(page.view.click(QmlHarness::findItem(row, QStringLiteral("swipeDeleteButton"), true)));
        QTRY_COMPARE(page.rows().size(), 1);

        // "全部清空" asks first, then empties the list.
        QVERIFY(page.view.click(page.shown("clearAllButton")));
        QTRY_VERIFY(page.overlay("alertButton0"));
        shoot(page, QStringLiteral("memories-confirm"));
        QVERIFY(page.view.click(page.overlay("alertButton0")));
        QTRY_VERIFY(page.shown("emptyRow"));
        QVERIFY(!page.shown("clearAllButton"));
        QCOMPARE(page.platform.transport->count(memoriesPath), 2);
        shoot(page, QStringLiteral("memories-empty"));
        expectNoWarnings();
    }
};

QTEST_MAIN(TestAccountPagesView)
#include "tst_accountpagesview.moc"
