#include "RobotTexts.h"

namespace {

RobotTexts simplifiedChinese() {
    RobotTexts t;
    t.robotTag = QStringLiteral("AI 机器人");
    t.greetHint = QStringLiteral("朗读问候语");
    t.a11yThinking = QStringLiteral("正在思考");
    t.a11ySpeaking = QStringLiteral("正在说话");
    t.tagline = QStringLiteral("AI 学习伙伴 · 不是真人");
    t.autoLanguage = QStringLiteral("按提问自动切换语言");
    t.robotSettingsTitle = QStringLiteral("机器人设置");
    t.preview = QStringLiteral("试听");
    t.robotFooter = QStringLiteral("不同页面会出现不同的机器人，它们都是 AI，不是真人。");
    t.languageSection = QStringLiteral("语言");
    t.languagePicker = QStringLiteral("回答和朗读的语言");
    t.languageFooterFormat =
        QStringLiteral("你用其他语言提问时，伙伴会自动改用该语言回答，界面也会跟着切换。当前对话：%@。");
    t.voiceSection = QStringLiteral("音色");
    t.voicePicker = QStringLiteral("声音");
    t.followDefault = QStringLiteral("跟随机器人默认");
    t.autoSpeak = QStringLiteral("回复后自动朗读");
    t.modelSection = QStringLiteral("大模型");
    t.modelAuto = QStringLiteral("自动");
    t.modelLocal = QStringLiteral("本地优先");
    t.modelCloud = QStringLiteral("云端优先");
    t.available = QStringLiteral("可用");
    t.notConfigured = QStringLiteral("未配置");
    t.modelFooterFormat = QStringLiteral("本地模型：%@ · 云端模型：%@。首选不可用时自动改用另一类。");
    t.modelFooter = QStringLiteral("首选不可用时自动改用另一类。");
    t.done = QStringLiteral("完成");
    return t;
}

RobotTexts english() {
    RobotTexts t;
    t.robotTag = QStringLiteral("AI robot");
    t.greetHint = QStringLiteral("Read the greeting aloud");
    t.a11yThinking = QStringLiteral("thinking");
    t.a11ySpeaking = QStringLiteral("speaking");
    t.tagline = QStringLiteral("AI study buddy · not a real person");
    t.autoLanguage = QStringLiteral("Follows the language you ask in");
    t.robotSettingsTitle = QStringLiteral("Robot settings");
    t.preview = QStringLiteral("Preview");
    t.robotFooter = QStringLiteral("Each page has its own robot. They are all AI, not real people.");
    t.languageSection = QStringLiteral("Language");
    t.languagePicker = QStringLiteral("Reply & speech language");
    t.languageFooterFormat = QStringLiteral(
        "If you ask in another language, your buddy replies in that language and the screen follows. "
        "This chat: %@.");
    t.voiceSection = QStringLiteral("Voice");
    t.voicePicker = QStringLiteral("Voice");
    t.followDefault = QStringLiteral("Robot default");
    t.autoSpeak = QStringLiteral("Read replies aloud");
    t.modelSection = QStringLiteral("AI model");
    t.modelAuto = QStringLiteral("Auto");
    t.modelLocal = QStringLiteral("Local first");
    t.modelCloud = QStringLiteral("Cloud first");
    t.available = QStringLiteral("available");
    t.notConfigured = QStringLiteral("not set up");
    t.modelFooterFormat = QStringLiteral(
        "Local model: %@ · Cloud model: %@. Falls back to the other when the first choice is unavailable.");
    t.modelFooter = QStringLiteral("Falls back to the other when the first choice is unavailable.");
    t.done = QStringLiteral("Done");
    return t;
}

RobotTexts cantonese() {
    RobotTexts t;
    t.robotTag = QStringLiteral("AI 機械人");
    t.greetHint = QStringLiteral("朗讀問候語");
    t.a11yThinking = QStringLiteral("諗緊嘢");
    t.a11ySpeaking = QStringLiteral("講緊嘢");
    t.tagline = QStringLiteral("AI 學習夥伴 · 唔係真人");
    t.autoLanguage = QStringLiteral("按提問自動切換語言");
    t.robotSettingsTitle = QStringLiteral("機械人設定");
    t.preview = QStringLiteral("試聽");
    t.robotFooter = QStringLiteral("唔同頁面會出現唔同嘅機械人，佢哋都係 AI，唔係真人。");
    t.languageSection = QStringLiteral("語言");
    t.languagePicker = QStringLiteral("回答同朗讀嘅語言");
    t.languageFooterFormat =
        QStringLiteral("你用其他語言提問時，夥伴會自動用嗰種語言回答，介面都會跟住切換。今次對話：%@。");
    t.voiceSection = QStringLiteral("音色");
    t.voicePicker = QStringLiteral("聲音");
    t.followDefault = QStringLiteral("跟機械人預設");
    t.autoSpeak = QStringLiteral("回覆後自動朗讀");
    t.modelSection = QStringLiteral("大模型");
    t.modelAuto = QStringLiteral("自動");
    t.modelLocal = QStringLiteral("本地優先");
    t.modelCloud = QStringLiteral("雲端優先");
    t.available = QStringLiteral("用得");
    t.notConfigured = QStringLiteral("未設定");
    t.modelFooterFormat = QStringLiteral("本地模型：%@ · 雲端模型：%@。首選用唔到時自動改用另一類。");
    t.modelFooter = QStringLiteral("首選用唔到時自動改用另一類。");
    t.done = QStringLiteral("完成");
    return t;
}

RobotTexts japanese() {
    RobotTexts t;
    t.robotTag = QStringLiteral("AI ロボット");
    t.greetHint = QStringLiteral("あいさつを読み上げる");
    t.a11yThinking = QStringLiteral("考え中");
    t.a11ySpeaking = QStringLiteral("話し中");
    t.tagline = QStringLiteral("AI 学習パートナー · 人間ではありません");
    t.autoLanguage = QStringLiteral("質問の言語に自動で切り替え");
    t.robotSettingsTitle = QStringLiteral("ロボット設定");
    t.preview = QStringLiteral("試聴");
    t.robotFooter =
        QStringLiteral("ページごとに違うロボットが登場します。どれも AI で、人間ではありません。");
    t.languageSection = QStringLiteral("言語");
    t.languagePicker = QStringLiteral("回答と読み上げの言語");
    t.languageFooterFormat = QStringLiteral(
        "別の言語で質問すると、パートナーはその言語で答え、画面も切り替わります。この会話：%@。");
    t.voiceSection = QStringLiteral("ボイス");
    t.voicePicker = QStringLiteral("声");
    t.followDefault = QStringLiteral("ロボットの標準");
    t.autoSpeak = QStringLiteral("返信を自動で読み上げる");
    t.modelSection = QStringLiteral("AI モデル");
    t.modelAuto = QStringLiteral("自動");
    t.modelLocal = QStringLiteral("ローカル優先");
    t.modelCloud = QStringLiteral("クラウド優先");
    t.available = QStringLiteral("利用可");
    t.notConfigured = QStringLiteral("未設定");
    t.modelFooterFormat =
        QStringLiteral("ローカル：%@ · クラウド：%@。優先側が使えないときはもう一方に切り替えます。");
    t.modelFooter = QStringLiteral("優先側が使えないときはもう一方に切り替えます。");
    t.done = QStringLiteral("完了");
    return t;
}

} // namespace

const RobotTexts &RobotTexts::forLanguage(const QString &code) {
    if (code == u"en-US") {
        static const RobotTexts table = english();
        return table;
    }
    if (code == u"yue-HK") {
        static const RobotTexts table = cantonese();
        return table;
    }
    if (code == u"ja-JP") {
        static const RobotTexts table = japanese();
        return table;
    }
    static const RobotTexts table = simplifiedChinese();
    return table;
}

QString RobotTexts::format(const QString &format, const QStringList &arguments) {
    static const QString placeholder = QStringLiteral("%@");
    QString result;
    qsizetype from = 0;
    for (const QString &argument : arguments) {
        const qsizetype at = format.indexOf(placeholder, from);
        if (at < 0)
            break;
        result += QStringView(format).mid(from, at - from);
        result += argument;
        from = at + placeholder.size();
    }
    result += QStringView(format).mid(from);
    return result;
}
