#pragma once

#include <QByteArray>
#include <QString>

class QGuiApplication;

// The fonts of the whole app: one Chinese family for every text (set once as the application font, so no
// view names a family), and the icon font behind the system symbols.
class AppFonts {
public:
    static inline const QString cjkFamily = QStringLiteral("Noto Sans CJK SC");

    // Call once after constructing the application and before loading any QML. Returns whether the Chinese
    // family is installed; without it the platform's default font stays.
    static bool install(QGuiApplication &app);

    // The font file `sfnt` (TrueType or OpenType) with its names replaced so that it registers as `family`:
    // the app's own copy of a font then never resolves to another copy the system has installed under the
    // original name (in another format, or another version). Empty when `sfnt` is not a font file.
    static QByteArray withFamilyName(const QByteArray &sfnt, const QString &family);
    // The family names a font file declares (name ids 1 and 16, Windows Unicode records), for checks.
    static QStringList familyNames(const QByteArray &sfnt);
};
