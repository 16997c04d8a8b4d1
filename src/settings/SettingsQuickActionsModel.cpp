#include "SettingsQuickActionsModel.h"

#include <QSet>

SettingsQuickActionsModel::SettingsQuickActionsModel(QObject *parent)
    : QObject(parent), m_items(new ListModel<QuickActionItem>(this)) {
    setItems(defaultQuickActions());
}

QList<QuickActionItem> SettingsQuickActionsModel::defaultQuickActions() {
    return {
        {QStringLiteral("native/inbox"), QStringLiteral("bell.badge.fill"), QStringLiteral("学习通知"),
         Theme::BrandTeal},
        {QStringLiteral("native/wrong-book"), QStringLiteral("bookmark.fill"), QStringLiteral("错题本"),
         Theme::Orange},
        {SettingsQuickActionsModel::reportRoute, QStringLiteral("chart.bar.xaxis"),
         QStringLiteral("学情报告"), Theme::BrandNavy},
        {QStringLiteral("native/membership"), QStringLiteral("crown.fill"), QStringLiteral("会员中心"),
         Theme::BrandAmber},
    };
}

void SettingsQuickActionsModel::setItems(const QList<QuickActionItem> &items) {
    QList<QuickActionItem> unique;
    QSet<QString> routes;
    for (const QuickActionItem &item : items) {
        if (!routes.contains(item.route)) {
            routes.insert(item.route);
            unique << item;
        }
    }
    m_items->replaceAll(std::move(unique));
}
