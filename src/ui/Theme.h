#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

class AppSession;

// The one colour table of the app, by role. The brand colours are the same in the light and the dark scheme;
// the system colours (tints, label texts, separator, backgrounds) have a light and a dark form. Text drawn in
// a brand colour on a background that follows the scheme takes one of the brand text roles (`accent`, `ink`,
// `muted`): the brand colour itself in the light scheme, a light form of it in the dark one, where navy or
// teal on black could not be read. Every label role reaches 4.5:1 on every background role of its scheme.
//
// QML reads it as the singleton `Theme`: `Theme.brandTeal`, `Theme.label`, ... follow the dark-mode
// preference of the current session by themselves, so views never pass a scheme around. Where a view-model
// decides a role (`Theme.color(row.statusTone, Theme.dark)`), or a screen stays light in either scheme (the
// lesson page on its fixed brand-mist background), the role and the scheme are given explicitly. C++ reads
// the same table through the static `color(role, dark)` and the brand getters.
class Theme : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(bool dark READ dark NOTIFY darkChanged)

    Q_PROPERTY(QColor brandNavy READ brandNavy CONSTANT)
    Q_PROPERTY(QColor brandNavyDeep READ brandNavyDeep CONSTANT)
    Q_PROPERTY(QColor brandTeal READ brandTeal CONSTANT)
    Q_PROPERTY(QColor brandMint READ brandMint CONSTANT)
    Q_PROPERTY(QColor brandAmber READ brandAmber CONSTANT)
    Q_PROPERTY(QColor brandMist READ brandMist CONSTANT)
    Q_PROPERTY(QColor brandCloud READ brandCloud CONSTANT)
    Q_PROPERTY(QColor brandLine READ brandLine CONSTANT)
    Q_PROPERTY(QColor brandMuted READ brandMuted CONSTANT)

    Q_PROPERTY(QColor brandCaption READ brandCaption CONSTANT)

    Q_PROPERTY(QColor accent READ accent NOTIFY darkChanged)
    Q_PROPERTY(QColor ink READ ink NOTIFY darkChanged)
    Q_PROPERTY(QColor muted READ muted NOTIFY darkChanged)

    Q_PROPERTY(QColor orange READ orange NOTIFY darkChanged)
    Q_PROPERTY(QColor red READ red NOTIFY darkChanged)
    Q_PROPERTY(QColor blue READ blue NOTIFY darkChanged)
    Q_PROPERTY(QColor green READ green NOTIFY darkChanged)
    Q_PROPERTY(QColor purple READ purple NOTIFY darkChanged)
    Q_PROPERTY(QColor pink READ pink NOTIFY darkChanged)
    Q_PROPERTY(QColor indigo READ indigo NOTIFY darkChanged)
    Q_PROPERTY(QColor cyan READ cyan NOTIFY darkChanged)
    Q_PROPERTY(QColor yellow READ yellow NOTIFY darkChanged)
    Q_PROPERTY(QColor gray READ gray NOTIFY darkChanged)
    Q_PROPERTY(QColor gray4 READ gray4 NOTIFY darkChanged)
    Q_PROPERTY(QColor gray5 READ gray5 NOTIFY darkChanged)
    Q_PROPERTY(QColor label READ label NOTIFY darkChanged)
    Q_PROPERTY(QColor secondaryLabel READ secondaryLabel NOTIFY darkChanged)
    Q_PROPERTY(QColor tertiaryLabel READ tertiaryLabel NOTIFY darkChanged)
    Q_PROPERTY(QColor separator READ separator NOTIFY darkChanged)
    Q_PROPERTY(QColor systemBackground READ systemBackground NOTIFY darkChanged)
    Q_PROPERTY(QColor groupedBackground READ groupedBackground NOTIFY darkChanged)
    Q_PROPERTY(QColor secondaryGroupedBackground READ secondaryGroupedBackground NOTIFY darkChanged)
    Q_PROPERTY(QColor secondaryBackground READ secondaryBackground NOTIFY darkChanged)
    Q_PROPERTY(QColor focusRing READ focusRing NOTIFY darkChanged)
    Q_PROPERTY(QColor focusHalo READ focusHalo NOTIFY darkChanged)

public:
    enum Role {
        BrandNavy,
        BrandNavyDeep,
        BrandTeal,
        BrandMint,
        BrandAmber,
        BrandMist,
        BrandCloud,
        BrandLine,
        BrandMuted,
        BrandCaption, // a caption on the brand gradient: brandMint, pale enough to read on the gradient's
                      // teal end
        Accent,       // accent text, links, the selected tab: brandTeal, or brandMint in the dark scheme
        Ink,          // brand headings and names: brandNavy, or a pale navy in the dark scheme
        Muted,        // secondary text in the brand's grey: brandMuted, or a lighter grey in the dark scheme
        Orange,
        Red,
        Blue,
        Green,
        Purple,
        Pink,
        Indigo,
        Cyan,
        Yellow,
        Gray,
        Gray4,
        Gray5,
        Label,
        SecondaryLabel,
        TertiaryLabel,
        Separator,
        SystemBackground,
        GroupedBackground,
        SecondaryGroupedBackground,
        SecondaryBackground, // a panel set off from the plain background (the home page's today card)
    };
    Q_ENUM(Role)

    // Follows the session that is current now, and whichever becomes current later.
    explicit Theme(QObject *parent = nullptr);

    // The colour of a role in the light or the dark scheme.
    Q_INVOKABLE static QColor color(int role, bool dark);
    // A colour with its opacity scaled by `opacity` (clamped to 0..1), for tints, glows and shadows.
    Q_INVOKABLE static QColor withOpacity(const QColor &color, double opacity);

    // A role in the scheme that suits `surface`: the light scheme's form on a light surface, the dark one's
    // on a dark surface. For what is drawn on a surface that does not follow the scheme (a bar or a card a
    // page keeps light in either scheme), or on one a component is given.
    Q_INVOKABLE static QColor roleOn(int role, const QColor &surface);
    // `top` drawn over `bottom`: the colour a translucent fill shows on what is under it.
    Q_INVOKABLE static QColor over(const QColor &top, const QColor &bottom);
    // `color` as a text colour on `background` (opaque): unchanged when it reaches `ratio` there, otherwise
    // darkened on a light background or lightened on a dark one, its hue kept, until it does. For tints that
    // come as data (a robot's colour, a message kind's tone) and the system tints used as text.
    Q_INVOKABLE static QColor legible(const QColor &color, const QColor &background, double ratio = 4.5);

    // How far `foreground` stands out from an opaque `background` it is drawn on, as the ratio of their
    // relative luminances (1 to 21); a translucent foreground is blended over the background first. Body
    // text needs at least 4.5, large text 3.
    static double contrastRatio(const QColor &foreground, const QColor &background);
    // `fill` darkened just enough for white text of body size on it to reach 4.5:1, its hue kept: the
    // subject and tag chips that carry white labels on their own colour.
    Q_INVOKABLE static QColor underWhiteText(const QColor &fill);

    bool dark() const { return m_dark; }

    static QColor brandNavy() { return color(BrandNavy, false); }
    static QColor brandNavyDeep() { return color(BrandNavyDeep, false); }
    static QColor brandTeal() { return color(BrandTeal, false); }
    static QColor brandMint() { return color(BrandMint, false); }
    static QColor brandAmber() { return color(BrandAmber, false); }
    static QColor brandMist() { return color(BrandMist, false); }
    static QColor brandCloud() { return color(BrandCloud, false); }
    static QColor brandLine() { return color(BrandLine, false); }
    static QColor brandMuted() { return color(BrandMuted, false); }
    static QColor brandCaption() { return color(BrandCaption, false); }

    QColor accent() const { return color(Accent, m_dark); }
    QColor ink() const { return color(Ink, m_dark); }
    QColor muted() const { return color(Muted, m_dark); }
    QColor orange() const { return color(Orange, m_dark); }
    QColor red() const { return color(Red, m_dark); }
    QColor blue() const { return color(Blue, m_dark); }
    QColor green() const { return color(Green, m_dark); }
    QColor purple() const { return color(Purple, m_dark); }
    QColor pink() const { return color(Pink, m_dark); }
    QColor indigo() const { return color(Indigo, m_dark); }
    QColor cyan() const { return color(Cyan, m_dark); }
    QColor yellow() const { return color(Yellow, m_dark); }
    QColor gray() const { return color(Gray, m_dark); }
    QColor gray4() const { return color(Gray4, m_dark); }
    QColor gray5() const { return color(Gray5, m_dark); }
    QColor label() const { return color(Label, m_dark); }
    QColor secondaryLabel() const { return color(SecondaryLabel, m_dark); }
    QColor tertiaryLabel() const { return color(TertiaryLabel, m_dark); }
    QColor separator() const { return color(Separator, m_dark); }
    QColor systemBackground() const { return color(SystemBackground, m_dark); }
    QColor groupedBackground() const { return color(GroupedBackground, m_dark); }
    QColor secondaryGroupedBackground() const { return color(SecondaryGroupedBackground, m_dark); }
    QColor secondaryBackground() const { return color(SecondaryBackground, m_dark); }
    // The keyboard focus ring: a ring in `focusRing` with a hairline halo in `focusHalo` inside it, so that
    // one of the two stands out on whatever the focused item and the page under it are (a pale page, a
    // teal button, the navy gradient).
    QColor focusRing() const { return focusRingColor(m_dark); }
    QColor focusHalo() const { return focusHaloColor(m_dark); }
    static QColor focusRingColor(bool dark);
    static QColor focusHaloColor(bool dark);

Q_SIGNALS:
    void darkChanged();

private:
    void follow(AppSession *session);
    void update();

    QPointer<AppSession> m_session;
    bool m_dark = false;
};
