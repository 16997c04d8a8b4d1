// The whole app clicked through as a learner does it, in the app's own window (QuorvelApp: Main.qml around
// the root view) against the local stand-in, offscreen: every step is a real mouse click, key press, wheel
// turn or typed text sent to the window at the place where the item is drawn, never a view-model call. The
// walk starts signed out, signs in with the development code, turns the birth-month wheels, answers the
// first-run questions with their pickers, then goes through every tab and every screen pushed from them,
// opening their menus, pickers, sheets, dialogs (the file dialog included, a picture picked in it) and
// links, switches the dark scheme on and walks on in it. After each step it checks what the learner must see
// now. Any warning the run prints (QML's above all) fails the walk.
//
// The steps are one table, in the order the learner takes them; QVL_SCREENSHOT_DIR saves a picture of each.
#include "AppFonts.h"
#include "AppSession.h"
#include "DevServer.h"
#include "Fixtures.h"
#include "LearningContent.h"
#include "LinkRecorder.h"
#include "LocalAppStore.h"
#include "LocalService.h"
#include "Platform.h"
#include "PurchaseConfirmation.h"
#include "QmlHarness.h"
#include "QmlModules.h"
#include "QuorvelApp.h"
#include "RealNetwork.h"
#include "RobotStore.h"
#include "TestPlatform.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonObject>
#include <QKeySequence>
#include <QMutex>
#include <QQmlApplicationEngine>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QWheelEvent>
#include <QtQuickTest/quicktest.h>

#include <algorithm>
#include <memory>

QVL_IMPORT_QML_MODULES()

namespace {

// The network, the stand-in and rendering on a loaded machine: generous, since every wait ends as soon as
// what it waits for is there.
constexpr int kWait = 20000;
// Reading a picture on this machine takes seconds on an idle one.
constexpr int kReadWait = 120000;

const QString kPhone = QStringLiteral("13800138551");

// ---------------------------------------------------------------------------------------------------------
// What the run prints. Every warning, critical and fatal message is kept, from QML or not; the two lines of
// noise below are what the platform says about a headless machine, never about the app.

QMutex messagesMutex;
QStringList recordedMessages;
QtMessageHandler previousHandler = nullptr;

bool benign(const QString &message) {
    // A machine without a runtime directory or a sound server (a CI box) says so; speech and media then stay
    // off, which the walk does not need.
    static const QRegularExpression noise(QStringLiteral(
        "^(QStandardPaths: XDG_RUNTIME_DIR not set|PulseAudioService: pa_context_connect\\(\\) failed)"));
    return noise.match(message).hasMatch();
}

void recordMessage(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (type != QtDebugMsg && type != QtInfoMsg && !benign(message)) {
        const QMutexLocker lock(&messagesMutex);
        recordedMessages << QStringLiteral("[%1] %2").arg(
            QString::fromLatin1(context.category ? context.category : ""), message);
    }
    if (previousHandler)
        previousHandler(type, context, message);
}

// ---------------------------------------------------------------------------------------------------------
// Finding what the learner sees.

QRectF sceneRect(const QQuickItem *item) {
    return item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
}

// The part of the window where `item` can be seen: the window clipped by every clipping ancestor.
QRectF viewportOf(const QQuickItem *item, const QQuickWindow *window) {
    QRectF view(QPointF(0, 0), QSizeF(window->size()));
    for (const QQuickItem *up = item->parentItem(); up; up = up->parentItem())
        if (up->clip())
            view &= up->mapRectToScene(up->clipRect());
    return view;
}

bool onScreen(const QQuickItem *item, const QQuickWindow *window) {
    const QRectF place = sceneRect(item);
    return place.width() > 0 && place.height() > 0 && viewportOf(item, window).contains(place.center());
}

// The popups open in the window's overlay, top first.
QList<QQuickItem *> openPopups(QQuickWindow *window) {
    QList<QQuickItem *> popups;
    for (QQuickItem *child : window->contentItem()->childItems()) {
        if (!child->inherits("QQuickOverlay"))
            continue;
        for (QQuickItem *item : child->childItems())
            if (item->inherits("QQuickPopupItem") && item->isVisible())
                popups << item;
    }
    std::reverse(popups.begin(), popups.end()); // equal z: the one opened last is on top
    std::stable_sort(popups.begin(), popups.end(),
                     [](const QQuickItem *a, const QQuickItem *b) { return a->z() > b->z(); });
    return popups;
}

// Where the learner's eyes and pointer can go now: the popups from the top down to the first modal one (or
// one that dims what is under it), and the window's content when none is.
QList<QQuickItem *> reachableRoots(QQuickWindow *window) {
    QList<QQuickItem *> roots;
    for (QQuickItem *popupItem : openPopups(window)) {
        roots << popupItem;
        const QObject *popup = popupItem->parent();
        if (popup && (popup->property("modal").toBool() || popup->property("dim").toBool()))
            return roots;
    }
    for (QQuickItem *child : window->contentItem()->childItems())
        if (!child->inherits("QQuickOverlay"))
            roots << child;
    return roots;
}

// A target as the table names it: "#objectName", "#objectName=title or text", or a text shown on screen.
// A scope may go first: "scopeName/target" looks only below the visible item of that object name.
struct Target {
    QString scope;
    QString name;
    QString text;

    static Target parse(QString spec) {
        Target target;
        if (const qsizetype slash = spec.indexOf(u'/'); slash > 0 && spec.startsWith(u'#')) {
            target.scope = spec.mid(1, slash - 1);
            spec = spec.mid(slash + 1);
        }
        if (spec.startsWith(u'#')) {
            const qsizetype equals = spec.indexOf(u'=');
            target.name = spec.mid(1, equals < 0 ? -1 : equals - 1);
            if (equals > 0)
                target.text = spec.mid(equals + 1);
        } else {
            target.text = spec;
        }
        return target;
    }

    bool matches(const QQuickItem *item) const {
        // A popup (a sheet, a menu, a dialog) is named on itself, not on the item it draws.
        const QObject *object = item;
        if (item->inherits("QQuickPopupItem") && item->parent())
            object = item->parent();
        if (!name.isEmpty() && object->objectName() != name)
            return false;
        if (text.isEmpty())
            return true;
        for (const char *property : {"text", "title", "label", "value", "symbol"}) {
            const QVariant value = object->property(property);
            if (value.typeId() == QMetaType::QString && value.toString() == text)
                return true;
        }
        return false;
    }
};

void collect(QQuickItem *item, const Target &target, QList<QQuickItem *> &found) {
    if (!item->isVisible() || item->opacity() < 0.01)
        return;
    if (target.matches(item))
        found << item;
    for (QQuickItem *child : item->childItems())
        collect(child, target, found);
}

QList<QQuickItem *> findAll(QQuickWindow *window, const Target &target) {
    QList<QQuickItem *> found;
    for (QQuickItem *root : reachableRoots(window)) {
        QList<QQuickItem *> scopes{root};
        if (!target.scope.isEmpty()) {
            scopes.clear();
            collect(root, Target{{}, target.scope, {}}, scopes);
        }
        for (QQuickItem *scope : scopes)
            collect(scope, target, found);
        if (!found.isEmpty())
            return found; // the topmost layer that has it
    }
    return found;
}

// The one to act on: the first one on screen, else the first one (to be scrolled to).
QQuickItem *findTarget(QQuickWindow *window, const Target &target) {
    const QList<QQuickItem *> found = findAll(window, target);
    for (QQuickItem *item : found)
        if (onScreen(item, window))
            return item;
    return found.value(0);
}

// What is on the screen now, for a step that failed.
QString describeScreen(QQuickWindow *window) {
    QStringList lines;
    const std::function<void(QQuickItem *, int)> visit = [&](QQuickItem *item, int depth) {
        if (!item->isVisible() || item->opacity() < 0.01)
            return;
        QString line;
        const QString name = item->inherits("QQuickPopupItem") && item->parent()
                                 ? item->parent()->objectName()
                                 : item->objectName();
        if (!name.isEmpty())
            line += u'#' + name + u' ';
        if (item->inherits("QQuickText") || item->inherits("QQuickTextInput") ||
            item->inherits("QQuickTextEdit"))
            line += u'"' + item->property("text").toString().left(40) + u'"';
        if (!line.isEmpty() && onScreen(item, window))
            lines << QString(depth, u' ') + line;
        for (QQuickItem *child : item->childItems())
            visit(child, depth + 1);
    };
    for (QQuickItem *popupItem : openPopups(window)) {
        const QObject *popup = popupItem->parent();
        lines << QStringLiteral("popup %1 (%2) z %3 %4x%5")
                     .arg(popup ? popup->objectName() : QString(),
                          QString::fromLatin1(popup ? popup->metaObject()->className() : ""))
                     .arg(popupItem->z())
                     .arg(popupItem->width())
                     .arg(popupItem->height());
    }
    for (QQuickItem *root : reachableRoots(window))
        visit(root, 0);
    return lines.join(u'\n');
}

// ---------------------------------------------------------------------------------------------------------
// The table.

enum class Do {
    Tap,     // a click at the centre of `target`
    Type,    // a click into `target`, then `arg` typed key by key
    Key,     // `arg` as a key sequence ("Escape", "Return") to the focused item; "Down*3" presses it thrice
    Wheel,   // `arg` wheel units (120 a notch; negative turns towards the learner) over `target`
    PickFile // a click on `target`, then in the file dialog it opens: the picture folder, its file, "Open"
};

enum class See {
    Shown,  // `expect` (a target) is visible
    Gone,   // `expect` (a target) is no longer visible
    Link,   // a link containing `expect` was handed to the desktop
    Dark,   // the dark scheme is on: the session's preference and the window's palette
    Light,  // and off again
    Chosen, // `expect` (a target) shows itself chosen: its `selected`, `checked` or `on` is true
};

struct Step {
    const char *name;
    Do action;
    QString target;
    QString arg;
    See see;
    QString expect;
    int wait = kWait;
};

Step tap(const char *name, const QString &target, See see, const QString &expect, int wait = kWait) {
    return {name, Do::Tap, target, {}, see, expect, wait};
}
Step tapShows(const char *name, const QString &target, const QString &expect, int wait = kWait) {
    return tap(name, target, See::Shown, expect, wait);
}
Step type(const char *name, const QString &target, const QString &text, See see, const QString &expect) {
    return {name, Do::Type, target, text, see, expect};
}
Step key(const char *name, const QString &sequence, See see, const QString &expect) {
    return {name, Do::Key, {}, sequence, see, expect};
}
Step wheel(const char *name, const QString &target, int units, See see, const QString &expect) {
    return {name, Do::Wheel, target, QString::number(units), see, expect};
}

// The learner's whole way through the app, in order.
QList<Step> walk() {
    using S = See;
    return {
        // Signed out: the guest home, its course catalogue and feature sheets, its menu and links, the login.
        tapShows("course catalogue", "#browseButton", "#sheetCloseButton"),
        tap("catalogue closed", "#sheetCloseButton", S::Gone, "#sheetCloseButton"),
        tapShows("a feature's sheet", "#featureCard0", "#pointsBox"),
        tap("feature sheet closed", "#sheetCloseButton", S::Gone, "#pointsBox"),
        tapShows("guest menu", "#menuButton", "#pageMenu"),
        key("menu closes on Escape", "Escape", S::Gone, "#pageMenu"),
        tapShows("guest menu again", "#menuButton", "#pageMenu"),
        tap("privacy policy from the menu", "#pageMenu/隐私政策", S::Link, "/legal/privacy.html"),
        tapShows("guest menu once more", "#menuButton", "#pageMenu"),
        tap("the help line", "#pageMenu/心理援助热线 12356", S::Link, "tel:12356"),
        tapShows("login from the hero", "#heroLoginButton", "#loginButton"),
        type("phone number", "#phoneRow", kPhone, S::Shown, kPhone),
        tapShows("consent", "#agreeBox", "#agreeBox/checkmark.circle.fill"),
        tap("code sent", "#sendCodeButton", S::Gone, "#sendCodeButton=获取验证码"),
        type("development code", "#codeRow", QString::fromStdString(DevServer::smsCode()), S::Shown,
             QString::fromStdString(DevServer::smsCode())),
        tapShows("signed in: the birth month is asked", "#loginButton", "#profileBirthView"),
        // The birth month on its two wheels: a notch (120 units) turns one row.
        wheel("year wheel, twelve rows on", "#yearWheel", 12 * 120, S::Shown, "#pickedText=2012 年 1 月"),
        wheel("month wheel, eight rows on", "#monthWheel", -8 * 120, S::Shown, "#pickedText=2012 年 9 月"),
        wheel("month wheel, one row back", "#monthWheel", 120, S::Shown, "#pickedText=2012 年 8 月"),
        tapShows("confirm asks again", "#confirmButton", "#alertButton0=确认 2012 年 8 月"),
        tapShows("not yet", "#alertButton1", "#confirmButton"),
        tapShows("confirm again", "#confirmButton", "#alertButton0=确认 2012 年 8 月"),
        tapShows("confirmed: the questionnaire over the tabs", "#alertButton0", "#onboardingFlow"),
        // The first-run questions; the profile page is left for the learning-profile sheet.
        tapShows("questionnaire begins", "开始", "跳过这一步"),
        tapShows("profile page skipped", "跳过这一步", "#targetTile"),
        tap("a goal", "#targetTile=准备考试", S::Chosen, "#targetTile=准备考试"),
        tapShows("goal saved", "下一步", "#diagnosisCard"),
        tapShows("a module rated", "#star4", "#levelWord"),
        tapShows("diagnosis saved", "下一步", "#personaCard"),
        tap("a companion style", "#personaTile=耐心沉稳型", S::Chosen, "#personaTile=耐心沉稳型"),
        tap("reminders", "#reminderTile=适中", S::Chosen, "#reminderTile=适中"),
        tap("questionnaire done", "完成，开始学习", S::Gone, "#onboardingFlow"),
        // The home tab: its menu, the layout editor, then each tool's page.
        tap("home tab", "#tabBar/首页", S::Chosen, "#tabBar/首页"),
        tapShows("home menu", "#homeMenuButton", "#homeMenu"),
        tapShows("layout editor", "#editEntry", "#homeCancelButton"),
        tap("editing cancelled", "#homeCancelButton", S::Gone, "#homeCancelButton"),
        tapShows("photo matching", "拍照识题", "#pickPhoto"),
        {"the file dialog, a picture picked",
         Do::PickFile,
         "#pickPhoto",
         {},
         S::Shown,
         "#practiseFound",
         kReadWait},
        tapShows("the found question", "#practiseFound", "#submitButton"),
        tapShows("a wrong option", "#option0", "#submitButton"),
        tapShows("answered", "#submitButton", "#resultSection"),
        tapShows("back to the photo", "#backButton", "#pickPhoto"),
        tapShows("back home", "#backButton", "#homeMenuButton"),
        tapShows("wrong book", "错题本", "#wrongItemRow"),
        tapShows("its entry", "#wrongItemRow", "#redoRow"),
        tapShows("redone", "#redoRow", "#submitButton"),
        tapShows("the right option", "#option2", "#submitButton"),
        tapShows("answered right", "#submitButton", "#resultSection"),
        tapShows("back to the entry", "#backButton", "#redoRow"),
        tapShows("back to the book", "#backButton", "#wrongItemRow"),
        tapShows("home again", "#backButton", "#homeMenuButton"),
        tapShows("question bank", "题库练习", "#chapterPicker"),
        tapShows("chapter menu", "#chapterPicker", "有理数"),
        tapShows("a chapter", "有理数", "#pointPicker"),
        tapShows("point menu", "#pointPicker", "有理数与数轴"),
        tapShows("a point", "有理数与数轴", "#formRowValue=有理数与数轴"),
        tap("choice questions only", "#qtype-1", S::Chosen, "#qtype-1"),
        tapShows("questions picked", "#pickButton", "#questionRow"),
        tapShows("a question", "#questionRow", "#submitButton"),
        tapShows("back to the bank", "#backButton", "#questionRow"),
        tapShows("home from the bank", "#backButton", "#homeMenuButton"),
        tapShows("study report", "学情报告", "#summaryCard"),
        tapShows("home from the report", "#backButton", "#homeMenuButton"),
        tapShows("inbox", "学习通知", "#inboxHeadline"),
        tap("system messages", "#inboxChip_系统", S::Chosen, "#inboxChip_系统"),
        tap("all messages", "#inboxChip_全部", S::Chosen, "#inboxChip_全部"),
        tapShows("a message in its sheet", "专项练习已生成", "#inboxDetailSheet"),
        tapShows("its action", "#detailAction", "#inboxDetailStack/#backButton"),
        tapShows("back in the sheet", "#inboxDetailStack/#backButton", "#detailAction"),
        tap("sheet closed", "#sheetCloseButton", S::Gone, "#inboxDetailSheet"),
        tap("all read", "#markAllReadButton", S::Gone, "#unreadDot"),
        tapShows("home from the inbox", "#backButton", "#homeMenuButton"),
        tapShows("explainer videos", "讲解视频", "#comingSoonContent"),
        tapShows("home from the videos", "#backButton", "#homeMenuButton"),
        tapShows("ask the companion", "问伙伴", "#composerField"),
        tapShows("home from the chat", "#backButton", "#homeMenuButton"),
        // The learning tab, reached from the home tab's plan tool: a chapter, its path, a lesson.
        tapShows("study plan", "学习计划", "#chapterRow"),
        tapShows("home from the plan", "#backButton", "#homeMenuButton"),
        tap("learning tab", "#tabBar/学习", S::Chosen, "#tabBar/学习"),
        type("a topic in words", "#topicField", QStringLiteral("去分母总出错"), S::Shown,
             "#topicField=去分母总出错"),
        tapShows("topic read", "#resolveButton", "#topicCandidate"),
        tapShows("a chapter", "#chapterRow", "#lessonCard"),
        tapShows("learning menu", "#learningMenuButton", "#learningMenu"),
        key("learning menu closes on Escape", "Escape", S::Gone, "#learningMenu"),
        tapShows("a lesson", "#lessonCard", "#completeButton"),
        tapShows("its second exercise", "#exerciseRow1", "#answerField"),
        type("an answer typed", "#answerField", QStringLiteral("-8"), S::Shown, "#answerField=-8"),
        tapShows("typed answer graded", "#submitButton", "#resultSection"),
        tapShows("back to the lesson", "#backButton", "#completeButton"),
        tapShows("lesson completed", "#completeButton", "#completedAlert"),
        tap("back to the path", "#alertButton0", S::Gone, "#completedAlert"),
        tapShows("the path again", "#tabBar/学习", "#lessonCard"),
        // The question-and-answer tab and the companion's chat with its two settings sheets.
        tapShows("questions tab", "#tabBar/问答", "#hotQuestionRow"),
        tapShows("discover tab", "#tabBar/发现", "#composerField"),
        tapShows("chat menu", "#chatMenuButton", "#chatMenu"),
        tapShows("companion settings", "#buddySettingsEntry", "伙伴设置"),
        tap("another persona", "#personaRow1", S::Shown, "#personaRow1/#personaCheck"),
        tap("companion settings closed", "#sheetCloseButton", S::Gone, "伙伴设置"),
        tapShows("chat menu again", "#chatMenuButton", "#chatMenu"),
        tapShows("robot settings", "#robotSettingsEntry", "#voicePicker"),
        tapShows("voice menu", "#voicePicker", "#pickerMenu"),
        key("voice menu closes on Escape", "Escape", S::Gone, "#pickerMenu"),
        tap("robot settings closed", "#sheetCloseButton", S::Gone, "#voicePicker"),
        // "我的": every page it opens, its links, the purchase sheet, then the dark scheme.
        tapShows("settings tab", "#tabBar/我的", "#settingsRow=出生年月"),
        tapShows("account info", "#settingsRow=出生年月", "#birthRow"),
        tapShows("settings from the account", "#backButton", "#settingsRow=出生年月"),
        tapShows("memories", "#settingsRow=伙伴的记忆", "#memoriesNote"),
        tapShows("settings from the memories", "#backButton", "#settingsRow=伙伴的记忆"),
        tapShows("membership", "#settingsRow=会员中心", "#buyButton"),
        tapShows("purchase sheet", "#buyButton", "#purchaseConfirmButton"),
        tap("purchase sheet dismissed", "#purchaseConfirmSheet/#sheetCloseButton", S::Gone,
            "#purchaseConfirmButton"),
        tapShows("purchase sheet again", "#buyButton", "#purchaseConfirmButton"),
        tapShows("paid", "#purchaseConfirmButton", "#alertButton0"),
        tap("paid acknowledged", "#alertButton0", S::Shown, "#tierRow"),
        tapShows("settings from the membership", "#backButton", "#settingsRow=我的订单"),
        tapShows("orders", "#settingsRow=我的订单", "#orderRow"),
        tapShows("settings from the orders", "#backButton", "#settingsRow=学习时长管理"),
        tapShows("study limits", "#settingsRow=学习时长管理", "#minutesStepper"),
        tapShows("settings from the limits", "#backButton", "#settingsRow=用户协议"),
        tap("terms", "#settingsRow=用户协议", S::Link, "/legal/terms.html"),
        tap("privacy policy", "#settingsRow=隐私政策", S::Link, "/legal/privacy.html"),
        tap("children's rules", "#settingsRow=儿童个人信息保护规则", S::Link, "/legal/children.html"),
        tapShows("about", "#settingsRow=关于岚帆伴", "#settingsRow=发布渠道"),
        tapShows("help centre, not in this version", "#settingsRow=帮助中心", "#routeUnavailable"),
        tapShows("about again", "#backButton", "#settingsRow=发布渠道"),
        tapShows("settings from the about page", "#backButton", "#settingsRow=深色模式"),
        tap("dark scheme on", "#settingsRow=深色模式", S::Dark, {}),
        // A few steps in the dark.
        tapShows("home in the dark", "#tabBar/首页", "#homeMenuButton"),
        tapShows("study report in the dark", "学情报告", "#summaryCard"),
        tapShows("home again in the dark", "#backButton", "#homeMenuButton"),
        tapShows("settings in the dark", "#tabBar/我的", "#settingsRow=退出登录"),
        tapShows("sign out asked", "#settingsRow=退出登录", "#alertButton0"),
        tapShows("signed out", "#alertButton0", "#guestPage"),
        // Back in: the account is past its first run, and the gate asks for the learning profile in its
        // sheet.
        tapShows("sign in again", "#startButton", "#loginButton"),
        type("phone number again", "#phoneRow", kPhone, S::Shown, kPhone),
        tapShows("consent again", "#agreeBox", "#agreeBox/checkmark.circle.fill"),
        tap("code sent again", "#sendCodeButton", S::Gone, "#sendCodeButton=获取验证码"),
        type("development code again", "#codeRow", QString::fromStdString(DevServer::smsCode()), S::Shown,
             QString::fromStdString(DevServer::smsCode())),
        tapShows("the learning-profile sheet", "#loginButton", "#learningProfileSheet"),
        tap("a role", "#roleTile=学生", S::Chosen, "#roleTile=学生"),
        tap("a grade", "#gradeChip", S::Chosen, "#gradeChip"),
        tapShows("province picker", "选择省份", "#provinceMenuPopup"),
        // The menu opens on its first entry; the arrow keys walk it, Return chooses.
        key("down the provinces by key", "Down*12", S::Shown, "#provinceMenuPopup/浙江"),
        key("a province chosen by key", "Return", S::Shown, "#provinceMenu=浙江"),
        tapShows("city picker", "#cityMenu", "#cityMenuPopup"),
        tapShows("a city", "#cityMenuPopup/杭州", "#cityMenu=杭州"),
        tap("profile saved", "保存", S::Gone, "#learningProfileSheet"),
        tap("the tabs, still dark", "#tabBar/首页", S::Dark, {}),
        tapShows("settings once more", "#tabBar/我的", "#settingsRow=深色模式"),
        tap("dark scheme off", "#settingsRow=深色模式", S::Light, {}),
    };
}

} // namespace

class TestClickThrough : public QObject {
    Q_OBJECT

    DevServer m_server;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<NetworkTransport> m_network;
    std::unique_ptr<Platform::Override> m_services;
    QTemporaryDir m_scratch;
    std::unique_ptr<LinkRecorder> m_links;
    std::unique_ptr<QuorvelApp> m_app;
    QQuickWindow *m_window = nullptr;
    quint64 m_wheelTime = 0;

    // A click where the learner would click, once the window has laid out what it shows.
    void clickAt(QPoint point) {
        QVERIFY(QQuickTest::qWaitForPolish(m_window));
        QTest::mouseClick(m_window, Qt::LeftButton, {}, point);
    }

    // Key by key, as a keyboard types it; what has no key of its own comes as the text of its press.
    void typeText(const QString &text) {
        for (const QChar ch : text) {
            const Qt::Key key = ch.unicode() < 0x80 ? Qt::Key(ch.toUpper().unicode()) : Qt::Key_unknown;
            QTest::sendKeyEvent(QTest::Click, m_window, key, QString(ch), Qt::NoModifier);
        }
    }

    void wheelAt(QPointF point, int units) {
        QWheelEvent event(point, m_window->mapToGlobal(point), QPoint(), QPoint(0, units), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        // Flickables tell a new turn of the wheel from the rest of the last one by the event's time.
        static QElapsedTimer clock;
        if (!clock.isValid())
            clock.start();
        m_wheelTime = std::max(m_wheelTime + 1000, quint64(clock.elapsed()));
        event.setTimestamp(m_wheelTime);
        QGuiApplication::sendEvent(m_window, &event);
    }

    // Nothing in the window moving that would take a click elsewhere: no page of a stack coming in or
    // going, no popup opening or closing, the layouts placed.
    bool settled() {
        const QList<QQuickItem *> popups = openPopups(m_window);
        for (QQuickItem *popupItem : popups) {
            const QObject *popup = popupItem->parent();
            if (popup && popup->property("opened").toBool() != popup->property("visible").toBool())
                return false;
        }
        const std::function<bool(QQuickItem *)> still = [&](QQuickItem *item) {
            if (!item->isVisible())
                return true;
            if (item->inherits("QQuickStackView") && item->property("busy").toBool())
                return false;
            if (item->inherits("QQuickFlickable") && item->property("moving").toBool())
                return false;
            const QList<QQuickItem *> children = item->childItems();
            return std::all_of(children.begin(), children.end(), still);
        };
        return still(m_window->contentItem());
    }

    // Turns the wheel over the list or page that holds `item` until it lies on screen.
    void scrollTo(QQuickItem *item) {
        QQuickItem *flickable = nullptr;
        for (int turn = 0; turn < 60 && !onScreen(item, m_window); ++turn) {
            flickable = item->parentItem();
            while (flickable &&
                   !(flickable->inherits("QQuickFlickable") && flickable->property("interactive").toBool()))
                flickable = flickable->parentItem();
            QVERIFY2(
                flickable,
                qPrintable(
                    QStringLiteral("%1 lies off screen, in nothing that scrolls").arg(item->objectName())));
            const QRectF view = viewportOf(flickable, m_window) & sceneRect(flickable);
            const QRectF place = sceneRect(item);
            const int units = place.center().y() > view.center().y() ? -120 : 120;
            wheelAt(view.center(), units);
            QTRY_VERIFY_WITH_TIMEOUT(!flickable->property("moving").toBool(), kWait);
        }
        QVERIFY2(onScreen(item, m_window),
                 qPrintable(QStringLiteral("%1 at %2 not scrolled to: its view scrolled to %3 of %4, %5 high")
                                .arg(item->objectName())
                                .arg(sceneRect(item).y())
                                .arg(flickable ? flickable->property("contentY").toReal() : 0)
                                .arg(flickable ? flickable->property("contentHeight").toReal() : 0)
                                .arg(flickable ? flickable->height() : 0)));
    }

    // The target once it stands still: found, drawn with a size, at the same place over a few polls (a
    // header that shrinks as a field takes the focus moves everything under it for a while). Looked for
    // again each time: a list may make its rows anew meanwhile.
    QQuickItem *steady(const Target &target, int wait) {
        QQuickItem *item = nullptr;
        QRectF last;
        int still = 0;
        (void)QTest::qWaitFor(
            [&] {
                item = settled() ? findTarget(m_window, target) : nullptr;
                const QRectF now = item ? sceneRect(item) : QRectF();
                still = item && !now.isEmpty() && now == last ? still + 1 : 0;
                last = now;
                return still >= 3;
            },
            wait);
        return still >= 3 ? item : nullptr;
    }

    QQuickItem *reach(const QString &spec, int wait) {
        const Target target = Target::parse(spec);
        QQuickItem *item = steady(target, wait);
        if (!item)
            return nullptr;
        scrollTo(item);
        if (QTest::currentTestFailed())
            return nullptr;
        // A scroll's last frame may have moved it: look again.
        return steady(target, wait);
    }

    bool seen(const Step &step) const {
        switch (step.see) {
        case See::Shown:
            return !findAll(m_window, Target::parse(step.expect)).isEmpty();
        case See::Gone:
            return findAll(m_window, Target::parse(step.expect)).isEmpty();
        case See::Link:
            return std::any_of(m_links->opened.begin(), m_links->opened.end(),
                               [&](const QUrl &url) { return url.toString().contains(step.expect); });
        case See::Chosen: {
            const QList<QQuickItem *> found = findAll(m_window, Target::parse(step.expect));
            return std::any_of(found.begin(), found.end(), [](const QQuickItem *item) {
                return item->property("selected").toBool() || item->property("checked").toBool() ||
                       item->property("on").toBool();
            });
        }
        case See::Dark:
        case See::Light: {
            const bool dark = step.see == See::Dark;
            const QColor window = QGuiApplication::palette().color(QPalette::Window);
            return m_app->session().darkMode() == dark && (window.lightness() < 100) == dark;
        }
        }
        return false;
    }

    void pickFile() {
        QObject *dialog = nullptr;
        QObject *root = m_window;
        QTRY_VERIFY_WITH_TIMEOUT((dialog = root->findChild<QObject *>(QStringLiteral("photoFileDialog"))) &&
                                     dialog->property("visible").toBool(),
                                 kWait);
        // The learner's way to the folder is not under test: the dialog is shown it, the rest is clicks.
        dialog->setProperty("currentFolder",
                            QUrl::fromLocalFile(m_scratch.filePath(QStringLiteral("pictures"))));
        QQuickItem *file = reach(QStringLiteral("#fileDialogDelegate0"), kWait);
        QVERIFY2(file, qPrintable(describeScreen(m_window)));
        clickAt(QmlHarness::centreOf(file));
        QQuickItem *open = reach(QStringLiteral("Open"), kWait);
        QVERIFY(open);
        clickAt(QmlHarness::centreOf(open));
    }

    void saveShot(int index, const Step &step) {
        if (QmlHarness::screenshotFolder().isEmpty())
            return;
        QTest::qWait(300);
        QVERIFY(QmlHarness::saveScreenshot(*m_window, QStringLiteral("click-%1-%2")
                                                          .arg(index, 3, 10, QLatin1Char('0'))
                                                          .arg(QString::fromUtf8(step.name).replace(
                                                              QRegularExpression("[^A-Za-z0-9]+"), "-"))));
    }

private Q_SLOTS:
    void initTestCase() {
        previousHandler = qInstallMessageHandler(recordMessage);
        QQuickStyle::setStyle(QStringLiteral("Basic")); // as the app's main() does
        AppFonts::install(*qGuiApp);
        QVERIFY(m_scratch.isValid());
        QVERIFY(QDir().mkpath(m_scratch.filePath(QStringLiteral("pictures"))));
        const auto &question = devserver::learning::chapters().at(0).points.at(0).questions.at(0);
        QVERIFY(Fixtures::printed(question.stem)
                    .save(m_scratch.filePath(QStringLiteral("pictures/question.png"))));

        m_server.setNewUserStatus("PendingProfile");
        m_server.fixUsageClock(LocalService::noonInBeijing()); // the learner is a minor
        QVERIFY(m_server.start(0) > 0);
        m_platform = LocalService::platformOn(m_server);
        m_network = std::make_unique<NetworkTransport>();
        Platform::Services services;
        services.transport = std::shared_ptr<Transport>(m_network.get(), [](Transport *) {});
        services.appStore = std::make_shared<LocalAppStore>(LocalAppStore::loadCatalogue(),
                                                            m_scratch.filePath(QStringLiteral("store.json")),
                                                            PurchaseConfirmation::shared().confirmer());
        m_services = std::make_unique<Platform::Override>(services);
        RobotStore::shared().setAutoSpeak(false);
        m_links = std::make_unique<LinkRecorder>();

        m_app = std::make_unique<QuorvelApp>();
        connect(m_app.get(), &QuorvelApp::windowShown, this,
                [this](QQuickWindow *window) { m_window = window; });
        QVERIFY(m_app->show());
        QVERIFY(m_window);
        // The app shows its window once placed; offscreen, make sure it is up and exposed before any click.
        if (!m_window->isVisible())
            m_window->show();
        m_window->requestActivate();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
        connect(qmlEngine(m_window), &QQmlEngine::warnings, this, [](const QList<QQmlError> &errors) {
            const QMutexLocker lock(&messagesMutex);
            for (const QQmlError &error : errors)
                if (!recordedMessages.contains(error.toString()))
                    recordedMessages << error.toString();
        });
    }

    void cleanupTestCase() {
        m_app.reset();
        m_window = nullptr;
        m_links.reset();
        if (m_network)
            endRequests(*m_network);
        m_services.reset();
        m_network.reset();
        m_platform.reset();
        m_server.stop();
        qInstallMessageHandler(previousHandler);
        const QMutexLocker lock(&messagesMutex);
        QVERIFY2(
            recordedMessages.isEmpty(),
            qPrintable(QStringLiteral("warnings printed during the walk:\n") + recordedMessages.join(u'\n')));
    }

    // Every step of the walk, one after the other in the same window.
    void clickThrough() {
        const QList<Step> steps = walk();
        for (qsizetype index = 0; index < steps.size(); ++index) {
            const Step &step = steps[index];

            const QString where =
                QStringLiteral("step %1 \"%2\"").arg(index).arg(QString::fromUtf8(step.name));
            switch (step.action) {
            case Do::Tap:
            case Do::Type:
            case Do::Wheel: {
                QQuickItem *item = reach(step.target, step.wait);
                QVERIFY2(item, qPrintable(where + QStringLiteral(": no ") + step.target +
                                          QStringLiteral(" on screen:\n") + describeScreen(m_window)));
                if (step.action == Do::Wheel) {
                    wheelAt(QmlHarness::centreOf(item), step.arg.toInt());
                    break;
                }
                clickAt(QmlHarness::centreOf(item));
                if (step.action == Do::Type) {
                    QTRY_VERIFY2_WITH_TIMEOUT(m_window->activeFocusItem(), qPrintable(where), kWait);
                    typeText(step.arg);
                }
                break;
            }
            case Do::Key: {
                // "Down*3": the key pressed three times.
                const QStringList parts = step.arg.split(u'*');
                const QKeyCombination combination = QKeySequence(parts.first())[0];
                for (int time = 0; time < std::max(1, parts.value(1).toInt()); ++time)
                    QTest::keyClick(m_window, combination.key(), combination.keyboardModifiers());
                break;
            }
            case Do::PickFile: {
                QQuickItem *button = reach(step.target, step.wait);
                QVERIFY2(button, qPrintable(where + QStringLiteral(": no ") + step.target));
                clickAt(QmlHarness::centreOf(button));
                pickFile();
                break;
            }
            }
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(where + QStringLiteral(" failed")));
            if (!QTest::qWaitFor([&] { return seen(step); }, step.wait))
                QFAIL(qPrintable(where + QStringLiteral(": expected ") + step.expect +
                                 QStringLiteral(", the screen:\n") + describeScreen(m_window)));
            saveShot(int(index), step);
        }
    }
};

QTEST_MAIN(TestClickThrough)
#include "tst_clickthrough_e2e.moc"
