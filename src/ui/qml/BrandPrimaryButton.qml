import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui

// The primary action of a screen: bold white label on the brand gradient with a teal glow, or on a faint
// grey without glow when `styleEnabled` is false. The look does not disable the button: a screen whose
// action can be unavailable binds `enabled` to the same condition. While pressed it shrinks slightly.
T.Button {
    id: control

    property bool styleEnabled: true
    // Shows a spinner in place of the label, keeping the button's size.
    property bool busy: false

    Layout.fillWidth: true
    implicitWidth: Math.max(implicitBackgroundWidth, implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    topPadding: 15
    bottomPadding: 15
    leftPadding: 0
    rightPadding: 0

    font.pixelSize: 17
    font.bold: true

    scale: down ? 0.98 : 1
    Behavior on scale {
        NumberAnimation {
            duration: 150
            easing.type: Easing.BezierSpline
            easing.bezierCurve: [0, 0, 0.58, 1, 1, 1] // ease-out
        }
    }

    HoverHandler {
        cursorShape: control.enabled ? Qt.PointingHandCursor : Qt.ArrowCursor
    }
    FocusRing {
        radius: 16
    }

    contentItem: Item {
        implicitWidth: label.implicitWidth
        implicitHeight: label.implicitHeight

        Text {
            id: label

            anchors.fill: parent
            text: control.text
            font: control.font
            color: "white"
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            wrapMode: Text.Wrap
            opacity: control.busy ? 0 : 1
        }

        BrandSpinner {
            anchors.centerIn: parent
            size: 20
            color: "white"
            visible: control.busy
        }
    }

    background: Item {
        BrandShadow {
            anchors.fill: parent
            visible: control.styleEnabled
            cornerRadius: 16
            color: Qt.rgba(Theme.brandTeal.r, Theme.brandTeal.g, Theme.brandTeal.b, 0.35)
            blur: 12
            offsetY: 6
        }

        Rectangle {
            anchors.fill: parent
            radius: 16
            visible: control.styleEnabled
            gradient: BrandGradientAlt {}
        }

        Rectangle {
            anchors.fill: parent
            radius: 16
            visible: !control.styleEnabled
            color: "#8E8E93" // the system grey
            opacity: 0.35
        }
    }
}
