#include "FuzzTarget.h"

#include "ApiClient.h"
#include "ApiError.h"
#include "FlexibleValue.h"
#include "HomeLayoutAPIClient.h"
#include "HomeLayoutModels.h"
#include "SettingsAPIClient.h"
#include "SettingsDocument.h"

#include <QJsonDocument>

// The documents whose values are read leniently: the home layout (card props as flexible values) and the
// settings page. The first byte picks the document; the rest is an answer body with status 200, decoded the
// way the clients decode it, then shown the way the screens show it (titles, texts of every flexible value)
// and written back where the model can be written.
namespace {

void showProps(const std::optional<FlexibleProps> &props) {
    if (!props)
        return;
    for (const FlexibleValue &value : *props) {
        (void)value.displayText();
        (void)FlexibleValue::fromJson(value.toJson());
    }
}

void homeLayout(const HttpResponse &response) {
    const HomeLayoutResponse answer = HomeLayoutAPIClient::decodeAnswer(response);
    if (answer.layout.layoutSlots.companion)
        showProps(answer.layout.layoutSlots.companion->props);
    for (const HomeGridCard &card : answer.layout.layoutSlots.grid) {
        (void)card.title();
        showProps(card.props);
        (void)card.toJson();
    }
}

void settingsPage(const HttpResponse &response) {
    const SettingsPageResponse answer = SettingsAPIClient::decodePage(response);
    // The page is kept as written JSON; it must read back.
    (void)ApiClient::decode<SettingsPageResponse>(QJsonDocument(answer.toJson()).toJson(), JsonKeys::AsIs);
    for (const SettingsSection &section : answer.page.sections)
        for (const SettingsItem &item : section.items)
            (void)answer.page.findItem(item.id);
}

void bareValues(const HttpResponse &response) {
    // Any JSON value at all, as a flexible value and back.
    const QJsonDocument document = QJsonDocument::fromJson("[" + response.body + "]");
    for (const QJsonValue value : document.array()) {
        const FlexibleValue flexible = FlexibleValue::fromJson(value);
        (void)flexible.displayText();
        (void)(flexible == FlexibleValue::fromJson(flexible.toJson()));
    }
}

} // namespace

int qvlFuzz(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    HttpResponse response;
    response.status = 200;
    response.body = QByteArray(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    try {
        switch (data[0] % 3) {
        case 0:
            homeLayout(response);
            break;
        case 1:
            settingsPage(response);
            break;
        default:
            bareValues(response);
            break;
        }
    } catch (const JsonDecodeError &) {
    } catch (const UserFacingError &) {
    }
    return 0;
}
