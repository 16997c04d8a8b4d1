#include "MotionSettings.h"

#include "Platform.h"
#include "UserDefaults.h"

#include <QQmlEngine>

MotionSettings::MotionSettings(QObject *parent) : QObject(parent) {
    const QVariant stored = Platform::userDefaults().object(kReduceMotionKey);
    m_reduceMotion = stored.typeId() == QMetaType::Bool && stored.toBool();
}

MotionSettings &MotionSettings::shared() {
    static MotionSettings *const instance = new MotionSettings(nullptr);
    return *instance;
}

MotionSettings *MotionSettings::create(QQmlEngine *, QJSEngine *) {
    MotionSettings *settings = &shared();
    QQmlEngine::setObjectOwnership(settings, QQmlEngine::CppOwnership);
    return settings;
}

void MotionSettings::setReduceMotion(bool on) {
    Platform::userDefaults().setBool(kReduceMotionKey, on);
    if (on == m_reduceMotion)
        return;
    m_reduceMotion = on;
    Q_EMIT reduceMotionChanged();
}
