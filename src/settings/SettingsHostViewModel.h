#pragma once

#include "ScreenViewModel.h"
#include "SettingsStore.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

// The frame of one settings page, the "我的" tab's root page or a page pushed behind it: it owns the page's
// store, which it replaces with a new one and loads every time the page comes on screen (also when the
// learner comes back to it from a page pushed over it). A store that is replaced is deleted, so its late
// answer goes with it; a load still running when the page leaves the screen ends silently, with no
// fallback page and no alert.
//
// While there is no document: "加载中…" when a load runs, else "暂无设置". The title is the document's,
// "我的" without one; the root page has the large title.
class SettingsHostViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString pageId READ pageId WRITE setPageId NOTIFY pageIdChanged)
    Q_PROPERTY(SettingsStore *store READ store NOTIFY storeChanged)
    Q_PROPERTY(Content content READ content NOTIFY contentChanged)
    Q_PROPERTY(QString title READ title NOTIFY titleChanged)
    Q_PROPERTY(bool largeTitle READ largeTitle NOTIFY pageIdChanged)

public:
    enum Content { Empty, Loading, Page };
    Q_ENUM(Content)

    explicit SettingsHostViewModel(QObject *parent = nullptr);

    QString pageId() const { return m_pageId; }
    void setPageId(const QString &pageId);
    SettingsStore *store() const { return m_store; }
    Content content() const { return m_content; }
    QString title() const { return m_title; }
    bool largeTitle() const { return m_pageId == SettingsStore::rootPageId; }

    // The page came on screen: a new store for it, loading.
    Q_INVOKABLE void appear();
    // The page left the screen: a load under way ends without a word.
    Q_INVOKABLE void disappear();

Q_SIGNALS:
    void pageIdChanged();
    void storeChanged();
    void contentChanged();
    void titleChanged();

private:
    void sessionReplaced() override;
    void replaceStore(SettingsStore *store);
    void update();

    QString m_pageId;
    SettingsStore *m_store = nullptr;
    Content m_content = Empty;
    QString m_title;
};
