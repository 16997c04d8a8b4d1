import QtQuick
import QtQuick.Controls.Basic
import QtMultimedia
import Quorvel.Ui

// The camera capture screen: takes one picture with the machine's camera, hands it over (`image(file)`, the
// picture's file) and closes itself. Made only when the machine has a camera; closing it any other way takes
// nothing.
BottomSheet {
    id: picker

    signal image(url file)

    title: "拍照"
    allowsMedium: false

    CaptureSession {
        id: session
        camera: Camera { active: picker.opened }
        imageCapture: ImageCapture {
            id: capture
            onImageSaved: (requestId, path) => {
                picker.image("file://" + path)
                picker.close()
            }
        }
        videoOutput: preview
    }

    Column {
        width: parent ? parent.width : 0
        spacing: 12

        VideoOutput {
            id: preview
            width: parent.width
            height: width * 3 / 4
        }
        BrandPrimaryButton {
            objectName: "shutter"
            anchors.horizontalCenter: parent.horizontalCenter
            width: 200
            text: "拍照"
            onClicked: capture.captureToFile("")
        }
    }
}
