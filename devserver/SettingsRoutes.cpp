#include "Http.h"
#include "Routes.h"
#include "ServerState.h"

#include <QJsonArray>

#include <optional>
#include <vector>

// The server-driven settings pages: the "我的" tab's root page "settings_root" and the pages behind it, each
// answered together with the learner's saved preferences, and the saving of boolean preferences. The
// documents use camelCase keys ("pageId", "valueFrom", ...) and leave out every optional key a row does not
// use: the client reads an absent key, never an empty text or a null, as "not set".
//
// The root page carries every row kind the client draws, every native screen it opens, a row of a kind it
// does not know yet (which it must leave out) and a nested page. A row never names the study report: the
// report is reached through the quick actions only.

namespace devserver {

namespace {

const char kPagePrefix[] = "/api/v1/layouts/settings/";
constexpr qsizetype kMaxKeysPerSave = 50;

// One row. A null text leaves its key out of the document.
struct Row {
    const char *id;
    const char *type;
    const char *title;
    const char *subtitle = nullptr;
    const char *icon = nullptr;
    const char *minClient = nullptr;
    const char *route = nullptr;
    const char *key = nullptr;
    std::optional<bool> defaultValue = std::nullopt;
    const char *action = nullptr;
    const char *style = nullptr;
    const char *valueFrom = nullptr;
    const char *value = nullptr;
    const char *url = nullptr;
};

struct Section {
    const char *id;
    const char *title; // null: a section without a title line
    std::vector<Row> rows;
};

struct Page {
    const char *id;
    std::int64_t revision;
    const char *title;
    std::vector<Section> sections;
};

// The legal pages live on the service's public web host, whatever address this stand-in listens on.
const Row kTerms{
    .id = "terms", .type = "link", .title = "用户协议", .url = "https://api.quorvel.cn/legal/terms.html"};
const Row kPrivacy{.id = "privacy_policy",
                   .type = "link",
                   .title = "隐私政策",
                   .url = "https://api.quorvel.cn/legal/privacy.html"};
const Row kChildren{.id = "children_policy",
                    .type = "link",
                    .title = "儿童个人信息保护规则",
                    .url = "https://api.quorvel.cn/legal/children.html"};
const Row kVersion{.id = "version", .type = "info", .title = "当前版本", .valueFrom = "app_version"};

const std::vector<Page> &pages() {
    static const std::vector<Page> all{
        {"settings_root",
         3,
         "我的",
         {
             {"account",
              "账号",
              {
                  {.id = "profile_birth",
                   .type = "navigation",
                   .title = "出生年月",
                   .subtitle = "账号信息与状态",
                   .icon = "calendar",
                   .route = "native/profile-birth"},
                  {.id = "memories",
                   .type = "navigation",
                   .title = "伙伴的记忆",
                   .subtitle = "伙伴记住的学习目标和难点",
                   .icon = "memory",
                   .route = "native/memories"},
              }},
             {"membership",
              "会员",
              {
                  {.id = "membership",
                   .type = "navigation",
                   .title = "会员中心",
                   .subtitle = "查看会员权益和今日额度",
                   .icon = "crown",
                   .route = "native/membership"},
                  {.id = "orders",
                   .type = "navigation",
                   .title = "我的订单",
                   .icon = "order",
                   .route = "native/orders"},
              }},
             {"study",
              "学习",
              {
                  {.id = "wrong_book",
                   .type = "navigation",
                   .title = "错题本",
                   .icon = "wrong",
                   .route = "native/wrong-book"},
                  {.id = "inbox",
                   .type = "navigation",
                   .title = "学习通知",
                   .icon = "inbox",
                   .route = "native/inbox"},
                  {.id = "study_limits",
                   .type = "navigation",
                   .title = "学习时长管理",
                   .subtitle = "每日学习时长和休息时段",
                   .icon = "youth_limit",
                   .route = "native/study-limits"},
                  // A kind of a later client: this one leaves it out.
                  {.id = "checkin_calendar",
                   .type = "calendar_strip",
                   .title = "学习打卡日历",
                   .icon = "checkin",
                   .minClient = "2.0.0"},
              }},
             {"preferences",
              "偏好",
              {
                  {.id = "dark_mode",
                   .type = "toggle",
                   .title = "深色模式",
                   .icon = "dark",
                   .key = "pref.dark_mode",
                   .defaultValue = false},
                  {.id = "study_reminder",
                   .type = "toggle",
                   .title = "学习提醒",
                   .subtitle = "每天晚上提醒我完成学习计划",
                   .icon = "remind",
                   .key = "pref.study_reminder",
                   .defaultValue = true},
              }},
             {"about",
              "关于",
              {
                  kVersion,
                  kTerms,
                  kPrivacy,
                  kChildren,
                  {.id = "about",
                   .type = "navigation",
                   .title = "关于岚帆伴",
                   .icon = "about",
                   .route = "settings/about"},
              }},
             {"session",
              nullptr,
              {
                  {.id = "logout",
                   .type = "action",
                   .title = "退出登录",
                   .action = "logout",
                   .style = "destructive"},
              }},
         }},
        {"settings_about",
         1,
         "关于岚帆伴",
         {
             {"app",
              nullptr,
              {
                  kVersion,
                  {.id = "channel",
                   .type = "info",
                   .title = "发布渠道",
                   .icon = "version",
                   .value = "开发版"},
                  {.id = "service_hours",
                   .type = "info",
                   .title = "客服时间",
                   .icon = "help",
                   .value = "每天 9:00-21:00"},
              }},
             {"legal", "协议与政策", {kTerms, kPrivacy, kChildren}},
             {"help",
              "帮助",
              {
                  // A screen of a later client: this one shows its "update the app" page.
                  {.id = "help_center",
                   .type = "navigation",
                   .title = "帮助中心",
                   .icon = "help",
                   .route = "native/help-center"},
              }},
         }},
    };
    return all;
}

QJsonObject rowJson(const Row &row) {
    QJsonObject json{{"id", QString::fromUtf8(row.id)},
                     {"type", QString::fromUtf8(row.type)},
                     {"title", QString::fromUtf8(row.title)}};
    const auto optional = [&json](const char *key, const char *text) {
        if (text)
            json.insert(QLatin1String(key), QString::fromUtf8(text));
    };
    optional("subtitle", row.subtitle);
    optional("icon", row.icon);
    optional("minClient", row.minClient);
    optional("route", row.route);
    optional("key", row.key);
    if (row.defaultValue)
        json.insert(QStringLiteral("default"), *row.defaultValue);
    optional("action", row.action);
    optional("style", row.style);
    optional("valueFrom", row.valueFrom);
    optional("value", row.value);
    optional("url", row.url);
    return json;
}

QJsonObject pageJson(const Page &page) {
    QJsonArray sections;
    for (const Section &section : page.sections) {
        QJsonArray items;
        for (const Row &row : section.rows)
            items.append(rowJson(row));
        QJsonObject json{{"id", QString::fromUtf8(section.id)}, {"items", items}};
        if (section.title)
            json.insert(QStringLiteral("title"), QString::fromUtf8(section.title));
        sections.append(json);
    }
    return {{"schemaVersion", QStringLiteral("1.0")},
            {"pageId", QString::fromUtf8(page.id)},
            {"revision", qint64(page.revision)},
            {"title", QString::fromUtf8(page.title)},
            {"sections", sections}};
}

// The page id as the client sent it: exactly one segment after the prefix, percent-decoded. The routed path
// is already decoded, so an encoded "/" would read as a segment boundary there; the raw request target
// keeps it, and such an id names no page. Nothing for more than one segment or an empty one.
std::optional<QString> pageIdOf(const httplib::Request &req) {
    std::string raw = req.target.substr(0, req.target.find('?'));
    const std::string prefix = kPagePrefix;
    if (!raw.starts_with(prefix))
        return std::nullopt;
    raw.erase(0, prefix.size());
    if (raw.empty() || raw.find('/') != std::string::npos)
        return std::nullopt;
    return QString::fromUtf8(QByteArray::fromPercentEncoding(QByteArray::fromStdString(raw)));
}

QJsonObject prefsJson(const std::map<QString, bool> &prefs) {
    QJsonObject json;
    for (const auto &[key, value] : prefs)
        json.insert(key, value);
    return json;
}

void getPage(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    const auto pageId = pageIdOf(req);
    const Page *page = nullptr;
    for (const Page &candidate : pages())
        if (pageId && *pageId == QString::fromUtf8(candidate.id))
            page = &candidate;
    if (!page)
        return sendError(res, 404, "page_not_found", QStringLiteral("这个设置页不存在"));
    QJsonObject prefs;
    {
        std::lock_guard lock(state.mutex);
        if (auto found = state.settings.prefsByUser.find(who->userId);
            found != state.settings.prefsByUser.end())
            prefs = prefsJson(found->second);
    }
    sendJson(res, 200, {{"page", pageJson(*page)}, {"prefs", prefs}});
}

// Saves every key of {"prefs": {key: boolean}} or none: one value that is not a JSON boolean (1, "true",
// null) refuses the whole request. The answer names the saved keys with their values.
void savePrefs(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    const QJsonValue prefsValue = body->value(QLatin1String("prefs"));
    if (!prefsValue.isObject())
        return sendInvalidRequest(res, QStringLiteral("prefs 必须是对象"));
    const QJsonObject prefs = prefsValue.toObject();
    if (prefs.size() > kMaxKeysPerSave)
        return sendInvalidRequest(res, QStringLiteral("一次最多保存 %1 项设置").arg(kMaxKeysPerSave));
    std::map<QString, bool> saved;
    for (auto it = prefs.begin(); it != prefs.end(); ++it) {
        if (it.key().isEmpty() || it.key().size() > SettingsState::kMaxKeyLength)
            return sendInvalidRequest(res, QStringLiteral("设置项名称不正确"));
        if (!it.value().isBool())
            return sendInvalidRequest(res,
                                      QStringLiteral("设置项 %1 的值必须是 true 或 false").arg(it.key()));
        saved[it.key()] = it.value().toBool();
    }
    {
        std::lock_guard lock(state.mutex);
        std::map<QString, bool> &stored = state.settings.prefsByUser[who->userId];
        std::size_t added = 0;
        for (const auto &entry : saved)
            added += stored.count(entry.first) ? 0 : 1;
        if (stored.size() + added > SettingsState::kMaxKeysPerLearner) {
            if (stored.empty())
                state.settings.prefsByUser.erase(who->userId);
            return sendInvalidRequest(res, QStringLiteral("保存的设置项过多"));
        }
        for (const auto &[key, value] : saved)
            stored[key] = value;
    }
    sendJson(res, 200, {{"prefs", prefsJson(saved)}});
}

} // namespace

void registerSettingsRoutes(Router &router) {
    ServerState &state = router.state();
    using Req = const httplib::Request &;
    using Res = httplib::Response &;
    // Matched on the decoded path; the handler reads the page id from the raw target (see pageIdOf).
    router.get(std::string(kPagePrefix) + "(.*)", [&state](Req req, Res res) { getPage(state, req, res); });
    router.put("/api/v1/me/settings/prefs", [&state](Req req, Res res) { savePrefs(state, req, res); });
}

} // namespace devserver
