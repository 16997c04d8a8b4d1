#include "LearningAPIClient.h"

#include <QJsonArray>
#include <QUrl>

namespace {

QString segment(const QString &data) {
    return QString::fromLatin1(QUrl::toPercentEncoding(data));
}

QString pathOf(qint64 pathId) {
    return LearningAPIClient::learningPathsPath + u'/' + QString::number(pathId);
}

QString itemPathOf(qint64 pathId, qint64 itemId) {
    return pathOf(pathId) + QStringLiteral("/items/") + QString::number(itemId);
}

QJsonObject prefetchOptions(int prefetch) {
    return {{QStringLiteral("prefetch"), prefetch}};
}

} // namespace

std::optional<QString> LearningAPIClient::chapterPointsPath(const QString &chapterCode) {
    if (chapterCode.isEmpty() || chapterCode == QLatin1String(".") || chapterCode == QLatin1String(".."))
        return std::nullopt;
    return chaptersPath + u'/' + segment(chapterCode) + QStringLiteral("/points");
}

QString LearningAPIClient::practiceQuery(const QString &kp, const std::optional<QString> &qtype,
                                         int difficulty, int count, const QList<qint64> &exclude) {
    QStringList items{QStringLiteral("kp=") + segment(kp),
                      QStringLiteral("difficulty=") + QString::number(difficulty),
                      QStringLiteral("count=") + QString::number(count)};
    if (qtype)
        items.append(QStringLiteral("qtype=") + segment(*qtype));
    for (qsizetype i = 0; i < exclude.size() && i < maxExcludedQuestions; ++i)
        items.append(QStringLiteral("exclude=") + QString::number(exclude[i]));
    return items.join(u'&');
}

QCoro::Task<TopicResolution> LearningAPIClient::topicPreview(QString text, AppSession &session) const {
    return sendLearningRequest<TopicResolution>("POST", learningPathsPath + QStringLiteral("/topic-preview"),
                                                QJsonObject{{QStringLiteral("text"), text}}, session);
}

QCoro::Task<LearningPathView> LearningAPIClient::createPathFromChapter(QString chapterCode, int prefetch,
                                                                       AppSession &session) const {
    const QJsonObject body{{QStringLiteral("goal_type"), QStringLiteral("chapter")},
                           {QStringLiteral("chapter_id"), chapterCode},
                           {QStringLiteral("options"), prefetchOptions(prefetch)}};
    return sendLearningRequest<LearningPathView>("POST", learningPathsPath, body, session);
}

QCoro::Task<LearningPathView> LearningAPIClient::createPathFromTopic(TopicCandidate candidate, int prefetch,
                                                                     AppSession &session) const {
    const QJsonObject body{{QStringLiteral("goal_type"), QStringLiteral("topic")},
                           {QStringLiteral("chapter_id"), candidate.chapterCode},
                           {QStringLiteral("kp_codes"), QJsonArray::fromStringList(candidate.kpCodes)},
                           {QStringLiteral("options"), prefetchOptions(prefetch)}};
    return sendLearningRequest<LearningPathView>("POST", learningPathsPath, body, session);
}

QCoro::Task<LearningPathView> LearningAPIClient::fetchPath(qint64 pathId, AppSession &session) const {
    return sendLearningRequest<LearningPathView>("GET", pathOf(pathId), std::nullopt, session);
}

QCoro::Task<LearningItemDetail> LearningAPIClient::fetchItem(qint64 pathId, qint64 itemId,
                                                             AppSession &session) const {
    return sendLearningRequest<LearningItemDetail>("GET", itemPathOf(pathId, itemId), std::nullopt, session);
}

QCoro::Task<CompleteResult> LearningAPIClient::completeItem(qint64 pathId, qint64 itemId,
                                                            AppSession &session) const {
    return sendLearningRequest<CompleteResult>(
        "POST", itemPathOf(pathId, itemId) + QStringLiteral("/complete"), QJsonObject{}, session);
}

QCoro::Task<ChapterList> LearningAPIClient::fetchChapters(AppSession &session) const {
    return sendLearningRequest<ChapterList>("GET", chaptersPath, std::nullopt, session);
}

QCoro::Task<QuestionRequestResult> LearningAPIClient::requestQuestions(QJsonObject body,
                                                                       AppSession &session) const {
    return sendLearningRequest<QuestionRequestResult>("POST", questionRequestsPath, body, session);
}

QCoro::Task<QList<VariantQuestion>>
LearningAPIClient::fetchPracticeQuestions(QString kp, std::optional<QString> qtype, int difficulty, int count,
                                          QList<qint64> exclude, AppSession &session) const {
    const ApiClient client = api(session);
    HttpRequest request = client.request("GET", practiceQuestionsPath);
    // Built as text: a query item set through QUrlQuery would leave "+" literal, which servers read as a
    // space.
    request.url.setQuery(practiceQuery(kp, qtype, difficulty, count, exclude), QUrl::StrictMode);
    // Its own answer check: the status alone makes the message, the body of a failed answer is not read.
    return itemsOf(client.send<PracticeQuestionList>(
        std::move(request), ApiClient::Check::withFixedText(QStringLiteral("取题失败（%1）"))));
}

QCoro::Task<QList<VariantQuestion>> LearningAPIClient::itemsOf(QCoro::Task<PracticeQuestionList> answer) {
    co_return (co_await answer).items;
}
