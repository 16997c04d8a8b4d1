#include "MemoriesViewModel.h"

#include "AccountAPIClient.h"
#include "ErrorText.h"
#include "SettingsLogging.h"

#include <algorithm>

MemoryRow MemoryRow::from(const MemoryEntry &entry) {
    return {entry.id, entry.text, CompanionMemories::caption(entry)};
}

MemoriesViewModel::MemoriesViewModel(QObject *parent)
    : QObject(parent), m_items(new ListModel<MemoryRow>(this)) {}

MemoriesViewModel::~MemoriesViewModel() = default;

void MemoriesViewModel::setSession(AppSession *session) {
    if (m_session == session)
        return;
    m_session = session;
    Q_EMIT sessionChanged();
}

// --- the list

void MemoriesViewModel::load() {
    auto task = runLoad(); // runs on by itself; its outcome lands in the properties
}

void MemoriesViewModel::disappear() {
    ++m_appearance;
}

QCoro::Task<> MemoriesViewModel::runLoad() {
    QPointer<MemoriesViewModel> self(this);
    if (!m_session)
        co_return;
    const quint64 appearance = m_appearance;
    setLoading(true); // what is listed stays while the list is fetched again
    std::optional<MemoryList> list;
    std::optional<QString> failure;
    try {
        list = co_await AccountAPIClient().fetchMemories(*m_session);
    } catch (...) {
        qCInfo(lcSettings) << "memories not loaded:" << failureSummary(std::current_exception());
        failure = errorText(std::current_exception());
    }
    if (!self)
        co_return;
    if (appearance == m_appearance) {
        if (list)
            setEntries(std::move(list->items));
        else if (failure) // a load we cancelled ourselves is no failure to show
            setMessage(failure);
    }
    setLoading(false);
}

void MemoriesViewModel::setEntries(QList<MemoryEntry> entries) {
    const ListState before = listState();
    QList<MemoryRow> rows;
    rows.reserve(entries.size());
    for (const MemoryEntry &entry : std::as_const(entries))
        rows.append(MemoryRow::from(entry));
    m_entries = std::move(entries);
    m_items->replaceAll(std::move(rows)); // signals only the rows that came, went or changed
    if (listState() != before)
        Q_EMIT listStateChanged();
}

void MemoriesViewModel::setLoading(bool loading) {
    const ListState before = listState();
    m_loading = loading;
    if (listState() != before)
        Q_EMIT listStateChanged();
}

// --- deleting

void MemoriesViewModel::deleteRows(const QList<int> &rows) {
    QList<int> positions = rows;
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    QList<MemoryEntry> chosen;
    for (const int row : std::as_const(positions)) {
        if (row >= 0 && row < m_entries.size())
            chosen.append(m_entries.at(row));
    }
    if (chosen.isEmpty())
        return;
    auto task = runDelete(std::move(chosen)); // runs to its end, whether the page stays or not
}

QCoro::Task<> MemoriesViewModel::runDelete(QList<MemoryEntry> entries) {
    QPointer<MemoriesViewModel> self(this);
    const QPointer<AppSession> session = m_session;
    for (const MemoryEntry &entry : std::as_const(entries)) {
        const std::optional<QString> path = AccountAPIClient::memoryPath(entry.id);
        if (!path) {
            qCWarning(lcSettings) << "memory with an id that names no single memory not deleted";
            if (self)
                setMessage(refusedText);
            continue;
        }
        if (!session)
            co_return; // signed out meanwhile: there is no one to delete for
        bool deleted = false;
        std::optional<QString> failure; // none for a request we cancelled ourselves
        try {
            // Built when its turn comes, with the token the session holds by then.
            co_await AccountAPIClient().deleteMemory(*path, *session);
            deleted = true;
        } catch (...) {
            qCInfo(lcSettings) << "memory not deleted:" << failureSummary(std::current_exception());
            failure = errorText(std::current_exception());
        }
        if (!self)
            continue; // the page is gone: the rest is still deleted, with nothing to show
        if (deleted)
            removeEntries(entry.id);
        else if (failure)
            setMessage(failure);
    }
}

void MemoriesViewModel::removeEntries(const QString &id) {
    QList<MemoryEntry> kept = m_entries;
    kept.removeIf([&id](const MemoryEntry &entry) { return entry.id == id; });
    if (kept.size() != m_entries.size())
        setEntries(std::move(kept));
}

void MemoriesViewModel::requestClear() {
    if (canClear())
        setConfirmClear(true);
}

void MemoriesViewModel::confirmClearAll() {
    setConfirmClear(false);
    auto task = runClearAll(); // runs to its end, whether the page stays or not
}

void MemoriesViewModel::cancelClear() {
    setConfirmClear(false);
}

QCoro::Task<> MemoriesViewModel::runClearAll() {
    QPointer<MemoriesViewModel> self(this);
    if (!m_session)
        co_return;
    bool cleared = false;
    std::optional<QString> failure;
    try {
        co_await AccountAPIClient().clearMemories(*m_session);
        cleared = true;
    } catch (...) {
        qCInfo(lcSettings) << "memories not cleared:" << failureSummary(std::current_exception());
        failure = errorText(std::current_exception());
    }
    if (!self)
        co_return;
    if (cleared)
        setEntries({}); // no reload follows: the empty row shows at once
    else if (failure)
        setMessage(failure);
}

// --- page state

void MemoriesViewModel::dismissAlert() {
    setMessage(std::nullopt);
}

void MemoriesViewModel::setConfirmClear(bool confirm) {
    if (m_confirmClear == confirm)
        return;
    m_confirmClear = confirm;
    Q_EMIT confirmClearChanged();
}

void MemoriesViewModel::setMessage(std::optional<QString> message) {
    if (m_message == message)
        return;
    m_message = std::move(message);
    Q_EMIT messageChanged();
}
