import QtQuick

// A list whose rows are never highlighted. A ListView otherwise keeps an unseen highlight on its first row
// and, whenever the list's width changes (made, laid out, the window resized), grows that highlight to the
// new width at 400 pixels a second: seconds of redrawing the window as fast as it can, with nothing to see.
ListView {
    highlightFollowsCurrentItem: false
}
