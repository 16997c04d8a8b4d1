import QtQuick
import QtQuick.Layouts
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Guest

// The course catalogue sheet of the guest home: loads the chapters and their knowledge points when it
// appears and shows one card per chapter. Its presenter makes and opens a fresh sheet each time, which loads
// everything again; closing drops a load under way without a word.
BottomSheet {
    id: root

    // The guest pages keep their brand page in either scheme.
    pageColor: Theme.brandMist

    required property AppSession session
    signal loginRequested()

    readonly property alias viewModel: vm

    title: vm.title
    closeLabel: vm.closeLabel
    // One height only: nothing to drag.
    showsHandle: false
    allowsMedium: false
    // Edge to edge, the content column centred in it, as the guest home's other surfaces.
    maximumWidth: Infinity

    GuestCatalogueViewModel {
        id: vm
        session: root.session
    }

    Component.onCompleted: vm.load()
    Component.onDestruction: vm.cancel()

    ColumnLayout {
        x: (parent.width - width) / 2
        width: Math.min(parent.width - 40, 720)
        spacing: 14

        Item {
            Layout.preferredHeight: 6
        }

        Text {
            Layout.fillWidth: true
            text: vm.introduction
            textFormat: Text.PlainText
            font.pixelSize: 15
            color: Theme.brandMuted
            wrapMode: Text.Wrap
        }

        // Loading
        ColumnLayout {
            objectName: "catalogueLoading"
            Layout.fillWidth: true
            Layout.topMargin: 40
            visible: vm.loading
            spacing: 10

            BrandSpinner {
                Layout.alignment: Qt.AlignHCenter
                size: 26
                color: Theme.brandMuted
                running: vm.loading
            }
            Text {
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                text: vm.loadingLabel
                textFormat: Text.PlainText
                font.pixelSize: 15
                color: Theme.brandMuted
            }
        }

        // Failed
        EmptyState {
            objectName: "catalogueFailure"
            Layout.fillWidth: true
            Layout.topMargin: 40
            Layout.bottomMargin: 20
            visible: !vm.loading && vm.failed
            symbol: "wifi.exclamationmark"
            symbolColor: Theme.brandMuted
            title: vm.failureTitle
            titleColor: "black"
            message: vm.error
            messageColor: Theme.brandMuted
        }

        Repeater {
            model: vm.chapters

            GuestChapterCard {
                required property var modelData

                Layout.fillWidth: true
                chapter: modelData
                loginLabel: vm.loginLabel
                onLoginRequested: root.loginRequested()
            }
        }

        Item {
            Layout.preferredHeight: 6
        }
    }
}
