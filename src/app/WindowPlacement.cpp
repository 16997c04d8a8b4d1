#include "WindowPlacement.h"

#include "Platform.h"
#include "UserDefaults.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace {

const QString kX = QStringLiteral("qvl.window.x");
const QString kY = QStringLiteral("qvl.window.y");
const QString kWidth = QStringLiteral("qvl.window.width");
const QString kHeight = QStringLiteral("qvl.window.height");
const QString kMaximized = QStringLiteral("qvl.window.maximized");

// How much of a saved frame must still lie on a screen for the window to go back there: enough to grab it by.
constexpr int kGrip = 120;

QList<QRect> availableScreens() {
    QList<QRect> areas;
    if (QScreen *primary = QGuiApplication::primaryScreen())
        areas << primary->availableGeometry();
    for (QScreen *screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen())
            areas << screen->availableGeometry();
    return areas;
}

QSize atLeastMinimum(QSize size) {
    return size.expandedTo(WindowPlacement::minimumSize);
}

// `frame` on `screen`: no larger than it (nor smaller than the minimum), and moved inside it.
QRect fitted(QRect frame, const QRect &screen) {
    frame.setSize(atLeastMinimum(frame.size().boundedTo(screen.size())));
    frame.moveLeft(
        std::clamp(frame.left(), screen.left(), std::max(screen.left(), screen.right() + 1 - frame.width())));
    frame.moveTop(
        std::clamp(frame.top(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - frame.height())));
    return frame;
}

} // namespace

QRect WindowPlacement::placement(const std::optional<QRect> &saved, const QList<QRect> &screens) {
    if (saved && saved->isValid()) {
        for (const QRect &screen : screens) {
            const QRect shown = saved->intersected(screen);
            if (shown.width() >= kGrip && shown.height() >= kGrip / 2)
                return fitted(*saved, screen);
        }
    }
    if (screens.isEmpty())
        return QRect(QPoint(0, 0), preferredSize);
    const QRect primary = screens.first();
    QRect frame(QPoint(0, 0), atLeastMinimum(preferredSize.boundedTo(primary.size())));
    frame.moveCenter(primary.center());
    return fitted(frame, primary);
}

std::optional<QRect> WindowPlacement::savedFrame() {
    const UserDefaults &defaults = Platform::userDefaults();
    if (!defaults.contains(kWidth) || !defaults.contains(kHeight))
        return std::nullopt;
    const QRect frame(int(defaults.integerValue(kX)), int(defaults.integerValue(kY)),
                      int(defaults.integerValue(kWidth)), int(defaults.integerValue(kHeight)));
    return frame.isValid() ? std::optional<QRect>(frame) : std::nullopt;
}

bool WindowPlacement::savedMaximized() {
    return Platform::userDefaults().boolValue(kMaximized);
}

WindowPlacement::WindowPlacement(QWindow *window, QObject *parent) : QObject(parent), m_window(window) {
    m_pending.setSingleShot(true);
    m_pending.setInterval(400);
    connect(&m_pending, &QTimer::timeout, this, &WindowPlacement::save);
    if (!window)
        return;
    window->setMinimumSize(minimumSize);
    m_normal = placement(savedFrame(), availableScreens());
    m_maximized = savedMaximized();
    window->setGeometry(m_normal);
    for (auto signal :
         {&QWindow::xChanged, &QWindow::yChanged, &QWindow::widthChanged, &QWindow::heightChanged})
        connect(window, signal, this, &WindowPlacement::changed);
    connect(window, &QWindow::visibilityChanged, this, &WindowPlacement::changed);
}

WindowPlacement::~WindowPlacement() {
    save();
}

void WindowPlacement::show() {
    if (!m_window)
        return;
    if (m_maximized)
        m_window->showMaximized();
    else
        m_window->show();
}

void WindowPlacement::changed() {
    if (!m_window)
        return;
    // A maximised or full-screen window keeps the frame it will go back to; hidden (the app closing) or
    // minimised says nothing about how the learner wants it next time.
    switch (m_window->visibility()) {
    case QWindow::Windowed:
    case QWindow::AutomaticVisibility:
        m_normal = m_window->geometry();
        m_maximized = false;
        break;
    case QWindow::Maximized:
        m_maximized = true;
        break;
    case QWindow::FullScreen:
    case QWindow::Minimized:
    case QWindow::Hidden:
        break;
    }
    m_pending.start();
}

void WindowPlacement::save() {
    m_pending.stop();
    // The frame as it is now, even when the window system has not told of its last change yet.
    if (m_window && m_window->isVisible())
        changed();
    m_pending.stop();
    UserDefaults &defaults = Platform::userDefaults();
    if (defaults.integerValue(kX) != m_normal.x() || !defaults.contains(kX))
        defaults.setInteger(kX, m_normal.x());
    if (defaults.integerValue(kY) != m_normal.y() || !defaults.contains(kY))
        defaults.setInteger(kY, m_normal.y());
    if (defaults.integerValue(kWidth) != m_normal.width() || !defaults.contains(kWidth))
        defaults.setInteger(kWidth, m_normal.width());
    if (defaults.integerValue(kHeight) != m_normal.height() || !defaults.contains(kHeight))
        defaults.setInteger(kHeight, m_normal.height());
    if (defaults.boolValue(kMaximized) != m_maximized || !defaults.contains(kMaximized))
        defaults.setBool(kMaximized, m_maximized);
}
