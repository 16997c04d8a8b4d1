#pragma once

#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtQml/qqmlregistration.h>

// The keyboard side of a clickable item: whether its focus ring shows, and what Return, Enter and Space do
// on it. The ring shows while `target` has the active focus and got it from the keyboard (Tab, Backtab, a
// shortcut); a press of the mouse anywhere in the window hides it again, as the learner has gone back to the
// pointer. Focus handed back (the window active again, a popup closed) or handed out by the app (the default
// button of an alert opened with Return) shows it while the keyboard is what the window was last used with.
//
// A button (any Qt Quick Controls button) already clicks on Space; Return and Enter click it the same way
// (pressed, released, clicked, a checkable one toggled), so a key does exactly what a click does. Any other
// item (a MouseArea tile) reports `activated` on Return, Enter or Space, and its owner does there what its
// click does. An item the keyboard moves to is scrolled into sight in every Flickable around it, as Qt Quick
// does not scroll to the focus by itself. A multi-line text field gives Tab up to the next stop rather than
// typing it, so that the keyboard never stays caught in one. Keys reach the item only while it has the active
// focus itself: a key a child field let through (a text field ignores Return) does not activate the row
// around it.
class KeyboardFocus : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QQuickItem *target READ target WRITE setTarget NOTIFY targetChanged)
    Q_PROPERTY(bool visual READ isVisual NOTIFY visualChanged)
    // Off for a target that uses those keys itself (a text field typing a space).
    Q_PROPERTY(
        bool activatesOnKeys READ activatesOnKeys WRITE setActivatesOnKeys NOTIFY activatesOnKeysChanged)

public:
    explicit KeyboardFocus(QObject *parent = nullptr);
    ~KeyboardFocus() override;

    QQuickItem *target() const { return m_target; }
    void setTarget(QQuickItem *target);
    bool isVisual() const { return m_visual; }
    bool activatesOnKeys() const { return m_activatesOnKeys; }
    void setActivatesOnKeys(bool on);

    // Whether focus that arrives for `reason` shows the ring, given whether the window was last used with
    // the keyboard; the ring follows the keyboard, not the pointer.
    static bool showsRing(Qt::FocusReason reason, bool keyboardInUse);
    // Whether `window` was last used with the keyboard (Tab, or a key that activated a control) rather than
    // the pointer: focus an alert or a new page hands out then shows its ring too.
    static bool keyboardInUse(const QQuickWindow *window);
    static void setKeyboardInUse(QQuickWindow *window, bool inUse);
    // Whether `key` with `modifiers` activates a focused item.
    static bool activates(int key, Qt::KeyboardModifiers modifiers);
    // The scroll offset of a Flickable (along one axis, showing `viewSize` from `offset`) that brings the
    // span `start`..`end` of its content into sight, moved as little as it can be and kept between
    // `minimum` and `maximum`; a span longer than the view shows from its start.
    static qreal revealOffset(qreal offset, qreal viewSize, qreal start, qreal end, qreal minimum,
                              qreal maximum);

Q_SIGNALS:
    void targetChanged();
    void visualChanged();
    void activatesOnKeysChanged();
    void activated();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setVisual(bool visual);
    void reveal();
    void watchWindow();
    bool handleKey(QKeyEvent *event);

    QPointer<QQuickItem> m_target;
    QPointer<QQuickWindow> m_window;
    QMetaObject::Connection m_windowChange;
    bool m_visual = false;
    // Whether the target is a Qt Quick Controls button, which clicks on Space by itself.
    bool m_button = false;
    bool m_forwarding = false;
    bool m_activatesOnKeys = true;
};

// Where an item stands in Tab's order, which follows the order of its parent's children rather than where
// the item is drawn. A list makes its footer before its rows: `moveLast(footer)` puts it after them, where
// it is shown.
class TabOrder : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    Q_INVOKABLE static void moveLast(QQuickItem *item);
};
