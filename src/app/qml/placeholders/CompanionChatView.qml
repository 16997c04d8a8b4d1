import QtQuick
import QtQuick.Controls.Basic
import Quorvel.Core
import Quorvel.Ui

PlaceholderPage {
    id: page

    required property AppSession session
    property string scene: "companion"
    // What the question-and-answer tab opens the chat with: the learner's first message, the subject code
    // and the page's title (empty for none).
    property string initialMessage
    property string subject
    property string navigationTitle

    heading: "发现"

    // Pushed from another screen (the learning path's robot banner): a way back.
    ToolButton {
        visible: page.StackView.index > 0
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.margins: 8
        onClicked: page.StackView.view.pop()
        contentItem: SymbolIcon {
            symbol: "chevron.left"
            size: 22
            color: Theme.brandTeal
        }
    }
}
