#include "CompanionSettingsSheetViewModel.h"

#include "AppSession.h"
#include "CompanionLogging.h"
#include "ErrorText.h"
#include "Graphemes.h"
#include "RobotStore.h"

namespace {

const QString personaKey = QStringLiteral("persona");
const QString nameKey = QStringLiteral("name");
const QString reminderKey = QStringLiteral("reminder");

std::optional<QString> textOf(const QVariantMap &map, const QString &key) {
    const QVariant value = map.value(key);
    if (value.metaType() != QMetaType::fromType<QString>())
        return std::nullopt;
    return value.toString();
}

} // namespace

CompanionSettingsSheetViewModel::CompanionSettingsSheetViewModel(QObject *parent)
    : CompanionSettingsSheetViewModel(RobotStore::shared(), parent) {}

CompanionSettingsSheetViewModel::CompanionSettingsSheetViewModel(RobotStore &store, QObject *parent)
    : ScreenViewModel(parent), m_store(store), m_personas(new ListModel<CompanionPersonaRow>(this)) {
    refreshPersonas();
    connect(&m_store, &RobotStore::languageInEffectChanged, this, [this] {
        refreshPersonas();
        Q_EMIT stringsChanged();
        Q_EMIT saveTextChanged();
    });
}

CompanionSettingsSheetViewModel::~CompanionSettingsSheetViewModel() = default;

QVariantMap CompanionSettingsSheetViewModel::settingsToMap(const CompanionSettings &settings) {
    QVariantMap map;
    if (settings.persona)
        map.insert(personaKey, *settings.persona);
    if (settings.name)
        map.insert(nameKey, *settings.name);
    if (settings.reminder)
        map.insert(reminderKey, *settings.reminder);
    return map;
}

CompanionSettings CompanionSettingsSheetViewModel::settingsFromMap(const QVariantMap &map) {
    return {textOf(map, personaKey), textOf(map, nameKey), textOf(map, reminderKey)};
}

void CompanionSettingsSheetViewModel::setCurrent(const CompanionSettings &settings) {
    if (settings == m_current)
        return;
    m_current = settings;
    Q_EMIT currentChanged();
}

const ChatStrings &CompanionSettingsSheetViewModel::strings() const {
    return ChatStrings::forLanguage(m_store.languageInEffect());
}

void CompanionSettingsSheetViewModel::refreshPersonas() {
    const ChatStrings &texts = strings();
    QList<CompanionPersonaRow> rows;
    for (const CompanionPersona persona : CompanionPersona::all())
        rows << CompanionPersonaRow{persona.rawValue(), persona.label(texts), persona.detail(texts)};
    m_personas->replaceAll(std::move(rows));
}

int CompanionSettingsSheetViewModel::personaIndex() const {
    return int(CompanionPersona::all().indexOf(m_persona));
}

void CompanionSettingsSheetViewModel::choosePersona(int index) {
    const QList<CompanionPersona> all = CompanionPersona::all();
    if (index < 0 || index >= all.size() || all[index] == m_persona)
        return;
    m_persona = all[index];
    Q_EMIT personaChanged();
}

void CompanionSettingsSheetViewModel::setName(const QString &name) {
    const QString kept = Graphemes::leading(name, kNameLimit);
    if (kept != m_name) {
        m_name = kept;
        Q_EMIT nameChanged();
    } else if (kept != name) {
        // The field shows what was typed; it must fall back to the kept text even though the name itself
        // did not change.
        Q_EMIT nameChanged();
    }
    setError(std::nullopt);
}

void CompanionSettingsSheetViewModel::setError(std::optional<QString> error) {
    if (error == m_error)
        return;
    m_error = std::move(error);
    Q_EMIT errorChanged();
}

void CompanionSettingsSheetViewModel::setSaving(bool saving) {
    if (saving == m_saving)
        return;
    m_saving = saving;
    Q_EMIT savingChanged();
    Q_EMIT saveTextChanged();
}

CompanionPersona CompanionSettingsSheetViewModel::initialPersona(const std::optional<QString> &stored) {
    if (stored) {
        if (const std::optional<CompanionPersona> persona = CompanionPersona::fromRaw(*stored))
            return *persona;
    }
    return CompanionPersona::calm;
}

std::optional<QString> CompanionSettingsSheetViewModel::nameToSend(const QString &field,
                                                                   const std::optional<QString> &stored) {
    const QString trimmed = field.trimmed();
    if (trimmed == stored.value_or(QString()))
        return std::nullopt;
    return trimmed;
}

void CompanionSettingsSheetViewModel::appear() {
    const CompanionPersona persona = initialPersona(m_current.persona);
    if (!(persona == m_persona)) {
        m_persona = persona;
        Q_EMIT personaChanged();
    }
    // Not an edit: no cut is applied to what the server holds.
    const QString name = m_current.name.value_or(QString());
    if (name != m_name) {
        m_name = name;
        Q_EMIT nameChanged();
    }
    setError(std::nullopt);
}

void CompanionSettingsSheetViewModel::save() {
    saveAsync();
}

QCoro::Task<void> CompanionSettingsSheetViewModel::saveAsync() {
    if (m_saving)
        return []() -> QCoro::Task<void> { co_return; }();
    setSaving(true);
    return runSave(this, m_persona.rawValue(), nameToSend(m_name, m_current.name));
}

QCoro::Task<void> CompanionSettingsSheetViewModel::runSave(QPointer<CompanionSettingsSheetViewModel> self,
                                                           QString persona, std::optional<QString> name) {
    QPointer<AppSession> session = self->session();
    if (!session) {
        // Nothing to send with: the learner sees the same text as for a request without an answer.
        self->setError(QStringLiteral("无响应"));
        self->setSaving(false);
        co_return;
    }
    std::optional<CompanionSettings> stored;
    std::exception_ptr failure;
    try {
        stored = co_await saveCompanionSettings(persona, name, *session);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        co_return;
    if (stored) {
        Q_EMIT self->saved(settingsToMap(*stored));
        if (self)
            self->setSaving(false);
        co_return;
    }
    qCDebug(lcCompanion) << "companion settings not saved:" << failureSummary(failure);
    self->setError(::errorText(failure));
    self->setSaving(false);
}
