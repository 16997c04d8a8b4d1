import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Home

// The home page's search block: the search row (type, then return or "问一问"), and the "大家都在问" row of
// hot questions, which scrolls sideways (the mouse wheel scrolls it too). Every question goes to the chat:
// chatRequested(text) asks the home screen to push it, and the screen calls chatClosed() when the learner
// comes back.
Item {
    id: section

    property real horizontalPadding: 16
    readonly property alias viewModel: vm
    signal chatRequested(string text)

    function chatClosed() {
        vm.chatClosed()
    }

    implicitWidth: 390
    implicitHeight: column.implicitHeight

    HomeSearchViewModel {
        id: vm
        onChatRequested: (text) => section.chatRequested(text)
    }

    Connections {
        target: vm

        // A sent question puts the keyboard away.
        function onFocusedChanged() {
            if (!vm.focused && field.activeFocus)
                field.focus = false
        }
    }

    ColumnLayout {
        id: column

        width: section.width
        spacing: 10

        T.Control {
            objectName: "searchRow"
            Layout.fillWidth: true
            Layout.leftMargin: section.horizontalPadding
            Layout.rightMargin: section.horizontalPadding
            leftPadding: 14
            rightPadding: 14
            topPadding: 12
            bottomPadding: 12
            implicitHeight: searchContent.implicitHeight + topPadding + bottomPadding

            background: HomeCardSurface {}

            contentItem: RowLayout {
                id: searchContent

                spacing: 10

                SymbolIcon {
                    symbol: "magnifyingglass"
                    size: 20
                    color: Theme.brandTeal
                }
                TextField {
                    id: field

                    objectName: "searchField"
                    Layout.fillWidth: true
                    implicitHeight: 30
                    padding: 0
                    placeholderText: "搜知识点、问题，或直接问伙伴"
                    placeholderTextColor: Theme.secondaryLabel
                    text: vm.query
                    onTextEdited: vm.query = text
                    onActiveFocusChanged: vm.focused = activeFocus
                    onAccepted: vm.submit(text, "input")
                    EnterKey.type: Qt.EnterKeySearch
                    font.pixelSize: 15
                    color: Theme.label
                    selectByMouse: true
                    background: Item {}
                    Accessible.name: placeholderText

                    FocusRing {
                        activatesOnKeys: false
                    }
                }
                T.AbstractButton {
                    id: ask

                    objectName: "askButton"
                    visible: vm.askButtonVisible
                    // Tapping it must not take the focus from the field: a blank question keeps the field as it was.
                    // Tab still reaches it.
                    focusPolicy: Qt.TabFocus
                    leftPadding: 12
                    rightPadding: 12
                    topPadding: 6
                    bottomPadding: 6
                    implicitWidth: askText.implicitWidth + leftPadding + rightPadding
                    implicitHeight: askText.implicitHeight + topPadding + bottomPadding
                    text: "问一问"
                    Accessible.name: text
                    onClicked: vm.submit(field.text, "button")

                    HoverHandler {
                        cursorShape: Qt.PointingHandCursor
                    }

                    contentItem: Text {
                        id: askText

                        text: ask.text
                        textFormat: Text.PlainText
                        font.pixelSize: 13
                        font.bold: true
                        color: "white"
                    }
                    background: Rectangle {
                        radius: height / 2
                        color: Theme.brandTeal
                        opacity: ask.down ? 0.75 : 1
                    }

                    FocusRing {}
                }
            }
        }

        Row {
            objectName: "hotHeader"
            Layout.leftMargin: section.horizontalPadding
            spacing: 6
            Accessible.role: Accessible.StaticText
            Accessible.name: "大家都在问"

            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                symbol: "flame.fill"
                size: 14
                color: Theme.orange
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: "大家都在问"
                textFormat: Text.PlainText
                font.pixelSize: 12
                font.bold: true
                color: Theme.secondaryLabel
                Accessible.ignored: true
            }
        }

        Item {
            Layout.fillWidth: true
            implicitHeight: chips.implicitHeight

            Flickable {
                id: chipRow

                objectName: "keywordRow"
                // Within the page's column, as wide as the search row above: on a wide window the chips
                // scroll under the column's edges, not past them.
                anchors.fill: parent
                anchors.leftMargin: section.horizontalPadding
                anchors.rightMargin: section.horizontalPadding
                contentWidth: chips.implicitWidth
                contentHeight: height
                flickableDirection: Flickable.HorizontalFlick
                boundsBehavior: Flickable.StopAtBounds
                clip: true

                Row {
                    id: chips

                    spacing: 8

                    Repeater {
                        model: vm.hotKeywords

                        T.AbstractButton {
                            id: chip

                            required property int index
                            required property string keywordText

                            objectName: "keywordChip"
                            // Reached by Tab; a tap leaves the focus where it was, as the ask button does.
                            focusPolicy: Qt.TabFocus
                            leftPadding: 12
                            rightPadding: 12
                            topPadding: 7
                            bottomPadding: 7
                            implicitWidth: chipText.implicitWidth + leftPadding + rightPadding
                            implicitHeight: chipText.implicitHeight + topPadding + bottomPadding
                            Accessible.name: keywordText
                            onClicked: vm.tapKeyword(index)

                            HoverHandler {
                                cursorShape: Qt.PointingHandCursor
                            }

                            contentItem: Text {
                                id: chipText

                                text: chip.keywordText
                                textFormat: Text.PlainText
                                font.pixelSize: 13
                                font.weight: Font.DemiBold
                                color: Theme.ink
                            }
                            background: Rectangle {
                                radius: height / 2
                                color: Theme.withOpacity(Theme.brandMint, chip.down ? 0.35 : 0.22)
                                border.width: 1
                                border.color: Theme.withOpacity(Theme.brandTeal, 0.25)
                            }

                            FocusRing {}
                        }
                    }
                }
            }

            // A desktop wheel turns vertically: over this row it scrolls the chips sideways. Once the row is at
            // its end (or when it all fits), the turn goes on to the page around it.
            MouseArea {
                anchors.fill: parent
                acceptedButtons: Qt.NoButton
                onWheel: (wheel) => {
                    const target = vm.chipRowOffset(chipRow.contentX, -chipRow.leftMargin,
                                                    chipRow.contentWidth + chipRow.rightMargin - chipRow.width,
                                                    wheel.angleDelta, wheel.pixelDelta)
                    if (target === chipRow.contentX)
                        wheel.accepted = false
                    else
                        chipRow.contentX = target
                }
            }
        }
    }
}
