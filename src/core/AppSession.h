#pragma once

#include "SessionKeychain.h"
#include "Transport.h"

#include <QDateTime>
#include <QObject>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <memory>
#include <optional>

class Completion;
struct LoginResponse;
class AppSession;

// Tells what follows the current session without being handed it (the theme follows its dark mode) that
// another session became the current one.
class CurrentSessionNotifier : public QObject {
    Q_OBJECT

public:
    static CurrentSessionNotifier &instance();

Q_SIGNALS:
    void currentChanged(AppSession *session);
};

// The signed-in state of the whole program: the three service base URLs, the tokens, the learner's ids and
// status, and a few preference flags. Every change is written through (tokens and device id to the secret
// store, the rest to the user defaults), so a session constructed later starts from the same state. The
// fields here are the truth at once; the secret store catches up through a queue that never blocks.
// Lives on the main thread; properties notify only when their value changes.
//
// The secrets are read when the session is made. A store that answers at once (the file without a keyring)
// leaves the session loaded when the constructor returns; a keyring may take a while, and until it answers
// `loaded` is false and the tokens are unknown, so the root view shows no first screen yet.
//
// It is also the signed-in sender: a 401 to a request that carried a token is answered by one shared token
// renewal and one resend.
class AppSession : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The app owns its session")
    Q_PROPERTY(QUrl baseURL READ baseURL WRITE setBaseURL NOTIFY baseURLChanged)
    Q_PROPERTY(QUrl aiBaseURL READ aiBaseURL WRITE setAiBaseURL NOTIFY aiBaseURLChanged)
    Q_PROPERTY(QUrl tradeBaseURL READ tradeBaseURL WRITE setTradeBaseURL NOTIFY tradeBaseURLChanged)
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn NOTIFY accessTokenChanged)
    Q_PROPERTY(QString status READ statusText NOTIFY statusChanged)
    Q_PROPERTY(bool darkMode READ darkMode WRITE setDarkMode NOTIFY darkModeChanged)
    Q_PROPERTY(bool onboardingDone READ onboardingDone WRITE setOnboardingDone NOTIFY onboardingDoneChanged)
    Q_PROPERTY(bool profileAsked READ profileAsked WRITE setProfileAsked NOTIFY profileAskedChanged)
    Q_PROPERTY(bool loaded READ isLoaded NOTIFY loadedChanged)

public:
    explicit AppSession(QObject *parent = nullptr);
    ~AppSession() override;

    // The service's public web host: the host of the built-in default API base URL, and where the legal pages
    // live (fixed at build time, not following configured service addresses).
    static inline const QString webHost = QStringLiteral("api.quorvel.cn");

    // The session constructed last, while it lives; never an older one.
    static AppSession *current();
    // `given`, or the current session for a screen that was given none.
    static AppSession *orCurrent(AppSession *given) { return given ? given : current(); }

    QUrl baseURL() const { return m_baseURL; }
    QUrl aiBaseURL() const { return m_aiBaseURL; }
    QUrl tradeBaseURL() const { return m_tradeBaseURL; }
    void setBaseURL(const QUrl &url);
    void setAiBaseURL(const QUrl &url);
    void setTradeBaseURL(const QUrl &url);

    std::optional<QString> accessToken() const { return m_accessToken; }
    std::optional<QString> refreshToken() const { return m_refreshToken; }
    std::optional<QDateTime> accessExpiresAt() const { return m_accessExpiresAt; }
    QString deviceId() const { return m_deviceId; }
    std::optional<qint64> userId() const { return m_userId; }
    std::optional<QString> status() const { return m_status; }
    QString statusText() const { return m_status.value_or(QString()); }
    std::optional<qint64> lastPathId() const { return m_lastPathId; }
    bool darkMode() const { return m_darkMode; }
    bool onboardingDone() const { return m_onboardingDone; }
    bool profileAsked() const { return m_profileAsked; }

    // Each setter stores and writes through, also when the value is unchanged.
    void setAccessToken(const std::optional<QString> &token);
    void setRefreshToken(const std::optional<QString> &token);
    void setAccessExpiresAt(const std::optional<QDateTime> &when);
    void setUserId(std::optional<qint64> id);
    void setStatus(const std::optional<QString> &status);
    void setLastPathId(std::optional<qint64> id);
    void setDarkMode(bool on);
    void setOnboardingDone(bool done);
    void setProfileAsked(bool asked);

    bool isLoggedIn() const { return m_accessToken && !m_accessToken->isEmpty(); }

    // Whether the stored secrets have been read; until then the tokens and device id are not known.
    bool isLoaded() const { return m_loaded; }
    // Resumes once the secrets are read (true), or when the session is destroyed first (false).
    QCoro::Task<bool> waitUntilLoaded();
    // Writes the queued secrets before returning (waiting in a local event loop on a slow keyring). For tests
    // and shutdown; never call it from a coroutine.
    void finishPendingWrites();

    // Stores a token grant the way sign-in and renewal both do: access token, user id, status, the refresh
    // token when the grant has one, and the expiry (now + expiresIn).
    void storeGrant(const LoginResponse &grant);

    // Clears the signed-in state and logs the refresh token out in the background, without waiting.
    // The device id, dark mode and base URLs stay.
    Q_INVOKABLE void signOut();

    // Signed-in sending: sends the request; on a 401 to a request that carried a token, renews once and
    // resends once with the new token. Every HTTP answer is returned as it came; transport failures throw.
    QCoro::Task<HttpResponse> data(HttpRequest request);
    QCoro::Task<std::unique_ptr<ByteStream>> bytes(HttpRequest request);
    // The request to send again after `response`, or nothing.
    QCoro::Task<std::optional<HttpRequest>> retryRequest(HttpRequest request, HttpResponse response);
    // The token to retry with after `staleToken` was refused, or nothing. One renewal at a time: callers that
    // arrive while one runs wait for it, and get nothing when it did not produce a new token or the session
    // was destroyed meanwhile.
    QCoro::Task<std::optional<QString>> renewAccessToken(std::optional<QString> staleToken);
    // Renews the tokens when forced, or when the access token expires within 600 s or has no known expiry.
    // Joins a refresh already under way rather than sending the same refresh token twice.
    QCoro::Task<void> refreshIfNeeded(bool force);
    bool isRenewing() const { return m_renewing; }

Q_SIGNALS:
    void baseURLChanged();
    void aiBaseURLChanged();
    void tradeBaseURLChanged();
    void accessTokenChanged();
    void refreshTokenChanged();
    void accessExpiresAtChanged();
    void userIdChanged();
    void statusChanged();
    void lastPathIdChanged();
    void darkModeChanged();
    void onboardingDoneChanged();
    void profileAskedChanged();

    void loadedChanged();

private:
    QCoro::Task<void> loadSecrets();
    void applyDeviceId(const SecretStore::ReadResult &stored);
    void loadDefaults();

    QUrl m_baseURL;
    QUrl m_aiBaseURL;
    QUrl m_tradeBaseURL;
    std::optional<QString> m_accessToken;
    std::optional<QString> m_refreshToken;
    std::optional<QDateTime> m_accessExpiresAt;
    QString m_deviceId;
    std::optional<qint64> m_userId;
    std::optional<QString> m_status;
    std::optional<qint64> m_lastPathId;
    bool m_darkMode = false;
    bool m_onboardingDone = false;
    bool m_profileAsked = false;

    SessionKeychain m_keychain;
    bool m_loaded = false;
    // Set by the token setters: a value stored while the secrets were still being read wins over what the
    // read brings.
    bool m_tokensSetWhileLoading = false;

    // Hand-over to callers waiting on the load, a renewal or a refresh in flight. Finished when it ends,
    // abandoned when the session is destroyed, so no waiter is left suspended for good.
    std::shared_ptr<Completion> m_loadDone;
    std::shared_ptr<Completion> m_renewal; // while a renewal runs
    std::optional<QString> m_renewResult;
    std::shared_ptr<Completion> m_refresh; // while a refresh runs
    bool m_renewing = false;
};
