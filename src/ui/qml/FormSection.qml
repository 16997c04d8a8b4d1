import QtQuick
import QtQuick.Layouts
import Quorvel.Ui

// A group of rows on a grouped page: an optional header above, the rows on one rounded card with hairlines
// between them, an optional footer below. Rows (FormRow, FormToggleRow, or any item) are its children.
ColumnLayout {
    id: section

    property string header
    property color headerColor: Theme.secondaryLabel
    property string footer
    default property alias rows: rowColumn.data

    spacing: 6

    Text {
        Layout.fillWidth: true
        Layout.leftMargin: 16
        visible: text.length > 0
        text: section.header
        textFormat: Text.PlainText
        font.pixelSize: 13
        color: section.headerColor
        wrapMode: Text.Wrap
    }

    Rectangle {
        Layout.fillWidth: true
        implicitHeight: rowColumn.implicitHeight
        radius: 12
        color: Theme.secondaryGroupedBackground
        clip: true

        Column {
            id: rowColumn

            width: parent.width

            // The last visible row draws no hairline.
            function updateSeparators() {
                let last = null
                for (let i = 0; i < children.length; ++i) {
                    const row = children[i]
                    if (row.showsSeparator !== undefined && row.visible) {
                        row.showsSeparator = true
                        last = row
                    }
                }
                if (last)
                    last.showsSeparator = false
            }
            onChildrenChanged: updateSeparators()
            onVisibleChildrenChanged: updateSeparators()
            onWidthChanged: {
                for (let i = 0; i < children.length; ++i)
                    children[i].width = width
            }
        }
    }

    Text {
        Layout.fillWidth: true
        Layout.leftMargin: 16
        visible: text.length > 0
        text: section.footer
        textFormat: Text.PlainText
        font.pixelSize: 13
        color: Theme.secondaryLabel
        wrapMode: Text.Wrap
    }
}
