#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

// The learning-profile form's fixed tables and rules, shared by every place that asks for or shows the
// profile (the profile sheet, the questionnaire's profile page, the settings profile card). The answers
// themselves belong to the caller; everything here reads them and keeps nothing.
namespace LearningProfileForm {

// The answers as the form edits them, starting from what a new learner sees.
struct Values {
    QString role = QStringLiteral("student");
    QString nickname;
    int grade = 7;
    QString edition = QStringLiteral("rj");
    QString province;
    QString city;
    QString school;
    double dailyMinutes = 30; // whole minutes from 10 to 120 as the minutes picker sets them
};

struct RoleOption {
    QString value; // sent
    QString label; // shown
    QString icon;
};
struct GradeStage {
    QString name;
    int first = 0;
    int last = 0; // inclusive
};
struct GradeName {
    int grade = 0;
    QString name;
};
struct EditionOption {
    QString code;  // sent
    QString label; // shown
};

// In display order.
const QList<RoleOption> &roleOptions();
const QList<GradeStage> &gradeStages();
const QList<GradeName> &gradeNames();
const QList<EditionOption> &editionOptions();

// The minutes picker's settings for minutes a day.
inline constexpr int minutesFrom = 10;
inline constexpr int minutesTo = 120;
inline constexpr int minutesStep = 5;
inline constexpr int minutePresets[] = {20, 30, 45, 60, 90};

// The name of a grade ("初一" for 7); empty outside 1 to 12.
QString gradeLabel(int grade);
// "所教年级" for a teacher, else "当前年级".
QString gradeTitle(const QString &role);

// The body of the learning-profile write. Always "role", "grade", "edition" (as they stand) and
// "daily_minutes" (an integer, the fraction cut off); "nickname", "province", "city" and "school" only when
// something is left after trimming white space and line breaks (U+3000 included), and then trimmed. A key is
// never sent empty or null.
QJsonObject requestBody(const Values &values);

} // namespace LearningProfileForm
