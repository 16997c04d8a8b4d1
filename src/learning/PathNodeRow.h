#pragma once

#include "LearningModels.h"
#include "Theme.h"

#include <QMetaType>
#include <QString>

// One lesson of the path list: a round node on a connector line, and a card with the lesson's number, name
// and status. From the lesson's state, its `openable` flag, its preparation progress and whether it is the
// current lesson, this decides every colour, symbol and wording of the row. Only "Completed", "Generating"
// and "Failed" are told apart; any other state (e.g. "Ready") leaves `openable` to decide. Whether the card
// opens is `openable` alone, never derived from the state or the order.
//
// A row of the path list's model: each property is a role of PathNodeRow.qml, the delegate that draws it.
class PathNodeRow {
    Q_GADGET
    Q_PROPERTY(qint64 itemId READ itemId)
    Q_PROPERTY(qint64 pathId READ pathId)
    Q_PROPERTY(bool openable READ openable)
    Q_PROPERTY(bool isCurrent READ isCurrent)
    Q_PROPERTY(bool isLast READ isLast)

    Q_PROPERTY(NodeSymbol nodeSymbol READ nodeSymbol)
    Q_PROPERTY(bool showsNodeNumber READ showsNodeNumber)
    Q_PROPERTY(bool nodeSymbolBold READ nodeSymbolBold)
    Q_PROPERTY(QString nodeSymbolName READ nodeSymbolName)
    Q_PROPERTY(QString nodeNumber READ nodeNumber)
    Q_PROPERTY(double nodeSymbolSize READ nodeSymbolSize)
    Q_PROPERTY(int nodeSymbolTone READ nodeSymbolTone)
    Q_PROPERTY(bool nodeGradient READ nodeGradient)
    Q_PROPERTY(int nodeTone READ nodeTone)
    Q_PROPERTY(double nodeDiameter READ nodeDiameter)
    Q_PROPERTY(double nodeGlowOpacity READ nodeGlowOpacity)
    Q_PROPERTY(bool hasConnector READ hasConnector)
    Q_PROPERTY(int connectorTone READ connectorTone)

    Q_PROPERTY(bool showsBadge READ isCurrent)
    Q_PROPERTY(QString badgeText READ badgeText)
    Q_PROPERTY(QString title READ title)
    Q_PROPERTY(int titleTone READ titleTone)
    Q_PROPERTY(QString subtitle READ subtitle)
    Q_PROPERTY(int statusTone READ statusTone)
    Q_PROPERTY(bool showsProgress READ showsProgress)
    Q_PROPERTY(double progressFraction READ progressFraction)
    Q_PROPERTY(double cardOpacity READ cardOpacity)
    Q_PROPERTY(bool outlined READ isCurrent)
    Q_PROPERTY(double cardShadowOpacity READ cardShadowOpacity)
    Q_PROPERTY(QString accessibleText READ accessibleText)

public:
    enum NodeSymbol { Checkmark, Number, Lock };
    Q_ENUM(NodeSymbol)

    PathNodeRow() = default;
    // `item` as a lesson of the path `pathId`.
    PathNodeRow(const LearningItemView &item, bool isCurrent, bool isLast, qint64 pathId);

    // The list tells rows apart by lesson.
    qint64 id() const { return m_item.itemId; }
    friend bool operator==(const PathNodeRow &, const PathNodeRow &) = default;

    const LearningItemView &item() const { return m_item; }
    qint64 itemId() const { return m_item.itemId; }
    qint64 pathId() const { return m_pathId; }
    bool openable() const { return m_item.openable; }
    bool isCurrent() const { return m_isCurrent; }
    bool isLast() const { return m_isLast; }

    // The status line, a function of the lesson alone.
    static QString nodeSubtitle(const LearningItemView &item);
    static Theme::Role statusTone(const LearningItemView &item);

    NodeSymbol nodeSymbol() const;
    bool showsNodeNumber() const { return nodeSymbol() == Number; }
    bool nodeSymbolBold() const { return nodeSymbol() == Checkmark; }
    QString nodeSymbolName() const; // the system symbol for Checkmark and Lock; empty for Number
    QString nodeNumber() const;     // the lesson number for Number; empty otherwise
    double nodeSymbolSize() const;
    int nodeSymbolTone() const; // white is not a tone: -1 means white
    // The node is filled with the brand gradient (the current, unfinished lesson), else with `nodeTone`.
    bool nodeGradient() const;
    int nodeTone() const;
    double nodeDiameter() const { return m_isCurrent ? 44 : 38; }
    double nodeGlowOpacity() const { return m_isCurrent ? 0.4 : 0; }
    bool hasConnector() const { return !m_isLast; }
    int connectorTone() const;

    QString badgeText() const { return QStringLiteral("当前课程"); }
    QString title() const;
    int titleTone() const;
    QString subtitle() const { return nodeSubtitle(m_item); }
    int statusTone() const { return statusTone(m_item); }
    // A bar of the preparation progress, only while the lesson is being made and below 100 %.
    bool showsProgress() const;
    double progressFraction() const; // the bar's fill, 0..1
    double cardOpacity() const { return m_item.openable ? 1.0 : 0.6; }
    double cardShadowOpacity() const { return m_item.openable ? 0.08 : 0; }
    // The card's texts read as one.
    QString accessibleText() const;

    static constexpr int whiteTone = -1;

private:
    LearningItemView m_item;
    bool m_isCurrent = false;
    bool m_isLast = false;
    qint64 m_pathId = 0;
};
