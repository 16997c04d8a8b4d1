#pragma once

#include "Destination.h"
#include "ListModel.h"
#include "Theme.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

// One shortcut tile of the "我的" page. Its route also tells it apart from the other tiles.
struct QuickActionItem {
    Q_GADGET
    Q_PROPERTY(QString route MEMBER route)
    Q_PROPERTY(QString symbol MEMBER symbol)
    Q_PROPERTY(QString title MEMBER title)
    Q_PROPERTY(int tint MEMBER tint) // a Theme::Role, so the tile follows the colour scheme

public:
    QString route;
    QString symbol;
    QString title;
    int tint = Theme::BrandTeal;

    QString id() const { return route; }
    friend bool operator==(const QuickActionItem &, const QuickActionItem &) = default;
};

// The row of shortcut tiles under the profile card: the inbox, the wrong book, the weekly study report and
// the membership page. A tile only says where it leads (`destination`); the page that holds the row pushes
// the screen, so the row knows no screen itself.
class SettingsQuickActionsModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(ListModelBase *items READ itemModel CONSTANT)

public:
    explicit SettingsQuickActionsModel(QObject *parent = nullptr);

    // "学习通知", "错题本", "学情报告", "会员中心", in that order.
    static QList<QuickActionItem> defaultQuickActions();

    ListModelBase *itemModel() const { return m_items; }
    const QList<QuickActionItem> &items() const { return m_items->rows(); }
    // The tiles in their order. A route is a tile's identity, so a repeated route keeps only its first tile.
    void setItems(const QList<QuickActionItem> &items);

    // Where the tile with `route` leads: "report" (exactly) to the weekly study report, every other route
    // through the router's native route table, asked with {"route"}.
    Q_INVOKABLE static Destination::Page destination(const QString &route) {
        return route == reportRoute ? Destination::StudyReport : Destination::NativeRoute;
    }
    Q_INVOKABLE static QVariantMap openProperties(const QString &route) {
        return route == reportRoute ? QVariantMap() : QVariantMap{{QStringLiteral("route"), route}};
    }

    static inline const QString reportRoute = QStringLiteral("report");

private:
    ListModel<QuickActionItem> *m_items;
};
