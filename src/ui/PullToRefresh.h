#pragma once

#include <QKeySequence>
#include <QObject>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

// When a list asks to be fetched again, for the kit's RefreshControl: a drag that pulls the list's top past
// `threshold` and lets go, mouse-wheel scrolling on past the top by as much, or F5. Never while a refresh
// runs. `progress` (0..1) is how far the current pull has come, for the indicator.
class PullToRefresh : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(double threshold READ threshold WRITE setThreshold NOTIFY thresholdChanged)
    Q_PROPERTY(bool refreshing READ refreshing WRITE setRefreshing NOTIFY refreshingChanged)
    Q_PROPERTY(double dragPull READ dragPull WRITE setDragPull NOTIFY progressChanged)
    Q_PROPERTY(double wheelPull READ wheelPull NOTIFY progressChanged)
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)
    // The platform's refresh keys (StandardKey.Refresh, F5 here), for a Shortcut's `sequences`, which expands
    // it to every binding. Given from here because qmllint does not know QML's StandardKey.
    Q_PROPERTY(int refreshKey READ refreshKey CONSTANT)

public:
    explicit PullToRefresh(QObject *parent = nullptr);

    double threshold() const { return m_threshold; }
    void setThreshold(double threshold);
    bool refreshing() const { return m_refreshing; }
    void setRefreshing(bool refreshing);
    // How far the list's top is dragged below its resting place, in pixels (0 when it is not).
    double dragPull() const { return m_dragPull; }
    void setDragPull(double pull);
    double wheelPull() const { return m_wheelPull; }
    double progress() const;
    static int refreshKey() { return QKeySequence::Refresh; }

    // The finger or the mouse let go with the top pulled down by `pull` pixels.
    Q_INVOKABLE void release(double pull);
    // A wheel step of `pixels` (positive: towards the top) while the list is `atTop` or not. Steps past the
    // top add up; a step the other way, a step away from the top or a pause starts again from nothing.
    Q_INVOKABLE void wheel(double pixels, bool atTop);
    // F5 or a menu entry.
    Q_INVOKABLE void request();

    // How long the wheel may rest before the overscroll counts from nothing again.
    static constexpr int wheelPauseMs = 400;

Q_SIGNALS:
    void thresholdChanged();
    void refreshingChanged();
    void progressChanged();
    void triggered();

private:
    void setWheelPull(double pull);
    void trigger();

    double m_threshold = 64;
    bool m_refreshing = false;
    double m_dragPull = 0;
    double m_wheelPull = 0;
    QTimer m_wheelPause;
};
