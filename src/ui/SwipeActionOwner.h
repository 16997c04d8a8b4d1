#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

// Qt 6.4's SwipeDelegate makes the items of `swipe.left`, `swipe.right` and `swipe.behind` on a row's first
// swipe and never deletes them: they are only visual children of the row, so every swiped row that goes away
// leaves its action item behind. Declared inside a SwipeDelegate (`SwipeActionOwner { swipe: row.swipe }`),
// this object takes each of them as it appears and deletes them with the row.
class SwipeActionOwner : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QObject *swipe READ swipe WRITE setSwipe NOTIFY swipeChanged)

public:
    using QObject::QObject;

    QObject *swipe() const { return m_swipe; }
    void setSwipe(QObject *swipe);

Q_SIGNALS:
    void swipeChanged();

private Q_SLOTS:
    void adopt();

private:
    QPointer<QObject> m_swipe;
    QList<QMetaObject::Connection> m_connections;
};
