import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui

// One card of the guest home's grids: picture, title and a one-line subtitle on a white rounded card.
// Compact cards (the safety promises) have a smaller picture.
T.AbstractButton {
    id: card

    property url image
    property string title
    property string detail
    property bool compact: false

    implicitHeight: content.implicitHeight + topPadding + bottomPadding
    padding: 14
    opacity: down ? 0.75 : 1
    Accessible.name: title

    HoverHandler {
        cursorShape: Qt.PointingHandCursor
    }

    background: Item {
        BrandShadow {
            anchors.fill: parent
            cornerRadius: 18
            color: Qt.rgba(Theme.brandNavy.r, Theme.brandNavy.g, Theme.brandNavy.b, 0.08)
            blur: 10
            offsetY: 4
        }
        Rectangle {
            anchors.fill: parent
            radius: 18
            color: "white"
        }
    }

    contentItem: ColumnLayout {
        id: content

        spacing: 8

        RoundedPicture {
            Layout.preferredWidth: card.compact ? 48 : 60
            Layout.preferredHeight: card.compact ? 48 : 60
            source: card.image
            radius: 14
        }
        Text {
            Layout.fillWidth: true
            text: card.title
            textFormat: Text.PlainText
            font.pixelSize: 15
            font.bold: true
            color: Theme.brandNavy
            elide: Text.ElideRight
        }
        Text {
            Layout.fillWidth: true
            text: card.detail
            textFormat: Text.PlainText
            font.pixelSize: 12
            color: Theme.brandMuted
            wrapMode: Text.Wrap
            maximumLineCount: 2
            elide: Text.ElideRight
        }
    }

    FocusRing {}
}
