#include "FuzzTarget.h"

#include "ApiClient.h"
#include "ApiError.h"
#include "AuthAPIClient.h"
#include "CatalogueModels.h"
#include "CompanionMemories.h"
#include "CompanionSettings.h"
#include "InboxMessage.h"
#include "JsonReader.h"
#include "LearningModels.h"
#include "LearningPlan.h"
#include "MembershipModels.h"
#include "OnboardingModels.h"
#include "QuestionModels.h"
#include "RobotCatalog.h"
#include "StudyLimits.h"
#include "StudyReport.h"

#include <QByteArray>

// The strict reader and the wire models built on it. The first byte picks the model (its low bits) and the
// key style (its top bit: snake case on the wire or as is); the rest is the body.
namespace {

template <typename Model>
void decode(const QByteArray &body, JsonKeys keys) {
    (void)ApiClient::decode<Model>(body, keys);
}

using Decoder = void (*)(const QByteArray &, JsonKeys);

const Decoder decoders[] = {
    &decode<LoginResponse>,
    &decode<MeResponse>,
    &decode<ProfileResponse>,
    &decode<LearningPathView>,
    &decode<LearningItemDetail>,
    &decode<CompleteResult>,
    [](const QByteArray &body, JsonKeys) { (void)InboxMessage::listFromJson(body); },
    &decode<EntitlementStatus>,
    &decode<MembershipItems<SkuItem>>,
    &decode<MembershipItems<OrderItem>>,
    &decode<PayStart>,
    &decode<StudyReport>,
    &decode<QuestionSnapshot>,
    &decode<VariantQuestion>,
    &decode<ChapterList>,
    &decode<KnowledgePointList>,
    &decode<TopicResolution>,
    &decode<PracticeQuestionList>,
    &decode<OnboardingOverview>,
    &decode<LearningProfile>,
    &decode<CompanionSettings>,
    &decode<LearningPlanSummary>,
    &decode<StudyLimits>,
    &decode<MemoryList>,
    &decode<ApiErrorBody>,
    [](const QByteArray &body, JsonKeys) { (void)RobotCatalog::decode(body); },
    [](const QByteArray &body, JsonKeys keys) { (void)JsonReader::parse(body, keys); },
    [](const QByteArray &body, JsonKeys) { (void)JsonReader::parseArray(body); },
};
constexpr size_t decoderCount = sizeof(decoders) / sizeof(decoders[0]);

} // namespace

int qvlFuzz(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    const Decoder decoder = decoders[(data[0] & 0x7f) % decoderCount];
    const JsonKeys keys = (data[0] & 0x80) ? JsonKeys::AsIs : JsonKeys::FromSnakeCase;
    const QByteArray body(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    try {
        decoder(body, keys);
    } catch (const JsonDecodeError &) {
    } catch (const UserFacingError &) {
    }
    return 0;
}
