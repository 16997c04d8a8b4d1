#include "ProfileHeaderCardViewModel.h"

#include "ErrorText.h"
#include "Graphemes.h"
#include "LearningProfileForm.h"
#include "OnboardingAPIClient.h"
#include "SettingsLogging.h"

namespace {

bool present(const std::optional<QString> &text) {
    return text && !text->isEmpty();
}

} // namespace

ProfileHeaderCardViewModel::ProfileHeaderCardViewModel(QObject *parent)
    : ScreenViewModel(parent), m_texts(textsOf(std::nullopt)) {}

ProfileHeaderCardViewModel::~ProfileHeaderCardViewModel() = default;

QString ProfileHeaderCardViewModel::displayName(const std::optional<LearningProfile> &profile) {
    return profile && present(profile->nickname) ? *profile->nickname : genericName;
}

QString ProfileHeaderCardViewModel::initial(const QString &name) {
    return Graphemes::leading(name, 1);
}

QStringList ProfileHeaderCardViewModel::details(const std::optional<LearningProfile> &profile) {
    QStringList details;
    if (!profile)
        return details;
    // The grade is a 64-bit number on the wire: compare it before narrowing, so 2^32 + 8 is no "初二".
    if (const auto grade = profile->grade; grade && *grade >= 1 && *grade <= 12)
        details << LearningProfileForm::gradeLabel(int(*grade));
    if (profile->edition) {
        for (const LearningProfileForm::EditionOption &option : LearningProfileForm::editionOptions()) {
            if (option.code == *profile->edition) {
                details << option.label;
                break;
            }
        }
    }
    QStringList region;
    for (const std::optional<QString> &part : {profile->province, profile->city})
        if (present(part))
            region << *part;
    if (region.size() == 2 && region.first() == region.last())
        region.removeLast();
    if (!region.isEmpty())
        details << region.join(regionSeparator);
    return details;
}

QString ProfileHeaderCardViewModel::goalLine(const std::optional<LearningProfile> &profile) {
    if (profile && profile->dailyMinutes)
        return QStringLiteral("每日目标 ") + QString::number(*profile->dailyMinutes) +
               QStringLiteral(" 分钟 · 坚持就是进步");
    return QStringLiteral("会员、隐私、学习记录都在这里管理");
}

ProfileHeaderCardViewModel::Texts
ProfileHeaderCardViewModel::textsOf(const std::optional<LearningProfile> &profile) {
    const QString name = displayName(profile);
    return {profile.has_value(), name, initial(name), details(profile), goalLine(profile)};
}

QString ProfileHeaderCardViewModel::accessibleLabel() const {
    const QStringList middle = hasDetails() ? m_texts.details : QStringList{hint()};
    return (QStringList{m_texts.displayName} + middle + QStringList{m_texts.goalLine}).join(u'，');
}

void ProfileHeaderCardViewModel::load() {
    auto task = runLoad(); // runs on by itself; its outcome lands in the properties
}

void ProfileHeaderCardViewModel::disappear() {
    dropAppearance();
}

QCoro::Task<> ProfileHeaderCardViewModel::runLoad() {
    // Every load replaces the one under way: an answer counts only while it is still the latest.
    const Appearance appearance = renewAppearance();
    std::optional<LearningProfile> profile;
    if (session()) {
        try {
            profile = co_await OnboardingAPIClient().sendLearningProfile("GET", std::nullopt, *session());
        } catch (...) {
            qCInfo(lcSettings) << "learning profile not loaded:" << failureSummary(std::current_exception());
        }
    }
    if (!appearance.current())
        co_return;
    setProfile(std::move(profile));
}

void ProfileHeaderCardViewModel::setProfile(std::optional<LearningProfile> profile) {
    m_profile = std::move(profile);
    Texts texts = textsOf(m_profile);
    if (texts == m_texts)
        return;
    m_texts = std::move(texts);
    Q_EMIT profileChanged();
}
