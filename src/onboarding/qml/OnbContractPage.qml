import QtQuick
import QtQuick.Layouts
import Quorvel.Ui
import Quorvel.Onboarding

// The companion contract: the buddy's style, one tile per persona, and how often it reminds, three small
// tiles in a row.
ColumnLayout {
    id: page

    required property OnboardingFlowViewModel flow

    spacing: 16

    OnbCard {
        objectName: "personaCard"
        Layout.fillWidth: true
        title: "你喜欢的伙伴风格"

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 10

            Repeater {
                model: page.flow.personaOptions

                OnbOptionTile {
                    required property var modelData

                    objectName: "personaTile"
                    Layout.fillWidth: true
                    icon: modelData.icon
                    title: modelData.title
                    subtitle: modelData.subtitle
                    selected: page.flow.persona === modelData.value
                    onAction: page.flow.persona = modelData.value
                }
            }
        }
    }

    OnbCard {
        objectName: "reminderCard"
        Layout.fillWidth: true
        title: "提醒频率"
        hint: "伙伴是 AI，不是真人。提醒每天最多 3 次，可随时在设置里调整。"

        RowLayout {
            Layout.fillWidth: true
            spacing: 10

            Repeater {
                model: page.flow.reminderOptions

                OnbCompactTile {
                    required property var modelData

                    objectName: "reminderTile"
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    icon: modelData.icon
                    title: modelData.label
                    selected: page.flow.reminder === modelData.value
                    onAction: page.flow.reminder = modelData.value
                }
            }
        }
    }
}
