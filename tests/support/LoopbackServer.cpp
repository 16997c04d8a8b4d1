#include "LoopbackServer.h"

#include <QPointer>

struct LoopbackServer::Connection {
    QByteArray buffer;
};

bool LoopbackServer::Received::hasHeader(const QByteArray &name) const {
    const qsizetype headEnd = raw.indexOf("\r\n\r\n");
    for (const QByteArray &line : raw.left(headEnd).split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

LoopbackServer::LoopbackServer(const QHostAddress &host) {
    m_server.listen(host);
    QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection())
            serve(socket);
    });
}

LoopbackServer::~LoopbackServer() {
    m_server.close();
}

QUrl LoopbackServer::url(const QByteArray &path) const {
    return QUrl(
        QStringLiteral("http://%1:%2").arg(m_server.serverAddress().toString()).arg(m_server.serverPort()) +
        QString::fromLatin1(path));
}

void LoopbackServer::redirect(const QByteArray &path, int status, const QUrl &location) {
    const QByteArray body = "moved to " + location.toEncoded();
    answer(path, Answer::fixed("HTTP/1.1 " + QByteArray::number(status) +
                                   " Redirect\r\nLocation: " + location.toEncoded() +
                                   "\r\nContent-Length: " + QByteArray::number(body.size()),
                               body));
}

void LoopbackServer::serve(QTcpSocket *socket) {
    auto connection = std::make_shared<Connection>();
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, connection] {
        connection->buffer += socket->readAll();
        const qsizetype headEnd = connection->buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        Received request;
        const QByteArray head = connection->buffer.left(headEnd);
        const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
        request.method = requestLine.value(0);
        request.path = requestLine.value(1);
        qsizetype length = 0;
        for (const QByteArray &line : head.split('\n')) {
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        }
        if (connection->buffer.size() < headEnd + 4 + length)
            return;
        request.raw = connection->buffer.left(headEnd + 4 + length);
        request.body = request.raw.mid(headEnd + 4);
        connection->buffer.remove(0, request.raw.size());
        m_received.append(request);
        respond(socket, request);
    });
}

void LoopbackServer::respond(QTcpSocket *socket, const Received &request) {
    const QByteArray path = request.path.split('?').first();
    const auto found = m_answers.constFind(path);
    if (found == m_answers.cend()) {
        socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
        return;
    }
    socket->write(found->head + "\r\nConnection: close\r\n\r\n" + found->body);
    if (!found->next) {
        socket->disconnectFromHost();
        return;
    }
    pump(socket, std::make_shared<Answer>(*found));
}

void LoopbackServer::pump(QTcpSocket *socket, const std::shared_ptr<Answer> &answer) {
    // Only a little is queued at a time: the next chunk is made when the client has taken the last one.
    auto written = std::make_shared<qint64>(0);
    const auto more = [this, socket = QPointer<QTcpSocket>(socket), answer, written] {
        while (socket && socket->state() == QAbstractSocket::ConnectedState &&
               socket->bytesToWrite() < 256 * 1024) {
            const QByteArray chunk = *written < answer->limit ? answer->next() : QByteArray();
            if (chunk.isEmpty()) {
                socket->disconnectFromHost();
                return;
            }
            *written += chunk.size();
            m_sent += chunk.size();
            socket->write(chunk);
        }
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
    more();
}
