#pragma once

#include "HomeCards.h"
#include "HomeLayoutAPIClient.h"
#include "ListModel.h"

#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <optional>

#include "AppSession.h"

using HomeCardListModel = ListModel<HomeCardRow>;

// The home page's state: the layout on show (the server's, or the built-in one when the server's cannot be
// had), and the layout editor's drafts (the visible cards in order with their sizes, the cards hidden in
// this editing session), written back as the learner's overrides or dropped for the recommended layout.
//
// Loads may overlap (each appearance, pull-to-refresh, the reload after a conflict). Only the most recently
// started load writes, and only if nothing has replaced the layout since it started: a load superseded by a
// newer one, dropped because the page went off screen, or overtaken by a successful save or restore changes
// nothing. Only a real failure of a load that may write (no connection, a failed status, a body that does
// not decode) falls back to the built-in layout.
//
// After every layout that comes from a server answer the drafts mirror its grid and both hidden lists are
// empty. Operations never throw. Main thread only; properties notify only when their value changes.
class HomeLayoutStore : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(AppSession *session READ session WRITE setSession NOTIFY sessionChanged)
    Q_PROPERTY(bool hasLayout READ hasLayout NOTIFY layoutChanged)
    Q_PROPERTY(bool hasCompanion READ hasCompanion NOTIFY layoutChanged)
    Q_PROPERTY(QString greeting READ greeting NOTIFY layoutChanged)
    // Typed as the list base QML knows (a template instance has no QML type of its own).
    Q_PROPERTY(ListModelBase *grid READ grid CONSTANT)
    Q_PROPERTY(ListModelBase *draftVisible READ draftVisibleModel CONSTANT)
    Q_PROPERTY(ListModelBase *draftHidden READ draftHiddenModel CONSTANT)
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    Q_PROPERTY(bool saving READ saving NOTIFY savingChanged)
    Q_PROPERTY(bool usedFallback READ usedFallback NOTIFY usedFallbackChanged)
    Q_PROPERTY(bool editing READ editing NOTIFY editingChanged)
    Q_PROPERTY(bool hasErrorMessage READ hasErrorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(QString errorMessage READ errorMessageText NOTIFY errorMessageChanged)

public:
    explicit HomeLayoutStore(QObject *parent = nullptr);
    ~HomeLayoutStore() override;

    AppSession *session() const { return m_session; }
    void setSession(AppSession *session);

    const std::optional<HomeLayoutDocument> &layout() const { return m_layout; }
    bool hasLayout() const { return m_layout.has_value(); }
    bool hasCompanion() const { return m_layout && m_layout->layoutSlots.companion; }
    QString greeting() const;
    HomeCardListModel *grid() { return &m_grid; }
    HomeCardListModel *draftVisibleModel() { return &m_visibleModel; }
    HomeCardListModel *draftHiddenModel() { return &m_hiddenModel; }

    // True while any load runs, also one whose answer will be dropped.
    bool loading() const { return m_runningLoads > 0; }
    bool saving() const { return m_saving; }
    bool usedFallback() const { return m_usedFallback; }
    bool editing() const { return m_editing; }
    const std::optional<QString> &errorMessage() const { return m_errorMessage; }
    bool hasErrorMessage() const { return m_errorMessage.has_value(); }
    QString errorMessageText() const { return m_errorMessage.value_or(QString()); }

    const QList<HomeGridCard> &draftVisible() const { return m_draftVisible; }
    const QList<HomeGridCard> &draftHidden() const { return m_draftHidden; }
    const QMap<QString, QString> &draftSizes() const { return m_draftSizes; }

    // Fetches the layout. A failure shows the built-in layout with "首页配置暂不可用"; a load that runs
    // while editing replaces the drafts.
    QCoro::Task<> load();
    // Writes the drafts as the learner's overrides with the revision on show. A conflict (409) shows the
    // server's message and loads again; any other failure keeps the editor and its drafts.
    QCoro::Task<> save();
    // Writes empty overrides: the recommended layout.
    QCoro::Task<> restoreRecommended();

    // The same three for QML, started and left to run.
    Q_INVOKABLE void requestLoad();
    Q_INVOKABLE void requestSave();
    Q_INVOKABLE void requestRestore();
    // The page went off screen: whatever loads are under way no longer write.
    Q_INVOKABLE void dropLoads();

    Q_INVOKABLE void beginEditing();
    Q_INVOKABLE void cancelEditing();
    Q_INVOKABLE void clearErrorMessage();

    // The editor's gestures, on the drafts only.
    // "L" becomes "M", every other size "L".
    Q_INVOKABLE void toggleSize(const QString &cardId);
    // The cards at `offsets` (in their order) go before the card that was at `destination`; the count puts
    // them at the end.
    Q_INVOKABLE void moveCards(const QList<int> &offsets, int destination);
    // The cards at `offsets` go, in ascending order of offset, to the end of the hidden list.
    Q_INVOKABLE void hideCards(const QList<int> &offsets);
    // The first hidden card with that id goes to the end of the visible list.
    Q_INVOKABLE void unhideCard(const QString &cardId);

    static inline const QString fallbackMessage = QStringLiteral("首页配置暂不可用");
    static inline const QString offlineEditMessage = QStringLiteral("离线默认布局不能保存，请先恢复网络");
    static inline const QString offlineRestoreMessage = QStringLiteral("无法恢复：请先成功拉取服务端布局");

Q_SIGNALS:
    void sessionChanged();
    void layoutChanged();
    void loadingChanged();
    void savingChanged();
    void usedFallbackChanged();
    void editingChanged();
    void errorMessageChanged();

private:
    // A layout from a server answer: shown, drafts reset, no longer the fallback, no message; loads
    // started before it no longer write.
    void showServerLayout(HomeLayoutDocument layout);
    void showFallback();
    void setLayout(std::optional<HomeLayoutDocument> layout);
    void resetDrafts();
    void setDrafts(QList<HomeGridCard> visible, QList<HomeGridCard> hidden);
    void setSaving(bool saving);
    void setUsedFallback(bool used);
    void setEditing(bool editing);
    void setErrorMessage(std::optional<QString> message);
    void endLoad();

    QPointer<AppSession> m_session;
    HomeLayoutAPIClient m_client;
    std::optional<HomeLayoutDocument> m_layout;
    bool m_saving = false;
    bool m_usedFallback = false;
    bool m_editing = false;
    std::optional<QString> m_errorMessage;

    QList<HomeGridCard> m_draftVisible;
    QList<HomeGridCard> m_draftHidden;
    QMap<QString, QString> m_draftSizes;
    QList<HomeGridCard> m_baselineHidden;

    HomeCardListModel m_grid;
    HomeCardListModel m_visibleModel;
    HomeCardListModel m_hiddenModel;

    // The number of the newest load allowed to write; every load start, drop, and layout from a save or
    // restore moves it on, so that an older load's answer is left unread.
    quint64 m_loadTicket = 0;
    int m_runningLoads = 0;
};
