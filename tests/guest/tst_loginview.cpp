// The sign-in screen as the learner uses it: real clicks and keys on the shown view, offscreen.
#include "AppFonts.h"
#include "AppSession.h"
#include "Fixtures.h"
#include "LoginViewModel.h"
#include "QmlHarness.h"
#include "TestPlatform.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QTest>
#include <QWheelEvent>
#include <QtQml/QQmlExtensionPlugin>

using QmlHarness::View;

namespace {

// Focus follows a click only after the window has drawn it; a loaded machine or the sanitized build takes
// many times longer than an idle one.
constexpr int kSlowMachine = 30000;

const QString codePath = QStringLiteral("/api/v1/sms/code");
const QString loginPath = QStringLiteral("/api/v1/auth/login");

// Frames as a screen draws them for a while: an offscreen window only lays out and animates when one is
// drawn.
void drawFrames(View &view, int count) {
    for (int frame = 0; frame < count; ++frame) {
        QTest::qWait(16);
        view.window().grabWindow();
    }
}

// A click as a hand makes it, where the learner sees the item: the button stays down for a moment while the
// screen redraws, and the pointer moves a little. Anything that moves the item on press makes the click miss.
void humanClick(View &view, QQuickItem *item) {
    QVERIFY(item);
    drawFrames(view, 15);
    const QPoint at = QmlHarness::centreOf(item);
    QTest::mousePress(&view.window(), Qt::LeftButton, {}, at);
    drawFrames(view, 8);
    // A hand never holds perfectly still.
    QTest::mouseMove(&view.window(), at + QPoint(1, 0));
    QTest::mouseRelease(&view.window(), Qt::LeftButton, {}, at + QPoint(1, 0));
    drawFrames(view, 15);
}

void typeDigits(View &view, const QString &digits) {
    for (const QChar c : digits)
        QTest::sendKeyEvent(QTest::Click, &view.window(), Qt::Key(Qt::Key_0 + (c.unicode() - u'0')),
                            QString(c), Qt::NoModifier);
}

QQuickItem *fieldOf(View &view, const char *row) {
    QQuickItem *item = view.find(QString::fromLatin1(row));
    return item ? item->property("field").value<QQuickItem *>() : nullptr;
}

} // namespace

class TestLoginView : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<AppSession> m_session;
    std::unique_ptr<QmlHarness::WarningGuard> m_guard;

    std::unique_ptr<View> open(QSize size) {
        auto view = std::make_unique<View>(size);
        m_guard->watch(view->engine());
        if (!view->loadType(QStringLiteral("LoginView"), {{"session", QVariant::fromValue(m_session.get())}}))
            qWarning("%s", qPrintable(view->error()));
        return view;
    }
    static LoginViewModel *viewModelOf(View &view) {
        return view.root() ? view.root()->property("viewModel").value<LoginViewModel *>() : nullptr;
    }

private Q_SLOTS:
    void initTestCase() { AppFonts::install(*qGuiApp); }
    void init() {
        m_guard = std::make_unique<QmlHarness::WarningGuard>();
        m_platform = std::make_unique<TestPlatform>();
        m_platform->transport->on("POST", codePath,
                                  FakeTransport::Reply::json(200, Fixtures::json("auth/code-sent.json")));
        m_platform->transport->on("POST", loginPath,
                                  FakeTransport::Reply::json(400, R"({"message":"验证码错误"})"));
        m_session = std::make_unique<AppSession>();
    }
    void cleanup() {
        m_session.reset();
        m_platform.reset();
        const QStringList warnings = m_guard->take();
        m_guard.reset();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
    }

    // Number, consent, code: each click does what it says the first time, on the app's window sizes.
    void naturalOrderWorksOnFirstClicks_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("app window") << QSize(1100, 760);
        QTest::newRow("smallest window") << QSize(720, 560);
        QTest::newRow("tall narrow window") << QSize(390, 844);
    }
    void naturalOrderWorksOnFirstClicks() {
        QFETCH(QSize, size);
        auto view = open(size);
        LoginViewModel *vm = viewModelOf(*view);
        QVERIFY(vm);

        humanClick(*view, fieldOf(*view, "phoneRow"));
        QTRY_COMPARE_WITH_TIMEOUT(vm->focus(), LoginViewModel::Phone, kSlowMachine);
        typeDigits(*view, QStringLiteral("13800138000"));
        QCOMPARE(vm->phone(), QStringLiteral("13800138000"));

        humanClick(*view, view->find(QStringLiteral("agreeBox")));
        QVERIFY(vm->agreed());
        // A second click on the box unticks it, a third ticks it again.
        humanClick(*view, view->find(QStringLiteral("agreeBox")));
        QVERIFY(!vm->agreed());
        humanClick(*view, view->find(QStringLiteral("agreeBox")));
        QVERIFY(vm->agreed());

        humanClick(*view, view->find(QStringLiteral("sendCodeButton")));
        QTRY_COMPARE(m_platform->transport->count(codePath), 1);
        // The countdown has started from a minute (a slow machine may already have counted some down).
        QTRY_VERIFY(vm->resendAfter() > 0);
        QVERIFY(vm->resendAfter() <= 60);
        QTRY_VERIFY_WITH_TIMEOUT(fieldOf(*view, "codeRow")->hasActiveFocus(), kSlowMachine);
    }

    // Enter in the code field signs in when the number, the code and the consent are complete.
    void enterInTheCodeField_data() {
        QTest::addColumn<bool>("agreed");
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("signIns");
        QTest::newRow("complete") << true << "246810" << 1;
        QTest::newRow("no consent") << false << "246810" << 0;
        QTest::newRow("short code") << true << "2468" << 0;
    }
    void enterInTheCodeField() {
        QFETCH(bool, agreed);
        QFETCH(QString, code);
        QFETCH(int, signIns);
        auto view = open(QSize(1100, 760));
        LoginViewModel *vm = viewModelOf(*view);
        QVERIFY(vm);
        vm->setPhone(QStringLiteral("13800138000"));
        vm->setAgreed(agreed);
        humanClick(*view, fieldOf(*view, "codeRow"));
        QTRY_COMPARE_WITH_TIMEOUT(vm->focus(), LoginViewModel::Code, kSlowMachine);
        typeDigits(*view, code);
        QTest::keyClick(&view->window(), Qt::Key_Return);
        QTest::keyClick(&view->window(), Qt::Key_Enter); // the keypad's key, ignored while the first runs
        if (signIns > 0)
            QTRY_VERIFY_WITH_TIMEOUT(vm->alertVisible(), 20000); // the sign-in answer; slow on a busy machine
        else
            QTest::qWait(50);
        QCOMPARE(m_platform->transport->count(loginPath), signIns);
    }

    // A window that grows leaves no scroll offset behind: no gap below the content, and a page that fits
    // starts at the top.
    void growingWindowLeavesNoOffset_data() {
        QTest::addColumn<QSize>("before");
        QTest::addColumn<QSize>("after");
        QTest::addColumn<bool>("focused");
        QTest::addColumn<bool>("duringFlick");
        QTest::newRow("app window taller") << QSize(1100, 760) << QSize(1100, 860) << false << false;
        QTest::newRow("smallest to large") << QSize(720, 560) << QSize(1100, 900) << false << false;
        QTest::newRow("still scrolling after growing")
            << QSize(720, 560) << QSize(720, 640) << false << false;
        QTest::newRow("with a field focused") << QSize(720, 560) << QSize(1100, 900) << true << false;
        QTest::newRow("while the wheel still moves it")
            << QSize(1100, 760) << QSize(1100, 900) << false << true;
    }
    void growingWindowLeavesNoOffset() {
        QFETCH(QSize, before);
        QFETCH(QSize, after);
        QFETCH(bool, focused);
        QFETCH(bool, duringFlick);
        auto view = open(before);
        auto *scroller = view->find(QStringLiteral("loginScroller"));
        auto *content = view->find(QStringLiteral("loginContent"));
        QVERIFY(scroller && content);
        if (focused)
            humanClick(*view, fieldOf(*view, "phoneRow"));
        drawFrames(*view, 15);
        QVERIFY(scroller->property("contentHeight").toReal() > scroller->height());

        // The learner scrolls to the end with the wheel, then makes the window taller.
        const QPoint at = QmlHarness::centreOf(scroller);
        for (int notch = 0; notch < 4; ++notch) {
            QWheelEvent wheel(at, view->window().mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QGuiApplication::sendEvent(&view->window(), &wheel);
            drawFrames(*view, 4);
        }
        if (!duringFlick)
            QTRY_VERIFY(!scroller->property("moving").toBool());
        QVERIFY(scroller->property("contentY").toReal() > 0);
        for (int step = 1; step <= 4; ++step) { // as a window manager grows it, a few steps at a time
            view->resize(before + (after - before) * step / 4);
            drawFrames(*view, 2);
        }
        drawFrames(*view, 30);

        const qreal contentY = scroller->property("contentY").toReal();
        const qreal spare = scroller->property("contentHeight").toReal() - scroller->height();
        QVERIFY2(contentY >= 0 && contentY <= std::max(0.0, spare) + 0.5,
                 qPrintable(QString::number(contentY)));
        const qreal bottom = content->mapToScene(QPointF(0, content->height())).y();
        QVERIFY2(bottom >= after.height() - 0.5,
                 qPrintable(QStringLiteral("a gap below the content: %1").arg(bottom)));
        QVERIFY(content->mapToScene(QPointF(0, 0)).y() <= 0.5);
        if (spare <= 0) {
            QCOMPARE(contentY, 0.0);
            auto *footer = view->find(QStringLiteral("loginFooter"));
            QVERIFY(footer && footer->mapToScene(QPointF(0, footer->height())).y() <= after.height());
        }
    }
};

QTEST_MAIN(TestLoginView)
#include "tst_loginview.moc"
