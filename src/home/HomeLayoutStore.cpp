#include "HomeLayoutStore.h"

#include "ApiError.h"
#include "ErrorText.h"
#include "HomeLogging.h"

#include <algorithm>
#include <tuple>

namespace {

QList<HomeCardRow> rowsOf(const QList<HomeGridCard> &cards) {
    QList<HomeCardRow> rows;
    rows.reserve(cards.size());
    for (const HomeGridCard &card : cards)
        rows.append(HomeCardRow::from(card));
    return rows;
}

QMap<QString, QString> sizesOf(const QList<HomeGridCard> &cards) {
    // A grid that repeats an id keeps the later card's size, as a save does.
    QMap<QString, QString> sizes;
    for (const HomeGridCard &card : cards)
        sizes.insert(card.id, card.size);
    return sizes;
}

bool isConflict(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const ApiError &error) {
        return error.kind() == ApiError::Kind::Http && error.status() == 409;
    } catch (...) {
        return false;
    }
}

QString messageOf(std::exception_ptr failure) {
    return errorText(failure).value_or(QStringLiteral("请求失败"));
}

} // namespace

HomeLayoutStore::HomeLayoutStore(QObject *parent) : QObject(parent) {}

HomeLayoutStore::~HomeLayoutStore() = default;

void HomeLayoutStore::setSession(AppSession *session) {
    if (m_session == session)
        return;
    m_session = session;
    emit sessionChanged();
}

QString HomeLayoutStore::greeting() const {
    return hasCompanion() ? HomeCards::greeting(m_layout->layoutSlots.companion->props) : QString();
}

QCoro::Task<> HomeLayoutStore::load() {
    QPointer<HomeLayoutStore> self(this);
    QPointer<AppSession> session = m_session;
    if (!session)
        co_return;
    const quint64 ticket = ++m_loadTicket;
    if (m_runningLoads++ == 0)
        emit loadingChanged();

    std::optional<HomeLayoutResponse> answer;
    std::exception_ptr failure;
    try {
        answer = co_await m_client.fetchHomeLayout(*session);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        co_return;

    if (ticket != m_loadTicket) {
        // Superseded by a newer load, dropped with the page, or overtaken by a save or restore.
    } else if (answer) {
        showServerLayout(std::move(answer->layout));
    } else if (!errorText(failure)) {
        // Cancelled below HTTP: nothing was learned about the server's layout.
    } else {
        qCInfo(lcHome) << "home layout not loaded:" << failureSummary(failure);
        showFallback();
    }
    endLoad();
}

QCoro::Task<> HomeLayoutStore::save() {
    QPointer<HomeLayoutStore> self(this);
    QPointer<AppSession> session = m_session;
    if (!m_layout || !session)
        co_return;
    if (m_usedFallback) {
        // The built-in cards are no one's overrides: writing them would replace the learner's own layout.
        setErrorMessage(offlineEditMessage);
        co_return;
    }
    const qint64 revision = m_layout->revision;
    setSaving(true);

    QStringList order;
    QStringList hidden;
    QMap<QString, QString> sizes;
    for (const HomeGridCard &card : std::as_const(m_draftVisible)) {
        order.append(card.id);
        if (card.size == QLatin1String("L") || card.size == QLatin1String("M") ||
            card.size == QLatin1String("S"))
            sizes.insert(card.id, card.size);
    }
    for (const HomeGridCard &card : std::as_const(m_draftHidden))
        hidden.append(card.id);

    std::optional<HomeLayoutResponse> answer;
    std::exception_ptr failure;
    try {
        answer = co_await m_client.putHomeLayoutOverrides(revision, order, hidden, sizes, *session);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        co_return;

    if (answer) {
        showServerLayout(std::move(answer->layout));
        setEditing(false);
        setSaving(false);
    } else if (isConflict(failure)) {
        // Someone else changed the layout: show why, then what the server has now.
        setErrorMessage(messageOf(failure));
        co_await load();
        if (!self)
            co_return;
        setEditing(false);
        setSaving(false);
    } else {
        setErrorMessage(messageOf(failure));
        setSaving(false);
    }
}

QCoro::Task<> HomeLayoutStore::restoreRecommended() {
    QPointer<HomeLayoutStore> self(this);
    QPointer<AppSession> session = m_session;
    if (!m_layout || m_usedFallback) {
        setErrorMessage(offlineRestoreMessage);
        co_return;
    }
    if (!session)
        co_return;
    const qint64 revision = m_layout->revision;

    std::optional<HomeLayoutResponse> answer;
    std::exception_ptr failure;
    try {
        answer = co_await m_client.putHomeLayoutOverrides(revision, {}, {}, {}, *session);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        co_return;

    if (answer) {
        showServerLayout(std::move(answer->layout));
        setEditing(false);
    } else {
        setErrorMessage(messageOf(failure));
    }
}

void HomeLayoutStore::requestLoad() {
    load();
}

void HomeLayoutStore::requestSave() {
    save();
}

void HomeLayoutStore::requestRestore() {
    restoreRecommended();
}

void HomeLayoutStore::dropLoads() {
    ++m_loadTicket;
}

void HomeLayoutStore::beginEditing() {
    if (m_layout && !m_usedFallback)
        setEditing(true);
    else
        setErrorMessage(offlineEditMessage);
}

void HomeLayoutStore::cancelEditing() {
    setEditing(false);
    if (!m_layout)
        return;
    m_draftSizes = sizesOf(m_layout->layoutSlots.grid);
    setDrafts(m_layout->layoutSlots.grid, m_baselineHidden);
}

void HomeLayoutStore::clearErrorMessage() {
    setErrorMessage(std::nullopt);
}

void HomeLayoutStore::toggleSize(const QString &cardId) {
    const auto card = std::find_if(m_draftVisible.begin(), m_draftVisible.end(),
                                   [&](const HomeGridCard &c) { return c.id == cardId; });
    if (card == m_draftVisible.end())
        return;
    card->size = card->size == QLatin1String("L") ? QStringLiteral("M") : QStringLiteral("L");
    m_draftSizes.insert(cardId, card->size);
    m_visibleModel.replaceAll(rowsOf(m_draftVisible));
}

void HomeLayoutStore::moveCards(const QList<int> &offsets, int destination) {
    QList<int> sorted = offsets;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    if (sorted.isEmpty() || sorted.front() < 0 || sorted.back() >= m_draftVisible.size())
        return;
    destination = std::clamp<int>(destination, 0, int(m_draftVisible.size()));

    QList<HomeGridCard> moving;
    QList<HomeGridCard> rest;
    int insertAt = 0;
    for (int i = 0; i < m_draftVisible.size(); ++i) {
        if (sorted.contains(i)) {
            moving.append(m_draftVisible[i]);
        } else {
            rest.append(m_draftVisible[i]);
            if (i < destination)
                ++insertAt;
        }
    }
    for (qsizetype i = 0; i < moving.size(); ++i)
        rest.insert(insertAt + i, moving[i]);
    setDrafts(rest, m_draftHidden);
}

void HomeLayoutStore::hideCards(const QList<int> &offsets) {
    QList<int> sorted = offsets;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    if (sorted.isEmpty() || sorted.front() < 0 || sorted.back() >= m_draftVisible.size())
        return;
    QList<HomeGridCard> visible;
    QList<HomeGridCard> hidden = m_draftHidden;
    for (int i = 0; i < m_draftVisible.size(); ++i)
        (sorted.contains(i) ? hidden : visible).append(m_draftVisible[i]);
    setDrafts(visible, hidden);
}

void HomeLayoutStore::unhideCard(const QString &cardId) {
    const auto card = std::find_if(m_draftHidden.cbegin(), m_draftHidden.cend(),
                                   [&](const HomeGridCard &c) { return c.id == cardId; });
    if (card == m_draftHidden.cend())
        return;
    QList<HomeGridCard> visible = m_draftVisible;
    visible.append(*card);
    QList<HomeGridCard> hidden = m_draftHidden;
    hidden.remove(card - m_draftHidden.cbegin());
    setDrafts(visible, hidden);
}

void HomeLayoutStore::showServerLayout(HomeLayoutDocument layout) {
    ++m_loadTicket;
    setLayout(std::move(layout));
    setUsedFallback(false);
    setErrorMessage(std::nullopt);
    resetDrafts();
}

void HomeLayoutStore::showFallback() {
    setLayout(fallbackHomeLayout());
    setUsedFallback(true);
    setErrorMessage(fallbackMessage);
    // The fallback's cards with no sizes: nothing of it may be written back.
    m_draftSizes.clear();
    setDrafts(m_layout->layoutSlots.grid, {});
}

void HomeLayoutStore::setLayout(std::optional<HomeLayoutDocument> layout) {
    const auto shown = [this] { return std::tuple(hasLayout(), hasCompanion(), greeting()); };
    const auto before = shown();
    m_layout = std::move(layout);
    m_grid.replaceAll(m_layout ? rowsOf(m_layout->layoutSlots.grid) : QList<HomeCardRow>());
    if (shown() != before)
        emit layoutChanged();
}

void HomeLayoutStore::resetDrafts() {
    m_draftSizes = sizesOf(m_layout->layoutSlots.grid);
    m_baselineHidden.clear();
    setDrafts(m_layout->layoutSlots.grid, {});
}

void HomeLayoutStore::setDrafts(QList<HomeGridCard> visible, QList<HomeGridCard> hidden) {
    m_draftVisible = std::move(visible);
    m_draftHidden = std::move(hidden);
    m_visibleModel.replaceAll(rowsOf(m_draftVisible));
    m_hiddenModel.replaceAll(rowsOf(m_draftHidden));
}

void HomeLayoutStore::setSaving(bool saving) {
    if (m_saving == saving)
        return;
    m_saving = saving;
    emit savingChanged();
}

void HomeLayoutStore::setUsedFallback(bool used) {
    if (m_usedFallback == used)
        return;
    m_usedFallback = used;
    emit usedFallbackChanged();
}

void HomeLayoutStore::setEditing(bool editing) {
    if (m_editing == editing)
        return;
    m_editing = editing;
    emit editingChanged();
}

void HomeLayoutStore::setErrorMessage(std::optional<QString> message) {
    if (m_errorMessage == message)
        return;
    m_errorMessage = std::move(message);
    emit errorMessageChanged();
}

void HomeLayoutStore::endLoad() {
    if (--m_runningLoads == 0)
        emit loadingChanged();
}
