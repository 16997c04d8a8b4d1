#include "HomeLayoutModels.h"

#include <QJsonArray>

FlexibleProps flexiblePropsFromJson(const QJsonObject &object) {
    FlexibleProps props;
    for (auto it = object.begin(); it != object.end(); ++it)
        props.insert(it.key(), FlexibleValue::fromJson(it.value()));
    return props;
}

namespace {

std::optional<FlexibleProps> optProps(const JsonReader &json) {
    // optObject checks the type (a props that is not an object fails the document); the values are read raw.
    if (!json.optObject(QStringLiteral("props")))
        return std::nullopt;
    return flexiblePropsFromJson(json.value(QStringLiteral("props")).toObject());
}

} // namespace

UserOverrides UserOverrides::fromJson(const JsonReader &json) {
    UserOverrides overrides;
    if (json.has(QStringLiteral("order")))
        overrides.order = json.stringList(QStringLiteral("order"));
    if (json.has(QStringLiteral("hidden")))
        overrides.hidden = json.stringList(QStringLiteral("hidden"));
    if (json.optObject(QStringLiteral("sizes"))) {
        const QJsonObject sizes = json.value(QStringLiteral("sizes")).toObject();
        QMap<QString, QString> map;
        for (auto it = sizes.begin(); it != sizes.end(); ++it)
            map.insert(it.key(),
                       JsonReader::toString(it.value(), json.path() + QStringLiteral(".sizes.") + it.key()));
        overrides.sizes = map;
    }
    return overrides;
}

QString HomeGridCard::title() const {
    if (!props)
        return type;
    const auto found = props->constFind(QStringLiteral("title"));
    if (found == props->constEnd())
        return type;
    return found->displayText().value_or(type);
}

HomeGridCard HomeGridCard::fromJson(const JsonReader &json) {
    return {json.string(QStringLiteral("id")), json.string(QStringLiteral("type")),
            json.string(QStringLiteral("size")), json.optString(QStringLiteral("minClient")), optProps(json)};
}

QJsonObject HomeGridCard::toJson() const {
    QJsonObject json{
        {QStringLiteral("id"), id}, {QStringLiteral("type"), type}, {QStringLiteral("size"), size}};
    if (minClient)
        json.insert(QStringLiteral("minClient"), *minClient);
    if (props) {
        QJsonObject object;
        for (auto it = props->begin(); it != props->end(); ++it)
            object.insert(it.key(), it->toJson());
        json.insert(QStringLiteral("props"), object);
    }
    return json;
}

HomeCompanionSlot HomeCompanionSlot::fromJson(const JsonReader &json) {
    return {json.string(QStringLiteral("type")), optProps(json)};
}

HomeLayoutSlots HomeLayoutSlots::fromJson(const JsonReader &json) {
    HomeLayoutSlots content;
    if (const auto companion = json.optObject(QStringLiteral("companion")))
        content.companion = HomeCompanionSlot::fromJson(*companion);
    content.grid = json.list(QStringLiteral("grid"), &HomeGridCard::fromJson);
    return content;
}

HomeLayoutDocument HomeLayoutDocument::fromJson(const JsonReader &json) {
    return {json.string(QStringLiteral("schemaVersion")),
            json.string(QStringLiteral("layoutId")),
            json.int64(QStringLiteral("revision")),
            json.optString(QStringLiteral("themePack")),
            json.optString(QStringLiteral("source")),
            HomeLayoutSlots::fromJson(json.object(QStringLiteral("slots")))};
}

HomeLayoutResponse HomeLayoutResponse::fromJson(const JsonReader &json) {
    HomeLayoutResponse response{HomeLayoutDocument::fromJson(json.object(QStringLiteral("layout"))), {}};
    if (const auto overrides = json.optObject(QStringLiteral("user_overrides")))
        response.userOverrides = UserOverrides::fromJson(*overrides);
    return response;
}

HomeLayoutDocument fallbackHomeLayout() {
    const auto titled = [](const char *id, const char *type, const QString &title) {
        return HomeGridCard{QString::fromLatin1(id), QString::fromLatin1(type), QStringLiteral("L"),
                            std::nullopt,
                            FlexibleProps{{QStringLiteral("title"), FlexibleValue::string(title)}}};
    };
    return {QStringLiteral("1.1"),
            QStringLiteral("home"),
            0,
            QStringLiteral("junior_default"),
            QStringLiteral("fallback"),
            {HomeCompanionSlot{
                 QStringLiteral("CompanionHeader"),
                 FlexibleProps{{QStringLiteral("greeting"), FlexibleValue::string(QStringLiteral("你好"))}}},
             {titled("c_inbox", "Inbox", QStringLiteral("学习通知")),
              titled("c_today", "TodayTasks", QStringLiteral("今日学习"))}}};
}
