#include "CompanionConfirmActions.h"

#include "Analytics.h"
#include "AppSession.h"
#include "ChatStrings.h"
#include "CompanionLogging.h"
#include "ErrorText.h"
#include "Graphemes.h"
#include "LearningAPIClient.h"
#include "RobotStore.h"

namespace {

const ChatStrings &textsOf(const QPointer<RobotStore> &store) {
    return ChatStrings::forLanguage(store ? store->languageInEffect() : QString());
}

QString topicText(const ConfirmCard &card) {
    return Graphemes::leading(card.args.value(QStringLiteral("text")),
                              CompanionConfirmActions::kMaxTopicCharacters);
}

void recordTaskCreated(const ConfirmCard &card) {
    Analytics::shared().track(QStringLiteral("task_create"),
                              {{QStringLiteral("source"), QStringLiteral("chat")},
                               {QStringLiteral("skill"), card.skill},
                               {QStringLiteral("result"), QStringLiteral("ok")}});
}

QString pathCreated(const QPointer<RobotStore> &store, const LearningPathView &path) {
    return ChatStrings::format(textsOf(store).pathCreatedFormat, {path.goal});
}

QCoro::Task<std::optional<QString>> createFromChapter(ConfirmCard card, QPointer<AppSession> session,
                                                      QPointer<RobotStore> store) {
    const auto chapter = card.args.constFind(QStringLiteral("chapter_id"));
    if (chapter == card.args.cend())
        co_return std::nullopt;
    const LearningPathView path = co_await LearningAPIClient().createPathFromChapter(
        *chapter, LearningAPIClient::defaultPrefetch, *session);
    if (session)
        session->setLastPathId(path.pathId);
    co_return pathCreated(store, path);
}

QCoro::Task<std::optional<QString>> createFromTopic(ConfirmCard card, QPointer<AppSession> session,
                                                    QPointer<RobotStore> store) {
    const QString text = topicText(card);
    if (text.isEmpty())
        co_return textsOf(store).otherHint;
    const TopicResolution resolution = co_await LearningAPIClient().topicPreview(text, *session);
    if (resolution.candidates.isEmpty())
        co_return resolution.message;
    if (!session)
        co_return std::nullopt;
    const LearningPathView path = co_await LearningAPIClient().createPathFromTopic(
        resolution.candidates.first(), LearningAPIClient::defaultPrefetch, *session);
    if (session)
        session->setLastPathId(path.pathId);
    recordTaskCreated(card);
    co_return pathCreated(store, path);
}

QCoro::Task<std::optional<QString>> requestPractice(ConfirmCard card, QPointer<AppSession> session,
                                                    QPointer<RobotStore> store) {
    const QString text = topicText(card);
    if (text.isEmpty())
        co_return textsOf(store).otherHint;
    const TopicResolution resolution = co_await LearningAPIClient().topicPreview(text, *session);
    if (resolution.candidates.isEmpty() || resolution.candidates.first().kpCodes.isEmpty())
        co_return resolution.message;
    if (!session)
        co_return std::nullopt;
    const QString kp = resolution.candidates.first().kpCodes.first();
    QJsonObject body;
    body.insert(QStringLiteral("kp"), kp);
    body.insert(QStringLiteral("difficulty"), CompanionConfirmActions::kPracticeDifficulty);
    const QuestionRequestResult result = co_await LearningAPIClient().requestQuestions(body, *session);
    recordTaskCreated(card);
    Analytics::shared().track(
        QStringLiteral("gen_request"),
        {{QStringLiteral("source"), QStringLiteral("chat")},
         {QStringLiteral("kp_code"), kp},
         {QStringLiteral("merged"), result.merged ? QStringLiteral("1") : QStringLiteral("0")}});
    co_return result.message;
}

} // namespace

QString CompanionConfirmActions::summary(const ConfirmCard &card, const ChatStrings &strings) {
    const auto argument = [&](const char *key) { return card.args.value(QString::fromLatin1(key)); };
    if (card.skill == u"path.create")
        return ChatStrings::format(strings.pathSummaryFormat, {argument("chapter_id")});
    if (card.skill == u"order.preview")
        return ChatStrings::format(strings.orderSummaryFormat, {argument("sku_id")});
    if (card.skill == u"path.topic")
        return ChatStrings::format(strings.topicSummaryFormat, {argument("text")});
    if (card.skill == u"practice.request")
        return ChatStrings::format(strings.practiceSummaryFormat, {argument("text")});
    QStringList lines;
    for (auto it = card.args.cbegin(); it != card.args.cend(); ++it)
        lines.append(it.key() + QStringLiteral(": ") + it.value());
    return lines.join(u'\n');
}

QCoro::Task<std::optional<QString>>
CompanionConfirmActions::perform(ConfirmCard card, QPointer<AppSession> session, QPointer<RobotStore> store) {
    if (card.skill == u"order.preview")
        co_return textsOf(store).orderHint;
    const bool callsService =
        card.skill == u"path.create" || card.skill == u"path.topic" || card.skill == u"practice.request";
    if (!callsService)
        co_return textsOf(store).otherHint;
    if (!session)
        co_return std::nullopt;
    try {
        if (card.skill == u"path.create")
            co_return co_await createFromChapter(std::move(card), session, store);
        if (card.skill == u"path.topic")
            co_return co_await createFromTopic(std::move(card), session, store);
        co_return co_await requestPractice(std::move(card), session, store);
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        qCInfo(lcCompanion) << "confirm action failed:" << failureSummary(failure);
        co_return errorText(failure);
    }
}
