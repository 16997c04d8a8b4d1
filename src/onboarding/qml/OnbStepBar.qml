import QtQuick
import QtQuick.Layouts
import Quorvel.Ui
import Quorvel.Onboarding

// The questionnaire's progress: one thin capsule per step, lit up to the current one, and "step/total" after
// them. A bar without steps draws nothing.
RowLayout {
    id: bar

    property int step: 0
    property int total: 0

    spacing: 6
    visible: OnbKit.stepSegments(total) > 0

    Repeater {
        model: OnbKit.stepSegments(bar.total)

        Rectangle {
            required property int index

            objectName: "stepSegment"
            Layout.fillWidth: true
            Layout.preferredWidth: 1
            implicitHeight: 4
            radius: 2
            color: "white"
            opacity: OnbKit.stepSegmentLit(index, bar.step) ? 0.95 : 0.25

            Behavior on opacity {
                NumberAnimation { duration: 300; easing.type: Easing.InOutQuad }
            }
        }
    }

    Text {
        objectName: "stepCounter"
        Layout.leftMargin: 6
        text: OnbKit.stepCounter(bar.step, bar.total)
        textFormat: Text.PlainText
        font.pixelSize: 12
        font.bold: true
        color: Qt.rgba(1, 1, 1, 0.92)
    }
}
