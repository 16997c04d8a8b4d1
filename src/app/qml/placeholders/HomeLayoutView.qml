import QtQuick
import Quorvel

PlaceholderPage {
    required property AppSession session
    heading: "首页"
}
