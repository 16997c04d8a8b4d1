#pragma once

#include <QMutex>
#include <QPoint>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <memory>

class QQmlComponent;
class QQuickItem;
class QQuickWindow;

// What the QML-level suites share: loading a view of the app's module offscreen, failing on QML warnings,
// finding and clicking items, and saving a picture of a window when QVL_SCREENSHOT_DIR names a folder.
namespace QmlHarness {

// The qrc URL of a QML type's file, whichever of the app's modules holds it
// ("qrc:/qt/qml/Quorvel/Guest/LoginView.qml"); an empty URL when none does. A shared module the program has
// not loaded yet is loaded first.
QUrl moduleUrl(const QString &type);

// Loads every one of the app's shared QML modules, so that all their files are in the resources.
void loadEveryModule();

// A scene of the app's router holding a root page as one tab does: `rootPage` is the root's type with what
// it sets ("SettingsHostView { pageId: \"settings_root\" }"); the root reads the router's session, which
// the scene takes as the initial property "session". Load it with View::loadData.
QByteArray routedScene(const QByteArray &rootPage, const QByteArray &imports = {});
// The root page of a router (its initial item, held as a script value); null for anything else.
QObject *rootPageOf(QQuickItem *router);

// Collects the warnings and errors of QML code (bindings, type loading, console) for its lifetime: both
// what the engines report through QQmlEngine::warnings of a watched engine and what reaches the message
// handler from QML categories or files. One guard at a time; the previous handler keeps receiving everything.
class WarningGuard {
public:
    WarningGuard();
    ~WarningGuard();
    WarningGuard(const WarningGuard &) = delete;
    WarningGuard &operator=(const WarningGuard &) = delete;

    // Also collects what `engine` reports itself (it may print nothing when its output is redirected).
    void watch(QQmlEngine &engine);
    QStringList warnings() const;
    // The warnings so far, and a fresh start.
    QStringList take();

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message);
    void add(const QString &message);

    mutable QMutex m_mutex;
    QStringList m_warnings;
    QtMessageHandler m_previous = nullptr;
};

// Whether a message comes from QML code or the QML engine.
bool isQmlMessage(const QMessageLogContext &context, const QString &message);

// A view shown in a window of the current platform (offscreen under CTest): the window's engine, the loaded
// root item sized to the window, or the window sized to the item's implicit size when constructed with an
// invalid size. Views that need the app's session or store get them as initial properties.
class View {
public:
    explicit View(QSize size = QSize(1024, 720));
    ~View();

    // Loads a file (a module type's URL or any other) or inline QML and shows it; false with error() set when
    // it cannot be created or shown.
    bool load(const QUrl &url, const QVariantMap &properties = {});
    bool loadType(const QString &type, const QVariantMap &properties = {}) {
        return load(moduleUrl(type), properties);
    }
    bool loadData(const QByteArray &qml, const QVariantMap &properties = {},
                  const QUrl &url = QUrl(QStringLiteral("qrc:/tests/Scene.qml")));

    QQmlEngine &engine() { return *m_window->engine(); }
    QQuickView &window() { return *m_window; }
    // The loaded item; null when the loaded object is not an item.
    QQuickItem *root() const { return m_root; }
    QString error() const { return m_error; }

    void resize(QSize size);
    // An item below the root by object name (repeater delegates included); visibleOnly skips hidden ones.
    QQuickItem *find(const QString &name, bool visibleOnly = false) const;
    // A click or a press at the item's centre, as the learner's pointer does.
    bool click(QQuickItem *item);
    bool click(const QString &name) { return click(find(name)); }

private:
    bool create(QQmlComponent &component, const QVariantMap &properties);

    std::unique_ptr<QQuickView> m_window;
    std::unique_ptr<QObject> m_object;
    QQuickItem *m_root = nullptr;
    QString m_error;
};

QQuickItem *findItem(QQuickItem *root, const QString &name, bool visibleOnly = false);
QPoint centreOf(const QQuickItem *item);
// Every visible item of that name below `root` (itself included), in tree order.
QList<QQuickItem *> visibleNamed(QQuickItem *root, const QString &name);
// The first visible item of that name whose `title` is `title` (a tile, a chip), or null.
QQuickItem *visibleTitled(QQuickItem *root, const QString &name, const QString &title);
// The texts of the visible text items below `item` in tree order, symbols (texts that carry a `symbol`) left
// out.
QStringList textsBelow(QQuickItem *item);

// The item of the popup drawn last among the open ones that are modal or dim what lies under them (a sheet,
// an alert, the questionnaire): while it is open nothing under it is meant to be read or used. Null when
// none is open.
QQuickItem *topModalPopup(QQuickWindow &window);

// A StackView's page on top (null for no stack), its depth (0 for no stack), and whether it stands still.
inline QQuickItem *topOf(QQuickItem *stack) {
    return stack ? stack->property("currentItem").value<QQuickItem *>() : nullptr;
}
inline int depthOf(QQuickItem *stack) {
    return stack ? stack->property("depth").toInt() : 0;
}
inline bool settled(QQuickItem *stack) {
    return !stack->property("busy").toBool();
}

// The folder named in QVL_SCREENSHOT_DIR (created on first use), or nothing.
QString screenshotFolder();
// The window as it is now, saved as "<name>-<platform>.png" in the screenshot folder; false only when saving
// failed. Without a folder it saves nothing and returns true.
bool saveScreenshot(QQuickWindow &window, const QString &name);
// QVL_SCREENSHOT_SIZE as WIDTHxHEIGHT, or `fallback`.
QSize screenshotSize(QSize fallback = QSize(1024, 720));

} // namespace QmlHarness
