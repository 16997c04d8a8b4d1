// The scripted companion of the stand-in: no model, just fixed replies chosen by a few plain rules, so that
// every kind of event the chat understands can be brought about by typing the right words.
#include "CompanionScript.h"

#include "LearningContent.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QStringList>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <array>

namespace devserver::companion {

namespace {

struct Texts {
    const char *language;
    const char *general;
    std::array<const char *, 3> maths; // by hint level
    std::array<const char *, 3> hintNames;
    const char *confirmLead;
    const char *crisisNotice;
    const char *crisisReply;
    std::array<const char *, 2> hotlineNames;
    // Confirm-card titles, in the order of kSkills below.
    std::array<const char *, 6> confirmTitles;
    const char *calendarTitle;
    std::array<const char *, 2> citationSources;
    std::array<const char *, 2> citationTitles;
    std::array<const char *, 2> citationSnippets;
};

const Texts kMandarin{
    "zh-CN",
    "我是你的 AI "
    "学习伙伴（不是真人）。我们先理一理：题目给了哪些条件，要求的是什么？说说你的想法，我再一步步陪你想。",
    {"先给你一个思路：找出题目里的未知量，把它设为 x，再看看哪些量相等，试着列出等式。先别急着算答案哦。",
     "关键步骤：第一步，设未知数；第二步，按等量关系列出方程；第三步，移项并合并同类项；第四步，把系数化为 "
     "1，再把结果代回原题检验。",
     "完整解析：以 2x + 3 = 7 为例。移项得 2x = 7 - 3，即 2x = 4；两边同时除以 2，得 x = 2。代回检验：2 × 2 "
     "+ 3 "
     "= 7，等式成立，所以 x = 2。"},
    {"思路提示", "关键步骤", "完整解析"},
    "我准备好了下面的操作，需要你确认后才会执行。",
    "听到你这样说，我很担心你。你并不孤单，现在就可以拨打下面的热线，和专业的人聊一聊，也请告诉一位你信任的大"
    "人。",
    "我会一直在这里陪着你。愿意的话，和我说说发生了什么吧。",
    {"全国心理援助热线", "希望24热线"},
    {"创建学习路径", "加入学习计划", "让伙伴出一组题", "确认购买", "生成讲解视频", "添加到日程"},
    "复习错题",
    {"课本", "题库"},
    {"七年级上册 · 一元一次方程", "解方程的一般步骤"},
    {"含有一个未知数、未知数的次数是 1 的等式叫一元一次方程。",
     "去分母、去括号、移项、合并同类项、系数化为 1。"},
};

const Texts kEnglish{
    "en-US",
    "I'm your AI study buddy, not a real person. Let's sort it out first: what does the question give you, "
    "and "
    "what does it ask for? Tell me your idea and we'll work through it step by step.",
    {"Here's an approach: find the unknown in the question, call it x, then look for two things that are "
     "equal "
     "and write them as an equation. Don't rush to the answer yet.",
     "Key steps: 1) choose the unknown; 2) write the equation from what is equal; 3) move the terms and "
     "combine "
     "like terms; 4) divide by the coefficient, then check the result in the original question.",
     "Full solution, taking 2x + 3 = 7: subtract 3 from both sides to get 2x = 4; divide both sides by 2 to "
     "get "
     "x = 2. Check: 2 × 2 + 3 = 7, so x = 2."},
    {"Approach", "Key steps", "Full solution"},
    "I've prepared the action below. It only runs after you confirm it.",
    "I'm worried about you after what you said. You are not alone: you can call one of the hotlines below "
    "right "
    "now and talk to someone trained to help, and please tell an adult you trust.",
    "I'm here with you. If you like, tell me what happened.",
    {"National mental health hotline", "Hope 24 hotline"},
    {"Create learning path", "Add to study plan", "Ask buddy for practice", "Confirm purchase",
     "Generate video lesson", "Add to calendar"},
    "Review wrong questions",
    {"Textbook", "Question bank"},
    {"Grade 7, volume 1 · Linear equations", "Steps for solving an equation"},
    {"An equation with one unknown whose degree is 1 is a linear equation in one variable.",
     "Clear fractions, expand brackets, move terms, combine like terms, divide by the coefficient."},
};

const Texts kCantonese{
    "yue-HK",
    "我係你嘅 AI "
    "學習夥伴（唔係真人）。我哋先理清楚：題目畀咗咩條件，要求啲咩？講下你嘅諗法，我再一步步陪你諗。",
    {"先畀你一個思路：搵出題目入面嘅未知數，設佢做 x，再睇下邊啲量係相等，試下列條等式。唔好急住計答案住。",
     "關鍵步驟：第一步，設未知數；第二步，按相等關係列方程；第三步，移項同合併同類項；第四步，將係數化做 "
     "1，再將答案代返原題檢驗。",
     "完整解析：以 2x + 3 = 7 為例。移項得 2x = 7 - 3，即係 2x = 4；兩邊同除以 2，得 x = 2。代返去檢驗：2 × "
     "2 + 3 "
     "= 7，等式成立，所以 x = 2。"},
    {"思路提示", "關鍵步驟", "完整解析"},
    "我準備好咗下面嘅操作，要你確認之後先會執行。",
    "聽到你咁講，我好擔心你。你唔係一個人，而家就可以打下面嘅熱線，同專業嘅人傾下，亦都請你話畀一個信任嘅大人"
    "知。",
    "我會一直喺度陪住你。如果你願意，同我講下發生咗咩事啦。",
    {"全國心理援助熱線", "希望24熱線"},
    {"建立學習路徑", "加入學習計劃", "叫夥伴出一組題", "確認購買", "生成講解影片", "加入日程"},
    "溫習錯題",
    {"課本", "題庫"},
    {"七年級上冊 · 一元一次方程", "解方程嘅一般步驟"},
    {"含有一個未知數、未知數次數係 1 嘅等式叫一元一次方程。",
     "去分母、去括號、移項、合併同類項、係數化為 1。"},
};

const Texts kJapanese{
    "ja-JP",
    "わたしは AI の学習パートナーです（人間ではありません）。まず整理しましょう：問題にはどんな条件があって、"
    "何を求めていますか？あなたの考えを教えてくれたら、一歩ずつ一緒に考えます。",
    {"考え方のヒント：問題の中のわからない数を x "
     "とおいて、等しい関係を探し、式に表してみましょう。答えを急がな"
     "くて大丈夫です。",
     "重要なステップ：① わからない数を x とおく；② 等しい関係から方程式を立てる；③ 移項して同類項をまとめる；"
     "④ 係数で割り、答えを元の問題に代入して確かめる。",
     "詳しい解説：2x + 3 = 7 の場合、3 を移項して 2x = 4、両辺を 2 で割って x = 2。確かめ：2 × 2 + 3 = 7 "
     "なので、x = 2 です。"},
    {"考え方", "重要なステップ", "詳しい解説"},
    "次の操作を用意しました。あなたが確認してから実行します。",
    "そう聞いて、とても心配しています。あなたはひとりではありません。今すぐ下の相談窓口に電話して、専門の人と"
    "話"
    "してみてください。信頼できる大人にも伝えてくださいね。",
    "わたしはここにいます。よかったら、何があったのか話してください。",
    {"全国心理支援ホットライン", "希望24ホットライン"},
    {"学習パスを作成", "学習計画に追加", "練習問題を作ってもらう", "購入の確認", "解説動画を作成",
     "予定に追加"},
    "間違えた問題の復習",
    {"教科書", "問題集"},
    {"中学1年 · 一次方程式", "方程式の解き方"},
    {"未知数を1つ含み、その次数が1の方程式を一次方程式といいます。",
     "分母をはらう、かっこを外す、移項する、同類項をまとめる、係数で割る。"},
};

const Texts &textsFor(const QString &language) {
    for (const Texts *texts : {&kEnglish, &kCantonese, &kJapanese}) {
        if (language == QLatin1String(texts->language))
            return *texts;
    }
    return kMandarin;
}

QString utf8(const char *text) {
    return QString::fromUtf8(text);
}

bool containsAny(const QString &text, std::initializer_list<const char *> words) {
    for (const char *word : words) {
        if (text.contains(QString::fromUtf8(word), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool isKana(char32_t c) {
    return (c >= 0x3041 && c <= 0x309F) || (c >= 0x30A0 && c <= 0x30FF && c != 0x30FB) ||
           (c >= 0x31F0 && c <= 0x31FF) || (c >= 0xFF66 && c <= 0xFF9D);
}

bool hasKana(const QString &text) {
    for (char32_t c : text.toUcs4()) {
        if (isKana(c))
            return true;
    }
    return false;
}

bool hasCantoneseParticle(const QString &text) {
    // 係 also sits in the ordinary word 關係 (and its Japanese form 関係), which says nothing about
    // Cantonese.
    QString rest = text;
    rest.remove(QStringLiteral("關係")).remove(QStringLiteral("関係"));
    return containsAny(rest, {"嘅", "咗", "唔", "係", "喺", "冇", "啲", "嚟", "佢", "哋", "咩", "乜"});
}

// More than half of the letters are Latin, and there are at least two: a bare "x" in "2x+3=7" is maths, not
// English.
bool isMostlyLatin(const QString &text) {
    int latin = 0;
    int letters = 0;
    for (char32_t c : text.toUcs4()) {
        if (!QChar::isLetter(c))
            continue;
        ++letters;
        if (QChar::script(c) == QChar::Script_Latin)
            ++latin;
    }
    return latin >= 2 && latin * 2 > letters;
}

bool isCrisis(const QString &text) {
    return containsAny(text, {"不想活", "想死", "自杀", "自殺", "活着没意思", "活著沒意思", "死にたい",
                              "want to die", "kill myself"});
}

bool isMathsQuestion(const QString &text) {
    // A chapter's short name ("M7-3") is a name, not a subtraction.
    static const QRegularExpression shortName(QStringLiteral("M\\d+-\\d+"));
    const QString withoutNames = QString(text).remove(shortName);
    bool digit = false;
    bool operatorSign = false;
    for (const QChar c : withoutNames) {
        digit = digit || c.isDigit();
        operatorSign = operatorSign || QStringLiteral("+-*/=×÷^＋－＝").contains(c);
    }
    if (digit && operatorSign)
        return true;
    if (containsAny(text,
                    {"方程", "计算", "計算", "多少", "幾多", "いくつ", "solve", "equation", "calculate"}))
        return true;
    // 解 on its own asks for a solution; inside these words it only means understanding or explaining.
    QString rest = text;
    for (const char *word : {"理解", "了解", "讲解", "講解", "解释", "解釋", "见解", "見解", "误解", "誤解"})
        rest.remove(QString::fromUtf8(word));
    return rest.contains(QStringLiteral("解"));
}

// The chapter a message names, by its name or else by one of its keywords; null when it names none.
const learning::Chapter *namedChapter(const QString &text) {
    const QList<learning::Chapter> &chapters = learning::chapters();
    for (const learning::Chapter &chapter : chapters) {
        if (text.contains(chapter.name))
            return &chapter;
    }
    for (const learning::Chapter &chapter : chapters) {
        for (const QString &keyword : chapter.keywords) {
            if (text.contains(keyword))
                return &chapter;
        }
    }
    return nullptr;
}

QList<Event> confirmCards(const QString &message, const Texts &texts) {
    auto card = [&texts](int title, const char *skill, const QJsonObject &args) {
        return Event{QStringLiteral("confirm"),
                     {{QStringLiteral("skill"), QString::fromLatin1(skill)},
                      {QStringLiteral("title"), utf8(texts.confirmTitles[title])},
                      {QStringLiteral("args"), args}}};
    };
    const QJsonObject textArgs{{QStringLiteral("text"), message}};
    QList<Event> cards;
    // A path is asked for outright (of the first chapter when none is named), or by naming a chapter to
    // learn. The card names the chapter as the learner knows it: the app shows its chapter id in the card.
    const learning::Chapter *chapter = namedChapter(message);
    if (containsAny(message, {"学习路径", "學習路徑"}) ||
        (chapter && containsAny(message, {"想学", "想學"}))) {
        const QString name = chapter ? chapter->name : learning::chapters().first().name;
        cards.append(card(0, "path.create", {{QStringLiteral("chapter_id"), name}}));
    }
    if (containsAny(message, {"加入计划", "加入計劃"}))
        cards.append(card(1, "path.topic", textArgs));
    if (containsAny(message, {"出题", "出題", "练习题", "練習題"}))
        cards.append(card(2, "practice.request", textArgs));
    if (containsAny(message, {"购买", "購買", "会员", "會員"}))
        cards.append(card(3, "order.preview", {{QStringLiteral("sku_id"), QStringLiteral("vip_month")}}));
    if (containsAny(message, {"视频", "視頻", "影片"}))
        cards.append(card(4, "video.generate", textArgs));
    // A skill the client does not know, with a number among its arguments: the card must still show.
    if (containsAny(message, {"日程"}))
        cards.append(
            card(5, "calendar.add",
                 {{QStringLiteral("title"), utf8(texts.calendarTitle)}, {QStringLiteral("day"), 3}}));
    return cards;
}

QStringList graphemes(const QString &text) {
    QStringList pieces;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype from = 0;
    for (qsizetype at = finder.toNextBoundary(); at != -1; at = finder.toNextBoundary()) {
        pieces.append(text.mid(from, at - from));
        from = at;
    }
    return pieces;
}

// The reply text in pieces of one, two and three characters, in turn.
QList<Event> deltas(const QString &text) {
    const QStringList characters = graphemes(text);
    QList<Event> events;
    for (qsizetype at = 0, size = 1; at < characters.size(); at += size, size = size % 3 + 1) {
        const QString piece = QStringList(characters.mid(at, size)).join(QString());
        events.append({QStringLiteral("delta"), {{QStringLiteral("text"), piece}}});
    }
    return events;
}

Event done(const QString &language) {
    return {QStringLiteral("done"),
            {{QStringLiteral("model"), QStringLiteral("quorvel-dev")},
             {QStringLiteral("degraded"), false},
             {QStringLiteral("language"), language}}};
}

} // namespace

qsizetype graphemeCount(const QString &text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

QString replyLanguage(const QString &message, const std::optional<QString> &requested) {
    if (hasKana(message))
        return QStringLiteral("ja-JP");
    if (hasCantoneseParticle(message))
        return QStringLiteral("yue-HK");
    if (isMostlyLatin(message))
        return QStringLiteral("en-US");
    // Only the four languages the companion writes in; anything else gets the default.
    if (requested && &textsFor(*requested) != &kMandarin)
        return *requested;
    return QStringLiteral("zh-CN");
}

QList<Event> scriptedReply(const Turn &turn) {
    const QString language = replyLanguage(turn.message, turn.language);
    const Texts &texts = textsFor(language);

    // Someone in distress gets the help lines and a few gentle words, nothing else: no hints, no cards.
    if (isCrisis(turn.message)) {
        const QJsonArray hotlines{
            QJsonObject{{QStringLiteral("name"), utf8(texts.hotlineNames[0])},
                        {QStringLiteral("number"), QStringLiteral("12356")}},
            QJsonObject{{QStringLiteral("name"), utf8(texts.hotlineNames[1])},
                        {QStringLiteral("number"), QStringLiteral("400 161 9995")}},
        };
        QList<Event> events{
            {QStringLiteral("crisis"),
             {{QStringLiteral("text"), utf8(texts.crisisNotice)}, {QStringLiteral("hotlines"), hotlines}}}};
        events.append(deltas(utf8(texts.crisisReply)));
        events.append(done(language));
        return events;
    }

    const bool maths = isMathsQuestion(turn.message);
    const int level = std::clamp(turn.hintLevel, 1, 3);
    const QList<Event> cards = confirmCards(turn.message, texts);
    QString reply = utf8(maths ? texts.maths[level - 1] : texts.general);
    if (!cards.isEmpty())
        reply += utf8(texts.confirmLead);
    QList<Event> text = deltas(reply);

    QList<Event> events;
    if (maths) {
        events.append({QStringLiteral("hint"),
                       {{QStringLiteral("level"), level},
                        {QStringLiteral("max_level"), 3},
                        {QStringLiteral("label"), utf8(texts.hintNames[level - 1])}}});
    }
    // The cards come a little way into the reply, a model error half way through; the reply goes on after
    // both.
    const qsizetype cardsAt = std::min<qsizetype>(3, text.size());
    const qsizetype errorAt = containsAny(turn.message, {"出错", "出錯"}) ? text.size() / 2 : -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == cardsAt)
            events.append(cards);
        if (i == errorAt) {
            events.append({QStringLiteral("error"),
                           {{QStringLiteral("code"), QStringLiteral("model_busy")},
                            {QStringLiteral("message"), QStringLiteral("模型繁忙，请稍后再试")}}});
        }
        if (i < text.size())
            events.append(text.at(i));
    }
    if (maths) {
        QJsonArray items;
        for (int i = 0; i < 2; ++i) {
            items.append(QJsonObject{{QStringLiteral("index"), i + 1},
                                     {QStringLiteral("source"), utf8(texts.citationSources[i])},
                                     {QStringLiteral("title"), utf8(texts.citationTitles[i])},
                                     {QStringLiteral("snippet"), utf8(texts.citationSnippets[i])}});
        }
        events.append({QStringLiteral("citation"), {{QStringLiteral("items"), items}}});
    }
    events.append(done(language));
    return events;
}

} // namespace devserver::companion
