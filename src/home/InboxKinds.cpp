#include "InboxKinds.h"

#include "InboxKindNames.h"
#include "Theme.h"

namespace {

struct KindRow {
    const char *kind;
    const char *symbol;
    Theme::Role color;
    const char *label;
    InboxCategory category;
    const char *actionTitle; // null: no action
    InboxDestination destination;
};

using C = InboxCategory;
using D = InboxDestination;

// First equal kind wins; the default row stands for every other text.
const KindRow kindRows[] = {
    {"learning_item_ready", "book.closed.fill", Theme::BrandTeal, "课程就绪", C::Study, "去学习",
     D::LearningHome},
    {InboxKindNames::planUpdated, "map.fill", Theme::BrandNavy, "计划更新", C::Study, "查看学习路径",
     D::LearningHome},
    {"study_reminder", "alarm.fill", Theme::Orange, "学习提醒", C::Study, "开始学习", D::LearningHome},
    {"wrong_book_review", "bookmark.fill", Theme::Red, "错题复习", C::Study, "去复习", D::WrongBook},
    {"weekly_report", "chart.bar.xaxis", Theme::Blue, "学情报告", C::Study, "查看报告", D::StudyReport},
    {"question_set_ready", "square.stack.3d.up.fill", Theme::Purple, "题组已生成", C::Practice, "去练习",
     D::QuestionBank},
    {"question_set_failed", "exclamationmark.triangle.fill", Theme::Red, "题组生成失败", C::Practice,
     "去题库看看", D::QuestionBank},
    {InboxKindNames::achievement, "rosette", Theme::BrandAmber, "成就", C::Activity, nullptr, D::None},
    {"activity", "flag.checkered", Theme::Pink, "活动", C::Activity, "去参加", D::LearningHome},
    {"membership", "crown.fill", Theme::BrandAmber, "会员", C::Activity, "查看会员", D::Membership},
    {"companion", "bubble.left.and.bubble.right.fill", Theme::BrandMint, "伙伴", C::System, "和伙伴聊聊",
     D::CompanionChat},
    {"safety_notice", "heart.text.square.fill", Theme::Green, "安全提醒", C::System, "学习时长设置",
     D::StudyLimits},
    {"new_feature", "sparkles", Theme::Indigo, "新功能", C::System, "去试试", D::PhotoMatch},
    {"version_update", "arrow.down.app.fill", Theme::Cyan, "版本更新", C::System, nullptr, D::None},
};
const KindRow defaultRow = {"", "megaphone.fill", Theme::BrandNavy, "系统通知", C::System, nullptr, D::None};

const KindRow &rowFor(const QString &kind) {
    for (const KindRow &row : kindRows) {
        if (kind == QLatin1String(row.kind))
            return row;
    }
    return defaultRow;
}

} // namespace

QList<InboxCategory> InboxCategories::allCases() {
    return {C::All, C::Study, C::Practice, C::Activity, C::System};
}

QString InboxCategories::rawValue(InboxCategory category) {
    switch (category) {
    case C::All:
        return QStringLiteral("全部");
    case C::Study:
        return QStringLiteral("学习");
    case C::Practice:
        return QStringLiteral("题库");
    case C::Activity:
        return QStringLiteral("活动");
    case C::System:
        return QStringLiteral("系统");
    }
    return {};
}

std::optional<InboxCategory> InboxCategories::fromRawValue(const QString &text) {
    for (const InboxCategory category : allCases()) {
        if (rawValue(category) == text)
            return category;
    }
    return std::nullopt;
}

InboxKindStyle InboxKindStyle::forKind(const QString &kind) {
    const KindRow &row = rowFor(kind);
    InboxKindStyle style;
    style.symbol = QString::fromLatin1(row.symbol);
    style.color = row.color;
    style.label = QString::fromUtf8(row.label);
    style.category = row.category;
    if (row.actionTitle)
        style.actionTitle = QString::fromUtf8(row.actionTitle);
    return style;
}

InboxDestination InboxKindStyle::destination(const QString &kind) {
    return rowFor(kind).destination;
}

Destination::Page InboxKindStyle::screen(InboxDestination destination) {
    switch (destination) {
    case D::None:
        break;
    case D::LearningHome:
        return Destination::Learning;
    case D::WrongBook:
        return Destination::WrongBook;
    case D::StudyReport:
        return Destination::StudyReport;
    case D::QuestionBank:
        return Destination::QuestionBank;
    case D::Membership:
        return Destination::Membership;
    case D::CompanionChat:
        return Destination::Chat;
    case D::StudyLimits:
        return Destination::StudyLimits;
    case D::PhotoMatch:
        return Destination::PhotoMatch;
    }
    return Destination::None;
}

QVariantMap InboxKindStyle::openProperties(InboxDestination destination) {
    if (destination == D::CompanionChat)
        return {{QStringLiteral("scene"), QStringLiteral("home")},
                {QStringLiteral("initialMessage"), QString()}};
    return {};
}

QStringList InboxKindStyle::knownKinds() {
    QStringList kinds;
    for (const KindRow &row : kindRows)
        kinds << QString::fromLatin1(row.kind);
    return kinds;
}
