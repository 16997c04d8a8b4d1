import QtQuick

Window {
    id: floor

    // Frames a second of a small swinging mark (0: none, a still window): what Qt itself costs for a picture
    // that moves at a rate, beside the app's moving screens.
    property int framesPerSecond: 0

    width: 1100
    height: 760
    visible: true
    title: "floor"

    Column {
        anchors.centerIn: parent
        spacing: 12
        Text { text: "岚帆伴"; font.pixelSize: 28 }
        Text { text: "学习路径 · 今日练习"; font.pixelSize: 15 }
    }

    // About the size and swing of a waving robot arm on the home card.
    Rectangle {
        id: mark
        visible: floor.framesPerSecond > 0
        x: 80; y: 80; width: 14; height: 40; radius: 7
        color: "#4aa3a0"
        antialiasing: true
        transformOrigin: Item.Top
    }
    Timer {
        interval: Math.round(1000 / Math.max(1, floor.framesPerSecond))
        running: floor.framesPerSecond > 0
        repeat: true
        onTriggered: mark.rotation = -(20 + 100 * Math.sin(8 * Date.now() / 1000))
    }
}
