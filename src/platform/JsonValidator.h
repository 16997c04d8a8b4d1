#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

// Where and why a body is not one well-formed JSON text.
struct JsonSyntaxIssue {
    qsizetype offset =
        0; // of the first byte that cannot stand where it is (the size, when the body ends early)
    QString reason;
};

// A strict check of JSON text (RFC 8259) made before any decoder sees a body, because Qt's reader is lenient
// where the wire must not be: it takes "2.", ".2" and "-2." as numbers, tabs and other control characters raw
// inside strings, and escapes such as "\x" or "\0". Here, in one pass over the bytes and without recursion:
// - only space, tab, line feed and carriage return count as whitespace, and nothing but whitespace may follow
//   the value;
// - numbers follow the grammar exactly: an optional minus, no leading zero, digits after a point and after an
//   exponent;
// - strings hold no raw control character, only the eight two-character escapes and "\u" with four hex
// digits,
//   and well-formed UTF-8 (no overlong forms, no surrogates, nothing beyond U+10FFFF);
// - the literals are exactly true, false and null;
// - arrays and objects nest at most `depthLimit` deep, so a hostile body cannot exhaust the decoder's stack.
// A lone scalar at the top level is well-formed JSON; the decoders that need an object or array say so.
namespace JsonValidator {

inline constexpr int defaultDepthLimit = 512;

// Offset and length of each number written as something other than the integer -2^63 that still reads as
// exactly -2^63 (an integer a little below the 64-bit range, or a decimal near it). Qt's reader keeps every
// whole double that fits 64 bits as an integer, so these would be taken for -2^63.
using NumberSpans = QList<std::pair<qsizetype, qsizetype>>;

// Nothing when `bytes` is one well-formed JSON text; then `minimumLookalikes`, when given, lists those
// numbers.
std::optional<JsonSyntaxIssue> check(QByteArrayView bytes, int depthLimit = defaultDepthLimit,
                                     NumberSpans *minimumLookalikes = nullptr);

inline bool isValid(QByteArrayView bytes, int depthLimit = defaultDepthLimit) {
    return !check(bytes, depthLimit);
}

} // namespace JsonValidator
