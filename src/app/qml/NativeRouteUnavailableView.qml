import QtQuick
import QtQuick.Controls.Basic
import Quorvel.Ui
import Quorvel.App

// The page of a route this version does not know: it asks the learner to update, with no action of its
// own. Pushed on a StackView with no arguments; popped by its back control. Outside a StackView the back
// control emits closeRequested().
Page {
    id: page

    signal closeRequested()

    function leave() {
        const view = page.StackView.view
        if (view && page.StackView.index > 0)
            view.pop(view.get(page.StackView.index - 1))
        else
            page.closeRequested()
    }

    background: Rectangle { color: Theme.groupedBackground }

    header: NavigationBar {
        showsBack: page.StackView.view === null || page.StackView.index > 0
        onBackRequested: page.leave()
    }

    EmptyState {
        objectName: "routeUnavailable"
        anchors.centerIn: parent
        width: Math.min(parent.width - 48, 420)
        symbol: DestinationTable.unavailableSymbol
        title: DestinationTable.unavailableTitle
        message: DestinationTable.unavailableMessage
    }
}
