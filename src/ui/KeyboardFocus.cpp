#include "KeyboardFocus.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>

#include <algorithm>

KeyboardFocus::KeyboardFocus(QObject *parent) : QObject(parent) {}

KeyboardFocus::~KeyboardFocus() {
    if (m_target)
        m_target->removeEventFilter(this);
    if (m_window)
        m_window->removeEventFilter(this);
}

void KeyboardFocus::setTarget(QQuickItem *target) {
    if (m_target == target)
        return;
    if (m_target) {
        m_target->removeEventFilter(this);
        disconnect(m_windowChange);
    }
    m_target = target;
    m_button = target && target->inherits("QQuickAbstractButton");
    if (target) {
        target->installEventFilter(this);
        m_windowChange = connect(target, &QQuickItem::windowChanged, this, [this] { watchWindow(); });
    }
    setVisual(false);
    Q_EMIT targetChanged();
}

void KeyboardFocus::setActivatesOnKeys(bool on) {
    if (m_activatesOnKeys == on)
        return;
    m_activatesOnKeys = on;
    Q_EMIT activatesOnKeysChanged();
}

namespace {

// Which of keyboard and pointer a window was last used with: one per window, a child of it, watching its
// presses for as long as it lives.
class WindowInput : public QObject {
    Q_OBJECT

public:
    explicit WindowInput(QQuickWindow *window) : QObject(window) { window->installEventFilter(this); }

    static WindowInput *of(const QQuickWindow *window) {
        return window ? window->findChild<WindowInput *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    }

    bool keyboard = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::TouchBegin)
            keyboard = false;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

bool KeyboardFocus::keyboardInUse(const QQuickWindow *window) {
    const WindowInput *input = WindowInput::of(window);
    return input && input->keyboard;
}

void KeyboardFocus::setKeyboardInUse(QQuickWindow *window, bool inUse) {
    if (!window)
        return;
    WindowInput *input = WindowInput::of(window);
    if (!input) {
        if (!inUse)
            return;
        input = new WindowInput(window);
    }
    input->keyboard = inUse;
}

bool KeyboardFocus::showsRing(Qt::FocusReason reason, bool keyboardInUse) {
    switch (reason) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
        return true;
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
    case Qt::OtherFocusReason:
        // Focus given back (the window active again, a popup closed) or moved by the app (an alert's default
        // button, a page that focuses its first field): the ring as the learner last used the window.
        return keyboardInUse;
    default:
        return false;
    }
}

bool KeyboardFocus::activates(int key, Qt::KeyboardModifiers modifiers) {
    if ((modifiers & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
}

qreal KeyboardFocus::revealOffset(qreal offset, qreal viewSize, qreal start, qreal end, qreal minimum,
                                  qreal maximum) {
    qreal wanted = offset;
    if (end - start >= viewSize || start < offset)
        wanted = start;
    else if (end > offset + viewSize)
        wanted = end - viewSize;
    return std::max(minimum, std::min(wanted, std::max(minimum, maximum)));
}

// Room kept between the item and the edge of the Flickable it is scrolled to, for its ring.
static constexpr qreal kRevealMargin = 8;

void KeyboardFocus::reveal() {
    if (!m_target)
        return;
    for (QQuickItem *flick = m_target->parentItem(); flick; flick = flick->parentItem()) {
        if (!flick->inherits("QQuickFlickable"))
            continue;
        auto *content = flick->property("contentItem").value<QQuickItem *>();
        if (!content)
            continue;
        const QRectF span = m_target->mapRectToItem(content, QRectF(QPointF(), m_target->size()))
                                .adjusted(-kRevealMargin, -kRevealMargin, kRevealMargin, kRevealMargin);
        const auto axis = [&](const char *offset, const char *origin, const char *extent, const char *before,
                              const char *after, qreal view, qreal start, qreal end) {
            const qreal now = flick->property(offset).toReal();
            const qreal minimum = flick->property(origin).toReal() - flick->property(before).toReal();
            const qreal maximum = flick->property(origin).toReal() + flick->property(extent).toReal() +
                                  flick->property(after).toReal() - view;
            const qreal next = revealOffset(now, view, start, end, minimum, maximum);
            if (!qFuzzyCompare(next + 1, now + 1))
                flick->setProperty(offset, next);
        };
        axis("contentY", "originY", "contentHeight", "topMargin", "bottomMargin", flick->height(), span.top(),
             span.bottom());
        axis("contentX", "originX", "contentWidth", "leftMargin", "rightMargin", flick->width(), span.left(),
             span.right());
    }
}

void KeyboardFocus::setVisual(bool visual) {
    if (m_visual == visual)
        return;
    m_visual = visual;
    watchWindow();
    Q_EMIT visualChanged();
}

// The window is watched only while the ring shows, for the mouse press that hides it: a page of many rows
// does not put every press through each of their filters.
void KeyboardFocus::watchWindow() {
    QQuickWindow *window = m_visual && m_target ? m_target->window() : nullptr;
    if (window == m_window)
        return;
    if (m_window)
        m_window->removeEventFilter(this);
    m_window = window;
    if (window)
        window->installEventFilter(this);
}

bool KeyboardFocus::handleKey(QKeyEvent *event) {
    if (!m_activatesOnKeys || !m_target || !m_target->hasActiveFocus() || !m_target->isEnabled() ||
        !m_target->window() || m_target->window()->activeFocusItem() != m_target.data())
        return false;
    if (!activates(event->key(), event->modifiers()))
        return false;
    setKeyboardInUse(m_target->window(), true);
    if (m_button) {
        // Space is the button's own; Return and Enter become a Space press and release, which the button
        // turns into its click as it does for the key it knows.
        if (event->key() == Qt::Key_Space)
            return false;
        if (event->type() == QEvent::KeyPress && !event->isAutoRepeat()) {
            QPointer<QQuickItem> button = m_target;
            m_forwarding = true;
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
            QCoreApplication::sendEvent(button, &press);
            if (button) {
                QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
                QCoreApplication::sendEvent(button, &release);
            }
            m_forwarding = false;
        }
        return true;
    }
    if (event->type() == QEvent::KeyPress && !event->isAutoRepeat())
        Q_EMIT activated();
    return true;
}

bool KeyboardFocus::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_window && watched != m_target) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::TouchBegin)
            setVisual(false);
        return QObject::eventFilter(watched, event);
    }
    if (watched != m_target)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn: {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        const bool ring = showsRing(reason, keyboardInUse(m_target->window()));
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
            reason == Qt::ShortcutFocusReason)
            setKeyboardInUse(m_target->window(), true);
        setVisual(ring);
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)
            reveal();
        break;
    }
    case QEvent::FocusOut:
        setVisual(false);
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // Tab on the focused item: back at the keyboard, even where the focus has nowhere else to go.
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (event->type() == QEvent::KeyPress && (key == Qt::Key_Tab || key == Qt::Key_Backtab) &&
            m_target->hasActiveFocus()) {
            setKeyboardInUse(m_target->window(), true);
            setVisual(true);
            // A multi-line field would take Tab as a character and keep the keyboard in it for good: Tab
            // leaves it as it leaves every other stop.
            if (m_target->inherits("QQuickTextEdit") &&
                (static_cast<QKeyEvent *>(event)->modifiers() & ~Qt::ShiftModifier) == Qt::NoModifier) {
                const bool forward = key == Qt::Key_Tab && !(static_cast<QKeyEvent *>(event)->modifiers());
                QQuickItem *next = m_target->nextItemInFocusChain(forward);
                if (next && next != m_target)
                    next->forceActiveFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
                return true;
            }
        }
        if (!m_forwarding && handleKey(static_cast<QKeyEvent *>(event)))
            return true;
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void TabOrder::moveLast(QQuickItem *item) {
    if (!item || !item->parentItem())
        return;
    const QList<QQuickItem *> siblings = item->parentItem()->childItems();
    if (!siblings.isEmpty() && siblings.last() != item)
        item->stackAfter(siblings.last());
}

#include "KeyboardFocus.moc"
