#pragma once

#include "ApiError.h"
#include "AppSession.h"
#include "JsonReader.h"
#include "Transport.h"

#include <QCoro/QCoroTask>
#include <QJsonObject>
#include <QPointer>
#include <QUrl>

#include <memory>
#include <optional>

// How every API client talks to the service: which base URL, which authorization, the header rules of its
// requests, and the check its answers pass before their bodies are read. A small value: a feature's client
// builds one per call from the session it was given. Every sending call keeps what it needs by value, so the
// client may be gone long before the answer arrives.
//
// Failures are `ApiError`: transport failures are converted at this boundary (only the lines of a byte
// stream, read later, still throw `TransportError`).
class ApiClient {
public:
    enum class Base { Api, Ai, Trade };
    enum class Auth {
        None,     // no Authorization header, whatever the session holds; a 401 is just an answer
        Bearer,   // the token, sent straight over the transport: a 401 is never renewed
        Renewing, // the session's token, through that session's signed-in sender: a 401 renews once
        // The session's token, through the signed-in sender of the current session (the one made last),
        // straight over the transport while none lives. The settings tab's own session is made after the
        // app's and renews for every screen that sends this way; usually both are the same object.
        RenewingThroughCurrent,
    };
    // The header rules of a client's requests (the timeout is always 60 s).
    struct Rules {
        Base base = Base::Api;
        Auth auth = Auth::Renewing;
        // "Content-Type: application/json" on every request, not only on those with a body.
        bool contentTypeAlways = false;
        // An empty token still sends "Bearer "; otherwise an empty token sends no Authorization at all.
        bool emptyTokenSent = true;
        JsonKeys keys = JsonKeys::FromSnakeCase;
        // The path is resolved against the base URL as a relative reference (a path of the base itself gives
        // way to the request's own) instead of being appended to it.
        bool resolvesReference = false;
    };
    // How an answer is judged before its body is decoded.
    struct Check {
        int okFrom = 200;
        int okTo = 299;
        // The text of every failed answer, "%1" standing for its status (-1 for no HTTP answer), the body
        // unread; empty: the server's own message ("无响应" without an HTTP answer).
        QString fixedFailure;

        static Check onlyStatus(int status) { return {status, status, {}}; }
        static Check withFixedText(QString text) { return {200, 299, std::move(text)}; }
    };

    ApiClient(AppSession &session, Rules rules);
    explicit ApiClient(AppSession &session);
    // Without a session, for calls that must not depend on one still living (a sign-out's logout): the base
    // URL is given, and only a token given with `withToken` is sent.
    ApiClient(QUrl base, Rules rules);

    // Sends this token (or none) instead of the session's.
    ApiClient withToken(std::optional<QString> token) const;

    const Rules &rules() const { return m_rules; }
    // Read from the session when called: a base URL changed meanwhile applies to the next request.
    QUrl baseURL() const;
    // `path` begins with "/" and has its data segments percent-encoded already; it is appended to the base
    // URL's own path. Header order: Content-Type when always sent, Authorization, Content-Type with a body.
    HttpRequest request(const QByteArray &method, const QString &path,
                        const std::optional<QJsonObject> &body = std::nullopt) const;
    // A request built elsewhere with this client's Authorization header set (added last when it has none).
    HttpRequest authorized(HttpRequest request) const;

    // Every HTTP answer as it came.
    QCoro::Task<HttpResponse> data(HttpRequest request) const;
    QCoro::Task<std::unique_ptr<ByteStream>> bytes(HttpRequest request) const;
    // The answer once it passed `check`; its body untouched.
    QCoro::Task<HttpResponse> checked(HttpRequest request, Check check) const;
    QCoro::Task<HttpResponse> checked(HttpRequest request) const {
        return checked(std::move(request), Check());
    }
    // The answer's body decoded as `Model::fromJson` with this client's key rule.
    template <typename Model>
    QCoro::Task<Model> send(HttpRequest request, Check check) const {
        return decodeWhenChecked<Model>(checked(std::move(request), std::move(check)), m_rules.keys);
    }
    template <typename Model>
    QCoro::Task<Model> send(HttpRequest request) const {
        return send<Model>(std::move(request), Check());
    }

    static QUrl appendPath(const QUrl &base, const QString &path);
    // Throws ApiError::http for an answer that fails `check`.
    static void verify(const HttpResponse &response, const Check &check, JsonKeys keys);
    template <typename Model>
    static Model decode(const QByteArray &body, JsonKeys keys) {
        try {
            return Model::fromJson(JsonReader::parse(body, keys));
        } catch (const JsonDecodeError &) {
            throw ApiError::decoding();
        }
    }

private:
    template <typename Model>
    static QCoro::Task<Model> decodeWhenChecked(QCoro::Task<HttpResponse> answer, JsonKeys keys) {
        const HttpResponse response = co_await answer;
        co_return decode<Model>(response.body, keys);
    }
    static QCoro::Task<HttpResponse> checkWhenAnswered(QCoro::Task<HttpResponse> answer, Check check,
                                                       JsonKeys keys);
    static QCoro::Task<HttpResponse> sendVia(QPointer<AppSession> renewing, HttpRequest request);
    static QCoro::Task<std::unique_ptr<ByteStream>> openVia(QPointer<AppSession> renewing,
                                                            HttpRequest request);
    // The session whose signed-in sender sends now; none: straight over the transport.
    QPointer<AppSession> sender() const;
    std::optional<QString> token() const;

    QPointer<AppSession> m_session;
    QUrl m_base; // only without a session
    Rules m_rules;
    bool m_tokenGiven = false;
    std::optional<QString> m_token;
};
