import QtQuick
import QtQuick.Layouts
import Quorvel.Ui
import Quorvel.Onboarding

// The self-assessment: one star row per module, a thin line between rows.
ColumnLayout {
    id: page

    required property OnboardingFlowViewModel flow

    spacing: 16

    OnbCard {
        objectName: "diagnosisCard"
        Layout.fillWidth: true
        title: "觉得自己掌握得怎么样"
        trailing: "点星星打分"
        hint: "凭感觉就好，没有对错。伙伴会据此先推荐你最需要的内容。"

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 6

            Repeater {
                id: rows

                model: page.flow.modules

                ColumnLayout {
                    id: entry

                    required property var modelData
                    required property int index

                    Layout.fillWidth: true
                    spacing: 6

                    OnbStarRow {
                        objectName: "moduleRow"
                        Layout.fillWidth: true
                        icon: entry.modelData.icon
                        name: entry.modelData.name
                        score: page.flow.scores[entry.modelData.key]
                        onScoreEdited: score => page.flow.setScore(entry.modelData.key, score)
                    }
                    Rectangle {
                        objectName: "moduleDivider"
                        Layout.fillWidth: true
                        implicitHeight: 1
                        visible: entry.index < rows.count - 1
                        color: Theme.withOpacity(Theme.brandLine, 0.5)
                    }
                }
            }
        }
    }
}
