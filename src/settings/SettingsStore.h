#pragma once

#include "SettingsAPIClient.h"
#include "SettingsDocument.h"

#include <QCoro/QCoroTask>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <optional>

#include "AppSession.h"

// The state of one settings page: its document, the learner's preference values, and the flags its view
// shows. A load fetches the page and its preferences; any failure shows the built-in page (the about
// section) with "配置暂不可用，已使用本地默认设置页" and no preferences. Loads may overlap and each applies
// its own result when it ends; the document stays on show while a reload runs.
//
// The dark-mode preference ("pref.dark_mode") is handed to the session whenever it is a real boolean; the
// number 1 or the text "true" leave the session alone.
//
// Toggles save optimistically: the new value shows at once and the save goes out. Several saves of one key
// may be under way together; only the newest of them applies its outcome to that key. If it fails, the key
// goes back to the last value the server confirmed (from a load or a successful save), or is removed when
// the server never confirmed one, so a value the server never accepted is never left on screen or in the
// session. An older save arriving late changes that key on screen no more; its other echoed keys merge.
//
// The store lives as long as the view that owns it; an answer arriving after it is gone writes nothing.
// Main thread only; properties notify only when their value changes.
class SettingsStore : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString pageId READ pageId WRITE setPageId NOTIFY pageIdChanged)
    Q_PROPERTY(AppSession *session READ session WRITE setSession NOTIFY sessionChanged)
    Q_PROPERTY(bool hasDocument READ hasDocument NOTIFY documentChanged)
    Q_PROPERTY(QString title READ title NOTIFY documentChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    Q_PROPERTY(bool usedFallback READ usedFallback NOTIFY usedFallbackChanged)
    Q_PROPERTY(bool hasErrorMessage READ hasErrorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(QString errorMessage READ errorMessageText NOTIFY errorMessageChanged)

public:
    explicit SettingsStore(QObject *parent = nullptr);
    SettingsStore(QString pageId, AppSession *session, QObject *parent = nullptr);
    ~SettingsStore() override;

    static inline const QString darkModeKey = QStringLiteral("pref.dark_mode");
    static inline const QString rootPageId = QStringLiteral("settings_root");
    static inline const QString fallbackMessage = QStringLiteral("配置暂不可用，已使用本地默认设置页");
    static inline const QString saveFailedMessage = QStringLiteral("保存失败，请稍后重试");

    QString pageId() const { return m_pageId; }
    void setPageId(const QString &pageId);
    AppSession *session() const { return m_session; }
    void setSession(AppSession *session);

    const std::optional<SettingsPageDocument> &document() const { return m_document; }
    bool hasDocument() const { return m_document.has_value(); }
    QString title() const { return m_document ? m_document->title : QString(); }
    const SettingsPrefs &prefs() const { return m_prefs; }
    // True while any load runs.
    bool loading() const { return m_runningLoads > 0; }
    bool usedFallback() const { return m_usedFallback; }
    const std::optional<QString> &errorMessage() const { return m_errorMessage; }
    bool hasErrorMessage() const { return m_errorMessage.has_value(); }
    QString errorMessageText() const { return m_errorMessage.value_or(QString()); }

    // Never throw.
    QCoro::Task<> load();
    // A row without a key does nothing at all.
    QCoro::Task<> updatePref(SettingsItem item, bool value);
    // Hands a boolean "pref.dark_mode" to the session; anything else changes nothing.
    void applyDarkMode();

    // The page shown when the server's cannot be had: "我的" for the root page, else "设置", with one section
    // "关于与协议" of the app version and the three legal pages.
    static SettingsPageDocument localFallbackPage(const QString &pageId);

    // The loads under way end without a word: their answers, the fallback page and its alert are dropped
    // and the store stops loading at once. For a page that left the screen while it loaded.
    void abandonLoads();

    // For QML: started and left to run.
    Q_INVOKABLE void requestLoad();
    // The toggle at that place of the document was flipped; places outside the document do nothing.
    Q_INVOKABLE void setToggle(int section, int row, bool value);
    // The alert was closed in any way.
    Q_INVOKABLE void dismissError();

Q_SIGNALS:
    void pageIdChanged();
    void sessionChanged();
    void documentChanged();
    void prefsChanged();
    void loadingChanged();
    void usedFallbackChanged();
    void errorMessageChanged();

private:
    void setDocument(SettingsPageDocument document);
    void setPrefs(SettingsPrefs prefs);
    void setPref(const QString &key, std::optional<FlexibleValue> value);
    void setUsedFallback(bool used);
    void setErrorMessage(std::optional<QString> message);
    void setRunningLoads(int count);

    QString m_pageId;
    QPointer<AppSession> m_session;
    SettingsAPIClient m_client;
    std::optional<SettingsPageDocument> m_document;
    SettingsPrefs m_prefs;
    // What the server last confirmed per key (a load replaces it whole, a successful save sets its keys):
    // what a failed save restores.
    SettingsPrefs m_confirmed;
    // Per key, the number of the newest save started; a save whose number is no longer the newest leaves
    // that key alone when it ends.
    QHash<QString, quint64> m_newestSave;
    QHash<QString, int> m_pendingSaves;
    // The session's dark flag before the saves of the dark-mode key now under way: what a failure restores
    // when the server never confirmed a boolean for that key.
    bool m_darkBeforeSaves = false;
    quint64 m_saveCounter = 0;
    // Bumped by abandonLoads: a load started under an older number applies nothing when it ends.
    quint64 m_loadEpoch = 0;
    int m_runningLoads = 0;
    bool m_usedFallback = false;
    std::optional<QString> m_errorMessage;
};
