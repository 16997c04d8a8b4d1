#include "Theme.h"

#include "AppSession.h"

#include <algorithm>
#include <cmath>

namespace {

QColor rgb(int r, int g, int b, double alpha = 1.0) {
    QColor color(r, g, b);
    color.setAlphaF(float(alpha));
    return color;
}

QColor rgbF(float r, float g, float b) {
    return QColor::fromRgbF(r, g, b);
}

double linear(float component) {
    return component <= 0.04045f ? component / 12.92 : std::pow((component + 0.055) / 1.055, 2.4);
}

// Relative luminance, as the contrast ratio is defined on it.
double luminance(const QColor &color) {
    const QColor rgb = color.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

} // namespace

Theme::Theme(QObject *parent) : QObject(parent) {
    connect(&CurrentSessionNotifier::instance(), &CurrentSessionNotifier::currentChanged, this,
            &Theme::follow);
    follow(AppSession::current());
}

void Theme::follow(AppSession *session) {
    if (m_session)
        disconnect(m_session, nullptr, this, nullptr);
    m_session = session;
    if (session) {
        connect(session, &AppSession::darkModeChanged, this, &Theme::update);
        // Without a session the light scheme shows, as it does before any preference is read.
        connect(session, &QObject::destroyed, this, [this] { follow(nullptr); });
    }
    update();
}

void Theme::update() {
    const bool dark = m_session && m_session->darkMode();
    if (dark == m_dark)
        return;
    m_dark = dark;
    Q_EMIT darkChanged();
}

QColor Theme::color(int role, bool dark) {
    switch (Role(role)) {
    case BrandNavy:
        return rgbF(0.043f, 0.239f, 0.361f);
    case BrandNavyDeep:
        return rgbF(0.027f, 0.165f, 0.251f);
    case BrandTeal:
        return rgbF(0.102f, 0.478f, 0.427f);
    case BrandMint:
        return rgbF(0.373f, 0.827f, 0.737f);
    case BrandAmber:
        return rgbF(0.91f, 0.71f, 0.29f);
    case BrandMist:
        return rgbF(0.953f, 0.973f, 0.969f);
    case BrandCloud:
        return rgbF(0.961f, 0.973f, 0.976f);
    case BrandLine:
        return rgbF(0.86f, 0.9f, 0.91f);
    case BrandMuted:
        return rgbF(0.36f, 0.42f, 0.47f);
    case BrandCaption:
        return legible(color(BrandMint, false), color(BrandTeal, false));
    case Accent:
        // A deeper teal than the brand's own in the light scheme: small accent labels sit on teal tints too.
        return dark ? color(BrandMint, false) : rgb(21, 98, 87);
    case Ink:
        return dark ? rgb(214, 233, 243) : color(BrandNavy, false);
    case Muted:
        return dark ? rgb(158, 173, 186) : color(BrandMuted, false);
    case Orange:
        return dark ? rgb(255, 159, 10) : rgb(255, 149, 0);
    case Red:
        return dark ? rgb(255, 69, 58) : rgb(255, 59, 48);
    case Blue:
        return dark ? rgb(10, 132, 255) : rgb(0, 122, 255);
    case Green:
        return dark ? rgb(48, 209, 88) : rgb(52, 199, 89);
    case Purple:
        return dark ? rgb(191, 90, 242) : rgb(175, 82, 222);
    case Pink:
        return dark ? rgb(255, 55, 95) : rgb(255, 45, 85);
    case Indigo:
        return dark ? rgb(94, 92, 230) : rgb(88, 86, 214);
    case Cyan:
        return dark ? rgb(100, 210, 255) : rgb(50, 173, 230);
    case Yellow:
        return dark ? rgb(255, 214, 10) : rgb(255, 204, 0);
    case Gray:
        return rgb(142, 142, 147);
    case Gray4:
        return dark ? rgb(58, 58, 60) : rgb(209, 209, 214);
    case Gray5:
        return dark ? rgb(44, 44, 46) : rgb(229, 229, 234);
    case Label:
        return dark ? rgb(255, 255, 255) : rgb(0, 0, 0);
    case SecondaryLabel:
        // Darker than the platform's own in the light scheme, so that captions reach 4.5:1 on the grey fills.
        return dark ? rgb(235, 235, 245, 0.6) : rgb(60, 60, 67, 0.76);
    case TertiaryLabel:
        return dark ? rgb(235, 235, 245, 0.3) : rgb(60, 60, 67, 0.3);
    case Separator:
        return dark ? rgb(84, 84, 88, 0.6) : rgb(60, 60, 67, 0.29);
    case SystemBackground:
        return dark ? rgb(0, 0, 0) : rgb(255, 255, 255);
    case GroupedBackground:
        return dark ? rgb(0, 0, 0) : rgb(242, 242, 247);
    case SecondaryGroupedBackground:
        return dark ? rgb(28, 28, 30) : rgb(255, 255, 255);
    case SecondaryBackground:
        // Set off from the card it lies on in the dark scheme too, where the card is the grey of 28.
        return dark ? rgb(44, 44, 46) : rgb(242, 242, 247);
    }
    return dark ? rgb(255, 255, 255) : rgb(0, 0, 0);
}

QColor Theme::withOpacity(const QColor &color, double opacity) {
    QColor result = color;
    result.setAlphaF(float(color.alphaF() * std::clamp(opacity, 0.0, 1.0)));
    return result;
}

double Theme::contrastRatio(const QColor &foreground, const QColor &background) {
    const QColor back = background.toRgb();
    const QColor front = foreground.toRgb();
    const float alpha = front.alphaF();
    const QColor blended = QColor::fromRgbF(front.redF() * alpha + back.redF() * (1 - alpha),
                                            front.greenF() * alpha + back.greenF() * (1 - alpha),
                                            front.blueF() * alpha + back.blueF() * (1 - alpha));
    const double a = luminance(blended) + 0.05;
    const double b = luminance(back) + 0.05;
    return std::max(a, b) / std::min(a, b);
}

QColor Theme::roleOn(int role, const QColor &surface) {
    return color(role, luminance(surface) < 0.18);
}

QColor Theme::over(const QColor &top, const QColor &bottom) {
    const QColor front = top.toRgb();
    const QColor back = bottom.toRgb();
    const float alpha = front.alphaF();
    const float behind = back.alphaF() * (1 - alpha);
    const float total = alpha + behind;
    if (total <= 0)
        return QColor(Qt::transparent);
    const auto mix = [&](float a, float b) { return (a * alpha + b * behind) / total; };
    QColor result = QColor::fromRgbF(mix(front.redF(), back.redF()), mix(front.greenF(), back.greenF()),
                                     mix(front.blueF(), back.blueF()));
    result.setAlphaF(total);
    return result;
}

QColor Theme::legible(const QColor &color, const QColor &background, double ratio) {
    QColor shade = color.toHsl();
    if (contrastRatio(shade, background) >= ratio)
        return color;
    shade.setAlphaF(1.0f);
    // Away from the background's lightness: darker on a light one, lighter on a dark one.
    const bool lighten = luminance(background) < 0.18;
    for (int step = 0; step < 100 && contrastRatio(shade, background) < ratio; ++step) {
        const float lightness = shade.lightnessF() + (lighten ? 0.01f : -0.01f);
        shade.setHslF(shade.hslHueF(), shade.hslSaturationF(), std::clamp(lightness, 0.0f, 1.0f));
    }
    return shade.toRgb();
}

QColor Theme::underWhiteText(const QColor &fill) {
    if (contrastRatio(Qt::white, fill) >= 4.5)
        return fill;
    QColor color = fill.toHsl();
    color.setAlphaF(1.0f);
    // Lightness in small steps: the first shade that carries white text is the one closest to the fill.
    while (contrastRatio(Qt::white, color) < 4.5 && color.lightnessF() > 0.0f)
        color.setHslF(color.hslHueF(), color.hslSaturationF(), std::max(0.0f, color.lightnessF() - 0.01f));
    return color.toRgb();
}

QColor Theme::focusRingColor(bool dark) {
    return dark ? QColor(100, 181, 255) : QColor(0, 95, 204);
}

QColor Theme::focusHaloColor(bool dark) {
    return dark ? QColor(0, 0, 0) : QColor(255, 255, 255);
}
