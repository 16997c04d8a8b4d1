#pragma once

#include "ListModel.h"
#include "ScreenViewModel.h"
#include "StudyLimits.h"

#include <QCoro/QCoroTask>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <optional>

// One rest period as its row on the page edits it. `key` tells rows apart while the texts change under
// the learner's typing; positions are what the page and the save go by.
struct StudyLimitsPeriodRow {
    Q_GADGET
    Q_PROPERTY(int key MEMBER key)
    Q_PROPERTY(QString start MEMBER start)
    Q_PROPERTY(QString end MEMBER end)

public:
    int key = 0;
    QString start;
    QString end;

    int id() const { return key; }
    friend bool operator==(const StudyLimitsPeriodRow &, const StudyLimitsPeriodRow &) = default;
};

// The study-limits page ("学习时长"): today's used and remaining minutes, the daily limit on a stepper and
// the rest periods, loaded from the server each time the page comes on screen and saved with "保存".
//
// Until a load succeeds the page shows a spinner (a failed load keeps it and shows the failure). An adult
// account (`enforced` false) shows only a note. Otherwise `minutes` and the period rows are the learner's
// working copy: edits change only them, the save sends them exactly as they stand (the texts as typed, no
// checks: the server validates), and a successful load or save replaces them with the server's values.
//
// The stepper shows and sends the value as loaded, even one outside its range: only "+" and "−" move it,
// in steps of 5 and never past the range's ends. The range is the reply's minimum and maximum (15 and 240
// when absent); a maximum below the minimum leaves a range of the minimum alone.
//
// Failures go to `message` for the "提示" alert, as does "已保存". A reply arriving after the view-model is
// gone writes nothing; a load begun before the page left the screen writes nothing either.
class StudyLimitsViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool loaded READ loaded NOTIFY limitsChanged)
    Q_PROPERTY(bool enforced READ enforced NOTIFY limitsChanged)
    Q_PROPERTY(QString usedText READ usedText NOTIFY limitsChanged)
    Q_PROPERTY(QString remainingText READ remainingText NOTIFY limitsChanged)
    Q_PROPERTY(QString dailyFooter READ dailyFooter NOTIFY limitsChanged)
    Q_PROPERTY(qint64 minutes READ minutes NOTIFY stepperChanged)
    Q_PROPERTY(QString minutesLabel READ minutesLabel NOTIFY stepperChanged)
    Q_PROPERTY(qint64 lowerBound READ lowerBound NOTIFY stepperChanged)
    Q_PROPERTY(qint64 upperBound READ upperBound NOTIFY stepperChanged)
    Q_PROPERTY(bool canIncrement READ canIncrement NOTIFY stepperChanged)
    Q_PROPERTY(bool canDecrement READ canDecrement NOTIFY stepperChanged)
    Q_PROPERTY(ListModelBase *periods READ periodModel CONSTANT)
    Q_PROPERTY(bool canAddPeriod READ canAddPeriod NOTIFY canAddPeriodChanged)
    Q_PROPERTY(bool saving READ saving NOTIFY savingChanged)

public:
    explicit StudyLimitsViewModel(QObject *parent = nullptr);
    ~StudyLimitsViewModel() override;

    static constexpr qint64 initialMinutes = 60;
    static constexpr qint64 step = 5;
    static constexpr qint64 defaultLower = 15;
    static constexpr qint64 defaultUpper = 240;
    static constexpr int maxPeriods = 4;
    static inline const QString savedText = QStringLiteral("已保存");
    static inline const QString saveFailedText = QStringLiteral("保存失败，请稍后再试");

    const std::optional<StudyLimits> &limits() const { return m_limits; }
    bool loaded() const { return m_limits.has_value(); }
    bool enforced() const { return m_limits && m_limits->enforced; }
    QString usedText() const;
    QString remainingText() const;
    // "最多 240 分钟（按年龄的默认上限），可以调低，不能调高。", naming the reply's maximum as sent.
    QString dailyFooter() const;

    qint64 minutes() const { return m_minutes; }
    QString minutesLabel() const; // "每天 60 分钟"
    qint64 lowerBound() const;
    qint64 upperBound() const; // never below lowerBound()
    bool canIncrement() const { return m_minutes < upperBound(); }
    bool canDecrement() const { return m_minutes > lowerBound(); }

    ListModelBase *periodModel() const { return m_periods; }
    const ListModel<StudyLimitsPeriodRow> &periodRows() const { return *m_periods; }
    QList<StudyLimits::Period> periods() const;
    bool canAddPeriod() const { return m_periods->count() < maxPeriods; }

    bool saving() const { return m_saving; }

    // The page came on screen: loads the limits (again each time).
    Q_INVOKABLE void load();
    // The page left the screen: a load under way is dropped.
    Q_INVOKABLE void disappear();
    // "保存": ignored while a save runs.
    Q_INVOKABLE void save();
    // "+" / "−" of the stepper; ignored at the range's end.
    Q_INVOKABLE void increment();
    Q_INVOKABLE void decrement();
    // "添加休息时段": a period from "12:00" to "13:00" at the end, while fewer than four are listed.
    Q_INVOKABLE void addPeriod();
    // The row at that position, as the learner edits or deletes it; positions outside the list do nothing.
    Q_INVOKABLE void removePeriod(int row);
    Q_INVOKABLE void setPeriodStart(int row, const QString &start);
    Q_INVOKABLE void setPeriodEnd(int row, const QString &end);

    // The load and the save, for callers that wait for them (tests).
    QCoro::Task<> runLoad();
    QCoro::Task<> runSave();

    // A reply body decoded into the page: the limits, `minutes` and the rows together. Throws the decoding
    // `ApiError` and changes nothing when the body does not decode.
    void apply(const QByteArray &body);
    // {"daily_minutes": minutes, "blocked_periods": [{"start", "end"}, ...]} in the rows' order.
    QJsonObject saveBody() const;

Q_SIGNALS:
    void limitsChanged();
    void stepperChanged();
    void canAddPeriodChanged();
    void savingChanged();

private:
    struct Stepper {
        qint64 minutes;
        qint64 lower;
        qint64 upper;
        bool operator==(const Stepper &) const = default;
    };
    Stepper stepper() const { return {m_minutes, lowerBound(), upperBound()}; }
    void setStepper(const Stepper &before);
    void setMinutes(qint64 minutes);
    void setPeriods(const QList<StudyLimits::Period> &periods);
    void editPeriod(int row, const QString *start, const QString *end);
    void setSaving(bool saving);

    std::optional<StudyLimits> m_limits;
    qint64 m_minutes = initialMinutes;
    ListModel<StudyLimitsPeriodRow> *m_periods;
    int m_nextKey = 0;
    bool m_canAddPeriod = true;
    bool m_saving = false;
};
