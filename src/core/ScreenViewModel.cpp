#include "ScreenViewModel.h"

#include "ErrorText.h"

ScreenViewModel::ScreenViewModel(QObject *parent) : QObject(parent) {}

ScreenViewModel::~ScreenViewModel() = default;

void ScreenViewModel::setSession(AppSession *session) {
    if (m_session == session)
        return;
    m_session = session;
    sessionReplaced();
    Q_EMIT sessionChanged();
}

void ScreenViewModel::dismissMessage() {
    setMessage(std::nullopt);
}

void ScreenViewModel::setLoading(bool loading) {
    if (m_loading == loading)
        return;
    m_loading = loading;
    Q_EMIT loadingChanged();
}

void ScreenViewModel::setMessage(std::optional<QString> message) {
    if (m_message == message)
        return;
    m_message = std::move(message);
    Q_EMIT messageChanged();
}

bool ScreenViewModel::showFailure(std::exception_ptr failure) {
    if (!failure)
        return false;
    std::optional<QString> text = errorText(failure);
    if (!text)
        return false;
    setMessage(std::move(text));
    return true;
}
