#include "RobotCatalog.h"

#include <limits>

namespace {

constexpr quint32 kDefaultRobotColor = 0x14A098;

RobotCatalog makeBuiltIn() {
    using Language = RobotCatalog::Language;
    using Voice = RobotCatalog::Voice;
    using Robot = RobotCatalog::Robot;
    using Scene = RobotCatalog::Scene;

    RobotCatalog catalog;
    catalog.defaultScene = QStringLiteral("companion");
    catalog.languages = {
        Language{QStringLiteral("zh-CN"), QStringLiteral("中文（普通话）"), QStringLiteral("zh-CN")},
        Language{QStringLiteral("en-US"), QStringLiteral("English"), QStringLiteral("en-US")},
        Language{QStringLiteral("yue-HK"), QStringLiteral("粤语"), QStringLiteral("zh-HK")},
        Language{QStringLiteral("ja-JP"), QStringLiteral("日本語"), QStringLiteral("ja-JP")},
    };
    catalog.voices = {
        Voice{QStringLiteral("warm_girl"), QStringLiteral("温柔姐姐"), 1.1, 1.0},
        Voice{QStringLiteral("bright_boy"), QStringLiteral("活力男孩"), 1.25, 1.05},
        Voice{QStringLiteral("calm_teacher"), QStringLiteral("沉稳老师"), 0.9, 0.95},
        Voice{QStringLiteral("robot"), QStringLiteral("机器人音"), 1.4, 1.0},
    };
    catalog.robots = {
        Robot{QStringLiteral("lanlan"), QStringLiteral("小岚"), QStringLiteral("#14A098"),
              QStringLiteral("#BFF3EA"), QStringLiteral("round"), QStringLiteral("antenna"),
              QStringLiteral("warm_girl")},
        Robot{QStringLiteral("suansuan"), QStringLiteral("算算"), QStringLiteral("#3B7BE0"),
              QStringLiteral("#D4E4FF"), QStringLiteral("square"), QStringLiteral("glasses"),
              QStringLiteral("calm_teacher")},
        Robot{QStringLiteral("fufu"), QStringLiteral("复复"), QStringLiteral("#F08A3C"),
              QStringLiteral("#FFE3CC"), QStringLiteral("round"), QStringLiteral("headband"),
              QStringLiteral("bright_boy")},
        Robot{QStringLiteral("kaokao"), QStringLiteral("考考"), QStringLiteral("#8E5BD9"),
              QStringLiteral("#E9DDFF"), QStringLiteral("capsule"), QStringLiteral("star"),
              QStringLiteral("bright_boy")},
        Robot{QStringLiteral("paipai"), QStringLiteral("拍拍"), QStringLiteral("#E0517A"),
              QStringLiteral("#FFD9E4"), QStringLiteral("square"), QStringLiteral("lens"),
              QStringLiteral("robot")},
    };
    catalog.scenes = {
        Scene{QStringLiteral("home"),
              QStringLiteral("首页"),
              QStringLiteral("lanlan"),
              QStringLiteral("我是小岚，你的 AI 学习伙伴。今天想先学点什么？"),
              {QStringLiteral("今天学什么好"), QStringLiteral("帮我定个学习计划"),
               QStringLiteral("你是真人吗")}},
        Scene{QStringLiteral("companion"),
              QStringLiteral("伙伴对话"),
              QStringLiteral("lanlan"),
              QStringLiteral("你好，我是 AI 学习伙伴（不是真人）。有不会的题、想学的章节，都可以告诉我。"),
              {QStringLiteral("这道方程题我不会"), QStringLiteral("我想学 M7-3 这一章"),
               QStringLiteral("怎么复习错题"), QStringLiteral("你是真人吗")}},
        Scene{QStringLiteral("learning"),
              QStringLiteral("学习路径"),
              QStringLiteral("suansuan"),
              QStringLiteral("我是算算，负责陪你学新课的 AI 伙伴。这一课哪里没看懂？"),
              {QStringLiteral("这个概念再讲一遍"), QStringLiteral("举个简单的例子"),
               QStringLiteral("这一课的重点是什么")}},
        Scene{QStringLiteral("wrongbook"),
              QStringLiteral("错题本"),
              QStringLiteral("fufu"),
              QStringLiteral("我是复复，帮你复习错题的 AI 伙伴。我们一起找找哪里出错了。"),
              {QStringLiteral("我为什么总错这类题"), QStringLiteral("这道题我不会"),
               QStringLiteral("怎么复习错题")}},
        Scene{QStringLiteral("practice"),
              QStringLiteral("练习"),
              QStringLiteral("kaokao"),
              QStringLiteral("我是考考，陪你练题的 AI 伙伴。做错了也没关系，我先给你思路。"),
              {QStringLiteral("这道题我不会"), QStringLiteral("给我一点提示"), QStringLiteral("我做对了吗")}},
        Scene{QStringLiteral("photo"),
              QStringLiteral("拍照识题"),
              QStringLiteral("paipai"),
              QStringLiteral("我是拍拍，帮你看题的 AI 伙伴。把识别出的题目发给我吧。"),
              {QStringLiteral("这道题我不会"), QStringLiteral("题目识别得对吗")}},
    };
    catalog.models = std::nullopt;
    return catalog;
}

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

RobotLanguage RobotLanguage::fromJson(const JsonReader &json) {
    return {json.string(QStringLiteral("code")), json.string(QStringLiteral("label")),
            json.string(QStringLiteral("tts_locale"))};
}

RobotVoice RobotVoice::fromJson(const JsonReader &json) {
    return {json.string(QStringLiteral("id")), json.string(QStringLiteral("label")),
            json.number(QStringLiteral("pitch")), json.number(QStringLiteral("rate"))};
}

RobotCharacter RobotCharacter::fromJson(const JsonReader &json) {
    return {json.string(QStringLiteral("id")),           json.string(QStringLiteral("name")),
            json.string(QStringLiteral("color")),        json.string(QStringLiteral("accent")),
            json.string(QStringLiteral("shape")),        json.string(QStringLiteral("accessory")),
            json.string(QStringLiteral("default_voice"))};
}

RobotScene RobotScene::fromJson(const JsonReader &json) {
    return {json.string(QStringLiteral("id")), json.string(QStringLiteral("label")),
            json.string(QStringLiteral("robot")), json.string(QStringLiteral("greeting")),
            json.stringList(QStringLiteral("prompts"))};
}

RobotModels RobotModels::fromJson(const JsonReader &json) {
    return {json.boolean(QStringLiteral("local")), json.boolean(QStringLiteral("cloud"))};
}

size_t qHash(const RobotLanguage &value, size_t seed) noexcept {
    return qHashMulti(seed, value.code, value.label, value.ttsLocale);
}

size_t qHash(const RobotVoice &value, size_t seed) noexcept {
    return qHashMulti(seed, value.id, value.label, value.pitch, value.rate);
}

size_t qHash(const RobotCharacter &value, size_t seed) noexcept {
    return qHashMulti(seed, value.id, value.name, value.color, value.accent, value.shape, value.accessory,
                      value.defaultVoice);
}

size_t qHash(const RobotScene &value, size_t seed) noexcept {
    return qHashMulti(seed, value.id, value.label, value.robot, value.greeting,
                      qHashRange(value.prompts.begin(), value.prompts.end()));
}

size_t qHash(const RobotModels &value, size_t seed) noexcept {
    return qHashMulti(seed, value.local, value.cloud);
}

RobotCatalog RobotCatalog::fromJson(const JsonReader &json) {
    RobotCatalog catalog;
    catalog.defaultScene = json.string(QStringLiteral("default_scene"));
    catalog.languages = json.list(QStringLiteral("languages"), &Language::fromJson);
    catalog.voices = json.list(QStringLiteral("voices"), &Voice::fromJson);
    catalog.robots = json.list(QStringLiteral("robots"), &Robot::fromJson);
    catalog.scenes = json.list(QStringLiteral("scenes"), &Scene::fromJson);
    if (const auto models = json.optObject(QStringLiteral("models")))
        catalog.models = Models::fromJson(*models);
    return catalog;
}

RobotCatalog RobotCatalog::decode(const QByteArray &body) {
    return fromJson(JsonReader::parse(body, JsonKeys::AsIs));
}

const RobotCatalog &RobotCatalog::builtIn() {
    static const RobotCatalog catalog = makeBuiltIn();
    return catalog;
}

std::optional<RobotCatalog::Voice> RobotCatalog::voice(const std::optional<QString> &id) const {
    if (!id)
        return std::nullopt;
    for (const Voice &candidate : voices) {
        if (candidate.id == *id)
            return candidate;
    }
    return std::nullopt;
}

std::optional<RobotCatalog::Language> RobotCatalog::language(const QString &code) const {
    for (const Language &candidate : languages) {
        if (candidate.code == code)
            return candidate;
    }
    return std::nullopt;
}

std::optional<RobotCatalog::Scene> RobotCatalog::scene(const QString &id) const {
    for (const Scene &candidate : scenes) {
        if (candidate.id == id)
            return candidate;
    }
    for (const Scene &candidate : scenes) {
        if (candidate.id == defaultScene)
            return candidate;
    }
    if (scenes.isEmpty())
        return std::nullopt;
    return scenes.first();
}

std::optional<RobotCatalog::Robot> RobotCatalog::robot(const QString &sceneId) const {
    const std::optional<Scene> found = scene(sceneId);
    if (!found || robots.isEmpty())
        return std::nullopt;
    for (const Robot &candidate : robots) {
        if (candidate.id == found->robot)
            return candidate;
    }
    return robots.first();
}

std::optional<quint32> hexColorValue(const QString &text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u'#')
        ++begin;
    while (end > begin && text[end - 1] == u'#')
        --end;
    if (begin == end)
        return std::nullopt;

    bool negative = false;
    if (text[begin] == u'+' || text[begin] == u'-') {
        negative = text[begin] == u'-';
        ++begin;
        if (begin == end)
            return std::nullopt; // a sign alone
    }
    quint64 value = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const int digit = hexDigit(text[i]);
        if (digit < 0)
            return std::nullopt;
        if (value > (std::numeric_limits<quint64>::max() >> 4))
            return std::nullopt; // does not fit in 64 bits
        value = (value << 4) | quint64(digit);
    }
    if (negative && value != 0)
        return std::nullopt;
    return quint32(value & 0xFFFFFF);
}

QColor hexColor(const QString &text) {
    const quint32 value = hexColorValue(text).value_or(kDefaultRobotColor);
    return QColor::fromRgb(int((value >> 16) & 0xFF), int((value >> 8) & 0xFF), int(value & 0xFF));
}
