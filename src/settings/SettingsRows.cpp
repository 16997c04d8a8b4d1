#include "SettingsRows.h"

#include "BundleInfo.h"
#include "Platform.h"

#include <algorithm>
#include <array>

namespace SettingsRows {

namespace {

struct IconRule {
    std::initializer_list<const char *> keywords;
    const char *symbol;
    const char *colour;
};

// Tried from the top; the first rule with a keyword in the text wins, so the more specific words come
// first ("privacy_policy" before "privacy", "remind" before "time").
const std::array<IconRule, 15> iconRules{{
    {{"member", "vip", "crown"}, "crown.fill", "brandAmber"},
    {{"order"}, "bag.fill", "orange"},
    {{"inbox", "notif"}, "bell.badge.fill", "brandTeal"},
    {{"wrong"}, "bookmark.fill", "orange"},
    {{"children"}, "figure.and.child.holdinghands", "pink"},
    {{"privacy_policy", "policy"}, "hand.raised.fill", "indigo"},
    {{"privacy", "memor", "lock"}, "lock.shield.fill", "indigo"},
    {{"dark", "theme"}, "moon.fill", "brandNavy"},
    {{"checkin", "remind", "push"}, "checkmark.seal.fill", "green"},
    {{"limit", "usage", "time", "youth"}, "hourglass", "purple"},
    {{"birth", "calendar"}, "calendar", "red"},
    {{"profile", "account", "person"}, "person.fill", "blue"},
    {{"terms", "agree", "legal"}, "doc.text.fill", "gray"},
    {{"version", "about"}, "info.circle.fill", "brandTeal"},
    {{"help", "feedback"}, "questionmark.circle.fill", "cyan"},
}};

const QString settingsPrefix = QStringLiteral("settings/");
const QString pageIdPrefix = QStringLiteral("settings_");

} // namespace

bool isShownType(const QString &type) {
    static const std::array<QString, 5> shown{QStringLiteral("navigation"), QStringLiteral("toggle"),
                                              QStringLiteral("action"), QStringLiteral("info"),
                                              QStringLiteral("link")};
    return std::find(shown.begin(), shown.end(), type) != shown.end();
}

Icon rowIcon(const SettingsItem &item) {
    const QString text = (item.icon.value_or(QString()) + u' ' + item.id).toLower();
    for (const IconRule &rule : iconRules) {
        for (const char *keyword : rule.keywords) {
            if (text.contains(QLatin1String(keyword)))
                return {QString::fromLatin1(rule.symbol), QString::fromLatin1(rule.colour)};
        }
    }
    return {QStringLiteral("circle.grid.2x2.fill"), QStringLiteral("brandTeal")};
}

Destination settingsDestination(const QString &route) {
    if (!route.startsWith(settingsPrefix))
        return {QString(), ::Destination::NativeRoute, {{QStringLiteral("route"), route}}};
    // Never empty: the prefix itself gives the piece "settings".
    const QString last = route.split(u'/', Qt::SkipEmptyParts).constLast();
    const QString pageId = last.startsWith(pageIdPrefix) ? last : pageIdPrefix + last;
    return {pageId, ::Destination::SettingsPage, {{QStringLiteral("pageId"), pageId}}};
}

bool toggleValue(const SettingsItem &item, const SettingsPrefs &prefs) {
    const bool fallback = item.defaultValue.value_or(false);
    if (!item.key)
        return fallback;
    const auto stored = prefs.constFind(*item.key);
    return stored != prefs.constEnd() && stored->kind() == FlexibleValue::Kind::Bool ? stored->boolValue()
                                                                                     : fallback;
}

std::optional<QString> appVersion() {
    // The configuration the platform holds for this run, the one every other reader sees; not the files
    // again.
    const QJsonValue version = Platform::bundleInfo().value(QStringLiteral("CFBundleShortVersionString"));
    return version.isString() ? std::optional(version.toString()) : std::nullopt;
}

QString infoValue(const SettingsItem &item, const std::optional<QString> &version) {
    static const QString none = QStringLiteral("—");
    if (item.valueFrom == QStringLiteral("app_version"))
        return version.value_or(none);
    return item.value.value_or(none);
}

QUrl linkTarget(const SettingsItem &item) {
    if (!item.url)
        return {};
    const QUrl url(*item.url, QUrl::StrictMode);
    const bool web = url.scheme() == QStringLiteral("http") || url.scheme() == QStringLiteral("https");
    return url.isValid() && web && !url.host().isEmpty() ? url : QUrl();
}

} // namespace SettingsRows

SettingsRowData SettingsRowData::from(const SettingsItem &item, const SettingsPrefs &prefs,
                                      const std::optional<QString> &version) {
    SettingsRowData row;
    row.itemId = item.id;
    row.kind = item.type;
    row.title = item.title;
    if (item.type == QStringLiteral("action")) {
        row.actionName = item.action.value_or(QString());
        row.destructive = item.style == QStringLiteral("destructive");
        return row;
    }
    row.subtitle = item.subtitle.value_or(QString());
    const SettingsRows::Icon icon = SettingsRows::rowIcon(item);
    row.iconSymbol = icon.symbol;
    row.iconColour = icon.colour;
    if (item.type == QStringLiteral("navigation")) {
        row.route = item.route.value_or(QString());
        const SettingsRows::Destination destination = SettingsRows::settingsDestination(row.route);
        row.pageId = destination.pageId;
        row.destination = destination.page;
        row.openProperties = destination.properties;
    } else if (item.type == QStringLiteral("toggle")) {
        row.on = SettingsRows::toggleValue(item, prefs);
    } else if (item.type == QStringLiteral("info")) {
        row.value = SettingsRows::infoValue(item, version);
    } else if (item.type == QStringLiteral("link")) {
        row.url = SettingsRows::linkTarget(item);
        row.linkActive = !row.url.isEmpty();
    }
    return row;
}
