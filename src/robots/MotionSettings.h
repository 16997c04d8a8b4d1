#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

class QJSEngine;
class QQmlEngine;

// The app's reduce-motion setting: when on, the robots keep still (no bob, bounce, tilt, wave, spin or
// pulsing ring). The desktop has no system-wide switch Qt can read, so it is the app's own, kept in the user
// defaults. One shared instance; views read it.
class MotionSettings : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(bool reduceMotion READ reduceMotion WRITE setReduceMotion NOTIFY reduceMotionChanged)

public:
    static inline const QString kReduceMotionKey = QStringLiteral("qvl.pref.reduce_motion");

    // Reads the stored setting (off unless stored as true). Not default-constructible on purpose: Qt 6.4
    // builds a QML singleton with a default constructor when there is one, ignoring `create`, and QML would
    // then read a second instance that C++ changes never reach.
    explicit MotionSettings(QObject *parent);

    static MotionSettings &shared();
    static MotionSettings *create(QQmlEngine *, QJSEngine *);

    bool reduceMotion() const { return m_reduceMotion; }
    // Stores the setting at once.
    void setReduceMotion(bool on);

Q_SIGNALS:
    void reduceMotionChanged();

private:
    bool m_reduceMotion = false;
};
