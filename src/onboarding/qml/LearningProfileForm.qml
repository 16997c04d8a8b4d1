import QtQuick
import QtQuick.Layouts
import Quorvel.Ui
import Quorvel.Onboarding

// The learning-profile questions in five cards: who the learner is and a nickname, the grade by stage, the
// textbook edition, region and school, minutes a day. Every answer is read from and written into `answers`,
// which belongs to the page asking; the form keeps nothing of its own. Grade and edition chips sit three to a
// row.
ColumnLayout {
    id: form

    required property LearningProfileAnswers answers

    spacing: 16

    OnbCard {
        objectName: "roleCard"
        Layout.fillWidth: true
        title: "我是"

        RowLayout {
            Layout.fillWidth: true
            spacing: 10

            Repeater {
                model: form.answers.roleOptions

                OnbCompactTile {
                    required property var modelData

                    objectName: "roleTile"
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    icon: modelData.icon
                    title: modelData.label
                    selected: form.answers.role === modelData.value
                    onAction: form.answers.role = modelData.value
                }
            }
        }

        OnbField {
            objectName: "nicknameField"
            Layout.fillWidth: true
            icon: "person.crop.circle"
            placeholder: "昵称（1–8 个汉字、字母或数字）"
            text: form.answers.nickname
            limit: 8
            onEdited: text => form.answers.nickname = text
        }
    }

    OnbCard {
        objectName: "gradeCard"
        Layout.fillWidth: true
        title: form.answers.gradeTitle
        trailing: form.answers.gradeLabel
        hint: "伙伴会按这个年级学过的知识来讲，不会一下讲太深。"

        Repeater {
            model: form.answers.gradeStages

            ColumnLayout {
                id: stage

                required property var modelData

                Layout.fillWidth: true
                spacing: 8

                Text {
                    text: stage.modelData.name
                    textFormat: Text.PlainText
                    font.pixelSize: 13 // 12.5, rounded to whole pixels
                    font.weight: Font.DemiBold
                    color: Theme.brandMuted
                }
                GridLayout {
                    Layout.fillWidth: true
                    columns: 3
                    columnSpacing: 8
                    rowSpacing: 8

                    Repeater {
                        model: stage.modelData.grades

                        OnbChip {
                            required property var modelData

                            objectName: "gradeChip"
                            Layout.fillWidth: true
                            Layout.preferredWidth: 1
                            Layout.minimumWidth: 10
                            title: modelData.name
                            selected: form.answers.grade === modelData.grade
                            onAction: form.answers.grade = modelData.grade
                        }
                    }
                }
            }
        }
    }

    OnbCard {
        objectName: "editionCard"
        Layout.fillWidth: true
        title: "教材版本"

        GridLayout {
            Layout.fillWidth: true
            columns: 3
            columnSpacing: 8
            rowSpacing: 8

            Repeater {
                model: form.answers.editionOptions

                OnbChip {
                    required property var modelData

                    objectName: "editionChip"
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    Layout.minimumWidth: 10
                    title: modelData.label
                    selected: form.answers.edition === modelData.code
                    onAction: form.answers.edition = modelData.code
                }
            }
        }
    }

    OnbCard {
        objectName: "regionCard"
        Layout.fillWidth: true
        title: "地区和学校"
        trailing: "选填"

        OnbRegionPicker {
            Layout.fillWidth: true
            province: form.answers.province
            city: form.answers.city
            onEdited: (province, city) => {
                form.answers.province = province
                form.answers.city = city
            }
        }

        OnbField {
            objectName: "schoolField"
            Layout.fillWidth: true
            icon: "building.columns"
            placeholder: "学校名称"
            text: form.answers.school
            limit: 40
            onEdited: text => form.answers.school = text
        }
    }

    OnbCard {
        objectName: "minutesCard"
        Layout.fillWidth: true
        title: "每天想学多久"
        hint: "到时间伙伴会提醒你休息，随时可以在设置里改。"

        OnbMinutesPicker {
            Layout.fillWidth: true
            value: form.answers.dailyMinutes
            range: form.answers.minutesRange
            step: form.answers.minutesStep
            unit: "天"
            presets: form.answers.minutePresets
            onValueEdited: value => form.answers.dailyMinutes = value
        }
    }
}
