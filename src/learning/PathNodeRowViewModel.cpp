#include "PathNodeRowViewModel.h"

#include <QStringList>

#include <algorithm>

using Tone = Theme::Role;

PathNodeRowViewModel::PathNodeRowViewModel(QObject *parent) : QObject(parent) {}

void PathNodeRowViewModel::setLesson(const LearningItemView &item, bool isCurrent, bool isLast,
                                     qint64 pathId) {
    if (m_item == item && m_isCurrent == isCurrent && m_isLast == isLast && m_pathId == pathId)
        return;
    m_item = item;
    m_isCurrent = isCurrent;
    m_isLast = isLast;
    m_pathId = pathId;
    Q_EMIT changed();
}

QString PathNodeRowViewModel::nodeSubtitle(const LearningItemView &item) {
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

Theme::Role PathNodeRowViewModel::statusTone(const LearningItemView &item) {
    if (item.state == LessonState::completed)
        return Tone::BrandTeal;
    if (item.state == LessonState::generating)
        return Tone::Orange;
    if (item.state == LessonState::failed)
        return Tone::Red;
    return item.openable ? Tone::BrandNavy : Tone::SecondaryLabel;
}

PathNodeRowViewModel::NodeSymbol PathNodeRowViewModel::nodeSymbol() const {
    if (m_item.state == LessonState::completed)
        return Checkmark;
    return m_item.openable ? Number : Lock;
}

QString PathNodeRowViewModel::nodeSymbolName() const {
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

QString PathNodeRowViewModel::nodeNumber() const {
    return nodeSymbol() == Number ? QString::number(m_item.listOrder) : QString();
}

double PathNodeRowViewModel::nodeSymbolSize() const {
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

int PathNodeRowViewModel::nodeSymbolTone() const {
    return nodeSymbol() == Lock ? int(Tone::Gray) : whiteTone;
}

bool PathNodeRowViewModel::nodeGradient() const {
    return m_item.state != LessonState::completed && m_isCurrent;
}

int PathNodeRowViewModel::nodeTone() const {
    if (m_item.state == LessonState::completed)
        return Tone::BrandTeal;
    // The current lesson's gradient is drawn over navy, the nearest single colour.
    if (m_isCurrent || m_item.openable)
        return Tone::BrandNavy;
    return Tone::Gray5;
}

int PathNodeRowViewModel::connectorTone() const {
    return m_item.state == LessonState::completed ? Tone::BrandTeal : Tone::Gray5;
}

QString PathNodeRowViewModel::title() const {
    return QStringLiteral("第 ") + QString::number(m_item.listOrder) + QStringLiteral(" 课 · ") +
           m_item.kpName;
}

int PathNodeRowViewModel::titleTone() const {
    return m_item.openable ? Tone::Label : Tone::SecondaryLabel;
}

bool PathNodeRowViewModel::showsProgress() const {
    return m_item.state == LessonState::generating && m_item.progress && *m_item.progress < 100;
}

double PathNodeRowViewModel::progressFraction() const {
    if (!showsProgress())
        return 0;
    return std::clamp(double(*m_item.progress), 0.0, 100.0) / 100.0;
}

QString PathNodeRowViewModel::accessibleText() const {
    QStringList parts;
    if (m_isCurrent)
        parts << badgeText();
    parts << title() << subtitle();
    return parts.join(QStringLiteral("，"));
}
