#include "SettingsPageViewModel.h"

#include "AppSession.h"

SettingsPageViewModel::SettingsPageViewModel(QObject *parent)
    : QObject(parent), m_version(SettingsRows::appVersion()) {}

void SettingsPageViewModel::setStore(SettingsStore *store) {
    if (store == m_store)
        return;
    if (m_store)
        disconnect(m_store, nullptr, this, nullptr);
    m_store = store;
    if (m_store) {
        connect(m_store, &SettingsStore::documentChanged, this, &SettingsPageViewModel::rebuild);
        connect(m_store, &SettingsStore::prefsChanged, this, &SettingsPageViewModel::rebuild);
        connect(m_store, &QObject::destroyed, this, &SettingsPageViewModel::rebuild);
    }
    rebuild();
    Q_EMIT storeChanged();
}

QString SettingsPageViewModel::footerVersion() const {
    return QStringLiteral("岚帆伴 v") + m_version.value_or(QString());
}

QString SettingsPageViewModel::footerHelp() const {
    return QStringLiteral("心理援助热线 12356 · 客服 ") + supportEmail;
}

void SettingsPageViewModel::activate(const QString &action) {
    if (action == QStringLiteral("logout"))
        setConfirmLogout(true);
}

void SettingsPageViewModel::signOut() {
    setConfirmLogout(false);
    if (m_store && m_store->session())
        m_store->session()->signOut();
}

void SettingsPageViewModel::dismissLogout() {
    setConfirmLogout(false);
}

void SettingsPageViewModel::toggle(int sectionIndex, int itemIndex, bool value) {
    if (m_store)
        m_store->setToggle(sectionIndex, itemIndex, value);
}

// A preference change rebuilds the rows too: building them is cheap next to drawing, and the lists signal
// only the switches whose value moved.
void SettingsPageViewModel::rebuild() {
    const SettingsPageDocument *document = m_store && m_store->document() ? &*m_store->document() : nullptr;
    const SettingsPrefs prefs = m_store ? m_store->prefs() : SettingsPrefs();

    QList<SettingsSectionData> sections;
    QHash<QString, SettingsRowListModel *> rowModels;
    QHash<QString, int> occurrences;
    for (int s = 0; document && s < document->sections.size(); ++s) {
        const SettingsSection &section = document->sections.at(s);
        QList<SettingsRowData> rows;
        for (int i = 0; i < section.items.size(); ++i) {
            const SettingsItem &item = section.items.at(i);
            if (!SettingsRows::isShownType(item.type))
                continue;
            SettingsRowData row = SettingsRowData::from(item, prefs, m_version);
            row.sectionIndex = s;
            row.itemIndex = i;
            row.divider = true;
            rows.append(std::move(row));
        }
        if (rows.isEmpty())
            continue;
        rows.last().divider = false;

        const QString key = section.id + u'#' + QString::number(occurrences[section.id]++);
        SettingsRowListModel *model = m_rowModels.take(key);
        if (!model)
            model = new SettingsRowListModel(this);
        model->replaceAll(std::move(rows));
        rowModels.insert(key, model);
        sections.append({section.id, section.title.value_or(QString()), model});
    }
    m_sections.replaceAll(std::move(sections));
    // The sections gone from the page take their rows with them, once the view has let go of them.
    for (SettingsRowListModel *gone : std::as_const(m_rowModels))
        gone->deleteLater();
    m_rowModels = std::move(rowModels);

    const bool root = document && document->pageId == SettingsStore::rootPageId;
    if (root != m_isRoot) {
        m_isRoot = root;
        Q_EMIT isRootChanged();
    }
}

void SettingsPageViewModel::setConfirmLogout(bool confirm) {
    if (confirm == m_confirmLogout)
        return;
    m_confirmLogout = confirm;
    Q_EMIT confirmLogoutChanged();
}
