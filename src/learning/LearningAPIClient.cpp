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

HttpRequest LearningAPIClient::buildRequest(const QByteArray &method, const QString &path,
                                            const std::optional<QJsonObject> &body,
                                            const AppSession &session) {
    HttpRequest request;
    request.method = method;
    request.url = Api::appendPath(session.baseURL(), path);
    request.timeoutMs = 60000;
    if (const std::optional<QString> token = session.accessToken())
        request.setHeader("Authorization", "Bearer " + token->toUtf8());
    if (body) {
        request.setHeader("Content-Type", "application/json");
        request.body = JsonWriter::compact(*body);
    }
    return request;
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

QCoro::Task<TopicResolution> LearningAPIClient::topicPreview(QString text, const AppSession &session) const {
    return sendLearningRequest<TopicResolution>("POST", learningPathsPath + QStringLiteral("/topic-preview"),
                                                QJsonObject{{QStringLiteral("text"), text}}, session);
}

QCoro::Task<LearningPathView> LearningAPIClient::createPathFromChapter(QString chapterCode, int prefetch,
                                                                       const AppSession &session) const {
    const QJsonObject body{{QStringLiteral("goal_type"), QStringLiteral("chapter")},
                           {QStringLiteral("chapter_id"), chapterCode},
                           {QStringLiteral("options"), prefetchOptions(prefetch)}};
    return sendLearningRequest<LearningPathView>("POST", learningPathsPath, body, session);
}

QCoro::Task<LearningPathView> LearningAPIClient::createPathFromTopic(TopicCandidate candidate, int prefetch,
                                                                     const AppSession &session) const {
    const QJsonObject body{{QStringLiteral("goal_type"), QStringLiteral("topic")},
                           {QStringLiteral("chapter_id"), candidate.chapterCode},
                           {QStringLiteral("kp_codes"), QJsonArray::fromStringList(candidate.kpCodes)},
                           {QStringLiteral("options"), prefetchOptions(prefetch)}};
    return sendLearningRequest<LearningPathView>("POST", learningPathsPath, body, session);
}

QCoro::Task<LearningPathView> LearningAPIClient::fetchPath(qint64 pathId, const AppSession &session) const {
    return sendLearningRequest<LearningPathView>("GET", pathOf(pathId), std::nullopt, session);
}

QCoro::Task<LearningItemDetail> LearningAPIClient::fetchItem(qint64 pathId, qint64 itemId,
                                                             const AppSession &session) const {
    return sendLearningRequest<LearningItemDetail>("GET", itemPathOf(pathId, itemId), std::nullopt, session);
}

QCoro::Task<CompleteResult> LearningAPIClient::completeItem(qint64 pathId, qint64 itemId,
                                                            const AppSession &session) const {
    return sendLearningRequest<CompleteResult>(
        "POST", itemPathOf(pathId, itemId) + QStringLiteral("/complete"), QJsonObject{}, session);
}

QCoro::Task<ChapterList> LearningAPIClient::fetchChapters(const AppSession &session) const {
    return sendLearningRequest<ChapterList>("GET", chaptersPath, std::nullopt, session);
}

QCoro::Task<KnowledgePointList> LearningAPIClient::fetchChapterPoints(QString chapterCode,
                                                                      const AppSession &session) const {
    return sendLearningRequest<KnowledgePointList>(
        "GET", chaptersPath + u'/' + segment(chapterCode) + QStringLiteral("/points"), std::nullopt, session);
}

QCoro::Task<QuestionRequestResult> LearningAPIClient::requestQuestions(QJsonObject body,
                                                                       const AppSession &session) const {
    return sendLearningRequest<QuestionRequestResult>("POST", questionRequestsPath, body, session);
}

QCoro::Task<QList<VariantQuestion>>
LearningAPIClient::fetchPracticeQuestions(QString kp, std::optional<QString> qtype, int difficulty, int count,
                                          QList<qint64> exclude, const AppSession &session) const {
    HttpRequest request = buildRequest("GET", practiceQuestionsPath, std::nullopt, session);
    // Built as text: a query item set through QUrlQuery would leave "+" literal, which servers read as a
    // space.
    request.url.setQuery(practiceQuery(kp, qtype, difficulty, count, exclude), QUrl::StrictMode);
    return sendPracticeRequest(std::move(request));
}

QCoro::Task<QList<VariantQuestion>> LearningAPIClient::sendPracticeRequest(HttpRequest request) const {
    const JsonKeys keys = decoder;
    const HttpResponse response = co_await AppSession::send(std::move(request));
    // The body of a failed answer is not read: the status alone makes the message.
    if (response.status < 200 || response.status > 299)
        throw LearningAPIError::http(response.status, QStringLiteral("取题失败（%1）").arg(response.status));
    try {
        co_return PracticeQuestionList::fromJson(JsonReader::parse(response.body, keys)).items;
    } catch (const JsonDecodeError &) {
        throw LearningAPIError::decoding();
    }
}
