#include "LearningItemDetailViewModel.h"

#include "Analytics.h"
#include "AppSession.h"
#include "ErrorText.h"
#include "LearningAPIClient.h"
#include "LearningLogging.h"
#include "LearningStore.h"
#include "Theme.h"

#include <exception>

LearningItemDetailViewModel::LearningItemDetailViewModel(QObject *parent)
    : ScreenViewModel(parent), m_headerCounts(new ListModel<LessonCountLabel>(this)),
      m_handoutCards(new ListModel<HandoutCard>(this)),
      m_handoutSections(new ListModel<HandoutSectionBlock>(this)),
      m_handoutExamples(new ListModel<HandoutExampleRow>(this)),
      m_exerciseRows(new ListModel<LessonQuestionRow>(this)) {
    setLoading(true);
    connect(this, &ScreenViewModel::loadingChanged, this, &LearningItemDetailViewModel::updateFace);
}

LearningItemDetailViewModel::~LearningItemDetailViewModel() = default;

void LearningItemDetailViewModel::setStore(LearningStore *store) {
    if (m_store == store)
        return;
    m_store = store;
    Q_EMIT storeChanged();
}

void LearningItemDetailViewModel::setPathId(qint64 pathId) {
    if (m_pathId == pathId)
        return;
    m_pathId = pathId;
    Q_EMIT pathIdChanged();
}

void LearningItemDetailViewModel::setItemId(qint64 itemId) {
    if (m_itemId == itemId)
        return;
    m_itemId = itemId;
    Q_EMIT itemIdChanged();
}

void LearningItemDetailViewModel::setOnScreen(bool onScreen) {
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

void LearningItemDetailViewModel::classBegin() {
    m_componentComplete = false;
}

void LearningItemDetailViewModel::componentComplete() {
    m_componentComplete = true;
    if (m_onScreen)
        appear();
}

void LearningItemDetailViewModel::appear() {
    load(LoadKind::Appearance);
}

LearningItemDetailViewModel::Face LearningItemDetailViewModel::face() const {
    return m_face;
}

QString LearningItemDetailViewModel::title() const {
    return m_detail ? LessonSections::lessonTitle(m_detail->listOrder) : defaultTitle;
}

bool LearningItemDetailViewModel::preparing() const {
    return m_errorText && m_errorText->contains(preparingMarker);
}

QString LearningItemDetailViewModel::notReadySymbol() const {
    return preparing() ? QStringLiteral("hourglass.circle.fill")
                       : QStringLiteral("exclamationmark.triangle.fill");
}

QColor LearningItemDetailViewModel::notReadyTint() const {
    // The lesson page stays light in either scheme.
    return preparing() ? Theme::brandTeal() : Theme::color(Theme::Orange, false);
}

QString LearningItemDetailViewModel::notReadyTitle() const {
    return preparing() ? QStringLiteral("这一课还在准备中") : QStringLiteral("暂时打不开这一课");
}

QString LearningItemDetailViewModel::notReadyMessage() const {
    // While the lesson is being made the server's own words give way to a fixed explanation.
    return preparing() ? QStringLiteral("讲义和练习正在生成和审核，完成后会在「学习通知」里告诉你。")
                       : m_errorText.value_or(QString());
}

QVariantMap LearningItemDetailViewModel::header() const {
    // Without a lesson the maps still carry every key, so a binding never reads a missing one.
    return (m_sections ? m_sections->header : LessonHeaderCard()).toVariant();
}

QVariantMap LearningItemDetailViewModel::exercises() const {
    return (hasExercises() ? *m_sections->exercises : LessonExercisesCard()).toVariant();
}

QVariantMap LearningItemDetailViewModel::assets() const {
    return (hasAssets() ? *m_sections->assets : LessonAssetsCard()).toVariant();
}

LearningItemDetailViewModel::CompletionControl LearningItemDetailViewModel::completionControl() const {
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

QVariantMap LearningItemDetailViewModel::practiceProperties(int row) const {
    if (!hasExercises() || row < 0 || row >= m_sections->exercises->rows.size())
        return {};
    const LessonQuestionRow &question = m_sections->exercises->rows.at(row);
    if (!question.questionId)
        return {};
    return {{QStringLiteral("questionId"), QString::number(*question.questionId)},
            {QStringLiteral("stemText"), question.text},
            {QStringLiteral("options"), LessonSections::optionsVariant(question.options)},
            {QStringLiteral("source"), LessonSections::practiceSource}};
}

void LearningItemDetailViewModel::reload() {
    load(LoadKind::Reload);
}

void LearningItemDetailViewModel::complete() {
    completeLesson();
}

void LearningItemDetailViewModel::returnToPath() {
    setCompleted(false);
    Q_EMIT dismissRequested();
}

QCoro::Task<> LearningItemDetailViewModel::load(LoadKind kind) {
    const Appearance self = appearance();
    QPointer<AppSession> session = this->session();
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
    if (!self.alive())
        co_return;
    m_appearanceLoads.remove(ticket);
    if (!m_liveLoads.remove(ticket))
        co_return; // dropped when the page left the screen
    const std::optional<QString> message = loaded ? std::nullopt : ::errorText(failure);
    if (!loaded && !message) {
        // Aborted on purpose: no failure of the lesson, so no message; but no answer is coming either, so the
        // page must not go on waiting: without a lesson it falls back to the not-ready face and its
        // "重新加载".
        qCInfo(lcLearning) << "lesson load cancelled, path" << pathId << "item" << itemId;
        setLoading(!m_liveLoads.isEmpty());
        co_return;
    }

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
        setErrorText(message);
        setDetail(std::nullopt);
    }
    setLoading(!m_liveLoads.isEmpty());
}

QCoro::Task<> LearningItemDetailViewModel::completeLesson() {
    if (m_completing || !m_detail || m_detail->state != LessonState::ready)
        co_return;
    const Appearance self = appearance();
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
    if (!self.alive())
        co_return;
    if (recorded) {
        if (m_detail) {
            // Only the page's own copy: the store's refetched path is what unlocks the next lesson.
            m_detail->state = LessonState::completed;
            updateSections();
            Q_EMIT detailChanged();
        }
        setCompleted(true);
    }
    setCompleting(false);
}

void LearningItemDetailViewModel::setDetail(std::optional<LearningItemDetail> detail) {
    if (!detail && !m_detail)
        return;
    m_detail = std::move(detail);
    updateSections();
    Q_EMIT detailChanged();
    updateFace();
}

void LearningItemDetailViewModel::updateSections() {
    m_sections = m_detail ? std::optional(LessonSections::build(*m_detail)) : std::nullopt;
    QList<LessonCountLabel> counts;
    QList<HandoutCard> cards;
    QList<HandoutSectionBlock> sections;
    QList<HandoutExampleRow> examples;
    QList<LessonQuestionRow> exercises;
    if (m_sections) {
        counts = m_sections->header.counts;
        cards = m_sections->handout;
        for (const HandoutCard &card : std::as_const(cards)) {
            if (card.kind == HandoutCard::Kind::Sections)
                sections = card.sections;
            else
                examples = card.exampleRows();
        }
        if (m_sections->exercises)
            exercises = m_sections->exercises->rows;
    }
    // Each list signals only the rows a reload changed; a lesson that is gone empties them all.
    m_headerCounts->replaceAll(std::move(counts));
    m_handoutCards->replaceAll(std::move(cards));
    m_handoutSections->replaceAll(std::move(sections));
    m_handoutExamples->replaceAll(std::move(examples));
    m_exerciseRows->replaceAll(std::move(exercises));
}

void LearningItemDetailViewModel::setErrorText(std::optional<QString> text) {
    if (m_errorText == text)
        return;
    m_errorText = std::move(text);
    Q_EMIT errorTextChanged();
}

void LearningItemDetailViewModel::setCompleting(bool completing) {
    if (m_completing == completing)
        return;
    m_completing = completing;
    Q_EMIT completingChanged();
}

void LearningItemDetailViewModel::setCompleted(bool completed) {
    if (m_completed == completed)
        return;
    m_completed = completed;
    Q_EMIT completedChanged();
}

void LearningItemDetailViewModel::updateFace() {
    const Face face = loading() && !m_detail ? LoadingFace : !m_detail ? NotReadyFace : ContentFace;
    if (m_face == face)
        return;
    m_face = face;
    Q_EMIT faceChanged();
}
