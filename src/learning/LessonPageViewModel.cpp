#include "LessonPageViewModel.h"

#include "Analytics.h"
#include "AppSession.h"
#include "LearningAPIClient.h"
#include "LearningStore.h"
#include "Theme.h"
#include "Transport.h"

#include <exception>

namespace {

// The learner-facing text of a failed load.
QString describe(const std::exception_ptr &error) {
    try {
        std::rethrow_exception(error);
    } catch (const UserFacingError &failure) {
        return failure.message();
    } catch (...) {
        return QStringLiteral("请求失败，请稍后重试");
    }
}

// A load aborted on purpose is not a failure of the lesson.
bool isCancelled(const std::exception_ptr &error) {
    try {
        std::rethrow_exception(error);
    } catch (const TransportError &failure) {
        return failure.kind() == TransportError::Kind::Cancelled;
    } catch (...) {
        return false;
    }
}

} // namespace

LessonPageViewModel::LessonPageViewModel(QObject *parent) : QObject(parent) {}

LessonPageViewModel::~LessonPageViewModel() = default;

void LessonPageViewModel::setSession(AppSession *session) {
    if (m_session == session)
        return;
    m_session = session;
    Q_EMIT sessionChanged();
}

void LessonPageViewModel::setStore(LearningStore *store) {
    if (m_store == store)
        return;
    m_store = store;
    Q_EMIT storeChanged();
}

void LessonPageViewModel::setPathId(qint64 pathId) {
    if (m_pathId == pathId)
        return;
    m_pathId = pathId;
    Q_EMIT pathIdChanged();
}

void LessonPageViewModel::setItemId(qint64 itemId) {
    if (m_itemId == itemId)
        return;
    m_itemId = itemId;
    Q_EMIT itemIdChanged();
}

void LessonPageViewModel::setOnScreen(bool onScreen) {
    if (m_onScreen == onScreen)
        return;
    m_onScreen = onScreen;
    Q_EMIT onScreenChanged();
    if (onScreen) {
        if (m_componentComplete)
            appear();
        return;
    }
    // Leaving the screen drops what its appearance started: those answers are no longer taken. `loading`
    // stays as it is; coming back loads again.
    for (const quint64 load : std::as_const(m_appearanceLoads))
        m_liveLoads.remove(load);
    m_appearanceLoads.clear();
}

void LessonPageViewModel::classBegin() {
    m_componentComplete = false;
}

void LessonPageViewModel::componentComplete() {
    m_componentComplete = true;
    if (m_onScreen)
        appear();
}

void LessonPageViewModel::appear() {
    load(LoadKind::Appearance);
}

LessonPageViewModel::Face LessonPageViewModel::face() const {
    return m_face;
}

QString LessonPageViewModel::title() const {
    return m_detail ? LessonSections::lessonTitle(m_detail->listOrder) : defaultTitle;
}

bool LessonPageViewModel::preparing() const {
    return m_errorText && m_errorText->contains(preparingMarker);
}

QString LessonPageViewModel::notReadySymbol() const {
    return preparing() ? QStringLiteral("hourglass.circle.fill")
                       : QStringLiteral("exclamationmark.triangle.fill");
}

QColor LessonPageViewModel::notReadyTint() const {
    // The lesson page stays light in either scheme.
    return preparing() ? Theme::brandTeal() : Theme::color(Theme::Orange, false);
}

QString LessonPageViewModel::notReadyTitle() const {
    return preparing() ? QStringLiteral("这一课还在准备中") : QStringLiteral("暂时打不开这一课");
}

QString LessonPageViewModel::notReadyMessage() const {
    // While the lesson is being made the server's own words give way to a fixed explanation.
    return preparing() ? QStringLiteral("讲义和练习正在生成和审核，完成后会在「学习通知」里告诉你。")
                       : m_errorText.value_or(QString());
}

QVariantMap LessonPageViewModel::header() const {
    // Without a lesson the maps still carry every key, so a binding never reads a missing one.
    return (m_sections ? m_sections->header : LessonHeaderCard()).toVariant();
}

QVariantList LessonPageViewModel::handoutCards() const {
    return m_sections ? HandoutRenderer::toVariant(m_sections->handout) : QVariantList();
}

QVariantMap LessonPageViewModel::exercises() const {
    return (hasExercises() ? *m_sections->exercises : LessonExercisesCard()).toVariant();
}

QVariantMap LessonPageViewModel::assets() const {
    return (hasAssets() ? *m_sections->assets : LessonAssetsCard()).toVariant();
}

LessonPageViewModel::CompletionControl LessonPageViewModel::completionControl() const {
    if (!m_sections)
        return NoCompletion;
    switch (m_sections->completion) {
    case LessonSections::Completion::Button:
        return CompleteButton;
    case LessonSections::Completion::Done:
        return CompletedLabel;
    case LessonSections::Completion::None:
        break;
    }
    return NoCompletion;
}

QVariantMap LessonPageViewModel::practiceProperties(int row) const {
    if (!hasExercises() || row < 0 || row >= m_sections->exercises->rows.size())
        return {};
    const LessonQuestionRow &question = m_sections->exercises->rows.at(row);
    if (!question.questionId)
        return {};
    return {{QStringLiteral("questionId"), *question.questionId},
            {QStringLiteral("stemText"), question.text},
            {QStringLiteral("options"), LessonSections::optionsVariant(question.options)},
            {QStringLiteral("source"), LessonSections::practiceSource}};
}

void LessonPageViewModel::reload() {
    load(LoadKind::Reload);
}

void LessonPageViewModel::complete() {
    completeLesson();
}

void LessonPageViewModel::returnToPath() {
    setCompleted(false);
    Q_EMIT dismissRequested();
}

QCoro::Task<> LessonPageViewModel::load(LoadKind kind) {
    QPointer<LessonPageViewModel> self(this);
    QPointer<AppSession> session = m_session;
    if (!session)
        co_return;
    const qint64 pathId = m_pathId;
    const qint64 itemId = m_itemId;
    const quint64 ticket = ++m_nextLoad;
    m_liveLoads.insert(ticket);
    if (kind == LoadKind::Appearance)
        m_appearanceLoads.insert(ticket);
    setLoading(true);

    std::optional<LearningItemDetail> loaded;
    std::exception_ptr failure;
    try {
        // A fresh client per load; it holds nothing but its decoding rule.
        const LearningAPIClient client;
        loaded = co_await client.fetchItem(pathId, itemId, *session);
    } catch (...) {
        failure = std::current_exception();
    }
    // A closed page shows nothing and records nothing.
    if (!self)
        co_return;
    m_appearanceLoads.remove(ticket);
    if (!m_liveLoads.remove(ticket))
        co_return; // dropped when the page left the screen
    if (!loaded && isCancelled(failure))
        co_return;

    // Overlapping loads (a quick second "重新加载") are not ordered: the answer that arrives last is shown.
    if (loaded) {
        const QString kpCode = loaded->kpCode;
        setDetail(std::move(loaded));
        setErrorText(std::nullopt);
        Analytics::shared().track(QStringLiteral("lesson_open"),
                                  {{QStringLiteral("path_id"), QString::number(pathId)},
                                   {QStringLiteral("item_id"), QString::number(itemId)},
                                   {QStringLiteral("kp_code"), kpCode}});
    } else {
        setErrorText(describe(failure));
        setDetail(std::nullopt);
    }
    setLoading(!m_liveLoads.isEmpty());
}

QCoro::Task<> LessonPageViewModel::completeLesson() {
    if (m_completing || !m_detail || m_detail->state != LessonState::ready)
        co_return;
    QPointer<LessonPageViewModel> self(this);
    QPointer<LearningStore> store = m_store;
    if (!store)
        co_return;
    const qint64 pathId = m_pathId;
    const qint64 itemId = m_itemId;
    setCompleting(true);

    // The store's own answer decides: true once the server has recorded the completion, whatever message an
    // earlier failure may have left in the store, and also when only the fetch of the path afterwards failed.
    const bool recorded = co_await store->completeItem(pathId, itemId);

    // Every attempt is recorded, also a failed one and one whose page has been closed meanwhile.
    Analytics::shared().track(QStringLiteral("lesson_complete"),
                              {{QStringLiteral("path_id"), QString::number(pathId)},
                               {QStringLiteral("item_id"), QString::number(itemId)}});
    if (!self)
        co_return;
    if (recorded) {
        if (m_detail) {
            // Only the page's own copy: the store's refetched path is what unlocks the next lesson.
            m_detail->state = LessonState::completed;
            m_sections = LessonSections::build(*m_detail);
            Q_EMIT detailChanged();
        }
        setCompleted(true);
    }
    setCompleting(false);
}

void LessonPageViewModel::setLoading(bool loading) {
    if (m_loading == loading)
        return;
    m_loading = loading;
    Q_EMIT loadingChanged();
    updateFace();
}

void LessonPageViewModel::setDetail(std::optional<LearningItemDetail> detail) {
    if (!detail && !m_detail)
        return;
    m_detail = std::move(detail);
    m_sections = m_detail ? std::optional(LessonSections::build(*m_detail)) : std::nullopt;
    Q_EMIT detailChanged();
    updateFace();
}

void LessonPageViewModel::setErrorText(std::optional<QString> text) {
    if (m_errorText == text)
        return;
    m_errorText = std::move(text);
    Q_EMIT errorTextChanged();
}

void LessonPageViewModel::setCompleting(bool completing) {
    if (m_completing == completing)
        return;
    m_completing = completing;
    Q_EMIT completingChanged();
}

void LessonPageViewModel::setCompleted(bool completed) {
    if (m_completed == completed)
        return;
    m_completed = completed;
    Q_EMIT completedChanged();
}

void LessonPageViewModel::updateFace() {
    const Face face = m_loading && !m_detail ? LoadingFace : !m_detail ? NotReadyFace : ContentFace;
    if (m_face == face)
        return;
    m_face = face;
    Q_EMIT faceChanged();
}
