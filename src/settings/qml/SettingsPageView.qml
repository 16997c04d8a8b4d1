import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Quorvel.Platform
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Settings

// The body of a loaded settings page: on the root page the profile card and the shortcut tiles, then one
// card per section that has rows to draw, then the footer with the version and the help line. Taps that
// lead elsewhere are asked of the router (`openRequested(destination, properties)`: a nested settings page
// with its "pageId", or a native route with its "route"); "退出登录" asks "确定退出登录？" first.
Flickable {
    id: page

    required property SettingsStore store
    property AppSession session: store ? store.session : null
    readonly property alias viewModel: vm
    readonly property real paddedWidth: Math.min(width, 760)

    signal openRequested(int destination, var properties)

    objectName: "settingsPage"
    clip: true
    contentWidth: width
    contentHeight: content.implicitHeight + 32
    boundsBehavior: Flickable.StopAtBounds
    ScrollBar.vertical: ScrollBar { policy: ScrollBar.AlwaysOn }

    SettingsPageViewModel {
        id: vm
        store: page.store
    }

    ColumnLayout {
        id: content

        x: (page.width - page.paddedWidth) / 2 + 16
        y: 16
        width: page.paddedWidth - 32
        spacing: 20

        ProfileHeaderCard {
            objectName: "profileHeaderCard"
            Layout.fillWidth: true
            visible: vm.isRoot
            session: page.session
        }
        SettingsQuickActions {
            objectName: "settingsQuickActions"
            Layout.fillWidth: true
            visible: vm.isRoot
            onActionTriggered: (route, destination, properties) => page.openRequested(destination, properties)
        }

        Repeater {
            model: vm.sections

            ColumnLayout {
                id: section

                required property string sectionId
                required property string title
                required property var rows

                objectName: "settingsSection"
                Layout.fillWidth: true
                spacing: 8

                Text {
                    Layout.leftMargin: 6
                    visible: section.title.length > 0
                    text: section.title
                    textFormat: Text.PlainText
                    font.pixelSize: 13
                    font.bold: true
                    color: Theme.brandMuted
                }

                Item {
                    Layout.fillWidth: true
                    implicitHeight: card.implicitHeight

                    BrandShadow {
                        anchors.fill: parent
                        cornerRadius: 18
                        color: Theme.withOpacity(Theme.brandNavy, 0.06)
                        blur: 10
                        offsetY: 4
                    }
                    Rectangle {
                        anchors.fill: parent
                        radius: 18
                        color: Theme.secondaryGroupedBackground
                    }
                    Column {
                        id: card

                        width: parent.width

                        Repeater {
                            model: section.rows

                            SettingsRow {
                                width: card.width
                                onNavigate: (destination, properties) => page.openRequested(destination, properties)
                                onSwitched: (sectionIndex, itemIndex, value) => vm.toggle(sectionIndex, itemIndex, value)
                                onActionTriggered: action => vm.activate(action)
                                onLinkOpened: url => LinkOpener.open(url)
                            }
                        }
                    }
                }
            }
        }

        Column {
            objectName: "settingsFooter"
            Layout.fillWidth: true
            Layout.topMargin: 4
            spacing: 4

            Repeater {
                model: [vm.footerVersion, vm.footerHelp]

                Text {
                    required property string modelData

                    width: parent.width
                    text: modelData
                    textFormat: Text.PlainText
                    font.pixelSize: 11
                    color: Theme.brandMuted
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                }
            }
        }
    }

    Alert {
        objectName: "logoutConfirm"
        title: "确定退出登录？"
        buttons: [
            { "text": "退出登录", "role": "destructive" },
            { "text": "取消", "role": "cancel" }
        ]
        visible: vm.confirmLogout
        onTriggered: index => { if (index === 0) vm.signOut() }
        onDismissed: vm.dismissLogout()
    }
}
