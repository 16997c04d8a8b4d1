#pragma once

#include "OnboardingModels.h"
#include "ScreenViewModel.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include <optional>

// The gradient card at the top of the "我的" page: the learner's name and its first character as the avatar,
// up to three chips (grade, textbook edition, region) and the daily-goal line, all from the learning profile.
//
// The card loads the profile each time it comes on screen and keeps nothing on the device. Without a
// profile, or when a load fails in any way, it greets the learner generically: a failure is silent here
// (logged, never shown), since the card is decoration on a page that works without it. Only the newest load
// counts, and none begun before the card last left the screen.
class ProfileHeaderCardViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool hasProfile READ hasProfile NOTIFY profileChanged)
    Q_PROPERTY(QString displayName READ displayName NOTIFY profileChanged)
    Q_PROPERTY(QString initial READ initial NOTIFY profileChanged)
    Q_PROPERTY(QStringList details READ details NOTIFY profileChanged)
    Q_PROPERTY(bool hasDetails READ hasDetails NOTIFY profileChanged)
    Q_PROPERTY(QString goalLine READ goalLine NOTIFY profileChanged)
    Q_PROPERTY(QString hint READ hint CONSTANT)
    Q_PROPERTY(QString accessibleLabel READ accessibleLabel NOTIFY profileChanged)

public:
    explicit ProfileHeaderCardViewModel(QObject *parent = nullptr);
    ~ProfileHeaderCardViewModel() override;

    static inline const QString genericName = QStringLiteral("岚帆伴同学");
    static inline const QString regionSeparator = QStringLiteral(" · ");

    // The nickname when there is one and it is not empty (as typed, untrimmed), else "岚帆伴同学".
    static QString displayName(const std::optional<LearningProfile> &profile);
    // The first user-perceived character of `name`: an emoji with its modifiers or joined parts, a letter
    // with its combining marks, never half of a surrogate pair. Empty for an empty name.
    static QString initial(const QString &name);
    // In this order, each only when it applies: the grade's label (grades 1 to 12), the edition's label (its
    // code exactly as in the form's table), the region (province and city, the empty ones left out, one
    // text when both are the same, else joined by " · ").
    static QStringList details(const std::optional<LearningProfile> &profile);
    static QString goalLine(const std::optional<LearningProfile> &profile);

    const std::optional<LearningProfile> &profile() const { return m_profile; }
    bool hasProfile() const { return m_profile.has_value(); }
    QString displayName() const { return m_texts.displayName; }
    QString initial() const { return m_texts.initial; }
    QStringList details() const { return m_texts.details; }
    bool hasDetails() const { return !m_texts.details.isEmpty(); }
    QString goalLine() const { return m_texts.goalLine; }
    static QString hint() { return QStringLiteral("完善学习资料，推荐更准"); }
    // The card read out as one element: the name, the chips or the hint, the goal line.
    QString accessibleLabel() const;

    // The card came on screen: loads the profile (again each time).
    Q_INVOKABLE void load();
    // The card left the screen: a load under way no longer counts.
    Q_INVOKABLE void disappear();

    // The load, for callers that wait for it (tests).
    QCoro::Task<> runLoad();

Q_SIGNALS:
    void profileChanged();

private:
    struct Texts {
        bool hasProfile = false;
        QString displayName;
        QString initial;
        QStringList details;
        QString goalLine;
        bool operator==(const Texts &) const = default;
    };
    static Texts textsOf(const std::optional<LearningProfile> &profile);
    void setProfile(std::optional<LearningProfile> profile);

    std::optional<LearningProfile> m_profile;
    Texts m_texts;
};
