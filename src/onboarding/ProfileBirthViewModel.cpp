#include "ProfileBirthViewModel.h"

#include "Clock.h"
#include "ErrorText.h"
#include "OnboardingAPIClient.h"
#include "Platform.h"
#include "Theme.h"

#include <algorithm>
#include <exception>

AgeBand AgeBand::of(int age) {
    const QString night = QStringLiteral("，22:00–06:00 夜间休息");
    const QString shield = QStringLiteral("shield.lefthalf.filled");
    if (age <= 7)
        return {QStringLiteral("8 岁以下"), QStringLiteral("每天默认 40 分钟") + night,
                QStringLiteral("moon.stars.fill"), Theme::brandAmber()};
    if (age <= 13)
        return {QStringLiteral("8–13 岁"), QStringLiteral("每天默认 60 分钟") + night, shield,
                Theme::brandTeal()};
    if (age <= 15)
        return {QStringLiteral("14–15 岁"), QStringLiteral("每天默认 90 分钟") + night, shield,
                Theme::brandTeal()};
    if (age <= 17)
        return {QStringLiteral("16–17 岁"), QStringLiteral("每天默认 120 分钟") + night, shield,
                Theme::brandTeal()};
    return {QStringLiteral("成年"), QStringLiteral("不限学习时长，可随时自己安排"),
            QStringLiteral("checkmark.seal.fill"), Theme::brandMint()};
}

ProfileBirthViewModel::ProfileBirthViewModel(QObject *parent) : ScreenViewModel(parent) {
    const QDate today = Platform::clock().now().toTimeZone(timeZone()).date();
    if (today.isValid()) {
        m_nowYear = today.year();
        m_nowMonth = today.month();
    }
    m_year = std::min(m_nowYear, 2000);
    m_month = 1;
}

ProfileBirthViewModel::~ProfileBirthViewModel() = default;

QTimeZone ProfileBirthViewModel::timeZone() {
    const QTimeZone shanghai(QByteArrayLiteral("Asia/Shanghai"));
    return shanghai.isValid() ? shanghai : QTimeZone::systemTimeZone();
}

int ProfileBirthViewModel::ageAt(int year, int month, const QDateTime &now, const QTimeZone &zone) {
    const QDate first(year, month, 1);
    if (!first.isValid())
        return 0;
    const QDate last(year, month, first.daysInMonth());
    const QDateTime from(last, QTime(0, 0), zone);
    if (!from.isValid() || from > now)
        return 0;
    // Whole years: a birthday counts from its 00:00 in the same zone.
    const QDate today = now.toTimeZone(zone).date();
    int years = today.year() - last.year();
    if (today.month() < last.month() || (today.month() == last.month() && today.day() < last.day()))
        --years;
    return std::max(years, 0);
}

QString ProfileBirthViewModel::yearMonthText(int year, int month) {
    return QStringLiteral("%1-%2").arg(year, 4, 10, QLatin1Char('0')).arg(month, 2, 10, QLatin1Char('0'));
}

QList<int> ProfileBirthViewModel::yearOptions() const {
    QList<int> years;
    years.reserve(yearCount());
    for (int row = 0; row < yearCount(); ++row)
        years.append(yearAt(row));
    return years;
}

void ProfileBirthViewModel::setYear(int year) {
    year = std::clamp(year, m_nowYear - (yearCount() - 1), m_nowYear);
    if (m_year == year)
        return;
    const int maximum = monthMaximum();
    m_year = year;
    Q_EMIT yearChanged();
    if (monthMaximum() != maximum)
        Q_EMIT monthMaximumChanged();
    if (m_month > monthMaximum())
        clampMonth(); // announces the pick itself
    else
        Q_EMIT pickChanged();
}

void ProfileBirthViewModel::setMonth(int month) {
    // The month wheel offers only the months up to the maximum; a month still ahead is never picked.
    month = std::clamp(month, 1, monthMaximum());
    if (m_month == month)
        return;
    m_month = month;
    Q_EMIT monthChanged();
    Q_EMIT pickChanged();
}

void ProfileBirthViewModel::clampMonth() {
    if (m_month == monthMaximum())
        return;
    m_month = monthMaximum();
    Q_EMIT monthChanged();
    Q_EMIT pickChanged();
}

int ProfileBirthViewModel::rowsTurned(int &rest, int angleDelta) {
    if ((rest > 0 && angleDelta < 0) || (rest < 0 && angleDelta > 0))
        rest = 0;
    rest += angleDelta;
    const int rows = rest / notch; // towards zero: a part notch waits for the rest of it
    rest -= rows * notch;
    return rows;
}

void ProfileBirthViewModel::turnYearWheel(int angleDelta) {
    const int rows = rowsTurned(m_yearTurn, angleDelta);
    if (rows == 0)
        return;
    const int wanted = m_year + rows;
    setYear(wanted);
    if (m_year != wanted)
        m_yearTurn = 0;
}

void ProfileBirthViewModel::turnMonthWheel(int angleDelta) {
    const int rows = rowsTurned(m_monthTurn, angleDelta);
    if (rows == 0)
        return;
    const int wanted = m_month - rows;
    setMonth(wanted);
    if (m_month != wanted)
        m_monthTurn = 0;
}

QString ProfileBirthViewModel::pickedText() const {
    // Plain digits: a zh_CN locale would group the year ("2,010").
    return QString::number(m_year) + QStringLiteral(" 年 ") + QString::number(m_month) +
           QStringLiteral(" 月");
}

int ProfileBirthViewModel::age() const {
    return ageAt(m_year, m_month, Platform::clock().now(), timeZone());
}

void ProfileBirthViewModel::requestConfirm() {
    if (m_busy)
        return;
    setConfirming(true);
}

void ProfileBirthViewModel::cancelConfirm() {
    setConfirming(false);
}

void ProfileBirthViewModel::confirm() {
    setConfirming(false);
    if (m_busy)
        return;
    auto task = submit(); // runs on by itself; its outcome lands in the properties and the session
}

void ProfileBirthViewModel::signOut() {
    if (session())
        session()->signOut();
}

QCoro::Task<> ProfileBirthViewModel::submit() {
    const Appearance self = appearance();
    QPointer<AppSession> session = this->session();
    if (!session)
        co_return;
    const std::optional<QString> token = session->accessToken();
    setBusy(true);
    std::exception_ptr failure;
    try {
        const ProfileResponse answer =
            co_await OnboardingAPIClient().saveBirthMonth(birthYearMonth(), token, *session);
        // Applied even when the page is gone: the server has stored the month for good.
        if (session && session->accessToken() == token)
            session->setStatus(answer.status);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self.alive())
        co_return;
    if (failure)
        showFailure(failure);
    setBusy(false);
}

void ProfileBirthViewModel::setBusy(bool busy) {
    if (m_busy == busy)
        return;
    m_busy = busy;
    Q_EMIT busyChanged();
}

void ProfileBirthViewModel::setConfirming(bool confirming) {
    if (m_confirming == confirming)
        return;
    m_confirming = confirming;
    Q_EMIT confirmingChanged();
}
