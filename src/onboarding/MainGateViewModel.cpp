#include "MainGateViewModel.h"

#include "ErrorText.h"
#include "OnboardingAPIClient.h"
#include "OnboardingLogging.h"
#include "SignInWatch.h"

MainGateViewModel::MainGateViewModel(QObject *parent) : ScreenViewModel(parent) {}

void MainGateViewModel::appear() {
    m_youth.start(session());
    auto task = runGate(); // runs on by itself; its outcome lands in the session and the layers' flags
}

void MainGateViewModel::disappear() {
    m_youth.stop();
}

void MainGateViewModel::finishOnboarding() {
    if (session())
        session()->setOnboardingDone(true);
    setShowOnboarding(false);
}

void MainGateViewModel::profileDone() {
    if (session())
        session()->setProfileAsked(true);
    setShowProfile(false);
}

void MainGateViewModel::profileDismissed() {
    setShowProfile(false);
}

QCoro::Task<> MainGateViewModel::runGate() {
    const Appearance self = appearance();
    QPointer<AppSession> session = this->session();
    // One run at a time, and none while a layer is up: it would only ask what that layer is asking.
    if (!session || !session->isLoggedIn() || m_querying || m_showOnboarding || m_showProfile)
        co_return;
    const SignInWatch signIn(session);
    const auto stillSignedIn = [&] { return self.alive() && signIn.holds(); };
    m_querying = true;
    if (!session->onboardingDone()) {
        std::optional<OnboardingOverview> overview;
        try {
            overview = co_await OnboardingAPIClient().send("GET", OnboardingAPIClient::overviewPath,
                                                           std::nullopt, *session);
        } catch (...) {
            qCInfo(lcOnboarding) << "onboarding state not read:" << failureSummary(std::current_exception());
        }
        if (self.alive())
            m_querying = false;
        if (!overview || !stillSignedIn())
            co_return;
        if (!overview->finished) {
            m_nextStep = overview->nextStep;
            setShowOnboarding(true);
            co_return;
        }
        session->setOnboardingDone(true);
        m_querying = true;
    }
    if (!session->profileAsked()) {
        std::optional<bool> filled;
        try {
            const LearningProfile profile =
                co_await OnboardingAPIClient().sendLearningProfile("GET", std::nullopt, *session);
            filled = profile.filled;
        } catch (...) {
            qCInfo(lcOnboarding) << "learning profile not read:" << failureSummary(std::current_exception());
        }
        if (self.alive())
            m_querying = false;
        if (!filled || !stillSignedIn())
            co_return;
        if (*filled)
            session->setProfileAsked(true);
        else
            setShowProfile(true);
    }
    m_querying = false;
}

void MainGateViewModel::setShowOnboarding(bool show) {
    if (m_showOnboarding == show)
        return;
    m_showOnboarding = show;
    Q_EMIT showOnboardingChanged();
}

void MainGateViewModel::setShowProfile(bool show) {
    if (m_showProfile == show)
        return;
    m_showProfile = show;
    Q_EMIT showProfileChanged();
}
