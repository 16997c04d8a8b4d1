#include "FuzzTarget.h"

#include "TextReaderProtocol.h"

#include <cstdlib>

namespace Protocol = TextReaderProtocol;

// What the text reader and the app read from each other. The first byte picks the side: the rest as what the
// reader answers (a reply the app takes must stay the same through encoding it again), or as a request header
// the reader takes (its picture then within the limits).
int qvlFuzz(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    const std::string_view body(reinterpret_cast<const char *>(data) + 1, size - 1);
    if (data[0] & 1) {
        if (const auto request =
                Protocol::decodeRequestHeader(body.substr(0, Protocol::kRequestHeaderSize))) {
            if (request->pictureBytes() > Protocol::kMaxPictureBytes ||
                Protocol::decodeRequestHeader(Protocol::encodeRequestHeader(*request))->width !=
                    request->width)
                std::abort();
        }
        return 0;
    }
    Protocol::Reply reply;
    std::size_t consumed = 0;
    if (Protocol::decodeReply(body, reply, consumed) != Protocol::Parse::Complete)
        return 0;
    if (consumed > body.size() || consumed > Protocol::kMaxReplyBytes)
        std::abort();
    const std::string again = Protocol::encodeReply(reply);
    Protocol::Reply decoded;
    std::size_t consumedAgain = 0;
    if (Protocol::decodeReply(again, decoded, consumedAgain) != Protocol::Parse::Complete ||
        consumedAgain != again.size() || decoded.lines.size() != reply.lines.size() ||
        decoded.status != reply.status)
        std::abort();
    for (std::size_t i = 0; i < reply.lines.size(); ++i) {
        if (decoded.lines[i].text != reply.lines[i].text || decoded.lines[i].bottom != reply.lines[i].bottom)
            std::abort();
    }
    return 0;
}
