import QtQuick
import Quorvel.Ui
import Quorvel.Home

// The home page's menu under the bar's "…" button: edit the layout, restore it, load it again. Give it the
// bar as its parent; it hangs below the bar's trailing end.
MenuPopup {
    id: menu

    required property HomeLayoutStore store
    required property var texts

    objectName: "homeMenu"
    x: parent ? parent.width - width - 10 : 0
    y: parent ? parent.height - 4 : 0
    implicitWidth: 200
    entries: [
        { "text": menu.texts.edit, "name": "editEntry" },
        { "text": menu.texts.restore, "name": "restoreEntry" },
        { "text": menu.texts.refresh, "name": "refreshEntry" }
    ]
    onTriggered: index => index === 0 ? menu.store.beginEditing()
                         : index === 1 ? menu.store.requestRestore()
                         : menu.store.requestLoad()
}
