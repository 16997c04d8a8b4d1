#include "FakeTransport.h"

#include <QCoro/QCoroTimer>

#include <chrono>

namespace {

QString routeKey(const QByteArray &method, const QString &path) {
    return QString::fromLatin1(method) + u' ' + path;
}

class FakeByteStream final : public ByteStream {
public:
    FakeByteStream(HttpResponse head, const FakeTransport::Reply &reply, std::shared_ptr<Completion> abort,
                   std::shared_ptr<int> aborted)
        : m_head(std::move(head)), m_lines(reply.body.split('\n')), m_hold(reply.hold),
          m_holdAfter(reply.holdAfterLines), m_failure(reply.bodyFailure), m_abort(std::move(abort)),
          m_aborted(std::move(aborted)) {
        if (!m_lines.isEmpty() && m_lines.last().isEmpty())
            m_lines.removeLast();
    }
    ~FakeByteStream() override {
        if (!m_lines.isEmpty())
            cancel();
    }
    const HttpResponse &response() const override { return m_head; }
    QCoro::Task<std::optional<QByteArray>> nextLine() override {
        co_await QCoro::sleepFor(std::chrono::milliseconds(0));
        if (m_hold && m_read == m_holdAfter) {
            std::shared_ptr<Completion> hold = std::exchange(m_hold, nullptr);
            co_await Completion::wait(hold);
        }
        if (m_abort && m_abort->isSettled())
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
    co_await QCoro::sleepFor(std::chrono::milliseconds(reply.delayMs));
    if (reply.failure)
        throw TransportError::fromKind(*reply.failure);
    co_return HttpResponse{reply.status, reply.headers, reply.body};
}

QCoro::Task<std::unique_ptr<ByteStream>> FakeTransport::open(HttpRequest request) {
    const Reply reply = next(request);
    const std::shared_ptr<int> aborted = m_abortedStreams; // `this` may be gone after the wait
    co_await QCoro::sleepFor(std::chrono::milliseconds(reply.delayMs));
    if (reply.failure)
        throw TransportError::fromKind(*reply.failure);
    if (request.abort && request.abort->isSettled()) {
        ++*aborted;
        throw TransportError::fromKind(TransportError::Kind::Cancelled);
    }
    co_return std::make_unique<FakeByteStream>(HttpResponse{reply.status, reply.headers, {}}, reply,
                                               request.abort, aborted);
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
