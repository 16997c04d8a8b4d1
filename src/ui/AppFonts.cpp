#include "AppFonts.h"

#include "Symbols.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>

bool AppFonts::install(QGuiApplication &app) {
    Symbols::loadFont();
    if (!QFontDatabase::families().contains(cjkFamily))
        return false;
    QFont font = app.font();
    font.setFamilies({cjkFamily});
    app.setFont(font);
    return true;
}
