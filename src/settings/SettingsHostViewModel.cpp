#include "SettingsHostViewModel.h"

SettingsHostViewModel::SettingsHostViewModel(QObject *parent) : ScreenViewModel(parent) {
    // Until the page first comes on screen: a store that has not loaded, so the page reads "暂无设置".
    replaceStore(new SettingsStore(this));
}

void SettingsHostViewModel::setPageId(const QString &pageId) {
    if (pageId == m_pageId)
        return;
    m_pageId = pageId;
    m_store->setPageId(pageId);
    Q_EMIT pageIdChanged();
}

void SettingsHostViewModel::sessionReplaced() {
    m_store->setSession(session());
}

void SettingsHostViewModel::appear() {
    // Loading before it is shown, so the page goes straight to "加载中…" and never passes "暂无设置".
    auto *store = new SettingsStore(m_pageId, session(), this);
    store->requestLoad();
    replaceStore(store);
}

void SettingsHostViewModel::disappear() {
    m_store->abandonLoads();
}

void SettingsHostViewModel::replaceStore(SettingsStore *store) {
    SettingsStore *old = m_store;
    m_store = store;
    connect(store, &SettingsStore::documentChanged, this, &SettingsHostViewModel::update);
    connect(store, &SettingsStore::loadingChanged, this, &SettingsHostViewModel::update);
    Q_EMIT storeChanged();
    update();
    if (old) {
        // Its load may still be out; the answer is dropped with the store. Deleted once the views bound to
        // it have moved to the new one.
        old->abandonLoads();
        disconnect(old, nullptr, this, nullptr);
        old->deleteLater();
    }
}

void SettingsHostViewModel::update() {
    const Content content = m_store->hasDocument() ? Page : m_store->loading() ? Loading : Empty;
    if (content != m_content) {
        m_content = content;
        Q_EMIT contentChanged();
    }
    const QString title = m_store->hasDocument() ? m_store->title() : QStringLiteral("我的");
    if (title != m_title) {
        m_title = title;
        Q_EMIT titleChanged();
    }
}
