// The production transport against the loopback service: when a stream counts as open, and what a request
// leaves in the log.

#include "Await.h"
#include "DevServer.h"
#include "LoopbackServer.h"
#include "Transport.h"

#include "Completion.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

namespace {

QStringList g_messages;

void collect(QtMsgType, const QMessageLogContext &context, const QString &message) {
    if (QByteArrayView(context.category) == "quorvel.http")
        g_messages.append(message);
}

// Answers every connection with `answer` and then closes it, whatever was asked.
struct RawServer {
    QTcpServer server;
    explicit RawServer(QByteArray answer, int closeAfterMs = 0) {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this, answer, closeAfterMs] {
            QTcpSocket *socket = server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, answer, closeAfterMs] {
                socket->readAll();
                socket->write(answer);
                QTimer::singleShot(closeAfterMs, socket, [socket] { socket->disconnectFromHost(); });
            });
        });
    }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort())); }
};

// The process's peak resident memory since the last reset, in MB (Linux).
void resetPeakMemory() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}
qint64 peakMemoryMB() {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() / 1024;
    }
    return 0;
}
qint64 residentMB() {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() / 1024;
    }
    return 0;
}

// Runs `task` and returns the transport failure it ended with, or nothing when it succeeded.
template <typename T>
std::optional<TransportError> failureOf(QCoro::Task<T> task) {
    try {
        Await::result(task);
    } catch (const TransportError &error) {
        return error;
    }
    return std::nullopt;
}

} // namespace

class TestTransport : public QObject {
    Q_OBJECT

private:
    DevServer m_server;
    QString m_base;
    NetworkTransport m_transport; // after the server: destroyed first

    HttpRequest request(const QByteArray &method, const QString &pathAndQuery) const {
        HttpRequest request;
        request.method = method;
        request.url = QUrl(m_base + pathAndQuery);
        return request;
    }

private Q_SLOTS:
    void initTestCase() {
        m_server.start(0);
        m_base = QString::fromStdString(m_server.baseUrl());
    }

    // A stream that pauses after its headers is open (with its status) long before its first event.
    void openResolvesOnTheHeaders() {
        QElapsedTimer timer;
        timer.start();
        std::unique_ptr<ByteStream> stream = Await::result(
            m_transport.open(request("GET", QStringLiteral("/__dev/slow-stream?pause_ms=2500"))));
        const qint64 openedAt = timer.elapsed();
        QCOMPARE(stream->response().status, 200);
        QVERIFY2(openedAt < 1500, qPrintable(QStringLiteral("opened after %1 ms").arg(openedAt)));
        QCOMPARE(Await::result(stream->nextLine()), QByteArray("data: after the pause"));
        QVERIFY(timer.elapsed() >= 2000);
        QCOMPARE(Await::result(stream->nextLine()), QByteArray());
        QCOMPARE(Await::result(stream->nextLine()), std::nullopt);
    }

    // A failed status still opens (the caller decides); a refused connection does not.
    void openReportsStatusOrTransportFailure() {
        std::unique_ptr<ByteStream> stream =
            Await::result(m_transport.open(request("GET", QStringLiteral("/api/v1/me"))));
        QCOMPARE(stream->response().status, 401);

        DevServer closed;
        const int port = closed.start(0);
        closed.stop();
        HttpRequest nowhere;
        nowhere.url = QUrl(QStringLiteral("http://127.0.0.1:%1/x").arg(port));
        try {
            Await::result(m_transport.open(nowhere));
            QFAIL("opened a stream on a closed port");
        } catch (const TransportError &error) {
            QCOMPARE(error.kind(), TransportError::Kind::NoConnection);
        }
    }

    // A body the connection cut short is a failure after its complete lines, never a normal end; a body that
    // ends where the server closes by design (no length, no chunks) is whole.
    void bodyCutShort_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("cut");
        QTest::addColumn<int>("closeAfterMs");
        const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n";
        // (A chunked body cut short is mostly reported the same way, but not always: Qt 6.4 at times ends it
        // as whole when it sees the connection closed first. So it is no row here.)
        QTest::newRow("fewer bytes than announced")
            << head + "Content-Length: 100\r\n\r\nevent: a\ndata: {}\nda" << true << 0;
        QTest::newRow("closed by design")
            << head + "Connection: close\r\n\r\nevent: a\ndata: {}\nda" << false << 0;
    }
    void bodyCutShort() {
        QFETCH(QByteArray, answer);
        QFETCH(bool, cut);
        QFETCH(int, closeAfterMs);
        RawServer raw(answer, closeAfterMs);
        HttpRequest get;
        get.url = raw.url();
        std::unique_ptr<ByteStream> stream = Await::result(m_transport.open(get));
        QCOMPARE(Await::result(stream->nextLine()), QByteArray("event: a"));
        QCOMPARE(Await::result(stream->nextLine()), QByteArray("data: {}"));
        try {
            const std::optional<QByteArray> last = Await::result(stream->nextLine());
            QVERIFY2(!cut, "a cut body ended normally");
            QCOMPARE(last, QByteArray("da"));
            QCOMPARE(Await::result(stream->nextLine()), std::nullopt);
        } catch (const TransportError &error) {
            QVERIFY2(cut, "a whole body failed");
            QCOMPARE(error.kind(), TransportError::Kind::NoConnection);
        }
        // A plain request of the same answer: a cut body is no answer.
        try {
            const HttpResponse response = Await::result(m_transport.send(get));
            QVERIFY(!cut);
            QVERIFY(response.body.endsWith("da"));
        } catch (const TransportError &) {
            QVERIFY(cut);
        }
    }

    // Finishing a request's abort handle cancels it while it waits for its answer, and ends its body.
    void abortHandle() {
        HttpRequest request = this->request("GET", QStringLiteral("/__dev/slow-stream?pause_ms=5000"));
        request.abort = std::make_shared<Completion>();
        std::unique_ptr<ByteStream> stream = Await::result(m_transport.open(request));
        QElapsedTimer timer;
        timer.start();
        QTimer::singleShot(50, [abort = request.abort] { abort->finish(); });
        try {
            Await::result(stream->nextLine());
            QFAIL("an aborted body went on");
        } catch (const TransportError &error) {
            QCOMPARE(error.kind(), TransportError::Kind::Cancelled);
        }
        QVERIFY(timer.elapsed() < 2000);

        request.abort = std::make_shared<Completion>();
        request.abort->finish();
        try {
            Await::result(m_transport.send(request));
            QFAIL("an aborted request was answered");
        } catch (const TransportError &error) {
            QCOMPARE(error.kind(), TransportError::Kind::Cancelled);
        }
    }

    // A redirect is followed only to the origin the request went to; the token and the body never reach
    // another host, and a redirect that is not followed is the answer.
    void redirects_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("sameOrigin");
        QTest::addColumn<bool>("stream");
        for (const int status : {301, 302, 303, 307, 308}) {
            for (const bool stream : {false, true}) {
                const char *how = stream ? "stream" : "send";
                QTest::addRow("%d to another host, %s", status, how) << status << false << stream;
                QTest::addRow("%d within the origin, %s", status, how) << status << true << stream;
            }
        }
    }
    void redirects() {
        QFETCH(int, status);
        QFETCH(bool, sameOrigin);
        QFETCH(bool, stream);
        LoopbackServer service;
        LoopbackServer elsewhere(QHostAddress(QStringLiteral("127.0.0.2")));
        const auto ok = LoopbackServer::Answer::fixed("HTTP/1.1 200 OK\r\nContent-Length: 9", "data: ok\n");
        service.answer("/target", ok);
        elsewhere.answer("/target", ok);
        service.redirect("/moved", status, (sameOrigin ? service : elsewhere).url("/target"));

        HttpRequest post;
        post.method = "POST";
        post.url = service.url("/moved");
        post.setHeader("Authorization", "Bearer access-token");
        post.setHeader("Content-Type", "application/json");
        post.body = R"({"message":"我的问题"})";
        const int answered = stream ? Await::result(m_transport.open(post))->response().status
                                    : Await::result(m_transport.send(post)).status;

        if (!sameOrigin) {
            QVERIFY2(elsewhere.received().isEmpty(), elsewhere.received().value(0).raw.constData());
            QCOMPARE(answered, status);
            return;
        }
        QCOMPARE(answered, 200);
        QCOMPARE(service.received().size(), 2);
        const LoopbackServer::Received &followed = service.received().last();
        QVERIFY(followed.hasHeader("Authorization"));
        const bool keepsMethod = status == 307 || status == 308;
        QCOMPARE(followed.method, keepsMethod ? QByteArray("POST") : QByteArray("GET"));
        QCOMPARE(followed.body, keepsMethod ? post.body : QByteArray());
    }

    // An answer past the body limit is aborted as soon as its length is announced or read, with bounded
    // memory; a stream line past its limit ends the stream after the lines already delivered.
    void oversizedAnswers_data() {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QByteArray>("filler");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("stream");
        const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n";
        const qint64 mb = 1024 * 1024;
        QTest::newRow("200 MB announced")
            << ok + "Content-Length: " + QByteArray::number(200 * mb) << QByteArray("{\"items\":[")
            << QByteArray("0,") << 200 * mb << false;
        QTest::newRow("no length, 200 MB") << QByteArray(ok).chopped(2) << QByteArray("{\"items\":[")
                                           << QByteArray("0,") << 200 * mb << false;
        QTest::newRow("one endless stream line")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream")
            << QByteArray("event: delta\ndata: {}\n\ndata: ") << QByteArray("x") << 200 * mb << true;
    }
    void oversizedAnswers() {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, start);
        QFETCH(QByteArray, filler);
        QFETCH(qint64, size);
        QFETCH(bool, stream);
        LoopbackServer service;
        service.answer("/big", LoopbackServer::Answer::endless(
                                   head, start, filler.repeated(64 * 1024 / filler.size()), size));
        HttpRequest get;
        get.url = service.url("/big");

        const qint64 before = residentMB();
        resetPeakMemory();
        QElapsedTimer timer;
        timer.start();
        std::optional<TransportError> failure;
        if (stream) {
            std::unique_ptr<ByteStream> body = Await::result(m_transport.open(get));
            QCOMPARE(Await::result(body->nextLine()), QByteArray("event: delta"));
            QCOMPARE(Await::result(body->nextLine()), QByteArray("data: {}"));
            QCOMPARE(Await::result(body->nextLine()), QByteArray());
            failure = failureOf(body->nextLine());
        } else {
            failure = failureOf(m_transport.send(get));
        }
        const qint64 elapsed = timer.elapsed();
        const qint64 growth = peakMemoryMB() - before;
        qInfo("failed after %lld ms, %lld MB sent, peak memory +%lld MB", elapsed,
              service.sent() / (1024 * 1024), growth);
        QVERIFY2(failure, "an answer past the limit was read");
        QCOMPARE(failure->kind(), TransportError::Kind::TooLarge);
        QCOMPARE(failure->message(), QStringLiteral("服务器返回的数据过大，请稍后重试"));
#ifndef __SANITIZE_ADDRESS__ // the sanitizer keeps freed memory in quarantine: growth says nothing there
        QVERIFY2(growth < 64, qPrintable(QString::number(growth)));
#endif
        QVERIFY2(service.sent() < 48 * 1024 * 1024, qPrintable(QString::number(service.sent())));
        QVERIFY2(elapsed < 5000, qPrintable(QString::number(elapsed)));
    }

    // A transport destroyed while a request waits ends it as cancelled, and leaves no reply behind to crash
    // on.
    void destroyedWhileARequestWaits() {
        for (const bool stream : {false, true}) {
            auto transport = std::make_unique<NetworkTransport>();
            const HttpRequest slow = request("GET", QStringLiteral("/__dev/slow-stream?pause_ms=3000"));
            QTimer::singleShot(100, [&transport] { transport.reset(); });
            std::optional<TransportError> failure;
            if (stream) {
                std::unique_ptr<ByteStream> body = Await::result(transport->open(slow));
                failure = failureOf(body->nextLine());
            } else {
                failure = failureOf(transport->send(slow));
            }
            QVERIFY(failure);
            QCOMPARE(failure->kind(), TransportError::Kind::Cancelled);
            QTest::qWait(20); // deferred deletions run
        }
    }

    // A long stream of short lines is read in linear time, each line once.
    void manyShortLines() {
        LoopbackServer service;
        const QByteArray lines = QByteArray("data: {\"delta\":\"字\"}\n").repeated(2000);
        service.answer("/events",
                       LoopbackServer::Answer::endless("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream",
                                                       {}, lines, 40 * lines.size()));
        HttpRequest get;
        get.url = service.url("/events");
        std::unique_ptr<ByteStream> body = Await::result(m_transport.open(get));
        int count = 0;
        while (const std::optional<QByteArray> line = Await::result(body->nextLine())) {
            QCOMPARE(*line, QByteArray("data: {\"delta\":\"字\"}"));
            ++count;
        }
        QCOMPARE(count, 40 * 2000);
    }

    void requestLog_data() {
        QTest::addColumn<bool>("stream");
        QTest::newRow("send") << false;
        QTest::newRow("open") << true;
    }
    // Method, path, status and duration at debug level; never the query, the token or the body.
    void requestLog() {
        QFETCH(bool, stream);
        QLoggingCategory::setFilterRules(QStringLiteral("quorvel.http.debug=true"));
        g_messages.clear();
        const QtMessageHandler previous = qInstallMessageHandler(collect);
        HttpRequest sent = request("POST", QStringLiteral("/api/v1/me?phone=13800138000"));
        sent.setHeader("Authorization", "Bearer secret-token-value");
        sent.body = R"({"password":"body-secret"})";
        if (stream)
            Await::result(m_transport.open(sent));
        else
            Await::result(m_transport.send(sent));
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());

        QCOMPARE(g_messages.size(), 1);
        const QString line = g_messages.first();
        QVERIFY2(line.startsWith(QStringLiteral("POST /api/v1/me 40")), qPrintable(line));
        QVERIFY2(line.contains(QRegularExpression(QStringLiteral("\\b\\d+ms\\b"))), qPrintable(line));
        for (const char *secret : {"13800138000", "secret-token-value", "body-secret", "phone"})
            QVERIFY2(!line.contains(QLatin1String(secret)), qPrintable(line));
    }
};

QTEST_GUILESS_MAIN(TestTransport)
#include "tst_transport.moc"
