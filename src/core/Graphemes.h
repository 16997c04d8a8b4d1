#pragma once

#include <QString>

// Character limits count what a reader sees as one character (a user-perceived character: an emoji with its
// modifiers, a letter with its combining marks), never UTF-16 units or bytes.
namespace Graphemes {

int count(const QString &text);
// The first `limit` characters of `text`; the whole text when it is not longer.
QString leading(const QString &text, int limit);

} // namespace Graphemes
