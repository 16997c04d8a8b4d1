import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Home

// The home page itself, in one scrolling column at most 900 wide: the companion header (when the layout has
// one), the search section, then the card grid, "加载首页…" while the first layout is on its way, and the
// footnote while the built-in layout is shown.
Flickable {
    id: flick

    required property AppSession session
    required property HomeLayoutStore store
    required property HomeLayoutViewModel viewModel
    property bool refreshEnabled: true
    readonly property alias searchSection: search
    readonly property alias grid: grid

    signal toolRequested(string key)
    signal cardRequested(string type)
    signal chatRequested(string scene, string initialMessage)

    objectName: "homeFlickable"
    contentWidth: width
    contentHeight: column.y + column.implicitHeight + 16
    boundsBehavior: Flickable.DragOverBounds
    ScrollBar.vertical: ScrollBar {
        policy: ScrollBar.AsNeeded
    }

    RefreshControl {
        flickable: flick
        refreshing: flick.store.loading
        shortcutEnabled: flick.refreshEnabled
        onTriggered: flick.store.requestLoad()
    }

    ColumnLayout {
        id: column

        width: Math.min(flick.width, 900)
        x: (flick.width - width) / 2
        y: 16
        spacing: 16

        CompanionHeaderCard {
            objectName: "companionHeader"
            Layout.fillWidth: true
            Layout.leftMargin: 16
            Layout.rightMargin: 16
            visible: flick.store.hasCompanion
            session: flick.session
            greeting: flick.store.greeting
            onClicked: flick.chatRequested("home", "")
        }

        HomeSearchSection {
            id: search

            objectName: "homeSearch"
            Layout.fillWidth: true
            onChatRequested: text => flick.chatRequested("home", text)
        }

        HomeCardGrid {
            id: grid

            objectName: "homeGrid"
            Layout.preferredWidth: availableWidth
            Layout.leftMargin: 16
            Layout.rightMargin: 16
            availableWidth: column.width - 32
            visible: flick.store.hasLayout
            model: flick.store.grid
            session: flick.session
            columns: flick.viewModel.columnCount(availableWidth)
            onToolRequested: key => flick.toolRequested(key)
            onCardRequested: type => flick.cardRequested(type)
        }

        RowLayout {
            objectName: "homeLoading"
            Layout.fillWidth: true
            Layout.margins: 16
            visible: !flick.store.hasLayout && flick.store.loading
            spacing: 10

            Item {
                Layout.fillWidth: true
            }
            BrandSpinner {
                size: 20
                color: Theme.gray
            }
            Text {
                text: flick.viewModel.texts.loading
                textFormat: Text.PlainText
                font.pixelSize: 15
                color: Theme.secondaryLabel
            }
            Item {
                Layout.fillWidth: true
            }
        }

        Text {
            objectName: "homeFallbackNote"
            Layout.fillWidth: true
            Layout.leftMargin: 16
            Layout.rightMargin: 16
            visible: flick.store.usedFallback
            text: flick.viewModel.texts.fallbackNote
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font.pixelSize: 13
            color: Theme.secondaryLabel
        }
    }
}
