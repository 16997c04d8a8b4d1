#pragma once

#include "ApiClient.h"
#include "AppSession.h"
#include "CatalogueModels.h"
#include "LearningModels.h"

#include <QCoro/QCoroTask>
#include <QJsonObject>

#include <optional>

class LearningAPIClient {
public:
    JsonKeys decoder = JsonKeys::FromSnakeCase;
    // `None` for readers that must not sign their requests (the guest catalogue): no Authorization header,
    // whatever the session holds, and never a renewal.
    ApiClient::Auth auth = ApiClient::Auth::Renewing;

    // A client whose requests carry no credentials.
    static LearningAPIClient unauthenticated() {
        LearningAPIClient client;
        client.auth = ApiClient::Auth::None;
        return client;
    }
    // Its header rules: the API base, "Content-Type" only with a body, "Bearer " even for an empty token.
    ApiClient::Rules rules() const { return {ApiClient::Base::Api, auth, false, true, decoder}; }
    // The client its requests are sent with, on that session.
    ApiClient api(AppSession &session) const { return ApiClient(session, rules()); }

    // How many lessons ahead the server prepares; every path is created with this.
    static constexpr int defaultPrefetch = 1;
    // The most question ids one practice-question request leaves out.
    static constexpr int maxExcludedQuestions = 200;

    // One request with the shared answer check. `path` begins with "/" and carries no query; segments taken
    // from data must already be percent-encoded. Only a request with a body carries "Content-Type".
    template <typename R>
    QCoro::Task<R> sendLearningRequest(QByteArray method, QString path, std::optional<QJsonObject> body,
                                       AppSession &session) const {
        const ApiClient client = api(session);
        return client.send<R>(client.request(method, path, body));
    }

    QCoro::Task<TopicResolution> topicPreview(QString text, AppSession &session) const;
    QCoro::Task<LearningPathView> createPathFromChapter(QString chapterCode, int prefetch,
                                                        AppSession &session) const;
    QCoro::Task<LearningPathView> createPathFromTopic(TopicCandidate candidate, int prefetch,
                                                      AppSession &session) const;
    QCoro::Task<LearningPathView> fetchPath(qint64 pathId, AppSession &session) const;
    QCoro::Task<LearningItemDetail> fetchItem(qint64 pathId, qint64 itemId, AppSession &session) const;
    QCoro::Task<CompleteResult> completeItem(qint64 pathId, qint64 itemId, AppSession &session) const;

    QCoro::Task<ChapterList> fetchChapters(AppSession &session) const;
    // Fails as `decoding` without a request for a code that cannot stand as one path segment.
    template <typename Points = KnowledgePointList>
    QCoro::Task<Points> fetchChapterPoints(QString chapterCode, AppSession &session) const {
        const std::optional<QString> path = chapterPointsPath(chapterCode);
        if (!path)
            return refused<Points>();
        const ApiClient client = api(session);
        return client.send<Points>(client.request("GET", *path));
    }
    // Its own answer check: any failed status (and no HTTP answer, -1) is "取题失败（<status>）", whatever
    // the body says.
    QCoro::Task<QList<VariantQuestion>> fetchPracticeQuestions(QString kp, std::optional<QString> qtype,
                                                               int difficulty, int count,
                                                               QList<qint64> exclude,
                                                               AppSession &session) const;
    QCoro::Task<QuestionRequestResult> requestQuestions(QJsonObject body, AppSession &session) const;

    static inline const QString chaptersPath = QStringLiteral("/api/v1/knowledge/chapters");
    static inline const QString learningPathsPath = QStringLiteral("/api/v1/learning-paths");
    static inline const QString practiceQuestionsPath = QStringLiteral("/api/v1/practice/questions");
    static inline const QString questionRequestsPath = QStringLiteral("/api/v1/practice/question-requests");

    // The path of a chapter's points, or nothing for a code that cannot stand as one path segment: an empty
    // code, "." or ".." (a URL would read them as a step in the path, not as a name). Every character that
    // could end or split the segment ("/", "?", "#", "%", ...) is escaped.
    static std::optional<QString> chapterPointsPath(const QString &chapterCode);
    // The query of the practice-question request, in its fixed order, every value percent-encoded ("+"
    // included).
    static QString practiceQuery(const QString &kp, const std::optional<QString> &qtype, int difficulty,
                                 int count, const QList<qint64> &exclude);

private:
    template <typename Points>
    static QCoro::Task<Points> refused() {
        throw LearningAPIError::decoding();
        co_return Points{};
    }
    static QCoro::Task<QList<VariantQuestion>> itemsOf(QCoro::Task<PracticeQuestionList> answer);
};
