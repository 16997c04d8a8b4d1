import QtQuick
import QtQuick.Layouts
import Quorvel.Ui
import Quorvel.Onboarding

// The white section that frames one question of an onboarding page: an optional title row (with a small
// trailing note such as "选填"), the caller's content, and an optional hint under it. Give it a width; the
// children are laid out top to bottom across it and the card is as tall as they are.
Item {
    id: card

    // Empty texts are left out: no title row without a title, no hint row without a hint.
    property string title
    property string trailing
    property string hint
    default property alias content: body.data

    implicitWidth: 320
    implicitHeight: column.implicitHeight + 36

    BrandShadow {
        anchors.fill: parent
        cornerRadius: 22
        color: Theme.withOpacity(Theme.brandNavy, 0.07)
        blur: 14
        offsetY: 6
    }
    Rectangle {
        anchors.fill: parent
        radius: 22
        color: "white"
    }

    ColumnLayout {
        id: column

        x: 18
        y: 18
        width: card.width - 36
        spacing: 14

        RowLayout {
            objectName: "cardTitleRow"
            Layout.fillWidth: true
            visible: card.title.length > 0

            Text {
                Layout.fillWidth: true
                text: card.title
                textFormat: Text.PlainText
                font.pixelSize: 16
                font.bold: true
                color: Theme.brandNavyDeep
                elide: Text.ElideRight
            }
            Text {
                objectName: "cardTrailing"
                visible: card.trailing.length > 0
                text: card.trailing
                textFormat: Text.PlainText
                font.pixelSize: 12
                color: Theme.brandMuted
            }
        }

        ColumnLayout {
            id: body

            Layout.fillWidth: true
            spacing: 14
        }

        RowLayout {
            objectName: "cardHint"
            Layout.fillWidth: true
            visible: card.hint.length > 0
            spacing: 6

            SymbolIcon {
                Layout.alignment: Qt.AlignTop
                symbol: "info.circle"
                size: 12
                color: Theme.brandMuted
            }
            Text {
                Layout.fillWidth: true
                text: card.hint
                textFormat: Text.PlainText
                font.pixelSize: 13 // 12.5, rounded to whole pixels
                color: Theme.brandMuted
                wrapMode: Text.Wrap
            }
        }
    }
}
