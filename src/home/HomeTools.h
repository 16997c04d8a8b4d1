#pragma once

#include "Destination.h"
#include "ListModel.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

class Analytics;
class QJSEngine;
class QQmlEngine;

// One button of the home page's tool dock.
struct HomeToolRow {
    Q_GADGET
    Q_PROPERTY(QString key MEMBER key)
    Q_PROPERTY(QString title MEMBER title)
    Q_PROPERTY(QString icon MEMBER icon)
    Q_PROPERTY(QUrl iconUrl MEMBER iconUrl)

public:
    QString key;
    QString title;
    QString icon; // artwork name ("IconPhoto")
    QUrl iconUrl; // its resource URL

    QString id() const { return key; }
    friend bool operator==(const HomeToolRow &, const HomeToolRow &) = default;

    static HomeToolRow of(const QString &key);
};

// The tools of the home page's dock: their fixed order, titles and artwork, the note of the tools that have
// no page yet, and the usage event recorded each time a tool's page is shown. The set never comes from the
// layout document: the document only decides whether and where the dock sits.
//
// QML reads it as the singleton `HomeTools`. Where a tool or a card leads is a destination the home page asks
// the shell's router to open, with the properties of that request; the router knows the pages.
class HomeTools : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QStringList toolKeys READ toolKeys CONSTANT)
    Q_PROPERTY(ListModelBase *tools READ toolModel CONSTANT)

public:
    // Records to the shared analytics queue.
    explicit HomeTools(QObject *parent = nullptr);
    explicit HomeTools(Analytics &analytics, QObject *parent = nullptr);

    // "photo", "plan", "video", "report", "wrong", "bank", "ask", "inbox": two rows of four.
    static QStringList toolKeys();
    // By exact key (case and blanks count). An unknown key is its own title and gets the hint artwork.
    Q_INVOKABLE static QString toolTitle(const QString &key);
    Q_INVOKABLE static QString toolIcon(const QString &key);
    // The resource URL of the shared artwork `name` ("qrc:/qt/qml/Quorvel/Ui/assets/<name>.svg"); an empty
    // URL for a name that is not a plain identifier, so nothing outside the artwork folder can be named.
    Q_INVOKABLE static QUrl artworkUrl(const QString &name);
    // Tools whose page is the placeholder, and the note it shows (empty for every other key).
    Q_INVOKABLE static bool isComingSoon(const QString &key);
    Q_INVOKABLE static QString comingSoonNote(const QString &key);

    // The destination of a tool key and what it is opened with; `None` and {} for an unknown key.
    Q_INVOKABLE static Destination::Page destination(const QString &key);
    Q_INVOKABLE static QVariantMap openProperties(const QString &key);
    // The same for a card of the grid by its type ("Inbox", "TodayTasks", "QuickQA", "WrongBook").
    Q_INVOKABLE static Destination::Page cardDestination(const QString &type);
    Q_INVOKABLE static QVariantMap cardProperties(const QString &type);

    const ListModel<HomeToolRow> &tools() const { return *m_tools; }
    ListModelBase *toolModel() const { return m_tools; }

    // A tool's page came on screen (again): "home_tool_click" {"tool": key}.
    Q_INVOKABLE void logToolClick(const QString &key);

private:
    Analytics &m_analytics;
    ListModel<HomeToolRow> *m_tools;
};
