import QtQml
import Quorvel.Core
import Quorvel.App

// Turns one "native/" route into the screen it names, through the router's one table: the screen is built
// with the session alone and in its initial state, so nothing of the route reaches it; a route this build
// does not know names the page that asks the learner to update. The router pushes `page` with `properties`
// onto the stack of whoever asked, so the screen is a page of that stack like any other.
QtObject {
    required property string route
    required property AppSession session

    readonly property var opening: DestinationTable.resolve(Destination.NativeRoute, { "route": route }, session)
    readonly property int destination: opening.destination
    readonly property url page: opening.page
    readonly property var properties: opening.properties
}
