#pragma once

#include "ScreenViewModel.h"

#include <QColor>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimeZone>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

// The youth-protection band that follows from an age: how long and when a learner may study by default.
struct AgeBand {
    QString title;
    QString detail;
    QString symbol;
    QColor tint;

    // The band of an age in full years.
    static AgeBand of(int age);
};

// The one-time capture of the learner's birth year and month, asked of an account whose status is
// "PendingProfile" before it may enter the app. The learner picks a year (this year down to a hundred years
// ago) and a month (never one still ahead), sees the age and its band, confirms that the value cannot be
// changed later, and the month is sent with PUT "/api/v1/me/profile". The server's answer carries the
// account's new status, which is written into the session; the root view moves on by itself.
//
// The clock is read once, when the model is made (the platform clock, so tests can fix it), in Shanghai time,
// where the service counts ages.
//
// The status write outlives the page: the page goes away as soon as the status changes, and a page closed
// while the request runs must not lose an answer the server already stored. It is written only while the
// session still holds the token the request was sent with: a learner who signed out meanwhile must not find
// the new status in the signed-out session.
class ProfileBirthViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(int nowYear READ nowYear CONSTANT)
    Q_PROPERTY(int nowMonth READ nowMonth CONSTANT)
    Q_PROPERTY(int yearCount READ yearCount CONSTANT)
    Q_PROPERTY(int year READ year WRITE setYear NOTIFY yearChanged)
    Q_PROPERTY(int month READ month WRITE setMonth NOTIFY monthChanged)
    Q_PROPERTY(int monthMaximum READ monthMaximum NOTIFY monthMaximumChanged)
    Q_PROPERTY(QString birthYearMonth READ birthYearMonth NOTIFY pickChanged)
    Q_PROPERTY(QString pickedText READ pickedText NOTIFY pickChanged)
    Q_PROPERTY(QString confirmTitle READ confirmTitle NOTIFY pickChanged)
    Q_PROPERTY(int age READ age NOTIFY pickChanged)
    Q_PROPERTY(QString bandTitle READ bandTitle NOTIFY pickChanged)
    Q_PROPERTY(QString bandDetail READ bandDetail NOTIFY pickChanged)
    Q_PROPERTY(QString bandSymbol READ bandSymbol NOTIFY pickChanged)
    Q_PROPERTY(QColor bandTint READ bandTint NOTIFY pickChanged)
    Q_PROPERTY(QString bandTag READ bandTag NOTIFY pickChanged)
    Q_PROPERTY(bool protectedAge READ protectedAge NOTIFY pickChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    Q_PROPERTY(bool confirming READ confirming NOTIFY confirmingChanged)

public:
    explicit ProfileBirthViewModel(QObject *parent = nullptr);
    ~ProfileBirthViewModel() override;

    static inline const QString dialogTitle = QStringLiteral("确认出生年月");
    static inline const QString dialogMessage = QStringLiteral("出生年月提交后不能自行修改，请确认无误。");

    // Shanghai, or the device's zone where the system does not know it.
    static QTimeZone timeZone();
    // Full years from the last day of the month (00:00 in `zone`) to `now`; 0 while that day is ahead.
    static int ageAt(int year, int month, const QDateTime &now, const QTimeZone &zone);
    // "2010-03".
    static QString yearMonthText(int year, int month);

    int nowYear() const { return m_nowYear; }
    int nowMonth() const { return m_nowMonth; }
    // This year first, then each year before it, a hundred back.
    QList<int> yearOptions() const;
    int yearCount() const { return 101; }
    int year() const { return m_year; }
    // Moving onto this year pulls a month still ahead back to this month.
    void setYear(int year);
    int month() const { return m_month; }
    void setMonth(int month);
    // This month when this year is picked, else 12.
    int monthMaximum() const { return m_year == m_nowYear ? m_nowMonth : 12; }
    void clampMonth();
    QString birthYearMonth() const { return yearMonthText(m_year, m_month); }
    // "2010 年 3 月".
    QString pickedText() const;
    // "确认 2010 年 3 月".
    QString confirmTitle() const { return QStringLiteral("确认 ") + pickedText(); }
    int age() const;
    AgeBand ageBand() const { return AgeBand::of(age()); }
    QString bandTitle() const { return ageBand().title; }
    QString bandDetail() const { return ageBand().detail; }
    QString bandSymbol() const { return ageBand().symbol; }
    QColor bandTint() const { return ageBand().tint; }
    bool protectedAge() const { return age() <= 17; }
    QString bandTag() const {
        return protectedAge() ? QStringLiteral("学习保护") : QStringLiteral("自由学习");
    }
    bool busy() const { return m_busy; }
    bool confirming() const { return m_confirming; }

    // The year at a row of the year wheel.
    Q_INVOKABLE int yearAt(int row) const { return m_nowYear - row; }
    // A mouse wheel or touchpad over a wheel, in eighths of a degree as Qt reports them (positive: away from
    // the learner). Every 120 move the pick one row, towards the top row for a positive turn (a later year,
    // an earlier month), so each notch of a mouse wheel is one row and quick turns lose none; a touchpad's
    // small deltas add up, and whatever would run past the first or last row is dropped.
    Q_INVOKABLE void turnYearWheel(int angleDelta);
    Q_INVOKABLE void turnMonthWheel(int angleDelta);
    static constexpr int notch = 120;
    // The confirm button: opens the dialog (not while a submission runs).
    Q_INVOKABLE void requestConfirm();
    // The dialog closed without confirming.
    Q_INVOKABLE void cancelConfirm();
    // The dialog's confirm button.
    Q_INVOKABLE void confirm();
    Q_INVOKABLE void signOut();

    // Sends the picked month and applies the answer (tests wait for it; `confirm` starts it by itself).
    QCoro::Task<> submit();

Q_SIGNALS:
    void yearChanged();
    void monthChanged();
    void monthMaximumChanged();
    void pickChanged();
    void busyChanged();
    void confirmingChanged();

private:
    void setBusy(bool busy);
    void setConfirming(bool confirming);
    // Whole rows of the turn added to what `rest` keeps of earlier ones; a turn the other way starts afresh.
    static int rowsTurned(int &rest, int angleDelta);

    int m_yearTurn = 0;
    int m_monthTurn = 0;
    int m_nowYear = 2026;
    int m_nowMonth = 1;
    int m_year = 2000;
    int m_month = 1;
    bool m_busy = false;
    bool m_confirming = false;
};
