#include "GuestHomeFeature.h"

#include "Brand.h"
#include "LinkOpener.h"

#include <QFile>
#include <QRegularExpression>

namespace {

GuestHomeFeature feature(const char *image, QString title, QString detail, GuestHomeFeature::Action action,
                         QStringList points) {
    GuestHomeFeature result;
    result.image = QString::fromLatin1(image);
    result.title = std::move(title);
    result.detail = std::move(detail);
    result.action = std::move(action);
    result.points = std::move(points);
    return result;
}

} // namespace

QList<GuestHomeFeature> GuestHomeFeature::builtInFeatures() {
    return {
        feature("IconHint", QStringLiteral("先给思路的答疑"), QStringLiteral("分级提示，引导你自己想通"),
                Action::login(QStringLiteral("登录后提问")),
                {QStringLiteral("遇到不会的题，伙伴先给解题思路，不直接给答案"),
                 QStringLiteral("还没想通可以再要一级提示：思路 → 关键步骤 → 完整解析"),
                 QStringLiteral("回答会说明用到了哪个知识点")}),
        feature("IconPath", QStringLiteral("知识点学习路径"), QStringLiteral("讲义、例题、练习依次解锁"),
                Action::catalog(), {}),
        feature("IconWrong", QStringLiteral("错题本与变式"), QStringLiteral("按错因生成同类题，练到会"),
                Action::login(QStringLiteral("登录后使用错题本")),
                {QStringLiteral("做错的题自动进错题本，按知识点、方法、思维误区三层标注错因"),
                 QStringLiteral("按遗忘曲线安排复习，连续答对 3 次算掌握"),
                 QStringLiteral("针对错因练同类变式题")}),
        feature("IconBuddy", QStringLiteral("会说话的伙伴"), QStringLiteral("语音陪学，记得你的进度"),
                Action::login(QStringLiteral("登录后和伙伴聊聊")),
                {QStringLiteral("伙伴会说明自己是 AI，不冒充真人"),
                 QStringLiteral("可以选活力、耐心、督学三种说话风格，也能给伙伴起名"),
                 QStringLiteral("记得本次对话的上下文，回答更连贯")}),
    };
}

QList<GuestHomeFeature> GuestHomeFeature::builtInSafety() {
    return {
        feature("IconClock", QStringLiteral("青少年模式"), QStringLiteral("每日时长与休息时段"),
                Action::none(),
                {QStringLiteral("未成年人每日使用时长有上限，到点提醒休息"),
                 QStringLiteral("夜间休息时段不推送通知"),
                 QStringLiteral("可以在设置里自己调低时长、增加休息时段")}),
        feature("IconPrivacy", QStringLiteral("隐私可控"), QStringLiteral("不保存对话原文"),
                Action::link(QStringLiteral("查看隐私政策"), Brand::privacyPolicyURL()),
                {QStringLiteral("不保存与伙伴对话的原文，只保留你同意的学习记忆"),
                 QStringLiteral("可以在隐私中心查看、删除伙伴记忆"),
                 QStringLiteral("不设年龄门槛，所有人都可以使用")}),
        feature("IconHeart", QStringLiteral("心理关怀"), QStringLiteral("需要时提供求助热线"),
                Action::hotline(),
                {QStringLiteral("察觉到你情绪不好时，伙伴会先听你说"),
                 QStringLiteral("遇到危险信号会提供心理援助热线，并提醒你联系身边信任的大人"),
                 QStringLiteral("心理援助热线：12356")}),
        feature("IconShield", QStringLiteral("自主学习"), QStringLiteral("每周学习周报"),
                Action::login(QStringLiteral("登录后查看我的周报")),
                {QStringLiteral("自己定目标、自己安排节奏，学什么都可以"),
                 QStringLiteral("每周查看学习天数、正确率、薄弱知识点和下周建议"),
                 QStringLiteral("周报只给你自己看，不会发给任何人")}),
    };
}

QUrl GuestHomeFeature::artworkURL(const QString &name) {
    // Names are plain identifiers; anything else could reach outside the artwork folder.
    static const QRegularExpression plainName(QStringLiteral("^[A-Za-z0-9_]+$"));
    if (!plainName.match(name).hasMatch())
        return {};
    // The guest pages' own pictures first, then the ones they share with the learning and home screens.
    for (const QString &folder :
         {QStringLiteral("/qt/qml/Quorvel/Guest/assets/"), QStringLiteral("/qt/qml/Quorvel/Ui/assets/")}) {
        const QString path = folder + name + QStringLiteral(".svg");
        if (QFile::exists(u':' + path))
            return QUrl(QStringLiteral("qrc:") + path);
    }
    return {};
}

GuestHomeFeature::LinkFallback GuestHomeFeature::fallbackFor(const QUrl &url) {
    if (url.scheme().compare(QLatin1String("tel"), Qt::CaseInsensitive) == 0) {
        // "tel://12356" keeps the number as its host, "tel:12356" as its path.
        const QString number = url.host().isEmpty() ? url.path() : url.host();
        return {QStringLiteral("这台电脑无法直接拨号，请用电话拨打"), number};
    }
    return {QStringLiteral("无法打开浏览器，请复制链接访问"), url.toString()};
}

std::optional<GuestHomeFeature::LinkFallback> GuestHomeFeature::open(const QUrl &url) {
    if (LinkOpener::open(url))
        return std::nullopt;
    return fallbackFor(url);
}
