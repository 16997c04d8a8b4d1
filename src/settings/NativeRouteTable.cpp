#include "NativeRouteTable.h"

#include <QLatin1StringView>

#include <array>
#include <utility>

namespace {

// In the order routes are compared; the first exact match wins.
constexpr std::array<std::pair<QLatin1StringView, NativeRouteTable::Destination>, 7> routes{{
    {QLatin1StringView("native/membership"), NativeRouteTable::Membership},
    {QLatin1StringView("native/orders"), NativeRouteTable::Orders},
    {QLatin1StringView("native/wrong-book"), NativeRouteTable::WrongBook},
    {QLatin1StringView("native/inbox"), NativeRouteTable::Inbox},
    {QLatin1StringView("native/profile-birth"), NativeRouteTable::ProfileBirth},
    {QLatin1StringView("native/memories"), NativeRouteTable::Memories},
    {QLatin1StringView("native/study-limits"), NativeRouteTable::StudyLimits},
}};

} // namespace

NativeRouteTable::Destination NativeRouteTable::destination(const QString &route) {
    for (const auto &[text, destination] : routes) {
        if (route.compare(text, Qt::CaseSensitive) == 0)
            return destination;
    }
    return Unavailable;
}

NativeRouteTable::Destination NativeRouteTable::quickActionDestination(const QString &route) {
    return route == reportRoute ? StudyReport : destination(route);
}
