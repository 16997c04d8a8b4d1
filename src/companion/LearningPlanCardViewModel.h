#pragma once

#include "LearningPlan.h"
#include "ScreenViewModel.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <optional>

// The learning-plan card of the question-and-answer tab: the learner's current plan (goal, lessons done out
// of all, the lesson under way) and four ready-made questions about it, each of which opens the chat.
//
// The plan loads each time the tab comes on screen and on pull-to-refresh. Loads may overlap; the one begun
// last that has an answer decides: an older answer arriving after a newer one was shown is dropped. Only a
// decoded plan or "no plan" (204) replaces what is on show. A failure never takes a plan away: a learner who
// has one is not told they have none because the network hiccupped. It ends the loading face, though, so
// with nothing shown yet a failure shows the empty text. A load still under way when the tab leaves the
// screen (a chat opened from a chip, another tab) is dropped and writes nothing. Failures are never shown.
class LearningPlanCardViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(State state READ state NOTIFY changed)
    Q_PROPERTY(bool planLoaded READ planLoaded NOTIFY changed)
    Q_PROPERTY(bool refreshing READ refreshing NOTIFY refreshingChanged)
    Q_PROPERTY(QString title READ title NOTIFY changed)
    Q_PROPERTY(bool showsCount READ showsCount NOTIFY changed)
    Q_PROPERTY(QString countText READ countText NOTIFY changed)
    Q_PROPERTY(double progress READ progress NOTIFY changed)
    Q_PROPERTY(bool showsCurrent READ showsCurrent NOTIFY changed)
    Q_PROPERTY(QString currentLine READ currentLine NOTIFY changed)
    Q_PROPERTY(QString headerTitle READ headerTitle CONSTANT)
    Q_PROPERTY(QString headerSymbol READ headerSymbol CONSTANT)
    Q_PROPERTY(QString currentSymbol READ currentSymbol CONSTANT)
    Q_PROPERTY(QString loadingText READ loadingText CONSTANT)
    Q_PROPERTY(QString emptyText READ emptyText CONSTANT)
    Q_PROPERTY(QStringList questions READ questions CONSTANT)

public:
    enum State { Loading, Empty, Plan };
    Q_ENUM(State)

    explicit LearningPlanCardViewModel(QObject *parent = nullptr);
    ~LearningPlanCardViewModel() override;

    const std::optional<LearningPlanSummary> &plan() const { return m_plan; }
    bool planLoaded() const { return m_planLoaded; }
    State state() const;
    bool refreshing() const { return m_refreshes > 0; }

    // The plan's goal, "学习路径" without one (an empty goal stays empty).
    QString title() const;
    // "3/12 课", only for a plan with lessons.
    bool showsCount() const;
    QString countText() const;
    // Lessons done out of all, 0..1; a plan without lessons counts as one lesson.
    double progress() const;
    // "当前：第 4 课 <name>", only while a lesson is under way; the blank after "课" stays without a name.
    bool showsCurrent() const;
    QString currentLine() const;

    QString headerTitle() const { return QStringLiteral("我的学习计划"); }
    QString headerSymbol() const { return QStringLiteral("calendar.badge.clock"); }
    QString currentSymbol() const { return QStringLiteral("play.circle.fill"); }
    QString loadingText() const { return QStringLiteral("正在读取学习计划…"); }
    QString emptyText() const {
        return QStringLiteral("还没有学习计划，可以先到「学习」页选一章，或直接问 AI 怎么安排。");
    }
    static QStringList questions();

    // The tab came on screen: loads the plan.
    Q_INVOKABLE void appear();
    // The tab left the screen: loads under way are dropped.
    Q_INVOKABLE void disappear();
    // Pull-to-refresh: loads again; `refreshing` holds until this load ends.
    Q_INVOKABLE void refresh();
    // The chip at `index` was tapped: asks for the chat with its question.
    Q_INVOKABLE void ask(int index);

    QCoro::Task<> load();
    QCoro::Task<> runRefresh();

Q_SIGNALS:
    void changed();
    void refreshingChanged();
    // The chat the card opens: the plan scene, the chip's question as the first message, no subject.
    void chatRequested(const QString &scene, const QString &initialMessage, const QString &subject,
                       const QString &title);

private:
    void apply(std::optional<LearningPlanSummary> plan);

    std::optional<LearningPlanSummary> m_plan;
    bool m_planLoaded = false;
    int m_refreshes = 0;
    // Loads are numbered as they start; `m_shownTicket` is the number of the answer on show.
    quint64 m_nextTicket = 0;
    quint64 m_shownTicket = 0;
};
