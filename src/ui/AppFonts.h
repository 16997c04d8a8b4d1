#pragma once

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
};
