// The inbox's time texts at their edges: seconds around the minute and the hour, midnight between the
// message and now, yesterday, an earlier year, the future, and texts that are no strict date-time.
#include "InboxTimeText.h"

#include <QTest>

class TestInboxTimeText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void texts_data() {
        QTest::addColumn<QString>("createdAt");
        QTest::addColumn<QString>("now"); // UTC
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("relative");
        QTest::addColumn<QString>("full");

        const QByteArray shanghai = "Asia/Shanghai";
        const QString evening = "2026-03-01T12:00:00Z"; // 20:00 in Shanghai
        const auto row = [](const char *name, const QString &createdAt, const QString &now,
                            const QByteArray &zone, const char *relative, const char *full) {
            QTest::newRow(name) << createdAt << now << zone << QString::fromUtf8(relative)
                                << QString::fromUtf8(full);
        };
        row("59.9 s", "2026-03-01T11:59:00.100Z", evening, shanghai, "刚刚", "2026年3月1日 19:59");
        row("60 s", "2026-03-01T11:59:00Z", evening, shanghai, "1 分钟前", "2026年3月1日 19:59");
        row("3599 s", "2026-03-01T11:00:01Z", evening, shanghai, "59 分钟前", "2026年3月1日 19:00");
        row("3600 s today", "2026-03-01T11:00:00Z", evening, shanghai, "1 小时前", "2026年3月1日 19:00");
        row("7199 s today", "2026-03-01T10:00:01Z", evening, shanghai, "1 小时前", "2026年3月1日 18:00");
        row("offset in the text", "2026-03-01T19:30:00+08:00", evening, shanghai, "30 分钟前",
            "2026年3月1日 19:30");
        row("ten minutes ahead", "2026-03-01T12:10:00Z", evening, shanghai, "刚刚", "2026年3月1日 20:10");
        row("a day ahead", "2026-03-02T12:00:00Z", evening, shanghai, "刚刚", "2026年3月2日 20:00");
        // 23:40 before 00:20: minutes win over "yesterday".
        row("40 min across midnight", "2026-03-01T15:40:00Z", "2026-03-01T16:20:00Z", shanghai, "40 分钟前",
            "2026年3月1日 23:40");
        // 21:00 yesterday, five hours before 02:00: "yesterday" wins over hours.
        row("5 h, yesterday", "2026-03-01T13:00:00Z", "2026-03-01T18:00:00Z", shanghai, "昨天 21:00",
            "2026年3月1日 21:00");
        row("yesterday just after midnight", "2026-02-28T16:05:00Z", "2026-03-01T20:00:00Z", shanghai,
            "昨天 00:05", "2026年3月1日 00:05");
        row("two days ago", "2026-02-27T01:02:03Z", evening, shanghai, "2月27日 09:02",
            "2026年2月27日 09:02");
        row("last year", "2025-12-31T15:30:00Z", evening, shanghai, "12月31日 23:30", "2025年12月31日 23:30");
        // The same instants, a zone where the message fell on the day before.
        row("today here, yesterday in UTC", "2026-02-28T23:00:00Z", evening, shanghai, "13 小时前",
            "2026年3月1日 07:00");
        row("yesterday in UTC", "2026-02-28T23:00:00Z", evening, "UTC", "昨天 23:00", "2026年2月28日 23:00");
        row("fraction", "2026-03-01T08:15:30.123Z", evening, "UTC", "3 小时前", "2026年3月1日 08:15");
        row("no zone", "2026-03-01T08:15:30", evening, shanghai, "", "2026-03-01T08:15:30");
        row("space for T", "2026-03-01 08:15:30Z", evening, shanghai, "", "2026-03-01 08:15:30Z");
        row("empty", "", evening, shanghai, "", "");
        row("not a date", "昨天", evening, shanghai, "", "昨天");
    }
    void texts() {
        QFETCH(QString, createdAt);
        QFETCH(QString, now);
        QFETCH(QByteArray, zone);
        QFETCH(QString, relative);
        QFETCH(QString, full);
        const QTimeZone timeZone(zone);
        QVERIFY(timeZone.isValid());
        const QDateTime clock = QDateTime::fromString(now, Qt::ISODate);
        QVERIFY(clock.isValid());
        QCOMPARE(InboxTimeText::relativeTime(createdAt, clock, timeZone), relative);
        QCOMPARE(InboxTimeText::fullTime(createdAt, timeZone), full);
    }

    // With and without a fraction: one instant up to the fraction.
    void fractionalAndPlainParseAlike() {
        const auto fractional = InboxTimeText::parseDate(u"2026-03-01T08:15:30.123Z");
        const auto plain = InboxTimeText::parseDate(u"2026-03-01T08:15:30Z");
        QVERIFY(fractional && plain);
        QCOMPARE(plain->msecsTo(*fractional), 123);
    }
};

QTEST_GUILESS_MAIN(TestInboxTimeText)
#include "tst_inboxtimetext.moc"
