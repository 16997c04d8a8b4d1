#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QTimer>

#include <optional>

class QWindow;

// Where the app's window sits and how large it is, kept between runs in the user defaults. The window never
// gets smaller than `minimumSize`, the size at which every screen still lays out and can be used. A new
// placement is saved shortly after the window stops moving or resizing, and once more when it is destroyed
// (the app ending).
class WindowPlacement : public QObject {
    Q_OBJECT

public:
    static constexpr QSize minimumSize{720, 560};
    // The first run's size, held to the screen it opens on.
    static constexpr QSize preferredSize{1100, 760};

    // The frame a window opens in, given the frame it had last (none on a first run) and the available areas
    // of the screens now attached (the primary one first): the saved frame when enough of it lies on one of
    // them, moved and cut to fit that screen; otherwise the preferred size centred on the primary screen.
    // Never below the minimum size.
    static QRect placement(const std::optional<QRect> &saved, const QList<QRect> &screens);

    // The saved frame and whether the window was maximised, as the user defaults hold them.
    static std::optional<QRect> savedFrame();
    static bool savedMaximized();

    // Applies the placement to `window` (not yet shown) and follows it from then on; show the window with
    // show() to open it maximised again when it was.
    explicit WindowPlacement(QWindow *window, QObject *parent = nullptr);
    ~WindowPlacement() override;

    // Shows the window as it was left: maximised, or in its frame.
    void show();
    // Writes the window's last frame and whether it was maximised now (the app does when it ends; moves and
    // resizes do by themselves, shortly after they stop).
    void save();

private:
    void changed();

    QPointer<QWindow> m_window;
    QTimer m_pending;
    // The frame of the window while neither maximised nor full screen: what a later run opens in.
    QRect m_normal;
    bool m_maximized = false;
};
