#include "ProfileBirthInfoViewModel.h"

#include "AccountAPIClient.h"
#include "ErrorText.h"
#include "SettingsLogging.h"

ProfileBirthInfoViewModel::ProfileBirthInfoViewModel(QObject *parent) : QObject(parent) {}

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

void ProfileBirthInfoViewModel::setSession(AppSession *session) {
    if (m_session == session)
        return;
    m_session = session;
    Q_EMIT sessionChanged();
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
    ++m_appearance;
}

QCoro::Task<> ProfileBirthInfoViewModel::runLoad() {
    QPointer<ProfileBirthInfoViewModel> self(this);
    if (!m_session)
        co_return;
    const quint64 appearance = m_appearance;
    std::optional<MeResponse> me;
    std::optional<QString> failure;
    try {
        me = co_await AccountAPIClient().fetchMe(*m_session);
    } catch (...) {
        qCInfo(lcSettings) << "account not loaded:" << failureSummary(std::current_exception());
        failure = errorText(std::current_exception());
    }
    if (!self || appearance != m_appearance)
        co_return;
    if (me) {
        const QString birth = birthText();
        const QString status = statusText();
        m_me = std::move(me);
        if (birthText() != birth || statusText() != status)
            Q_EMIT meChanged();
    } else if (failure) { // a load we cancelled ourselves is no failure to show
        setMessage(failure);
    }
}

void ProfileBirthInfoViewModel::dismissAlert() {
    setMessage(std::nullopt);
}

void ProfileBirthInfoViewModel::setMessage(std::optional<QString> message) {
    if (m_message == message)
        return;
    m_message = std::move(message);
    Q_EMIT messageChanged();
}
