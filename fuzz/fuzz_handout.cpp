#include "FuzzTarget.h"

#include "ApiClient.h"
#include "ApiError.h"
#include "HandoutRenderer.h"
#include "LearningModels.h"
#include "LessonSections.h"

// The handout renderer, fed the lesson detail as the server sends it (snake case on the wire): the lesson's
// sections as the detail screen builds them, and the handout laid out as its cards with every example row.
// The first byte picks the lesson detail (even) or a bare handout object (odd).
namespace {

void render(const LessonHandout &handout) {
    for (const HandoutCard &card : HandoutRenderer::render(handout)) {
        (void)card.kindName();
        for (const HandoutExampleRow &row : card.exampleRows())
            (void)row.id();
    }
}

} // namespace

int qvlFuzz(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    const QByteArray body(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    try {
        if (data[0] & 1) {
            render(ApiClient::decode<LessonHandout>(body, JsonKeys::FromSnakeCase));
        } else {
            const LearningItemDetail lesson =
                ApiClient::decode<LearningItemDetail>(body, JsonKeys::FromSnakeCase);
            (void)LessonSections::build(lesson);
            if (lesson.handout)
                render(*lesson.handout);
        }
    } catch (const JsonDecodeError &) {
    } catch (const UserFacingError &) {
    }
    return 0;
}
