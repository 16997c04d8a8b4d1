#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

class AppSession;

// The one colour table of the app, by role. The brand colours are the same in the light and the dark scheme;
// the system colours (tints, label texts, separator, backgrounds) have a light and a dark form.
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

Q_SIGNALS:
    void darkChanged();

private:
    void follow(AppSession *session);
    void update();

    QPointer<AppSession> m_session;
    bool m_dark = false;
};
