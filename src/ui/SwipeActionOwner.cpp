#include "SwipeActionOwner.h"

#include <QMetaMethod>

namespace {
constexpr const char *kItems[] = {"leftItem", "rightItem", "behindItem"};
constexpr const char *kSignals[] = {"leftItemChanged()", "rightItemChanged()", "behindItemChanged()"};
} // namespace

void SwipeActionOwner::setSwipe(QObject *swipe) {
    if (swipe == m_swipe)
        return;
    for (const QMetaObject::Connection &connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    m_swipe = swipe;
    if (swipe) {
        const QMetaMethod slot = metaObject()->method(metaObject()->indexOfMethod("adopt()"));
        for (const char *signal : kSignals) {
            const int index = swipe->metaObject()->indexOfSignal(signal);
            if (index >= 0)
                m_connections.append(connect(swipe, swipe->metaObject()->method(index), this, slot));
        }
        adopt();
    }
    Q_EMIT swipeChanged();
}

void SwipeActionOwner::adopt() {
    if (!m_swipe)
        return;
    for (const char *name : kItems) {
        auto *item = m_swipe->property(name).value<QObject *>();
        if (!item || item->parent() == this)
            continue;
        item->setParent(this);
    }
}
