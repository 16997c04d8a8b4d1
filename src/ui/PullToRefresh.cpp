#include "PullToRefresh.h"

#include <algorithm>

PullToRefresh::PullToRefresh(QObject *parent) : QObject(parent) {
    m_wheelPause.setSingleShot(true);
    m_wheelPause.setInterval(wheelPauseMs);
    connect(&m_wheelPause, &QTimer::timeout, this, [this] { setWheelPull(0); });
}

void PullToRefresh::setThreshold(double threshold) {
    threshold = std::max(1.0, threshold);
    if (threshold == m_threshold)
        return;
    m_threshold = threshold;
    Q_EMIT thresholdChanged();
    Q_EMIT progressChanged();
}

void PullToRefresh::setRefreshing(bool refreshing) {
    if (refreshing == m_refreshing)
        return;
    m_refreshing = refreshing;
    Q_EMIT refreshingChanged();
}

void PullToRefresh::setDragPull(double pull) {
    pull = std::max(0.0, pull);
    if (pull == m_dragPull)
        return;
    m_dragPull = pull;
    Q_EMIT progressChanged();
}

void PullToRefresh::setWheelPull(double pull) {
    if (pull == m_wheelPull)
        return;
    m_wheelPull = pull;
    Q_EMIT progressChanged();
}

double PullToRefresh::progress() const {
    return std::min(1.0, std::max(m_dragPull, m_wheelPull) / m_threshold);
}

void PullToRefresh::release(double pull) {
    if (pull >= m_threshold)
        trigger();
}

void PullToRefresh::wheel(double pixels, bool atTop) {
    if (!atTop || pixels <= 0) {
        m_wheelPause.stop();
        setWheelPull(0);
        return;
    }
    m_wheelPause.start();
    const double pull = m_wheelPull + pixels;
    if (pull >= m_threshold) {
        // One refresh per gesture: the pull starts again from nothing.
        m_wheelPause.stop();
        setWheelPull(0);
        trigger();
        return;
    }
    setWheelPull(pull);
}

void PullToRefresh::request() {
    trigger();
}

void PullToRefresh::trigger() {
    if (m_refreshing)
        return;
    Q_EMIT triggered();
}
