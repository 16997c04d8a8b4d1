#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

// System-symbol names, as the screens call their icons ("xmark", "checkmark.circle.fill", ...), mapped in one
// table to glyphs of the Material icon font. QML draws an icon as a Text in `fontFamily` showing
// `glyph(name)` (see SymbolIcon.qml). A name missing from the table shows a visible question-mark glyph
// rather than nothing, so a typo is noticed on screen; without the icon font every symbol falls back to a
// plain character in the app font.
class Symbols : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QString fontFamily READ family CONSTANT)
    Q_PROPERTY(bool fontAvailable READ fontAvailable CONSTANT)

public:
    using QObject::QObject;

    // The family the app registers its copy of the icon font under, so that the system's other copies of the
    // font (Debian installs WOFF and WOFF2 ones beside the TTF) are never picked for it.
    static inline const QString ownFamily = QStringLiteral("Quorvel Symbols");
    // The icon font as Debian installs it.
    static inline const QString fontPath =
        QStringLiteral("/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf");

    // Loads the icon font into the application's font database, once per process; later calls return the
    // first outcome. Needs a QGuiApplication.
    static bool loadFont();
    static bool fontAvailable() { return loadFont(); }
    // The family to draw glyphs in: the icon font's, or an empty text (the app font) when it is missing.
    static QString family();

    // The glyph of a symbol name; a fallback glyph for names the table lacks.
    Q_INVOKABLE static QString glyph(const QString &name);
    Q_INVOKABLE static bool contains(const QString &name);

    // The icon-font code point of a name, or 0 when the table lacks it.
    static char32_t codePoint(const QString &name);
    static char32_t fallbackCodePoint();
    static QStringList names();
};
