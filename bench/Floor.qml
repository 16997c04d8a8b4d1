import QtQuick

Window {
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
}
