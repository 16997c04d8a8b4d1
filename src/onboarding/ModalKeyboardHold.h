#pragma once

#include <QObject>
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtQml/qqmlregistration.h>

// The keyboard half of a full-window modal popup. Qt's modality keeps the mouse from what lies beneath the
// popup but not the keyboard: an alert beneath that opens after it takes the focus, and Escape then closes
// it unseen. While `active`, key presses and releases are swallowed at the window unless the item with the
// focus lies in `popup` or in a popup stacked above it (drawn later: a higher z, or the same z and added
// later), which stays usable as the popup above everything else.
class ModalKeyboardHold : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QObject *popup READ popup WRITE setPopup NOTIFY popupChanged)
    Q_PROPERTY(bool active READ isActive WRITE setActive NOTIFY activeChanged)

public:
    explicit ModalKeyboardHold(QObject *parent = nullptr);
    ~ModalKeyboardHold() override;

    QObject *popup() const { return m_popup; }
    void setPopup(QObject *popup);
    bool isActive() const { return m_active; }
    void setActive(bool active);

    // Whether a key for `focus` gets through while the hold is on, with `popupItem` the popup's own item in
    // the window's popup layer.
    static bool reaches(const QQuickItem *focus, const QQuickItem *popupItem);

Q_SIGNALS:
    void popupChanged();
    void activeChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QQuickItem *popupItem() const;
    void follow();

    QPointer<QObject> m_popup;
    QPointer<QQuickItem> m_item;
    QPointer<QQuickWindow> m_window;
    QMetaObject::Connection m_windowWatch;
    bool m_active = false;
};
