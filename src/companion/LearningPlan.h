#pragma once

#include "Transport.h"

#include <QCoro/QCoroTask>
#include <QString>

#include <optional>

class AppSession;
class JsonReader;

// The server's summary of the learner's current learning path, as the question-and-answer tab's plan card
// shows it. Only ever decoded.
struct LearningPlanSummary {
    // The lesson under way.
    struct Current {
        qint64 order = 0;
        std::optional<QString> kpName;
        std::optional<QString> state;

        static Current fromJson(const JsonReader &json);
    };

    qint64 pathId = 0;
    std::optional<QString> goal;
    qint64 total = 0;
    qint64 completed = 0;
    qint64 unlockedOrder = 0;
    std::optional<Current> current;

    // Reads the wire's snake_case keys as they stand ("path_id", "kp_name"): an answer written with the
    // model's camelCase names is not this service's answer and does not decode. Other keys are ignored.
    static LearningPlanSummary fromJson(const JsonReader &json);
};

// The path of the summary on the API base.
inline const QString learningPlanPath = QStringLiteral("/api/v1/me/learning-plan");

// Loads the summary with the session's API base and token, sent through the current session (which renews
// an expired token once) or straight over the transport when there is none. Nothing means the learner has no
// plan: status 204 (its body unread) or an answer that is not HTTP. A failed status throws
// ApiError::http(status, "读取学习计划失败（<status>）") without reading the error body; a body that does not
// decode throws ApiError::decoding().
QCoro::Task<std::optional<LearningPlanSummary>> loadLearningPlan(AppSession &session);
// How an answer of that request is read (the same rules, without the request).
std::optional<LearningPlanSummary> learningPlanFromResponse(const HttpResponse &response);
