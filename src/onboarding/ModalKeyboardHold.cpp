#include "ModalKeyboardHold.h"

#include <QEvent>

ModalKeyboardHold::ModalKeyboardHold(QObject *parent) : QObject(parent) {}

ModalKeyboardHold::~ModalKeyboardHold() {
    if (m_window)
        m_window->removeEventFilter(this);
}

void ModalKeyboardHold::setPopup(QObject *popup) {
    if (m_popup == popup)
        return;
    m_popup = popup;
    follow();
    Q_EMIT popupChanged();
}

void ModalKeyboardHold::setActive(bool active) {
    if (m_active == active)
        return;
    m_active = active;
    follow();
    Q_EMIT activeChanged();
}

QQuickItem *ModalKeyboardHold::popupItem() const {
    if (!m_popup)
        return nullptr;
    auto *content = m_popup->property("contentItem").value<QQuickItem *>();
    return content ? content->parentItem() : nullptr;
}

// The popup's item is found again whenever the hold is switched on: a popup's content item, whose parent
// it is, may be set only after the popup is given to the hold.
void ModalKeyboardHold::follow() {
    QQuickItem *item = popupItem();
    if (item != m_item) {
        disconnect(m_windowWatch);
        m_item = item;
        if (item)
            m_windowWatch = connect(item, &QQuickItem::windowChanged, this, [this] { follow(); });
    }
    QQuickWindow *window = m_active && m_item ? m_item->window() : nullptr;
    if (window == m_window)
        return;
    if (m_window)
        m_window->removeEventFilter(this);
    m_window = window;
    if (window)
        window->installEventFilter(this);
}

bool ModalKeyboardHold::reaches(const QQuickItem *focus, const QQuickItem *popupItem) {
    if (!focus || !popupItem)
        return !popupItem;
    const QQuickItem *layer = popupItem->parentItem();
    // The popup the focus lies in: its ancestor in the popup layer. None: the window's content beneath.
    const QQuickItem *top = focus;
    while (top && top->parentItem() != layer)
        top = top->parentItem();
    if (!top)
        return false;
    if (top == popupItem)
        return true;
    if (top->z() != popupItem->z())
        return top->z() > popupItem->z();
    const QList<QQuickItem *> order = layer->childItems();
    return order.indexOf(const_cast<QQuickItem *>(top)) > order.indexOf(const_cast<QQuickItem *>(popupItem));
}

bool ModalKeyboardHold::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_window && m_active &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease))
        return !reaches(m_window->activeFocusItem(), m_item);
    return QObject::eventFilter(watched, event);
}
