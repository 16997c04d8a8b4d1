#include "TypingDots.h"

#include "ChatStrings.h"
#include "RobotStore.h"
#include "Theme.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace TypingDotsMotion {

Dot dot(double t, int index, bool reduceMotion) {
    if (reduceMotion)
        return {0.6, 0};
    const double s = std::max(0.0, std::sin(5 * t - 0.7 * index));
    return {0.3 + 0.7 * s, -3 * s};
}

} // namespace TypingDotsMotion

TypingDotsItem::TypingDotsItem(QQuickItem *parent) : RobotFrameItem(parent), m_color(Theme::brandTeal()) {
    setImplicitSize(TypingDotsMotion::kWidth, TypingDotsMotion::kHeight);
    connect(&RobotStore::shared(), &RobotStore::languageInEffectChanged, this,
            &TypingDotsItem::accessibleLabelChanged);
}

void TypingDotsItem::setReduceMotion(bool on) {
    if (on == m_reduceMotion)
        return;
    m_reduceMotion = on;
    Q_EMIT reduceMotionChanged();
    updateClock();
    update();
}

void TypingDotsItem::setColor(const QColor &color) {
    if (color == m_color)
        return;
    m_color = color;
    Q_EMIT colorChanged();
    update();
}

QString TypingDotsItem::accessibleLabel() const {
    return ChatStrings::forLanguage(RobotStore::shared().languageInEffect()).statusThinking;
}

RobotMotion::FrameDemand TypingDotsItem::frameDemand() const {
    return m_reduceMotion ? RobotMotion::FrameDemand::Still : RobotMotion::FrameDemand::Full;
}

void TypingDotsItem::paint(QPainter *painter) {
    using namespace TypingDotsMotion;
    const double t = now();
    const double left = (width() - kWidth) / 2;
    const double top = (height() - kDotSize) / 2;
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    for (int i = 0; i < kDotCount; ++i) {
        const Dot d = dot(t, i, m_reduceMotion);
        QColor fill = m_color;
        fill.setAlphaF(float(m_color.alphaF() * d.opacity));
        painter->setBrush(fill);
        painter->drawEllipse(QRectF(left + i * (kDotSize + kSpacing), top + d.offset, kDotSize, kDotSize));
    }
}
