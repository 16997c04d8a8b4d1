#include "LearningPlan.h"

#include "ApiClient.h"
#include "ApiError.h"
#include "AppSession.h"
#include "JsonReader.h"

namespace {

// Built with the screen's session (its base and token, "Bearer " even for an empty token); sent through the
// current session, whose sender renews for everyone.
const ApiClient::Rules rules{ApiClient::Base::Api, ApiClient::Auth::RenewingThroughCurrent, false, true,
                             JsonKeys::AsIs};

// Everything by value: the screen's session may be gone once the answer arrives.
QCoro::Task<std::optional<LearningPlanSummary>> planAnswered(QCoro::Task<HttpResponse> answer) {
    const HttpResponse response = co_await answer;
    co_return learningPlanFromResponse(response);
}

} // namespace

LearningPlanSummary::Current LearningPlanSummary::Current::fromJson(const JsonReader &json) {
    return {json.int64(QStringLiteral("order")), json.optString(QStringLiteral("kp_name")),
            json.optString(QStringLiteral("state"))};
}

LearningPlanSummary LearningPlanSummary::fromJson(const JsonReader &json) {
    LearningPlanSummary plan;
    plan.pathId = json.int64(QStringLiteral("path_id"));
    plan.goal = json.optString(QStringLiteral("goal"));
    plan.total = json.int64(QStringLiteral("total"));
    plan.completed = json.int64(QStringLiteral("completed"));
    plan.unlockedOrder = json.int64(QStringLiteral("unlocked_order"));
    if (const std::optional<JsonReader> current = json.optObject(QStringLiteral("current")))
        plan.current = Current::fromJson(*current);
    return plan;
}

std::optional<LearningPlanSummary> learningPlanFromResponse(const HttpResponse &response) {
    if (!response.isHttp() || response.status == 204)
        return std::nullopt;
    if (response.status < 200 || response.status > 299)
        throw ApiError::http(response.status,
                             QStringLiteral("读取学习计划失败（%1）").arg(QString::number(response.status)));
    return ApiClient::decode<LearningPlanSummary>(response.body, JsonKeys::AsIs);
}

QCoro::Task<std::optional<LearningPlanSummary>> loadLearningPlan(AppSession &session) {
    const ApiClient client(session, rules);
    return planAnswered(client.data(client.request("GET", learningPlanPath)));
}
