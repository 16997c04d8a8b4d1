#include "FuzzTarget.h"

#include "HomeInboxViewModel.h"
#include "InboxMessage.h"
#include "InboxTimeText.h"
#include "InternetDateTime.h"
#include "JsonReader.h"

#include <QDateTime>
#include <QTimeZone>

// The inbox list and the dates in it. The first byte picks the reading: the body as the list answer (each
// message then laid out as its row, times included), or the body as one internet date-time text.
int qvlFuzz(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    const QByteArray body(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    const QTimeZone zone(8 * 3600);
    const QDateTime now(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC);
    if (data[0] & 1) {
        const QString text = QString::fromUtf8(body);
        (void)InternetDateTime::parse(text);
        (void)InboxTimeText::relativeTime(text, now, zone);
        (void)InboxTimeText::fullTime(text, zone);
        return 0;
    }
    try {
        for (const InboxMessage &message : InboxMessage::listFromJson(body))
            (void)HomeInboxViewModel::row(message, now, zone);
    } catch (const JsonDecodeError &) {
    }
    return 0;
}
