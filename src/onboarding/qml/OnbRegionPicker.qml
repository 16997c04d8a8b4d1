import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Ui
import Quorvel.Onboarding

// Province and city as two menus side by side, and a typed city under them while "其他（手动填写）" is on.
// `province` and `city` are the caller's; the picker's choices hand them back through `edited`, in the order
// the picker's state writes them. Which choice writes what lives in OnbRegionPickerModel.
Item {
    id: picker

    property string province
    property string city
    signal edited(string province, string city)

    implicitWidth: 320
    implicitHeight: column.implicitHeight

    OnbRegionPickerModel {
        id: state

        province: picker.province
        city: picker.city
        onProvinceChanged: picker.edited(state.province, state.city)
        onCityChanged: picker.edited(state.province, state.city)
    }

    // A menu of plain entries that scrolls when it is taller than `maximumHeight`; `divided` entries have a
    // hairline above them. Choosing one (a click, or Return, Enter or Space on the entry the arrow keys
    // reached from `openAt`) closes it and reports its position. It lies above every layer of the window:
    // the sheets it opens from are themselves raised above the tab shell (the gate's at z 20), and a menu
    // beneath its own sheet would open unseen.
    component RegionMenu: T.Popup {
        id: menu

        property var entries: []
        property real maximumHeight: 360
        property int openAt: 0
        signal triggered(int index)

        function choose(index) {
            menu.close()
            menu.triggered(index)
        }

        z: 100
        padding: 6
        // Kept inside the window: near its bottom edge the menu rises (and shrinks when it must) instead of
        // opening past the edge where its entries cannot be reached.
        margins: 8
        focus: true
        onAboutToShow: {
            list.currentIndex = menu.openAt
            list.positionViewAtIndex(menu.openAt, ListView.Contain)
        }
        // Again once open: a menu that had to shrink to stay in the window keeps its current entry in view.
        onOpened: list.positionViewAtIndex(menu.openAt, ListView.Contain)
        implicitHeight: Math.min(list.contentHeight, maximumHeight) + topPadding + bottomPadding
        closePolicy: T.Popup.CloseOnEscape | T.Popup.CloseOnPressOutside

        background: Rectangle {
            radius: 14
            color: Theme.secondaryGroupedBackground
            border.color: Qt.rgba(0, 0, 0, 0.08)
        }

        contentItem: ListView {
            id: list

            clip: true
            focus: true
            model: menu.entries
            boundsBehavior: Flickable.StopAtBounds
            keyNavigationEnabled: true
            highlightMoveDuration: 0
            Keys.onReturnPressed: menu.choose(list.currentIndex)
            Keys.onEnterPressed: menu.choose(list.currentIndex)
            Keys.onSpacePressed: menu.choose(list.currentIndex)

            delegate: Column {
                id: row

                required property var modelData
                required property int index

                width: ListView.view.width

                Rectangle {
                    width: parent.width
                    height: row.modelData.divided === true ? 1 : 0
                    color: Qt.rgba(0, 0, 0, 0.1)
                }

                T.AbstractButton {
                    id: entry

                    objectName: "regionMenuEntry"
                    width: parent.width
                    implicitHeight: 40
                    text: row.modelData.text
                    Accessible.name: text
                    focusPolicy: Qt.NoFocus
                    onClicked: menu.choose(row.index)

                    contentItem: Text {
                        leftPadding: 12
                        text: entry.text
                        textFormat: Text.PlainText
                        font.pixelSize: 15
                        color: Theme.label
                        verticalAlignment: Text.AlignVCenter
                        elide: Text.ElideRight
                    }
                    background: Rectangle {
                        radius: 8
                        // The keyboard's entry shows only while the keyboard is in the menu.
                        color: entry.down || entry.hovered
                               || (row.ListView.isCurrentItem && row.ListView.view.activeFocus)
                               ? Qt.rgba(0, 0, 0, 0.06) : "transparent"
                    }

                    HoverHandler {
                        cursorShape: Qt.PointingHandCursor
                    }

                    FocusRing {}
                }
            }
        }
    }

    // The label a menu opens from: symbol, the value or a prompt, the up-down chevron.
    component MenuLabel: T.AbstractButton {
        id: label

        property string symbol
        property string value
        property bool prompt

        Layout.fillWidth: true
        implicitHeight: 50
        leftPadding: 12
        rightPadding: 12
        Accessible.name: value
        opacity: enabled ? 1 : 0.55
        focusPolicy: Qt.StrongFocus
        // Space presses a focused button by itself; a desktop's Return and Enter open the menu too.
        Keys.onReturnPressed: label.clicked()
        Keys.onEnterPressed: label.clicked()

        HoverHandler {
            cursorShape: label.enabled ? Qt.PointingHandCursor : Qt.ArrowCursor
        }

        contentItem: RowLayout {
            spacing: 8

            SymbolIcon {
                symbol: label.symbol
                size: 14
                color: Theme.brandTeal
            }
            Text {
                Layout.fillWidth: true
                Layout.minimumWidth: 0
                text: label.value
                textFormat: Text.PlainText
                maximumLineCount: 1
                elide: Text.ElideRight
                font.pixelSize: 15
                font.weight: label.prompt ? Font.Normal : Font.DemiBold
                color: label.prompt ? Theme.brandMuted : Theme.brandNavyDeep
            }
            SymbolIcon {
                Layout.leftMargin: 4
                symbol: "chevron.up.chevron.down"
                size: 11
                color: Theme.brandMuted
            }
        }
        background: Rectangle {
            radius: 14
            color: Theme.brandCloud
            border.color: Theme.brandLine
            border.width: 1
        }

        FocusRing {}
    }

    ColumnLayout {
        id: column

        width: picker.width
        spacing: 10

        RowLayout {
            Layout.fillWidth: true
            spacing: 10

            MenuLabel {
                id: provinceLabel

                objectName: "provinceMenu"
                Layout.preferredWidth: 1
                symbol: "map"
                value: state.provinceLabel
                prompt: state.provincePrompt
                onClicked: provinceMenu.open()

                RegionMenu {
                    id: provinceMenu

                    objectName: "provinceMenuPopup"
                    y: provinceLabel.height + 4
                    width: provinceLabel.width
                    openAt: state.provinceEntry
                    entries: [{ "text": "不填写" }].concat(
                                 state.provinceNames.map(name => ({ "text": name })))
                    onTriggered: index => index === 0 ? state.chooseNoProvince()
                                                      : state.chooseProvince(state.provinceNames[index - 1])
                }
            }

            MenuLabel {
                id: cityLabel

                objectName: "cityMenu"
                Layout.preferredWidth: 1
                enabled: state.cityMenuEnabled
                symbol: "building.2"
                value: state.cityLabel
                prompt: state.cityPrompt
                onClicked: cityMenu.open()

                RegionMenu {
                    id: cityMenu

                    objectName: "cityMenuPopup"
                    y: cityLabel.height + 4
                    width: cityLabel.width
                    openAt: state.cityEntry
                    entries: state.cities.map(name => ({ "text": name })).concat(
                                 [{ "text": "其他（手动填写）", "divided": true }])
                    onTriggered: index => index < state.cities.length ? state.chooseCity(state.cities[index])
                                                                      : state.chooseManualCity()
                }
            }
        }

        OnbField {
            id: manualField

            objectName: "manualCityField"
            Layout.fillWidth: true
            Layout.preferredHeight: state.manualCity ? implicitHeight : 0
            visible: Layout.preferredHeight > 0
            opacity: state.manualCity ? 1 : 0
            icon: "pencil"
            placeholder: "输入城市名称"
            text: state.city
            limit: state.manualCityLimit
            onEdited: text => state.typeCity(text)

            Behavior on Layout.preferredHeight {
                NumberAnimation { duration: 200; easing.type: Easing.OutCubic }
            }
            Behavior on opacity {
                NumberAnimation { duration: 200; easing.type: Easing.OutCubic }
            }
        }
    }
}
