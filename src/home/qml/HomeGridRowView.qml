import QtQuick
import Quorvel.Core
import Quorvel.Home

// One row of the home grid: its cards side by side in `columns` equal columns 12 apart, each as wide as
// the cells it takes, all as tall as the tallest.
Item {
    id: row

    required property var cells
    property int columns: 2
    property AppSession session
    readonly property real columnWidth: (width - (columns - 1) * 12) / columns
    readonly property real tallest: {
        let height = 0
        for (let i = 0; i < cards.count; ++i) {
            const card = cards.itemAt(i)
            if (card)
                height = Math.max(height, card.implicitHeight)
        }
        return height
    }

    signal toolRequested(string key)
    signal cardRequested(string type)

    implicitHeight: tallest

    Repeater {
        id: cards

        model: row.cells

        HomeCardView {
            required property var modelData

            x: modelData.column * (row.columnWidth + 12)
            width: modelData.cells * row.columnWidth + (modelData.cells - 1) * 12
            height: row.height
            cardId: modelData.cardId
            type: modelData.type
            title: modelData.title
            size: modelData.size
            span: modelData.span
            face: modelData.face
            iconSource: modelData.iconSource
            subtitle: modelData.subtitle
            minHeight: modelData.minHeight
            session: row.session
            onToolRequested: key => row.toolRequested(key)
            onCardRequested: type => row.cardRequested(type)
        }
    }
}
