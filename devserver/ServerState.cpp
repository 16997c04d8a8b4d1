#include "ServerState.h"

#include <QRandomGenerator>

#include <array>

namespace devserver {

std::string randomToken(const char *prefix) {
    std::array<quint32, 4> words;
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    static constexpr char hex[] = "0123456789abcdef";
    std::string token(prefix);
    for (quint32 word : words) {
        for (int shift = 28; shift >= 0; shift -= 4)
            token.push_back(hex[(word >> shift) & 0xF]);
    }
    return token;
}

UserRecord &ServerState::userForPhoneLocked(const std::string &phone) {
    auto known = userIdByPhone.find(phone);
    if (known != userIdByPhone.end())
        return users.at(known->second);
    const std::int64_t id = nextUserId++;
    userIdByPhone.emplace(phone, id);
    UserRecord &user = users[id];
    user.id = id;
    user.phone = phone;
    user.status = newUserStatus;
    return user;
}

std::optional<std::int64_t> ServerState::userIdForPhoneLocked(const std::string &phone) const {
    const auto known = userIdByPhone.find(phone);
    return known == userIdByPhone.end() ? std::nullopt : std::optional(known->second);
}

QJsonObject ServerState::issueGrantLocked(std::int64_t userId, std::int64_t sessionId,
                                          const std::string &deviceId) {
    const auto now = Clock::now();
    std::string accessToken = randomToken("at_");
    std::string refreshToken = randomToken("rt_");
    accessTokens[accessToken] = {userId, sessionId, now + std::chrono::seconds(kAccessExpiresIn)};
    refreshTokens[refreshToken] = {userId, sessionId, deviceId,
                                   now + std::chrono::seconds(kRefreshExpiresIn)};

    QJsonObject grant;
    grant.insert(QStringLiteral("access_token"), QString::fromStdString(accessToken));
    grant.insert(QStringLiteral("token_type"), QStringLiteral("Bearer"));
    grant.insert(QStringLiteral("expires_in"), qint64(kAccessExpiresIn));
    grant.insert(QStringLiteral("user_id"), qint64(userId));
    grant.insert(QStringLiteral("status"), QString::fromStdString(users.at(userId).status));
    grant.insert(QStringLiteral("refresh_token"), QString::fromStdString(refreshToken));
    grant.insert(QStringLiteral("refresh_expires_in"), qint64(kRefreshExpiresIn));
    return grant;
}

const AccessTokenRecord *ServerState::findAccessTokenLocked(const std::string &token) {
    auto found = accessTokens.find(token);
    if (found == accessTokens.end())
        return nullptr;
    if (found->second.expiresAt <= Clock::now()) {
        accessTokens.erase(found);
        return nullptr;
    }
    return &found->second;
}

const RefreshTokenRecord *ServerState::findRefreshTokenLocked(const std::string &token) {
    auto found = refreshTokens.find(token);
    if (found == refreshTokens.end())
        return nullptr;
    if (found->second.expiresAt <= Clock::now()) {
        refreshTokens.erase(found);
        return nullptr;
    }
    return &found->second;
}

void ServerState::revokeSessionLocked(std::int64_t sessionId) {
    std::erase_if(accessTokens,
                  [sessionId](const auto &entry) { return entry.second.sessionId == sessionId; });
    std::erase_if(refreshTokens,
                  [sessionId](const auto &entry) { return entry.second.sessionId == sessionId; });
}

std::optional<int> ServerState::takeInjection(std::map<std::string, std::deque<Injection>> &table,
                                              const std::string &path) {
    auto found = table.find(path);
    if (found == table.end() || found->second.empty())
        return std::nullopt;
    Injection &next = found->second.front();
    const int value = next.value;
    if (--next.remaining <= 0)
        found->second.pop_front();
    if (found->second.empty())
        table.erase(found);
    return value;
}

bool ServerState::isControlPath(const std::string &path) {
    return path.starts_with(kControlPrefix);
}

bool ServerState::isInjectablePath(const std::string &path) {
    return path.starts_with('/') && !isControlPath(path);
}

void ServerState::expireAccessTokens() {
    std::lock_guard lock(mutex);
    accessTokens.clear();
}

void ServerState::failNext(const std::string &path, int status, int count) {
    std::lock_guard lock(mutex);
    failures[path].push_back({status, count});
}

void ServerState::delayNext(const std::string &path, int milliseconds, int count) {
    std::lock_guard lock(mutex);
    delays[path].push_back({milliseconds, count});
}

int ServerState::requestCount(const std::string &path) const {
    std::lock_guard lock(mutex);
    auto found = requestCounts.find(path);
    return found == requestCounts.end() ? 0 : found->second;
}

void ServerState::setNewUserStatus(const std::string &status) {
    std::lock_guard lock(mutex);
    newUserStatus = status;
}

void ServerState::replaceHomeLayout(std::optional<QJsonObject> document) {
    std::lock_guard lock(mutex);
    homeLayoutReplacement = std::move(document);
}

} // namespace devserver
