#include "SettingsStore.h"

#include "AppSession.h"
#include "Brand.h"
#include "ErrorText.h"
#include "SettingsLogging.h"

namespace {

QString failureText(std::exception_ptr failure) {
    return errorText(failure).value_or(QStringLiteral("cancelled"));
}

SettingsItem fallbackItem(QString id, QString type, QString title) {
    SettingsItem item;
    item.id = std::move(id);
    item.type = std::move(type);
    item.title = std::move(title);
    return item;
}

SettingsItem linkItem(QString id, QString title, const QUrl &url) {
    SettingsItem item = fallbackItem(std::move(id), QStringLiteral("link"), std::move(title));
    item.url = url.toString(QUrl::FullyEncoded);
    return item;
}

} // namespace

SettingsStore::SettingsStore(QObject *parent) : QObject(parent) {}

SettingsStore::SettingsStore(QString pageId, AppSession *session, QObject *parent)
    : QObject(parent), m_pageId(std::move(pageId)), m_session(session) {}

SettingsStore::~SettingsStore() = default;

void SettingsStore::setPageId(const QString &pageId) {
    if (pageId == m_pageId)
        return;
    m_pageId = pageId;
    Q_EMIT pageIdChanged();
}

void SettingsStore::setSession(AppSession *session) {
    if (session == m_session)
        return;
    m_session = session;
    Q_EMIT sessionChanged();
}

SettingsPageDocument SettingsStore::localFallbackPage(const QString &pageId) {
    SettingsItem version =
        fallbackItem(QStringLiteral("version"), QStringLiteral("info"), QStringLiteral("当前版本"));
    version.valueFrom = QStringLiteral("app_version");
    SettingsSection about;
    about.id = QStringLiteral("about");
    about.title = QStringLiteral("关于与协议");
    about.items = {
        version, linkItem(QStringLiteral("terms"), QStringLiteral("用户协议"), Brand::userTermsURL()),
        linkItem(QStringLiteral("privacy_policy"), QStringLiteral("隐私政策"), Brand::privacyPolicyURL()),
        linkItem(QStringLiteral("children_policy"), QStringLiteral("儿童个人信息保护规则"),
                 Brand::childrenPrivacyURL())};
    SettingsPageDocument page;
    page.schemaVersion = QStringLiteral("1.0");
    page.pageId = pageId;
    page.revision = 0;
    page.title = pageId == rootPageId ? QStringLiteral("我的") : QStringLiteral("设置");
    page.sections = {about};
    return page;
}

QCoro::Task<> SettingsStore::load() {
    QPointer<SettingsStore> self(this);
    const quint64 epoch = m_loadEpoch;
    setRunningLoads(m_runningLoads + 1);
    setErrorMessage(std::nullopt);

    std::optional<SettingsPageResponse> response;
    std::exception_ptr failure;
    if (!m_session) {
        qCWarning(lcSettings) << "settings page" << m_pageId << "has no session; showing the built-in page";
    } else {
        try {
            response = co_await m_client.fetchPage(m_pageId, *m_session);
        } catch (...) {
            failure = std::current_exception();
        }
    }
    if (!self || epoch != m_loadEpoch)
        co_return;

    if (response) {
        m_confirmed = response->prefs;
        setDocument(std::move(response->page));
        setPrefs(std::move(response->prefs));
        applyDarkMode();
        setUsedFallback(false);
    } else {
        if (failure)
            qCInfo(lcSettings) << "settings page" << m_pageId << "failed:" << failureText(failure);
        m_confirmed.clear();
        setDocument(localFallbackPage(m_pageId));
        setPrefs({});
        setUsedFallback(true);
        setErrorMessage(fallbackMessage);
    }
    setRunningLoads(m_runningLoads - 1);
}

QCoro::Task<> SettingsStore::updatePref(SettingsItem item, bool value) {
    if (!item.key)
        co_return;
    QPointer<SettingsStore> self(this);
    const QString key = *item.key;
    const quint64 number = ++m_saveCounter;
    m_newestSave.insert(key, number);
    if (m_pendingSaves[key]++ == 0 && key == darkModeKey && m_session)
        m_darkBeforeSaves = m_session->darkMode();

    setPref(key, FlexibleValue::boolean(value));
    applyDarkMode();

    std::optional<SettingsPrefs> saved;
    std::exception_ptr failure;
    if (m_session) {
        QMap<QString, bool> change; // built apart: gcc 12 miscompiles brace lists inside co_await
        change.insert(key, value);
        try {
            saved = co_await m_client.savePrefs(change, *m_session);
        } catch (...) {
            failure = std::current_exception();
        }
    }
    if (!self)
        co_return;
    if (--m_pendingSaves[key] == 0)
        m_pendingSaves.remove(key);

    const bool newest = m_newestSave.value(key) == number;
    if (saved) {
        // The server holds what it echoed; without an echo of this key, what was sent.
        m_confirmed.insert(key, saved->value(key, FlexibleValue::boolean(value)));
        for (auto it = saved->begin(); it != saved->end(); ++it) {
            if (it.key() == key && !newest)
                continue; // a newer choice of this key is on screen; its own save decides
            if (it.key() != key)
                m_confirmed.insert(it.key(), it.value());
            setPref(it.key(), it.value());
        }
        applyDarkMode();
        co_return;
    }

    qCInfo(lcSettings) << "saving" << key
                       << "failed:" << (failure ? failureText(failure) : QStringLiteral("no session"));
    if (!newest)
        co_return; // superseded: the newer save restores or keeps the value
    const auto confirmed = m_confirmed.constFind(key);
    setPref(key, confirmed != m_confirmed.constEnd() ? std::optional(*confirmed) : std::nullopt);
    setErrorMessage(saveFailedMessage);
    if (key == darkModeKey && m_prefs.value(key).kind() != FlexibleValue::Kind::Bool && m_session)
        m_session->setDarkMode(m_darkBeforeSaves); // no boolean to go back to: undo the optimistic switch
    applyDarkMode();
}

void SettingsStore::applyDarkMode() {
    const auto value = m_prefs.constFind(darkModeKey);
    if (value == m_prefs.constEnd() || value->kind() != FlexibleValue::Kind::Bool || !m_session)
        return;
    m_session->setDarkMode(value->boolValue());
}

void SettingsStore::abandonLoads() {
    ++m_loadEpoch;
    setRunningLoads(0);
}

void SettingsStore::requestLoad() {
    load();
}

void SettingsStore::setToggle(int section, int row, bool value) {
    if (!m_document || section < 0 || section >= m_document->sections.size())
        return;
    const QList<SettingsItem> &items = m_document->sections.at(section).items;
    if (row < 0 || row >= items.size())
        return;
    updatePref(items.at(row), value);
}

void SettingsStore::dismissError() {
    setErrorMessage(std::nullopt);
}

void SettingsStore::setDocument(SettingsPageDocument document) {
    if (m_document == document)
        return;
    m_document = std::move(document);
    Q_EMIT documentChanged();
}

void SettingsStore::setPrefs(SettingsPrefs prefs) {
    if (prefs == m_prefs)
        return;
    m_prefs = std::move(prefs);
    Q_EMIT prefsChanged();
}

void SettingsStore::setPref(const QString &key, std::optional<FlexibleValue> value) {
    const auto current = m_prefs.constFind(key);
    if (!value) {
        if (current == m_prefs.constEnd())
            return;
        m_prefs.remove(key);
    } else {
        if (current != m_prefs.constEnd() && *current == *value)
            return;
        m_prefs.insert(key, *value);
    }
    Q_EMIT prefsChanged();
}

void SettingsStore::setUsedFallback(bool used) {
    if (used == m_usedFallback)
        return;
    m_usedFallback = used;
    Q_EMIT usedFallbackChanged();
}

void SettingsStore::setErrorMessage(std::optional<QString> message) {
    if (message == m_errorMessage)
        return;
    m_errorMessage = std::move(message);
    Q_EMIT errorMessageChanged();
}

void SettingsStore::setRunningLoads(int count) {
    const bool wasLoading = loading();
    m_runningLoads = count;
    if (wasLoading != loading())
        Q_EMIT loadingChanged();
}
