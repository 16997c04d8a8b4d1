import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Quorvel.Core
import Quorvel.Ui
import Quorvel.Guest

// The signed-out landing page: hero with the brand bar and the calls to action, the core features, the
// learning-path teaser, the safety promises, sign-in and the footer. Every way out is one of three
// presentations over the page (sign-in, a feature's detail sheet, the course catalogue) or a link. All state
// and the adaptive layout come from GuestHomeViewModel.
Item {
    id: root

    required property AppSession session
    readonly property alias viewModel: vm

    GuestHomeViewModel {
        id: vm
        windowWidth: root.width
    }

    // Whether the page has been on screen: what lies below the fold is made only then.
    property bool framed: false
    Connections {
        target: root.framed ? null : root.Window.window
        function onFrameSwapped() { root.framed = true }
    }

    Connections {
        target: vm
        function onScrollRequested(anchor) {
            const section = anchor === "features" ? featuresSection
                                                  : lowerPart.item ? lowerPart.item.safetySection : null;
            if (!section)
                return;
            scrollAnimation.to = Math.min(section.mapToItem(page.contentItem, 0, 0).y,
                                          Math.max(0, page.contentHeight - page.height));
            scrollAnimation.restart();
        }
    }

    Rectangle {
        anchors.fill: parent
        color: Theme.brandMist
    }

    Flickable {
        id: page

        objectName: "guestPage"
        anchors.fill: parent
        contentWidth: width
        contentHeight: pageColumn.height
        boundsBehavior: Flickable.StopAtBounds
        clip: true

        NumberAnimation {
            id: scrollAnimation

            target: page
            property: "contentY"
            duration: 350
            easing.type: Easing.InOutQuad
        }

        Column {
            id: pageColumn

            width: page.width

            // Hero
            Item {
                width: parent.width
                height: 430
                clip: true

                RoundedPicture {
                    anchors.fill: parent
                    source: vm.heroArt
                    fill: true
                    // The page's first frame copies the hero drawn at this size by an earlier start.
                    drawingCache: "guest-hero"
                }
                Rectangle {
                    anchors.fill: parent
                    gradient: Gradient {
                        GradientStop {
                            position: 0
                            color: Qt.rgba(Theme.brandNavyDeep.r, Theme.brandNavyDeep.g, Theme.brandNavyDeep.b, 0.3)
                        }
                        GradientStop {
                            position: 0.18
                            color: Qt.rgba(Theme.brandNavyDeep.r, Theme.brandNavyDeep.g, Theme.brandNavyDeep.b, 0.1)
                        }
                        GradientStop {
                            position: 0.42
                            color: Qt.rgba(Theme.brandNavyDeep.r, Theme.brandNavyDeep.g, Theme.brandNavyDeep.b, 0.88)
                        }
                        GradientStop {
                            position: 0.6
                            color: Qt.rgba(Theme.brandNavyDeep.r, Theme.brandNavyDeep.g, Theme.brandNavyDeep.b, 0.97)
                        }
                        GradientStop {
                            position: 1
                            color: Theme.brandNavyDeep
                        }
                    }
                }

                // The hero column keeps to the leading edge, also on wide windows.
                ColumnLayout {
                    x: 20
                    width: vm.heroColumnWidth - 40
                    anchors.bottom: parent.bottom
                    anchors.bottomMargin: 24
                    spacing: 12

                    // Brand bar
                    RowLayout {
                        Layout.fillWidth: true
                        spacing: 10

                        BrandLogo {
                            Layout.preferredWidth: 44
                            Layout.preferredHeight: 44
                            radius: 12
                        }
                        Text {
                            text: "岚帆伴"
                            font.pixelSize: 24
                            font.weight: Font.Black
                            color: "white"
                        }
                        Item {
                            Layout.fillWidth: true
                        }
                        T.Button {
                            id: loginChip

                            implicitWidth: implicitContentWidth + leftPadding + rightPadding
                            implicitHeight: implicitContentHeight + topPadding + bottomPadding
                            objectName: "heroLoginButton"
                            leftPadding: 16
                            rightPadding: 16
                            topPadding: 8
                            bottomPadding: 8
                            text: "登录"
                            onClicked: vm.openLogin()

                            HoverHandler {
                                cursorShape: Qt.PointingHandCursor
                            }
                            contentItem: Text {
                                text: loginChip.text
                                font.pixelSize: 15
                                font.weight: Font.DemiBold
                                color: "white"
                            }
                            background: Rectangle {
                                radius: height / 2
                                // A dark glass, so that the white label reads on any part of the picture.
                                color: Qt.rgba(Theme.brandNavyDeep.r, Theme.brandNavyDeep.g, Theme.brandNavyDeep.b,
                                               loginChip.down ? 0.6 : 0.45)
                                border.color: Qt.rgba(1, 1, 1, 0.25)
                            }

                            FocusRing {}
                        }
                        T.Button {
                            id: menuButton

                            objectName: "menuButton"
                            implicitWidth: 38
                            implicitHeight: 38
                            Accessible.name: "菜单"
                            onClicked: pageMenu.opened ? pageMenu.close() : pageMenu.open()

                            HoverHandler {
                                cursorShape: Qt.PointingHandCursor
                            }
                            contentItem: SymbolIcon {
                                symbol: "line.3.horizontal"
                                size: 17
                                font.bold: true
                                color: "white"
                            }
                            background: Rectangle {
                                radius: width / 2
                                color: Qt.rgba(1, 1, 1, menuButton.down ? 0.3 : 0.18)
                                border.color: Qt.rgba(1, 1, 1, 0.25)
                            }

                            GuestMenu {
                                id: pageMenu

                                objectName: "pageMenu"
                                x: menuButton.width - width
                                y: menuButton.height + 6
                                entries: vm.menu
                                onTriggered: (index) => vm.triggerMenu(index)
                            }

                            FocusRing {}
                        }
                    }

                    // Headline
                    GuestShadowText {
                        Layout.fillWidth: true
                        text: "一个 AI 伙伴，\n陪你学遍所有"
                        font.pixelSize: 32
                        font.weight: Font.Black
                        color: "white"
                        wrapMode: Text.Wrap
                        lineHeightMode: Text.FixedHeight
                        lineHeight: headlineMetrics.lineSpacing + 2
                        shadowColor: Qt.rgba(0, 0, 0, 0.35)
                        shadowRadius: 6
                        shadowOffsetY: 2

                        FontMetrics {
                            id: headlineMetrics
                            font.pixelSize: 32
                            font.weight: Font.Black
                        }
                    }

                    // Sub-line
                    GuestShadowText {
                        Layout.fillWidth: true
                        text: "不会的题先给思路，学过的知识点排成路径，每周一份自己的学习周报。"
                        font.pixelSize: 15
                        color: Qt.rgba(1, 1, 1, 0.92)
                        wrapMode: Text.Wrap
                        shadowColor: Qt.rgba(0, 0, 0, 0.3)
                        shadowRadius: 4
                        shadowOffsetY: 1
                    }

                    // Calls to action
                    RowLayout {
                        Layout.topMargin: 4
                        spacing: 12

                        T.Button {
                            id: startButton

                            implicitWidth: implicitContentWidth + leftPadding + rightPadding
                            implicitHeight: implicitContentHeight + topPadding + bottomPadding
                            objectName: "startButton"
                            leftPadding: 26
                            rightPadding: 26
                            topPadding: 12
                            bottomPadding: 12
                            text: "免费开始学习"
                            onClicked: vm.openLogin()
                            scale: down ? 0.97 : 1

                            HoverHandler {
                                cursorShape: Qt.PointingHandCursor
                            }
                            contentItem: Text {
                                text: startButton.text
                                font.pixelSize: 16
                                font.bold: true
                                color: Theme.brandNavy
                            }
                            background: Rectangle {
                                radius: height / 2
                                color: "white"
                            }

                            FocusRing {}
                        }
                        T.Button {
                            id: browseButton

                            implicitWidth: implicitContentWidth + leftPadding + rightPadding
                            implicitHeight: implicitContentHeight + topPadding + bottomPadding
                            objectName: "browseButton"
                            leftPadding: 20
                            rightPadding: 20
                            topPadding: 12
                            bottomPadding: 12
                            text: "先看看课程"
                            onClicked: vm.openCatalog()
                            scale: down ? 0.97 : 1

                            HoverHandler {
                                cursorShape: Qt.PointingHandCursor
                            }
                            contentItem: Text {
                                text: browseButton.text
                                font.pixelSize: 16
                                font.weight: Font.DemiBold
                                color: "white"
                            }
                            background: Rectangle {
                                radius: height / 2
                                color: browseButton.down ? Qt.rgba(1, 1, 1, 0.12) : "transparent"
                                border.color: Qt.rgba(1, 1, 1, 0.7)
                                border.width: 1
                            }

                            FocusRing {}
                        }
                    }
                }
            }

            // Content column: at most 960 wide with its padding, centred.
            Item {
                width: parent.width
                height: content.implicitHeight + 24

                ColumnLayout {
                    id: content

                    x: vm.columnOffset + 18
                    y: 24
                    width: vm.columnWidth
                    spacing: 28

                    ColumnLayout {
                        id: featuresSection

                        objectName: "featuresSection"
                        Layout.fillWidth: true
                        spacing: 14

                        GuestSectionHeader {
                            Layout.fillWidth: true
                            eyebrow: "核心功能"
                            title: "学习需要的，都在一个伙伴里"
                        }
                        Grid {
                            objectName: "featuresGrid"
                            Layout.fillWidth: true
                            columns: vm.gridColumns
                            columnSpacing: 12
                            rowSpacing: 12
                            verticalItemAlignment: Grid.AlignVCenter

                            Repeater {
                                model: vm.features

                                GuestFeatureCard {
                                    required property var modelData

                                    objectName: "featureCard" + modelData.index
                                    width: vm.cardWidth
                                    image: modelData.image
                                    title: modelData.title
                                    detail: modelData.detail
                                    onClicked: vm.tapCard(GuestHomeViewModel.Features, modelData.index)
                                }
                            }
                        }
                    }

                    GuestPathTeaser {
                        objectName: "pathTeaser"
                        Layout.fillWidth: true
                        image: vm.pathArt
                        onClicked: vm.openCatalog()
                    }

                    // Below the fold, made once the page's first frame is on screen: the page opens at its top,
                    // where none of this shows.
                    Loader {
                        id: lowerPart

                        Layout.fillWidth: true
                        active: root.framed

                        sourceComponent: ColumnLayout {
                            readonly property alias safetySection: safetySection

                            spacing: 28
                        ColumnLayout {
                            id: safetySection

                            objectName: "safetySection"
                            Layout.fillWidth: true
                            spacing: 14

                            GuestSectionHeader {
                                Layout.fillWidth: true
                                eyebrow: "安心学习"
                                title: "适合所有年龄，按自己的节奏来"
                            }
                            Grid {
                                objectName: "safetyGrid"
                                Layout.fillWidth: true
                                columns: vm.gridColumns
                                columnSpacing: 12
                                rowSpacing: 12
                                verticalItemAlignment: Grid.AlignVCenter

                                Repeater {
                                    model: vm.safety

                                    GuestFeatureCard {
                                        required property var modelData

                                        objectName: "safetyCard" + modelData.index
                                        width: vm.cardWidth
                                        compact: true
                                        image: modelData.image
                                        title: modelData.title
                                        detail: modelData.detail
                                        onClicked: vm.tapCard(GuestHomeViewModel.Safety, modelData.index)
                                    }
                                }
                            }
                        }

                        BrandPrimaryButton {
                            objectName: "signUpButton"
                            text: "登录 / 注册，开始学习"
                            styleEnabled: true
                            onClicked: vm.openLogin()
                        }

                        // Footer
                        ColumnLayout {
                            Layout.fillWidth: true
                            Layout.bottomMargin: 24
                            spacing: 8

                            Row {
                                Layout.alignment: Qt.AlignHCenter
                                spacing: 14

                                Repeater {
                                    model: vm.footerLinks

                                    T.AbstractButton {
                                        id: footerLink

                                        required property var modelData

                                        implicitWidth: linkText.implicitWidth
                                        implicitHeight: linkText.implicitHeight
                                        text: modelData.title
                                        onClicked: vm.openLink(modelData.url)

                                        HoverHandler {
                                            cursorShape: Qt.PointingHandCursor
                                        }
                                        contentItem: Text {
                                            id: linkText
                                            text: footerLink.text
                                            font.pixelSize: 12
                                            font.weight: Font.DemiBold
                                            font.underline: footerLink.hovered
                                            color: Theme.brandTeal
                                            opacity: footerLink.down ? 0.6 : 1
                                        }
                                        background: Item {}

                                        FocusRing {}
                                    }
                                }
                            }

                            // Selectable, so the hotline number can be copied where nothing dials it.
                            TextEdit {
                                objectName: "footerHotline"
                                Layout.fillWidth: true
                                text: "心理援助热线 12356 · 一个 AI 伙伴，陪你学遍所有"
                                textFormat: TextEdit.PlainText
                                readOnly: true
                                selectByMouse: true
                                wrapMode: TextEdit.Wrap
                                horizontalAlignment: TextEdit.AlignHCenter
                                font.pixelSize: 12
                                color: Theme.brandMuted
                                selectionColor: Theme.brandMint
                                selectedTextColor: Theme.brandNavyDeep
                            }
                        }
                        }
                    }
                }
            }
        }
    }

    // A link that could not be opened from the page: its number or address, to copy.
    Item {
        objectName: "linkFallbackCard"
        visible: vm.linkFallbackVisible
        z: 5
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 24
        width: Math.min(parent.width - 36, 420)
        height: fallbackRow.implicitHeight + 32

        BrandShadow {
            anchors.fill: parent
            cornerRadius: 18
            color: Qt.rgba(0, 0, 0, 0.18)
            blur: 16
            offsetY: 6
        }
        Rectangle {
            anchors.fill: parent
            radius: 18
            color: "white"
        }
        RowLayout {
            id: fallbackRow

            x: 16
            y: 16
            width: parent.width - 32
            spacing: 12

            GuestLinkFallback {
                Layout.fillWidth: true
                hint: vm.linkFallbackHint
                value: vm.linkFallbackValue
            }
            T.Button {
                id: fallbackDone

                implicitWidth: implicitContentWidth + leftPadding + rightPadding
                implicitHeight: implicitContentHeight + topPadding + bottomPadding
                Layout.alignment: Qt.AlignVCenter
                padding: 8
                text: "好"
                onClicked: vm.dismissLinkFallback()
                contentItem: Text {
                    text: fallbackDone.text
                    font.pixelSize: 17
                    font.bold: true
                    color: Theme.brandTeal
                }
                background: Item {}

                FocusRing {}
            }
        }
    }

    // Presentations, lowest first: the catalogue sheet, the detail sheet, the sign-in cover. Each is a popup
    // made and opened when the model raises it and gone when the model drops it; the sheets tell the model
    // when they close themselves. The sign-in cover is a popup too: ordinary items sit under the popup layer, and the
    // cover must stay above a sheet still on its way out.
    // The two sheets are loaded by their files when they open: named here as types, the engine would load
    // them and all they use with the page, before its first frame.
    Loader {
        id: catalogueSheet

        objectName: "catalogueSheet"
        anchors.fill: parent

        readonly property bool wanted: vm.showCatalog
        function show() {
            if (wanted && !item)
                setSource("qrc:/qt/qml/Quorvel/Guest/GuestCatalogView.qml", { "z": 10, "session": root.session })
            else if (!wanted)
                source = ""
        }
        onWantedChanged: show()
        Component.onCompleted: show()
        onLoaded: item.open()
    }
    Connections {
        target: catalogueSheet.item
        function onLoginRequested() { vm.catalogLogin() }
        function onClosed() { vm.catalogDismissed() }
    }

    Loader {
        id: detailSheet

        objectName: "detailSheet"
        anchors.fill: parent

        readonly property bool wanted: vm.hasDetail
        function show() {
            if (wanted && !item)
                setSource("qrc:/qt/qml/Quorvel/Guest/FeatureDetailSheet.qml",
                          { "z": 11, "model": vm.detailSheet,
                            "detent": vm.detailLarge ? SheetDetent.Large : SheetDetent.Medium })
            else if (!wanted)
                source = ""
        }
        onWantedChanged: show()
        Component.onCompleted: show()
        onLoaded: item.open()
    }
    Binding {
        target: detailSheet.item
        when: detailSheet.item !== null
        property: "model"
        value: vm.detailSheet
    }
    // The page's model keeps the height while the sheet is up; the handle reports back to it.
    Binding {
        target: detailSheet.item
        when: detailSheet.item !== null
        property: "detent"
        value: vm.detailLarge ? SheetDetent.Large : SheetDetent.Medium
    }
    Connections {
        target: detailSheet.item
        function onDetentChanged() {
            if ((detailSheet.item.detent === SheetDetent.Large) !== vm.detailLarge)
                vm.toggleDetailHeight();
        }
    }

    // Loaded by its file when the model raises it, like the sheets.
    Loader {
        id: loginCover

        objectName: "loginCover"
        anchors.fill: parent

        readonly property bool wanted: vm.showLogin
        function show() {
            if (wanted && !item)
                setSource("qrc:/qt/qml/Quorvel/Guest/GuestLoginCover.qml", { "session": root.session })
            else if (!wanted)
                source = ""
        }
        onWantedChanged: show()
        Component.onCompleted: show()
        onLoaded: item.open()
    }
    Connections {
        target: loginCover.item
        function onCloseRequested() { vm.loginClosed() }
    }
}
