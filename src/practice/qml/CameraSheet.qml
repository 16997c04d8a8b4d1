import QtQuick
import QtQuick.Controls.Basic
import QtMultimedia
import Quorvel.Ui

// Takes one picture with the machine's camera and closes: `captured(file)` with the picture's file. Made only
// when the machine has a camera; closing it any other way takes nothing.
BottomSheet {
    id: sheet

    signal captured(url file)

    title: "拍照"
    allowsMedium: false

    CaptureSession {
        id: session
        camera: Camera { active: sheet.opened }
        imageCapture: ImageCapture {
            id: capture
            onImageSaved: (requestId, path) => {
                sheet.captured("file://" + path)
                sheet.close()
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
