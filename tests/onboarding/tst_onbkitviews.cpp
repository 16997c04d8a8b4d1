// The onboarding form kit loaded offscreen: every piece loads without a QML warning, the header's top line
// and the step bar, the field's limit against an input method's composition, the minutes picker, the stars,
// the bottom bar while busy, and (with QVL_SCREENSHOT_DIR) a picture of all of them together.
#include "AppFonts.h"
#include "QmlHarness.h"

#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QQuickItem>
#include <QTest>

namespace {

QList<QQuickItem *> itemsNamed(QQuickItem *root, const QString &name, bool visibleOnly = true) {
    QList<QQuickItem *> found;
    if (!root || (visibleOnly && !root->isVisible()))
        return found;
    if (root->objectName() == name)
        found << root;
    for (QQuickItem *child : root->childItems())
        found << itemsNamed(child, name, visibleOnly);
    return found;
}

QByteArray scene(const QByteArray &body, const QByteArray &properties = {}) {
    return "import QtQuick\nimport QtQuick.Layouts\nimport Quorvel.Ui\nimport Quorvel.Onboarding\n"
           "Rectangle {\n    id: scene\n    color: Theme.brandMist\n" +
           properties + "\n" + body + "\n}\n";
}

// Composes `preedit` in the entry, as a pinyin input method does while the learner picks a candidate.
void compose(QQuickItem *input, const QString &preedit) {
    QInputMethodEvent event(preedit, {});
    QCoreApplication::sendEvent(input, &event);
}

// Ends the composition by committing `text`.
void commitText(QQuickItem *input, const QString &text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(input, &event);
}

} // namespace

class TestOnbKitViews : public QObject {
    Q_OBJECT

    std::unique_ptr<QmlHarness::WarningGuard> m_guard;

    void expectNoWarnings() {
        const QStringList warnings = m_guard->take();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
    }

    bool show(QmlHarness::View &view, const QByteArray &qml) {
        m_guard->take();
        m_guard->watch(view.engine());
        return view.loadData(qml);
    }

private Q_SLOTS:
    void initTestCase() {
        AppFonts::install(*qGuiApp);
        m_guard = std::make_unique<QmlHarness::WarningGuard>();
    }
    void cleanupTestCase() { m_guard.reset(); }

    // Each piece alone, with its inputs given and with only the required ones.
    void loadsWithoutWarnings_data() {
        QTest::addColumn<QByteArray>("piece");
        QTest::newRow("header with badge")
            << QByteArray(R"(OnbHeader { step: 0; total: 4; badge: "约 1 分钟 · 都可随时修改"
                icon: "person.text.rectangle"; title: "完善学习资料"; subtitle: "告诉伙伴你的年级和教材，讲解会更贴合你。" })");
        QTest::newRow("header, bare") << QByteArray("OnbHeader {}");
        QTest::newRow("step bar") << QByteArray("OnbStepBar { step: 2; total: 5 }");
        QTest::newRow("step bar without steps") << QByteArray("OnbStepBar { step: 1; total: 0 }");
        QTest::newRow("card") << QByteArray(
            R"(OnbCard { title: "我是"; trailing: "选填"; hint: "提示"; Text { text: "内容" } })");
        QTest::newRow("card, bare") << QByteArray("OnbCard {}");
        QTest::newRow("option tile") << QByteArray(
            R"(OnbOptionTile { icon: "book.fill"; title: "提分"; subtitle: "考试"; selected: true })");
        QTest::newRow("option tile, bare") << QByteArray("OnbOptionTile {}");
        QTest::newRow("compact tile") << QByteArray(R"(OnbCompactTile { icon: "book.fill"; title: "学生" })");
        QTest::newRow("chip") << QByteArray(R"(OnbChip { title: "初一"; selected: true; compact: true })");
        QTest::newRow("field") << QByteArray(
            R"(OnbField { icon: "pencil"; placeholder: "学校名称"; limit: 40 })");
        QTest::newRow("minutes picker")
            << QByteArray(R"(OnbMinutesPicker { value: 30; range: [10, 120]; step: 5; presets: [20, 30] })");
        QTest::newRow("minutes picker, bare") << QByteArray("OnbMinutesPicker {}");
        QTest::newRow("star row") << QByteArray(R"(OnbStarRow { icon: "function"; name: "函数"; score: 3 })");
        QTest::newRow("bottom bar") << QByteArray(
            R"(OnbBottomBar { primary: "保存"; secondary: "以后再说" })");
        QTest::newRow("bottom bar, busy") << QByteArray(R"(OnbBottomBar { primary: "保存"; busy: true })");
    }
    void loadsWithoutWarnings() {
        QFETCH(QByteArray, piece);
        QmlHarness::View view(QSize(390, 400));
        QVERIFY2(show(view, scene(piece.replace("{", "{ objectName: \"piece\"; width: 360;"))),
                 qPrintable(view.error()));
        QQuickItem *item = view.find(QStringLiteral("piece"));
        QVERIFY(item);
        QVERIFY(item->implicitHeight() >= 0);
        QTest::qWait(20);
        expectNoWarnings();
    }

    // The header's top line and the bar's segments as drawn.
    void headerAndStepBar_data() {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("total");
        QTest::addColumn<QString>("badge");
        QTest::addColumn<bool>("badgeShown");
        QTest::addColumn<int>("segments");
        QTest::addColumn<int>("lit");
        QTest::addColumn<QString>("counter"); // empty: no counter shown
        QTest::newRow("sheet") << 0 << 4 << "约 1 分钟 · 都可随时修改" << true << 0 << 0 << "";
        QTest::newRow("intro without badge") << 0 << 4 << "" << false << 0 << 0 << "";
        QTest::newRow("negative step") << -1 << 4 << "徽标" << true << 0 << 0 << "";
        QTest::newRow("step 2 of 4") << 2 << 4 << "徽标" << false << 4 << 2 << "2/4";
        QTest::newRow("past the total") << 6 << 5 << "" << false << 5 << 5 << "6/5";
        QTest::newRow("one step") << 1 << 1 << "" << false << 1 << 1 << "1/1";
        QTest::newRow("no steps") << 1 << 0 << "" << false << 0 << 0 << "";
    }
    void headerAndStepBar() {
        QFETCH(int, step);
        QFETCH(int, total);
        QFETCH(QString, badge);
        QFETCH(bool, badgeShown);
        QFETCH(int, segments);
        QFETCH(int, lit);
        QFETCH(QString, counter);
        QmlHarness::View view(QSize(390, 220));
        QVERIFY2(show(view, scene(QStringLiteral(R"(OnbHeader { objectName: "header"; width: 390
                step: %1; total: %2; badge: "%3"; icon: "flag.checkered"; title: "目标"; subtitle: "说明" })")
                                      .arg(step)
                                      .arg(total)
                                      .arg(badge)
                                      .toUtf8())),
                 qPrintable(view.error()));
        QQuickItem *header = view.find(QStringLiteral("header"));
        QCOMPARE(view.find(QStringLiteral("headerBadge"), true) != nullptr, badgeShown);
        const QList<QQuickItem *> shown = itemsNamed(header, QStringLiteral("stepSegment"));
        QCOMPARE(shown.size(), segments);
        QTRY_COMPARE(
            std::count_if(shown.begin(), shown.end(), [](QQuickItem *s) { return s->opacity() > 0.9; }),
            qsizetype(lit));
        QQuickItem *counterText = view.find(QStringLiteral("stepCounter"), true);
        QCOMPARE(counterText ? counterText->property("text").toString() : QString(), counter);
        if (segments > 0) {
            // The segments share the row equally.
            for (QQuickItem *segment : shown)
                QVERIFY(qAbs(segment->width() - shown.first()->width()) <= 1);
            QVERIFY(shown.first()->width() > 0);
        }
        expectNoWarnings();
    }

    // The caller writes back what the field hands it; the entry shows the composition whole and cuts only
    // what was committed.
    void fieldLimitsCommittedTextOnly() {
        QmlHarness::View view(QSize(390, 120));
        QVERIFY2(show(view, scene(R"(OnbField { objectName: "field"; x: 15; y: 20; width: 360
                icon: "person.crop.circle"; placeholder: "昵称"; limit: 8
                text: scene.value; onEdited: text => { scene.value = text; scene.edits += 1 } })",
                                  "property string value: \"\"\nproperty int edits: 0")),
                 qPrintable(view.error()));
        QQuickItem *input = view.find(QStringLiteral("onbFieldInput"));
        QVERIFY(input);
        QMetaObject::invokeMethod(input, "forceActiveFocus");
        QObject *root = view.root();
        QVERIFY(!view.find(QStringLiteral("onbFieldClear"), true));

        // Pasting past the limit keeps the beginning.
        commitText(input, QStringLiteral("一二三四五六七八九十"));
        QCOMPARE(root->property("value").toString(), QStringLiteral("一二三四五六七八"));
        QCOMPARE(input->property("text").toString(), QStringLiteral("一二三四五六七八"));
        QVERIFY(view.find(QStringLiteral("onbFieldClear"), true));

        // At seven characters a composition of several letters is shown whole: nothing is cut or sent.
        root->setProperty("value", QStringLiteral("一二三四五六七"));
        QCOMPARE(input->property("text").toString(), QStringLiteral("一二三四五六七"));
        const int edits = root->property("edits").toInt();
        compose(input, QStringLiteral("nihao"));
        QCOMPARE(input->property("preeditText").toString(), QStringLiteral("nihao"));
        QCOMPARE(input->property("text").toString(), QStringLiteral("一二三四五六七"));
        QCOMPARE(root->property("edits").toInt(), edits);
        // Choosing the candidate commits two characters, of which one fits.
        commitText(input, QStringLiteral("你好"));
        QCOMPARE(input->property("preeditText").toString(), QString());
        QCOMPARE(root->property("value").toString(), QStringLiteral("一二三四五六七你"));
        QCOMPARE(input->property("text").toString(), QStringLiteral("一二三四五六七你"));

        // A family emoji is one character.
        root->setProperty("value", QStringLiteral("一二三四五六七"));
        commitText(input, QStringLiteral("👨‍👩‍👧‍👦🇨🇳"));
        QCOMPARE(root->property("value").toString(),
                 QStringLiteral("一二三四五六七👨‍👩‍👧‍👦"));

        // The clear button empties the value and goes away.
        QVERIFY(view.click(QStringLiteral("onbFieldClear")));
        QCOMPARE(root->property("value").toString(), QString());
        QCOMPARE(input->property("text").toString(), QString());
        QTRY_VERIFY(!view.find(QStringLiteral("onbFieldClear"), true));
        expectNoWarnings();
    }

    // A text from the caller over the limit stays until the learner edits it; the edit keeps its beginning.
    void fieldStartingText() {
        QmlHarness::View view(QSize(390, 120));
        QVERIFY2(show(view, scene(R"(OnbField { objectName: "field"; width: 360; limit: 4
                text: scene.value; onEdited: text => scene.value = text })",
                                  "property string value: \"abcdefg\"")),
                 qPrintable(view.error()));
        QQuickItem *input = view.find(QStringLiteral("onbFieldInput"));
        QObject *root = view.root();
        QCOMPARE(input->property("text").toString(), QStringLiteral("abcdefg"));
        QCOMPARE(root->property("value").toString(), QStringLiteral("abcdefg"));
        root->setProperty("value", QStringLiteral("123456"));
        QCOMPARE(input->property("text").toString(), QStringLiteral("123456"));
        QMetaObject::invokeMethod(input, "forceActiveFocus");
        input->setProperty("cursorPosition", 6);
        commitText(input, QStringLiteral("7"));
        QCOMPARE(root->property("value").toString(), QStringLiteral("1234"));
        QCOMPARE(input->property("text").toString(), QStringLiteral("1234"));
        expectNoWarnings();
    }

    void minutesPicker() {
        QmlHarness::View view(QSize(390, 200));
        QVERIFY2(show(view, scene(R"(OnbMinutesPicker { objectName: "picker"; x: 15; y: 20; width: 360
                value: scene.value; range: [10, 120]; step: 5; unit: "天"; presets: [20, 30, 45, 60, 90]
                onValueEdited: value => scene.value = value })",
                                  "property real value: 30")),
                 qPrintable(view.error()));
        QObject *root = view.root();
        auto selectedPresets = [&] {
            QStringList titles;
            for (QQuickItem *chip : itemsNamed(view.root(), QStringLiteral("minutesPreset"))) {
                if (chip->property("selected").toBool())
                    titles << chip->property("title").toString();
            }
            return titles;
        };
        QCOMPARE(selectedPresets(), QStringList{"30"});
        QCOMPARE(view.find(QStringLiteral("minutesUnit"))->property("text").toString(),
                 QStringLiteral("分钟 / 天"));
        QCOMPARE(view.find(QStringLiteral("minutesBadge"))->property("text").toString(),
                 QStringLiteral("适中"));

        for (QQuickItem *chip : itemsNamed(view.root(), QStringLiteral("minutesPreset"))) {
            if (chip->property("title").toString() == QLatin1String("90"))
                QVERIFY(view.click(chip));
        }
        QCOMPARE(root->property("value").toDouble(), 90.0);
        QCOMPARE(selectedPresets(), QStringList{"90"});
        QCOMPARE(view.find(QStringLiteral("minutesNumber"))->property("text").toString(),
                 QStringLiteral("90"));
        QCOMPARE(view.find(QStringLiteral("minutesBadge"))->property("text").toString(),
                 QStringLiteral("冲刺"));

        // A press on the slider lands on a whole step.
        QQuickItem *slider = view.find(QStringLiteral("minutesSlider"));
        const QPointF at = slider->mapToScene(QPointF(slider->width() * 0.33, slider->height() / 2));
        QTest::mouseClick(&view.window(), Qt::LeftButton, {}, at.toPoint());
        const double value = root->property("value").toDouble();
        QVERIFY2(value >= 40 && value <= 55, qPrintable(QString::number(value)));
        QCOMPARE(std::fmod(value, 5.0), 0.0);
        QCOMPARE(selectedPresets(), value == 45 ? QStringList{"45"} : QStringList{});
        expectNoWarnings();
    }

    void starRow() {
        QmlHarness::View view(QSize(390, 80));
        QVERIFY2(show(view, scene(R"(OnbStarRow { objectName: "row"; x: 15; y: 16; width: 360
                icon: "function"; name: "函数"; score: scene.score; onScoreEdited: score => scene.score = score })",
                                  "property int score: 0")),
                 qPrintable(view.error()));
        QObject *root = view.root();
        auto filled = [&] {
            int count = 0;
            for (QQuickItem *star : itemsNamed(view.root(), QStringLiteral("starSymbol")))
                count += star->property("symbol").toString() == QLatin1String("star.fill") ? 1 : 0;
            return count;
        };
        QCOMPARE(filled(), 0);
        QCOMPARE(view.find(QStringLiteral("levelWord"))->property("text").toString(),
                 QStringLiteral("还很陌生"));
        QVERIFY(view.click(QStringLiteral("star3")));
        QCOMPARE(root->property("score").toInt(), 3);
        QCOMPARE(filled(), 3);
        QCOMPARE(view.find(QStringLiteral("levelWord"))->property("text").toString(),
                 QStringLiteral("基本会了"));
        QVERIFY(view.click(QStringLiteral("star5")));
        QCOMPARE(filled(), 5);
        QCOMPARE(view.find(QStringLiteral("levelWord"))->property("text").toString(),
                 QStringLiteral("非常拿手"));
        expectNoWarnings();
    }

    // A tap only reports; the look follows the caller's `selected`.
    void tilesReportTaps() {
        QmlHarness::View view(QSize(390, 260));
        QVERIFY2(show(view, scene(R"(
    ColumnLayout {
        x: 15; y: 15; width: 360
        OnbOptionTile { objectName: "option"; Layout.fillWidth: true; icon: "flag.checkered"; title: "提分"
            onAction: scene.taps += 1 }
        OnbCompactTile { objectName: "compact"; Layout.fillWidth: true; icon: "book.fill"; title: "学生"
            onAction: scene.taps += 10 }
        OnbChip { objectName: "chip"; Layout.fillWidth: true; title: "初一"; onAction: scene.taps += 100 }
    })",
                                  "property int taps: 0")),
                 qPrintable(view.error()));
        for (const char *name : {"option", "compact", "chip"})
            QVERIFY(view.click(view.find(QString::fromLatin1(name))));
        QCOMPARE(view.root()->property("taps").toInt(), 111);
        for (const char *name : {"option", "compact", "chip"})
            QVERIFY(!view.find(QString::fromLatin1(name))->property("selected").toBool());
        QVERIFY(!view.find(QStringLiteral("optionTileSubtitle"), true));
        expectNoWarnings();
    }

    void bottomBar_data() {
        QTest::addColumn<bool>("busy");
        QTest::addColumn<QString>("secondary");
        QTest::addColumn<int>("taps"); // primary 1, secondary 10
        QTest::newRow("idle") << false << "以后再说" << 11;
        QTest::newRow("busy: neither reacts") << true << "以后再说" << 0;
        QTest::newRow("no secondary") << false << "" << 1;
    }
    void bottomBar() {
        QFETCH(bool, busy);
        QFETCH(QString, secondary);
        QFETCH(int, taps);
        QmlHarness::View view(QSize(390, 140));
        QVERIFY2(show(view, scene(QStringLiteral(R"(OnbBottomBar { objectName: "bar"; width: 390
                primary: "保存"; secondary: "%1"; busy: %2
                onPrimaryAction: scene.taps += 1; onSecondaryAction: scene.taps += 10 })")
                                      .arg(secondary, busy ? "true" : "false")
                                      .toUtf8(),
                                  "property int taps: 0")),
                 qPrintable(view.error()));
        QCOMPARE(view.find(QStringLiteral("primarySpinner"), true) != nullptr, busy);
        QQuickItem *secondaryButton = view.find(QStringLiteral("secondaryButton"), true);
        QCOMPARE(secondaryButton != nullptr, !secondary.isEmpty());
        QVERIFY(view.click(QStringLiteral("primaryButton")));
        if (secondaryButton)
            QVERIFY(view.click(secondaryButton));
        QCOMPARE(view.root()->property("taps").toInt(), taps);
        expectNoWarnings();
    }

    // Every piece on one page, as the profile sheet and the questionnaire combine them.
    void gallery() {
        QmlHarness::View view(QmlHarness::screenshotSize(QSize(390, 2000)));
        QVERIFY2(show(view, scene(R"(
    Flickable {
        anchors.fill: parent
        contentHeight: page.implicitHeight
        ColumnLayout {
            id: page
            width: parent.width
            spacing: 16
            OnbHeader {
                Layout.fillWidth: true
                step: 0; total: 4; badge: "约 1 分钟 · 都可随时修改"; icon: "person.text.rectangle"
                title: "完善学习资料"; subtitle: "告诉伙伴你的年级和教材，讲解会更贴合你。"
            }
            OnbHeader {
                Layout.fillWidth: true
                step: 2; total: 4; icon: "flag.checkered"; title: "学习目标"
                subtitle: "选一个最想达成的目标，伙伴会按它安排每周的练习，之后随时可以在设置里调整。"
            }
            ColumnLayout {
                Layout.fillWidth: true
                Layout.leftMargin: 18
                Layout.rightMargin: 18
                spacing: 16
                OnbCard {
                    Layout.fillWidth: true
                    title: "我是"
                    RowLayout {
                        Layout.fillWidth: true
                        spacing: 10
                        OnbCompactTile { Layout.fillWidth: true; icon: "backpack.fill"; title: "学生"; selected: true }
                        OnbCompactTile { Layout.fillWidth: true; icon: "book.fill"; title: "社会学习者" }
                        OnbCompactTile { Layout.fillWidth: true; icon: "graduationcap.fill"; title: "老师" }
                    }
                    OnbField {
                        Layout.fillWidth: true
                        icon: "person.crop.circle"; placeholder: "昵称（1–8 个汉字、字母或数字）"; limit: 8
                    }
                }
                OnbCard {
                    Layout.fillWidth: true
                    title: "当前年级"; trailing: "初一"; hint: "伙伴会按这个年级学过的知识来讲，不会一下讲太深。"
                    GridLayout {
                        Layout.fillWidth: true
                        columns: 3; columnSpacing: 8; rowSpacing: 8
                        OnbChip { Layout.fillWidth: true; Layout.preferredWidth: 1; title: "初一"; selected: true }
                        OnbChip { Layout.fillWidth: true; Layout.preferredWidth: 1; title: "初二" }
                        OnbChip { Layout.fillWidth: true; Layout.preferredWidth: 1; title: "初三" }
                    }
                }
                OnbCard {
                    Layout.fillWidth: true
                    title: "地区和学校"; trailing: "选填"
                    OnbField { Layout.fillWidth: true; icon: "building.columns"; placeholder: "学校名称"; text: "第一中学"; limit: 40 }
                }
                OnbCard {
                    Layout.fillWidth: true
                    title: "每天想学多久"; hint: "到时间伙伴会提醒你休息，随时可以在设置里改。"
                    OnbMinutesPicker {
                        Layout.fillWidth: true
                        value: 45; range: [10, 120]; step: 5; unit: "天"; presets: [20, 30, 45, 60, 90]
                    }
                }
                OnbCard {
                    Layout.fillWidth: true
                    title: "每周目标"
                    OnbMinutesPicker {
                        Layout.fillWidth: true
                        value: 150; range: [30, 600]; step: 30; unit: "周"; presets: [60, 120, 180, 300]
                    }
                }
                OnbCard {
                    Layout.fillWidth: true
                    OnbOptionTile { Layout.fillWidth: true; icon: "chart.bar"; title: "提高成绩"; subtitle: "考试分数更上一层"; selected: true }
                    OnbOptionTile { Layout.fillWidth: true; icon: "lightbulb.fill"; title: "培养兴趣" }
                    OnbStarRow { Layout.fillWidth: true; icon: "function"; name: "函数"; score: 3 }
                    OnbStarRow { Layout.fillWidth: true; icon: "atom"; name: "几何"; score: 0 }
                }
            }
            OnbBottomBar { Layout.fillWidth: true; primary: "保存"; secondary: "以后再说" }
            OnbBottomBar { Layout.fillWidth: true; primary: "保存"; secondary: "以后再说"; busy: true }
        }
    })")),
                 qPrintable(view.error()));
        QTest::qWait(100);
        QVERIFY(QmlHarness::saveScreenshot(view.window(), QStringLiteral("onboarding-kit")));
        expectNoWarnings();
    }
};

QTEST_MAIN(TestOnbKitViews)
#include "tst_onbkitviews.moc"
