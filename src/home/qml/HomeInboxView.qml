import QtQuick
import Quorvel.Core
import Quorvel.Home

// The inbox screen ("学习通知"): for now a page with its title; its content comes with the screen itself.
ComingSoonView {
    property AppSession session

    title: "学习通知"
}
