// The strict internet date-time: what the service writes is read to the millisecond in UTC; every lenient
// form that Qt::ISODate would take is refused.
#include "InternetDateTime.h"

#include <QTest>

class TestInternetDateTime : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("instant"); // invalid: refused
        const auto utc = [](int y, int mo, int d, int h, int mi, int s, int ms = 0) {
            return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
        };
        const QDateTime refused;
        QTest::newRow("Z") << "2026-03-01T08:15:30Z" << utc(2026, 3, 1, 8, 15, 30);
        QTest::newRow("fraction") << "2026-03-01T08:15:30.250Z" << utc(2026, 3, 1, 8, 15, 30, 250);
        QTest::newRow("one digit") << "2026-03-01T08:15:30.5Z" << utc(2026, 3, 1, 8, 15, 30, 500);
        QTest::newRow("microseconds") << "2026-03-01T08:15:30.123999Z" << utc(2026, 3, 1, 8, 15, 30, 123);
        QTest::newRow("east offset") << "2026-03-01T08:15:30+08:00" << utc(2026, 3, 1, 0, 15, 30);
        QTest::newRow("west offset, next day") << "2026-03-01T20:00:00-05:30" << utc(2026, 3, 2, 1, 30, 0);
        QTest::newRow("year's end east") << "2026-01-01T00:00:00+08:00" << utc(2025, 12, 31, 16, 0, 0);
        QTest::newRow("leap day") << "2024-02-29T12:00:00Z" << utc(2024, 2, 29, 12, 0, 0);

        QTest::newRow("space instead of T") << "2026-03-01 08:15:30Z" << refused;
        QTest::newRow("no zone") << "2026-03-01T08:15:30" << refused;
        QTest::newRow("space, no zone") << "2026-03-01 08:15:30" << refused;
        QTest::newRow("date only") << "2026-03-01" << refused;
        QTest::newRow("no seconds") << "2026-03-01T08:15Z" << refused;
        QTest::newRow("empty fraction") << "2026-03-01T08:15:30.Z" << refused;
        QTest::newRow("compact offset") << "2026-03-01T08:15:30+0800" << refused;
        QTest::newRow("hour offset") << "2026-03-01T08:15:30+08" << refused;
        QTest::newRow("lower-case t") << "2026-03-01t08:15:30Z" << refused;
        QTest::newRow("trailing space") << "2026-03-01T08:15:30Z " << refused;
        QTest::newRow("leading space") << " 2026-03-01T08:15:30Z" << refused;
        QTest::newRow("basic format") << "20260301T081530Z" << refused;
        QTest::newRow("month 13") << "2026-13-01T08:15:30Z" << refused;
        QTest::newRow("30 February") << "2026-02-30T08:15:30Z" << refused;
        QTest::newRow("29 February, no leap") << "2026-02-29T08:15:30Z" << refused;
        QTest::newRow("hour 24") << "2026-03-01T24:00:00Z" << refused;
        QTest::newRow("second 60") << "2026-03-01T08:15:60Z" << refused;
        QTest::newRow("offset minute 60") << "2026-03-01T08:15:30+08:60" << refused;
        QTest::newRow("one-digit month") << "2026-3-01T08:15:30Z" << refused;
        QTest::newRow("full-width digit") << QString::fromUtf8("2026-03-0１T08:15:30Z") << refused;
        QTest::newRow("empty") << "" << refused;
    }
    void parse() {
        QFETCH(QString, text);
        QFETCH(QDateTime, instant);
        const std::optional<QDateTime> parsed = InternetDateTime::parse(text);
        QCOMPARE(parsed.has_value(), instant.isValid());
        if (!parsed)
            return;
        QCOMPARE(*parsed, instant);
        QCOMPARE(parsed->timeSpec(), Qt::UTC);
    }
};

QTEST_GUILESS_MAIN(TestInternetDateTime)
#include "tst_internetdatetime.moc"
