import QtQuick
import Quorvel.Core
import Quorvel.Home

// The weekly study report ("学情报告"): for now a page with its title; its content comes with the screen itself.
ComingSoonView {
    property AppSession session

    title: "学情报告"
}
