#include "Http.h"
#include "Routes.h"

#include <QJsonArray>
#include <QJsonObject>

namespace devserver {

namespace {

struct RobotRow {
    const char *id;
    const char *color;
    const char *accent;
    const char *shape;
    const char *accessory;
    const char *defaultVoice;
};

struct SceneRow {
    const char *id;
    const char *label;
    const char *robot;
    const char *greeting;
    QStringList prompts;
};

// What every catalog shares: the robots' looks, the voices' ids and numbers, the four languages.
const RobotRow kRobotLooks[] = {
    {"lanlan", "#14A098", "#BFF3EA", "round", "antenna", "warm_girl"},
    {"suansuan", "#3B7BE0", "#D4E4FF", "square", "glasses", "calm_teacher"},
    {"fufu", "#F08A3C", "#FFE3CC", "round", "headband", "bright_boy"},
    {"kaokao", "#8E5BD9", "#E9DDFF", "capsule", "star", "bright_boy"},
    {"paipai", "#E0517A", "#FFD9E4", "square", "lens", "robot"},
};

QJsonArray languages(const QStringList &labels) {
    const char *codes[] = {"zh-CN", "en-US", "yue-HK", "ja-JP"};
    const char *locales[] = {"zh-CN", "en-US", "zh-HK", "ja-JP"};
    QJsonArray result;
    for (int i = 0; i < 4; ++i) {
        result.append(QJsonObject{{QStringLiteral("code"), QString::fromLatin1(codes[i])},
                                  {QStringLiteral("label"), labels.at(i)},
                                  {QStringLiteral("tts_locale"), QString::fromLatin1(locales[i])}});
    }
    return result;
}

QJsonArray voices(const QStringList &labels) {
    const char *ids[] = {"warm_girl", "bright_boy", "calm_teacher", "robot"};
    const double pitches[] = {1.1, 1.25, 0.9, 1.4};
    const double rates[] = {1.0, 1.05, 0.95, 1.0};
    QJsonArray result;
    for (int i = 0; i < 4; ++i) {
        result.append(QJsonObject{{QStringLiteral("id"), QString::fromLatin1(ids[i])},
                                  {QStringLiteral("label"), labels.at(i)},
                                  {QStringLiteral("pitch"), pitches[i]},
                                  {QStringLiteral("rate"), rates[i]}});
    }
    return result;
}

QJsonArray robots(const QStringList &names) {
    QJsonArray result;
    for (int i = 0; i < 5; ++i) {
        const RobotRow &look = kRobotLooks[i];
        result.append(QJsonObject{{QStringLiteral("id"), QString::fromLatin1(look.id)},
                                  {QStringLiteral("name"), names.at(i)},
                                  {QStringLiteral("color"), QString::fromLatin1(look.color)},
                                  {QStringLiteral("accent"), QString::fromLatin1(look.accent)},
                                  {QStringLiteral("shape"), QString::fromLatin1(look.shape)},
                                  {QStringLiteral("accessory"), QString::fromLatin1(look.accessory)},
                                  {QStringLiteral("default_voice"), QString::fromLatin1(look.defaultVoice)}});
    }
    return result;
}

QJsonArray scenes(const QList<SceneRow> &rows) {
    QJsonArray result;
    for (const SceneRow &row : rows) {
        result.append(QJsonObject{{QStringLiteral("id"), QString::fromLatin1(row.id)},
                                  {QStringLiteral("label"), QString::fromUtf8(row.label)},
                                  {QStringLiteral("robot"), QString::fromLatin1(row.robot)},
                                  {QStringLiteral("greeting"), QString::fromUtf8(row.greeting)},
                                  {QStringLiteral("prompts"), QJsonArray::fromStringList(row.prompts)}});
    }
    return result;
}

QJsonObject catalog(const QJsonArray &languageList, const QJsonArray &voiceList, const QJsonArray &robotList,
                    const QJsonArray &sceneList) {
    return {{QStringLiteral("default_scene"), QStringLiteral("companion")},
            {QStringLiteral("languages"), languageList},
            {QStringLiteral("voices"), voiceList},
            {QStringLiteral("robots"), robotList},
            {QStringLiteral("scenes"), sceneList},
            {QStringLiteral("models"),
             QJsonObject{{QStringLiteral("local"), false}, {QStringLiteral("cloud"), true}}}};
}

QJsonObject mandarinCatalog() {
    return catalog(
        languages({QStringLiteral("中文（普通话）"), QStringLiteral("English"), QStringLiteral("粤语"),
                   QStringLiteral("日本語")}),
        voices({QStringLiteral("温柔姐姐"), QStringLiteral("活力男孩"), QStringLiteral("沉稳老师"),
                QStringLiteral("机器人音")}),
        robots({QStringLiteral("小岚"), QStringLiteral("算算"), QStringLiteral("复复"),
                QStringLiteral("考考"), QStringLiteral("拍拍")}),
        scenes({
            {"home",
             "首页",
             "lanlan",
             "我是小岚，你的 AI 学习伙伴。今天想先学点什么？",
             {QStringLiteral("今天学什么好"), QStringLiteral("帮我定个学习计划"),
              QStringLiteral("你是真人吗")}},
            {"companion",
             "伙伴对话",
             "lanlan",
             "你好，我是 AI 学习伙伴（不是真人）。有不会的题、想学的章节，都可以告诉我。",
             {QStringLiteral("这道方程题我不会"), QStringLiteral("我想学有理数这一章"),
              QStringLiteral("怎么复习错题"), QStringLiteral("你是真人吗")}},
            {"learning",
             "学习路径",
             "suansuan",
             "我是算算，负责陪你学新课的 AI 伙伴。这一课哪里没看懂？",
             {QStringLiteral("这个概念再讲一遍"), QStringLiteral("举个简单的例子"),
              QStringLiteral("这一课的重点是什么")}},
            {"wrongbook",
             "错题本",
             "fufu",
             "我是复复，帮你复习错题的 AI 伙伴。我们一起找找哪里出错了。",
             {QStringLiteral("我为什么总错这类题"), QStringLiteral("这道题我不会"),
              QStringLiteral("怎么复习错题")}},
            {"practice",
             "练习",
             "kaokao",
             "我是考考，陪你练题的 AI 伙伴。做错了也没关系，我先给你思路。",
             {QStringLiteral("这道题我不会"), QStringLiteral("给我一点提示"), QStringLiteral("我做对了吗")}},
            {"photo",
             "拍照识题",
             "paipai",
             "我是拍拍，帮你看题的 AI 伙伴。把识别出的题目发给我吧。",
             {QStringLiteral("这道题我不会"), QStringLiteral("题目识别得对吗")}},
        }));
}

QJsonObject englishCatalog() {
    return catalog(
        languages({QStringLiteral("Chinese (Mandarin)"), QStringLiteral("English"),
                   QStringLiteral("Cantonese"), QStringLiteral("Japanese")}),
        voices({QStringLiteral("Gentle sister"), QStringLiteral("Lively boy"), QStringLiteral("Calm teacher"),
                QStringLiteral("Robot")}),
        robots({QStringLiteral("Lan"), QStringLiteral("Sums"), QStringLiteral("Review"),
                QStringLiteral("Quiz"), QStringLiteral("Snap")}),
        scenes({
            {"home",
             "Home",
             "lanlan",
             "I'm Lan, your AI study buddy. What shall we learn first today?",
             {QStringLiteral("What should I study today?"), QStringLiteral("Make me a study plan"),
              QStringLiteral("Are you a real person?")}},
            {"companion",
             "Buddy chat",
             "lanlan",
             "Hi, I'm your AI study buddy (not a real person). Tell me any question or chapter you're stuck "
             "on.",
             {QStringLiteral("I can't solve this equation"),
              QStringLiteral("I want to learn rational numbers"), QStringLiteral("How do I review mistakes?"),
              QStringLiteral("Are you a real person?")}},
            {"learning",
             "Learning path",
             "suansuan",
             "I'm Sums, the AI buddy for new lessons. What was unclear?",
             {QStringLiteral("Explain that concept again"), QStringLiteral("Give me a simple example"),
              QStringLiteral("What's the key point of this lesson?")}},
            {"wrongbook",
             "Mistakes",
             "fufu",
             "I'm Review, the AI buddy for your mistakes. Let's find what went wrong.",
             {QStringLiteral("Why do I keep getting these wrong?"), QStringLiteral("I can't solve this one"),
              QStringLiteral("How do I review mistakes?")}},
            {"practice",
             "Practice",
             "kaokao",
             "I'm Quiz, your AI practice buddy. Mistakes are fine — I'll give you an idea first.",
             {QStringLiteral("I can't solve this one"), QStringLiteral("Give me a hint"),
              QStringLiteral("Did I get it right?")}},
            {"photo",
             "Photo question",
             "paipai",
             "I'm Snap, the AI buddy who reads questions. Send me the scan.",
             {QStringLiteral("I can't solve this one"), QStringLiteral("Was the question read correctly?")}},
        }));
}

void robotCatalog(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    // The catalog is public; a request that does carry a token must carry a live one.
    if (req.has_header("Authorization") && !requireSignedIn(state, req, res))
        return;
    if (!req.has_param("language"))
        return sendInvalidRequest(res, QStringLiteral("缺少参数 language"));
    const std::string language = req.get_param_value("language");
    if (language == "zh-CN")
        return sendJson(res, 200, mandarinCatalog());
    if (language == "en-US")
        return sendJson(res, 200, englishCatalog());
    sendError(res, 404, "unknown_language", QStringLiteral("暂不支持该语言"));
}

} // namespace

void registerRobotRoutes(Router &router) {
    ServerState &state = router.state();
    router.get("/v1/robots", [&state](const httplib::Request &req, httplib::Response &res) {
        robotCatalog(state, req, res);
    });
}

} // namespace devserver
