#pragma once

#include "AppSession.h"
#include "Destination.h"

#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

// The one table of the shell's router: which page each destination is, and what it is built with. A view
// asks for a destination with a few properties of its own; the table keeps only those the page takes and
// adds the router's session for every page that reads one, so nothing else of the request (a route string,
// a tool key) reaches a screen.
//
// The "native/" routes of server-driven pages are part of it: a route names a screen by exact,
// case-sensitive equality (no trimming, no prefix or query matching: an almost-right route belongs to some
// other version, and guessing would open the wrong screen). Every route this build does not know, the empty
// one included, leads to `Unavailable`, the page that asks the learner to update, never to nothing.
class DestinationTable : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QString unavailableTitle READ unavailableTitle CONSTANT)
    Q_PROPERTY(QString unavailableMessage READ unavailableMessage CONSTANT)
    Q_PROPERTY(QString unavailableSymbol READ unavailableSymbol CONSTANT)

public:
    using QObject::QObject;

    // The screen a route names; `Unavailable` for any other text.
    Q_INVOKABLE static Destination::Page nativeRoute(const QString &route);
    // The page file of a destination; empty for `None` and `NativeRoute` (the route decides) and any number
    // outside the enum.
    Q_INVOKABLE static QUrl page(int destination);
    // What a request becomes: {"destination", "page", "properties"}. `NativeRoute` is resolved through the
    // route table first; {"page"} is empty when there is nothing to open.
    Q_INVOKABLE static QVariantMap resolve(int destination, const QVariantMap &requested,
                                           AppSession *session);

    static QString unavailableTitle() { return QStringLiteral("升级后可用"); }
    static QString unavailableMessage() { return QStringLiteral("当前版本不支持这个页面，请更新 App。"); }
    static QString unavailableSymbol() { return QStringLiteral("arrow.up.circle"); }
};
