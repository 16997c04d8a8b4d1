#include "ProfileBirthInfoViewModel.h"

#include "AccountAPIClient.h"
#include "ErrorText.h"
#include "SettingsLogging.h"

ProfileBirthInfoViewModel::ProfileBirthInfoViewModel(QObject *parent) : ScreenViewModel(parent) {}

ProfileBirthInfoViewModel::~ProfileBirthInfoViewModel() = default;

QString ProfileBirthInfoViewModel::statusText(const std::optional<QString> &status) {
    if (!status)
        return placeholder;
    if (*status == QLatin1String("Active"))
        return QStringLiteral("正常");
    if (*status == QLatin1String("PendingProfile"))
        return QStringLiteral("待完善资料");
    if (*status == QLatin1String("Closing"))
        return QStringLiteral("注销冷静期");
    return *status;
}

QString ProfileBirthInfoViewModel::birthText() const {
    return m_me && m_me->birthYearMonth ? *m_me->birthYearMonth : placeholder;
}

QString ProfileBirthInfoViewModel::statusText() const {
    return statusText(m_me ? std::optional(m_me->status) : std::nullopt);
}

void ProfileBirthInfoViewModel::load() {
    auto task = runLoad(); // runs on by itself; its outcome lands in the properties
}

void ProfileBirthInfoViewModel::disappear() {
    dropAppearance();
}

QCoro::Task<> ProfileBirthInfoViewModel::runLoad() {
    if (!session())
        co_return;
    const Appearance appearance = this->appearance();
    std::optional<MeResponse> me;
    std::exception_ptr failure;
    try {
        me = co_await AccountAPIClient().fetchMe(*session());
    } catch (...) {
        failure = std::current_exception();
        qCInfo(lcSettings) << "account not loaded:" << failureSummary(failure);
    }
    if (!appearance.current())
        co_return;
    if (me) {
        const QString birth = birthText();
        const QString status = statusText();
        m_me = std::move(me);
        if (birthText() != birth || statusText() != status)
            Q_EMIT meChanged();
    } else {
        showFailure(failure); // a load we cancelled ourselves is no failure to show
    }
}
