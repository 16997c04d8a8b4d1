#pragma once

#include "LearningModels.h"
#include "Theme.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// One lesson of the path list: a round node on a connector line, and a card with the lesson's number, name
// and status. From the lesson's state, its `openable` flag, its preparation progress and whether it is the
// current lesson, this decides every colour, symbol and wording of the row. Only "Completed", "Generating"
// and "Failed" are told apart; any other state (e.g. "Ready") leaves `openable` to decide. Whether the card
// opens is `openable` alone, never derived from the state or the order.
//
// The path list owns one per lesson and hands it a fresh lesson value whenever the path is fetched again.
class PathNodeRowViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the path list")
    Q_PROPERTY(qint64 itemId READ itemId NOTIFY changed)
    Q_PROPERTY(qint64 pathId READ pathId NOTIFY changed)
    Q_PROPERTY(bool openable READ openable NOTIFY changed)
    Q_PROPERTY(bool isCurrent READ isCurrent NOTIFY changed)
    Q_PROPERTY(bool isLast READ isLast NOTIFY changed)

    Q_PROPERTY(NodeSymbol nodeSymbol READ nodeSymbol NOTIFY changed)
    Q_PROPERTY(QString nodeSymbolName READ nodeSymbolName NOTIFY changed)
    Q_PROPERTY(QString nodeNumber READ nodeNumber NOTIFY changed)
    Q_PROPERTY(double nodeSymbolSize READ nodeSymbolSize NOTIFY changed)
    Q_PROPERTY(int nodeSymbolTone READ nodeSymbolTone NOTIFY changed)
    Q_PROPERTY(bool nodeGradient READ nodeGradient NOTIFY changed)
    Q_PROPERTY(int nodeTone READ nodeTone NOTIFY changed)
    Q_PROPERTY(double nodeDiameter READ nodeDiameter NOTIFY changed)
    Q_PROPERTY(double nodeGlowOpacity READ nodeGlowOpacity NOTIFY changed)
    Q_PROPERTY(bool hasConnector READ hasConnector NOTIFY changed)
    Q_PROPERTY(int connectorTone READ connectorTone NOTIFY changed)

    Q_PROPERTY(bool showsBadge READ isCurrent NOTIFY changed)
    Q_PROPERTY(QString badgeText READ badgeText CONSTANT)
    Q_PROPERTY(QString title READ title NOTIFY changed)
    Q_PROPERTY(int titleTone READ titleTone NOTIFY changed)
    Q_PROPERTY(QString subtitle READ subtitle NOTIFY changed)
    Q_PROPERTY(int statusTone READ statusTone NOTIFY changed)
    Q_PROPERTY(bool showsProgress READ showsProgress NOTIFY changed)
    Q_PROPERTY(double progressFraction READ progressFraction NOTIFY changed)
    Q_PROPERTY(double cardOpacity READ cardOpacity NOTIFY changed)
    Q_PROPERTY(bool outlined READ isCurrent NOTIFY changed)
    Q_PROPERTY(double cardShadowOpacity READ cardShadowOpacity NOTIFY changed)
    Q_PROPERTY(QString accessibleText READ accessibleText NOTIFY changed)

public:
    enum NodeSymbol { Checkmark, Number, Lock };
    Q_ENUM(NodeSymbol)

    explicit PathNodeRowViewModel(QObject *parent = nullptr);

    // Shows `item` as a lesson of the path `pathId`. Notifies only when anything shown changes.
    void setLesson(const LearningItemView &item, bool isCurrent, bool isLast, qint64 pathId);

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

Q_SIGNALS:
    void changed();

private:
    LearningItemView m_item;
    bool m_isCurrent = false;
    bool m_isLast = false;
    qint64 m_pathId = 0;
};
