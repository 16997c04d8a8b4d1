import QtQuick
import QtQuick.Controls.Basic
import Quorvel.Ui

// The placeholder page of a tool that has no page yet: its title in the bar and, in the middle, an hourglass
// over the title and a short note. Pushed on a StackView with {"title", "note"}; popped by its back control.
// Outside a StackView the back control emits closeRequested().
Page {
    id: page

    property string note
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
        title: page.title
        // The first page of a stack has nowhere to go back to.
        showsBack: page.StackView.view === null || page.StackView.index > 0
        onBackRequested: page.leave()
    }

    EmptyState {
        objectName: "comingSoonContent"
        anchors.centerIn: parent
        width: Math.min(parent.width - 48, 420)
        symbol: "hourglass"
        title: page.title
        message: page.note
    }
}
