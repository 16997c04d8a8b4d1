#include "TodayTasksCardViewModel.h"

#include "ErrorText.h"
#include "HomeLogging.h"
#include "LearningAPIClient.h"

#include <exception>

TodayTasksCardViewModel::TodayTasksCardViewModel(QObject *parent) : ScreenViewModel(parent) {}

TodayTasksCardViewModel::~TodayTasksCardViewModel() = default;

void TodayTasksCardViewModel::sessionReplaced() {
    QObject::disconnect(m_lastPathConnection);
    if (AppSession *session = this->session())
        m_lastPathConnection =
            connect(session, &AppSession::lastPathIdChanged, this, &TodayTasksCardViewModel::lastPathChanged);
    // Another session may remember another path.
    lastPathChanged();
}

void TodayTasksCardViewModel::setTitle(const QString &title) {
    if (m_title == title)
        return;
    m_title = title;
    Q_EMIT titleChanged();
}

void TodayTasksCardViewModel::setSize(const QString &size) {
    if (m_size == size)
        return;
    m_size = size;
    Q_EMIT sizeChanged();
}

void TodayTasksCardViewModel::setOnScreen(bool onScreen) {
    if (m_onScreen == onScreen)
        return;
    m_onScreen = onScreen;
    Q_EMIT onScreenChanged();
    if (onScreen) {
        auto task = runLoad(); // runs on by itself; its outcome lands in the properties
        return;
    }
    // Leaving the screen drops the load under way; coming back loads again.
    ++m_load;
}

void TodayTasksCardViewModel::lastPathChanged() {
    if (!m_onScreen)
        return;
    auto task = runLoad();
}

QString TodayTasksCardViewModel::progressLine() const {
    if (!m_path)
        return {};
    return m_path->goal + QStringLiteral(" · 已完成 ") + QString::number(m_progress.done) + u'/' +
           QString::number(m_progress.total);
}

QCoro::Task<> TodayTasksCardViewModel::runLoad() {
    const Appearance self = appearance();
    QPointer<AppSession> session = this->session();
    const quint64 load = ++m_load;
    const std::optional<qint64> pathId = session ? session->lastPathId() : std::nullopt;
    if (!pathId) {
        setPath(std::nullopt);
        co_return;
    }

    std::optional<LearningPathView> path;
    try {
        path = co_await LearningAPIClient().fetchPath(*pathId, *session);
    } catch (...) {
        qCInfo(lcHome) << "today's tasks: path not loaded:" << failureSummary(std::current_exception());
    }
    // A newer load began, the card left the screen, or the session now remembers another path: this answer
    // is about a card that no longer asks for it.
    if (!self.alive() || load != m_load || !session || session->lastPathId() != pathId)
        co_return;
    setPath(std::move(path));
}

void TodayTasksCardViewModel::setPath(std::optional<LearningPathView> path) {
    if (m_path == path)
        return;
    m_path = std::move(path);
    m_progress = m_path ? PathProgress::of(*m_path) : PathProgress();
    Q_EMIT pathChanged();
}
