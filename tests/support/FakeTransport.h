#pragma once

#include "Completion.h"
#include "FakeWaits.h"
#include "Transport.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>

// A transport that answers from a script, on a later event-loop turn (never synchronously), and records every
// request it was given. A request that is aborted ends at once as a cancellation, and so does every request
// still unanswered (and every stream still read) when the transport is destroyed or cancels them: no
// coroutine stays suspended on it after its test.
class FakeTransport final : public Transport {
public:
    ~FakeTransport() override { cancelPending(); }

    struct Reply {
        int status = 200; // -1: an answer that is not HTTP
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        std::optional<TransportError::Kind> failure; // throw this instead of answering
        int delayMs = 0;
        // A streamed body: after `holdAfterLines` lines it waits until `hold` settles; once every line is
        // read it throws `bodyFailure` (a connection that broke) instead of ending.
        std::shared_ptr<Completion> hold;
        int holdAfterLines = 0;
        std::optional<TransportError::Kind> bodyFailure;

        static Reply json(int status, const QByteArray &body) {
            Reply reply;
            reply.status = status;
            reply.body = body;
            return reply;
        }
        static Reply error(TransportError::Kind kind) {
            Reply reply;
            reply.status = 0;
            reply.failure = kind;
            return reply;
        }
        Reply after(int ms) const {
            Reply copy = *this;
            copy.delayMs = ms;
            return copy;
        }
        Reply heldAfter(int lines, std::shared_ptr<Completion> until) const {
            Reply copy = *this;
            copy.holdAfterLines = lines;
            copy.hold = std::move(until);
            return copy;
        }
        Reply brokenAtEnd(TransportError::Kind kind = TransportError::Kind::NoConnection) const {
            Reply copy = *this;
            copy.bodyFailure = kind;
            return copy;
        }
    };

    // Queues a reply for requests of that method to that path (the URL's path). Replies are used in order;
    // the last one of a route keeps answering once the others are used up.
    void on(const QByteArray &method, const QString &path, Reply reply);
    // Decides every request that no queued route matches.
    std::function<Reply(const HttpRequest &)> fallback;

    QCoro::Task<HttpResponse> send(HttpRequest request) override;
    QCoro::Task<std::unique_ptr<ByteStream>> open(HttpRequest request) override;
    // Ends every unanswered request and every open stream now, as cancelled; later ones are cancelled at
    // once.
    void cancelPending() { m_waits->close(); }

    QList<HttpRequest> requests;
    // Streamed bodies that were cancelled (or whose request was aborted) before their end. Counted in a
    // cell of its own: a stream may outlive the transport of a test that ended while it was open.
    int abortedStreams() const { return *m_abortedStreams; }
    int count(const QString &path) const;
    QList<HttpRequest> requestsTo(const QString &path) const;

private:
    Reply next(const HttpRequest &request);
    QHash<QString, QList<Reply>> m_routes; // "METHOD path"
    std::shared_ptr<int> m_abortedStreams = std::make_shared<int>(0);
    std::shared_ptr<FakeWaits> m_waits = std::make_shared<FakeWaits>(); // shared with the open streams
};
