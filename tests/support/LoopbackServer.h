#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <functional>
#include <memory>

// A misbehaving HTTP server on a loopback address, in the test's own thread: each request is recorded as it
// arrived (raw bytes, headers and body) and answered by the script given for its path. An answer is a head
// and either a fixed body or a body made on demand in bounded chunks, so that a server sending hundreds of
// megabytes holds no more than a chunk of them. Listen on 127.0.0.2 to play "another host".
class LoopbackServer {
public:
    struct Received {
        QByteArray method;
        QByteArray path;
        QByteArray raw; // the head and body exactly as they came
        QByteArray body;
        bool hasHeader(const QByteArray &name) const;
    };
    // An answer: the status line and headers (without the blank line), then `body`; a body made on demand
    // goes on with `next()` until it returns an empty chunk or `limit` bytes went out, and the connection is
    // closed after it.
    struct Answer {
        QByteArray head;
        QByteArray body;
        std::function<QByteArray()> next;
        qint64 limit = 0;

        static Answer fixed(QByteArray head, QByteArray body) {
            return {std::move(head), std::move(body), {}, 0};
        }
        static Answer endless(QByteArray head, QByteArray start, QByteArray chunk, qint64 limit) {
            return {std::move(head), std::move(start), [chunk] { return chunk; }, limit};
        }
    };

    explicit LoopbackServer(const QHostAddress &host = QHostAddress::LocalHost);
    ~LoopbackServer();

    // "http://<host>:<port>" followed by `path`.
    QUrl url(const QByteArray &path = "/") const;
    void answer(const QByteArray &path, Answer answer) { m_answers.insert(path, std::move(answer)); }
    // A redirect to `location` with `status`; its body names it.
    void redirect(const QByteArray &path, int status, const QUrl &location);

    const QList<Received> &received() const { return m_received; }
    // Bytes of endless bodies written so far.
    qint64 sent() const { return m_sent; }

private:
    struct Connection;
    void serve(QTcpSocket *socket);
    void respond(QTcpSocket *socket, const Received &request);
    void pump(QTcpSocket *socket, const std::shared_ptr<Answer> &answer);

    QTcpServer m_server;
    QMap<QByteArray, Answer> m_answers;
    QList<Received> m_received;
    qint64 m_sent = 0;
};
