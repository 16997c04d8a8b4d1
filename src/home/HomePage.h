#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include "HomeLayoutStore.h"
#include "HomeTools.h"

// The home page's frame: the store it owns for its life, the loads on each appearance, the grid's column
// count, and the fixed texts of the bar, its menu, the editor and the alert.
class HomeLayoutViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(AppSession *session READ session WRITE setSession NOTIFY sessionChanged)
    Q_PROPERTY(HomeLayoutStore *store READ store CONSTANT)
    Q_PROPERTY(double wideWidth READ wideWidth CONSTANT)
    // The grid's width, set by the page; the column count follows from it.
    Q_PROPERTY(double gridWidth READ gridWidth WRITE setGridWidth NOTIFY columnsChanged)
    Q_PROPERTY(int columns READ columns NOTIFY columnsChanged)
    // The layout's cards in rows of `columns`, for a list that builds only the rows on screen.
    Q_PROPERTY(ListModelBase *rows READ rows CONSTANT)
    Q_PROPERTY(QVariantMap texts READ texts CONSTANT)

public:
    explicit HomeLayoutViewModel(QObject *parent = nullptr);

    AppSession *session() const { return m_store.session(); }
    void setSession(AppSession *session);
    HomeLayoutStore *store() { return &m_store; }
    static double wideWidth() { return HomeCards::wideWidth; }
    double gridWidth() const { return m_gridWidth; }
    void setGridWidth(double width);
    int columns() const { return m_columns; }
    ListModelBase *rows() { return &m_rows; }
    const ListModel<HomeGridRow> &gridRows() const { return m_rows; }
    static QVariantMap texts();

    // The page came on screen: load again. It went off screen (another tab, a page pushed over it): what
    // is still loading no longer writes.
    Q_INVOKABLE void appear();
    Q_INVOKABLE void disappear();
    Q_INVOKABLE static int columnCount(double width) { return HomeCards::columnCount(width); }

Q_SIGNALS:
    void sessionChanged();
    void columnsChanged();

private:
    void placeRows();

    HomeLayoutStore m_store;
    double m_gridWidth = 0;
    int m_columns = 2;
    ListModel<HomeGridRow> m_rows;
};

// "home_tool_click" with the tool's key each time a page opened from the tool dock becomes the current page
// of the home stack: when it is pushed, and again whenever the learner comes back to it from a page above.
class ToolVisits : public QObject {
    Q_OBJECT
    QML_ELEMENT

public:
    using QObject::QObject;

    // `page` was just pushed for the tool `key` and is on show.
    Q_INVOKABLE void opened(QObject *page, const QString &key);
    // `page` became the current page of the stack (any page; those not opened from the dock are ignored).
    Q_INVOKABLE void shown(QObject *page);

private:
    HomeTools m_tools;
    QHash<QObject *, QString> m_keys;
};
