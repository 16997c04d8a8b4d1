#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How the app and its text reader (quorvel-text-reader, the process that runs the recognition engine) talk
// over the reader's stdin and stdout. Plain C++: the reader links nothing of Qt.
//
// The reader starts with the engine's language data folder as its one argument (none: the system's), loads
// the engine and says so with one reply (Ready, or NoLanguageData and it exits). Then, per request:
//   request: a 16-byte header (magic, layout, width, height; native byte order, both ends are one machine)
//   and
//            width * height * 3 bytes of RGB888 rows without padding;
//   reply:   a 12-byte header (magic, status, line count), then per line its bottom edge (int32), its length
//            (uint32) and its UTF-8 bytes.
// Every length either side reads is checked against the limits below before anything is allocated for it: a
// request the reader cannot take is answered with Malformed and ends the reader (the stream is out of step
// then), a reply the app cannot take ends the reader as broken. The reader exits when its stdin closes.
namespace TextReaderProtocol {

inline constexpr std::uint32_t kRequestMagic = 0x51564c71; // "qLVQ"
inline constexpr std::uint32_t kReplyMagic = 0x51564c61;   // "aLVQ"
inline constexpr std::size_t kRequestHeaderSize = 16;
inline constexpr std::size_t kReplyHeaderSize = 12;
inline constexpr std::size_t kLineHeaderSize = 8;

// The app scales every picture down to this long side before it sends it.
inline constexpr std::uint32_t kMaxSide = 2400;
inline constexpr std::size_t kMaxPictureBytes = std::size_t(kMaxSide) * kMaxSide * 3;
// A dense page of small print has a few hundred lines of a few hundred bytes.
inline constexpr std::uint32_t kMaxLines = 4096;
inline constexpr std::uint32_t kMaxLineBytes = 16 * 1024;
inline constexpr std::size_t kMaxReplyBytes = 1024 * 1024; // header and lines together

enum class Layout : std::uint32_t {
    Page = 0,        // the engine's automatic page layout
    SingleBlock = 1, // the whole picture as one block of text
};

enum class Status : std::uint32_t {
    Lines = 0,          // the picture's lines follow
    Ready = 1,          // the engine is loaded (first reply)
    NoLanguageData = 2, // the engine did not load its language data (first reply; the reader exits)
    Failed = 3,         // the engine broke off on this picture; the reader goes on
    Malformed = 4,      // the request was not one; the reader exits
};

struct Request {
    Layout layout = Layout::Page;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::size_t pictureBytes() const { return std::size_t(width) * height * 3; }
};

struct Line {
    std::string text; // UTF-8
    std::int32_t bottom = 0;
};

struct Reply {
    Status status = Status::Lines;
    std::vector<Line> lines;
};

std::string encodeRequestHeader(const Request &request);
// The request a header names, or nullopt when it names none this protocol allows (wrong magic, unknown
// layout, an empty or oversized picture). `header` holds kRequestHeaderSize bytes.
std::optional<Request> decodeRequestHeader(std::string_view header);

// The reply as bytes. Lines beyond the limits are left out (the count and the whole stay within them), so
// that what the reader writes is always a reply the app takes.
std::string encodeReply(const Reply &reply);

enum class Parse {
    Incomplete, // a prefix of a reply that may still be valid: read more
    Malformed,  // no reply, whatever follows
    Complete,
};
// Parses the reply at the start of `bytes`; on Complete fills `reply` and `consumed`. Rejects a count or a
// length over the limits as soon as it is read, so a reader never waits for more than kMaxReplyBytes.
Parse decodeReply(std::string_view bytes, Reply &reply, std::size_t &consumed);

} // namespace TextReaderProtocol
