#pragma once

#include <QColor>
#include <QObject>
#include <QtQml/qqmlregistration.h>

// The colours of the learning tab by role. The view-models decide which role a piece of a screen takes (a
// lesson's status line is orange while it is being prepared, ...); this table turns a role into a colour for
// the light or the dark scheme. The brand colours are the same in both; the platform's semantic colours
// (grouped backgrounds, text, greys, orange, red) have a light and a dark form.
class LearningHomePalette : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    enum Tone {
        BrandTeal,
        BrandNavy,
        BrandMint,
        Orange,
        Red,
        Primary,   // text
        Secondary, // text
        Gray,
        Gray4,
        Gray5,
        GroupedBackground,
        SecondaryGroupedBackground,
    };
    Q_ENUM(Tone)

    using QObject::QObject;

    Q_INVOKABLE static QColor color(int tone, bool dark);
    // The colour of a role at an opacity (0..1), for tints and shadows.
    Q_INVOKABLE static QColor withOpacity(int tone, bool dark, double opacity);
};
