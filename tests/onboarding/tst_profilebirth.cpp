// The birth-month capture: the year list and month clamp, the age across the Shanghai midnight, the bands,
// the request and its answers (the late ones included), and the page loaded offscreen.
#include "AppFonts.h"
#include "AppSession.h"
#include "AuthAPIClient.h"
#include "Await.h"
#include "OnboardingAPIClient.h"
#include "ProfileBirthViewModel.h"
#include "QmlHarness.h"
#include "Symbols.h"
#include "TestPlatform.h"
#include "Theme.h"

#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {

using Reply = FakeTransport::Reply;

QDateTime utc(int y, int mo, int d, int h, int mi, int s = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

const QString pending = QStringLiteral("PendingProfile");

void signIn(AppSession &session, const QString &token = QStringLiteral("tok")) {
    session.setAccessToken(token);
    session.setStatus(pending);
}

} // namespace

class TestProfileBirth : public QObject {
    Q_OBJECT

    std::unique_ptr<QmlHarness::WarningGuard> m_guard;

private Q_SLOTS:
    void initTestCase() {
        AppFonts::install(*qGuiApp);
        m_guard = std::make_unique<QmlHarness::WarningGuard>();
    }
    void cleanupTestCase() { m_guard.reset(); }

    // The clock is read in Shanghai: late on 31 December UTC is already the new year there.
    void yearListAndInitialPick_data() {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<int>("nowYear");
        QTest::addColumn<int>("nowMonth");
        QTest::addColumn<int>("initialYear");
        QTest::newRow("mid June") << utc(2026, 6, 15, 4, 0) << 2026 << 6 << 2000;
        QTest::newRow("new year in Shanghai only") << utc(2025, 12, 31, 16, 30) << 2026 << 1 << 2000;
        QTest::newRow("before 2000") << utc(1998, 5, 1, 0, 0) << 1998 << 5 << 1998;
    }
    void yearListAndInitialPick() {
        QFETCH(QDateTime, now);
        QFETCH(int, nowYear);
        QFETCH(int, nowMonth);
        QFETCH(int, initialYear);
        TestPlatform platform;
        platform.clock->set(now);
        ProfileBirthViewModel model;
        QCOMPARE(model.nowYear(), nowYear);
        QCOMPARE(model.nowMonth(), nowMonth);
        const QList<int> years = model.yearOptions();
        QCOMPARE(years.size(), 101);
        QCOMPARE(years.first(), nowYear);
        QCOMPARE(years.last(), nowYear - 100);
        QVERIFY(std::is_sorted(years.rbegin(), years.rend()));
        QCOMPARE(model.year(), initialYear);
        QCOMPARE(model.month(), 1);
    }

    // With April as this month: moving onto this year pulls a later month back, never an earlier one.
    void monthClamp_data() {
        QTest::addColumn<int>("picked");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("maximum");
        QTest::newRow("December onto this year") << 12 << 2026 << 4 << 4;
        QTest::newRow("March onto this year") << 3 << 2026 << 3 << 4;
        QTest::newRow("April onto this year") << 4 << 2026 << 4 << 4;
        QTest::newRow("December onto last year") << 12 << 2025 << 12 << 12;
        QTest::newRow("beyond the list") << 6 << 1800 << 6 << 12;
    }
    void monthClamp() {
        QFETCH(int, picked);
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, maximum);
        TestPlatform platform;
        platform.clock->set(utc(2026, 4, 10, 4, 0));
        ProfileBirthViewModel model;
        model.setMonth(picked);
        QSignalSpy maxima(&model, &ProfileBirthViewModel::monthMaximumChanged);
        model.setYear(year);
        QCOMPARE(model.month(), month);
        QCOMPARE(model.monthMaximum(), maximum);
        QCOMPARE(maxima.count(), maximum == 12 ? 0 : 1);
        QVERIFY(model.year() >= 1926 && model.year() <= 2026);
        // The wheel never offers a month still ahead.
        model.setMonth(12);
        QCOMPARE(model.month(), maximum);
    }

    // Ages count from 00:00 Shanghai on the last day of the picked month.
    void age_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<int>("age");
        QTest::newRow("day before, Shanghai 23:59:59") << 2012 << 3 << utc(2026, 3, 30, 15, 59, 59) << 13;
        QTest::newRow("last day, Shanghai 00:00") << 2012 << 3 << utc(2026, 3, 30, 16, 0) << 14;
        QTest::newRow("first of the month is not enough") << 2012 << 3 << utc(2026, 3, 1, 4, 0) << 13;
        QTest::newRow("this month, its end ahead") << 2026 << 6 << utc(2026, 6, 15, 4, 0) << 0;
        QTest::newRow("last month") << 2026 << 5 << utc(2026, 6, 15, 4, 0) << 0;
        QTest::newRow("leap February, day before") << 2012 << 2 << utc(2026, 2, 27, 16, 0) << 13;
        QTest::newRow("leap February, 1 March") << 2012 << 2 << utc(2026, 2, 28, 16, 0) << 14;
        QTest::newRow("a century") << 1926 << 6 << utc(2026, 6, 30, 4, 0) << 100;
    }
    void age() {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(QDateTime, now);
        QFETCH(int, age);
        QCOMPARE(ProfileBirthViewModel::ageAt(year, month, now, ProfileBirthViewModel::timeZone()), age);
        TestPlatform platform;
        platform.clock->set(now);
        ProfileBirthViewModel model;
        model.setYear(year);
        model.setMonth(month);
        QCOMPARE(model.age(), age);
    }

    void bands_data() {
        QTest::addColumn<int>("age");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QColor>("tint");
        const QString night = QStringLiteral("，22:00–06:00 夜间休息");
        QTest::newRow("0") << 0 << "8 岁以下"
                           << "每天默认 40 分钟" + night << "moon.stars.fill" << Theme::brandAmber();
        QTest::newRow("7") << 7 << "8 岁以下"
                           << "每天默认 40 分钟" + night << "moon.stars.fill" << Theme::brandAmber();
        QTest::newRow("8") << 8 << "8–13 岁"
                           << "每天默认 60 分钟" + night << "shield.lefthalf.filled" << Theme::brandTeal();
        QTest::newRow("13") << 13 << "8–13 岁"
                            << "每天默认 60 分钟" + night << "shield.lefthalf.filled" << Theme::brandTeal();
        QTest::newRow("14") << 14 << "14–15 岁"
                            << "每天默认 90 分钟" + night << "shield.lefthalf.filled" << Theme::brandTeal();
        QTest::newRow("17") << 17 << "16–17 岁"
                            << "每天默认 120 分钟" + night << "shield.lefthalf.filled" << Theme::brandTeal();
        QTest::newRow("18") << 18 << "成年"
                            << "不限学习时长，可随时自己安排"
                            << "checkmark.seal.fill" << Theme::brandMint();
    }
    void bands() {
        QFETCH(int, age);
        QFETCH(QString, title);
        QFETCH(QString, detail);
        QFETCH(QString, symbol);
        QFETCH(QColor, tint);
        const AgeBand band = AgeBand::of(age);
        QCOMPARE(band.title, title);
        QCOMPARE(band.detail, detail);
        QCOMPARE(band.symbol, symbol);
        QVERIFY(Symbols::contains(band.symbol));
        QCOMPARE(band.tint, tint);
        // The dashes are en dashes, never hyphens.
        QVERIFY(!band.title.contains(u'-') && !band.detail.contains(u'-'));
    }

    // 17 is still protected, 18 is free; December of the year picked, on 1 March 2026.
    void tagAndHint_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<bool>("hint");
        QTest::newRow("17") << 2008 << "学习保护" << true;
        QTest::newRow("18") << 2007 << "自由学习" << false;
    }
    void tagAndHint() {
        QFETCH(int, year);
        QFETCH(QString, tag);
        QFETCH(bool, hint);
        TestPlatform platform;
        platform.clock->set(utc(2026, 3, 1, 4, 0));
        ProfileBirthViewModel model;
        model.setYear(year);
        model.setMonth(12);
        QCOMPARE(model.bandTag(), tag);
        QCOMPARE(model.protectedAge(), hint);
    }

    void requestBodyAndDialogTitle_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("title");
        QTest::newRow("2010-03") << 2010 << 3 << "2010-03"
                                 << "确认 2010 年 3 月";
        QTest::newRow("2005-11") << 2005 << 11 << "2005-11"
                                 << "确认 2005 年 11 月";
    }
    void requestBodyAndDialogTitle() {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(QString, value);
        QFETCH(QString, title);
        TestPlatform platform;
        platform.transport->on("PUT", OnboardingAPIClient::profilePath,
                               Reply::json(200, R"({"status":"Active","age_band":"adult"})"));
        AppSession session;
        signIn(session);
        ProfileBirthViewModel model;
        model.setSession(&session);
        model.setYear(year);
        model.setMonth(month);
        QCOMPARE(model.confirmTitle(), title);
        Await::result(model.submit());
        QCOMPARE(platform.transport->requests.size(), 1);
        const HttpRequest &sent = platform.transport->requests.first();
        QCOMPARE(sent.method, QByteArray("PUT"));
        QCOMPARE(sent.header("Authorization"), std::optional<QByteArray>("Bearer tok"));
        QCOMPARE(sent.header("Content-Type"), std::optional<QByteArray>("application/json"));
        const QJsonObject body = QJsonDocument::fromJson(sent.body).object();
        QCOMPARE(body, QJsonObject({{"birth_year_month", value}}));
    }

    // Every answer: the status the session ends with, the alert text, and a page ready again.
    void submit_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("accountStatus");
        QTest::addColumn<QString>("alert");
        QTest::newRow("stored") << 200 << QByteArray(R"({"status":"Active","age_band":"adult"})") << "Active"
                                << "";
        QTest::newRow("no age band") << 200 << QByteArray(R"({"status":"Active"})") << "Active"
                                     << "";
        QTest::newRow("still pending")
            << 200 << QByteArray(R"({"status":"PendingProfile"})") << pending << "";
        QTest::newRow("bad month") << 400 << QByteArray(R"({"code":"bad","message":"出生年月不正确"})")
                                   << pending << "出生年月不正确";
        QTest::newRow("already set") << 409 << QByteArray(R"({"message":"出生年月已提交，不能修改"})")
                                     << pending << "出生年月已提交，不能修改";
        QTest::newRow("no message") << 500 << QByteArray("oops") << pending << "请求失败（500）";
        QTest::newRow("401 not renewed") << 401 << QByteArray("{}") << pending << "请求失败（401）";
        QTest::newRow("no status") << 200 << QByteArray(R"({"age_band":"adult"})") << pending
                                   << "响应格式不正确";
    }
    void submit() {
        QFETCH(int, status);
        QFETCH(QByteArray, answer);
        QFETCH(QString, accountStatus);
        QFETCH(QString, alert);
        TestPlatform platform;
        platform.transport->on("PUT", OnboardingAPIClient::profilePath, Reply::json(status, answer));
        AppSession session;
        signIn(session);
        ProfileBirthViewModel model;
        model.setSession(&session);
        model.requestConfirm();
        QVERIFY(model.confirming());
        QSignalSpy busy(&model, &ProfileBirthViewModel::busyChanged);
        model.confirm();
        QVERIFY(!model.confirming());
        QVERIFY(model.busy());
        // A second dialog cannot open while the month is on its way.
        model.requestConfirm();
        QVERIFY(!model.confirming());
        QTRY_VERIFY(!model.busy());
        QCOMPARE(busy.count(), 2);
        QCOMPARE(session.statusText(), accountStatus);
        QCOMPARE(model.message(), alert);
        QCOMPARE(model.alertVisible(), !alert.isEmpty());
        QCOMPARE(model.year(), 2000);
        QCOMPARE(platform.transport->count(OnboardingAPIClient::profilePath), 1); // no renewal, no resend
    }

    void retryAfterRefusal() {
        TestPlatform platform;
        platform.transport->on("PUT", OnboardingAPIClient::profilePath,
                               Reply::json(400, R"({"message":"出生年月不正确"})"));
        platform.transport->on("PUT", OnboardingAPIClient::profilePath,
                               Reply::json(200, R"({"status":"Active"})"));
        AppSession session;
        signIn(session);
        ProfileBirthViewModel model;
        model.setSession(&session);
        model.setYear(2010);
        Await::result(model.submit());
        QVERIFY(model.alertVisible());
        model.dismissMessage();
        QVERIFY(!model.alertVisible());
        model.requestConfirm();
        QVERIFY(model.confirming());
        Await::result(model.submit());
        QCOMPARE(session.statusText(), QStringLiteral("Active"));
        QVERIFY(!model.alertVisible());
    }

    // A late answer lands only in the session it was asked for, and never in a freed page.
    void lateAnswer_data() {
        QTest::addColumn<bool>("signOut");
        QTest::addColumn<bool>("otherAccount");
        QTest::addColumn<bool>("closePage");
        QTest::addColumn<std::optional<QString>>("status");
        using S = std::optional<QString>;
        QTest::newRow("signed out meanwhile") << true << false << false << S();
        QTest::newRow("another account signed in") << true << true << false << S(pending);
        QTest::newRow("page closed") << false << false << true << S(QStringLiteral("Active"));
        QTest::newRow("page closed and signed out") << true << false << true << S();
    }
    void lateAnswer() {
        QFETCH(bool, signOut);
        QFETCH(bool, otherAccount);
        QFETCH(bool, closePage);
        QFETCH(std::optional<QString>, status);
        TestPlatform platform;
        platform.transport->on("PUT", OnboardingAPIClient::profilePath,
                               Reply::json(200, R"({"status":"Active"})").after(40));
        AppSession session;
        signIn(session);
        auto model = std::make_unique<ProfileBirthViewModel>();
        model->setSession(&session);
        QPointer<ProfileBirthViewModel> page = model.get();
        model->confirm();
        QVERIFY(model->busy());
        if (signOut)
            model->signOut();
        if (otherAccount)
            signIn(session, QStringLiteral("other"));
        if (closePage)
            model.reset();
        QTRY_COMPARE(platform.transport->requests.size(), 1);
        QTest::qWait(120);
        QCOMPARE(session.status(), status);
        if (!closePage)
            QVERIFY(!model->busy());
        QCOMPARE(page.isNull(), closePage);
    }

    // The wheels under a mouse in a window: every notch is one row however quickly they come, a touchpad's
    // small deltas add up to rows, a turn never runs past the ends, and a click on a visible row picks it.
    void wheels_data() {
        QTest::addColumn<QString>("wheel");
        QTest::addColumn<QList<int>>("deltas");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::newRow("year: a notch away") << "yearWheel" << QList<int>{120} << 2013 << 5;
        QTest::newRow("year: a notch back") << "yearWheel" << QList<int>{-120} << 2011 << 5;
        QTest::newRow("year: six quick notches") << "yearWheel" << QList<int>(6, -120) << 2006 << 5;
        QTest::newRow("year: touchpad") << "yearWheel" << QList<int>{40, 40, 30, 30, 10} << 2013 << 5;
        QTest::newRow("year: back and forth") << "yearWheel" << QList<int>{60, -120, -60, 120} << 2012 << 5;
        QTest::newRow("year: past this year") << "yearWheel" << QList<int>(20, 120) << 2026 << 3;
        QTest::newRow("month: a notch back") << "monthWheel" << QList<int>{-120} << 2012 << 6;
        QTest::newRow("month: four quick notches away") << "monthWheel" << QList<int>(4, 120) << 2012 << 1;
        QTest::newRow("month: past December") << "monthWheel" << QList<int>(9, -120) << 2012 << 12;
    }
    void wheels() {
        QFETCH(QString, wheel);
        QFETCH(QList<int>, deltas);
        QFETCH(int, year);
        QFETCH(int, month);
        TestPlatform platform;
        platform.clock->set(utc(2026, 3, 1, 4, 0));
        AppSession session;
        signIn(session);
        QmlHarness::View shown(QSize(390, 844));
        QVERIFY2(
            shown.loadType(QStringLiteral("ProfileBirthView"), {{"session", QVariant::fromValue(&session)}}),
            qPrintable(shown.error()));
        auto *model = shown.root()->property("viewModel").value<ProfileBirthViewModel *>();
        model->setYear(2012);
        model->setMonth(5);
        QQuickItem *turned = shown.find(wheel);
        QVERIFY(turned);
        const QPointF at = QmlHarness::centreOf(turned);
        for (const int delta : deltas) {
            QWheelEvent event(at, shown.window().mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QGuiApplication::sendEvent(&shown.window(), &event);
        }
        QTest::qWait(50);
        QCOMPARE(model->year(), year);
        QCOMPARE(model->month(), month);
        // The wheels settle on the pick, and stay there.
        QTRY_COMPARE_WITH_TIMEOUT(shown.find(QStringLiteral("yearWheel"))->property("currentIndex").toInt(),
                                  2026 - year, 3000);
        QTRY_COMPARE_WITH_TIMEOUT(shown.find(QStringLiteral("monthWheel"))->property("currentIndex").toInt(),
                                  month - 1, 3000);
        QTest::qWait(600);
        QCOMPARE(model->year(), year);
        QCOMPARE(model->month(), month);

        // A click on the row two below the pick, drawn there, picks that row.
        const QString rowName =
            wheel == u"yearWheel" ? QStringLiteral("yearRow") : QStringLiteral("monthRow");
        const QString target = wheel == u"yearWheel" ? QString::number(year - 2) + QStringLiteral(" 年")
                                                     : QString::number(month > 10 ? month - 2 : month + 2) +
                                                           QStringLiteral(" 月");
        QQuickItem *row = nullptr;
        for (QQuickItem *candidate : QmlHarness::visibleNamed(turned, rowName))
            if (candidate->property("text").toString() == target)
                row = candidate;
        QVERIFY2(row, qPrintable(target));
        // Two rows off the middle, once the glide from the first pick has ended.
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(std::abs(row->property("distance").toReal()) - 2) < 0.01, 5000);
        const QPointF rowAt = QmlHarness::centreOf(row);
        QVERIFY(turned->contains(turned->mapFromScene(rowAt)));
        QTest::mouseClick(&shown.window(), Qt::LeftButton, {}, rowAt.toPoint());
        QTRY_COMPARE(model->pickedText(), wheel == u"yearWheel"
                                              ? QStringLiteral("%1 年 %2 月").arg(year - 2).arg(month)
                                              : QStringLiteral("%1 年 %2").arg(year).arg(target));
    }

    // A row picks on a click only: dragging the wheel up still turns it to earlier years.
    void dragStillTurns() {
        TestPlatform platform;
        platform.clock->set(utc(2026, 3, 1, 4, 0));
        AppSession session;
        signIn(session);
        QmlHarness::View shown(QSize(390, 844));
        QVERIFY(
            shown.loadType(QStringLiteral("ProfileBirthView"), {{"session", QVariant::fromValue(&session)}}));
        auto *model = shown.root()->property("viewModel").value<ProfileBirthViewModel *>();
        QTest::qWait(300);
        const QPoint at = QmlHarness::centreOf(shown.find(QStringLiteral("yearWheel")));
        QTest::mousePress(&shown.window(), Qt::LeftButton, {}, at);
        for (int step = 1; step <= 20; ++step)
            QTest::mouseMove(&shown.window(), at - QPoint(0, step * 4), 16);
        QTest::mouseRelease(&shown.window(), Qt::LeftButton, {}, at - QPoint(0, 80), 16);
        QTRY_VERIFY_WITH_TIMEOUT(model->year() < 2000, 3000);
    }

    // The page offscreen: no warning, the texts of the pick and the band, the dialog, and a picture.
    void pageLoads() {
        TestPlatform platform;
        platform.clock->set(utc(2026, 3, 1, 4, 0));
        platform.transport->on("PUT", OnboardingAPIClient::profilePath,
                               Reply::json(400, R"({"message":"出生年月不正确"})"));
        AppSession session;
        signIn(session);
        m_guard->take();
        QmlHarness::View shown(QmlHarness::screenshotSize(QSize(390, 844)));
        m_guard->watch(shown.engine());
        QVERIFY2(
            shown.loadType(QStringLiteral("ProfileBirthView"), {{"session", QVariant::fromValue(&session)}}),
            qPrintable(shown.error()));
        auto *model = shown.root()->property("viewModel").value<ProfileBirthViewModel *>();
        QVERIFY(model);
        model->setYear(2012);
        model->setMonth(5);
        QCOMPARE(shown.find(QStringLiteral("pickedText"))->property("text").toString(),
                 QStringLiteral("2012 年 5 月"));
        QCOMPARE(shown.find(QStringLiteral("ageText"))->property("text").toString(), QStringLiteral("13"));
        QCOMPARE(shown.find(QStringLiteral("bandTitle"))->property("text").toString(),
                 QStringLiteral("8–13 岁"));
        QVERIFY(shown.find(QStringLiteral("bandHint"), true));
        QCOMPARE(shown.find(QStringLiteral("yearWheel"))->property("currentIndex").toInt(), 14);
        QCOMPARE(shown.find(QStringLiteral("monthWheel"))->property("currentIndex").toInt(), 4);
        // This year offers only January to March.
        model->setYear(2026);
        QTRY_COMPARE(shown.find(QStringLiteral("monthWheel"))->property("count").toInt(), 3);
        QCOMPARE(model->month(), 3);
        model->setYear(2012);
        QTRY_COMPARE(shown.find(QStringLiteral("monthWheel"))->property("count").toInt(), 12);
        QCOMPARE(model->month(), 3);
        QCOMPARE(shown.find(QStringLiteral("yearWheel"))->property("currentIndex").toInt(), 14);
        QTRY_COMPARE(shown.find(QStringLiteral("monthWheel"))->property("currentIndex").toInt(), 2);
        // The wheels glide to a pick made from outside; let them arrive before the picture.
        if (!QmlHarness::screenshotFolder().isEmpty())
            QTest::qWait(2500);
        QVERIFY(QmlHarness::saveScreenshot(shown.window(), QStringLiteral("profile-birth")));

        QVERIFY(shown.click(QStringLiteral("confirmButton")));
        QTRY_VERIFY(model->confirming());
        QTest::qWait(200);
        QVERIFY(QmlHarness::saveScreenshot(shown.window(), QStringLiteral("profile-birth-confirm")));
        model->confirm();
        QTRY_VERIFY(model->alertVisible());
        QVERIFY(!model->busy());
        QTest::qWait(200);
        QVERIFY(QmlHarness::saveScreenshot(shown.window(), QStringLiteral("profile-birth-error")));
        const QStringList warnings = m_guard->take();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(u'\n')));
    }
};

QTEST_MAIN(TestProfileBirth)
#include "tst_profilebirth.moc"
