#include "LearningHomePalette.h"

#include "Brand.h"

namespace {

QColor rgb(int r, int g, int b, double alpha = 1.0) {
    QColor color(r, g, b);
    color.setAlphaF(float(alpha));
    return color;
}

} // namespace

QColor LearningHomePalette::color(int tone, bool dark) {
    switch (Tone(tone)) {
    case BrandTeal:
        return Brand::brandTeal();
    case BrandNavy:
        return Brand::brandNavy();
    case BrandMint:
        return Brand::brandMint();
    case Orange:
        return dark ? rgb(255, 159, 10) : rgb(255, 149, 0);
    case Red:
        return dark ? rgb(255, 69, 58) : rgb(255, 59, 48);
    case Primary:
        return dark ? rgb(255, 255, 255) : rgb(0, 0, 0);
    case Secondary:
        return dark ? rgb(235, 235, 245, 0.6) : rgb(60, 60, 67, 0.6);
    case Gray:
        return rgb(142, 142, 147);
    case Gray4:
        return dark ? rgb(58, 58, 60) : rgb(209, 209, 214);
    case Gray5:
        return dark ? rgb(44, 44, 46) : rgb(229, 229, 234);
    case GroupedBackground:
        return dark ? rgb(0, 0, 0) : rgb(242, 242, 247);
    case SecondaryGroupedBackground:
        return dark ? rgb(28, 28, 30) : rgb(255, 255, 255);
    }
    return dark ? rgb(255, 255, 255) : rgb(0, 0, 0);
}

QColor LearningHomePalette::withOpacity(int tone, bool dark, double opacity) {
    QColor c = color(tone, dark);
    c.setAlphaF(float(c.alphaF() * opacity));
    return c;
}
