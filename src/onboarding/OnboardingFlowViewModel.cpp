#include "OnboardingFlowViewModel.h"

#include "ErrorText.h"
#include "OnbKit.h"
#include "OnboardingAPIClient.h"

#include <QJsonObject>

#include <algorithm>

namespace {

template <typename Value, typename Signal>
void assign(OnboardingFlowViewModel *flow, Value &field, const Value &value, Signal changed) {
    if (field == value)
        return;
    field = value;
    Q_EMIT(flow->*changed)();
}

QVariantMap optionRow(const OnboardingFlowViewModel::Option &option) {
    return {{QStringLiteral("value"), option.value},
            {QStringLiteral("icon"), option.icon},
            {QStringLiteral("title"), option.title},
            {QStringLiteral("subtitle"), option.subtitle}};
}

} // namespace

OnboardingFlowViewModel::OnboardingFlowViewModel(QObject *parent) : ScreenViewModel(parent) {
    for (const Module &module : moduleTable())
        m_scores.insert(module.key, defaultScore);
}

// --- tables

OnboardingFlowViewModel::Header OnboardingFlowViewModel::header(const QString &step) {
    if (step == intro)
        return {0, QStringLiteral("约 2 分钟 · 每步都可跳过"), QStringLiteral("sparkles"),
                QStringLiteral("欢迎来到岚帆伴"), QStringLiteral("回答几个小问题，伙伴会为你定制学习节奏。")};
    if (step == profileStep)
        return {1,
                {},
                QStringLiteral("person.text.rectangle"),
                QStringLiteral("基本信息"),
                QStringLiteral("让伙伴知道你在学什么、学到哪了。")};
    if (step == goal)
        return {2,
                {},
                QStringLiteral("scope"),
                QStringLiteral("学习目标"),
                QStringLiteral("定一个方向，伙伴按这个帮你排计划。")};
    if (step == diagnosis)
        return {3,
                {},
                QStringLiteral("chart.bar.xaxis"),
                QStringLiteral("能力自评"),
                QStringLiteral("凭感觉打分，没有对错。")};
    return {4,
            {},
            QStringLiteral("hand.wave.fill"),
            QStringLiteral("伙伴约定"),
            QStringLiteral("选一个你喜欢的陪伴方式。")};
}

QString OnboardingFlowViewModel::pageKind(const QString &step) {
    if (step == intro || step == profileStep || step == goal || step == diagnosis)
        return step;
    return contract;
}

QString OnboardingFlowViewModel::primaryLabel(const QString &step) {
    if (step == intro)
        return QStringLiteral("开始");
    // Only the step the flow knows to be the last one finishes; an unknown one may be followed by more.
    if (step == contract)
        return QStringLiteral("完成，开始学习");
    return QStringLiteral("下一步");
}

QString OnboardingFlowViewModel::secondaryLabel(const QString &step) {
    return step == intro ? QStringLiteral("全部跳过，直接使用") : QStringLiteral("跳过这一步");
}

QString OnboardingFlowViewModel::shownStep(const std::optional<QString> &name) {
    if (!name || !OnboardingAPIClient::stepPath(*name))
        return contract;
    return *name;
}

const QList<OnboardingFlowViewModel::Option> &OnboardingFlowViewModel::targets() {
    static const QList<Option> rows{
        {QStringLiteral("keep_up"), QStringLiteral("figure.walk"), QStringLiteral("跟上课堂进度"),
         QStringLiteral("课上学什么，课后跟着巩固")},
        {QStringLiteral("catch_up"), QStringLiteral("arrow.uturn.backward.circle.fill"),
         QStringLiteral("补上落下的内容"), QStringLiteral("先找漏洞，再一个个补齐")},
        {QStringLiteral("get_ahead"), QStringLiteral("bolt.fill"), QStringLiteral("提前学、学得更深"),
         QStringLiteral("预习新课，拓展更难的题")},
        {QStringLiteral("exam_prep"), QStringLiteral("flag.checkered"), QStringLiteral("准备考试"),
         QStringLiteral("按考点梳理，集中刷题")},
    };
    return rows;
}

const QList<OnboardingFlowViewModel::Module> &OnboardingFlowViewModel::moduleTable() {
    static const QList<Module> rows{
        {QStringLiteral("rational_numbers"), QStringLiteral("有理数"), QStringLiteral("plusminus")},
        {QStringLiteral("algebra_basics"), QStringLiteral("整式与代数式"), QStringLiteral("x.squareroot")},
        {QStringLiteral("equations"), QStringLiteral("方程"), QStringLiteral("equal.square")},
        {QStringLiteral("geometry"), QStringLiteral("几何初步"), QStringLiteral("triangle")},
    };
    return rows;
}

const QList<OnboardingFlowViewModel::Option> &OnboardingFlowViewModel::personas() {
    static const QList<Option> rows{
        {QStringLiteral("cheerful"), QStringLiteral("face.smiling.inverse"), QStringLiteral("活泼鼓励型"),
         QStringLiteral("多夸夸你，学习气氛轻松")},
        {QStringLiteral("calm"), QStringLiteral("leaf.fill"), QStringLiteral("耐心沉稳型"),
         QStringLiteral("一步步讲清楚，不催不急")},
        {QStringLiteral("strict"), QStringLiteral("checkmark.seal.fill"), QStringLiteral("严格督促型"),
         QStringLiteral("盯紧进度，说到做到")},
    };
    return rows;
}

const QList<OnboardingFlowViewModel::Option> &OnboardingFlowViewModel::reminders() {
    static const QList<Option> rows{
        {QStringLiteral("low"), QStringLiteral("bell"), QStringLiteral("少一点"), {}},
        {QStringLiteral("standard"), QStringLiteral("bell.badge"), QStringLiteral("适中"), {}},
        {QStringLiteral("high"),
         QStringLiteral("bell.and.waves.left.and.right"),
         QStringLiteral("多一点"),
         {}},
    };
    return rows;
}

QVariantList OnboardingFlowViewModel::targetOptions() {
    QVariantList rows;
    for (const Option &option : targets())
        rows.append(optionRow(option));
    return rows;
}

QVariantList OnboardingFlowViewModel::weeklyMinutesRange() {
    return {30, 600};
}

int OnboardingFlowViewModel::weeklyMinutesStep() {
    return 30;
}

QVariantList OnboardingFlowViewModel::weeklyMinutesPresets() {
    return {120, 180, 300, 420};
}

QString OnboardingFlowViewModel::weeklyMinutesUnit() {
    return OnbKit::weekUnit;
}

QVariantList OnboardingFlowViewModel::modules() {
    QVariantList rows;
    for (const Module &module : moduleTable())
        rows.append(QVariantMap{{QStringLiteral("key"), module.key},
                                {QStringLiteral("name"), module.name},
                                {QStringLiteral("icon"), module.icon}});
    return rows;
}

QVariantList OnboardingFlowViewModel::personaOptions() {
    QVariantList rows;
    for (const Option &option : personas())
        rows.append(optionRow(option));
    return rows;
}

QVariantList OnboardingFlowViewModel::reminderOptions() {
    QVariantList rows;
    for (const Option &option : reminders())
        rows.append(QVariantMap{{QStringLiteral("value"), option.value},
                                {QStringLiteral("label"), option.title},
                                {QStringLiteral("icon"), option.icon}});
    return rows;
}

QVariantList OnboardingFlowViewModel::introRows() {
    // The four question pages, as their headers name them.
    QVariantList rows;
    const QString subtitles[] = {QStringLiteral("身份、年级、教材版本"), QStringLiteral("这学期想达成什么"),
                                 QStringLiteral("几个知识模块的掌握程度"),
                                 QStringLiteral("喜欢的陪伴风格与提醒频率")};
    const QString steps[] = {profileStep, goal, diagnosis, contract};
    for (int i = 0; i < stepCount; ++i) {
        const Header page = header(steps[i]);
        rows.append(QVariantMap{{QStringLiteral("number"), i + 1},
                                {QStringLiteral("icon"), page.icon},
                                {QStringLiteral("title"), page.title},
                                {QStringLiteral("subtitle"), subtitles[i]}});
    }
    return rows;
}

// --- state

void OnboardingFlowViewModel::setStartStep(const QString &step) {
    assign(this, m_startStep, step, &OnboardingFlowViewModel::startStepChanged);
}

void OnboardingFlowViewModel::setTarget(const QString &target) {
    assign(this, m_target, target, &OnboardingFlowViewModel::targetChanged);
}

void OnboardingFlowViewModel::setWeeklyMinutes(double minutes) {
    assign(this, m_weeklyMinutes, minutes, &OnboardingFlowViewModel::weeklyMinutesChanged);
}

int OnboardingFlowViewModel::score(const QString &key) const {
    return m_scores.value(key, defaultScore).toInt();
}

void OnboardingFlowViewModel::setScore(const QString &key, int score) {
    if (!m_scores.contains(key))
        return;
    const int stars = std::clamp(score, 1, 5);
    if (m_scores.value(key).toInt() == stars)
        return;
    m_scores.insert(key, stars);
    Q_EMIT scoresChanged();
}

void OnboardingFlowViewModel::setPersona(const QString &persona) {
    assign(this, m_persona, persona, &OnboardingFlowViewModel::personaChanged);
}

void OnboardingFlowViewModel::setReminder(const QString &reminder) {
    assign(this, m_reminder, reminder, &OnboardingFlowViewModel::reminderChanged);
}

QJsonObject OnboardingFlowViewModel::answers(const QString &step) const {
    if (step == goal)
        return {{QStringLiteral("target"), m_target},
                {QStringLiteral("weekly_minutes"), OnbKit::wholeMinutes(m_weeklyMinutes)}};
    if (step == diagnosis) {
        QJsonObject scores;
        for (auto it = m_scores.cbegin(); it != m_scores.cend(); ++it)
            scores.insert(it.key(), it.value().toInt());
        return scores;
    }
    return {{QStringLiteral("persona"), m_persona}, {QStringLiteral("reminder"), m_reminder}};
}

// --- actions

void OnboardingFlowViewModel::primary() {
    if (m_busy)
        return;
    if (m_step == intro) {
        startFromIntro();
        return;
    }
    auto task = runSubmit(false); // runs on by itself; its outcome lands in the properties or in `finished`
}

void OnboardingFlowViewModel::secondary() {
    if (m_busy)
        return;
    if (m_step == intro) {
        auto task = runSkipAll();
        return;
    }
    auto task = runSubmit(true);
}

void OnboardingFlowViewModel::startFromIntro() {
    if (m_busy || !session())
        return;
    setStep(session()->profileAsked() ? stepAfterProfile() : profileStep);
}

QString OnboardingFlowViewModel::stepAfterProfile() const {
    if (m_startStep == intro || m_startStep == profileStep || m_startStep.isEmpty())
        return goal;
    return shownStep(m_startStep);
}

QCoro::Task<> OnboardingFlowViewModel::runSubmit(bool skip) {
    const Appearance self = appearance();
    QPointer<AppSession> session = this->session();
    if (!session || m_busy)
        co_return;
    setBusy(true);
    const QString step = m_step;
    std::exception_ptr failure;

    if (step == profileStep) {
        // The profile is the learning-profile endpoint's alone: skipping it tells the server nothing.
        bool saved = skip;
        if (!skip) {
            const QJsonObject body = m_profile.requestBody();
            try {
                co_await OnboardingAPIClient().sendLearningProfile("PUT", body, *session);
                saved = true;
            } catch (...) {
                failure = std::current_exception();
            }
            if (!self.alive())
                co_return;
        }
        if (saved) {
            if (session)
                session->setProfileAsked(true);
            setStep(stepAfterProfile());
        } else {
            setMessage(errorText(failure));
        }
        setBusy(false);
        co_return;
    }

    const QJsonObject answers = skip ? QJsonObject() : this->answers(step);
    std::optional<OnboardingOverview> reply;
    try {
        reply = co_await OnboardingAPIClient().sendStep(step, skip, answers, *session);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self.alive())
        co_return;
    if (!reply) {
        setMessage(errorText(failure));
    } else if (reply->finished) {
        Q_EMIT finished();
        if (!self.alive()) // the presenter closed the flow and let it go
            co_return;
    } else {
        setStep(shownStep(reply->nextStep));
    }
    setBusy(false);
}

QCoro::Task<> OnboardingFlowViewModel::runSkipAll() {
    const Appearance self = appearance();
    QPointer<AppSession> session = this->session();
    if (!session || m_busy)
        co_return;
    setBusy(true);
    // One after the other: the server sees the steps skipped in the order it asks them.
    static const QStringList steps{goal, diagnosis, contract};
    const QJsonObject noAnswers;
    for (const QString &step : steps) {
        bool skipped = false;
        std::exception_ptr failure;
        if (session) {
            try {
                co_await OnboardingAPIClient().sendStep(step, true, noAnswers, *session);
                skipped = true;
            } catch (...) {
                failure = std::current_exception();
            }
        }
        if (!self.alive())
            co_return;
        if (!skipped) {
            setMessage(errorText(failure));
            setBusy(false);
            co_return;
        }
    }
    if (session)
        session->setProfileAsked(true);
    Q_EMIT finished();
    if (!self.alive())
        co_return;
    setBusy(false);
}

void OnboardingFlowViewModel::setStep(const QString &step) {
    assign(this, m_step, step, &OnboardingFlowViewModel::stepChanged);
}

void OnboardingFlowViewModel::setBusy(bool busy) {
    assign(this, m_busy, busy, &OnboardingFlowViewModel::busyChanged);
}
