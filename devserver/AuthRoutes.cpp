#include "Http.h"
#include "Routes.h"
#include "ServerState.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>
#include <QRegularExpression>
#include <QTimeZone>

namespace devserver {

namespace {

// A mainland mobile number: 11 ASCII digits, the first a "1". Full-width digits do not count.
bool isValidPhone(const QString &phone) {
    if (phone.size() != 11 || phone.front() != QLatin1Char('1'))
        return false;
    for (QChar c : phone) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

void sendInvalidPhone(httplib::Response &res) {
    sendError(res, 400, "invalid_phone", QStringLiteral("手机号格式不正确"));
}

void sendCode(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    const auto phone = requireString(*body, "phone", res);
    if (!phone)
        return;
    if (!isValidPhone(*phone))
        return sendInvalidPhone(res);
    if (!requireString(*body, "scene", res) || !requireString(*body, "captcha_token", res))
        return;

    std::lock_guard lock(state.mutex);
    const auto now = Clock::now();
    const std::string key = phone->toStdString();
    auto last = state.lastCodeSentAt.find(key);
    if (last != state.lastCodeSentAt.end()) {
        const auto waited = std::chrono::duration_cast<std::chrono::seconds>(now - last->second).count();
        if (waited < ServerState::kSmsResendAfter) {
            res.set_header("Retry-After", std::to_string(ServerState::kSmsResendAfter - waited));
            return sendError(res, 429, "too_many_requests", QStringLiteral("验证码发送过于频繁，请稍后再试"));
        }
    }
    state.lastCodeSentAt[key] = now;

    QJsonObject answer;
    answer.insert(QStringLiteral("expires_in"), qint64(ServerState::kSmsExpiresIn));
    answer.insert(QStringLiteral("resend_after"), qint64(ServerState::kSmsResendAfter));
    sendJson(res, 200, answer);
}

void login(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    const auto phone = requireString(*body, "phone", res);
    if (!phone)
        return;
    const auto code = requireString(*body, "code", res);
    if (!code)
        return;
    const auto deviceId = requireString(*body, "device_id", res);
    if (!deviceId)
        return;
    if (!isValidPhone(*phone))
        return sendInvalidPhone(res);
    // Any phone signs in with the fixed code, requested or not, so that manual runs need no SMS step.
    if (*code != QLatin1String(ServerState::kSmsCode))
        return sendError(res, 400, "invalid_code", QStringLiteral("验证码错误"));

    std::lock_guard lock(state.mutex);
    const UserRecord &user = state.userForPhoneLocked(phone->toStdString());
    const std::int64_t sessionId = state.nextSessionId++;
    sendJson(res, 200, state.issueGrantLocked(user.id, sessionId, deviceId->toStdString()));
}

void refresh(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    const auto token = requireString(*body, "refresh_token", res);
    if (!token)
        return;

    std::lock_guard lock(state.mutex);
    const RefreshTokenRecord *found = state.findRefreshTokenLocked(token->toStdString());
    if (!found)
        return sendError(res, 401, "invalid_refresh_token", QStringLiteral("登录已过期，请重新登录"));
    // Rotation: the presented token is spent; the sign-in goes on with the new pair.
    const RefreshTokenRecord record = *found;
    state.refreshTokens.erase(token->toStdString());
    sendJson(res, 200, state.issueGrantLocked(record.userId, record.sessionId, record.deviceId));
}

void logout(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    // The client never reads this answer, so every request ends in 204, a malformed one included.
    res.status = 204;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(req.body), &error);
    const QJsonValue token = document.object().value(QStringLiteral("refresh_token"));
    if (error.error != QJsonParseError::NoError || !token.isString())
        return;
    std::lock_guard lock(state.mutex);
    if (const RefreshTokenRecord *record = state.findRefreshTokenLocked(token.toString().toStdString()))
        state.revokeSessionLocked(record->sessionId);
}

void me(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    std::lock_guard lock(state.mutex);
    const UserRecord &user = state.users.at(who->userId);
    QJsonObject answer;
    answer.insert(QStringLiteral("user_id"), qint64(user.id));
    answer.insert(QStringLiteral("tenant_id"), qint64(ServerState::kTenantId));
    answer.insert(QStringLiteral("status"), QString::fromStdString(user.status));
    answer.insert(QStringLiteral("birth_year_month"),
                  user.birthYearMonth ? QJsonValue(QString::fromStdString(*user.birthYearMonth))
                                      : QJsonValue(QJsonValue::Null));
    sendJson(res, 200, answer);
}

// Today in Shanghai, where the service counts ages.
QDate shanghaiToday() {
    const QTimeZone zone(QByteArrayLiteral("Asia/Shanghai"));
    return QDateTime::currentDateTimeUtc().toTimeZone(zone.isValid() ? zone : QTimeZone::utc()).date();
}

// The youth-protection band of a birth month.
QString ageBand(QDate birthMonth, QDate today) {
    const int age = ageInYears(birthMonth, today);
    if (age <= 7)
        return QStringLiteral("under_8");
    if (age <= 13)
        return QStringLiteral("8_13");
    if (age <= 15)
        return QStringLiteral("14_15");
    if (age <= 17)
        return QStringLiteral("16_17");
    return QStringLiteral("adult");
}

// The birth month, given once: a month of the last 120 years that is not ahead, "YYYY-MM".
void updateProfile(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    const auto who = requireSignedIn(state, req, res);
    if (!who)
        return;
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    const auto month = requireString(*body, "birth_year_month", res);
    if (!month)
        return;
    static const QRegularExpression shape(QStringLiteral("^([0-9]{4})-([0-9]{2})$"));
    const QRegularExpressionMatch match = shape.match(*month);
    const QDate today = shanghaiToday();
    const QDate first =
        match.hasMatch() ? QDate(match.captured(1).toInt(), match.captured(2).toInt(), 1) : QDate();
    if (!first.isValid() || first.year() < today.year() - 120)
        return sendError(res, 400, "invalid_birth_year_month", QStringLiteral("出生年月格式不正确"));
    if (first > today)
        return sendError(res, 400, "invalid_birth_year_month", QStringLiteral("出生年月不能晚于当前月份"));

    std::lock_guard lock(state.mutex);
    UserRecord &user = state.users.at(who->userId);
    if (user.birthYearMonth)
        return sendError(res, 409, "birth_year_month_locked", QStringLiteral("出生年月已提交，不能修改"));
    user.birthYearMonth = month->toStdString();
    if (user.status == "PendingProfile")
        user.status = "Active";
    QJsonObject answer;
    answer.insert(QStringLiteral("status"), QString::fromStdString(user.status));
    answer.insert(QStringLiteral("age_band"), ageBand(first, today));
    sendJson(res, 200, answer);
}

} // namespace

int ageInYears(QDate birthMonth, QDate today) {
    const QDate last(birthMonth.year(), birthMonth.month(), birthMonth.daysInMonth());
    int age = today.year() - last.year();
    if (today.month() < last.month() || (today.month() == last.month() && today.day() < last.day()))
        --age;
    return age;
}

void registerAuthRoutes(Router &router) {
    ServerState &state = router.state();
    router.post("/api/v1/sms/code",
                [&state](const httplib::Request &req, httplib::Response &res) { sendCode(state, req, res); });
    router.post("/api/v1/auth/login",
                [&state](const httplib::Request &req, httplib::Response &res) { login(state, req, res); });
    router.post("/api/v1/auth/refresh",
                [&state](const httplib::Request &req, httplib::Response &res) { refresh(state, req, res); });
    router.post("/api/v1/auth/logout",
                [&state](const httplib::Request &req, httplib::Response &res) { logout(state, req, res); });
    router.get("/api/v1/me",
               [&state](const httplib::Request &req, httplib::Response &res) { me(state, req, res); });
    router.put("/api/v1/me/profile", [&state](const httplib::Request &req, httplib::Response &res) {
        updateProfile(state, req, res);
    });
}

} // namespace devserver
