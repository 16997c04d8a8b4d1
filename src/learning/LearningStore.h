#pragma once

#include "CatalogueModels.h"
#include "LearningAPIClient.h"
#include "LearningModels.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <optional>

#include "AppSession.h"

// The learning tab's current path and every operation that changes it: creating a path from a chapter or a
// topic candidate, loading the learner's last path, fetching it again, completing a lesson. The server
// decides everything about a path; the store only takes the server's newest copy of the whole path.
//
// Each learning home creates its own store and hands it the app's session, which keeps the last path id
// across launches. Operations never throw: failures end in `errorMessage`, except the silent last-path load.
//
// Operations may overlap. What is on show is always the newest news about the path: a fetch (last-path load,
// refresh, the fetch after a completion) is applied only when nothing started after it has been applied
// meanwhile, and a created path counts as newer than every fetch begun before it arrived.
//
// Main thread only; properties notify only when their value changes.
class LearningStore : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(AppSession *session READ session WRITE setSession NOTIFY sessionChanged)
    Q_PROPERTY(bool hasPath READ hasPath NOTIFY pathChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    Q_PROPERTY(bool hasErrorMessage READ hasErrorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(QString errorMessage READ errorMessageText NOTIFY errorMessageChanged)

public:
    explicit LearningStore(QObject *parent = nullptr);
    explicit LearningStore(AppSession *session, QObject *parent = nullptr);
    ~LearningStore() override;

    AppSession *session() const { return m_session; }
    void setSession(AppSession *session);

    const std::optional<LearningPathView> &path() const { return m_path; }
    bool hasPath() const { return m_path.has_value(); }
    // True while a path is being created or the last path is being loaded (never for a refresh or a
    // completion), for as long as any of them runs.
    bool loading() const { return m_loadingOperations > 0; }
    const std::optional<QString> &errorMessage() const { return m_errorMessage; }
    bool hasErrorMessage() const { return m_errorMessage.has_value(); }
    QString errorMessageText() const { return m_errorMessage.value_or(QString()); }
    // The learner dismissed the alert that showed the message.
    Q_INVOKABLE void clearErrorMessage();

    // Creates a path and, once it arrives, shows it and remembers its id in the session. A failure keeps the
    // path on show and the remembered id.
    QCoro::Task<> createFromChapter(QString chapterCode);
    // The same from a topic candidate; records "topic_path_create" with the lesson count the preview
    // promised.
    QCoro::Task<> createFromTopic(TopicCandidate candidate);
    // Loads the path whose id the session remembers; nothing happens without one. Silent: a path the server
    // no longer has (404, 410) is forgotten, any other failure leaves the id for the next try.
    QCoro::Task<> loadLastPath();
    // Fetches the path on show again (or the remembered one when none is on show); a failure keeps the path.
    QCoro::Task<> refresh();
    // Completes the lesson `itemId` of the path `pathId` and, when that path is on show, fetches it again.
    // True when the server recorded the completion, also when the fetch afterwards fails.
    QCoro::Task<bool> completeItem(qint64 pathId, qint64 itemId);

Q_SIGNALS:
    void sessionChanged();
    void pathChanged();
    void loadingChanged();
    void errorMessageChanged();

private:
    QCoro::Task<> create(std::optional<TopicCandidate> candidate, QString chapterCode);
    // Shows a fetched copy begun at `ticket` unless something newer is on show. True when it was shown.
    bool showFetched(quint64 ticket, std::optional<LearningPathView> path);
    void setPath(std::optional<LearningPathView> path);
    void setErrorMessage(std::optional<QString> message);
    void beginLoading();
    void endLoading();

    QPointer<AppSession> m_session;
    LearningAPIClient m_client;
    std::optional<LearningPathView> m_path;
    std::optional<QString> m_errorMessage;
    int m_loadingOperations = 0;

    // Operations are numbered as they start; `m_shownTicket` is the number of what is on show. A created
    // path takes a fresh number when it arrives, so it outranks every fetch already under way.
    quint64 m_nextTicket = 0;
    quint64 m_shownTicket = 0;
};
