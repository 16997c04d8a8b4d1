import QtQuick
import QtQuick.Layouts
import Quorvel.Core
import Quorvel.Home

// The home cards in `columns` equal columns 12 apart, rows 12 apart, in the layout's order; "L" and "S"
// cards take two columns. A card that does not fit in what is left of a row starts the next one.
GridLayout {
    id: grid

    property alias model: cards.model
    property AppSession session
    // The width the grid is given. Cells are sized from it rather than from the grid's own width, which
    // follows the cells' widths.
    property real availableWidth: 320
    readonly property real columnWidth: (availableWidth - (columns - 1) * columnSpacing) / columns

    signal toolRequested(string key)
    signal cardRequested(string type)

    columns: 2
    columnSpacing: 12
    rowSpacing: 12

    Repeater {
        id: cards

        HomeCardView {
            readonly property int cells: Math.min(span, grid.columns)

            Layout.columnSpan: cells
            Layout.fillWidth: true
            Layout.preferredWidth: cells * grid.columnWidth + (cells - 1) * grid.columnSpacing
            Layout.maximumWidth: Layout.preferredWidth
            Layout.fillHeight: true
            session: grid.session
            onToolRequested: key => grid.toolRequested(key)
            onCardRequested: type => grid.cardRequested(type)
        }
    }
}
