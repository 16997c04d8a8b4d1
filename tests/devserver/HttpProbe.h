#pragma once

#include "DevServer.h"

#include <httplib.h>

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QString>

// Plain HTTP requests to the stand-in for its own suites: one fresh client per request, safe from any thread.
namespace HttpProbe {

struct Reply {
    int status = -1; // -1: no whole HTTP answer
    httplib::Error error = httplib::Error::Success;
    QByteArray body;
    QJsonObject json;
    httplib::Headers headers;
    std::string contentType;
    qint64 elapsedMs = 0;

    QString string(const char *key) const { return json.value(QLatin1String(key)).toString(); }
    QString errorCode() const { return string("code"); }
    QString errorMessage() const { return string("message"); }
    std::string header(const char *name) const {
        auto found = headers.find(name);
        return found == headers.end() ? std::string() : found->second;
    }
};

inline httplib::Headers bearer(const QString &token) {
    if (token.isNull())
        return {};
    return {{"Authorization", "Bearer " + token.toStdString()}};
}

inline Reply request(int port, const std::string &method, const std::string &path,
                     const QByteArray &body = {}, const httplib::Headers &headers = {}) {
    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(5);
    client.set_read_timeout(60);
    QElapsedTimer timer;
    timer.start();
    httplib::Result result = [&] {
        if (method == "GET")
            return client.Get(path, headers);
        if (method == "PUT")
            return client.Put(path, headers, body.toStdString(), "application/json");
        if (method == "DELETE")
            return client.Delete(path, headers);
        return client.Post(path, headers, body.toStdString(), "application/json");
    }();
    Reply reply;
    reply.elapsedMs = timer.elapsed();
    reply.error = result.error();
    if (!result)
        return reply;
    reply.status = result->status;
    reply.body = QByteArray::fromStdString(result->body);
    reply.json = QJsonDocument::fromJson(reply.body).object();
    reply.headers = result->headers;
    reply.contentType = result->get_header_value("Content-Type");
    return reply;
}

// With the token as "Authorization: Bearer <token>" (none for a null token).
inline Reply request(int port, const std::string &method, const std::string &path, const QByteArray &body,
                     const QString &token) {
    return request(port, method, path, body, bearer(token));
}

inline QByteArray json(const QJsonObject &object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// A learner signed in with the development code; their access token (empty when it failed).
inline QString signIn(int port, const QString &phone) {
    const QJsonObject body{{QStringLiteral("phone"), phone},
                           {QStringLiteral("code"), QString::fromStdString(DevServer::smsCode())},
                           {QStringLiteral("device_id"), QStringLiteral("ios-0123456789abcdef01234567")}};
    return request(port, "POST", "/api/v1/auth/login", json(body), QString()).string("access_token");
}

inline bool isChinese(const QString &text) {
    static const QRegularExpression han(QStringLiteral("\\p{Han}"));
    return han.match(text).hasMatch();
}

} // namespace HttpProbe
