#pragma once

#include <QObject>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include <functional>

// Opens a link the way the desktop does (browser, dialler). Only web addresses (http, https, with a host)
// and telephone links (tel) are ever handed on: a link taken from data must not start a program of the
// learner's machine through some other scheme (file:, a custom handler, ...).
class LinkOpener : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    static bool isOpenable(const QUrl &url);
    // Hands an openable link to the desktop; false when refused or when the desktop could not open it.
    Q_INVOKABLE static bool open(const QUrl &url);

    // Tests replace what receives the accepted links; an empty function restores the desktop.
    using Handler = std::function<bool(const QUrl &)>;
    static void setHandler(Handler handler);
};
