#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QUuid>

#include <optional>

// One card of the guest home: a core feature or a safety promise, with what its detail sheet offers.
struct GuestHomeFeature {
    // What the detail sheet offers for the feature. `catalog` never reaches a sheet: its card opens the
    // course catalogue instead.
    struct Action {
        enum class Kind { Login, Link, Catalog, Hotline, None };

        Kind kind = Kind::None;
        QString text; // the sign-in prompt (`login`) or the link's title (`link`)
        QUrl url;     // `link` only

        static Action login(QString prompt) { return {Kind::Login, std::move(prompt), {}}; }
        static Action link(QString title, QUrl url) { return {Kind::Link, std::move(title), std::move(url)}; }
        static Action catalog() { return {Kind::Catalog, {}, {}}; }
        static Action hotline() { return {Kind::Hotline, {}, {}}; }
        static Action none() { return {Kind::None, {}, {}}; }

        friend bool operator==(const Action &, const Action &) = default;
    };

    QUuid id = QUuid::createUuid(); // a fresh identity each time a list is built
    QString image;                  // an artwork name ("IconHint"), not a system symbol
    QString title;
    QString detail;
    QStringList points;
    Action action;

    // The psychological-help hotline, dialled from the hotline action and the page menu. Written "tel:12356",
    // not "tel://12356": QUrl reads a number after "//" as a host and turns it into an IPv4 address
    // ("tel://0.0.48.68"), which would hand the dialler a different number.
    static inline const QString hotlineNumber = QStringLiteral("12356");
    static QUrl hotlineURL() { return QUrl(QStringLiteral("tel:") + hotlineNumber); }

    // The four core features and the four safety promises, in the order the page shows them.
    static QList<GuestHomeFeature> builtInFeatures();
    static QList<GuestHomeFeature> builtInSafety();

    // Where a link could not be opened (no dialler or browser on this desktop), what is shown instead: a hint
    // and the number or address itself, as selectable text.
    struct LinkFallback {
        QString hint;
        QString value;
        friend bool operator==(const LinkFallback &, const LinkFallback &) = default;
    };
    static LinkFallback fallbackFor(const QUrl &url);
    // Opens the link through the desktop; nothing when it opened, else what to show instead.
    static std::optional<LinkFallback> open(const QUrl &url);

    // The resource URL of a named artwork ("qrc:/qt/qml/Quorvel/Guest/assets/<name>.svg", or Ui/assets for
    // pictures shared with other screens), or an empty URL when the application holds no picture of that
    // name; the picture's place then stays empty.
    static QUrl artworkURL(const QString &name);
};
