#include "ChatStrings.h"

#include <algorithm>

namespace {

ChatStrings simplifiedChinese() {
    ChatStrings t;
    t.tagline = QStringLiteral("AI 学习伙伴 · 不是真人");
    t.statusReady = QStringLiteral("在线 · 先给思路，不直接给答案");
    t.statusThinking = QStringLiteral("正在思考…");
    t.statusSpeaking = QStringLiteral("正在说话…");
    t.autoLanguage = QStringLiteral("按提问自动切换语言");
    t.tryAsking = QStringLiteral("试试这样问");
    t.placeholderFormat = QStringLiteral("和%@说点什么…");
    t.send = QStringLiteral("发送");
    t.stopReply = QStringLiteral("停止回复");
    t.stopped = QStringLiteral("（已停止）");
    t.speak = QStringLiteral("朗读");
    t.stopSpeak = QStringLiteral("停止朗读");
    t.speakA11y = QStringLiteral("朗读这条回复");
    t.hintTag = QStringLiteral("提示");
    t.hintNames = {QStringLiteral("思路提示"), QStringLiteral("关键步骤"), QStringLiteral("完整解析")};
    t.moreHint = QStringLiteral("再给一点提示（关键步骤）");
    t.fullSolution = QStringLiteral("看完整解析");
    t.needConfirm = QStringLiteral("需要你确认");
    t.viewConfirm = QStringLiteral("查看并确认");
    t.confirm = QStringLiteral("确认");
    t.cancel = QStringLiteral("取消");
    t.crisisTitle = QStringLiteral("我很在意你");
    t.call = QStringLiteral("拨打");
    t.settings = QStringLiteral("设置");
    t.buddySettings = QStringLiteral("伙伴设置");
    t.robotSettings = QStringLiteral("机器人语音与语言");
    t.clear = QStringLiteral("清空");
    t.notice = QStringLiteral("提示");
    t.ok = QStringLiteral("好");
    t.savedToast = QStringLiteral("已保存。新的语气从下一句开始生效，伙伴仍会说明自己是 AI。");
    t.pathCreatedFormat = QStringLiteral("已创建学习路径「%@」，到「学习」Tab 开始吧。");
    t.orderHint = QStringLiteral("请到「我的 → 会员」完成购买，伙伴不会替你付款。");
    t.otherHint = QStringLiteral("这个操作暂时需要在对应页面完成。");
    t.switchedFormat = QStringLiteral("已按你的提问切换为 %@");
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
    t.robotTag = QStringLiteral("AI 机器人");
    t.greetHint = QStringLiteral("朗读问候语");
    t.a11yThinking = QStringLiteral("正在思考");
    t.a11ySpeaking = QStringLiteral("正在说话");
    t.styleHeader = QStringLiteral("说话风格");
    t.styleFooter = QStringLiteral("人设只改变语气，不改变讲解内容和安全规则。");
    t.nameHeader = QStringLiteral("给伙伴起个名字");
    t.namePlaceholder = QStringLiteral("例如：小星（1–8 个字，可留空）");
    t.save = QStringLiteral("保存");
    t.saving = QStringLiteral("保存中…");
    t.personaNames = {{QStringLiteral("cheerful"), QStringLiteral("活力伙伴")},
                      {QStringLiteral("calm"), QStringLiteral("耐心伙伴")},
                      {QStringLiteral("strict"), QStringLiteral("督学伙伴")}};
    t.personaDetails = {{QStringLiteral("cheerful"), QStringLiteral("语气活泼，多鼓励")},
                        {QStringLiteral("calm"), QStringLiteral("一步一步慢慢讲")},
                        {QStringLiteral("strict"), QStringLiteral("简洁直接，督促按计划完成")}};
    t.confirmTitles = {{QStringLiteral("path.create"), QStringLiteral("创建学习路径")},
                       {QStringLiteral("order.preview"), QStringLiteral("确认购买")},
                       {QStringLiteral("video.generate"), QStringLiteral("生成讲解视频")},
                       {QStringLiteral("path.topic"), QStringLiteral("加入学习计划")},
                       {QStringLiteral("practice.request"), QStringLiteral("让伙伴出一组题")}};
    t.pathSummaryFormat = QStringLiteral("为你创建章节 %@ 的学习路径");
    t.orderSummaryFormat = QStringLiteral("查看商品 %@ 的购买确认");
    t.topicSummaryFormat = QStringLiteral("按「%@」找到对应章节，加入你的学习计划");
    t.practiceSummaryFormat = QStringLiteral("按「%@」找到知识点，请伙伴在后台出一组练习题");
    t.onlineFormat = QStringLiteral("在线 · %@");
    t.referencesTitle = QStringLiteral("参考资料");
    return t;
}

ChatStrings english() {
    ChatStrings t;
    t.tagline = QStringLiteral("AI study buddy · not a real person");
    t.statusReady = QStringLiteral("Online · ideas first, never just the answer");
    t.statusThinking = QStringLiteral("Thinking…");
    t.statusSpeaking = QStringLiteral("Speaking…");
    t.autoLanguage = QStringLiteral("Follows the language you ask in");
    t.tryAsking = QStringLiteral("Try asking");
    t.placeholderFormat = QStringLiteral("Ask %@ anything…");
    t.send = QStringLiteral("Send");
    t.stopReply = QStringLiteral("Stop reply");
    t.stopped = QStringLiteral(" (stopped)");
    t.speak = QStringLiteral("Read aloud");
    t.stopSpeak = QStringLiteral("Stop");
    t.speakA11y = QStringLiteral("Read this reply aloud");
    t.hintTag = QStringLiteral("Hint");
    t.hintNames = {QStringLiteral("Approach"), QStringLiteral("Key steps"), QStringLiteral("Full solution")};
    t.moreHint = QStringLiteral("One more hint (key steps)");
    t.fullSolution = QStringLiteral("Show full solution");
    t.needConfirm = QStringLiteral("Needs your confirmation");
    t.viewConfirm = QStringLiteral("Review and confirm");
    t.confirm = QStringLiteral("Confirm");
    t.cancel = QStringLiteral("Cancel");
    t.crisisTitle = QStringLiteral("I care about you");
    t.call = QStringLiteral("Call");
    t.settings = QStringLiteral("Settings");
    t.buddySettings = QStringLiteral("Buddy settings");
    t.robotSettings = QStringLiteral("Robot voice & language");
    t.clear = QStringLiteral("Clear");
    t.notice = QStringLiteral("Notice");
    t.ok = QStringLiteral("OK");
    t.savedToast = QStringLiteral(
        "Saved. The new tone starts with the next message, and your buddy will still say it's an AI.");
    t.pathCreatedFormat = QStringLiteral("Learning path \"%@\" created. Start it in the Learning tab.");
    t.orderHint =
        QStringLiteral("Please finish the purchase in Me → Membership. Your buddy never pays for you.");
    t.otherHint = QStringLiteral("Please do this on its own page for now.");
    t.switchedFormat = QStringLiteral("Switched to %@ to match your question");
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
    t.robotTag = QStringLiteral("AI robot");
    t.greetHint = QStringLiteral("Read the greeting aloud");
    t.a11yThinking = QStringLiteral("thinking");
    t.a11ySpeaking = QStringLiteral("speaking");
    t.styleHeader = QStringLiteral("Speaking style");
    t.styleFooter = QStringLiteral("Style only changes the tone, not the content or safety rules.");
    t.nameHeader = QStringLiteral("Name your buddy");
    t.namePlaceholder = QStringLiteral("e.g. Star (1–8 characters, optional)");
    t.save = QStringLiteral("Save");
    t.saving = QStringLiteral("Saving…");
    t.personaNames = {{QStringLiteral("cheerful"), QStringLiteral("Cheerful buddy")},
                      {QStringLiteral("calm"), QStringLiteral("Patient buddy")},
                      {QStringLiteral("strict"), QStringLiteral("Coach buddy")}};
    t.personaDetails = {{QStringLiteral("cheerful"), QStringLiteral("Lively and encouraging")},
                        {QStringLiteral("calm"), QStringLiteral("Explains step by step")},
                        {QStringLiteral("strict"), QStringLiteral("Brief and direct, keeps you on plan")}};
    t.confirmTitles = {{QStringLiteral("path.create"), QStringLiteral("Create learning path")},
                       {QStringLiteral("order.preview"), QStringLiteral("Confirm purchase")},
                       {QStringLiteral("video.generate"), QStringLiteral("Generate video lesson")},
                       {QStringLiteral("path.topic"), QStringLiteral("Add to study plan")},
                       {QStringLiteral("practice.request"), QStringLiteral("Ask buddy for practice")}};
    t.pathSummaryFormat = QStringLiteral("Create a learning path for chapter %@");
    t.orderSummaryFormat = QStringLiteral("Review purchase of %@");
    t.topicSummaryFormat = QStringLiteral("Find the chapter for \"%@\" and add it to your study plan");
    t.practiceSummaryFormat =
        QStringLiteral("Find the topic for \"%@\" and ask your buddy to write practice questions");
    t.onlineFormat = QStringLiteral("Online · %@");
    t.referencesTitle = QStringLiteral("References");
    return t;
}

ChatStrings cantonese() {
    ChatStrings t;
    t.tagline = QStringLiteral("AI 學習夥伴 · 唔係真人");
    t.statusReady = QStringLiteral("在線 · 先畀思路，唔會直接畀答案");
    t.statusThinking = QStringLiteral("諗緊嘢…");
    t.statusSpeaking = QStringLiteral("講緊嘢…");
    t.autoLanguage = QStringLiteral("按提問自動切換語言");
    t.tryAsking = QStringLiteral("試下咁樣問");
    t.placeholderFormat = QStringLiteral("同%@講啲嘢…");
    t.send = QStringLiteral("發送");
    t.stopReply = QStringLiteral("停止回覆");
    t.stopped = QStringLiteral("（已停止）");
    t.speak = QStringLiteral("朗讀");
    t.stopSpeak = QStringLiteral("停止朗讀");
    t.speakA11y = QStringLiteral("朗讀呢個回覆");
    t.hintTag = QStringLiteral("提示");
    t.hintNames = {QStringLiteral("思路提示"), QStringLiteral("關鍵步驟"), QStringLiteral("完整解析")};
    t.moreHint = QStringLiteral("再畀多啲提示（關鍵步驟）");
    t.fullSolution = QStringLiteral("睇完整解析");
    t.needConfirm = QStringLiteral("要你確認");
    t.viewConfirm = QStringLiteral("睇清楚再確認");
    t.confirm = QStringLiteral("確認");
    t.cancel = QStringLiteral("取消");
    t.crisisTitle = QStringLiteral("我好緊張你");
    t.call = QStringLiteral("打電話");
    t.settings = QStringLiteral("設定");
    t.buddySettings = QStringLiteral("夥伴設定");
    t.robotSettings = QStringLiteral("機械人語音同語言");
    t.clear = QStringLiteral("清空");
    t.notice = QStringLiteral("提示");
    t.ok = QStringLiteral("好");
    t.savedToast = QStringLiteral("已儲存。新語氣由下一句開始生效，夥伴仍然會講明自己係 AI。");
    t.pathCreatedFormat = QStringLiteral("已建立學習路徑「%@」，去「學習」分頁開始啦。");
    t.orderHint = QStringLiteral("請去「我的 → 會員」完成購買，夥伴唔會幫你付款。");
    t.otherHint = QStringLiteral("呢個操作暫時要喺對應嘅頁面完成。");
    t.switchedFormat = QStringLiteral("已跟你嘅提問切換做 %@");
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
    t.robotTag = QStringLiteral("AI 機械人");
    t.greetHint = QStringLiteral("朗讀問候語");
    t.a11yThinking = QStringLiteral("諗緊嘢");
    t.a11ySpeaking = QStringLiteral("講緊嘢");
    t.styleHeader = QStringLiteral("講嘢風格");
    t.styleFooter = QStringLiteral("人設只會改變語氣，唔會改變講解內容同安全規則。");
    t.nameHeader = QStringLiteral("幫夥伴改個名");
    t.namePlaceholder = QStringLiteral("例如：小星（1–8 個字，可以留空）");
    t.save = QStringLiteral("儲存");
    t.saving = QStringLiteral("儲存緊…");
    t.personaNames = {{QStringLiteral("cheerful"), QStringLiteral("活力夥伴")},
                      {QStringLiteral("calm"), QStringLiteral("耐心夥伴")},
                      {QStringLiteral("strict"), QStringLiteral("督學夥伴")}};
    t.personaDetails = {{QStringLiteral("cheerful"), QStringLiteral("語氣活潑，多啲鼓勵")},
                        {QStringLiteral("calm"), QStringLiteral("一步一步慢慢講")},
                        {QStringLiteral("strict"), QStringLiteral("簡潔直接，督促你跟計劃完成")}};
    t.confirmTitles = {{QStringLiteral("path.create"), QStringLiteral("建立學習路徑")},
                       {QStringLiteral("order.preview"), QStringLiteral("確認購買")},
                       {QStringLiteral("video.generate"), QStringLiteral("生成講解影片")},
                       {QStringLiteral("path.topic"), QStringLiteral("加入學習計劃")},
                       {QStringLiteral("practice.request"), QStringLiteral("叫夥伴出一組題")}};
    t.pathSummaryFormat = QStringLiteral("幫你建立章節 %@ 嘅學習路徑");
    t.orderSummaryFormat = QStringLiteral("查看商品 %@ 嘅購買確認");
    t.topicSummaryFormat = QStringLiteral("按「%@」搵返對應章節，加入你嘅學習計劃");
    t.practiceSummaryFormat = QStringLiteral("按「%@」搵返知識點，叫夥伴喺後台出一組練習題");
    t.onlineFormat = QStringLiteral("在線 · %@");
    t.referencesTitle = QStringLiteral("參考資料");
    return t;
}

ChatStrings japanese() {
    ChatStrings t;
    t.tagline = QStringLiteral("AI 学習パートナー · 人間ではありません");
    t.statusReady = QStringLiteral("オンライン · まず考え方から、答えはすぐ出しません");
    t.statusThinking = QStringLiteral("考え中…");
    t.statusSpeaking = QStringLiteral("話し中…");
    t.autoLanguage = QStringLiteral("質問の言語に自動で切り替え");
    t.tryAsking = QStringLiteral("こんなふうに聞いてみよう");
    t.placeholderFormat = QStringLiteral("%@に話しかけてみよう…");
    t.send = QStringLiteral("送信");
    t.stopReply = QStringLiteral("返信を止める");
    t.stopped = QStringLiteral("（停止しました）");
    t.speak = QStringLiteral("読み上げ");
    t.stopSpeak = QStringLiteral("読み上げを止める");
    t.speakA11y = QStringLiteral("この返信を読み上げる");
    t.hintTag = QStringLiteral("ヒント");
    t.hintNames = {QStringLiteral("考え方"), QStringLiteral("重要なステップ"), QStringLiteral("詳しい解説")};
    t.moreHint = QStringLiteral("もう少しヒント（重要なステップ）");
    t.fullSolution = QStringLiteral("詳しい解説を見る");
    t.needConfirm = QStringLiteral("確認が必要です");
    t.viewConfirm = QStringLiteral("内容を見て確認");
    t.confirm = QStringLiteral("確認");
    t.cancel = QStringLiteral("キャンセル");
    t.crisisTitle = QStringLiteral("あなたのことが心配です");
    t.call = QStringLiteral("電話する");
    t.settings = QStringLiteral("設定");
    t.buddySettings = QStringLiteral("パートナー設定");
    t.robotSettings = QStringLiteral("ロボットの声と言語");
    t.clear = QStringLiteral("クリア");
    t.notice = QStringLiteral("お知らせ");
    t.ok = QStringLiteral("OK");
    t.savedToast = QStringLiteral(
        "保存しました。新しい口調は次のメッセージから。パートナーは引き続き AI であることを伝えます。");
    t.pathCreatedFormat = QStringLiteral("学習パス「%@」を作成しました。「学習」タブから始めましょう。");
    t.orderHint = QStringLiteral(
        "購入は「マイページ → 会員」で行ってください。パートナーが代わりに支払うことはありません。");
    t.otherHint = QStringLiteral("この操作は、今のところ専用のページで行ってください。");
    t.switchedFormat = QStringLiteral("質問に合わせて %@ に切り替えました");
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
    t.robotTag = QStringLiteral("AI ロボット");
    t.greetHint = QStringLiteral("あいさつを読み上げる");
    t.a11yThinking = QStringLiteral("考え中");
    t.a11ySpeaking = QStringLiteral("話し中");
    t.styleHeader = QStringLiteral("話し方");
    t.styleFooter = QStringLiteral("変わるのは口調だけで、説明の内容や安全のルールは変わりません。");
    t.nameHeader = QStringLiteral("パートナーに名前をつけよう");
    t.namePlaceholder = QStringLiteral("例：ほし（1～8 文字、空欄可）");
    t.save = QStringLiteral("保存");
    t.saving = QStringLiteral("保存中…");
    t.personaNames = {{QStringLiteral("cheerful"), QStringLiteral("元気なパートナー")},
                      {QStringLiteral("calm"), QStringLiteral("やさしいパートナー")},
                      {QStringLiteral("strict"), QStringLiteral("コーチパートナー")}};
    t.personaDetails = {{QStringLiteral("cheerful"), QStringLiteral("明るく、たくさん励まします")},
                        {QStringLiteral("calm"), QStringLiteral("一歩ずつゆっくり説明します")},
                        {QStringLiteral("strict"), QStringLiteral("簡潔に、計画どおり進むよう後押しします")}};
    t.confirmTitles = {{QStringLiteral("path.create"), QStringLiteral("学習パスを作成")},
                       {QStringLiteral("order.preview"), QStringLiteral("購入の確認")},
                       {QStringLiteral("video.generate"), QStringLiteral("解説動画を作成")},
                       {QStringLiteral("path.topic"), QStringLiteral("学習計画に追加")},
                       {QStringLiteral("practice.request"), QStringLiteral("練習問題を作ってもらう")}};
    t.pathSummaryFormat = QStringLiteral("単元 %@ の学習パスを作成します");
    t.orderSummaryFormat = QStringLiteral("商品 %@ の購入内容を確認します");
    t.topicSummaryFormat = QStringLiteral("「%@」に合う単元を探して学習計画に追加します");
    t.practiceSummaryFormat = QStringLiteral("「%@」の知識点で練習問題を作ってもらいます");
    t.onlineFormat = QStringLiteral("オンライン · %@");
    t.referencesTitle = QStringLiteral("参考資料");
    return t;
}

} // namespace

const ChatStrings &ChatStrings::forLanguage(const QString &code) {
    // Function-local statics: each table is built once, on first use, and C++ makes concurrent first calls
    // wait for that one construction.
    if (code == u"en-US") {
        static const ChatStrings table = english();
        return table;
    }
    if (code == u"yue-HK") {
        static const ChatStrings table = cantonese();
        return table;
    }
    if (code == u"ja-JP") {
        static const ChatStrings table = japanese();
        return table;
    }
    static const ChatStrings table = simplifiedChinese();
    return table;
}

QString ChatStrings::hintTagText(int level) const {
    // The level is shown as the server sent it; only the name is clamped to the three that exist.
    const int index = std::clamp(level, 1, 3) - 1;
    const QString name = index < hintNames.size() ? hintNames.at(index) : QString();
    return hintTag + u' ' + QString::number(level) + QStringLiteral("/3 · ") + name;
}

QString ChatStrings::format(const QString &format, const QStringList &arguments) {
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
