import QtQuick
import Quorvel.Robots

// One robot of the catalog in a mood: `robot` (a catalog robot), `mood` (RobotMood) and `size` (the width;
// the figure is 1.15 times as tall). Reduce motion comes from the app setting. The drawing may reach beyond
// the view's frame (a raised arm, the antenna's glow), as a figure on a stage does.
Item {
    id: root

    property alias robot: figure.robot
    property alias mood: figure.mood
    property real size: 78
    // A fixed moment to draw, for still pictures; negative follows the clock.
    property alias frameTime: figure.frameTime
    property alias reduceMotion: figure.reduceMotion
    readonly property alias accessibleLabel: figure.accessibleLabel
    readonly property alias animating: figure.animating

    width: size
    height: size * 1.15
    implicitWidth: size
    implicitHeight: size * 1.15

    Accessible.role: Accessible.Graphic
    Accessible.name: figure.accessibleLabel

    RobotAvatarItem {
        id: figure

        anchors.centerIn: parent
        // Room for what reaches beyond the figure's frame: the waving arm (at most 0.61 of the size from the
        // centre, sideways), the antenna's glow and a jump (upwards). No wider: every redraw of the figure
        // repaints whatever lies under this rectangle, such as the text beside it.
        width: root.size * 1.3
        height: root.size * 1.6
        figureSize: root.size
        reduceMotion: MotionSettings.reduceMotion
    }
}
