#include "AppFonts.h"
#include "AppSession.h"
#include "AuthAPIClient.h"
#include "Await.h"
#include "ChapterPickerViewModel.h"
#include "DevServer.h"
#include "LearningHomeViewModel.h"
#include "LearningPathListViewModel.h"
#include "LocalService.h"
#include "Platform.h"
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

QStringList subtitles(const LearningPathListViewModel &list) {
    QStringList lines;
    for (const PathNodeRow &row : list.rows())
        lines.append(row.subtitle());
    return lines;
}

// Items of that name under `root` in the visual tree (delegates of repeaters included), in drawing order.
QList<QQuickItem *> allNamed(QQuickItem *root, const QString &name) {
    QList<QQuickItem *> found;
    const QList<QQuickItem *> children = root->childItems();
    for (QQuickItem *child : children) {
        if (child->objectName() == name)
            found.append(child);
        found += allNamed(child, name);
    }
    return found;
}

QQuickItem *firstNamed(QQuickItem *root, const QString &name) {
    for (QQuickItem *item : allNamed(root, name)) {
        if (item->isVisible() && item->width() > 0)
            return item;
    }
    return nullptr;
}

// The chapter row showing that chapter's name.
QQuickItem *chapterRowNamed(QQuickItem *root, const QString &chapter) {
    for (QQuickItem *item : allNamed(root, QStringLiteral("chapterRow"))) {
        if (item->isVisible() && item->width() > 0 &&
            item->parentItem()->property("name").toString() == chapter) // the delegate's role
            return item;
    }
    return nullptr;
}

// Waits until the item stops moving (a page still laying out under load moves its rows), so that a click at
// its centre lands on it.
bool settle(QQuickItem *item) {
    QPointF last(-1, -1);
    return QTest::qWaitFor(
        [&] {
            const QPointF now = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
            const bool still = now == last;
            last = now;
            return still;
        },
        5000);
}

QPoint centreOf(QQuickItem *item) {
    return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
}

} // namespace

// The learning tab against the local stand-in of the service, over the real network stack: a learner with no
// path picks a chapter and sees the path, completes its first lesson and sees the next one unlock, builds a
// path from a typed topic, and, in the real views, opens a lesson page from the path list.
class TestLearningHomeEndToEnd : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<LocalService> m_service;

private Q_SLOTS:
    void initTestCase() {
        AppFonts::install(*qGuiApp);
        m_service = std::make_unique<LocalService>(QStringLiteral("13800138000"));
        QVERIFY(m_service->session->isLoggedIn());
    }

    void cleanupTestCase() { m_service.reset(); }

    void chooseAChapterThenLearnLessonByLesson() {
        m_service->session->setLastPathId(std::nullopt);
        LearningHomeViewModel home;
        home.setSession(m_service->session.get());
        Await::result(home.runAppear());
        QCOMPARE(home.face(), LearningHomeViewModel::Picker);

        ChapterPickerViewModel picker;
        picker.setSession(m_service->session.get());
        connect(&picker, &ChapterPickerViewModel::picked, &home, &LearningHomeViewModel::pickChapter);
        Await::result(picker.loadChapters());
        QVERIFY2(!picker.errorMessage(), qPrintable(picker.errorMessageText()));
        QVERIFY(!picker.rows().isEmpty());
        const ChapterPickerRow firstChapter = picker.rows().first();
        QVERIFY(firstChapter.startsSection);
        QCOMPARE(firstChapter.section, QStringLiteral("数学 · 7 年级"));
        QCOMPARE(firstChapter.name, QStringLiteral("有理数"));

        picker.pick(firstChapter.code);
        QCOMPARE(home.face(), LearningHomeViewModel::Loading);
        QTRY_COMPARE(home.face(), LearningHomeViewModel::PathList);
        QVERIFY(!home.alertVisible());
        QVERIFY(home.menuVisible());

        LearningPathListViewModel list;
        list.setStore(home.store());
        QCOMPARE(list.goal(), QStringLiteral("学完「有理数」"));
        const int lessons = list.lessonCount();
        QVERIFY(lessons >= 3);
        QCOMPARE(list.progressLine(), QStringLiteral("已完成 0 / %1 课 · 当前第 1 课").arg(lessons));
        QCOMPARE(subtitles(list).mid(0, 2), (QStringList{"可以开始学", "完成上一课后解锁"}));
        QVERIFY(list.rows()[0].isCurrent());
        QVERIFY(!list.rows()[1].openable());

        // The lesson page completes through the same store; the list shows the next lesson unlocked.
        QVERIFY(Await::result(home.store()->completeItem(list.pathId(), list.rows()[0].itemId())));
        QCOMPARE(list.progressLine(), QStringLiteral("已完成 1 / %1 课 · 当前第 2 课").arg(lessons));
        QCOMPARE(subtitles(list).mid(0, 3), (QStringList{"已完成", "可以开始学", "完成上一课后解锁"}));
        QVERIFY(list.rows()[1].isCurrent());
        QVERIFY(list.rows()[1].openable());

        // The next time the tab comes on screen the same path is back.
        LearningHomeViewModel again;
        again.setSession(m_service->session.get());
        Await::result(again.runAppear());
        QCOMPARE(again.face(), LearningHomeViewModel::PathList);
        QCOMPARE(again.store()->path()->pathId, list.pathId());
    }

    void typeATopicThenConfirmAProposal() {
        LearningHomeViewModel home;
        home.setSession(m_service->session.get());
        Await::result(home.runAppear());
        home.toggleChoosing();
        QCOMPARE(home.face(), LearningHomeViewModel::Picker);

        ChapterPickerViewModel picker;
        picker.setSession(m_service->session.get());
        connect(&picker, &ChapterPickerViewModel::topicPicked, &home, &LearningHomeViewModel::pickTopic);
        TopicBoxViewModel *box = picker.topicBox();
        box->setTopicText(QStringLiteral("  我想学绝对值\u3000"));
        Await::result(box->resolveTopic());
        QVERIFY(box->hasResult());
        QVERIFY(!box->candidateCards().isEmpty());
        QCOMPARE(box->messageTone(), int(Theme::BrandTeal));
        const TopicCandidateCard card = box->candidateCards().first();
        QVERIFY(card.pointsLine.contains(QStringLiteral("绝对值")));

        box->confirm(0);
        QCOMPARE(home.face(), LearningHomeViewModel::PathList); // the old path until the new one arrives
        QTRY_COMPARE(home.store()->path()->goalType, QStringLiteral("topic"));
        QCOMPARE(home.store()->path()->goal, QStringLiteral("「有理数」：") + card.pointsLine);
        QCOMPARE(m_service->session->lastPathId(), std::optional<qint64>(home.store()->path()->pathId));

        // A topic the service does not cover.
        box->setTopicText(QStringLiteral("天文望远镜"));
        Await::result(box->resolveTopic());
        QCOMPARE(box->messageTone(), int(Theme::Orange));
        QVERIFY(box->candidateCards().isEmpty());
    }

    // The real views: the tab with no path shows the picker; tapping a chapter shows the path list; tapping
    // the current lesson pushes the lesson page, whose back control returns to the list.
    void theViewsOpenALessonPage() {
        m_service->session->setLastPathId(std::nullopt);
        QQmlEngine engine;
        QQmlComponent component(&engine);
        component.setData(R"(
            import QtQuick
            import QtQuick.Controls
            import Quorvel.Core
            import Quorvel.Learning
            import Quorvel.Companion
            StackView {
                id: stack
                property AppSession session
                function back() { pop() }
                // As the tab shell does: the learning tab asks for the chat, the shell pushes it.
                initialItem: LearningHomeView {
                    session: stack.session
                    onChatRequested: scene => stack.push(chat, { "session": stack.session, "scene": scene })
                }
                Component {
                    id: chat
                    CompanionChatView {}
                }
            })",
                          QUrl(QStringLiteral("qrc:/LearningTab.qml")));
        QVERIFY2(component.isReady(), qPrintable(component.errorString()));
        std::unique_ptr<QObject> object(component.createWithInitialProperties(
            {{"session", QVariant::fromValue(m_service->session.get())}}));
        auto *stack = qobject_cast<QQuickItem *>(object.get());
        QVERIFY2(stack, qPrintable(component.errorString()));
        QQuickWindow window;
        window.resize(1100, 800);
        stack->setParentItem(window.contentItem());
        stack->setSize(window.size());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        auto *home = stack->property("currentItem").value<QQuickItem *>();
        QVERIFY(home);
        QTRY_VERIFY_WITH_TIMEOUT(chapterRowNamed(stack, QStringLiteral("有理数")), 5000);
        QQuickItem *chapter = chapterRowNamed(stack, QStringLiteral("有理数"));
        QVERIFY(settle(chapter));
        QTest::mouseClick(&window, Qt::LeftButton, {}, centreOf(chapter));
        QTRY_VERIFY_WITH_TIMEOUT(firstNamed(stack, QStringLiteral("lessonCard")), 5000);
        QTest::qWait(100);
        QQuickItem *goal = firstNamed(stack, QStringLiteral("pathGoal"));
        QVERIFY(goal);
        QCOMPARE(goal->property("text").toString(), QStringLiteral("学完「有理数」"));

        // A tap on the banner (away from the robot figure, whose tap reads the greeting aloud) opens the
        // chat.
        QQuickItem *banner = firstNamed(stack, QStringLiteral("chatBanner"));
        QVERIFY(banner);
        QTest::mouseClick(&window, Qt::LeftButton, {},
                          banner->mapToScene(QPointF(banner->width() / 2, banner->height() / 2)).toPoint());
        QTRY_COMPARE(stack->property("depth").toInt(), 2);
        QTRY_VERIFY(!stack->property("busy").toBool());
        auto *chat = stack->property("currentItem").value<QQuickItem *>();
        QVERIFY(chat);
        QCOMPARE(chat->property("session").value<AppSession *>(), m_service->session.get());
        QMetaObject::invokeMethod(stack, "back");
        QTRY_COMPARE(stack->property("depth").toInt(), 1);
        QTRY_VERIFY(!stack->property("busy").toBool());

        // The current lesson opens the lesson page; its back control returns to the list.
        const auto openFirstLesson = [&]() -> QQuickItem * {
            QQuickItem *lessonCard = firstNamed(stack, QStringLiteral("lessonCard"));
            if (!lessonCard || !lessonCard->isEnabled() || !settle(lessonCard))
                return nullptr;
            QTest::mouseClick(&window, Qt::LeftButton, {}, centreOf(lessonCard));
            if (!QTest::qWaitFor([&] { return stack->property("depth").toInt() == 2; }, 3000))
                return nullptr;
            if (!QTest::qWaitFor([&] { return !stack->property("busy").toBool(); }, 3000))
                return nullptr;
            return stack->property("currentItem").value<QQuickItem *>();
        };
        QQuickItem *page = openFirstLesson();
        QVERIFY(page);
        QVERIFY(page->property("itemId").toDouble() > 0);
        QObject *lessonPage = page->property("viewModel").value<QObject *>();
        QTRY_VERIFY_WITH_TIMEOUT(lessonPage->property("hasDetail").toBool(), 5000);
        QTRY_VERIFY(firstNamed(page, QStringLiteral("backButton")));
        QTest::mouseClick(&window, Qt::LeftButton, {},
                          centreOf(firstNamed(page, QStringLiteral("backButton"))));
        QTRY_COMPARE(stack->property("depth").toInt(), 1);
        QTRY_VERIFY(!stack->property("busy").toBool());

        // Again, and complete it there: back on the list the next lesson is open.
        page = openFirstLesson();
        QVERIFY(page);
        lessonPage = page->property("viewModel").value<QObject *>();
        QTRY_VERIFY_WITH_TIMEOUT(lessonPage->property("hasDetail").toBool(), 5000);
        QVERIFY(QMetaObject::invokeMethod(lessonPage, "complete"));
        QTRY_VERIFY_WITH_TIMEOUT(lessonPage->property("completed").toBool(), 5000);
        QVERIFY(QMetaObject::invokeMethod(lessonPage, "returnToPath"));
        QTRY_COMPARE(stack->property("depth").toInt(), 1);
        QTRY_VERIFY(!stack->property("busy").toBool());

        // A locked lesson does not open.
        const QList<QQuickItem *> cards = allNamed(stack, QStringLiteral("lessonCard"));
        QVERIFY(cards.size() >= 3);
        QTRY_VERIFY(cards[1]->isEnabled());
        QVERIFY(!cards[2]->isEnabled());
        QCOMPARE(allNamed(cards[0], QStringLiteral("lessonStatus")).first()->property("text").toString(),
                 QStringLiteral("已完成"));
        QQuickItem *locked = nullptr;
        for (QQuickItem *card : cards) {
            if (!card->isEnabled())
                locked = card;
        }
        QVERIFY(locked);
        QTest::mouseClick(&window, Qt::LeftButton, {}, centreOf(locked));
        QTest::qWait(300);
        QCOMPARE(stack->property("depth").toInt(), 1);

        // A completion the server refuses is reported in the tab's alert "提示", over the lesson page.
        QTest::mouseClick(&window, Qt::LeftButton, {}, centreOf(cards[1]));
        QTRY_COMPARE(stack->property("depth").toInt(), 2);
        QTRY_VERIFY(!stack->property("busy").toBool());
        page = stack->property("currentItem").value<QQuickItem *>();
        lessonPage = page->property("viewModel").value<QObject *>();
        QTRY_VERIFY_WITH_TIMEOUT(lessonPage->property("hasDetail").toBool(), 5000);
        const qint64 pathId = qint64(page->property("pathId").toDouble());
        const qint64 itemId = qint64(page->property("itemId").toDouble());
        m_service->server.failNext("/api/v1/learning-paths/" + std::to_string(pathId) + "/items/" +
                                       std::to_string(itemId) + "/complete",
                                   503);
        QVERIFY(QMetaObject::invokeMethod(lessonPage, "complete"));
        QObject *alert = home ? home->findChild<QObject *>(QStringLiteral("learningAlert")) : nullptr;
        QVERIFY(alert);
        QTRY_VERIFY_WITH_TIMEOUT(alert->property("opened").toBool(), 5000);
        QVERIFY(!lessonPage->property("completed").toBool());
        QVERIFY(!alert->property("message").toString().isEmpty());
        QTest::keyClick(&window, Qt::Key_Escape);
        QTRY_VERIFY(!alert->property("visible").toBool());
        QCOMPARE(home->property("viewModel").value<LearningHomeViewModel *>()->alertVisible(), false);
    }
};

QTEST_MAIN(TestLearningHomeEndToEnd)
#include "tst_learninghome_e2e.moc"
