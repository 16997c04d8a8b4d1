#include "QmlHarness.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QJSValue>
#include <QLibrary>
#include <QQmlComponent>
#include <QQuickItem>
#include <QTest>
#include <QtQuickTest/quicktest.h>
#include <algorithm>

#include <utility>

namespace QmlHarness {

namespace {
WarningGuard *activeGuard = nullptr;
} // namespace

namespace {

QUrl urlInResources(const QString &type) {
    QDirIterator modules(QStringLiteral(":/qt/qml/Quorvel"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (modules.hasNext()) {
        const QString file = modules.next() + u'/' + type + QStringLiteral(".qml");
        if (QFile::exists(file))
            return QUrl(QStringLiteral("qrc") + file);
    }
    return {};
}

// The folders of the app's modules in the build: each holds the module's qmldir, its QML files and, when the
// module is shared, the plugin that links its library (whose resources hold the files the views load).
QStringList moduleFolders() {
    QStringList folders;
    QDirIterator modules(QStringLiteral(QVL_QML_MODULE_DIR "/Quorvel"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (modules.hasNext())
        folders << modules.next();
    return folders;
}

// A program links only the libraries it calls; a view's module may not be among them.
void loadModuleIn(const QString &folder) {
    QDirIterator plugins(folder, {QStringLiteral("lib*plugin.so")}, QDir::Files);
    while (plugins.hasNext()) {
        QLibrary plugin(plugins.next());
        if (!plugin.load())
            qWarning("QmlHarness: %s", qPrintable(plugin.errorString()));
    }
}

} // namespace

QByteArray routedScene(const QByteArray &rootPage, const QByteArray &imports) {
    const qsizetype brace = rootPage.indexOf('{');
    const QByteArray type = (brace < 0 ? rootPage : rootPage.left(brace)).trimmed();
    const QByteArray body = brace < 0 ? QByteArray("}") : rootPage.mid(brace + 1);
    return "import QtQuick\nimport Quorvel.Core\nimport Quorvel.Home\nimport Quorvel.Learning\n"
           "import Quorvel.Companion\nimport Quorvel.Settings\nimport Quorvel.App\n" +
           imports + "\nAppRouter {\n    id: router\n    objectName: \"router\"\n    initialItem: " + type +
           " {\n        session: router.session\n" + body + "\n}\n";
}

QObject *rootPageOf(QQuickItem *router) {
    return router ? router->property("initialItem").value<QJSValue>().toQObject() : nullptr;
}

QUrl moduleUrl(const QString &type) {
    if (QUrl url = urlInResources(type); !url.isEmpty())
        return url;
    for (const QString &folder : moduleFolders()) {
        // A file a module no longer holds may linger in an older build's folder: look on.
        if (QFile::exists(folder + u'/' + type + QStringLiteral(".qml"))) {
            loadModuleIn(folder);
            if (QUrl url = urlInResources(type); !url.isEmpty())
                return url;
        }
    }
    return {};
}

void loadEveryModule() {
    for (const QString &folder : moduleFolders())
        loadModuleIn(folder);
}

bool isQmlMessage(const QMessageLogContext &context, const QString &message) {
    const QByteArray category(context.category ? context.category : "");
    return category == "qml" || category == "js" || category.startsWith("qt.qml") ||
           category.startsWith("qt.quick") || QByteArray(context.file ? context.file : "").endsWith(".qml") ||
           message.contains(QLatin1String(".qml:")) || message.contains(QLatin1String("qrc:/"));
}

WarningGuard::WarningGuard() {
    Q_ASSERT(!activeGuard);
    activeGuard = this;
    m_previous = qInstallMessageHandler(&WarningGuard::handle);
}

WarningGuard::~WarningGuard() {
    qInstallMessageHandler(m_previous);
    activeGuard = nullptr;
}

void WarningGuard::watch(QQmlEngine &engine) {
    QObject::connect(&engine, &QQmlEngine::warnings, &engine, [this](const QList<QQmlError> &errors) {
        for (const QQmlError &error : errors)
            add(error.toString());
    });
}

QStringList WarningGuard::warnings() const {
    const QMutexLocker lock(&m_mutex);
    return m_warnings;
}

QStringList WarningGuard::take() {
    const QMutexLocker lock(&m_mutex);
    return std::exchange(m_warnings, {});
}

void WarningGuard::add(const QString &message) {
    const QMutexLocker lock(&m_mutex);
    // The engine reports a warning both ways while it prints its own output: keep it once.
    if (!m_warnings.contains(message))
        m_warnings << message;
}

void WarningGuard::handle(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    WarningGuard *guard = activeGuard;
    if (guard && type != QtDebugMsg && type != QtInfoMsg && isQmlMessage(context, message))
        guard->add(message);
    if (guard && guard->m_previous)
        guard->m_previous(type, context, message);
}

View::View(QSize size) : m_window(std::make_unique<QQuickView>()) {
    m_window->setColor(Qt::white);
    if (size.isValid())
        m_window->resize(size);
    // A window resized by the test resizes the view with it.
    QObject::connect(m_window.get(), &QWindow::widthChanged, m_window.get(), [this] {
        if (m_root)
            m_root->setWidth(m_window->width());
    });
    QObject::connect(m_window.get(), &QWindow::heightChanged, m_window.get(), [this] {
        if (m_root)
            m_root->setHeight(m_window->height());
    });
}

View::~View() {
    m_object.reset(); // before the window's engine
}

bool View::load(const QUrl &url, const QVariantMap &properties) {
    QQmlComponent component(&engine(), url);
    return create(component, properties);
}

bool View::loadData(const QByteArray &qml, const QVariantMap &properties, const QUrl &url) {
    QQmlComponent component(&engine());
    component.setData(qml, url);
    return create(component, properties);
}

bool View::create(QQmlComponent &component, const QVariantMap &properties) {
    if (!component.isReady()) {
        m_error = component.errorString();
        return false;
    }
    m_object.reset(component.createWithInitialProperties(properties));
    if (!m_object) {
        m_error = component.errorString();
        return false;
    }
    // Not every QML type is an item (a popup, a gradient): those are kept alive beside an empty window.
    m_root = qobject_cast<QQuickItem *>(m_object.get());
    if (m_root && (!m_window->size().isValid() || m_window->size().isEmpty()))
        m_window->resize(int(std::max(m_root->implicitWidth(), 10.0)),
                         int(std::max(m_root->implicitHeight(), 10.0)));
    else if (!m_root && !m_window->size().isValid())
        m_window->resize(100, 100);
    if (m_root) {
        m_root->setParentItem(m_window->contentItem());
        m_root->setSize(m_window->size());
    } else if (m_object->metaObject()->indexOfMethod("open()") >= 0) {
        // A popup (a sheet): over the window and open, as its presenter shows it.
        m_object->setProperty("parent", QVariant::fromValue(m_window->contentItem()));
        QMetaObject::invokeMethod(m_object.get(), "open");
    }
    m_window->show();
    m_window->requestActivate();
    if (!QTest::qWaitForWindowExposed(m_window.get())) {
        m_error = QStringLiteral("the window was not exposed");
        return false;
    }
    return true;
}

void View::resize(QSize size) {
    m_window->resize(size);
    if (m_root)
        m_root->setSize(size);
}

QQuickItem *View::find(const QString &name, bool visibleOnly) const {
    return m_root ? findItem(m_root, name, visibleOnly) : nullptr;
}

bool View::click(QQuickItem *item) {
    if (!item)
        return false;
    // Layouts place their children when the window polishes: until then a row just made still sits where it
    // was created, and the click would land on whatever else is there. A busy machine makes that gap long.
    if (!QQuickTest::qWaitForPolish(m_window.get()))
        return false;
    QTest::mouseClick(m_window.get(), Qt::LeftButton, {}, centreOf(item));
    return true;
}

QQuickItem *findItem(QQuickItem *root, const QString &name, bool visibleOnly) {
    if (root->objectName() == name && (!visibleOnly || root->isVisible()))
        return root;
    const QList<QQuickItem *> children = root->childItems();
    for (QQuickItem *child : children) {
        if (QQuickItem *found = findItem(child, name, visibleOnly))
            return found;
    }
    return nullptr;
}

QList<QQuickItem *> visibleNamed(QQuickItem *root, const QString &name) {
    QList<QQuickItem *> found;
    if (!root || !root->isVisible())
        return found;
    if (root->objectName() == name)
        found << root;
    for (QQuickItem *child : root->childItems())
        found << visibleNamed(child, name);
    return found;
}

QQuickItem *visibleTitled(QQuickItem *root, const QString &name, const QString &title) {
    for (QQuickItem *item : visibleNamed(root, name))
        if (item->property("title").toString() == title)
            return item;
    return nullptr;
}

QStringList textsBelow(QQuickItem *item) {
    QStringList texts;
    if (!item || !item->isVisible())
        return texts;
    if (item->inherits("QQuickText") && !item->property("symbol").isValid())
        texts << item->property("text").toString();
    for (QQuickItem *child : item->childItems())
        texts << textsBelow(child);
    return texts;
}

QPoint centreOf(const QQuickItem *item) {
    return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
}

QQuickItem *topModalPopup(QQuickWindow &window) {
    QQuickItem *top = nullptr;
    for (QQuickItem *child : window.contentItem()->childItems()) {
        if (!child->inherits("QQuickOverlay"))
            continue;
        QList<QQuickItem *> items = child->childItems();
        std::stable_sort(items.begin(), items.end(),
                         [](const QQuickItem *a, const QQuickItem *b) { return a->z() < b->z(); });
        for (QQuickItem *popupItem : items) {
            const QObject *popup = popupItem->parent();
            if (popupItem->inherits("QQuickPopupItem") && popupItem->isVisible() && popup &&
                (popup->property("dim").toBool() || popup->property("modal").toBool()))
                top = popupItem;
        }
    }
    return top;
}

QString screenshotFolder() {
    const QString folder = qEnvironmentVariable("QVL_SCREENSHOT_DIR");
    if (!folder.isEmpty())
        QDir().mkpath(folder);
    return folder;
}

bool saveScreenshot(QQuickWindow &window, const QString &name) {
    const QString folder = screenshotFolder();
    if (folder.isEmpty())
        return true;
    const QImage image = window.grabWindow();
    const QString file =
        QDir(folder).filePath(QStringLiteral("%1-%2.png").arg(name, QGuiApplication::platformName()));
    if (image.isNull() || !image.save(file)) {
        qWarning("could not save %s", qPrintable(file));
        return false;
    }
    qInfo("saved %s", qPrintable(file));
    return true;
}

QSize screenshotSize(QSize fallback) {
    const QString text = qEnvironmentVariable("QVL_SCREENSHOT_SIZE");
    if (text.isEmpty())
        return fallback;
    const QStringList parts = text.split(u'x');
    const QSize size(parts.value(0).toInt(), parts.value(1).toInt());
    return size.isValid() && !size.isEmpty() ? size : fallback;
}

} // namespace QmlHarness
