import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Settings

// One settings page on the "我的" tab's stack: the root page ("settings_root", with the large title) or a
// page pushed behind it. Each time it comes on screen it loads the page afresh; until a document is there it
// shows "加载中…" (or "暂无设置" before the first load). The store's messages show in the alert "提示".
// Where a row or tile leads is asked of the router with `openRequested(destination, properties)`.
Page {
    id: host

    required property AppSession session
    required property string pageId
    readonly property alias viewModel: vm

    signal openRequested(int destination, var properties)

    objectName: "settingsHost"
    title: vm.title

    SettingsHostViewModel {
        id: vm
        session: host.session
        pageId: host.pageId
    }

    // On screen: shown in a window with nothing pushed over it. Judged once the shell has settled which tab
    // is shown.
    property bool ready: false
    readonly property bool onScreen: ready && visible && Window.window !== null
                                     && (host.StackView.view === null || host.StackView.status === StackView.Active)
    onOnScreenChanged: onScreen ? vm.appear() : vm.disappear()
    Component.onCompleted: Qt.callLater(() => { host.ready = true })

    // The mist stays light in the dark scheme too, so what is drawn straight on it (titles, the footer, the
    // loading line) takes brand colours, which do not turn light with the scheme.
    background: Rectangle { color: Theme.brandMist }

    header: Loader {
        sourceComponent: vm.largeTitle ? largeTitleBar : inlineTitleBar
    }

    Component {
        id: largeTitleBar

        Item {
            implicitHeight: 64

            Text {
                objectName: "settingsLargeTitle"
                anchors.left: parent.left
                anchors.leftMargin: 20
                anchors.bottom: parent.bottom
                anchors.bottomMargin: 6
                text: host.title
                textFormat: Text.PlainText
                font.pixelSize: 34
                font.bold: true
                color: Theme.brandNavy
            }
        }
    }
    Component {
        id: inlineTitleBar

        NavigationBar {
            title: host.title
            color: Theme.brandMist
            titleColor: Theme.brandNavy
            separatorColor: Theme.brandLine
            showsBack: host.StackView.index > 0
            onBackRequested: host.StackView.view.pop()
        }
    }

    Column {
        objectName: "settingsLoading"
        anchors.centerIn: parent
        visible: vm.content === SettingsHostViewModel.Loading
        spacing: 10

        BrandSpinner {
            anchors.horizontalCenter: parent.horizontalCenter
            size: 28
            color: Theme.brandMuted
        }
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: "加载中…"
            textFormat: Text.PlainText
            font.pixelSize: 15
            color: Theme.brandMuted
        }
    }

    EmptyState {
        objectName: "settingsEmpty"
        anchors.centerIn: parent
        width: Math.min(parent.width - 32, 360)
        visible: vm.content === SettingsHostViewModel.Empty
        symbol: "gear"
        title: "暂无设置"
        titleColor: Theme.brandNavy
    }

    Loader {
        anchors.fill: parent
        active: vm.content === SettingsHostViewModel.Page
        sourceComponent: SettingsPageView {
            store: vm.store
            onOpenRequested: (destination, properties) => host.openRequested(destination, properties)
        }
    }

    Alert {
        objectName: "settingsAlert"
        message: vm.store.errorMessage
        visible: vm.store.hasErrorMessage
        onDismissed: vm.store.dismissError()
    }
}
