#include "Transport.h"

#include "Completion.h"
#include "PlatformLogging.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

#include <algorithm>
#include <utility>

#include <QCoro/QCoroNetworkReply>

namespace {

std::optional<QByteArray> findHeader(const QList<QPair<QByteArray, QByteArray>> &headers,
                                     const QByteArray &name) {
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return std::nullopt;
}

// `cancelledByUs`: whether this side aborted the reply. Qt reports a transfer timeout as a cancellation too,
// so a cancellation nobody asked for is the timeout.
TransportError::Kind kindOf(QNetworkReply::NetworkError error, bool cancelledByUs = false) {
    switch (error) {
    case QNetworkReply::TimeoutError:
        return TransportError::Kind::TimedOut;
    case QNetworkReply::OperationCanceledError:
        return cancelledByUs ? TransportError::Kind::Cancelled : TransportError::Kind::TimedOut;
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
        return TransportError::Kind::NoConnection;
    default:
        return TransportError::Kind::Other;
    }
}

QNetworkRequest toNetworkRequest(const HttpRequest &request) {
    QNetworkRequest result(request.url);
    for (const auto &[name, value] : request.headers)
        result.setRawHeader(name, value);
    result.setTransferTimeout(request.timeoutMs);
    // Qt's own policies follow a redirect to any host with every raw header: the transport decides instead.
    result.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    return result;
}

int defaultPort(const QUrl &url) {
    const QString scheme = url.scheme().toLower();
    return scheme == u"https" ? 443 : scheme == u"http" ? 80 : -1;
}

bool sameOrigin(const QUrl &a, const QUrl &b) {
    return a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0 &&
           a.host().compare(b.host(), Qt::CaseInsensitive) == 0 &&
           a.port(defaultPort(a)) == b.port(defaultPort(b));
}

// The request to send after `head`, when it is a redirect within the origin of `request`; nothing when it is
// no redirect or one to elsewhere (that answer is then the caller's). 303, and 301/302 after a POST, continue
// as a GET without the body, as browsers do; 307 and 308 repeat the request as it was.
std::optional<HttpRequest> redirected(const HttpRequest &request, const HttpResponse &head) {
    static const int statuses[] = {301, 302, 303, 307, 308};
    if (std::find(std::begin(statuses), std::end(statuses), head.status) == std::end(statuses))
        return std::nullopt;
    const std::optional<QByteArray> location = head.header("Location");
    if (!location)
        return std::nullopt;
    const QUrl target = request.url.resolved(QUrl::fromEncoded(location->trimmed()));
    if (!target.isValid() || !sameOrigin(request.url, target)) {
        qCWarning(lcHttp).noquote() << request.method << request.url.path(QUrl::FullyEncoded) << head.status
                                    << "redirect to another origin not followed";
        return std::nullopt;
    }
    HttpRequest next = request;
    next.url = target;
    const bool toGet = (head.status == 303 && request.method != "HEAD") ||
                       ((head.status == 301 || head.status == 302) && request.method == "POST");
    if (toGet) {
        next.method = "GET";
        next.body.clear();
        next.headers.removeIf([](const auto &header) {
            return header.first.compare("Content-Type", Qt::CaseInsensitive) == 0;
        });
    }
    return next;
}

TransportError tooLarge() {
    return TransportError::fromKind(TransportError::Kind::TooLarge);
}

// Status and headers of a reply; status -1 when no HTTP answer came back.
HttpResponse responseHead(QNetworkReply *reply) {
    HttpResponse response;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid())
        response.status = status.toInt();
    response.headers = reply->rawHeaderPairs();
    return response;
}

// What one request is logged as: method and path, never the query (it may carry personal values), the
// headers (the token) or the body.
class RequestLog {
public:
    explicit RequestLog(const HttpRequest &request)
        : m_method(request.method), m_path(request.url.path(QUrl::FullyEncoded)) {
        m_timer.start();
    }
    void answered(int status, const char *what = "") const {
        qCDebug(lcHttp).noquote() << m_method << m_path << status << QString::number(m_timer.elapsed()) + "ms"
                                  << what;
    }
    void refused(const char *what) const {
        qCDebug(lcHttp).noquote() << m_method << m_path << what << QString::number(m_timer.elapsed()) + "ms";
    }
    void failed(QNetworkReply::NetworkError error) const {
        qCDebug(lcHttp).noquote() << m_method << m_path << "no answer, error" << int(error)
                                  << QString::number(m_timer.elapsed()) + "ms";
    }

private:
    QByteArray m_method;
    QString m_path;
    QElapsedTimer m_timer;
};

// Owns a reply until it is no longer needed; a reply its manager deleted first (the manager going away) is
// seen as gone rather than deleted twice.
class ReplyPtr {
public:
    explicit ReplyPtr(QNetworkReply *reply) : m_reply(reply) {}
    ReplyPtr(ReplyPtr &&other) noexcept : m_reply(std::exchange(other.m_reply, nullptr)) {}
    ReplyPtr &operator=(ReplyPtr &&) = delete;
    ~ReplyPtr() {
        if (m_reply)
            m_reply->deleteLater();
    }
    QNetworkReply *get() const { return m_reply.data(); }
    QNetworkReply *operator->() const { return m_reply.data(); }
    explicit operator bool() const { return !m_reply.isNull(); }

private:
    QPointer<QNetworkReply> m_reply;
};

} // namespace

// A reply under way and whether this side aborted it (through the request's abort handle, a stream's cancel
// or `abortAll`).
struct NetworkTransport::Underway {
    QPointer<QNetworkReply> reply;
    bool aborted = false;

    void abort() {
        if (reply && reply->isRunning()) {
            aborted = true;
            reply->abort();
        }
    }
};

namespace {

using Underway = NetworkTransport::Underway;

// A reply and its abort. The transport lists the abort only weakly: it lives as long as the request's
// coroutine or stream.
struct Started {
    ReplyPtr reply;
    std::shared_ptr<Underway> underway;
};

Started start(QNetworkAccessManager &manager, std::vector<std::weak_ptr<Underway>> &underway,
              const HttpRequest &request) {
    const QNetworkRequest networkRequest = toNetworkRequest(request);
    Started started{ReplyPtr(manager.sendCustomRequest(networkRequest, request.method, request.body)),
                    std::make_shared<Underway>()};
    started.underway->reply = started.reply.get();
    std::erase_if(underway, [](const std::weak_ptr<Underway> &entry) { return entry.expired(); });
    underway.push_back(started.underway);
    if (request.abort) {
        request.abort->then([entry = std::weak_ptr<Underway>(started.underway)] {
            if (const std::shared_ptr<Underway> alive = entry.lock())
                alive->abort();
        });
    }
    return started;
}

// Errors of the connection or a proxy. The other codes stand for HTTP statuses (Qt files a 400 under its
// protocol errors), which are answers.
bool isTransportFailure(QNetworkReply::NetworkError error) {
    const int code = int(error);
    return code >= 1 && code <= 199;
}

// Resumes once `reply` has its headers, more to read or has finished (also when it is destroyed).
QCoro::Task<void> moreOrFinished(QNetworkReply *reply) {
    auto settled = std::make_shared<Completion>();
    const auto settle = [settled] { settled->finish(); };
    const QMetaObject::Connection connections[] = {
        QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, settle),
        QObject::connect(reply, &QNetworkReply::readyRead, reply, settle),
        QObject::connect(reply, &QNetworkReply::finished, reply, settle),
        QObject::connect(reply, &QObject::destroyed, settle),
    };
    co_await Completion::wait(settled);
    for (const QMetaObject::Connection &connection : connections)
        QObject::disconnect(connection);
}

class NetworkByteStream final : public ByteStream {
public:
    NetworkByteStream(Started started, HttpResponse head)
        : m_reply(std::move(started.reply)), m_head(std::move(head)),
          m_underway(std::move(started.underway)) {}
    ~NetworkByteStream() override { cancel(); }

    const HttpResponse &response() const override { return m_head; }

    QCoro::Task<std::optional<QByteArray>> nextLine() override {
        QPointer<QNetworkReply> reply = m_reply.get();
        for (;;) {
            if (std::optional<QByteArray> line = takeLine())
                co_return line;
            // An unfinished line past the limit is no event the app could use: the stream ends here.
            if (pending() > Transport::lineLimit) {
                qCDebug(lcHttp) << "stream line over" << Transport::lineLimit << "bytes; stream aborted";
                cancel();
                throw tooLarge();
            }
            if (!reply)
                throw TransportError::fromKind(TransportError::Kind::Cancelled);
            if (reply->bytesAvailable() > 0) {
                m_buffer += reply->readAll();
                continue;
            }
            // More data, or the end: a reply that finishes (or breaks) with an unfinished line in the buffer
            // sends no further readyRead.
            if (reply->isFinished())
                break;
            co_await moreOrFinished(reply.data());
        }
        qCDebug(lcHttp) << "stream finished, error" << int(reply->error()) << pending();
        // Finished. A connection that broke before the body was complete (a chunked body without its last
        // chunk, fewer bytes than announced) is a failure, and its unfinished last line is not a line.
        if (isTransportFailure(reply->error()))
            throw TransportError::fromKind(kindOf(reply->error(), m_underway->aborted));
        // (Qt 6.4 at times ends a chunked body that the connection broke off as if it were whole, when it
        // sees the connection closed before its error; nothing of the reply tells the two apart then.)
        if (pending() > 0) {
            QByteArray rest = m_buffer.mid(m_start);
            m_buffer.clear();
            m_start = m_scanned = 0;
            co_return withoutLineBreak(std::move(rest));
        }
        co_return std::nullopt;
    }

    void cancel() override { m_underway->abort(); }

private:
    static QByteArray withoutLineBreak(QByteArray line) {
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        return line;
    }

    qsizetype pending() const { return m_buffer.size() - m_start; }

    // The next complete line of the buffer. Each byte is searched once, however the line arrives in pieces;
    // what was read is dropped from the front once it is the larger part of the buffer.
    std::optional<QByteArray> takeLine() {
        const qsizetype end = m_buffer.indexOf('\n', m_scanned);
        if (end < 0) {
            m_scanned = m_buffer.size();
            return std::nullopt;
        }
        QByteArray line = m_buffer.mid(m_start, end - m_start);
        m_start = m_scanned = end + 1;
        if (m_start >= 64 * 1024 && m_start * 2 >= m_buffer.size()) {
            m_buffer.remove(0, m_start);
            m_start = m_scanned = 0;
        }
        return withoutLineBreak(std::move(line));
    }

    ReplyPtr m_reply;
    HttpResponse m_head;
    std::shared_ptr<Underway> m_underway;
    QByteArray m_buffer;
    qsizetype m_start = 0;   // where the unread part of m_buffer begins
    qsizetype m_scanned = 0; // m_buffer holds no line break from m_start up to here
};

// Waits until the status line and headers of `reply` are in (or it finished without them).
QCoro::Task<void> headersOf(QPointer<QNetworkReply> reply) {
    while (reply && !reply->isFinished() &&
           !reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        co_await moreOrFinished(reply.data());
}

void abortRunning(const Started &started) {
    started.underway->abort();
}

// One request without following redirects: its status, headers and body, read as it arrives so that an
// answer past the body limit is aborted at once (on its announced length, or on the bytes read).
QCoro::Task<HttpResponse> sendOnce(QNetworkAccessManager &manager,
                                   std::vector<std::weak_ptr<Underway>> &underway,
                                   const HttpRequest &request) {
    const RequestLog log(request);
    Started started = start(manager, underway, request);
    QPointer<QNetworkReply> reply = started.reply.get();
    QByteArray body;
    bool headChecked = false;
    for (;;) {
        if (!reply)
            throw TransportError::fromKind(TransportError::Kind::Cancelled);
        if (!headChecked && reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
            headChecked = true;
            bool known = false;
            const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
            if (known && announced > Transport::bodyLimit) {
                log.refused("answer announced over the body limit; aborted");
                abortRunning(started);
                throw tooLarge();
            }
        }
        if (reply->isOpen())
            body += reply->readAll();
        if (body.size() > Transport::bodyLimit) {
            log.refused("answer over the body limit; aborted");
            abortRunning(started);
            throw tooLarge();
        }
        if (reply->isFinished())
            break;
        co_await moreOrFinished(reply.data());
    }
    HttpResponse response = responseHead(reply);
    // Qt reports 4xx and 5xx as reply errors too; only a reply without a status is a transport failure.
    // A body cut short by a broken connection is no answer either.
    if (!response.isHttp() || isTransportFailure(reply->error())) {
        log.failed(reply->error());
        throw TransportError::fromKind(kindOf(reply->error(), started.underway->aborted));
    }
    response.body = std::move(body);
    log.answered(response.status);
    co_return response;
}

} // namespace

std::optional<QByteArray> HttpRequest::header(const QByteArray &name) const {
    return findHeader(headers, name);
}

void HttpRequest::setHeader(const QByteArray &name, const QByteArray &value) {
    const auto sameName = [&](const auto &pair) {
        return pair.first.compare(name, Qt::CaseInsensitive) == 0;
    };
    const auto first = std::find_if(headers.begin(), headers.end(), sameName);
    if (first == headers.end()) {
        headers.append({name, value});
        return;
    }
    first->second = value; // in place, so a resent request keeps its header order
    headers.erase(std::remove_if(first + 1, headers.end(), sameName), headers.end());
}

std::optional<QByteArray> HttpResponse::header(const QByteArray &name) const {
    return findHeader(headers, name);
}

TransportError TransportError::fromKind(Kind kind) {
    switch (kind) {
    case Kind::NoConnection:
        return TransportError(kind, QStringLiteral("网络连接失败，请检查网络后重试"));
    case Kind::TimedOut:
        return TransportError(kind, QStringLiteral("请求超时，请稍后重试"));
    case Kind::Cancelled:
        return TransportError(kind, QStringLiteral("请求已取消"));
    case Kind::TooLarge:
        return TransportError(kind, QStringLiteral("服务器返回的数据过大，请稍后重试"));
    case Kind::Other:
        break;
    }
    return TransportError(Kind::Other, QStringLiteral("网络异常，请稍后重试"));
}

NetworkTransport::NetworkTransport() : m_manager(std::make_unique<QNetworkAccessManager>()) {}

NetworkTransport::~NetworkTransport() = default;

void NetworkTransport::abortAll() {
    // A copy: an abort may end a request whose caller starts another at once.
    const std::vector<std::weak_ptr<Underway>> underway = m_underway;
    for (const std::weak_ptr<Underway> &entry : underway) {
        if (const std::shared_ptr<Underway> alive = entry.lock())
            alive->abort();
    }
}

int NetworkTransport::underwayCount() const {
    return int(std::count_if(m_underway.begin(), m_underway.end(),
                             [](const std::weak_ptr<Underway> &entry) { return !entry.expired(); }));
}

QCoro::Task<HttpResponse> NetworkTransport::send(HttpRequest request) {
    for (int hop = 0;; ++hop) {
        HttpResponse response = co_await sendOnce(*m_manager, m_underway, request);
        std::optional<HttpRequest> next = hop < redirectLimit ? redirected(request, response) : std::nullopt;
        if (!next)
            co_return response;
        request = std::move(*next);
    }
}

QCoro::Task<std::unique_ptr<ByteStream>> NetworkTransport::open(HttpRequest request) {
    for (int hop = 0;; ++hop) {
        const RequestLog log(request);
        Started started = start(*m_manager, m_underway, request);
        // Open as soon as the status line and headers are in: a stream may well pause before its first byte.
        co_await headersOf(started.reply.get());
        if (!started.reply)
            throw TransportError::fromKind(TransportError::Kind::Cancelled);
        HttpResponse head = responseHead(started.reply.get());
        if (!head.isHttp()) {
            log.failed(started.reply->error());
            throw TransportError::fromKind(kindOf(started.reply->error(), started.underway->aborted));
        }
        log.answered(head.status, "(stream opened)");
        std::optional<HttpRequest> next = hop < redirectLimit ? redirected(request, head) : std::nullopt;
        if (!next)
            co_return std::make_unique<NetworkByteStream>(std::move(started), std::move(head));
        abortRunning(started); // the redirect's own body is not read
        request = std::move(*next);
    }
}
