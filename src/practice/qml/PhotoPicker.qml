import QtQuick
import QtQuick.Dialogs
// Where the desktop offers no dialog of its own, Qt draws the file dialog itself on top of the folder list
// model, a module Debian ships on its own. Imported here, a missing module fails this file, which is made only
// when the learner asks for the dialog, and the screen can say so; left to the dialog, it fails inside its
// open() and takes the process down.
import Qt.labs.folderlistmodel

// "从相册选": the file dialog for one picture; `picked` carries the chosen file, `closed` follows either way.
Item {
    id: root

    signal picked(url file)
    signal closed()

    function open() { dialog.open() }

    FileDialog {
        id: dialog

        objectName: "photoFileDialog"
        title: "从相册选"
        nameFilters: ["图片 (*.png *.jpg *.jpeg *.bmp *.gif)"]
        onAccepted: {
            root.picked(selectedFile)
            root.closed()
        }
        onRejected: root.closed()
    }
}
