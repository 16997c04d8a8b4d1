#include "HomeTools.h"

#include "Analytics.h"

#include <QRegularExpression>

namespace {

struct Tool {
    const char *key;
    const char16_t *title;
    const char *icon;
    Destination::Page destination;
};

constexpr Tool toolTable[] = {
    {"photo", u"拍照识题", "IconPhoto", Destination::PhotoMatch},
    {"plan", u"学习计划", "IconPlan", Destination::Learning},
    {"video", u"讲解视频", "IconVideo", Destination::ComingSoon},
    {"report", u"学情报告", "IconReport", Destination::StudyReport},
    {"wrong", u"错题本", "IconWrong", Destination::WrongBook},
    {"bank", u"题库练习", "IconPath", Destination::QuestionBank},
    {"ask", u"问伙伴", "IconBuddy", Destination::Chat},
    {"inbox", u"学习通知", "IconClock", Destination::Inbox},
};

// The companion chat a tool or card opens: in `scene`, without a first message.
QVariantMap chatIn(const QString &scene) {
    return {{QStringLiteral("scene"), scene}, {QStringLiteral("initialMessage"), QString()}};
}

const Tool *find(const QString &key) {
    for (const Tool &tool : toolTable) {
        if (key == QLatin1String(tool.key))
            return &tool;
    }
    return nullptr;
}

} // namespace

HomeToolRow HomeToolRow::of(const QString &key) {
    const QString icon = HomeTools::toolIcon(key);
    return {key, HomeTools::toolTitle(key), icon, HomeTools::artworkUrl(icon)};
}

HomeTools::HomeTools(QObject *parent) : HomeTools(Analytics::shared(), parent) {}

HomeTools::HomeTools(Analytics &analytics, QObject *parent)
    : QObject(parent), m_analytics(analytics), m_tools(new ListModel<HomeToolRow>(this)) {
    QList<HomeToolRow> rows;
    for (const QString &key : toolKeys())
        rows.append(HomeToolRow::of(key));
    m_tools->replaceAll(std::move(rows));
}

QStringList HomeTools::toolKeys() {
    QStringList keys;
    for (const Tool &tool : toolTable)
        keys.append(QString::fromLatin1(tool.key));
    return keys;
}

QString HomeTools::toolTitle(const QString &key) {
    const Tool *tool = find(key);
    return tool ? QString::fromUtf16(tool->title) : key;
}

QString HomeTools::toolIcon(const QString &key) {
    const Tool *tool = find(key);
    return QString::fromLatin1(tool ? tool->icon : "IconHint");
}

QUrl HomeTools::artworkUrl(const QString &name) {
    static const QRegularExpression plainName(QStringLiteral("^[A-Za-z0-9_]+$"));
    if (!plainName.match(name).hasMatch())
        return {};
    return QUrl(QStringLiteral("qrc:/qt/qml/Quorvel/Ui/assets/") + name + QStringLiteral(".svg"));
}

bool HomeTools::isComingSoon(const QString &key) {
    return !comingSoonNote(key).isEmpty();
}

QString HomeTools::comingSoonNote(const QString &key) {
    if (key == QLatin1String("video"))
        return QStringLiteral("会员可为知识点生成讲解视频，审核通过后可看（FR-VID）。");
    return {};
}

Destination::Page HomeTools::destination(const QString &key) {
    const Tool *tool = find(key);
    return tool ? tool->destination : Destination::None;
}

QVariantMap HomeTools::openProperties(const QString &key) {
    switch (destination(key)) {
    case Destination::ComingSoon:
        return {{QStringLiteral("title"), toolTitle(key)}, {QStringLiteral("note"), comingSoonNote(key)}};
    case Destination::Chat:
        return chatIn(QStringLiteral("home"));
    default:
        return {};
    }
}

Destination::Page HomeTools::cardDestination(const QString &type) {
    if (type == QLatin1String("Inbox"))
        return Destination::Inbox;
    if (type == QLatin1String("TodayTasks"))
        return Destination::Learning;
    if (type == QLatin1String("QuickQA"))
        return Destination::Chat;
    if (type == QLatin1String("WrongBook"))
        return Destination::WrongBook;
    return Destination::None;
}

QVariantMap HomeTools::cardProperties(const QString &type) {
    return cardDestination(type) == Destination::Chat ? chatIn(QStringLiteral("companion")) : QVariantMap();
}

void HomeTools::logToolClick(const QString &key) {
    m_analytics.track(QStringLiteral("home_tool_click"), {{QStringLiteral("tool"), key}});
}
