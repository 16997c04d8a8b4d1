// What the inbox costs: decoding a 1000-message answer (twenty times the list the screen asks for), and the
// relative time texts of a screenful of 50 rows, which are worked out again on every rebuild of the rows.
#include "HomeInboxViewModel.h"
#include "InboxFixture.h"
#include "InboxTimeText.h"

#include <QTest>

class BenchInbox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decode1000Messages() {
        QList<QJsonObject> messages;
        for (int i = 0; i < 1000; ++i)
            messages << inboxMessage(
                9007199254740993 + i, i % 3 ? "weekly_report" : "question_set_ready", i % 2,
                QStringLiteral("2026-03-01T07:50:09.%1Z").arg(i % 1000, 3, 10, QLatin1Char('0')));
        const QByteArray body = inboxAnswer(messages);
        QList<InboxMessage> decoded;
        QBENCHMARK {
            decoded = InboxMessage::listFromJson(body);
        }
        QCOMPARE(decoded.size(), 1000);
        QCOMPARE(decoded.last().id, 9007199254740993 + 999);
    }

    void relativeTimes50Rows() {
        const QDateTime now(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
        const QTimeZone zone("Asia/Shanghai");
        QStringList createdAt;
        // From seconds to weeks ago, so that every branch of the text is taken.
        for (int i = 0; i < 50; ++i)
            createdAt << now.addSecs(-qint64(i) * i * i * 97).toString(Qt::ISODate);
        QStringList texts;
        QBENCHMARK {
            texts.clear();
            for (const QString &text : std::as_const(createdAt))
                texts << InboxTimeText::relativeTime(text, now, zone);
        }
        QCOMPARE(texts.size(), 50);
        QCOMPARE(texts.first(), QStringLiteral("刚刚"));
        QVERIFY(texts.last().contains(u'月'));
    }

    // The rows as the list model gets them: style, both times and the accessible name of 50 messages.
    void rows50() {
        const QDateTime now(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
        const QTimeZone zone("Asia/Shanghai");
        QList<InboxMessage> messages;
        for (int i = 0; i < 50; ++i) {
            InboxMessage message;
            message.id = i;
            message.kind = i % 2 ? QStringLiteral("weekly_report") : QStringLiteral("promo");
            message.createdAt = now.addSecs(-qint64(i) * 3000).toString(Qt::ISODate);
            messages << message;
        }
        int built = 0;
        QBENCHMARK {
            built = 0;
            for (const InboxMessage &message : std::as_const(messages))
                built += HomeInboxViewModel::row(message, now, zone).time.isEmpty() ? 0 : 1;
        }
        QCOMPARE(built, 50);
    }
};

QTEST_GUILESS_MAIN(BenchInbox)
#include "bench_inbox.moc"
