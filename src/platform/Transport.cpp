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

ReplyPtr start(QNetworkAccessManager &manager, const HttpRequest &request) {
    const QNetworkRequest networkRequest = toNetworkRequest(request);
    return ReplyPtr(manager.sendCustomRequest(networkRequest, request.method, request.body));
}

class NetworkByteStream final : public ByteStream {
public:
    NetworkByteStream(ReplyPtr reply, HttpResponse head)
        : m_reply(std::move(reply)), m_head(std::move(head)) {}
    ~NetworkByteStream() override { cancel(); }

    const HttpResponse &response() const override { return m_head; }

    QCoro::Task<std::optional<QByteArray>> nextLine() override {
        QPointer<QNetworkReply> reply = m_reply.get();
        while (reply && !reply->canReadLine() && !reply->isFinished())
            co_await qCoro(reply.data()).waitForReadyRead(std::chrono::milliseconds(-1));
        if (!reply)
            throw TransportError::fromKind(TransportError::Kind::Cancelled);
        if (reply->canReadLine() || reply->bytesAvailable() > 0) {
            QByteArray line = reply->canReadLine() ? reply->readLine() : reply->readAll();
            while (line.endsWith('\n') || line.endsWith('\r'))
                line.chop(1);
            co_return line;
        }
        // Finished with nothing left: a break in the middle of an HTTP body is a transport failure.
        if (reply->error() != QNetworkReply::NoError && !m_head.isHttp())
            throw TransportError::fromKind(kindOf(reply->error(), m_cancelled));
        if (reply->error() == QNetworkReply::OperationCanceledError ||
            reply->error() == QNetworkReply::TimeoutError)
            throw TransportError::fromKind(kindOf(reply->error(), m_cancelled));
        co_return std::nullopt;
    }

    void cancel() override {
        if (m_reply && m_reply->isRunning()) {
            m_cancelled = true;
            m_reply->abort();
        }
    }

private:
    ReplyPtr m_reply;
    HttpResponse m_head;
    bool m_cancelled = false;
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
    ReplyPtr reply = start(*m_manager, request);
    co_await qCoro(reply.get()).waitForFinished();
    HttpResponse response = responseHead(reply.get());
    // Qt reports 4xx and 5xx as reply errors too; only a reply without a status is a transport failure.
    if (!response.isHttp()) {
        log.failed(reply->error());
        throw TransportError::fromKind(kindOf(reply->error()));
    }
    response.body = reply->readAll();
    log.answered(response.status);
    co_return response;
}

QCoro::Task<std::unique_ptr<ByteStream>> NetworkTransport::open(HttpRequest request) {
    const RequestLog log(request);
    ReplyPtr reply = start(*m_manager, request);
    // Open as soon as the status line and headers are in: a stream may well pause before its first byte.
    while (!reply->isFinished() && !reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
        auto headers = std::make_shared<Completion>();
        const auto settle = [headers] { headers->finish(); };
        const QMetaObject::Connection metaData =
            QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, reply.get(), settle);
        const QMetaObject::Connection finished =
            QObject::connect(reply.get(), &QNetworkReply::finished, reply.get(), settle);
        co_await Completion::wait(headers);
        QObject::disconnect(metaData);
        QObject::disconnect(finished);
    }
    HttpResponse head = responseHead(reply.get());
    if (!head.isHttp()) {
        log.failed(reply->error());
        throw TransportError::fromKind(kindOf(reply->error()));
    }
    log.answered(head.status, "(stream opened)");
    co_return std::make_unique<NetworkByteStream>(std::move(reply), std::move(head));
}
