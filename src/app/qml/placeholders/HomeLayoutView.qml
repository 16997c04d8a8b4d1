import QtQuick
import Quorvel.Core

PlaceholderPage {
    required property AppSession session
    heading: "首页"
}
