#pragma once

#include <QObject>
#include <QPointer>
#include <QQmlEngine>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

// Gives back what a closed screen held. Once the stacks have been still for a moment after a page left one
// (`screenClosed()`, which the router calls), the QML engine collects its garbage, drops the compiled
// components no screen uses any more (the next visit builds them again from the compiled-in cache) and the
// C heap returns its free pages to the system.
class MemoryRelief : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    // How long the stacks stay still before the relief: a walk back through several pages is relieved once,
    // after the last page's pop transition.
    static constexpr int kQuietMs = 1000;

    // For `engine`, whose garbage and components it relieves (none: the C heap only).
    explicit MemoryRelief(QQmlEngine *engine = nullptr, QObject *parent = nullptr);
    static MemoryRelief *create(QQmlEngine *engine, QJSEngine *) { return new MemoryRelief(engine); }

    Q_INVOKABLE void screenClosed();
    // The relief itself, at once.
    void relieve();

Q_SIGNALS:
    void relieved();

private:
    QPointer<QQmlEngine> m_engine;
    QTimer m_quiet;
};
