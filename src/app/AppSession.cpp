#include "AppSession.h"

#include "AuthAPIClient.h"
#include "Brand.h"
#include "BundleInfo.h"
#include "Clock.h"
#include "Platform.h"
#include "SessionKeychain.h"
#include "UserDefaults.h"

#include <QPointer>
#include <QUuid>

#include <QCoro/QCoroSignal>

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
const QString defaultApiHost = QStringLiteral("https://") + Brand::webHost;

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

} // namespace

AppSession::AppSession(QObject *parent) : QObject(parent) {
    m_baseURL = configuredURL(QStringLiteral("QVLApiBaseURL"), defaultApiHost);
    m_aiBaseURL = configuredURL(QStringLiteral("QVLAiBaseURL"), defaultApiHost + QStringLiteral("/ai"));
    m_tradeBaseURL =
        configuredURL(QStringLiteral("QVLTradeBaseURL"), defaultApiHost + QStringLiteral("/trade"));

    const UserDefaults &defaults = Platform::userDefaults();
    m_darkMode = defaults.boolValue(Keys::darkMode);
    m_onboardingDone = defaults.boolValue(Keys::onboardingDone);
    m_profileAsked = defaults.boolValue(Keys::profileAsked);

    loadDeviceId();
    loadTokens();
    loadDefaults();

    currentSession() = this;
    Q_EMIT CurrentSessionNotifier::instance().currentChanged(this);
}

CurrentSessionNotifier &CurrentSessionNotifier::instance() {
    static CurrentSessionNotifier notifier;
    return notifier;
}

AppSession::~AppSession() = default;

AppSession *AppSession::current() {
    return currentSession().data();
}

void AppSession::loadDeviceId() {
    const SecretStore::ReadResult stored = SessionKeychain::lookup(Keys::deviceId);
    switch (stored.status) {
    case SecretStore::Status::Found:
        m_deviceId = stored.value;
        break;
    case SecretStore::Status::NotFound:
        m_deviceId = newDeviceId();
        SessionKeychain::save(m_deviceId, Keys::deviceId);
        break;
    case SecretStore::Status::Failed:
        // The keyring did not answer: this run signs in with a temporary id, and the stored one stays for the
        // next run rather than being replaced.
        m_deviceId = newDeviceId();
        break;
    }
}

void AppSession::loadTokens() {
    UserDefaults &defaults = Platform::userDefaults();
    // Older versions kept the access token in the user defaults; it moves to the secret store, and leaves
    // the user defaults only once the store has it.
    std::optional<QString> legacyToken;
    if (defaults.object(Keys::accessToken).typeId() == QMetaType::QString) {
        legacyToken = defaults.stringValue(Keys::accessToken);
        if (SessionKeychain::save(legacyToken, Keys::accessToken)) {
            defaults.remove(Keys::accessToken);
            legacyToken.reset();
        }
    }
    // Values are taken as read and not written back: a read that failed must not delete the stored item.
    m_accessToken = legacyToken ? legacyToken : SessionKeychain::read(Keys::accessToken);
    m_refreshToken = SessionKeychain::read(Keys::refreshToken);
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
    SessionKeychain::save(token, Keys::accessToken);
    if (changed)
        Q_EMIT accessTokenChanged();
}

void AppSession::setRefreshToken(const std::optional<QString> &token) {
    const bool changed = assign(m_refreshToken, token);
    SessionKeychain::save(token, Keys::refreshToken);
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
    setAccessToken(grant.accessToken);
    setUserId(grant.userId);
    setStatus(grant.status);
    if (grant.refreshToken)
        setRefreshToken(grant.refreshToken);
    setAccessExpiresAt(Platform::clock().now().addSecs(grant.expiresIn));
}

void AppSession::signOut() {
    if (m_refreshToken) {
        // Fire and forget: the task runs to its end on its own and its outcome is dropped.
        AuthAPIClient().logout(*m_refreshToken, m_baseURL);
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
    // Another renewal has already replaced the stale token.
    if (m_accessToken && (!staleToken || *staleToken != *m_accessToken))
        co_return m_accessToken;
    QPointer<AppSession> self(this);
    if (m_renewing) {
        co_await qCoro(this, &AppSession::renewalFinished);
        co_return self ? m_renewResult : std::nullopt;
    }
    if (!m_refreshToken)
        co_return std::nullopt;

    m_renewing = true;
    co_await refreshIfNeeded(true);
    if (!self)
        co_return std::nullopt;
    const std::optional<QString> result = m_accessToken;
    m_renewResult = result;
    m_renewing = false;
    Q_EMIT renewalFinished();
    if (!result || result == staleToken)
        co_return std::nullopt;
    co_return result;
}

QCoro::Task<void> AppSession::refreshIfNeeded(bool force) {
    if (!m_refreshToken)
        co_return;
    if (!force && m_accessExpiresAt && Platform::clock().now().msecsTo(*m_accessExpiresAt) > 600 * 1000)
        co_return;
    if (m_refreshing) {
        // One refresh at a time: the start-up refresh and a renewal never send the same token twice.
        co_await qCoro(this, &AppSession::refreshFinished);
        co_return;
    }

    QPointer<AppSession> self(this);
    const QString sentToken = *m_refreshToken;
    m_refreshing = true;
    try {
        const LoginResponse grant = co_await AuthAPIClient().refresh(sentToken, *this);
        // A sign-out (or a new sign-in) while the refresh was under way wins: its grant is not stored.
        if (self && m_refreshToken == sentToken)
            storeGrant(grant);
    } catch (const AuthAPIError &error) {
        if (self && error.kind() == AuthAPIError::Case::Http && error.status() == 401 &&
            m_refreshToken == sentToken)
            signOut();
    } catch (...) {
        // Any other failure leaves the tokens as they are; the caller sees the first 401.
    }
    if (!self)
        co_return;
    m_refreshing = false;
    Q_EMIT refreshFinished();
}

QCoro::Task<HttpResponse> AppSession::send(HttpRequest request) {
    if (AppSession *session = current())
        co_return co_await session->data(std::move(request));
    co_return co_await Platform::transport().send(std::move(request));
}

QCoro::Task<std::unique_ptr<ByteStream>> AppSession::open(HttpRequest request) {
    if (AppSession *session = current())
        co_return co_await session->bytes(std::move(request));
    co_return co_await Platform::transport().open(std::move(request));
}
