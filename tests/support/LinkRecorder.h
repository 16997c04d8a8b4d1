#pragma once

#include "LinkOpener.h"

#include <QList>
#include <QUrl>

// Takes the desktop's place as the receiver of opened links for its lifetime and records what it is given.
struct LinkRecorder {
    QList<QUrl> opened;

    LinkRecorder() {
        LinkOpener::setHandler([this](const QUrl &url) {
            opened << url;
            return true;
        });
    }
    ~LinkRecorder() { LinkOpener::setHandler({}); }
    LinkRecorder(const LinkRecorder &) = delete;
    LinkRecorder &operator=(const LinkRecorder &) = delete;
};
