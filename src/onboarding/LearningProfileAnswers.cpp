#include "LearningProfileAnswers.h"

namespace {

template <typename Value, typename Signal>
void assign(LearningProfileAnswers *answers, Value &field, const Value &value, Signal changed) {
    if (field == value)
        return;
    field = value;
    Q_EMIT(answers->*changed)();
}

} // namespace

LearningProfileAnswers::LearningProfileAnswers(QObject *parent) : QObject(parent) {}

void LearningProfileAnswers::setRole(const QString &role) {
    assign(this, m_values.role, role, &LearningProfileAnswers::roleChanged);
}
void LearningProfileAnswers::setNickname(const QString &nickname) {
    assign(this, m_values.nickname, nickname, &LearningProfileAnswers::nicknameChanged);
}
void LearningProfileAnswers::setGrade(int grade) {
    assign(this, m_values.grade, grade, &LearningProfileAnswers::gradeChanged);
}
void LearningProfileAnswers::setEdition(const QString &edition) {
    assign(this, m_values.edition, edition, &LearningProfileAnswers::editionChanged);
}
void LearningProfileAnswers::setProvince(const QString &province) {
    assign(this, m_values.province, province, &LearningProfileAnswers::provinceChanged);
}
void LearningProfileAnswers::setCity(const QString &city) {
    assign(this, m_values.city, city, &LearningProfileAnswers::cityChanged);
}
void LearningProfileAnswers::setSchool(const QString &school) {
    assign(this, m_values.school, school, &LearningProfileAnswers::schoolChanged);
}
void LearningProfileAnswers::setDailyMinutes(double minutes) {
    assign(this, m_values.dailyMinutes, minutes, &LearningProfileAnswers::dailyMinutesChanged);
}

QVariantList LearningProfileAnswers::roleOptions() {
    QVariantList rows;
    for (const auto &option : LearningProfileForm::roleOptions())
        rows.append(QVariantMap{{"value", option.value}, {"label", option.label}, {"icon", option.icon}});
    return rows;
}

QVariantList LearningProfileAnswers::gradeStages() {
    QVariantList stages;
    for (const auto &stage : LearningProfileForm::gradeStages()) {
        QVariantList grades;
        for (const auto &grade : LearningProfileForm::gradeNames())
            if (grade.grade >= stage.first && grade.grade <= stage.last)
                grades.append(QVariantMap{{"grade", grade.grade}, {"name", grade.name}});
        stages.append(QVariantMap{{"name", stage.name}, {"grades", grades}});
    }
    return stages;
}

QVariantList LearningProfileAnswers::editionOptions() {
    QVariantList rows;
    for (const auto &option : LearningProfileForm::editionOptions())
        rows.append(QVariantMap{{"code", option.code}, {"label", option.label}});
    return rows;
}

QVariantList LearningProfileAnswers::minutePresets() {
    QVariantList presets;
    for (const int preset : LearningProfileForm::minutePresets)
        presets.append(preset);
    return presets;
}

QVariantList LearningProfileAnswers::minutesRange() {
    return {LearningProfileForm::minutesFrom, LearningProfileForm::minutesTo};
}
