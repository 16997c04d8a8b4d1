#pragma once

#include <QColor>
#include <QObject>
#include <QtQml/qqmlregistration.h>

// Colours of the robot views for QML: robot colours from their hex texts, and the colours that follow the
// light or dark scheme.
class RobotPalette : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    // A robot's colour from its hex text ("#14A098"); an unreadable text gives the default robot colour.
    Q_INVOKABLE static QColor hexColor(const QString &text);
    // The colour at an opacity.
    Q_INVOKABLE static QColor withOpacity(const QColor &color, double opacity);
    // The chat backdrop: its base colour and how strongly the tint glows from the top.
    Q_INVOKABLE static QColor backdropBase(bool dark);
    Q_INVOKABLE static double backdropGlowOpacity(bool dark) { return dark ? 0.18 : 0.12; }
    // The background of a grouped card or bubble (white in light, a dark grey in dark).
    Q_INVOKABLE static QColor groupedBackground(bool dark);
    // The grouped page behind such cards.
    Q_INVOKABLE static QColor groupedPage(bool dark);
    Q_INVOKABLE static QColor primaryText(bool dark);
    Q_INVOKABLE static QColor secondaryText(bool dark);
    Q_INVOKABLE static QColor separator(bool dark);
};
