import QtQuick
import Quorvel.Ui
import Quorvel.Robots
import Quorvel.Companion

// The buddy is thinking: three teal dots rising one after another, 31 by 20. They move on the robots'
// clock while seen and stand level at 0.6 with reduced motion. `frameTime` pins a still picture.
Item {
    id: root

    property alias frameTime: dots.frameTime
    property alias reduceMotion: dots.reduceMotion
    readonly property alias animating: dots.animating
    readonly property alias accessibleLabel: dots.accessibleLabel

    implicitWidth: dots.implicitWidth
    implicitHeight: dots.implicitHeight

    Accessible.role: Accessible.Animation
    Accessible.name: dots.accessibleLabel

    TypingDotsItem {
        id: dots

        anchors.centerIn: parent
        width: implicitWidth
        height: implicitHeight
        color: Theme.brandTeal
        reduceMotion: MotionSettings.reduceMotion
    }
}
