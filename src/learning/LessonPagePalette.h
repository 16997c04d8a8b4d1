#pragma once

#include "HandoutRenderer.h"

#include <QColor>
#include <QObject>
#include <QtQml/qqmlregistration.h>

// The platform colours of the lesson page and the practice screen it opens, in the light scheme. The page
// lies on the fixed, light brand-mist background in either scheme, so its cards and texts stay light as well
// and remain readable. Brand colours come from Brand.
class LessonPagePalette : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QColor cardBackground READ cardBackground CONSTANT)
    Q_PROPERTY(QColor primaryText READ primaryText CONSTANT)
    Q_PROPERTY(QColor secondaryText READ secondaryText CONSTANT)
    Q_PROPERTY(QColor separator READ separator CONSTANT)
    Q_PROPERTY(QColor orange READ orange CONSTANT)
    Q_PROPERTY(QColor purple READ purple CONSTANT)

public:
    using QObject::QObject;

    static QColor cardBackground() { return QColor(255, 255, 255); }
    static QColor primaryText() { return QColor(0, 0, 0); }
    static QColor secondaryText() { return QColor::fromRgbF(60 / 255.f, 60 / 255.f, 67 / 255.f, 0.6f); }
    static QColor separator() { return QColor::fromRgbF(60 / 255.f, 60 / 255.f, 67 / 255.f, 0.29f); }
    static QColor orange() { return LessonTint::orange(); }
    static QColor purple() { return LessonTint::purple(); }
};
