#pragma once

#include "LearningProfileForm.h"

#include <QJsonObject>
#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

// The answers of the learning-profile form as one observable object the form edits and its owner sends: the
// profile sheet holds one, and so will every other place that asks for the profile. Starts from what a new
// learner sees (学生, 初一, 人教版, 30 minutes a day, nothing typed); each property signals only a real
// change.
class LearningProfileAnswers : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("owned by the page that asks for the profile")
    Q_PROPERTY(QString role READ role WRITE setRole NOTIFY roleChanged)
    Q_PROPERTY(QString nickname READ nickname WRITE setNickname NOTIFY nicknameChanged)
    Q_PROPERTY(int grade READ grade WRITE setGrade NOTIFY gradeChanged)
    Q_PROPERTY(QString edition READ edition WRITE setEdition NOTIFY editionChanged)
    Q_PROPERTY(QString province READ province WRITE setProvince NOTIFY provinceChanged)
    Q_PROPERTY(QString city READ city WRITE setCity NOTIFY cityChanged)
    Q_PROPERTY(QString school READ school WRITE setSchool NOTIFY schoolChanged)
    Q_PROPERTY(double dailyMinutes READ dailyMinutes WRITE setDailyMinutes NOTIFY dailyMinutesChanged)
    Q_PROPERTY(QString gradeTitle READ gradeTitle NOTIFY roleChanged)
    Q_PROPERTY(QString gradeLabel READ gradeLabel NOTIFY gradeChanged)
    // The form's fixed tables for its repeaters: [{value, label, icon}], [{name, grades: [{grade, name}]}],
    // [{code, label}], and the minutes picker's presets.
    Q_PROPERTY(QVariantList roleOptions READ roleOptions CONSTANT)
    Q_PROPERTY(QVariantList gradeStages READ gradeStages CONSTANT)
    Q_PROPERTY(QVariantList editionOptions READ editionOptions CONSTANT)
    Q_PROPERTY(QVariantList minutePresets READ minutePresets CONSTANT)
    Q_PROPERTY(QVariantList minutesRange READ minutesRange CONSTANT)
    Q_PROPERTY(int minutesStep READ minutesStep CONSTANT)

public:
    explicit LearningProfileAnswers(QObject *parent = nullptr);

    QString role() const { return m_values.role; }
    void setRole(const QString &role);
    QString nickname() const { return m_values.nickname; }
    void setNickname(const QString &nickname);
    int grade() const { return m_values.grade; }
    void setGrade(int grade);
    QString edition() const { return m_values.edition; }
    void setEdition(const QString &edition);
    QString province() const { return m_values.province; }
    void setProvince(const QString &province);
    QString city() const { return m_values.city; }
    void setCity(const QString &city);
    QString school() const { return m_values.school; }
    void setSchool(const QString &school);
    double dailyMinutes() const { return m_values.dailyMinutes; }
    void setDailyMinutes(double minutes);

    QString gradeTitle() const { return LearningProfileForm::gradeTitle(m_values.role); }
    QString gradeLabel() const { return LearningProfileForm::gradeLabel(m_values.grade); }

    static QVariantList roleOptions();
    static QVariantList gradeStages();
    static QVariantList editionOptions();
    static QVariantList minutePresets();
    static QVariantList minutesRange();
    static int minutesStep() { return LearningProfileForm::minutesStep; }

    const LearningProfileForm::Values &values() const { return m_values; }
    QJsonObject requestBody() const { return LearningProfileForm::requestBody(m_values); }

Q_SIGNALS:
    void roleChanged();
    void nicknameChanged();
    void gradeChanged();
    void editionChanged();
    void provinceChanged();
    void cityChanged();
    void schoolChanged();
    void dailyMinutesChanged();

private:
    LearningProfileForm::Values m_values;
};
