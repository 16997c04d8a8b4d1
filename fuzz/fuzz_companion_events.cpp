#include "FuzzTarget.h"

#include "CompanionChatClient.h"

#include <QByteArray>

// The chat's event stream: the input is the body of a streamed reply, cut into lines as the network reader
// cuts them (at "\n", without the line break), each read by the line reader in order; the event name one
// line sets stays in force for the lines after it.
int qvlFuzz(const uint8_t *data, size_t size) {
    const QByteArray body(reinterpret_cast<const char *>(data), qsizetype(size));
    CompanionChatClient::LineReader reader;
    qsizetype start = 0;
    while (start < body.size()) {
        qsizetype end = body.indexOf('\n', start);
        if (end < 0)
            end = body.size();
        QByteArray line = body.mid(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        (void)reader.read(line);
        start = end + 1;
    }
    return 0;
}
