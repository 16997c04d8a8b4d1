#include "LearningStore.h"

#include "Analytics.h"
#include "AppSession.h"
#include "ErrorText.h"
#include "LearningLogging.h"

#include <exception>

namespace {

// Whether the server says the path is gone for good (as opposed to a failure worth trying again).
bool isGone(const std::exception_ptr &error) {
    try {
        std::rethrow_exception(error);
    } catch (const LearningAPIError &failure) {
        return failure.kind() == LearningAPIError::Case::Http &&
               (failure.status() == 404 || failure.status() == 410);
    } catch (...) {
        return false;
    }
}

} // namespace

LearningStore::LearningStore(QObject *parent) : QObject(parent) {}

LearningStore::LearningStore(AppSession *session, QObject *parent) : QObject(parent), m_session(session) {}

LearningStore::~LearningStore() = default;

void LearningStore::setSession(AppSession *session) {
    if (m_session == session)
        return;
    m_session = session;
    Q_EMIT sessionChanged();
}

void LearningStore::clearErrorMessage() {
    setErrorMessage(std::nullopt);
}

void LearningStore::setPath(std::optional<LearningPathView> path) {
    if (m_path == path)
        return;
    m_path = std::move(path);
    Q_EMIT pathChanged();
}

void LearningStore::setErrorMessage(std::optional<QString> message) {
    if (m_errorMessage == message)
        return;
    m_errorMessage = std::move(message);
    Q_EMIT errorMessageChanged();
}

void LearningStore::beginLoading() {
    if (m_loadingOperations++ == 0)
        Q_EMIT loadingChanged();
}

void LearningStore::endLoading() {
    if (--m_loadingOperations == 0)
        Q_EMIT loadingChanged();
}

bool LearningStore::showFetched(quint64 ticket, std::optional<LearningPathView> path) {
    if (ticket <= m_shownTicket)
        return false;
    m_shownTicket = ticket;
    setPath(std::move(path));
    return true;
}

QCoro::Task<> LearningStore::createFromChapter(QString chapterCode) {
    return create(std::nullopt, std::move(chapterCode));
}

QCoro::Task<> LearningStore::createFromTopic(TopicCandidate candidate) {
    const QString chapterCode = candidate.chapterCode;
    return create(std::move(candidate), chapterCode);
}

QCoro::Task<> LearningStore::create(std::optional<TopicCandidate> candidate, QString chapterCode) {
    QPointer<LearningStore> self(this);
    QPointer<AppSession> session = m_session;
    if (!session)
        co_return;
    beginLoading();
    setErrorMessage(std::nullopt);

    std::optional<LearningPathView> created;
    std::exception_ptr failure;
    try {
        if (candidate)
            created = co_await m_client.createPathFromTopic(*candidate, LearningAPIClient::defaultPrefetch,
                                                            *session);
        else
            created = co_await m_client.createPathFromChapter(chapterCode, LearningAPIClient::defaultPrefetch,
                                                              *session);
    } catch (...) {
        failure = std::current_exception();
    }

    // The path exists on the server now: it is remembered, and its creation recorded, even when the screen
    // that asked for it has gone meanwhile.
    if (created) {
        if (session)
            session->setLastPathId(created->pathId);
        if (candidate) {
            // The count the preview promised, not the lessons of the path that came back.
            Analytics::shared().track(QStringLiteral("topic_path_create"),
                                      {{QStringLiteral("lessons"), QString::number(candidate->lessons)}});
        }
    }
    if (!self)
        co_return;

    if (created) {
        // The learner's newest choice: it outranks every fetch begun before it arrived.
        m_shownTicket = ++m_nextTicket;
        setPath(std::move(created));
    } else if (const std::optional<QString> message = errorText(failure)) {
        setErrorMessage(message);
    }
    endLoading();
}

QCoro::Task<> LearningStore::loadLastPath() {
    QPointer<LearningStore> self(this);
    QPointer<AppSession> session = m_session;
    if (!session)
        co_return;
    const std::optional<qint64> pathId = session->lastPathId();
    if (!pathId)
        co_return;
    const quint64 ticket = ++m_nextTicket;
    beginLoading();

    std::optional<LearningPathView> fetched;
    std::exception_ptr failure;
    try {
        fetched = co_await m_client.fetchPath(*pathId, *session);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        co_return;

    if (fetched) {
        showFetched(ticket, std::move(fetched));
    } else if (isGone(failure) && ticket > m_shownTicket) {
        // The server no longer has the path: start over at the chapter picker, now and on the next launch.
        // Only this load's own id is forgotten; a path remembered since (another screen may have created
        // one) stays. A network failure or a server error forgets nothing.
        m_shownTicket = ticket;
        setPath(std::nullopt);
        if (session && session->lastPathId() == pathId)
            session->setLastPathId(std::nullopt);
    } else if (failure) {
        // Not shown: the remembered path is kept and loaded again next time.
        qCInfo(lcLearning) << "last path not loaded:" << failureSummary(failure);
    }
    endLoading();
}

QCoro::Task<> LearningStore::refresh() {
    QPointer<LearningStore> self(this);
    QPointer<AppSession> session = m_session;
    if (!session)
        co_return;
    const std::optional<qint64> pathId = m_path ? std::optional(m_path->pathId) : session->lastPathId();
    if (!pathId)
        co_return;
    const quint64 ticket = ++m_nextTicket;

    std::optional<LearningPathView> fetched;
    std::exception_ptr failure;
    try {
        fetched = co_await m_client.fetchPath(*pathId, *session);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        co_return;
    if (fetched)
        showFetched(ticket, std::move(fetched));
    else if (const std::optional<QString> message = errorText(failure))
        setErrorMessage(message);
}

QCoro::Task<bool> LearningStore::completeItem(qint64 pathId, qint64 itemId) {
    QPointer<LearningStore> self(this);
    QPointer<AppSession> session = m_session;
    if (!session)
        co_return false;

    std::exception_ptr failure;
    try {
        co_await m_client.completeItem(pathId, itemId, *session);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        co_return !failure;
    if (failure) {
        if (const std::optional<QString> message = errorText(failure))
            setErrorMessage(message);
        co_return false;
    }

    // The server unlocks what follows; only its new copy of the path shows that. A path other than the one
    // on show has nothing here to bring up to date.
    if (!session || !m_path || m_path->pathId != pathId)
        co_return true;
    const quint64 ticket = ++m_nextTicket;
    std::optional<LearningPathView> fetched;
    try {
        fetched = co_await m_client.fetchPath(pathId, *session);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        co_return true;
    if (fetched)
        showFetched(ticket, std::move(fetched));
    else if (const std::optional<QString> message = errorText(failure))
        setErrorMessage(message);
    co_return true;
}
