#include "Transport.h"

#include "Completion.h"
#include "PlatformLogging.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

#include <algorithm>

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
    return result;
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
    void failed(QNetworkReply::NetworkError error) const {
        qCDebug(lcHttp).noquote() << m_method << m_path << "no answer, error" << int(error)
                                  << QString::number(m_timer.elapsed()) + "ms";
    }

private:
    QByteArray m_method;
    QString m_path;
    QElapsedTimer m_timer;
};

struct ReplyDeleter {
    void operator()(QNetworkReply *reply) const {
        if (reply)
            reply->deleteLater();
    }
};
using ReplyPtr = std::unique_ptr<QNetworkReply, ReplyDeleter>;

// A reply and whether this side aborted it (through the request's abort handle or a stream's cancel).
struct Started {
    ReplyPtr reply;
    std::shared_ptr<bool> aborted = std::make_shared<bool>(false);
};

Started start(QNetworkAccessManager &manager, const HttpRequest &request) {
    const QNetworkRequest networkRequest = toNetworkRequest(request);
    Started started{ReplyPtr(manager.sendCustomRequest(networkRequest, request.method, request.body))};
    if (request.abort) {
        request.abort->then(
            [reply = QPointer<QNetworkReply>(started.reply.get()), aborted = started.aborted] {
                if (reply && reply->isRunning()) {
                    *aborted = true;
                    reply->abort();
                }
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

// Resumes once `reply` has more to read or has finished (also when it is destroyed).
QCoro::Task<void> moreOrFinished(QNetworkReply *reply) {
    auto settled = std::make_shared<Completion>();
    const auto settle = [settled] { settled->finish(); };
    const QMetaObject::Connection connections[] = {
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
        : m_reply(std::move(started.reply)), m_head(std::move(head)), m_aborted(std::move(started.aborted)) {}
    ~NetworkByteStream() override { cancel(); }

    const HttpResponse &response() const override { return m_head; }

    QCoro::Task<std::optional<QByteArray>> nextLine() override {
        QPointer<QNetworkReply> reply = m_reply.get();
        // More data, or the end: a reply that finishes (or breaks) with an unfinished line in its buffer
        // sends no further readyRead.
        while (reply && !reply->canReadLine() && !reply->isFinished())
            co_await moreOrFinished(reply.data());
        if (!reply)
            throw TransportError::fromKind(TransportError::Kind::Cancelled);
        if (reply->canReadLine())
            co_return withoutLineBreak(reply->readLine());
        qCDebug(lcHttp) << "stream finished, error" << int(reply->error()) << reply->bytesAvailable();
        // Finished. A connection that broke before the body was complete (a chunked body without its last
        // chunk, fewer bytes than announced) is a failure, and its unfinished last line is not a line.
        if (isTransportFailure(reply->error()))
            throw TransportError::fromKind(kindOf(reply->error(), *m_aborted));
        // (Qt 6.4 at times ends a chunked body that the connection broke off as if it were whole, when it
        // sees the connection closed before its error; nothing of the reply tells the two apart then.)
        if (reply->bytesAvailable() > 0)
            co_return withoutLineBreak(reply->readAll());
        co_return std::nullopt;
    }

    void cancel() override {
        if (m_reply && m_reply->isRunning()) {
            *m_aborted = true;
            m_reply->abort();
        }
    }

private:
    static QByteArray withoutLineBreak(QByteArray line) {
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        return line;
    }

    ReplyPtr m_reply;
    HttpResponse m_head;
    std::shared_ptr<bool> m_aborted;
};

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
    case Kind::Other:
        break;
    }
    return TransportError(Kind::Other, QStringLiteral("网络异常，请稍后重试"));
}

NetworkTransport::NetworkTransport() : m_manager(std::make_unique<QNetworkAccessManager>()) {}

NetworkTransport::~NetworkTransport() = default;

QCoro::Task<HttpResponse> NetworkTransport::send(HttpRequest request) {
    const RequestLog log(request);
    Started started = start(*m_manager, request);
    QNetworkReply *reply = started.reply.get();
    co_await qCoro(reply).waitForFinished();
    HttpResponse response = responseHead(reply);
    // Qt reports 4xx and 5xx as reply errors too; only a reply without a status is a transport failure.
    // A body cut short by a broken connection is no answer either.
    if (!response.isHttp() || isTransportFailure(reply->error())) {
        log.failed(reply->error());
        throw TransportError::fromKind(kindOf(reply->error(), *started.aborted));
    }
    response.body = reply->readAll();
    log.answered(response.status);
    co_return response;
}

QCoro::Task<std::unique_ptr<ByteStream>> NetworkTransport::open(HttpRequest request) {
    const RequestLog log(request);
    Started started = start(*m_manager, request);
    QNetworkReply *reply = started.reply.get();
    // Open as soon as the status line and headers are in: a stream may well pause before its first byte.
    while (!reply->isFinished() && !reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
        auto headers = std::make_shared<Completion>();
        const auto settle = [headers] { headers->finish(); };
        const QMetaObject::Connection metaData =
            QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, settle);
        const QMetaObject::Connection finished =
            QObject::connect(reply, &QNetworkReply::finished, reply, settle);
        co_await Completion::wait(headers);
        QObject::disconnect(metaData);
        QObject::disconnect(finished);
    }
    HttpResponse head = responseHead(reply);
    if (!head.isHttp()) {
        log.failed(reply->error());
        throw TransportError::fromKind(kindOf(reply->error(), *started.aborted));
    }
    log.answered(head.status, "(stream opened)");
    co_return std::make_unique<NetworkByteStream>(std::move(started), std::move(head));
}
