#include "MainGateViewModel.h"

#include "CoreLogging.h"
#include "ErrorText.h"
#include "OnboardingAPIClient.h"

MainGateViewModel::MainGateViewModel(QObject *parent) : QObject(parent) {}

void MainGateViewModel::setSession(AppSession *session) {
    if (m_session == session)
        return;
    m_session = session;
    Q_EMIT sessionChanged();
}

void MainGateViewModel::appear() {
    auto task = runGate(); // runs on by itself; its outcome lands in the session and `showProfile`
}

void MainGateViewModel::profileDone() {
    if (m_session)
        m_session->setProfileAsked(true);
    setShowProfile(false);
}

void MainGateViewModel::profileDismissed() {
    setShowProfile(false);
}

QCoro::Task<> MainGateViewModel::runGate() {
    QPointer<MainGateViewModel> self(this);
    QPointer<AppSession> session = m_session;
    // One query at a time, and none while the sheet is up: it would only ask what the sheet is asking.
    if (!session || !session->isLoggedIn() || session->profileAsked() || m_querying || m_showProfile)
        co_return;
    const std::optional<QString> token = session->accessToken();
    m_querying = true;
    std::optional<bool> filled;
    try {
        const LearningProfile profile =
            co_await OnboardingAPIClient().sendLearningProfile("GET", std::nullopt, *session);
        filled = profile.filled;
    } catch (...) {
        qCInfo(lcApp) << "learning profile not read:" << failureSummary(std::current_exception());
    }
    if (!self)
        co_return;
    m_querying = false;
    if (!filled || !session || session->accessToken() != token)
        co_return;
    if (*filled)
        session->setProfileAsked(true);
    else
        setShowProfile(true);
}

void MainGateViewModel::setShowProfile(bool show) {
    if (m_showProfile == show)
        return;
    m_showProfile = show;
    Q_EMIT showProfileChanged();
}
