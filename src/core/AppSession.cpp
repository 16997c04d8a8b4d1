#include "AppSession.h"

#include "AuthAPIClient.h"
#include "BundleInfo.h"
#include "Clock.h"
#include "Completion.h"
#include "CoreLogging.h"
#include "ErrorText.h"
#include "Platform.h"
#include "UserDefaults.h"

#include <QPointer>
#include <QSignalBlocker>
#include <QUuid>

namespace {

namespace Keys {
const QString accessToken = QStringLiteral("qvl.access_token");
const QString refreshToken = QStringLiteral("qvl.refresh_token");
const QString deviceId = QStringLiteral("qvl.device_id");
const QString accessExpiresAt = QStringLiteral("qvl.access_expires_at");
const QString userId = QStringLiteral("qvl.user_id");
const QString status = QStringLiteral("qvl.status");
const QString lastPathId = QStringLiteral("qvl.last_path_id");
const QString darkMode = QStringLiteral("qvl.pref.dark_mode");
const QString onboardingDone = QStringLiteral("qvl.onboarding_done");
const QString profileAsked = QStringLiteral("qvl.profile_asked");
} // namespace Keys

// The service's own host: the legal pages live there too.
const QString defaultApiHost = QStringLiteral("https://") + AppSession::webHost;

QPointer<AppSession> &currentSession() {
    static QPointer<AppSession> session;
    return session;
}

// Spaces and tabs only: a configured URL keeps any other white space (and then fails to parse).
QString trimSpacesAndTabs(const QString &text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (start < end && blank(text[start]))
        ++start;
    while (end > start && blank(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

QUrl configuredURL(const QString &key, const QString &fallback) {
    const QJsonValue value = Platform::bundleInfo().value(key);
    QString text = value.isString() ? trimSpacesAndTabs(value.toString()) : QString();
    if (text.isEmpty())
        text = fallback;
    QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty())
        url = QUrl(fallback, QUrl::StrictMode);
    return url;
}

QString newDeviceId() {
    const QString hex = QUuid::createUuid().toString(QUuid::WithoutBraces).remove(u'-').toLower();
    return QStringLiteral("ios-") + hex.left(24);
}

// A stored number as an integer: an integer as is, anything else as the user defaults convert it.
std::optional<qint64> storedInteger(const QString &key) {
    const UserDefaults &defaults = Platform::userDefaults();
    return defaults.contains(key) ? std::optional(defaults.integerValue(key)) : std::nullopt;
}

template <typename T>
bool assign(T &field, const T &value) {
    if (field == value)
        return false;
    field = value;
    return true;
}

// Asks the server to forget a refresh token; a failure is only logged.
QCoro::Task<void> forgetRefreshToken(QString refreshToken, QUrl baseURL) {
    try {
        co_await AuthAPIClient().logout(refreshToken, baseURL);
    } catch (...) {
        qCInfo(lcSession) << "logout not delivered:" << failureSummary(std::current_exception());
    }
}

} // namespace

AppSession::AppSession(QObject *parent) : QObject(parent), m_loadDone(std::make_shared<Completion>()) {
    m_baseURL = configuredURL(QStringLiteral("QVLApiBaseURL"), defaultApiHost);
    m_aiBaseURL = configuredURL(QStringLiteral("QVLAiBaseURL"), defaultApiHost + QStringLiteral("/ai"));
    m_tradeBaseURL =
        configuredURL(QStringLiteral("QVLTradeBaseURL"), defaultApiHost + QStringLiteral("/trade"));

    const UserDefaults &defaults = Platform::userDefaults();
    m_darkMode = defaults.boolValue(Keys::darkMode);
    m_onboardingDone = defaults.boolValue(Keys::onboardingDone);
    m_profileAsked = defaults.boolValue(Keys::profileAsked);
    loadDefaults();

    currentSession() = this;
    Q_EMIT CurrentSessionNotifier::instance().currentChanged(this);
    // Finishes before it returns when the store answers at once; a keyring answers later.
    loadSecrets();
}

CurrentSessionNotifier &CurrentSessionNotifier::instance() {
    static CurrentSessionNotifier notifier;
    return notifier;
}

AppSession::~AppSession() {
    // Whoever still waits on this session resumes with nothing and leaves it alone.
    m_loadDone->abandon();
    if (m_renewal)
        m_renewal->abandon();
    if (m_refresh)
        m_refresh->abandon();
    // m_keychain's queue outlives the session until what it holds is written.
}

AppSession *AppSession::current() {
    return currentSession().data();
}

QCoro::Task<bool> AppSession::waitUntilLoaded() {
    std::shared_ptr<Completion> loaded = m_loadDone;
    co_return co_await Completion::wait(loaded);
}

void AppSession::finishPendingWrites() {
    m_keychain.finishWrites();
}

QCoro::Task<void> AppSession::loadSecrets() {
    QPointer<AppSession> self(this);
    const std::shared_ptr<Completion> loaded = m_loadDone;

    const SecretStore::ReadResult deviceId = co_await m_keychain.lookup(Keys::deviceId);
    if (loaded->isSettled() || !self)
        co_return;
    applyDeviceId(deviceId);

    // Older versions kept the access token in the user defaults; it moves to the secret store, and leaves
    // the user defaults only once the store has confirmed it.
    std::optional<QString> accessToken;
    if (const UserDefaults &defaults = Platform::userDefaults();
        defaults.object(Keys::accessToken).typeId() == QMetaType::QString) {
        accessToken = defaults.stringValue(Keys::accessToken);
        // (A token set meanwhile is newer and is already on its way to the store.)
        if (!m_tokensSetWhileLoading) {
            m_keychain.save(accessToken, Keys::accessToken, [](bool stored) {
                if (stored)
                    Platform::userDefaults().remove(Keys::accessToken);
            });
        }
    } else {
        // Values are taken as read and not written back: a read that failed must not delete the stored item.
        const SecretStore::ReadResult stored = co_await m_keychain.lookup(Keys::accessToken);
        if (loaded->isSettled() || !self)
            co_return;
        if (stored.status == SecretStore::Status::Found)
            accessToken = stored.value;
    }
    const SecretStore::ReadResult refresh = co_await m_keychain.lookup(Keys::refreshToken);
    if (loaded->isSettled() || !self)
        co_return;

    const bool hadTokens = m_tokensSetWhileLoading;
    m_loaded = true;
    if (!hadTokens) {
        if (refresh.status == SecretStore::Status::Found &&
            assign(m_refreshToken, std::optional(refresh.value)))
            Q_EMIT refreshTokenChanged();
        if (assign(m_accessToken, accessToken))
            Q_EMIT accessTokenChanged();
    }
    Q_EMIT loadedChanged();
    loaded->finish();
}

void AppSession::applyDeviceId(const SecretStore::ReadResult &stored) {
    switch (stored.status) {
    case SecretStore::Status::Found:
        m_deviceId = stored.value;
        break;
    case SecretStore::Status::NotFound:
        m_deviceId = newDeviceId();
        m_keychain.save(m_deviceId, Keys::deviceId);
        break;
    case SecretStore::Status::Failed:
        // The keyring did not answer: this run signs in with a temporary id, and the stored one stays for the
        // next run rather than being replaced.
        qCWarning(lcSession) << "the device id could not be read; using a temporary one for this run";
        m_deviceId = newDeviceId();
        break;
    }
}

void AppSession::loadDefaults() {
    const UserDefaults &defaults = Platform::userDefaults();
    const QVariant expiry = defaults.object(Keys::accessExpiresAt);
    if (expiry.typeId() == QMetaType::Double || expiry.typeId() == QMetaType::LongLong) {
        const auto msecs = qint64(expiry.toDouble() * 1000.0);
        m_accessExpiresAt = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
    }
    m_userId = storedInteger(Keys::userId);
    m_status = defaults.stringValue(Keys::status);
    m_lastPathId = storedInteger(Keys::lastPathId);
}

void AppSession::setBaseURL(const QUrl &url) {
    if (assign(m_baseURL, url))
        Q_EMIT baseURLChanged();
}

void AppSession::setAiBaseURL(const QUrl &url) {
    if (assign(m_aiBaseURL, url))
        Q_EMIT aiBaseURLChanged();
}

void AppSession::setTradeBaseURL(const QUrl &url) {
    if (assign(m_tradeBaseURL, url))
        Q_EMIT tradeBaseURLChanged();
}

void AppSession::setAccessToken(const std::optional<QString> &token) {
    const bool changed = assign(m_accessToken, token);
    if (!m_loaded)
        m_tokensSetWhileLoading = true;
    m_keychain.save(token, Keys::accessToken);
    if (changed)
        Q_EMIT accessTokenChanged();
}

void AppSession::setRefreshToken(const std::optional<QString> &token) {
    const bool changed = assign(m_refreshToken, token);
    if (!m_loaded)
        m_tokensSetWhileLoading = true;
    m_keychain.save(token, Keys::refreshToken);
    if (changed)
        Q_EMIT refreshTokenChanged();
}

void AppSession::setAccessExpiresAt(const std::optional<QDateTime> &when) {
    const bool changed = assign(m_accessExpiresAt, when);
    UserDefaults &defaults = Platform::userDefaults();
    if (when)
        defaults.setDouble(Keys::accessExpiresAt, double(when->toMSecsSinceEpoch()) / 1000.0);
    else
        defaults.remove(Keys::accessExpiresAt);
    if (changed)
        Q_EMIT accessExpiresAtChanged();
}

namespace {
void writeInteger(const QString &key, std::optional<qint64> value) {
    if (value)
        Platform::userDefaults().setInteger(key, *value);
    else
        Platform::userDefaults().remove(key);
}
} // namespace

void AppSession::setUserId(std::optional<qint64> id) {
    const bool changed = assign(m_userId, id);
    writeInteger(Keys::userId, id);
    if (changed)
        Q_EMIT userIdChanged();
}

void AppSession::setStatus(const std::optional<QString> &status) {
    const bool changed = assign(m_status, status);
    if (status)
        Platform::userDefaults().setString(Keys::status, *status);
    else
        Platform::userDefaults().remove(Keys::status);
    if (changed)
        Q_EMIT statusChanged();
}

void AppSession::setLastPathId(std::optional<qint64> id) {
    const bool changed = assign(m_lastPathId, id);
    writeInteger(Keys::lastPathId, id);
    if (changed)
        Q_EMIT lastPathIdChanged();
}

void AppSession::setDarkMode(bool on) {
    const bool changed = assign(m_darkMode, on);
    Platform::userDefaults().setBool(Keys::darkMode, on);
    if (changed)
        Q_EMIT darkModeChanged();
}

void AppSession::setOnboardingDone(bool done) {
    const bool changed = assign(m_onboardingDone, done);
    Platform::userDefaults().setBool(Keys::onboardingDone, done);
    if (changed)
        Q_EMIT onboardingDoneChanged();
}

void AppSession::setProfileAsked(bool asked) {
    const bool changed = assign(m_profileAsked, asked);
    Platform::userDefaults().setBool(Keys::profileAsked, asked);
    if (changed)
        Q_EMIT profileAskedChanged();
}

void AppSession::storeGrant(const LoginResponse &grant) {
    // Stored in the grant's order, told in the same order, but only once every value is in place: whatever
    // follows the sign-in sees the whole account at its first signal, and a new account goes straight to its
    // birth month instead of building the signed-in shell for a moment on a token without a status.
    const std::optional<QString> accessToken = m_accessToken;
    const std::optional<qint64> userId = m_userId;
    const std::optional<QString> status = m_status;
    const std::optional<QString> refreshToken = m_refreshToken;
    const std::optional<QDateTime> accessExpiresAt = m_accessExpiresAt;
    {
        const QSignalBlocker quiet(this);
        setAccessToken(grant.accessToken);
        setUserId(grant.userId);
        setStatus(grant.status);
        if (grant.refreshToken)
            setRefreshToken(grant.refreshToken);
        setAccessExpiresAt(Platform::clock().now().addSecs(grant.expiresIn));
    }
    if (m_accessToken != accessToken)
        Q_EMIT accessTokenChanged();
    if (m_userId != userId)
        Q_EMIT userIdChanged();
    if (m_status != status)
        Q_EMIT statusChanged();
    if (m_refreshToken != refreshToken)
        Q_EMIT refreshTokenChanged();
    if (m_accessExpiresAt != accessExpiresAt)
        Q_EMIT accessExpiresAtChanged();
}

void AppSession::signOut() {
    if (m_refreshToken) {
        // Fire and forget: the learner is signed out here whatever the server answers.
        forgetRefreshToken(*m_refreshToken, m_baseURL);
    }
    setRefreshToken(std::nullopt);
    setAccessExpiresAt(std::nullopt);
    setAccessToken(std::nullopt);
    setUserId(std::nullopt);
    setStatus(std::nullopt);
    setLastPathId(std::nullopt);
    setOnboardingDone(false);
    setProfileAsked(false);
}

QCoro::Task<HttpResponse> AppSession::data(HttpRequest request) {
    QPointer<AppSession> self(this);
    HttpResponse first = co_await Platform::transport().send(request);
    if (!self)
        co_return first;
    const std::optional<HttpRequest> again = co_await retryRequest(request, first);
    if (!again)
        co_return first;
    co_return co_await Platform::transport().send(*again);
}

QCoro::Task<std::unique_ptr<ByteStream>> AppSession::bytes(HttpRequest request) {
    QPointer<AppSession> self(this);
    std::unique_ptr<ByteStream> first = co_await Platform::transport().open(request);
    if (!self)
        co_return first;
    const std::optional<HttpRequest> again = co_await retryRequest(request, first->response());
    if (!again)
        co_return first;
    first.reset(); // dropped unread
    co_return co_await Platform::transport().open(*again);
}

QCoro::Task<std::optional<HttpRequest>> AppSession::retryRequest(HttpRequest request, HttpResponse response) {
    const std::optional<QByteArray> authorization = request.header("Authorization");
    if (!response.isHttp() || response.status != 401 || !authorization)
        co_return std::nullopt;
    const QString value = QString::fromUtf8(*authorization);
    const QString stale = value.startsWith(QStringLiteral("Bearer ")) ? value.mid(7) : value;
    const std::optional<QString> token = co_await renewAccessToken(stale);
    if (!token)
        co_return std::nullopt;
    request.setHeader("Authorization", "Bearer " + token->toUtf8());
    co_return request;
}

QCoro::Task<std::optional<QString>> AppSession::renewAccessToken(std::optional<QString> staleToken) {
    // Another renewal has already replaced the stale token. (A copy: a coroutine's `co_return` of a member
    // moves it out, which would leave the session with an empty token.)
    if (m_accessToken && (!staleToken || *staleToken != *m_accessToken))
        co_return std::optional<QString>(m_accessToken);
    if (m_renewal) {
        // Only a renewal that produced a new token is worth a resend; a failed one leaves the refused token
        // in place. Nothing either when the session went away meanwhile (then `this` must not be touched).
        const std::shared_ptr<Completion> renewal = m_renewal;
        if (!co_await Completion::wait(renewal))
            co_return std::nullopt;
        const std::optional<QString> result = m_renewResult;
        if (!result || result == staleToken)
            co_return std::nullopt;
        co_return result;
    }
    if (!m_refreshToken)
        co_return std::nullopt;

    QPointer<AppSession> self(this);
    const std::shared_ptr<Completion> renewal = m_renewal = std::make_shared<Completion>();
    m_renewing = true;
    co_await refreshIfNeeded(true);
    if (!self || renewal->isSettled())
        co_return std::nullopt;
    const std::optional<QString> result = m_accessToken;
    m_renewResult = result;
    m_renewing = false;
    m_renewal.reset();
    renewal->finish();
    if (!result || result == staleToken)
        co_return std::nullopt;
    co_return result;
}

QCoro::Task<void> AppSession::refreshIfNeeded(bool force) {
    if (!m_loaded) {
        // The start-up refresh may come before the keyring has answered: the tokens are not known yet.
        const std::shared_ptr<Completion> loaded = m_loadDone;
        if (!co_await Completion::wait(loaded))
            co_return;
    }
    if (!m_refreshToken)
        co_return;
    if (!force && m_accessExpiresAt && Platform::clock().now().msecsTo(*m_accessExpiresAt) > 600 * 1000)
        co_return;
    if (m_refresh) {
        // One refresh at a time: the start-up refresh and a renewal never send the same token twice.
        const std::shared_ptr<Completion> refresh = m_refresh;
        co_await Completion::wait(refresh);
        co_return;
    }

    QPointer<AppSession> self(this);
    const QString sentToken = *m_refreshToken;
    const std::shared_ptr<Completion> refresh = m_refresh = std::make_shared<Completion>();
    try {
        const LoginResponse grant = co_await AuthAPIClient().refresh(sentToken, *this);
        // A sign-out (or a new sign-in) while the refresh was under way wins: its grant is not stored.
        if (self && m_refreshToken == sentToken)
            storeGrant(grant);
    } catch (const AuthAPIError &error) {
        if (error.kind() == AuthAPIError::Case::Http && error.status() == 401) {
            if (self && m_refreshToken == sentToken)
                signOut();
        } else if (error.kind() == AuthAPIError::Case::Http) {
            qCWarning(lcSession, "token refresh failed with status %d; the tokens stay as they are",
                      error.status());
        } else if (error.kind() == AuthAPIError::Case::Decoding) {
            qCWarning(lcSession, "token refresh answered an undecodable grant; the tokens stay as they are");
        } else {
            qCWarning(lcSession).noquote()
                << QStringLiteral("token refresh got no usable answer (%1); the tokens stay as they are")
                       .arg(failureSummary(std::current_exception()));
        }
    } catch (const TransportError &error) {
        qCWarning(lcSession,
                  "token refresh got no answer (transport failure %d); the tokens stay as they are",
                  int(error.kind()));
    } catch (...) {
        // The caller sees the first 401; the next request tries again.
        qCWarning(lcSession) << "token refresh failed; the tokens stay as they are";
    }
    if (!self || refresh->isSettled())
        co_return;
    m_refresh.reset();
    refresh->finish();
}
