#include "Symbols.h"

#include "AppFonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>

#include <mutex>

namespace {

struct Entry {
    const char *name;
    char32_t codePoint; // in the Material icon font
    char16_t plain;     // shown in the app font when the icon font is missing
};

// Symbol name → Material icon (its ligature name in the comment). Nearest match in meaning and shape; the
// filled and outlined variants of a name share a glyph where the font has only one.
constexpr Entry table[] = {
    // tab bar
    {"house", 0xe88a, u'⌂'},               // home
    {"book", 0xea19, u'▤'},                // menu_book
    {"questionmark.bubble", 0xe94c, u'?'}, // contact_support
    {"questionmark.bubble.fill", 0xe94c, u'?'},
    {"sparkles", 0xe65f, u'✦'}, // auto_awesome
    {"person", 0xe7ff, u'●'},   // person_outline
    // sign-in and guest pages
    {"xmark", 0xe5cd, u'✕'},                              // close
    {"iphone", 0xe325, u'▯'},                             // phone_iphone
    {"lock.shield", 0xe897, u'●'},                        // lock
    {"lock.shield.fill", 0xe897, u'●'},                   // lock
    {"checkmark.circle.fill", 0xe86c, u'✔'},              // check_circle
    {"circle", 0xe836, u'○'},                             // radio_button_unchecked
    {"checkmark.shield.fill", 0xe8e8, u'✔'},              // verified_user
    {"checkmark.shield", 0xe8e8, u'✔'},                   // verified_user
    {"number", 0xe9ef, u'#'},                             // tag
    {"line.3.horizontal", 0xe5d2, u'≡'},                  // menu
    {"books.vertical", 0xe02f, u'▤'},                     // library_books
    {"books.vertical.fill", 0xe02f, u'▤'},                // library_books
    {"doc.text", 0xe873, u'▤'},                           // description
    {"doc.text.fill", 0xe873, u'▤'},                      // description
    {"lock.doc", 0xe897, u'●'},                           // lock
    {"person.2", 0xe7fb, u'●'},                           // people
    {"person.fill", 0xe7fd, u'●'},                        // person
    {"person.crop.circle", 0xe853, u'●'},                 // account_circle
    {"person.crop.circle.badge.checkmark", 0xe174, u'✔'}, // how_to_reg
    {"person.text.rectangle", 0xea67, u'▭'},              // badge
    {"wifi.exclamationmark", 0xe648, u'!'},               // wifi_off
    {"phone", 0xe0cd, u'☎'},                              // phone
    // marks and arrows
    {"checkmark", 0xe5ca, u'✓'},                // check
    {"checkmark.circle", 0xe92d, u'✓'},         // check_circle_outline
    {"checkmark.seal.fill", 0xef76, u'✔'},      // verified
    {"xmark.circle", 0xe888, u'✕'},             // highlight_off
    {"xmark.circle.fill", 0xe5c9, u'✕'},        // cancel
    {"star", 0xe83a, u'☆'},                     // star_border
    {"star.fill", 0xe838, u'★'},                // star
    {"info.circle", 0xe88f, u'i'},              // info_outline
    {"info.circle.fill", 0xe88e, u'i'},         // info
    {"questionmark.circle.fill", 0xe887, u'?'}, // help
    {"exclamationmark.triangle", 0xe002, u'!'}, // warning
    {"exclamationmark.triangle.fill", 0xe002, u'!'},
    {"chevron.left", 0xe5cb, u'‹'},                     // chevron_left
    {"chevron.right", 0xe5cc, u'›'},                    // chevron_right
    {"chevron.up", 0xe5ce, u'˄'},                       // expand_less
    {"chevron.down", 0xe5cf, u'˅'},                     // expand_more
    {"chevron.up.chevron.down", 0xe5d7, u'↕'},          // unfold_more
    {"arrow.up", 0xe5d8, u'↑'},                         // arrow_upward
    {"arrow.up.circle", 0xf182, u'↑'},                  // arrow_circle_up
    {"arrow.up.right", 0xf1e1, u'↗'},                   // north_east
    {"arrow.right", 0xe5c8, u'→'},                      // arrow_forward
    {"arrow.uturn.backward.circle.fill", 0xe166, u'↶'}, // undo
    {"ellipsis.circle", 0xe5d3, u'…'},                  // more_horiz
    {"magnifyingglass", 0xe8b6, u'⌕'},                  // search
    {"gear", 0xe8b8, u'⚙'},                             // settings
    // subjects and things
    {"function", 0xe24a, u'ƒ'},                      // functions
    {"x.squareroot", 0xe24a, u'√'},                  // functions
    {"equal.square", 0xea5f, u'='},                  // calculate
    {"textformat.abc", 0xe262, u'A'},                // text_fields
    {"character.book.closed.fill", 0xe8e2, u'A'},    // translate
    {"book.fill", 0xe865, u'▤'},                     // book
    {"book.closed", 0xe865, u'▤'},                   // book
    {"book.closed.fill", 0xe865, u'▤'},              // book
    {"doc.richtext", 0xef42, u'▤'},                  // article
    {"pencil.and.list.clipboard", 0xe85d, u'▤'},     // assignment
    {"lightbulb", 0xe90f, u'☼'},                     // lightbulb_outline
    {"pencil", 0xe3c9, u'✎'},                        // edit
    {"lightbulb.fill", 0xe0f0, u'☼'},                // lightbulb
    {"lightbulb.max", 0xe79a, u'☼'},                 // tips_and_updates
    {"wand.and.stars", 0xe663, u'✦'},                // auto_fix_high
    {"flame.fill", 0xef55, u'▲'},                    // local_fire_department
    {"lock.fill", 0xe897, u'●'},                     // lock
    {"map", 0xe55b, u'▦'},                           // map
    {"map.fill", 0xe55b, u'▦'},                      // map
    {"building.2", 0xea40, u'▦'},                    // apartment
    {"building.columns", 0xe84f, u'▦'},              // account_balance
    {"building.columns.fill", 0xe84f, u'▦'},         // account_balance
    {"moon.fill", 0xe51c, u'☾'},                     // dark_mode
    {"moon.zzz.fill", 0xef44, u'☾'},                 // bedtime
    {"moon.stars.fill", 0xea46, u'☾'},               // nights_stay
    {"bell.badge", 0xe7f4, u'•'},                    // notifications
    {"bell.badge.fill", 0xe7f7, u'•'},               // notifications_active
    {"bolt.fill", 0xea0b, u'ϟ'},                     // bolt
    {"bag.fill", 0xf1cc, u'•'},                      // shopping_bag
    {"backpack.fill", 0xf19c, u'•'},                 // backpack
    {"alarm.fill", 0xe855, u'•'},                    // alarm
    {"calendar.badge.clock", 0xe878, u'▦'},          // event
    {"calendar", 0xebcc, u'▦'},                      // calendar_month
    {"chart.bar", 0xe26b, u'▥'},                     // bar_chart
    {"chart.bar.xaxis", 0xe26b, u'▥'},               // bar_chart
    {"crown.fill", 0xe7af, u'♛'},                    // workspace_premium
    {"circle.grid.2x2.fill", 0xe5c3, u'▦'},          // apps
    {"bookmark.fill", 0xe866, u'•'},                 // bookmark
    {"megaphone.fill", 0xef49, u'•'},                // campaign
    {"leaf.fill", 0xea35, u'•'},                     // eco
    {"hand.raised.fill", 0xe925, u'✋'},              // pan_tool
    {"flag.checkered", 0xf06e, u'⚑'},                // sports_score
    {"figure.and.child.holdinghands", 0xf1a2, u'•'}, // family_restroom
    {"figure.walk", 0xe536, u'•'},                   // directions_walk
    {"face.smiling.inverse", 0xe813, u'☺'},          // sentiment_satisfied
    {"graduationcap.fill", 0xe80c, u'•'},            // school
    {"globe.asia.australia.fill", 0xe80b, u'•'},     // public
    {"globe", 0xe894, u'•'},                         // language
    {"flask.fill", 0xea4b, u'•'},                    // science
    {"heart.text.square.fill", 0xe87d, u'♥'},        // favorite
    {"hourglass.circle.fill", 0xe88b, u'⌛'},         // hourglass_empty
    {"hourglass", 0xea5b, u'⌛'},                     // hourglass_top
    {"checklist", 0xe6b1, u'☑'},                     // checklist
    {"eye.slash", 0xe8f5, u'⊘'},                     // visibility_off
    {"stop.fill", 0xe047, u'■'},                     // stop
    // companion chat
    {"speaker.wave.2.fill", 0xe050, u'♪'}, // volume_up
    {"waveform", 0xe1b8, u'≈'},            // graphic_eq
    {"trash", 0xe872, u'✕'},               // delete
    {"atom", 0xe3a5, u'⚛'},
    {"photo", 0xe3f4, u'▣'},                   // photo
    {"camera", 0xe3af, u'◉'},                  // photo_camera                              // blur_on
    {"stop.circle.fill", 0xef71, u'■'},        // stop_circle
    {"play.circle.fill", 0xe1c4, u'▶'},        // play_circle
    {"phone.fill", 0xe0cd, u'☎'},              // phone
    {"scalemass.fill", 0xeb5f, u'•'},          // scale
    {"shield.lefthalf.filled", 0xe9e0, u'•'},  // shield
    {"square.stack.3d.up.fill", 0xe53b, u'▤'}, // layers
    {"bubble.left.and.bubble.right.fill", 0xe0bf, u'•'}, // forum
    // inbox
    {"rosette", 0xea3f, u'✪'},             // military_tech
    {"arrow.down.app.fill", 0xe62a, u'↓'}, // system_update
    {"tray", 0xe156, u'▭'},                // inbox
    // onboarding questionnaire
    {"scope", 0xe8e1, u'◎'},                         // track_changes
    {"hand.wave.fill", 0xe925, u'✋'},                // pan_tool
    {"plusminus", 0xe3ca, u'±'},                     // exposure
    {"triangle", 0xe86b, u'△'},                      // change_history
    {"bell", 0xe7f5, u'•'},                          // notifications_none
    {"bell.and.waves.left.and.right", 0xe7f7, u'•'}, // notifications_active
};

constexpr char32_t fallback = 0xe8fd; // help_outline
constexpr char16_t plainFallback = u'?';

const QHash<QString, const Entry *> &index() {
    static const QHash<QString, const Entry *> byName = [] {
        QHash<QString, const Entry *> map;
        for (const Entry &entry : table)
            map.insert(QString::fromLatin1(entry.name), &entry);
        return map;
    }();
    return byName;
}

struct LoadedFont {
    bool available = false;
    QString family;
};

LoadedFont &loaded() {
    static LoadedFont font;
    return font;
}

QString text(char32_t codePoint) {
    return QString::fromUcs4(&codePoint, 1);
}

} // namespace

bool Symbols::loadFont() {
    static std::mutex mutex;
    static bool attempted = false;
    const std::lock_guard lock(mutex);
    if (attempted)
        return loaded().available;
    // Fonts can only be registered once the GUI application exists; try again on a later call.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return false;
    attempted = true;
    LoadedFont &font = loaded();
    if (QFile file(fontPath); file.open(QIODevice::ReadOnly)) {
        const QByteArray original = file.readAll();
        const QByteArray renamed = AppFonts::withFamilyName(original, ownFamily);
        int id = renamed.isEmpty() ? -1 : QFontDatabase::addApplicationFontFromData(renamed);
        if (id < 0) {
            qWarning("Symbols: the icon font could not be registered under its own name");
            id = QFontDatabase::addApplicationFontFromData(original);
        }
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty())
            font.family = families.first();
    }
    // Installed somewhere else, the system font configuration may still know it.
    if (font.family.isEmpty() && QFontDatabase::families().contains(QStringLiteral("Material Icons")))
        font.family = QStringLiteral("Material Icons");
    font.available = !font.family.isEmpty();
    if (!font.available)
        qWarning("Symbols: the Material icon font is missing; symbols are drawn as plain characters");
    return font.available;
}

QString Symbols::family() {
    loadFont();
    return loaded().family;
}

QString Symbols::glyph(const QString &name) {
    const Entry *entry = index().value(name);
    if (!loadFont())
        return QString(QChar(entry ? entry->plain : plainFallback));
    return text(entry ? entry->codePoint : fallback);
}

bool Symbols::contains(const QString &name) {
    return index().contains(name);
}

char32_t Symbols::codePoint(const QString &name) {
    const Entry *entry = index().value(name);
    return entry ? entry->codePoint : 0;
}

char32_t Symbols::fallbackCodePoint() {
    return fallback;
}

QStringList Symbols::names() {
    QStringList all;
    for (const Entry &entry : table)
        all.append(QString::fromLatin1(entry.name));
    return all;
}
