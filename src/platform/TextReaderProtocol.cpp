#include "TextReaderProtocol.h"

#include <cstring>

namespace TextReaderProtocol {

namespace {

void put(std::string &out, std::uint32_t value) {
    char bytes[4];
    std::memcpy(bytes, &value, 4);
    out.append(bytes, 4);
}

std::uint32_t get(std::string_view bytes, std::size_t at) {
    std::uint32_t value;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

} // namespace

std::string encodeRequestHeader(const Request &request) {
    std::string out;
    out.reserve(kRequestHeaderSize);
    put(out, kRequestMagic);
    put(out, std::uint32_t(request.layout));
    put(out, request.width);
    put(out, request.height);
    return out;
}

std::optional<Request> decodeRequestHeader(std::string_view header) {
    if (header.size() != kRequestHeaderSize || get(header, 0) != kRequestMagic)
        return std::nullopt;
    const std::uint32_t layout = get(header, 4);
    if (layout != std::uint32_t(Layout::Page) && layout != std::uint32_t(Layout::SingleBlock))
        return std::nullopt;
    Request request{Layout(layout), get(header, 8), get(header, 12)};
    if (request.width == 0 || request.height == 0 || request.width > kMaxSide || request.height > kMaxSide)
        return std::nullopt;
    return request;
}

std::string encodeReply(const Reply &reply) {
    std::string body;
    std::uint32_t count = 0;
    for (const Line &line : reply.lines) {
        if (count == kMaxLines)
            break;
        if (line.text.size() > kMaxLineBytes)
            continue;
        if (kReplyHeaderSize + body.size() + kLineHeaderSize + line.text.size() > kMaxReplyBytes)
            break;
        put(body, std::uint32_t(line.bottom));
        put(body, std::uint32_t(line.text.size()));
        body.append(line.text);
        ++count;
    }
    std::string out;
    out.reserve(kReplyHeaderSize + body.size());
    put(out, kReplyMagic);
    put(out, std::uint32_t(reply.status));
    put(out, count);
    out.append(body);
    return out;
}

Parse decodeReply(std::string_view bytes, Reply &reply, std::size_t &consumed) {
    if (bytes.size() < 4)
        return Parse::Incomplete;
    if (get(bytes, 0) != kReplyMagic)
        return Parse::Malformed;
    if (bytes.size() < kReplyHeaderSize)
        return Parse::Incomplete;
    const std::uint32_t status = get(bytes, 4);
    if (status > std::uint32_t(Status::Malformed))
        return Parse::Malformed;
    const std::uint32_t count = get(bytes, 8);
    if (count > kMaxLines || (Status(status) != Status::Lines && count != 0))
        return Parse::Malformed;
    std::size_t at = kReplyHeaderSize;
    std::vector<Line> lines;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (at + kLineHeaderSize > kMaxReplyBytes)
            return Parse::Malformed;
        if (bytes.size() < at + kLineHeaderSize)
            return Parse::Incomplete;
        const auto bottom = std::int32_t(get(bytes, at));
        const std::uint32_t length = get(bytes, at + 4);
        if (length > kMaxLineBytes || at + kLineHeaderSize + length > kMaxReplyBytes)
            return Parse::Malformed;
        at += kLineHeaderSize;
        if (bytes.size() < at + length)
            return Parse::Incomplete;
        lines.push_back({std::string(bytes.substr(at, length)), bottom});
        at += length;
    }
    reply.status = Status(status);
    reply.lines = std::move(lines);
    consumed = at;
    return Parse::Complete;
}

} // namespace TextReaderProtocol
