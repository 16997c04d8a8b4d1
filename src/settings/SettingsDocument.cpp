#include "SettingsDocument.h"

#include <QJsonArray>

namespace {

void insertIfPresent(QJsonObject &object, const QString &key, const std::optional<QString> &value) {
    if (value)
        object.insert(key, *value);
}

// A required object whose values are read as they stand (preference maps): JsonReader checks the shape,
// the raw object keeps the server's keys untouched.
QJsonObject requiredObject(const JsonReader &json, const QString &field) {
    json.object(field); // throws when missing, null or not an object
    return json.value(field).toObject();
}

} // namespace

SettingsPrefs settingsPrefsFromJson(const QJsonObject &object) {
    SettingsPrefs prefs;
    for (auto it = object.begin(); it != object.end(); ++it)
        prefs.insert(it.key(), FlexibleValue::fromJson(it.value()));
    return prefs;
}

QJsonObject settingsPrefsToJson(const SettingsPrefs &prefs) {
    QJsonObject object;
    for (auto it = prefs.begin(); it != prefs.end(); ++it)
        object.insert(it.key(), it.value().toJson());
    return object;
}

SettingsItem SettingsItem::fromJson(const JsonReader &json) {
    SettingsItem item;
    item.id = json.string(QStringLiteral("id"));
    item.type = json.string(QStringLiteral("type"));
    item.title = json.string(QStringLiteral("title"));
    item.subtitle = json.optString(QStringLiteral("subtitle"));
    item.icon = json.optString(QStringLiteral("icon"));
    item.minClient = json.optString(QStringLiteral("minClient"));
    item.route = json.optString(QStringLiteral("route"));
    item.key = json.optString(QStringLiteral("key"));
    item.defaultValue = json.optBoolean(QStringLiteral("default"));
    item.action = json.optString(QStringLiteral("action"));
    item.style = json.optString(QStringLiteral("style"));
    item.valueFrom = json.optString(QStringLiteral("valueFrom"));
    item.value = json.optString(QStringLiteral("value"));
    item.url = json.optString(QStringLiteral("url"));
    return item;
}

QJsonObject SettingsItem::toJson() const {
    QJsonObject object{
        {QStringLiteral("id"), id}, {QStringLiteral("type"), type}, {QStringLiteral("title"), title}};
    insertIfPresent(object, QStringLiteral("subtitle"), subtitle);
    insertIfPresent(object, QStringLiteral("icon"), icon);
    insertIfPresent(object, QStringLiteral("minClient"), minClient);
    insertIfPresent(object, QStringLiteral("route"), route);
    insertIfPresent(object, QStringLiteral("key"), key);
    if (defaultValue)
        object.insert(QStringLiteral("default"), *defaultValue);
    insertIfPresent(object, QStringLiteral("action"), action);
    insertIfPresent(object, QStringLiteral("style"), style);
    insertIfPresent(object, QStringLiteral("valueFrom"), valueFrom);
    insertIfPresent(object, QStringLiteral("value"), value);
    insertIfPresent(object, QStringLiteral("url"), url);
    return object;
}

SettingsSection SettingsSection::fromJson(const JsonReader &json) {
    SettingsSection section;
    section.id = json.string(QStringLiteral("id"));
    section.title = json.optString(QStringLiteral("title"));
    section.items = json.list(QStringLiteral("items"), &SettingsItem::fromJson);
    return section;
}

QJsonObject SettingsSection::toJson() const {
    QJsonArray itemArray;
    for (const SettingsItem &item : items)
        itemArray.append(item.toJson());
    QJsonObject object{{QStringLiteral("id"), id}, {QStringLiteral("items"), itemArray}};
    insertIfPresent(object, QStringLiteral("title"), title);
    return object;
}

SettingsPageDocument SettingsPageDocument::fromJson(const JsonReader &json) {
    SettingsPageDocument document;
    document.schemaVersion = json.string(QStringLiteral("schemaVersion"));
    document.pageId = json.string(QStringLiteral("pageId"));
    document.revision = json.int64(QStringLiteral("revision"));
    document.title = json.string(QStringLiteral("title"));
    document.sections = json.list(QStringLiteral("sections"), &SettingsSection::fromJson);
    return document;
}

QJsonObject SettingsPageDocument::toJson() const {
    QJsonArray sectionArray;
    for (const SettingsSection &section : sections)
        sectionArray.append(section.toJson());
    return {{QStringLiteral("schemaVersion"), schemaVersion},
            {QStringLiteral("pageId"), pageId},
            {QStringLiteral("revision"), revision},
            {QStringLiteral("title"), title},
            {QStringLiteral("sections"), sectionArray}};
}

const SettingsItem *SettingsPageDocument::findItem(const QString &itemId) const {
    for (const SettingsSection &section : sections) {
        for (const SettingsItem &item : section.items) {
            if (item.id == itemId)
                return &item;
        }
    }
    return nullptr;
}

SettingsPageResponse SettingsPageResponse::fromJson(const JsonReader &json) {
    SettingsPageResponse response;
    response.page = SettingsPageDocument::fromJson(json.object(QStringLiteral("page")));
    response.prefs = settingsPrefsFromJson(requiredObject(json, QStringLiteral("prefs")));
    return response;
}

QJsonObject SettingsPageResponse::toJson() const {
    return {{QStringLiteral("page"), page.toJson()}, {QStringLiteral("prefs"), settingsPrefsToJson(prefs)}};
}
