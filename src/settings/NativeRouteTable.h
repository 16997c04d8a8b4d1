#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// The one table from the route strings of server-driven pages to the app's own screens. A page names a
// screen by a route under "native/"; the table says which screen that is, and every route this build does
// not know (a newer server's, a typo, the empty route of a row without one) leads to `Unavailable`, the page
// that asks the learner to update, never to nothing.
//
// Routes are compared exactly: no trimming, no case folding, no prefix or query matching. A route that is
// almost right is a route of some other version, and guessing would open the wrong screen.
//
// The table decides only where a route leads; the screens are built by whoever pushes them, each with no
// arguments and the session of the app, so nothing of the route string reaches a screen.
class NativeRouteTable : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QString unavailableTitle READ unavailableTitle CONSTANT)
    Q_PROPERTY(QString unavailableMessage READ unavailableMessage CONSTANT)
    Q_PROPERTY(QString unavailableSymbol READ unavailableSymbol CONSTANT)

public:
    enum Destination {
        Unavailable,  // the "升级后可用" page
        Membership,   // "native/membership"
        Orders,       // "native/orders"
        WrongBook,    // "native/wrong-book"
        Inbox,        // "native/inbox"
        ProfileBirth, // "native/profile-birth"
        Memories,     // "native/memories"
        StudyLimits,  // "native/study-limits"
        StudyReport,  // the quick-action tile "report" only, never a route of the table
    };
    Q_ENUM(Destination)

    explicit NativeRouteTable(QObject *parent = nullptr) : QObject(parent) {}

    // The screen a route names; `Unavailable` for any route not in the table, "" and "report" included.
    Q_INVOKABLE static NativeRouteTable::Destination destination(const QString &route);
    // The destination of a quick-action tile: "report" (exactly) is the weekly study report, anything else
    // goes through the table.
    Q_INVOKABLE static NativeRouteTable::Destination quickActionDestination(const QString &route);

    static inline const QString reportRoute = QStringLiteral("report");

    static QString unavailableTitle() { return QStringLiteral("升级后可用"); }
    static QString unavailableMessage() { return QStringLiteral("当前版本不支持这个页面，请更新 App。"); }
    static QString unavailableSymbol() { return QStringLiteral("arrow.up.circle"); }
};
