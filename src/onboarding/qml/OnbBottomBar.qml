import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Onboarding

// The foot of an onboarding page: the primary button and, when `secondary` is given, a quiet text button
// under it. While `busy` the primary button shows a spinner before its text and neither button can be pressed,
// so a running action can be neither started twice nor abandoned half way.
Item {
    id: bar

    property string primary
    // Empty: no secondary button.
    property string secondary
    property bool busy: false
    signal primaryAction()
    signal secondaryAction()

    implicitWidth: 360
    implicitHeight: column.implicitHeight + 18

    BrandShadow {
        anchors.fill: parent
        color: Theme.withOpacity(Theme.brandNavy, 0.06)
        blur: 10
        offsetY: -4
    }
    Rectangle {
        anchors.fill: parent
        color: Theme.brandMist
    }

    ColumnLayout {
        id: column

        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.leftMargin: 20
        anchors.rightMargin: 20
        anchors.topMargin: 12
        spacing: 6

        BrandPrimaryButton {
            id: primaryButton

            objectName: "primaryButton"
            Layout.fillWidth: true
            text: bar.primary
            styleEnabled: !bar.busy
            enabled: !bar.busy
            onClicked: bar.primaryAction()

            contentItem: Item {
                implicitWidth: label.implicitWidth
                implicitHeight: label.implicitHeight

                Row {
                    anchors.centerIn: parent
                    spacing: 8

                    BrandSpinner {
                        objectName: "primarySpinner"
                        anchors.verticalCenter: parent.verticalCenter
                        visible: bar.busy
                        size: 18
                        color: "white"
                    }
                    Text {
                        id: label

                        anchors.verticalCenter: parent.verticalCenter
                        text: bar.primary
                        textFormat: Text.PlainText
                        font: primaryButton.font
                        color: "white"
                    }
                }
            }
        }

        T.AbstractButton {
            id: secondaryButton

            objectName: "secondaryButton"
            Layout.alignment: Qt.AlignHCenter
            visible: bar.secondary.length > 0
            enabled: !bar.busy
            topPadding: 6
            bottomPadding: 6
            leftPadding: 12
            rightPadding: 12
            implicitWidth: implicitContentWidth + leftPadding + rightPadding
            implicitHeight: implicitContentHeight + topPadding + bottomPadding
            text: bar.secondary
            Accessible.name: bar.secondary
            onClicked: bar.secondaryAction()

            contentItem: Text {
                text: secondaryButton.text
                textFormat: Text.PlainText
                font.pixelSize: 15
                font.weight: Font.Medium
                color: Theme.brandMuted
                opacity: secondaryButton.enabled ? (secondaryButton.down ? 0.6 : 1) : 0.5
            }
            background: Item {}

            HoverHandler {
                cursorShape: secondaryButton.enabled ? Qt.PointingHandCursor : Qt.ArrowCursor
            }

            FocusRing {}
        }
    }
}
