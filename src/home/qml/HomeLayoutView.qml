import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Home

// The "首页" tab's root page: the brand header and the page menu, the page (companion header, search, card
// grid) or, while editing, the layout editor; pull, the mouse wheel past the top or F5 reload. Everything the
// page opens it asks the router that holds it for (`openRequested`, `chatRequested`). Pages opened from the
// tool dock record "home_tool_click" each time they come on top.
Page {
    id: root

    required property AppSession session
    readonly property alias viewModel: vm
    readonly property HomeLayoutStore store: vm.store
    readonly property var texts: vm.texts

    // A tool of the dock ("photo", "plan", ...) or a card's own screen (by its type) was chosen; each is then
    // asked of the router as its destination (`openRequested`). The companion chat is asked directly.
    signal toolRequested(string key)
    signal cardRequested(string type)
    signal openRequested(int destination, var properties)
    signal chatRequested(string scene, string initialMessage)

    onToolRequested: key => {
        root.pendingTool = key
        root.openRequested(HomeTools.destination(key), HomeTools.openProperties(key))
        root.pendingTool = ""
    }
    onCardRequested: type => root.openRequested(HomeTools.cardDestination(type), HomeTools.cardProperties(type))

    // The router's word on its stack: a page this one asked for was pushed, a page became the current one,
    // a page left the stack.
    property string pendingTool: ""
    function pageOpened(page) {
        if (root.pendingTool.length > 0)
            visits.opened(page, root.pendingTool)
    }
    function pageShown(page) {
        visits.shown(page)
    }
    function pageClosed(destination) {
        // Leaving the chat the search opened ends that search.
        if (destination === Destination.Chat)
            root.searchChatClosed()
    }

    ToolVisits {
        id: visits
    }
    // The chat opened by the search section was left again.
    function searchChatClosed() {
        const section = content.item ? content.item.searchSection : null
        if (section)
            section.chatClosed()
    }

    HomeLayoutViewModel {
        id: vm
        session: root.session
    }

    // On screen: shown in a window (the tab selected, nothing pushed over it). Each coming on screen loads
    // the layout again; going off screen drops the loads under way.
    property bool ready: false
    readonly property bool onScreen: ready && visible && Window.window !== null
    onOnScreenChanged: onScreen ? vm.appear() : vm.disappear()
    Component.onCompleted: Qt.callLater(() => { root.ready = true })

    background: Rectangle {
        color: Theme.groupedBackground
    }

    header: NavigationBar {
        id: bar

        title: root.store.editing ? root.texts.editTitle : ""
        trailing: [
            T.AbstractButton {
                id: menuButton

                objectName: "homeMenuButton"
                implicitWidth: 40
                implicitHeight: 40
                visible: !root.store.editing
                Accessible.name: root.texts.menu
                onClicked: menu.open()

                contentItem: SymbolIcon {
                    symbol: "ellipsis.circle"
                    size: 24
                    color: Theme.brandTeal
                    opacity: menuButton.down ? 0.5 : 1
                }
                background: Item {}

                HoverHandler {
                    cursorShape: Qt.PointingHandCursor
                }

                FocusRing {}
            },
            HomeBarButton {
                objectName: "homeSaveButton"
                visible: root.store.editing
                text: root.texts.save
                bold: true
                enabled: !root.store.saving
                onClicked: root.store.requestSave()
            }
        ]

        // The brand at the leading end, or "取消" while editing.
        RowLayout {
            objectName: "homeBrand"
            anchors.left: parent.left
            anchors.leftMargin: 16
            anchors.verticalCenter: parent.verticalCenter
            spacing: 8
            visible: !root.store.editing
            Accessible.role: Accessible.StaticText
            Accessible.name: root.texts.brand

            BrandLogo {
                Layout.preferredWidth: 30
                Layout.preferredHeight: 30
                radius: 8
            }
            Text {
                text: root.texts.brand
                textFormat: Text.PlainText
                font.pixelSize: 19
                font.weight: Font.Black
                color: Theme.ink
            }
        }
        HomeBarButton {
            objectName: "homeCancelButton"
            anchors.left: parent.left
            anchors.leftMargin: 8
            anchors.verticalCenter: parent.verticalCenter
            visible: root.store.editing
            text: root.texts.cancel
            onClicked: root.store.cancelEditing()
        }

        // The menu is loaded by its file on the first press of its button and kept: named here as a type, it
        // would be loaded and made with the page, before the first frame of every signed-in start.
        Loader {
            id: menu

            objectName: "homeMenuLoader"

            function open() {
                if (!item)
                    setSource("qrc:/qt/qml/Quorvel/Home/HomeMenu.qml",
                              { "parent": bar, "store": root.store, "texts": root.texts })
                item.open()
            }
        }
    }

    Loader {
        id: content

        anchors.fill: parent
        active: !root.store.editing
        sourceComponent: homePage
    }

    // The editor is loaded by its file when editing begins and dropped when it ends: named here as a type, it
    // would be loaded with the home page, before the first frame of every signed-in start.
    Loader {
        id: editor

        objectName: "homeEditorLoader"
        anchors.fill: parent

        readonly property bool wanted: root.store.editing
        function show() {
            if (wanted && !item)
                setSource("qrc:/qt/qml/Quorvel/Home/HomeLayoutEditor.qml",
                          { "store": root.store, "texts": root.texts })
            else if (!wanted)
                source = ""
        }
        onWantedChanged: show()
        Component.onCompleted: show()
    }

    Component {
        id: homePage

        HomePageContent {
            session: root.session
            store: root.store
            viewModel: vm
            refreshEnabled: root.onScreen
            onToolRequested: key => root.toolRequested(key)
            onCardRequested: type => root.cardRequested(type)
            onChatRequested: (scene, initialMessage) => root.chatRequested(scene, initialMessage)
        }
    }

    // The page's alert, loaded by its file the first time the store has something to say and kept.
    Loader {
        id: alert

        objectName: "homeAlertLoader"
        anchors.fill: parent

        readonly property bool wanted: root.store.hasErrorMessage
        function show() {
            if (wanted && !item)
                setSource("qrc:/qt/qml/Quorvel/Ui/Alert.qml",
                          { "objectName": "homeAlert", "title": root.texts.alertTitle,
                            "message": root.store.errorMessage, "buttonText": root.texts.alertButton,
                            "visible": true })
        }
        onWantedChanged: show()
        Component.onCompleted: show()
    }
    Binding {
        target: alert.item
        when: alert.item !== null
        property: "message"
        value: root.store.errorMessage
    }
    Binding {
        target: alert.item
        when: alert.item !== null
        property: "visible"
        value: root.store.hasErrorMessage
    }
    Connections {
        target: alert.item
        function onDismissed() { root.store.clearErrorMessage() }
    }
}
