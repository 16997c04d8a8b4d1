#include "LearningPlanCardViewModel.h"

#include "CompanionLogging.h"
#include "ErrorText.h"
#include "QAHomeViewModel.h"

#include <algorithm>
#include <exception>

LearningPlanCardViewModel::LearningPlanCardViewModel(QObject *parent) : ScreenViewModel(parent) {}

LearningPlanCardViewModel::~LearningPlanCardViewModel() = default;

LearningPlanCardViewModel::State LearningPlanCardViewModel::state() const {
    if (m_plan)
        return Plan;
    return m_planLoaded ? Empty : Loading;
}

QString LearningPlanCardViewModel::title() const {
    if (!m_plan)
        return {};
    return m_plan->goal.value_or(QStringLiteral("学习路径"));
}

bool LearningPlanCardViewModel::showsCount() const {
    return m_plan && m_plan->total > 0;
}

QString LearningPlanCardViewModel::countText() const {
    if (!showsCount())
        return {};
    return QString::number(m_plan->completed) + u'/' + QString::number(m_plan->total) + QStringLiteral(" 课");
}

double LearningPlanCardViewModel::progress() const {
    if (!m_plan)
        return 0;
    const qint64 total = std::max<qint64>(m_plan->total, 1);
    return std::clamp(double(m_plan->completed) / double(total), 0.0, 1.0);
}

bool LearningPlanCardViewModel::showsCurrent() const {
    return m_plan && m_plan->current;
}

QString LearningPlanCardViewModel::currentLine() const {
    if (!showsCurrent())
        return {};
    const LearningPlanSummary::Current &current = *m_plan->current;
    return QStringLiteral("当前：第 ") + QString::number(current.order) + QStringLiteral(" 课 ") +
           current.kpName.value_or(QString());
}

QStringList LearningPlanCardViewModel::questions() {
    return {QStringLiteral("我的学习计划是什么"), QStringLiteral("今天学什么"),
            QStringLiteral("这一课讲了什么"), QStringLiteral("我学到哪了")};
}

void LearningPlanCardViewModel::appear() {
    auto task = load(); // runs on by itself; its outcome lands in the properties
}

void LearningPlanCardViewModel::disappear() {
    dropAppearance();
    if (m_refreshes > 0) {
        m_refreshes = 0;
        Q_EMIT refreshingChanged();
    }
}

void LearningPlanCardViewModel::refresh() {
    auto task = runRefresh();
}

void LearningPlanCardViewModel::ask(int index) {
    const QStringList all = questions();
    if (index < 0 || index >= all.size())
        return;
    const QAChatRoute route = QAChatRoute::forPlanQuestion(all[index]);
    Q_EMIT chatRequested(route.scene, route.initialMessage, route.subject, route.title);
}

QCoro::Task<> LearningPlanCardViewModel::runRefresh() {
    const Appearance appearance = this->appearance();
    if (m_refreshes++ == 0)
        Q_EMIT refreshingChanged();
    co_await load();
    if (!appearance.current())
        co_return;
    if (--m_refreshes == 0)
        Q_EMIT refreshingChanged();
}

QCoro::Task<> LearningPlanCardViewModel::load() {
    QPointer<AppSession> session = AppSession::orCurrent(this->session());
    const Appearance appearance = this->appearance();
    const quint64 ticket = ++m_nextTicket;
    if (!session)
        co_return;

    std::optional<LearningPlanSummary> plan;
    std::exception_ptr failure;
    try {
        plan = co_await loadLearningPlan(*session);
    } catch (...) {
        failure = std::current_exception();
    }
    // The tab left the screen meanwhile: what this load found is no news for it.
    if (!appearance.current())
        co_return;

    if (failure) {
        // Not shown, and the plan on show stays; only the loading face ends.
        qCInfo(lcCompanion) << "learning plan not loaded:" << failureSummary(failure);
        if (!m_planLoaded) {
            m_planLoaded = true;
            Q_EMIT changed();
        }
        co_return;
    }
    // A load begun after this one has already answered: its news is newer.
    if (ticket <= m_shownTicket)
        co_return;
    m_shownTicket = ticket;
    apply(std::move(plan));
}

void LearningPlanCardViewModel::apply(std::optional<LearningPlanSummary> plan) {
    m_plan = std::move(plan);
    m_planLoaded = true;
    Q_EMIT changed();
}
