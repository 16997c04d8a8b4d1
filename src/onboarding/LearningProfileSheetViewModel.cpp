#include "LearningProfileSheetViewModel.h"

#include "ErrorText.h"
#include "OnboardingAPIClient.h"

LearningProfileSheetViewModel::LearningProfileSheetViewModel(QObject *parent) : ScreenViewModel(parent) {}

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

QCoro::Task<> LearningProfileSheetViewModel::runSave() {
    const Appearance self = appearance();
    QPointer<AppSession> session = this->session();
    if (!session || m_busy)
        co_return;
    setBusy(true);
    const QJsonObject body = m_answers.requestBody();
    bool saved = false;
    std::exception_ptr failure;
    try {
        co_await OnboardingAPIClient().sendLearningProfile("PUT", body, *session);
        saved = true;
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self.alive())
        co_return;
    if (!saved) {
        setMessage(errorText(failure));
    } else {
        Q_EMIT done();
        if (!self.alive()) // the presenter closed the sheet and let it go
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
