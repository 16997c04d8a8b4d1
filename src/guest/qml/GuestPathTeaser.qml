import QtQuick
import QtQuick.Templates as T
import Quorvel.Ui

// The learning-path teaser of the guest home: the path artwork under a navy veil with the pitch on it.
T.AbstractButton {
    id: teaser

    property url image

    implicitHeight: 170
    Accessible.name: "学习路径"

    HoverHandler {
        cursorShape: Qt.PointingHandCursor
    }

    background: Item {
        BrandShadow {
            anchors.fill: parent
            cornerRadius: 22
            color: Qt.rgba(Theme.brandNavy.r, Theme.brandNavy.g, Theme.brandNavy.b, 0.25)
            blur: 16
            offsetY: 8
        }
        RoundedPicture {
            anchors.fill: parent
            source: teaser.image
            fill: true
            radius: 22
        }
        Rectangle {
            anchors.fill: parent
            radius: 22
            gradient: Gradient {
                orientation: Gradient.Horizontal
                GradientStop {
                    position: 0
                    color: Qt.rgba(Theme.brandNavy.r, Theme.brandNavy.g, Theme.brandNavy.b, 0.92)
                }
                // Dense enough all the way under the lines of text for the small one to read on the picture.
                GradientStop {
                    position: 0.6
                    color: Qt.rgba(Theme.brandNavy.r, Theme.brandNavy.g, Theme.brandNavy.b, 0.75)
                }
                GradientStop {
                    position: 1
                    color: Qt.rgba(Theme.brandNavy.r, Theme.brandNavy.g, Theme.brandNavy.b, 0.5)
                }
            }
        }
        Rectangle {
            anchors.fill: parent
            radius: 22
            color: "white"
            opacity: teaser.down ? 0.12 : 0
        }
    }

    contentItem: Item {
        Column {
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            anchors.margins: 18
            spacing: 6

            Text {
                text: "学习路径"
                font.pixelSize: 12
                font.bold: true
                color: Theme.brandCaption
            }
            Text {
                text: "每天打开，\n就知道学什么"
                textFormat: Text.PlainText
                font.pixelSize: 21
                font.weight: Font.Black
                color: "white"
            }
            Text {
                width: parent.width
                text: "初中数学 7 年级 · 一元一次方程 · 看看有哪些课 →"
                textFormat: Text.PlainText
                font.pixelSize: 12
                color: Qt.rgba(1, 1, 1, 0.92)
                elide: Text.ElideRight
            }
        }
    }

    FocusRing {}
}
