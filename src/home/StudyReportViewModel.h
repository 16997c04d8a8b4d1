#pragma once

#include "ListModel.h"
#include "ScreenViewModel.h"
#include "StudyReport.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <optional>

// One row of the report page's list, top to bottom: the summary card, the "需要加强" heading, the weak
// points (or the note that there are none), each chapter's title and its knowledge points, the explanation.
// `kind` tells the delegate which face to show; the knowledge-point roles are empty on other rows.
struct StudyReportRow {
    Q_GADGET
    Q_PROPERTY(QString key MEMBER key)
    Q_PROPERTY(QString kind MEMBER kind) // "summary", "heading", "kp", "note", "chapter", "explanation"
    Q_PROPERTY(QString text MEMBER text)
    Q_PROPERTY(QString kpName MEMBER kpName)
    Q_PROPERTY(QString levelLabel MEMBER levelLabel)
    Q_PROPERTY(int levelTone MEMBER levelTone) // a Theme::Role
    Q_PROPERTY(bool highlight MEMBER highlight)
    Q_PROPERTY(double rate MEMBER rate) // the progress bar, 0..100
    Q_PROPERTY(QString detail MEMBER detail)

public:
    QString key; // unique within the page: a weak point and the same point in its chapter differ
    QString kind;
    QString text;
    QString kpName;
    QString levelLabel;
    int levelTone = 0;
    bool highlight = false;
    double rate = 0;
    QString detail;

    const QString &id() const { return key; }
    friend bool operator==(const StudyReportRow &, const StudyReportRow &) = default;
};

// One bar of the summary card's day chart.
struct StudyReportDayBar {
    Q_GADGET
    Q_PROPERTY(QString date MEMBER date)
    Q_PROPERTY(QString label MEMBER label)
    Q_PROPERTY(int barHeight MEMBER barHeight)
    Q_PROPERTY(bool active MEMBER active) // any attempts that day: a full bar, else a faint one

public:
    QString date;
    QString label;
    int barHeight = 4;
    bool active = false;

    const QString &id() const { return date; }
    friend bool operator==(const StudyReportDayBar &, const StudyReportDayBar &) = default;
};

// The study report page ("学情报告"): loads the report when the page comes on screen and again on a pull, the
// mouse wheel or F5, and turns it into the rows of a lazy list and the bars of the day chart.
//
// States: loading until the first answer; the report once one arrived (a later failure keeps it on screen and
// shows nothing); failed, with the failure's text, while no report arrived yet. Overlapping loads each apply
// their outcome, the later one winning. A load still running when the page left the screen, or when the
// view-model is gone, writes nothing.
class StudyReportViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(State state READ state NOTIFY stateChanged)
    Q_PROPERTY(QString errorText READ errorText NOTIFY errorTextChanged)
    Q_PROPERTY(bool refreshing READ refreshing NOTIFY refreshingChanged)
    Q_PROPERTY(QString headline READ headline NOTIFY summaryChanged)
    Q_PROPERTY(QString activityLine READ activityLine NOTIFY summaryChanged)
    Q_PROPERTY(ListModelBase *rows READ rowModel CONSTANT)
    Q_PROPERTY(ListModelBase *dayBars READ dayBarModel CONSTANT)

public:
    enum State { Loading, Shown, Failed };
    Q_ENUM(State)

    explicit StudyReportViewModel(QObject *parent = nullptr);
    ~StudyReportViewModel() override;

    State state() const;
    const std::optional<StudyReport> &report() const { return m_report; }
    // The last failure's text; kept after a later failure of a refresh, cleared by a success.
    QString errorText() const { return m_error.value_or(QString()); }
    bool refreshing() const { return m_running > 0; }
    QString headline() const { return m_report ? headline(m_report->week) : QString(); }
    QString activityLine() const { return m_report ? activityLine(m_report->week) : QString(); }
    ListModelBase *rowModel() const { return m_rows; }
    ListModelBase *dayBarModel() const { return m_dayBars; }
    const ListModel<StudyReportRow> &rows() const { return *m_rows; }
    const ListModel<StudyReportDayBar> &dayBars() const { return *m_dayBars; }

    // The page came on screen / was pulled: loads the report.
    Q_INVOKABLE void load();
    Q_INVOKABLE void refresh() { load(); }
    // The page left the screen: loads under way are dropped.
    Q_INVOKABLE void disappear();

    // The load, for callers that wait for it to end (tests).
    QCoro::Task<> runLoad();

    // --- what the page draws, from the report's figures

    // "做题 12 道 · 答对 9 道 · 正确率 75%", the rate part only when the server gave one.
    static QString headline(const StudyReport::Week &week);
    // "学了 3 天 · 完成 2 节课".
    static QString activityLine(const StudyReport::Week &week);
    // The chart's scale: the most attempts of a day, at least 1.
    static qint64 peak(const QList<StudyReport::Day> &days);
    // A bar from 4 (no attempts) to 44 (the peak) high: attempts are held to 0..peak first, and the scaling
    // is done wide enough that no count the server can send overflows it.
    static int barHeight(qint64 attempts, qint64 peak);
    // The last two characters of the date, the whole date when shorter.
    static QString dayLabel(const QString &date);
    static QList<StudyReportDayBar> dayBars(const QList<StudyReport::Day> &days);

    // The server's level as a label and a colour role; anything but the three known levels is "数据不足".
    static QString levelLabel(const QString &level);
    static int levelTone(const QString &level);
    // The rate held to 0..100 (0 without one): the progress bar's value and the percentage the texts print.
    static double barRate(std::optional<qint64> rate);
    // "做了 5 道，答对 2 道（40%） · 错题本里还有 2 道"; "还没做过这部分的题" for a point never practised.
    static QString detailLine(const StudyReport::Kp &kp);
    static QString noWeakPointsText(qint64 minAttempts);
    static QString chapterTitle(const QString &chapterName);
    static QString explanation(qint64 windowDays);
    static QList<StudyReportRow> rows(const StudyReport &report);

Q_SIGNALS:
    void stateChanged();
    void errorTextChanged();
    void refreshingChanged();
    void summaryChanged();

private:
    void apply(StudyReport report);
    void fail(const QString &text);
    void setRunning(int running);

    std::optional<StudyReport> m_report;
    std::optional<QString> m_error;
    ListModel<StudyReportRow> *m_rows;
    ListModel<StudyReportDayBar> *m_dayBars;
    int m_running = 0;
};
