#include "ContrastCheck.h"

#include "QmlHarness.h"
#include "Theme.h"

#include <QFont>
#include <QHash>
#include <QImage>
#include <QQuickItem>
#include <QQuickWindow>

#include <algorithm>

namespace ContrastCheck {

namespace {

struct Candidate {
    QQuickItem *item = nullptr;
    qreal opacity = 1; // the item's own, as set before the check
    qreal effectiveOpacity = 1;
    QRect rect; // in window pixels, clipped as the scene clips it
};

bool isText(const QQuickItem *item) {
    return item->inherits("QQuickText") || item->inherits("QQuickTextInput") ||
           item->inherits("QQuickTextEdit");
}

// Texts hidden from assistive technology are decoration: the icon-font symbols (pictures drawn by text
// items), the offset copy of a text that stands in for its shadow.
bool isDecoration(const QQuickItem *item) {
    if (item->property("symbol").isValid())
        return true;
    for (const QObject *child : item->children())
        if (child->inherits("QQuickAccessibleAttached"))
            return child->property("ignored").toBool();
    return false;
}

QString typeName(const QObject *object) {
    QString name = QString::fromLatin1(object->metaObject()->className());
    name.remove(QStringLiteral("QQuick"));
    const qsizetype suffix = name.indexOf(QStringLiteral("_QML"));
    return suffix > 0 ? name.left(suffix) : name;
}

QString pathOf(const QQuickItem *item) {
    QStringList names;
    for (const QQuickItem *up = item; up && names.size() < 7; up = up->parentItem())
        names.prepend(up->objectName().isEmpty() ? typeName(up) : up->objectName());
    return names.join(u'/');
}

// The rectangle the scene draws the item's text in: its painted bounds, cut by every clipping ancestor and
// by the window.
QRect visibleRect(const QQuickItem *item, const QQuickWindow &window) {
    QRectF rect = item->mapRectToScene(item->boundingRect());
    for (const QQuickItem *up = item; up; up = up->parentItem())
        if (up->clip())
            rect &= up->mapRectToScene(up->clipRect());
    rect &= QRectF(QPointF(0, 0), QSizeF(window.size()));
    const qreal scale = window.devicePixelRatio();
    return QRectF(rect.topLeft() * scale, rect.size() * scale).toAlignedRect();
}

// Whether the text is on its way out of a list or page that has been scrolled: within a line of an edge
// that content has already passed (where the bar's or the stage's shadow falls over it), or of the far edge
// while more follows. The learner reads it once it has come in.
bool passingAnEdge(const QQuickItem *item, const QRect &rect) {
    constexpr qreal kLine = 24;
    for (const QQuickItem *up = item->parentItem(); up; up = up->parentItem()) {
        if (!up->inherits("QQuickFlickable") || !up->property("interactive").toBool())
            continue;
        const QRectF area = up->mapRectToScene(QRectF(0, 0, up->width(), up->height()));
        const bool scrolledDown = up->property("contentY").toReal() > up->property("originY").toReal() + 1;
        const bool moreBelow = !up->property("atYEnd").toBool();
        if ((scrolledDown && rect.top() < area.top() + kLine) ||
            (moreBelow && rect.bottom() > area.bottom() - kLine))
            return true;
    }
    return false;
}

void collect(QQuickItem *item, qreal opacity, const QQuickWindow &window, QList<Candidate> &into) {
    if (!item->isVisible())
        return;
    const qreal effective = opacity * item->opacity();
    if (effective < 0.02)
        return;
    if (isText(item) && !isDecoration(item) && item->isEnabled() &&
        !item->property("text").toString().trimmed().isEmpty()) {
        const QRect rect = visibleRect(item, window);
        if (rect.width() >= 2 && rect.height() >= 2 && !passingAnEdge(item, rect))
            into << Candidate{item, item->opacity(), effective, rect};
    }
    for (QQuickItem *child : item->childItems())
        collect(child, effective, window, into);
}

double requiredRatio(const QQuickItem *item) {
    const QFont font = item->property("font").value<QFont>();
    const double pixels = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * 96.0 / 72.0;
    const bool large = pixels >= 24 || (pixels >= 18.66 && font.weight() >= QFont::Bold);
    return large ? 3.0 : 4.5;
}

int distance(QRgb a, QRgb b) {
    return std::max(
        {std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

// `color` drawn over `under`.
QRgb blended(const QColor &color, QRgb under) {
    const float alpha = color.alphaF();
    const auto mix = [alpha](int front, int back) {
        return int(std::lround(front * alpha + back * (1 - alpha)));
    };
    return qRgb(mix(color.red(), qRed(under)), mix(color.green(), qGreen(under)),
                mix(color.blue(), qBlue(under)));
}

} // namespace

QList<Finding> lowContrastTexts(QQuickWindow &window, QQuickItem *root) {
    QQuickItem *popup = QmlHarness::topModalPopup(window);
    QQuickItem *scope = popup ? popup : root ? root : window.contentItem();
    qreal inherited = 1;
    for (const QQuickItem *up = scope->parentItem(); up; up = up->parentItem())
        inherited *= up->opacity();
    QList<Candidate> texts;
    collect(scope, inherited, window, texts);

    const auto withoutTexts = [&] {
        for (const Candidate &text : std::as_const(texts))
            text.item->setOpacity(0);
        const QImage image = window.grabWindow().convertToFormat(QImage::Format_RGB32);
        for (const Candidate &text : std::as_const(texts))
            text.item->setOpacity(text.opacity);
        return image;
    };
    // The background twice, around the picture with the texts: a pixel that changed meanwhile belongs to
    // something moving (a spinner, a transition) and says nothing about the text over it.
    const QImage under = withoutTexts();
    const QImage drawn = window.grabWindow().convertToFormat(QImage::Format_RGB32);
    const QImage underAgain = withoutTexts();

    QList<Finding> findings;
    for (const Candidate &text : std::as_const(texts)) {
        QColor color = text.item->property("color").value<QColor>();
        color.setAlphaF(float(color.alphaF() * text.effectiveOpacity));
        // The background under the letters: the pixels the text changes into its own colour (the inside of
        // its strokes), weighted by how many they are. A text under a panel that is nearly opaque changes
        // pixels too, but not into its colour.
        QHash<QRgb, int> underLetters;
        const QRect rect = text.rect & under.rect();
        // Where another text lies over or under this one (a tab's label over a page scrolled under the
        // bar), a changed pixel may be the other's: those pixels tell nothing.
        QList<QRect> others;
        for (const Candidate &other : std::as_const(texts))
            if (other.item != text.item && other.rect.intersects(rect))
                others << other.rect;
        const auto shared = [&others](int x, int y) {
            return std::any_of(others.cbegin(), others.cend(),
                               [x, y](const QRect &r) { return r.contains(x, y); });
        };
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            const QRgb *before = reinterpret_cast<const QRgb *>(under.constScanLine(y));
            const QRgb *after = reinterpret_cast<const QRgb *>(drawn.constScanLine(y));
            const QRgb *again = reinterpret_cast<const QRgb *>(underAgain.constScanLine(y));
            for (int x = rect.left(); x <= rect.right(); ++x)
                if (before[x] == again[x] && distance(before[x], after[x]) > 6 &&
                    distance(after[x], blended(color, before[x])) <= 40 && !shared(x, y))
                    ++underLetters[before[x]];
        }
        // Letters that change no pixel are covered by something drawn over them.
        if (underLetters.isEmpty())
            continue;
        const QHash<QRgb, int> &samples = underLetters;
        QList<std::pair<double, int>> ratios; // ratio, pixels
        int total = 0;
        for (auto it = samples.cbegin(); it != samples.cend(); ++it) {
            ratios.append({Theme::contrastRatio(color, QColor(it.key())), it.value()});
            total += it.value();
        }
        if (ratios.isEmpty())
            continue;
        std::sort(ratios.begin(), ratios.end());
        // The ratio that nine tenths of the letters' pixels reach: a stray pixel over an icon's edge does not
        // fail a text, a text half off its card does.
        int seen = 0;
        double ratio = ratios.constLast().first;
        QRgb background = samples.cbegin().key();
        for (const auto &[value, pixels] : std::as_const(ratios)) {
            seen += pixels;
            if (seen * 10 >= total) {
                ratio = value;
                break;
            }
        }
        for (auto it = samples.cbegin(); it != samples.cend(); ++it)
            if (Theme::contrastRatio(color, QColor(it.key())) == ratio)
                background = it.key();
        const double required = requiredRatio(text.item);
        if (ratio >= required)
            continue;
        findings << Finding{text.item->property("text").toString().left(24),
                            pathOf(text.item),
                            color,
                            QColor(background),
                            ratio,
                            required};
    }
    return findings;
}

QString describe(const QList<Finding> &findings) {
    QStringList lines;
    for (const Finding &finding : findings)
        lines << QStringLiteral("\"%1\" %2 on %3: %4 < %5 (%6)")
                     .arg(finding.text, finding.color.name(QColor::HexArgb), finding.background.name(),
                          QString::number(finding.ratio, 'f', 2), QString::number(finding.required, 'f', 1),
                          finding.where);
    return lines.join(u'\n');
}

} // namespace ContrastCheck
