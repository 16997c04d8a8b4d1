#include "MemoriesViewModel.h"

#include "AccountAPIClient.h"
#include "ErrorText.h"
#include "SettingsLogging.h"

#include <algorithm>

MemoryRow MemoryRow::from(const MemoryEntry &entry) {
    return {entry.id, entry.text, CompanionMemories::caption(entry)};
}

MemoriesViewModel::MemoriesViewModel(QObject *parent)
    : ScreenViewModel(parent), m_items(new ListModel<MemoryRow>(this)) {
    // The list's state includes the loading flag.
    connect(this, &ScreenViewModel::loadingChanged, this, &MemoriesViewModel::listStateChanged);
}

MemoriesViewModel::~MemoriesViewModel() = default;

// --- the list

void MemoriesViewModel::load() {
    auto task = runLoad(); // runs on by itself; its outcome lands in the properties
}

void MemoriesViewModel::disappear() {
    dropAppearance();
}

QCoro::Task<> MemoriesViewModel::runLoad() {
    if (!session())
        co_return;
    const Appearance appearance = this->appearance();
    setLoading(true); // what is listed stays while the list is fetched again
    std::optional<MemoryList> list;
    std::exception_ptr failure;
    try {
        list = co_await AccountAPIClient().fetchMemories(*session());
    } catch (...) {
        failure = std::current_exception();
        qCInfo(lcSettings) << "memories not loaded:" << failureSummary(failure);
    }
    if (!appearance.alive())
        co_return;
    if (appearance.current()) {
        if (list)
            setEntries(std::move(list->items));
        else
            showFailure(failure); // a load we cancelled ourselves is no failure to show
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
    const Appearance screen = appearance();
    const QPointer<AppSession> session = this->session();
    for (const MemoryEntry &entry : std::as_const(entries)) {
        const std::optional<QString> path = AccountAPIClient::memoryPath(entry.id);
        if (!path) {
            qCWarning(lcSettings) << "memory with an id that names no single memory not deleted";
            if (screen.alive())
                setMessage(refusedText);
            continue;
        }
        if (!session)
            co_return; // signed out meanwhile: there is no one to delete for
        std::exception_ptr failure;
        try {
            // Built when its turn comes, with the token the session holds by then.
            co_await AccountAPIClient().deleteMemory(*path, *session);
        } catch (...) {
            failure = std::current_exception();
            qCInfo(lcSettings) << "memory not deleted:" << failureSummary(failure);
        }
        if (!screen.alive())
            continue; // the page is gone: the rest is still deleted, with nothing to show
        if (!failure)
            removeEntries(entry.id);
        else
            showFailure(failure); // none for a request we cancelled ourselves
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
    if (!session())
        co_return;
    const Appearance screen = appearance();
    std::exception_ptr failure;
    try {
        co_await AccountAPIClient().clearMemories(*session());
    } catch (...) {
        failure = std::current_exception();
        qCInfo(lcSettings) << "memories not cleared:" << failureSummary(failure);
    }
    if (!screen.alive())
        co_return;
    if (!failure)
        setEntries({}); // no reload follows: the empty row shows at once
    else
        showFailure(failure);
}

// --- page state

void MemoriesViewModel::setConfirmClear(bool confirm) {
    if (m_confirmClear == confirm)
        return;
    m_confirmClear = confirm;
    Q_EMIT confirmClearChanged();
}
