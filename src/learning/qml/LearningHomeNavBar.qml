import QtQuick
import QtQuick.Templates as T
import Quorvel.Ui

// The learning tab's title bar: the title in the middle and, while there is a path, the "…" menu at the
// trailing end with the view-model's two entries.
NavigationBar {
    id: bar

    property bool menuVisible: false
    property string menuSymbol
    property string switchLabel
    property string refreshLabel
    signal switchTriggered()
    signal refreshTriggered()

    trailing: [
        T.AbstractButton {
            id: menuButton

            objectName: "learningMenuButton"
            implicitWidth: 40
            implicitHeight: 40
            visible: bar.menuVisible
            Accessible.name: "更多"
            onClicked: menu.open()

            contentItem: SymbolIcon {
                symbol: bar.menuSymbol
                size: 24
                color: Theme.brandTeal
                opacity: menuButton.down ? 0.5 : 1
            }
            background: Item {}

            HoverHandler {
                cursorShape: Qt.PointingHandCursor
            }

            FocusRing {}
        }
    ]

    MenuPopup {
        id: menu

        objectName: "learningMenu"
        x: bar.width - width - 10
        y: bar.height - 4
        implicitWidth: 200
        entries: [
            { "text": bar.switchLabel, "name": "switchEntry" },
            { "text": bar.refreshLabel, "name": "refreshEntry" }
        ]
        onTriggered: index => index === 0 ? bar.switchTriggered() : bar.refreshTriggered()
    }
}
