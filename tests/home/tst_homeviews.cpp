// The home page's pieces as QML, free of warnings: the card surface and its shadow, the tool dock at a narrow
// and a wide width, the search block driven by keyboard, button, chips and the mouse wheel, and the
// placeholder page on a stack and alone. Saves pictures when QVL_SCREENSHOT_DIR names a folder.
#include "AppFonts.h"
#include "HomeSearchViewModel.h"
#include "HomeTools.h"
#include "QmlHarness.h"
#include "Theme.h"

#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

namespace {

using QmlHarness::findItem;

// The visible items named `name` below `root`, in tree order.
QList<QQuickItem *> allNamed(QQuickItem *root, const QString &name) {
    QList<QQuickItem *> found;
    QList<QQuickItem *> pending{root};
    while (!pending.isEmpty()) {
        QQuickItem *item = pending.takeFirst();
        if (item->objectName() == name && item->isVisible())
            found << item;
        pending = item->childItems() + pending;
    }
    return found;
}

QList<QQuickItem *> ofClass(QQuickItem *root, const char *className) {
    QList<QQuickItem *> found;
    QList<QQuickItem *> pending{root};
    while (!pending.isEmpty()) {
        QQuickItem *item = pending.takeFirst();
        if (item->inherits(className))
            found << item;
        pending.append(item->childItems());
    }
    return found;
}

// The texts shown below `root`.
QStringList shownTexts(QQuickItem *root) {
    QStringList texts;
    for (QQuickItem *item : ofClass(root, "QQuickText")) {
        if (item->isVisible())
            texts << item->property("text").toString();
    }
    return texts;
}

// What an input method does when the learner picks the characters: commits them into the focused field.
void commitText(QQuickItem *field, const QString &text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(field, &event);
}

void turnWheel(QQuickWindow &window, QQuickItem *over, QPoint angle) {
    const QPointF at = over->mapToScene(QPointF(over->width() / 2, over->height() / 2));
    QWheelEvent event(at, window.mapToGlobal(at.toPoint()), QPoint(), angle, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QGuiApplication::sendEvent(&window, &event);
}

int lightness(const QImage &image, QPointF at) {
    return QColor(image.pixel(at.toPoint())).lightness();
}

const QByteArray surfaceScene = R"(
import QtQuick
import Quorvel.Ui
import Quorvel.Home
Rectangle {
    color: Theme.groupedBackground
    HomeCardSurface { objectName: "surface"; x: 40; y: 40; width: 300; height: 120 }
}
)";

const QByteArray dockScene = R"(
import QtQuick
import Quorvel.Ui
import Quorvel.Home
Rectangle {
    color: Theme.groupedBackground
    ToolDockRow {
        objectName: "dock"
        x: 16; y: 16; width: parent.width - 32
        props: ({"title": "今日学习"})
    }
}
)";

const QByteArray artworkScene = R"(
import QtQuick
import Quorvel.Ui
import Quorvel.Home
Rectangle {
    color: Theme.groupedBackground
    Flow {
        x: 16; y: 16; width: parent.width - 32; spacing: 16
        Repeater {
            model: ["IconPhoto", "IconPlan", "IconVideo", "IconReport", "IconWrong", "IconPath", "IconBuddy",
                    "IconClock", "IconHint", "IconShield"]
            Column {
                required property string modelData
                spacing: 4
                RoundedPicture {
                    objectName: "art"
                    width: 56; height: 56; radius: 16; fill: true
                    source: HomeTools.artworkUrl(parent.modelData)
                }
                Text { text: parent.modelData; font.pixelSize: 9; color: Theme.secondaryLabel }
            }
        }
    }
}
)";

const QByteArray searchScene = R"(
import QtQuick
import Quorvel.Ui
import Quorvel.Home
Rectangle {
    color: Theme.groupedBackground
    HomeSearchSection { objectName: "search"; y: 16; width: parent.width }
}
)";

const QByteArray stackScene = R"(
import QtQuick
import QtQuick.Controls.Basic
import Quorvel.Home
StackView {
    id: stack
    initialItem: Rectangle { objectName: "homePage" }
    Component { id: placeholder; ComingSoonView {} }
    Component.onCompleted: stack.push(placeholder, {"title": HomeTools.toolTitle("video"),
                                                    "note": HomeTools.comingSoonNote("video")}, StackView.Immediate)
}
)";

} // namespace

class TestHomeViews : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }

    // The panel in the secondary grouped colour, and a shadow under it even on the software renderer.
    void cardSurface() {
        QmlHarness::WarningGuard guard;
        QmlHarness::View view(QSize(380, 220));
        guard.watch(view.engine());
        QVERIFY2(view.loadData(surfaceScene), qPrintable(view.error()));
        QTest::qWait(50);
        const QImage image = view.window().grabWindow();
        QCOMPARE(QColor(image.pixel(190, 100)), Theme::color(Theme::SecondaryGroupedBackground, false));
        QCOMPARE(QColor(image.pixel(190, 210)), Theme::color(Theme::GroupedBackground, false));
        // Just below the card the page is darker than far from it; above it, where the shadow is offset away,
        // less so.
        QVERIFY(lightness(image, {190, 164}) < lightness(image, {190, 210}));
        QVERIFY(lightness(image, {190, 164}) < lightness(image, {190, 36}));
        QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("home-card-surface")));
        QCOMPARE(guard.warnings(), QStringList());
    }

    // Every picture the home page names, as the tiles show it.
    void artwork() {
        QmlHarness::WarningGuard guard;
        QmlHarness::View view(QSize(420, 200));
        guard.watch(view.engine());
        QVERIFY2(view.loadData(artworkScene), qPrintable(view.error()));
        const QList<QQuickItem *> arts = allNamed(view.root(), QStringLiteral("art"));
        QCOMPARE(arts.size(), 10);
        for (QQuickItem *art : arts)
            QVERIFY2(art->property("loaded").toBool(), qPrintable(art->property("source").toString()));
        QTest::qWait(50);
        QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("home-artwork")));
        QCOMPARE(guard.warnings(), QStringList());
    }

    void toolDock_data() {
        QTest::addColumn<int>("width");
        QTest::newRow("narrow") << 320;
        QTest::newRow("wide") << 1024;
    }
    // Two rows of four equal columns at any width, the tools in order, props ignored, each tap asking for its
    // tool's page.
    void toolDock() {
        QFETCH(int, width);
        QmlHarness::WarningGuard guard;
        QmlHarness::View view(QSize(width, 240));
        guard.watch(view.engine());
        QVERIFY2(view.loadData(dockScene), qPrintable(view.error()));
        QQuickItem *dock = view.find(QStringLiteral("dock"));
        QVERIFY(dock);
        const QList<QQuickItem *> buttons = allNamed(dock, QStringLiteral("toolButton"));
        QCOMPARE(buttons.size(), 8);
        QStringList keys;
        for (int i = 0; i < buttons.size(); ++i) {
            QQuickItem *button = buttons[i];
            keys << button->property("key").toString();
            const QPointF at = button->mapToItem(dock, QPointF(0, 0));
            const QPointF first = buttons[i % 4]->mapToItem(dock, QPointF(0, 0));
            const QPointF rowStart = buttons[i / 4 * 4]->mapToItem(dock, QPointF(0, 0));
            QCOMPARE(at.x(), first.x());    // same column as the one above
            QCOMPARE(at.y(), rowStart.y()); // same row as its neighbours
            QCOMPARE(button->width(), buttons[0]->width());
            QCOMPARE(button->property("title").toString(), HomeTools::toolTitle(keys.last()));
        }
        QCOMPARE(keys, HomeTools::toolKeys());
        QVERIFY(buttons[4]->mapToItem(dock, QPointF(0, 0)).y() >
                buttons[0]->mapToItem(dock, QPointF(0, 0)).y());
        // Padding: 8 at the sides, 14 above the first row.
        QCOMPARE(buttons[0]->mapToItem(dock, QPointF(0, 0)), QPointF(8, 14));
        QCOMPARE(buttons[3]->mapToItem(dock, QPointF(buttons[3]->width(), 0)).x(), dock->width() - 8);
        for (QQuickItem *art : ofClass(dock, "RoundedPicture")) {
            QVERIFY(art->property("loaded").toBool());
            QCOMPARE(art->width(), 52.0);
        }
        const QStringList texts = shownTexts(dock);
        QVERIFY(!texts.contains(QStringLiteral("今日学习")));
        QVERIFY(texts.contains(QStringLiteral("拍照识题")));
        QTest::qWait(50);
        QVERIFY(QmlHarness::saveScreenshot(view.window(),
                                           QStringLiteral("home-tooldock-") + QTest::currentDataTag()));

        QSignalSpy requested(dock, SIGNAL(toolRequested(QString)));
        for (QQuickItem *button : buttons)
            QVERIFY(view.click(button));
        QStringList asked;
        for (const QList<QVariant> &call : requested)
            asked << call.first().toString();
        QCOMPARE(asked, HomeTools::toolKeys());
        QCOMPARE(guard.warnings(), QStringList());
    }

    // Typing and the return key; a blank question through the button; a chip reached with the wheel.
    void searchSection() {
        QmlHarness::WarningGuard guard;
        QmlHarness::View view(QSize(390, 200));
        guard.watch(view.engine());
        QVERIFY2(view.loadData(searchScene), qPrintable(view.error()));
        QQuickItem *section = view.find(QStringLiteral("search"));
        auto *vm = section->property("viewModel").value<HomeSearchViewModel *>();
        QVERIFY(vm);
        QSignalSpy chat(section, SIGNAL(chatRequested(QString)));
        QQuickItem *field = view.find(QStringLiteral("searchField"));
        QVERIFY(!view.find(QStringLiteral("askButton"), true));
        QVERIFY(shownTexts(section).contains(QStringLiteral("大家都在问")));
        QTest::qWait(50);
        QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("home-search")));

        // Return key on an empty field: nothing.
        QVERIFY(view.click(field));
        QTRY_VERIFY(field->hasActiveFocus());
        QVERIFY(vm->focused());
        QTest::keyClick(&view.window(), Qt::Key_Return);
        QCOMPARE(chat.count(), 0);

        // Typed with blanks around it, sent with return: the chat gets the word; the field empties and lets
        // go.
        commitText(field, QStringLiteral("  勾股  "));
        QCOMPARE(vm->query(), QStringLiteral("  勾股  "));
        QTRY_VERIFY(view.find(QStringLiteral("askButton"), true));
        QTest::qWait(50);
        QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("home-search-typed")));
        QTest::keyClick(&view.window(), Qt::Key_Return);
        QCOMPARE(chat.count(), 1);
        QCOMPARE(chat.takeFirst().first().toString(), QStringLiteral("勾股"));
        QCOMPARE(field->property("text").toString(), QString());
        QVERIFY(!field->hasActiveFocus());
        QVERIFY(!vm->focused());
        QVERIFY(!view.find(QStringLiteral("askButton"), true));
        section->metaObject()->invokeMethod(section, "chatClosed");
        QCOMPARE(vm->pending(), QString());

        // Blanks through the button: nothing, and the field keeps its text and focus.
        QVERIFY(view.click(field));
        commitText(field, QStringLiteral("   "));
        QQuickItem *ask = nullptr;
        QTRY_VERIFY((ask = view.find(QStringLiteral("askButton"), true)));
        QVERIFY(view.click(ask));
        QCOMPARE(chat.count(), 0);
        QVERIFY(field->hasActiveFocus());
        QCOMPARE(field->property("text").toString(), QStringLiteral("   "));
        commitText(field, QStringLiteral("浮力"));
        QVERIFY(view.click(ask));
        QCOMPARE(chat.count(), 1);
        QCOMPARE(chat.takeFirst().first().toString(), QStringLiteral("浮力"));
        vm->chatClosed();

        // The chip row overflows a narrow window: the wheel brings "密度公式怎么用" into view, then it is
        // tapped.
        QQuickItem *row = view.find(QStringLiteral("keywordRow"));
        const QList<QQuickItem *> chips = allNamed(row, QStringLiteral("keywordChip"));
        QCOMPARE(chips.size(), 8);
        QQuickItem *density = chips[5];
        QCOMPARE(density->property("keywordText").toString(), QStringLiteral("密度公式怎么用"));
        const qreal start = row->property("contentX").toReal();
        QCOMPARE(start, 0.0); // the first chip at the column's edge
        turnWheel(view.window(), row, QPoint(0, -120));
        QCOMPARE(row->property("contentX").toReal(), start + 60);
        while (density->mapToItem(row, QPointF(density->width(), 0)).x() > row->width()) {
            const qreal before = row->property("contentX").toReal();
            turnWheel(view.window(), row, QPoint(0, -120));
            QVERIFY(row->property("contentX").toReal() > before);
        }
        QTest::qWait(50);
        QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("home-search-scrolled")));
        commitText(field, QStringLiteral("已经输入的"));
        QVERIFY(view.click(density));
        QCOMPARE(chat.count(), 1);
        QCOMPARE(chat.takeFirst().first().toString(), QStringLiteral("密度公式怎么用"));
        QCOMPARE(field->property("text").toString(), QString());
        QCOMPARE(guard.warnings(), QStringList());
    }

    // Pushed from the dock: the tool's title in the bar and in the middle, the note, a way back.
    void comingSoonOnAStack() {
        QmlHarness::WarningGuard guard;
        QmlHarness::View view(QSize(390, 600));
        guard.watch(view.engine());
        QVERIFY2(view.loadData(stackScene), qPrintable(view.error()));
        QQuickItem *stack = view.root();
        QCOMPARE(stack->property("depth").toInt(), 2);
        QQuickItem *page = stack->property("currentItem").value<QQuickItem *>();
        QCOMPARE(page->property("title").toString(), QStringLiteral("讲解视频"));
        QQuickItem *bar = page->property("header").value<QQuickItem *>();
        QCOMPARE(findItem(bar, QStringLiteral("pageTitle"))->property("text").toString(),
                 QStringLiteral("讲解视频"));
        const QStringList texts = shownTexts(findItem(page, QStringLiteral("comingSoonContent")));
        QVERIFY(texts.contains(QStringLiteral("讲解视频")));
        QVERIFY(texts.contains(QStringLiteral("会员可为知识点生成讲解视频，审核通过后可看（FR-VID）。")));
        QTest::qWait(50);
        QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("home-coming-soon")));
        QVERIFY(view.click(findItem(bar, QStringLiteral("backButton"), true)));
        QTRY_COMPARE(stack->property("depth").toInt(), 1);
        QCOMPARE(guard.warnings(), QStringList());
    }

    void comingSoonAlone() {
        QmlHarness::WarningGuard guard;
        QmlHarness::View view(QSize(390, 600));
        guard.watch(view.engine());
        QVERIFY2(view.loadType(QStringLiteral("ComingSoonView"),
                               {{"title", QStringLiteral("讲解视频")}, {"note", QStringLiteral("稍后开放")}}),
                 qPrintable(view.error()));
        QSignalSpy closed(view.root(), SIGNAL(closeRequested()));
        QVERIFY(view.click(view.find(QStringLiteral("backButton"), true)));
        QCOMPARE(closed.count(), 1);
        QCOMPARE(guard.warnings(), QStringList());
    }
};

QTEST_MAIN(TestHomeViews)
#include "tst_homeviews.moc"
