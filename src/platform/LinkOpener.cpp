#include "LinkOpener.h"

#include <QDesktopServices>

namespace {

LinkOpener::Handler &handler() {
    static LinkOpener::Handler current;
    return current;
}

} // namespace

bool LinkOpener::isOpenable(const QUrl &url) {
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return !url.host().isEmpty();
    if (scheme == QLatin1String("tel")) {
        // Only "tel:<number>": QUrl reads digits after "tel://" as an IPv4 host ("tel://12356" becomes
        // "tel://0.0.48.68"), which would hand the dialler another number.
        return url.host().isEmpty() && !url.path().isEmpty();
    }
    return false;
}

bool LinkOpener::open(const QUrl &url) {
    if (!isOpenable(url)) {
        qWarning("LinkOpener: refused to open a link of scheme \"%s\"", qPrintable(url.scheme()));
        return false;
    }
    if (handler())
        return handler()(url);
    return QDesktopServices::openUrl(url);
}

void LinkOpener::setHandler(Handler replacement) {
    handler() = std::move(replacement);
}
