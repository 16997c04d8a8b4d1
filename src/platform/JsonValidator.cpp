#include "JsonValidator.h"

#include <QVarLengthArray>

namespace {

bool isDigit(uchar c) {
    return c >= '0' && c <= '9';
}

bool isHexDigit(uchar c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isContinuation(uchar c) {
    return (c & 0xC0) == 0x80;
}

class Scanner {
public:
    Scanner(QByteArrayView bytes, int depthLimit)
        : m_data(reinterpret_cast<const uchar *>(bytes.data())), m_size(bytes.size()),
          m_depthLimit(depthLimit) {}

    std::optional<JsonSyntaxIssue> run();
    // Filled by run(): see JsonValidator::NumberSpans.
    JsonValidator::NumberSpans lookalikes;

private:
    // What may come next, besides whitespace.
    enum class Expect { Value, ValueOrEnd, Key, KeyOrEnd, Colon, CommaOrEnd };

    bool atEnd() const { return m_pos >= m_size; }
    uchar peek() const { return m_data[m_pos]; }
    void skipWhitespace() {
        while (m_pos < m_size) {
            const uchar c = m_data[m_pos];
            if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
                return;
            ++m_pos;
        }
    }
    bool fail(const char *reason) {
        if (!m_issue)
            m_issue = JsonSyntaxIssue{std::min(m_pos, m_size), QString::fromLatin1(reason)};
        return false;
    }

    bool open(char bracket);
    bool string();
    bool escape();
    bool utf8Sequence();
    bool number();
    bool numberGrammar();
    bool literal(const char *word, qsizetype length);

    const uchar *m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    int m_depthLimit;
    QVarLengthArray<char, 64> m_open; // the brackets still open, innermost last
    std::optional<JsonSyntaxIssue> m_issue;
};

std::optional<JsonSyntaxIssue> Scanner::run() {
    Expect expect = Expect::Value;
    for (;;) {
        skipWhitespace();
        if (expect == Expect::CommaOrEnd && m_open.isEmpty()) {
            if (!atEnd())
                fail("text after the value");
            return m_issue;
        }
        if (atEnd()) {
            fail("unexpected end");
            return m_issue;
        }
        const uchar c = peek();
        bool ok = true;
        switch (expect) {
        case Expect::ValueOrEnd:
            if (c == ']') {
                ++m_pos;
                m_open.removeLast();
                expect = Expect::CommaOrEnd;
                break;
            }
            [[fallthrough]];
        case Expect::Value:
            switch (c) {
            case '{':
                ok = open('{');
                expect = Expect::KeyOrEnd;
                break;
            case '[':
                ok = open('[');
                expect = Expect::ValueOrEnd;
                break;
            case '"':
                ok = string();
                expect = Expect::CommaOrEnd;
                break;
            case 't':
                ok = literal("true", 4);
                expect = Expect::CommaOrEnd;
                break;
            case 'f':
                ok = literal("false", 5);
                expect = Expect::CommaOrEnd;
                break;
            case 'n':
                ok = literal("null", 4);
                expect = Expect::CommaOrEnd;
                break;
            default:
                if (c == '-' || isDigit(c)) {
                    ok = number();
                    expect = Expect::CommaOrEnd;
                } else {
                    ok = fail("expected a value");
                }
            }
            break;
        case Expect::KeyOrEnd:
            if (c == '}') {
                ++m_pos;
                m_open.removeLast();
                expect = Expect::CommaOrEnd;
                break;
            }
            [[fallthrough]];
        case Expect::Key:
            ok = c == '"' ? string() : fail("expected a key");
            expect = Expect::Colon;
            break;
        case Expect::Colon:
            if (c == ':')
                ++m_pos;
            else
                ok = fail("expected ':'");
            expect = Expect::Value;
            break;
        case Expect::CommaOrEnd: {
            const bool inObject = m_open.last() == '{';
            if (c == ',') {
                ++m_pos;
                expect = inObject ? Expect::Key : Expect::Value;
            } else if (c == (inObject ? '}' : ']')) {
                ++m_pos;
                m_open.removeLast();
            } else {
                ok = fail(inObject ? "expected ',' or '}'" : "expected ',' or ']'");
            }
            break;
        }
        }
        if (!ok)
            return m_issue;
    }
}

bool Scanner::open(char bracket) {
    if (m_open.size() >= m_depthLimit)
        return fail("nested too deep");
    m_open.append(bracket);
    ++m_pos;
    return true;
}

bool Scanner::string() {
    ++m_pos; // the opening quote
    while (m_pos < m_size) {
        const uchar c = m_data[m_pos];
        if (c == '"') {
            ++m_pos;
            return true;
        }
        if (c == '\\') {
            if (!escape())
                return false;
        } else if (c < 0x20) {
            return fail("control character in a string");
        } else if (c < 0x80) {
            ++m_pos;
        } else if (!utf8Sequence()) {
            return false;
        }
    }
    return fail("unterminated string");
}

bool Scanner::escape() {
    ++m_pos; // the backslash
    if (atEnd())
        return fail("unterminated string");
    switch (peek()) {
    case '"':
    case '\\':
    case '/':
    case 'b':
    case 'f':
    case 'n':
    case 'r':
    case 't':
        ++m_pos;
        return true;
    case 'u':
        ++m_pos;
        for (int i = 0; i < 4; ++i, ++m_pos) {
            if (atEnd() || !isHexDigit(peek()))
                return fail("\\u needs four hex digits");
        }
        return true;
    default:
        return fail("invalid escape");
    }
}

// One multi-byte UTF-8 sequence in its shortest form, for a scalar value (no surrogates, at most U+10FFFF).
bool Scanner::utf8Sequence() {
    const uchar lead = peek();
    int continuations = 0;
    uchar low = 0x80, high = 0xBF; // the range allowed for the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        continuations = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        continuations = 2;
        if (lead == 0xE0)
            low = 0xA0; // below: overlong
        else if (lead == 0xED)
            high = 0x9F; // above: UTF-16 surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        continuations = 3;
        if (lead == 0xF0)
            low = 0x90; // below: overlong
        else if (lead == 0xF4)
            high = 0x8F; // above: beyond U+10FFFF
    } else {
        return fail("invalid UTF-8");
    }
    if (m_size - m_pos <= continuations)
        return fail("invalid UTF-8");
    const uchar second = m_data[m_pos + 1];
    if (second < low || second > high)
        return fail("invalid UTF-8");
    for (int i = 2; i <= continuations; ++i) {
        if (!isContinuation(m_data[m_pos + i]))
            return fail("invalid UTF-8");
    }
    m_pos += continuations + 1;
    return true;
}

bool Scanner::number() {
    const qsizetype start = m_pos;
    if (!numberGrammar())
        return false;
    // Only a negative number of at least 19 digits can read as -2^63.
    const qsizetype length = m_pos - start;
    if (m_data[start] == '-' && length >= 20) {
        const QByteArrayView text(m_data + start, length);
        bool ok = false;
        if (text != "-9223372036854775808" && text.toDouble(&ok) == -9223372036854775808.0 && ok)
            lookalikes.append({start, length});
    }
    return true;
}

bool Scanner::numberGrammar() {
    if (peek() == '-')
        ++m_pos;
    if (atEnd() || !isDigit(peek()))
        return fail("a number needs a digit");
    if (peek() == '0') {
        ++m_pos; // a leading zero stands alone; a digit after it is refused by whatever reads next
    } else {
        while (!atEnd() && isDigit(peek()))
            ++m_pos;
    }
    if (!atEnd() && peek() == '.') {
        ++m_pos;
        if (atEnd() || !isDigit(peek()))
            return fail("a fraction needs a digit");
        while (!atEnd() && isDigit(peek()))
            ++m_pos;
    }
    if (!atEnd() && (peek() == 'e' || peek() == 'E')) {
        ++m_pos;
        if (!atEnd() && (peek() == '+' || peek() == '-'))
            ++m_pos;
        if (atEnd() || !isDigit(peek()))
            return fail("an exponent needs a digit");
        while (!atEnd() && isDigit(peek()))
            ++m_pos;
    }
    return true;
}

bool Scanner::literal(const char *word, qsizetype length) {
    for (qsizetype i = 0; i < length; ++i, ++m_pos) {
        if (atEnd() || peek() != uchar(word[i]))
            return fail("invalid literal");
    }
    return true;
}

} // namespace

std::optional<JsonSyntaxIssue> JsonValidator::check(QByteArrayView bytes, int depthLimit,
                                                    NumberSpans *minimumLookalikes) {
    Scanner scanner(bytes, depthLimit);
    std::optional<JsonSyntaxIssue> issue = scanner.run();
    if (!issue && minimumLookalikes)
        *minimumLookalikes = std::move(scanner.lookalikes);
    return issue;
}
