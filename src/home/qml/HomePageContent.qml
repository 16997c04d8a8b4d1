import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Home

// The home page itself, in one scrolling column at most 900 wide: the companion header (when the layout has
// one) and the search section, then the card grid one row at a time (only the rows on screen are built),
// "加载首页…" while the first layout is on its way, and the footnote while the built-in layout is shown.
PlainListView {
    id: list

    required property AppSession session
    required property HomeLayoutStore store
    required property HomeLayoutViewModel viewModel
    property bool refreshEnabled: true
    readonly property real columnWidth: Math.min(width, 900)
    readonly property real sideMargin: (width - columnWidth) / 2 + 16
    readonly property Item searchSection: headerItem ? headerItem.search : null
    readonly property int columns: viewModel.columns

    signal toolRequested(string key)
    signal cardRequested(string type)
    signal chatRequested(string scene, string initialMessage)

    objectName: "homeGrid"
    model: store.hasLayout ? viewModel.rows : null
    spacing: 12
    boundsBehavior: Flickable.DragOverBounds
    ScrollBar.vertical: ScrollBar {
        policy: ScrollBar.AsNeeded
    }

    Binding {
        target: list.viewModel
        property: "gridWidth"
        value: list.columnWidth - 32
    }

    // The page stays at its top while its header grows above the first row (the companion header arriving
    // with the layout, its robot and chips filling in): a list view keeps its first row where it was, and the
    // header would slide up under the bar. Once the learner has scrolled away, the rows stay put instead.
    property bool atTop: true
    onContentYChanged: atTop = contentY <= originY + 0.5
    onOriginYChanged: if (atTop) contentY = originY

    RefreshControl {
        flickable: list
        refreshing: list.store.loading
        shortcutEnabled: list.refreshEnabled
        onTriggered: list.store.requestLoad()
    }

    header: Item {
        id: top

        readonly property alias search: search

        width: list.width
        height: column.implicitHeight + 32

        ColumnLayout {
            id: column

            width: list.columnWidth
            x: (list.width - width) / 2
            y: 16
            spacing: 16

            // Made once the layout names a companion: the signed-in app's first frame comes while the layout
            // is still on its way, and the card (its robot, its shapes) would be made only to stay hidden.
            Loader {
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                active: list.store.hasCompanion
                visible: active

                sourceComponent: CompanionHeaderCard {
                    objectName: "companionHeader"
                    session: list.session
                    greeting: list.store.greeting
                    onClicked: list.chatRequested("home", "")
                }
            }

            HomeSearchSection {
                id: search

                objectName: "homeSearch"
                Layout.fillWidth: true
                onChatRequested: text => list.chatRequested("home", text)
            }
        }
    }

    delegate: HomeGridRowView {
        x: list.sideMargin
        width: list.columnWidth - 32
        columns: list.columns
        session: list.session
        onToolRequested: key => list.toolRequested(key)
        onCardRequested: type => list.cardRequested(type)
    }

    footer: Item {
        width: list.width
        height: footerColumn.implicitHeight + 16

        ColumnLayout {
            id: footerColumn

            width: list.columnWidth - 32
            x: list.sideMargin
            y: 12
            spacing: 16

            RowLayout {
                objectName: "homeLoading"
                Layout.fillWidth: true
                visible: !list.store.hasLayout && list.store.loading
                spacing: 10

                Item {
                    Layout.fillWidth: true
                }
                BrandSpinner {
                    size: 20
                    color: Theme.gray
                }
                Text {
                    text: list.viewModel.texts.loading
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
                visible: list.store.usedFallback
                text: list.viewModel.texts.fallbackNote
                textFormat: Text.PlainText
                wrapMode: Text.Wrap
                font.pixelSize: 13
                color: Theme.secondaryLabel
            }
        }
    }
}
