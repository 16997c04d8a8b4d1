#include "LearningProfileForm.h"

#include <algorithm>
#include <cmath>
#include <limits>

const QList<LearningProfileForm::RoleOption> &LearningProfileForm::roleOptions() {
    static const QList<RoleOption> options{
        {QStringLiteral("student"), QStringLiteral("学生"), QStringLiteral("backpack.fill")},
        {QStringLiteral("learner"), QStringLiteral("社会学习者"), QStringLiteral("book.fill")},
        {QStringLiteral("teacher"), QStringLiteral("老师"), QStringLiteral("graduationcap.fill")},
    };
    return options;
}

const QList<LearningProfileForm::GradeStage> &LearningProfileForm::gradeStages() {
    static const QList<GradeStage> stages{
        {QStringLiteral("小学"), 1, 6},
        {QStringLiteral("初中"), 7, 9},
        {QStringLiteral("高中"), 10, 12},
    };
    return stages;
}

const QList<LearningProfileForm::GradeName> &LearningProfileForm::gradeNames() {
    static const QList<GradeName> names{
        {1, QStringLiteral("一年级")}, {2, QStringLiteral("二年级")}, {3, QStringLiteral("三年级")},
        {4, QStringLiteral("四年级")}, {5, QStringLiteral("五年级")}, {6, QStringLiteral("六年级")},
        {7, QStringLiteral("初一")},   {8, QStringLiteral("初二")},   {9, QStringLiteral("初三")},
        {10, QStringLiteral("高一")},  {11, QStringLiteral("高二")},  {12, QStringLiteral("高三")},
    };
    return names;
}

const QList<LearningProfileForm::EditionOption> &LearningProfileForm::editionOptions() {
    static const QList<EditionOption> options{
        {QStringLiteral("rj"), QStringLiteral("人教版")},
        {QStringLiteral("bs"), QStringLiteral("北师大版")},
        {QStringLiteral("hs"), QStringLiteral("华师大版")},
        {QStringLiteral("sk"), QStringLiteral("苏科版")},
        {QStringLiteral("zj"), QStringLiteral("浙教版")},
        {QStringLiteral("other"), QStringLiteral("其他")},
    };
    return options;
}

QString LearningProfileForm::gradeLabel(int grade) {
    for (const GradeName &name : gradeNames())
        if (name.grade == grade)
            return name.name;
    return {};
}

QString LearningProfileForm::gradeTitle(const QString &role) {
    return role == QLatin1String("teacher") ? QStringLiteral("所教年级") : QStringLiteral("当前年级");
}

QJsonObject LearningProfileForm::requestBody(const Values &values) {
    // The picker only ever sets whole minutes in range; a value from anywhere else is still cut toward zero,
    // and one that is not a number at all is never cast (that would be undefined) but sent as 0, which the
    // server refuses.
    const double minutes =
        std::isfinite(values.dailyMinutes)
            ? std::clamp(std::trunc(values.dailyMinutes), double(std::numeric_limits<int>::min()),
                         double(std::numeric_limits<int>::max()))
            : 0.0;
    QJsonObject body{{QStringLiteral("role"), values.role},
                     {QStringLiteral("grade"), values.grade},
                     {QStringLiteral("edition"), values.edition},
                     {QStringLiteral("daily_minutes"), qint64(minutes)}};
    const auto optional = [&body](const QString &key, const QString &text) {
        // trimmed() takes Unicode white space, the ideographic space of a Chinese keyboard included.
        if (const QString trimmed = text.trimmed(); !trimmed.isEmpty())
            body.insert(key, trimmed);
    };
    optional(QStringLiteral("nickname"), values.nickname);
    optional(QStringLiteral("province"), values.province);
    optional(QStringLiteral("city"), values.city);
    optional(QStringLiteral("school"), values.school);
    return body;
}
