#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QUrl>

#include <QCoro/QCoroTask>

#include <memory>
#include <optional>
#include <vector>

#include "UserFacingError.h"

class Completion;
class QNetworkAccessManager;

// One HTTP request as the API clients build it. Header names compare case-insensitively.
struct HttpRequest {
    QByteArray method = "GET";
    QUrl url;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    int timeoutMs = 60000;
    // Finishing it aborts the request wherever it is (waiting for its answer, or its body being read); the
    // caller then gets a cancellation. Copies of the request (a resend after a renewal) share it.
    std::shared_ptr<Completion> abort;

    std::optional<QByteArray> header(const QByteArray &name) const;
    bool hasHeader(const QByteArray &name) const { return header(name).has_value(); }
    // Replaces every header of that name with one of the given value.
    void setHeader(const QByteArray &name, const QByteArray &value);
};

// An answer. `status` is -1 when what came back was not an HTTP answer at all.
struct HttpResponse {
    int status = -1;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    bool isHttp() const { return status >= 0; }
    std::optional<QByteArray> header(const QByteArray &name) const;
};

// A failure below HTTP: no connection, timeout, cancellation, or an answer too large to read. Its message is
// the learner-facing text.
class TransportError : public UserFacingError {
public:
    enum class Kind { NoConnection, TimedOut, Cancelled, TooLarge, Other };
    TransportError(Kind kind, QString message) : UserFacingError(std::move(message)), m_kind(kind) {}
    Kind kind() const { return m_kind; }
    static TransportError fromKind(Kind kind);

private:
    Kind m_kind;
};

// A streamed answer read line by line (server-sent events). Status and headers are known once it is open.
class ByteStream {
public:
    virtual ~ByteStream() = default;
    virtual const HttpResponse &response() const = 0; // body stays empty
    // The next line without its line break; nothing at the end of the stream. Throws TransportError, also
    // when the connection breaks before the body is complete (a cut reply must not look complete).
    virtual QCoro::Task<std::optional<QByteArray>> nextLine() = 0;
    virtual void cancel() = 0;
};

// What the system sends requests over. The production one is `NetworkTransport`; tests script a fake.
//
// A redirect is followed only within the origin (scheme, host and port) of the request that was sent: the
// headers (the token) and the body never go to another host. A redirect that is not followed is the answer.
class Transport {
public:
    // The largest plain answer read (the largest real one, a long wrong book, is under 1 MB), and the longest
    // line of a byte stream. Past either the request is aborted with `TransportError::Kind::TooLarge`.
    static constexpr qint64 bodyLimit = 16 * 1024 * 1024;
    static constexpr qsizetype lineLimit = 1024 * 1024;
    // Same-origin redirects followed for one request before the last redirect is taken as the answer.
    static constexpr int redirectLimit = 10;

    virtual ~Transport() = default;
    // Throws TransportError when no answer arrives; every HTTP status is an answer.
    virtual QCoro::Task<HttpResponse> send(HttpRequest request) = 0;
    // Resolves once the status and headers are in. Throws TransportError.
    virtual QCoro::Task<std::unique_ptr<ByteStream>> open(HttpRequest request) = 0;
};

// Sends over one long-lived QNetworkAccessManager; a manager must outlive every reply awaited on it.
class NetworkTransport final : public Transport {
public:
    NetworkTransport();
    ~NetworkTransport() override;
    QCoro::Task<HttpResponse> send(HttpRequest request) override;
    QCoro::Task<std::unique_ptr<ByteStream>> open(HttpRequest request) override;

    // Aborts every request and open stream; each caller gets a cancellation on a later turn of the event
    // loop. Before the transport is torn down, this lets its callers end instead of waiting for good on
    // replies that are gone.
    void abortAll();
    // Requests not yet ended and streams not yet destroyed.
    int underwayCount() const;

    struct Underway;

private:
    std::unique_ptr<QNetworkAccessManager> m_manager;
    std::vector<std::weak_ptr<Underway>> m_underway;
};
