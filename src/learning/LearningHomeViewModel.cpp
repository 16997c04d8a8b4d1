#include "LearningHomeViewModel.h"

#include "AppSession.h"
#include "LearningStore.h"

LearningHomeViewModel::LearningHomeViewModel(QObject *parent) : ScreenViewModel(parent) {}

LearningHomeViewModel::~LearningHomeViewModel() = default;

void LearningHomeViewModel::sessionReplaced() {
    if (m_store)
        m_store->setSession(this->session());
}

LearningHomeViewModel::Face LearningHomeViewModel::face() const {
    return m_face;
}

bool LearningHomeViewModel::menuVisible() const {
    return m_menuVisible;
}

bool LearningHomeViewModel::alertVisible() const {
    return m_store && m_store->hasErrorMessage();
}

QString LearningHomeViewModel::alertMessage() const {
    return m_store ? m_store->errorMessageText() : QString();
}

void LearningHomeViewModel::ensureStore() {
    if (m_store)
        return;
    m_store = new LearningStore(session(), this);
    connect(m_store, &LearningStore::pathChanged, this, &LearningHomeViewModel::recompute);
    connect(m_store, &LearningStore::loadingChanged, this, &LearningHomeViewModel::recompute);
    connect(m_store, &LearningStore::errorMessageChanged, this, &LearningHomeViewModel::alertChanged);
    Q_EMIT storeChanged();
    recompute();
}

void LearningHomeViewModel::recompute() {
    Face face = None;
    if (m_store) {
        if (m_store->loading() && !m_store->hasPath())
            face = Loading;
        else if (m_store->hasPath() && !m_choosing)
            face = PathList;
        else
            face = Picker;
    }
    const bool menu = m_store && m_store->hasPath();
    if (face != m_face) {
        m_face = face;
        Q_EMIT faceChanged();
    }
    if (menu != m_menuVisible) {
        m_menuVisible = menu;
        Q_EMIT menuChanged();
    }
}

void LearningHomeViewModel::setChoosing(bool choosing) {
    if (m_choosing == choosing)
        return;
    m_choosing = choosing;
    Q_EMIT choosingChanged();
    recompute();
}

void LearningHomeViewModel::appear() {
    auto task = runAppear();
}

void LearningHomeViewModel::pickChapter(const QString &code) {
    auto task = runPickChapter(code);
}

void LearningHomeViewModel::pickTopic(const QVariant &candidate) {
    if (!candidate.canConvert<TopicCandidate>())
        return;
    auto task = runPickTopic(candidate.value<TopicCandidate>());
}

void LearningHomeViewModel::toggleChoosing() {
    setChoosing(!m_choosing);
}

void LearningHomeViewModel::refresh() {
    auto task = runRefresh();
}

void LearningHomeViewModel::dismissAlert() {
    if (m_store)
        m_store->clearErrorMessage();
}

QCoro::Task<> LearningHomeViewModel::runAppear() {
    ensureStore();
    QPointer<LearningStore> store = m_store;
    co_await store->loadLastPath();
}

QCoro::Task<> LearningHomeViewModel::runPickChapter(QString code) {
    ensureStore();
    setChoosing(false);
    QPointer<LearningStore> store = m_store;
    co_await store->createFromChapter(std::move(code));
}

QCoro::Task<> LearningHomeViewModel::runPickTopic(TopicCandidate candidate) {
    ensureStore();
    setChoosing(false);
    QPointer<LearningStore> store = m_store;
    co_await store->createFromTopic(std::move(candidate));
}

QCoro::Task<> LearningHomeViewModel::runRefresh() {
    if (!m_store)
        co_return;
    QPointer<LearningStore> store = m_store;
    co_await store->refresh();
}
