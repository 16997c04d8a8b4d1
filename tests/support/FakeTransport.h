#pragma once

#include "Transport.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>

// A transport that answers from a script, on a later event-loop turn (never synchronously), and records
// every request it was given.
class FakeTransport final : public Transport {
public:
    struct Reply {
        int status = 200; // -1: an answer that is not HTTP
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        std::optional<TransportError::Kind> failure; // throw this instead of answering
        int delayMs = 0;

        static Reply json(int status, const QByteArray &body) { return {status, body, {}, std::nullopt, 0}; }
        static Reply error(TransportError::Kind kind) { return {0, {}, {}, kind, 0}; }
        Reply after(int ms) const {
            Reply copy = *this;
            copy.delayMs = ms;
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

    QList<HttpRequest> requests;
    int count(const QString &path) const;
    QList<HttpRequest> requestsTo(const QString &path) const;

private:
    Reply next(const HttpRequest &request);
    QHash<QString, QList<Reply>> m_routes; // "METHOD path"
};
