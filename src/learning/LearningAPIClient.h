#pragma once

#include "ApiError.h"
#include "AppSession.h"
#include "CatalogueModels.h"
#include "LearningModels.h"

#include <QCoro/QCoroTask>
#include <QJsonObject>

#include <optional>

// The failure of a learning, catalogue or practice-question call: `http` (a failed status, or no HTTP answer
// with status -1) or `decoding` (a success body of the wrong shape). Its description is shown as it stands.
class LearningAPIError : public UserFacingError {
public:
    enum class Case { Http, Decoding };

    static LearningAPIError http(int status, QString message) {
        return LearningAPIError(Case::Http, status, std::move(message));
    }
    static LearningAPIError decoding() {
        return LearningAPIError(Case::Decoding, 0, QStringLiteral("响应格式不正确"));
    }

    Case kind() const { return m_case; }
    int status() const { return m_status; } // 0 for `decoding`
    const QString &errorDescription() const { return message(); }

private:
    LearningAPIError(Case kind, int status, QString message)
        : UserFacingError(std::move(message)), m_case(kind), m_status(status) {}

    Case m_case;
    int m_status;
};

// The learning paths, the knowledge catalogue and the practice questions. A small value each user builds for
// itself; it holds nothing but its decoding rule. Every call reads the session's API base URL and token when
// it is made (on the main thread) and sends through the current session, which renews the token once on 401.
// Transport failures are thrown unchanged.
class LearningAPIClient {
public:
    JsonKeys decoder = JsonKeys::FromSnakeCase;

    // How many lessons ahead the server prepares; every path is created with this.
    static constexpr int defaultPrefetch = 1;
    // The most question ids one practice-question request leaves out.
    static constexpr int maxExcludedQuestions = 200;

    // One request with the shared answer check. `path` begins with "/" and carries no query; segments taken
    // from data must already be percent-encoded. Only a request with a body carries "Content-Type".
    template <typename R>
    QCoro::Task<R> sendLearningRequest(QByteArray method, QString path, std::optional<QJsonObject> body,
                                       const AppSession &session) const {
        return send<R>(buildRequest(method, path, body, session));
    }

    QCoro::Task<TopicResolution> topicPreview(QString text, const AppSession &session) const;
    QCoro::Task<LearningPathView> createPathFromChapter(QString chapterCode, int prefetch,
                                                        const AppSession &session) const;
    QCoro::Task<LearningPathView> createPathFromTopic(TopicCandidate candidate, int prefetch,
                                                      const AppSession &session) const;
    QCoro::Task<LearningPathView> fetchPath(qint64 pathId, const AppSession &session) const;
    QCoro::Task<LearningItemDetail> fetchItem(qint64 pathId, qint64 itemId, const AppSession &session) const;
    QCoro::Task<CompleteResult> completeItem(qint64 pathId, qint64 itemId, const AppSession &session) const;

    QCoro::Task<ChapterList> fetchChapters(const AppSession &session) const;
    QCoro::Task<KnowledgePointList> fetchChapterPoints(QString chapterCode, const AppSession &session) const;
    // Its own answer check: any failed status (and no HTTP answer, -1) is "取题失败（<status>）", whatever
    // the body says.
    QCoro::Task<QList<VariantQuestion>> fetchPracticeQuestions(QString kp, std::optional<QString> qtype,
                                                               int difficulty, int count,
                                                               QList<qint64> exclude,
                                                               const AppSession &session) const;
    QCoro::Task<QuestionRequestResult> requestQuestions(QJsonObject body, const AppSession &session) const;

    static inline const QString chaptersPath = QStringLiteral("/api/v1/knowledge/chapters");
    static inline const QString learningPathsPath = QStringLiteral("/api/v1/learning-paths");
    static inline const QString practiceQuestionsPath = QStringLiteral("/api/v1/practice/questions");
    static inline const QString questionRequestsPath = QStringLiteral("/api/v1/practice/question-requests");

    // The request as sent: base URL + path, 60 s, the bearer token when the session has one, and the body
    // with its content type only when there is a body.
    static HttpRequest buildRequest(const QByteArray &method, const QString &path,
                                    const std::optional<QJsonObject> &body, const AppSession &session);
    // The query of the practice-question request, in its fixed order, every value percent-encoded ("+"
    // included).
    static QString practiceQuery(const QString &kp, const std::optional<QString> &qtype, int difficulty,
                                 int count, const QList<qint64> &exclude);

private:
    template <typename R>
    QCoro::Task<R> send(HttpRequest request) const {
        const JsonKeys keys = decoder;
        const HttpResponse response = co_await AppSession::send(std::move(request));
        co_return Api::decode<R, LearningAPIError>(response, keys);
    }
    QCoro::Task<QList<VariantQuestion>> sendPracticeRequest(HttpRequest request) const;
};
