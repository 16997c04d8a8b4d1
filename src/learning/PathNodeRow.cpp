#include "PathNodeRow.h"

#include <QStringList>

#include <algorithm>

using Tone = Theme::Role;

PathNodeRow::PathNodeRow(const LearningItemView &item, bool isCurrent, bool isLast, qint64 pathId)
    : m_item(item), m_isCurrent(isCurrent), m_isLast(isLast), m_pathId(pathId) {}

QString PathNodeRow::nodeSubtitle(const LearningItemView &item) {
    if (item.state == LessonState::completed)
        return QStringLiteral("已完成");
    if (item.state == LessonState::generating) {
        if (!item.progress)
            return QStringLiteral("准备中，好了会通知你");
        if (*item.progress >= 100)
            return QStringLiteral("内容审核中，好了会通知你");
        return QStringLiteral("准备中 ") + QString::number(*item.progress) + u'%';
    }
    if (item.state == LessonState::failed)
        return QStringLiteral("老师处理中");
    if (item.openable)
        return QStringLiteral("可以开始学");
    return QStringLiteral("完成上一课后解锁");
}

Theme::Role PathNodeRow::statusTone(const LearningItemView &item) {
    if (item.state == LessonState::completed)
        return Tone::BrandTeal;
    if (item.state == LessonState::generating)
        return Tone::Orange;
    if (item.state == LessonState::failed)
        return Tone::Red;
    return item.openable ? Tone::BrandNavy : Tone::SecondaryLabel;
}

PathNodeRow::NodeSymbol PathNodeRow::nodeSymbol() const {
    if (m_item.state == LessonState::completed)
        return Checkmark;
    return m_item.openable ? Number : Lock;
}

QString PathNodeRow::nodeSymbolName() const {
    switch (nodeSymbol()) {
    case Checkmark:
        return QStringLiteral("checkmark");
    case Lock:
        return QStringLiteral("lock.fill");
    case Number:
        break;
    }
    return {};
}

QString PathNodeRow::nodeNumber() const {
    return nodeSymbol() == Number ? QString::number(m_item.listOrder) : QString();
}

double PathNodeRow::nodeSymbolSize() const {
    switch (nodeSymbol()) {
    case Checkmark:
        return 17;
    case Number:
        return 16;
    case Lock:
        return 14;
    }
    return 16;
}

int PathNodeRow::nodeSymbolTone() const {
    return nodeSymbol() == Lock ? int(Tone::Gray) : whiteTone;
}

bool PathNodeRow::nodeGradient() const {
    return m_item.state != LessonState::completed && m_isCurrent;
}

int PathNodeRow::nodeTone() const {
    if (m_item.state == LessonState::completed)
        return Tone::BrandTeal;
    // The current lesson's gradient is drawn over navy, the nearest single colour.
    if (m_isCurrent || m_item.openable)
        return Tone::BrandNavy;
    return Tone::Gray5;
}

int PathNodeRow::connectorTone() const {
    return m_item.state == LessonState::completed ? Tone::BrandTeal : Tone::Gray5;
}

QString PathNodeRow::title() const {
    return QStringLiteral("第 ") + QString::number(m_item.listOrder) + QStringLiteral(" 课 · ") +
           m_item.kpName;
}

int PathNodeRow::titleTone() const {
    return m_item.openable ? Tone::Label : Tone::SecondaryLabel;
}

bool PathNodeRow::showsProgress() const {
    return m_item.state == LessonState::generating && m_item.progress && *m_item.progress < 100;
}

double PathNodeRow::progressFraction() const {
    if (!showsProgress())
        return 0;
    return std::clamp(double(*m_item.progress), 0.0, 100.0) / 100.0;
}

QString PathNodeRow::accessibleText() const {
    QStringList parts;
    if (m_isCurrent)
        parts << badgeText();
    parts << title() << subtitle();
    return parts.join(QStringLiteral("，"));
}
