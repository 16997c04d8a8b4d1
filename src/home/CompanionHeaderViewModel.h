#pragma once

#include "RobotCatalog.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

class RobotStore;

// The companion header's robot: the home scene's robot of the catalog in use, and the line that introduces
// it ("<name> · 你的 AI 学习伙伴"). Follows the robot store's catalog and language.
class CompanionHeaderViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(RobotCharacter robot READ robot NOTIFY robotChanged)
    Q_PROPERTY(QString nameLine READ nameLine NOTIFY robotChanged)
    Q_PROPERTY(QString tagline READ tagline CONSTANT)
    Q_PROPERTY(QString chatChip READ chatChip CONSTANT)
    Q_PROPERTY(QString accessibleLabel READ accessibleLabel CONSTANT)

public:
    explicit CompanionHeaderViewModel(QObject *parent = nullptr);
    // For tests: over a store of their own.
    explicit CompanionHeaderViewModel(RobotStore &store, QObject *parent = nullptr);

    RobotCharacter robot() const;
    QString nameLine() const;
    static QString tagline() { return QStringLiteral("我是 AI，会先给思路，陪你一步步把题弄懂"); }
    static QString chatChip() { return QStringLiteral("和伙伴聊聊 →"); }
    static QString accessibleLabel() { return QStringLiteral("和 AI 学习伙伴聊天"); }

    static inline const QString scene = QStringLiteral("home");

Q_SIGNALS:
    void robotChanged();

private:
    RobotStore &m_store;
};
