#pragma once

#include "Destination.h"
#include "ListModel.h"
#include "SettingsDocument.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <optional>

// What a settings page does with each of its items, decided once here so that the page's QML only lays
// the answers out: which items are drawn, where a navigation row leads, which symbol and colour its tile
// has, what a toggle, an info or a link row shows.
namespace SettingsRows {

// "navigation", "toggle", "action", "info" and "link", exactly; items of any other type are not drawn.
bool isShownType(const QString &type);

// A row's tile: a symbol name and the Theme colour role it is filled with ("brandTeal", "orange", ...).
struct Icon {
    QString symbol;
    QString colour;
    friend bool operator==(const Icon &, const Icon &) = default;
};
// Chosen from the lower-cased "<icon> <id>" by the first keyword of a fixed table found in it.
Icon rowIcon(const SettingsItem &item);

// Where a navigation row leads: a nested settings page (its page id) or, for every route not under
// "settings/", the screen the router's native route table names for it (`NativeRoute` with the route).
struct Destination {
    QString pageId; // empty unless a settings page
    ::Destination::Page page = ::Destination::NativeRoute;
    QVariantMap properties; // {"pageId"} or {"route"}: what the router is asked to open it with
    bool isSettingsPage() const { return !pageId.isEmpty(); }
    friend bool operator==(const Destination &, const Destination &) = default;
};
// "settings/a/b" opens the page "settings_b" (only the last non-empty piece counts; a piece already
// beginning with "settings_" is the page id as it stands); any other route goes to the route table as it
// is.
Destination settingsDestination(const QString &route);

// The switch's value: the boolean stored under the item's key, else its default, else off. A stored 1 or
// "true" is no boolean.
bool toggleValue(const SettingsItem &item, const SettingsPrefs &prefs);

// The app's version, as the build's configuration gives it when that is a text.
std::optional<QString> appVersion();
// An info row's text: for "valueFrom":"app_version" the app's version (the item's own value is not
// consulted), otherwise the item's value; "—" when there is none.
QString infoValue(const SettingsItem &item, const std::optional<QString> &version);

// A link row opens only web addresses: http or https with a host. Anything else (file:, tel:, a custom
// scheme, an empty or unparseable text) gives an empty URL and the row is drawn dimmed and inert.
QUrl linkTarget(const SettingsItem &item);

} // namespace SettingsRows

// One drawn row, with everything its kind shows.
struct SettingsRowData {
    Q_GADGET
    Q_PROPERTY(QString itemId MEMBER itemId)
    Q_PROPERTY(QString kind MEMBER kind)
    Q_PROPERTY(QString title MEMBER title)
    Q_PROPERTY(QString subtitle MEMBER subtitle)
    Q_PROPERTY(QString iconSymbol MEMBER iconSymbol)
    Q_PROPERTY(QString iconColour MEMBER iconColour)
    Q_PROPERTY(QString route MEMBER route)
    Q_PROPERTY(QString pageId MEMBER pageId)
    Q_PROPERTY(int destination MEMBER destination)
    Q_PROPERTY(QVariantMap openProperties MEMBER openProperties)
    Q_PROPERTY(bool on MEMBER on)
    Q_PROPERTY(QString actionName MEMBER actionName)
    Q_PROPERTY(bool destructive MEMBER destructive)
    Q_PROPERTY(QString value MEMBER value)
    Q_PROPERTY(QUrl url MEMBER url)
    Q_PROPERTY(bool linkActive MEMBER linkActive)
    Q_PROPERTY(bool divider MEMBER divider)
    Q_PROPERTY(int sectionIndex MEMBER sectionIndex)
    Q_PROPERTY(int itemIndex MEMBER itemIndex)

public:
    QString itemId;
    QString kind;
    QString title;
    QString subtitle; // empty when absent or empty: no subtitle line
    QString iconSymbol;
    QString iconColour;
    QString route;                       // navigation: the item's route, "" without one
    QString pageId;                      // navigation: the nested settings page it opens, else empty
    int destination = Destination::None; // navigation: SettingsPage or NativeRoute
    QVariantMap openProperties;          // navigation: what the router is asked to open it with
    bool on = false;                     // toggle
    QString actionName;                  // action
    bool destructive = false;
    QString value; // info
    QUrl url;      // link: set only when the row opens it
    bool linkActive = false;
    bool divider = false; // a divider follows (every drawn row but the section's last)
    // The item's place in the document, for the store's toggle.
    int sectionIndex = -1;
    int itemIndex = -1;

    static SettingsRowData from(const SettingsItem &item, const SettingsPrefs &prefs,
                                const std::optional<QString> &version);
    QString id() const { return itemId; }
    friend bool operator==(const SettingsRowData &, const SettingsRowData &) = default;
};

using SettingsRowListModel = ListModel<SettingsRowData>;

// One drawn section: its title (empty: no title line) and the list of its drawn rows.
struct SettingsSectionData {
    Q_GADGET
    Q_PROPERTY(QString sectionId MEMBER sectionId)
    Q_PROPERTY(QString title MEMBER title)
    Q_PROPERTY(ListModelBase *rows READ rowModel)

public:
    QString sectionId;
    QString title;
    QPointer<SettingsRowListModel> rows;

    ListModelBase *rowModel() const { return rows.data(); }
    QString id() const { return sectionId; }
    friend bool operator==(const SettingsSectionData &a, const SettingsSectionData &b) {
        return a.sectionId == b.sectionId && a.title == b.title && a.rows == b.rows;
    }
};

using SettingsSectionListModel = ListModel<SettingsSectionData>;
