#include "MemoryRelief.h"

#include <malloc.h>

MemoryRelief::MemoryRelief(QQmlEngine *engine, QObject *parent) : QObject(parent), m_engine(engine) {
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(kQuietMs);
    connect(&m_quiet, &QTimer::timeout, this, &MemoryRelief::relieve);
}

void MemoryRelief::screenClosed() {
    m_quiet.start();
}

void MemoryRelief::relieve() {
    if (m_engine) {
        m_engine->collectGarbage();
        m_engine->trimComponentCache();
    }
    malloc_trim(0);
    Q_EMIT relieved();
}
