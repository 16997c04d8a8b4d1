#include "FakeTransport.h"

namespace {

QString routeKey(const QByteArray &method, const QString &path) {
    return QString::fromLatin1(method) + u' ' + path;
}

class FakeByteStream final : public ByteStream {
public:
    FakeByteStream(HttpResponse head, const FakeTransport::Reply &reply, std::shared_ptr<Completion> abort,
                   std::shared_ptr<int> aborted, std::shared_ptr<FakeWaits> waits)
        : m_head(std::move(head)), m_lines(reply.body.split('\n')), m_hold(reply.hold),
          m_holdAfter(reply.holdAfterLines), m_failure(reply.bodyFailure), m_abort(std::move(abort)),
          m_aborted(std::move(aborted)), m_waits(std::move(waits)) {
        if (!m_lines.isEmpty() && m_lines.last().isEmpty())
            m_lines.removeLast();
    }
    ~FakeByteStream() override {
        if (!m_lines.isEmpty())
            cancel();
    }
    const HttpResponse &response() const override { return m_head; }
    QCoro::Task<std::optional<QByteArray>> nextLine() override {
        // (Named: gcc 12 miscompiles a braced list inside a co_await.)
        const std::vector<std::shared_ptr<Completion>> stops{m_abort, m_cancel};
        bool reached = co_await FakeWaits::delay(m_waits, 0, stops);
        if (reached && m_hold && m_read == m_holdAfter) {
            std::shared_ptr<Completion> hold = std::exchange(m_hold, nullptr);
            reached = co_await FakeWaits::hold(m_waits, hold, stops);
        }
        if (!reached || (m_abort && m_abort->isSettled()))
            cancel();
        if (m_cancelled)
            throw TransportError::fromKind(TransportError::Kind::Cancelled);
        if (m_lines.isEmpty()) {
            if (m_failure)
                throw TransportError::fromKind(*m_failure);
            co_return std::nullopt;
        }
        ++m_read;
        QByteArray line = m_lines.takeFirst();
        if (line.endsWith('\r'))
            line.chop(1);
        co_return line;
    }
    void cancel() override {
        if (m_cancelled)
            return;
        m_cancelled = true;
        ++*m_aborted;
        m_cancel->finish();
    }

private:
    HttpResponse m_head;
    QList<QByteArray> m_lines;
    std::shared_ptr<Completion> m_hold;
    int m_holdAfter = 0;
    int m_read = 0;
    std::optional<TransportError::Kind> m_failure;
    std::shared_ptr<Completion> m_abort;
    std::shared_ptr<int> m_aborted;
    std::shared_ptr<FakeWaits> m_waits;
    std::shared_ptr<Completion> m_cancel = std::make_shared<Completion>(); // ends a read under way
    bool m_cancelled = false;
};

} // namespace

void FakeTransport::on(const QByteArray &method, const QString &path, Reply reply) {
    m_routes[routeKey(method, path)].append(std::move(reply));
}

FakeTransport::Reply FakeTransport::next(const HttpRequest &request) {
    requests.append(request);
    const auto route = m_routes.find(routeKey(request.method, request.url.path()));
    if (route != m_routes.end() && !route->isEmpty())
        return route->size() > 1 ? route->takeFirst() : route->first();
    if (fallback)
        return fallback(request);
    qWarning("FakeTransport: no reply scripted for %s %s", request.method.constData(),
             qPrintable(request.url.toString()));
    return Reply::json(404, R"({"code":"not_scripted","message":"no reply scripted"})");
}

QCoro::Task<HttpResponse> FakeTransport::send(HttpRequest request) {
    const Reply reply = next(request);
    const std::vector<std::shared_ptr<Completion>> stops{request.abort};
    if (!co_await FakeWaits::delay(m_waits, reply.delayMs, stops))
        throw TransportError::fromKind(TransportError::Kind::Cancelled);
    if (reply.failure)
        throw TransportError::fromKind(*reply.failure);
    co_return HttpResponse{reply.status, reply.headers, reply.body};
}

QCoro::Task<std::unique_ptr<ByteStream>> FakeTransport::open(HttpRequest request) {
    const Reply reply = next(request);
    const std::shared_ptr<int> aborted = m_abortedStreams; // `this` may be gone after the wait
    const std::shared_ptr<FakeWaits> waits = m_waits;
    const std::vector<std::shared_ptr<Completion>> stops{request.abort};
    const bool reached = co_await FakeWaits::delay(waits, reply.delayMs, stops);
    if (reached && reply.failure)
        throw TransportError::fromKind(*reply.failure);
    if (!reached || (request.abort && request.abort->isSettled())) {
        ++*aborted;
        throw TransportError::fromKind(TransportError::Kind::Cancelled);
    }
    co_return std::make_unique<FakeByteStream>(HttpResponse{reply.status, reply.headers, {}}, reply,
                                               request.abort, aborted, waits);
}

int FakeTransport::count(const QString &path) const {
    return int(requestsTo(path).size());
}

QList<HttpRequest> FakeTransport::requestsTo(const QString &path) const {
    QList<HttpRequest> result;
    for (const HttpRequest &request : requests) {
        if (request.url.path() == path)
            result.append(request);
    }
    return result;
}
