import QtQuick
import QtQuick.Layouts
import Quorvel.Ui
import Quorvel.Onboarding

// The goal step: the term's target, one tile per choice, and the minutes a week.
ColumnLayout {
    id: page

    required property OnboardingFlowViewModel flow

    spacing: 16

    OnbCard {
        objectName: "targetCard"
        Layout.fillWidth: true
        title: "这学期你最想"

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 10

            Repeater {
                model: page.flow.targetOptions

                OnbOptionTile {
                    required property var modelData

                    objectName: "targetTile"
                    Layout.fillWidth: true
                    icon: modelData.icon
                    title: modelData.title
                    subtitle: modelData.subtitle
                    selected: page.flow.target === modelData.value
                    onAction: page.flow.target = modelData.value
                }
            }
        }
    }

    OnbCard {
        objectName: "weeklyCard"
        Layout.fillWidth: true
        title: "每周大概能学多久"
        hint: "伙伴会把时间拆到每天，不会一次排太满。"

        OnbMinutesPicker {
            objectName: "weeklyPicker"
            Layout.fillWidth: true
            value: page.flow.weeklyMinutes
            range: page.flow.weeklyMinutesRange
            step: page.flow.weeklyMinutesStep
            unit: page.flow.weeklyMinutesUnit
            presets: page.flow.weeklyMinutesPresets
            onValueEdited: value => page.flow.weeklyMinutes = value
        }
    }
}
