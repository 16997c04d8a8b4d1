import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Onboarding

// Study time in minutes: the big number with its unit and verdict, a slider that rests on whole steps from
// the lower bound, and preset chips. `value` is the caller's; the slider and the chips hand the new value back
// through `valueEdited`.
ColumnLayout {
    id: picker

    property real value: 0
    // [lower, upper], both included.
    property var range: [10, 120]
    property real step: 5
    // "天" or "周": what the verdict judges.
    property string unit: "天"
    property var presets: []
    signal valueEdited(real value)

    readonly property real from: range.length > 0 ? range[0] : 0
    readonly property real to: range.length > 1 ? range[1] : from

    spacing: 12

    RowLayout {
        Layout.fillWidth: true
        spacing: 6

        Text {
            objectName: "minutesNumber"
            Layout.alignment: Qt.AlignBaseline
            text: OnbKit.wholeMinutes(picker.value)
            textFormat: Text.PlainText
            font.pixelSize: 42
            font.weight: Font.Black
            color: Theme.brandNavy

            // The number springs a little when it changes.
            onTextChanged: bounce.restart()
            SequentialAnimation {
                id: bounce

                NumberAnimation { target: numberScale; property: "yScale"; to: 0.9; duration: 60 }
                SpringAnimation {
                    target: numberScale; property: "yScale"; to: 1; spring: 6; damping: 0.4; epsilon: 0.01
                }
            }
            transform: Scale {
                id: numberScale
                origin.y: 42
            }
        }
        Text {
            objectName: "minutesUnit"
            Layout.alignment: Qt.AlignBaseline
            text: "分钟 / " + picker.unit
            textFormat: Text.PlainText
            font.pixelSize: 15
            font.weight: Font.Medium
            color: Theme.brandMuted
        }
        Item { Layout.fillWidth: true }
        Rectangle {
            Layout.alignment: Qt.AlignVCenter
            implicitWidth: badgeText.implicitWidth + 20
            implicitHeight: badgeText.implicitHeight + 10
            radius: height / 2
            color: Theme.withOpacity(Theme.brandTeal, 0.1)

            Text {
                id: badgeText

                objectName: "minutesBadge"
                anchors.centerIn: parent
                text: OnbKit.minutesBadgeText(picker.value, picker.unit)
                textFormat: Text.PlainText
                font.pixelSize: 13 // 12.5, rounded to whole pixels
                font.bold: true
                color: Theme.brandTeal
            }
        }
    }

    T.Slider {
        id: slider

        objectName: "minutesSlider"
        Layout.fillWidth: true
        implicitHeight: 28
        from: picker.from
        to: picker.to
        stepSize: picker.step
        snapMode: T.Slider.SnapAlways
        value: picker.value
        focusPolicy: Qt.StrongFocus
        onMoved: picker.valueEdited(OnbKit.snappedMinutes(value, picker.from, picker.to, picker.step))

        background: Item {
            x: slider.leftPadding
            y: slider.topPadding + (slider.availableHeight - height) / 2
            width: slider.availableWidth
            height: 4

            Rectangle {
                anchors.fill: parent
                radius: 2
                color: Theme.withOpacity(Theme.brandLine, 0.9)
            }
            Rectangle {
                width: slider.visualPosition * parent.width
                height: parent.height
                radius: 2
                color: Theme.brandTeal
            }
        }

        handle: Rectangle {
            x: slider.leftPadding + slider.visualPosition * (slider.availableWidth - width)
            y: slider.topPadding + (slider.availableHeight - height) / 2
            implicitWidth: 24
            implicitHeight: 24
            radius: 12
            color: "white"
            border.color: slider.pressed ? Theme.brandTeal : Theme.withOpacity(Theme.brandNavy, 0.12)
            border.width: 1
        }

        HoverHandler {
            cursorShape: Qt.PointingHandCursor
        }
    }

    RowLayout {
        Layout.fillWidth: true
        spacing: 8

        Repeater {
            model: picker.presets

            OnbChip {
                required property int modelData

                objectName: "minutesPreset"
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                compact: true
                title: modelData.toString()
                selected: OnbKit.presetSelected(modelData, picker.value)
                onAction: picker.valueEdited(modelData)
            }
        }
    }
}
