#include "LearningProfileSheetViewModel.h"

#include "ErrorText.h"
#include "OnboardingAPIClient.h"

LearningProfileSheetViewModel::LearningProfileSheetViewModel(QObject *parent) : QObject(parent) {}

void LearningProfileSheetViewModel::setSession(AppSession *session) {
    if (m_session == session)
        return;
    m_session = session;
    Q_EMIT sessionChanged();
}

void LearningProfileSheetViewModel::save() {
    if (m_busy)
        return;
    auto task = runSave(); // runs on by itself; its outcome lands in the properties or in `done`
}

void LearningProfileSheetViewModel::later() {
    if (m_busy)
        return;
    Q_EMIT done();
}

void LearningProfileSheetViewModel::dismissAlert() {
    setErrorMessage(std::nullopt);
}

QCoro::Task<> LearningProfileSheetViewModel::runSave() {
    QPointer<LearningProfileSheetViewModel> self(this);
    QPointer<AppSession> session = m_session;
    if (!session || m_busy)
        co_return;
    setBusy(true);
    const QJsonObject body = m_answers.requestBody();
    bool saved = false;
    std::optional<QString> failure; // none for a request cancelled on purpose: nothing to tell
    try {
        co_await OnboardingAPIClient().sendLearningProfile("PUT", body, *session);
        saved = true;
    } catch (...) {
        failure = errorText(std::current_exception());
    }
    if (!self)
        co_return;
    if (!saved) {
        setErrorMessage(failure);
    } else {
        Q_EMIT done();
        if (!self) // the presenter closed the sheet and let it go
            co_return;
    }
    setBusy(false);
}

void LearningProfileSheetViewModel::setBusy(bool busy) {
    if (m_busy == busy)
        return;
    m_busy = busy;
    Q_EMIT busyChanged();
}

void LearningProfileSheetViewModel::setErrorMessage(std::optional<QString> message) {
    if (m_errorMessage == message)
        return;
    m_errorMessage = std::move(message);
    Q_EMIT errorMessageChanged();
}
