#include "DestinationTable.h"

#include <QLatin1StringView>

#include <array>
#include <utility>

namespace {

using Page = Destination::Page;

// In the order routes are compared; the first exact match wins.
constexpr std::array<std::pair<QLatin1StringView, Page>, 7> nativeRoutes{{
    {QLatin1StringView("native/membership"), Destination::Membership},
    {QLatin1StringView("native/orders"), Destination::Orders},
    {QLatin1StringView("native/wrong-book"), Destination::WrongBook},
    {QLatin1StringView("native/inbox"), Destination::Inbox},
    {QLatin1StringView("native/profile-birth"), Destination::ProfileBirth},
    {QLatin1StringView("native/memories"), Destination::Memories},
    {QLatin1StringView("native/study-limits"), Destination::StudyLimits},
}};

struct Screen {
    Page destination;
    const char *module; // the QML module's folder under qrc:/qt/qml/Quorvel/
    const char *file;
    bool takesSession;
    std::array<const char *, 4> keys; // the page's own properties a request may set
};

constexpr std::array<Screen, 16> screens{{
    {Destination::Unavailable, "App", "NativeRouteUnavailableView", false, {}},
    {Destination::Membership, "Membership", "MembershipView", true, {}},
    {Destination::Orders, "Membership", "OrdersView", true, {}},
    {Destination::WrongBook, "Practice", "WrongBookView", true, {}},
    {Destination::Inbox, "Home", "HomeInboxView", true, {}},
    {Destination::ProfileBirth, "Settings", "ProfileBirthInfoView", true, {}},
    {Destination::Memories, "Settings", "MemoriesView", true, {}},
    {Destination::StudyLimits, "Settings", "StudyLimitsView", true, {}},
    {Destination::StudyReport, "Home", "StudyReportView", true, {}},
    {Destination::SettingsPage, "Settings", "SettingsHostView", true, {"pageId"}},
    {Destination::Chat,
     "Companion",
     "CompanionChatView",
     true,
     {"scene", "initialMessage", "subject", "navigationTitle"}},
    {Destination::Learning, "Learning", "LearningHomeView", true, {}},
    {Destination::PhotoMatch, "Practice", "PhotoMatchView", true, {}},
    {Destination::QuestionBank, "Learning", "QuestionBankView", true, {}},
    {Destination::Practice,
     "Practice",
     "PracticeView",
     true,
     {"questionId", "stemText", "options", "source"}},
    {Destination::ComingSoon, "Home", "ComingSoonView", false, {"title", "note"}},
}};

const Screen *screenOf(int destination) {
    for (const Screen &screen : screens) {
        if (screen.destination == destination)
            return &screen;
    }
    return nullptr;
}

} // namespace

Destination::Page DestinationTable::nativeRoute(const QString &route) {
    for (const auto &[text, destination] : nativeRoutes) {
        if (route.compare(text, Qt::CaseSensitive) == 0)
            return destination;
    }
    return Destination::Unavailable;
}

QUrl DestinationTable::page(int destination) {
    const Screen *screen = screenOf(destination);
    if (!screen)
        return {};
    return QUrl(QStringLiteral("qrc:/qt/qml/Quorvel/%1/%2.qml")
                    .arg(QLatin1StringView(screen->module), QLatin1StringView(screen->file)));
}

QVariantMap DestinationTable::resolve(int destination, const QVariantMap &requested, AppSession *session) {
    // A native route opens its screen as the route view would, built with nothing of the route.
    const bool viaRoute = destination == Destination::NativeRoute;
    if (viaRoute)
        destination = nativeRoute(requested.value(QStringLiteral("route")).toString());
    QVariantMap properties;
    const Screen *screen = screenOf(destination);
    if (screen && screen->takesSession)
        properties.insert(QStringLiteral("session"), QVariant::fromValue(session));
    if (screen && !viaRoute) {
        for (const char *key : screen->keys) {
            if (!key)
                break;
            const QString name = QLatin1StringView(key);
            if (requested.contains(name))
                properties.insert(name, requested.value(name));
        }
    }
    return {{QStringLiteral("destination"), destination},
            {QStringLiteral("page"), page(destination)},
            {QStringLiteral("properties"), properties}};
}
