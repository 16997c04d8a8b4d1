#include "RobotPalette.h"

#include "Brand.h"
#include "RobotCatalog.h"

#include <algorithm>

QColor RobotPalette::hexColor(const QString &text) {
    return ::hexColor(text);
}

QColor RobotPalette::withOpacity(const QColor &color, double opacity) {
    QColor result = color;
    result.setAlphaF(float(std::clamp(opacity, 0.0, 1.0)));
    return result;
}

QColor RobotPalette::backdropBase(bool dark) {
    return dark ? QColor(Qt::black) : Brand::brandMist();
}

QColor RobotPalette::groupedBackground(bool dark) {
    return dark ? QColor(0x1C, 0x1C, 0x1E) : QColor(Qt::white);
}

QColor RobotPalette::groupedPage(bool dark) {
    return dark ? QColor(Qt::black) : QColor(0xF2, 0xF2, 0xF7);
}

QColor RobotPalette::primaryText(bool dark) {
    return dark ? QColor(Qt::white) : QColor(Qt::black);
}

QColor RobotPalette::secondaryText(bool dark) {
    return dark ? QColor::fromRgbF(0.92f, 0.92f, 0.96f, 0.6f) : QColor::fromRgbF(0.24f, 0.24f, 0.26f, 0.6f);
}

QColor RobotPalette::separator(bool dark) {
    return dark ? QColor::fromRgbF(0.33f, 0.33f, 0.35f, 0.6f) : QColor::fromRgbF(0.24f, 0.24f, 0.26f, 0.29f);
}
